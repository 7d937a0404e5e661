#include "QtMessageBoxes.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMessageBox>
#include <optional>

#include "OwnCaption.h"
#include "ScopeExit.h"

namespace quillo {

namespace {

QMessageBox::Icon iconOf(MessageKind kind) {
    switch (kind) {
        case MessageKind::Warning:
            return QMessageBox::Warning;
        case MessageKind::Error:
            return QMessageBox::Critical;
        case MessageKind::Information:
            return QMessageBox::Information;
        case MessageKind::Confirmation:
            return QMessageBox::Question;
        case MessageKind::Plain:
            break;
    }
    return QMessageBox::NoIcon;
}

// A keyboard grab fails for a window that is not mapped yet, so it is taken at the box's first
// paint, when the server shows it.
class KeyboardTaker : public QObject {
public:
    explicit KeyboardTaker(QWidget& box) : box_(box) { box_.installEventFilter(this); }

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint && !taken_) {
            taken_ = true;
            box_.activateWindow();
            box_.grabKeyboard();
        }
        return false;
    }

private:
    QWidget& box_;
    bool taken_ = false;
};

// Hands the program's input events to the watch, each once (an event a widget ignores travels on
// to its parent as the same object).
class InputFilter : public QObject {
public:
    InputFilter(QtMessageBoxes::InputWatch& watch, QtMessageBoxes& boxes)
        : watch_(watch), boxes_(boxes) {
        qApp->installEventFilter(this);
    }
    ~InputFilter() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        switch (e->type()) {
            case QEvent::KeyPress:
            case QEvent::KeyRelease:
            case QEvent::MouseButtonPress:
            case QEvent::MouseMove:
                break;
            default:
                return false;
        }
        if (e == last_) return false;
        last_ = e;
        if (watch_(e)) boxes_.closeBox();
        return false;
    }

private:
    QtMessageBoxes::InputWatch& watch_;
    QtMessageBoxes& boxes_;
    QEvent* last_ = nullptr;
};

}  // namespace

void QtMessageBoxes::closeBox() {
    closeRequested_ = true;
    if (box_) box_->reject();
}

MessageResult QtMessageBoxes::show(MessageKind kind, const std::string& text,
                                   MessageButtons buttons) {
    const QString title = kind == MessageKind::Plain ? QCoreApplication::applicationName()
                                                     : QString(messageTitle(kind));
    QMessageBox box(iconOf(kind), title, QString::fromStdString(text),
                    buttons == MessageButtons::OkCancel ? QMessageBox::Ok | QMessageBox::Cancel
                                                        : QMessageBox::Ok,
                    owner_);
    box.setDefaultButton(QMessageBox::Ok);
    // A close box but no minimise or maximise button, under every window manager.
    drawOwnCaption(box, true);
    if (stayOnTop_) box.setWindowFlag(Qt::WindowStaysOnTopHint);
    std::optional<KeyboardTaker> taker;
    if (takeKeyboard_) taker.emplace(box);
    box_ = &box;
    closeRequested_ = false;
    ScopeExit forget([this] { box_ = nullptr; });
    int answer = QMessageBox::Cancel;
    if (watch_) {
        // Shown without blocking the other windows, and waited for here. A message box is modal
        // by default, and Qt drops input for the windows a modal one blocks before any filter
        // sees it: a key that reached the saver window while the box was taking the keyboard
        // would be lost, and the box would stay.
        box.setWindowModality(Qt::NonModal);
        std::optional<InputFilter> filter(std::in_place, watch_, *this);
        QEventLoop wait;
        QObject::connect(&box, &QDialog::finished, &wait, [&](int result) {
            answer = result;
            wait.quit();
        });
        box.show();
        if (!closeRequested_ && box.isVisible()) wait.exec();
    } else {
        answer = box.exec();
    }
    box.releaseKeyboard();
    return answer == QMessageBox::Ok ? MessageResult::Ok : MessageResult::Cancel;
}

}  // namespace quillo
