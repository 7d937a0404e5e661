#pragma once
// Modal message boxes with Qt: the title, icon and buttons of each kind.
#include <QWidget>
#include <functional>

#include "MessageBox.h"

class QDialog;
class QEvent;

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
    // Sees every input event of the program while the box is up, before it is delivered; an
    // answer of true closes the box (Cancel). With a watch the box leaves the other windows their
    // input (it still waits for its answer), since input to a window a modal box blocks is
    // dropped before anyone could see it.
    using InputWatch = std::function<bool(QEvent* event)>;
    void setInputWatch(InputWatch watch) { watch_ = std::move(watch); }
    MessageResult show(MessageKind kind, const std::string& text,
                       MessageButtons buttons = MessageButtons::Ok) override;
    // Closes the box that is up, if any, as Cancel.
    void closeBox();

private:
    QWidget* owner_;
    bool stayOnTop_ = false;
    bool takeKeyboard_ = false;
    InputWatch watch_;
    QDialog* box_ = nullptr;
    bool closeRequested_ = false;
};

}  // namespace quillo
