#pragma once
// Modal message boxes with Qt: the title, icon and buttons of each kind.
#include <QWidget>

#include "MessageBox.h"

namespace quillo {

class QtMessageBoxes : public MessageBoxes {
public:
    explicit QtMessageBoxes(QWidget* owner = nullptr) : owner_(owner) {}
    void setOwner(QWidget* owner) { owner_ = owner; }
    // Boxes shown over a stay-on-top window must stay on top themselves to be seen.
    void setStayOnTop(bool onTop) { stayOnTop_ = onTop; }
    // The box takes the focus and grabs the keyboard once it is on the screen, so Return and
    // Space answer it even beside a full-screen window that held the keyboard.
    void setTakeKeyboard(bool take) { takeKeyboard_ = take; }
    MessageResult show(MessageKind kind, const std::string& text,
                       MessageButtons buttons = MessageButtons::Ok) override;

private:
    QWidget* owner_;
    bool stayOnTop_ = false;
    bool takeKeyboard_ = false;
};

}  // namespace quillo
