#pragma once
// The About box: a borderless, centred, modal box with a short disclaimer and a "Return" button.
#include <QDialog>

class QGroupBox;
class QLabel;
class QPushButton;

namespace quillo {

class AboutBox : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget* parent = nullptr);

    QGroupBox* GroupBox1;
    QLabel* Label4;        // the heading line
    QGroupBox* GroupBox2;  // "Disclaimer"
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QPushButton* Button1;  // "Return"

    void Button1Click() { accept(); }

protected:
    void showEvent(QShowEvent* event) override;
};

}  // namespace quillo
