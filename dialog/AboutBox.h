#pragma once
// The About box: a borderless, modal box centred on its dialog's screen, with a short disclaimer
// and a "Return" button.
#include <QDialog>

class QGroupBox;
class QLabel;
class QPushButton;

namespace quillo {

class AboutBox : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget* parent = nullptr);

    QGroupBox* frameGroup;  // round the heading and the disclaimer
    QLabel* headingLabel;
    QGroupBox* disclaimerGroup;
    // The disclaimer, one text in three parts.
    QLabel* warrantyLabel;
    QLabel* liabilityLabel;
    QLabel* ownFilesLabel;
    QPushButton* returnButton;

    void onReturn() { accept(); }

protected:
    void showEvent(QShowEvent* event) override;
};

}  // namespace quillo
