#pragma once
// The real dialog services: Qt message boxes and file dialogs, xdg-open, the primary screen.
#include <QString>
#include <QStringList>

#include "DialogServices.h"
#include "MessageBox.h"
#include "QtMessageBoxes.h"

namespace quillo {

// Converts "desc|*.a;*.b|desc2|*.c" into Qt name filters "desc (*.a *.b *.A *.B)", one per pair.
// Linux file names are case-sensitive, so the upper-case form of each pattern is added to match
// the case-insensitive behaviour the filters were written for.
QStringList toQtNameFilters(const std::string& filter);

class QtDialogServices : public DialogServices {
public:
    MessageBoxes& boxes() override { return boxes_; }
    std::optional<std::string> openPicture(QWidget* owner, const std::string& initialDir) override;
    std::optional<std::string> openSound(QWidget* owner) override;
    std::optional<std::string> chooseFolder(QWidget* owner, const std::string& initialDir) override;
    OpenResult shellOpen(QWidget* owner, const std::string& target) override;
    ScreenInfo screen() override;
    void runModal(QDialog& box) override;
    void setOwner(QWidget* owner) { boxes_.setOwner(owner); }

private:
    QtMessageBoxes boxes_;
};

}  // namespace quillo
