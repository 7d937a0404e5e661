#include "QtMessageBoxes.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMessageBox>
#include <optional>

#include "OwnCaption.h"

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

}  // namespace

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
    const int answer = box.exec();
    box.releaseKeyboard();
    return answer == QMessageBox::Ok ? MessageResult::Ok : MessageResult::Cancel;
}

}  // namespace quillo
