#include "QtMessageBoxes.h"

#include <QGuiApplication>
#include <QMessageBox>

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

}  // namespace

MessageResult QtMessageBoxes::show(MessageKind kind, const std::string& text,
                                   MessageButtons buttons) {
    const QString title = kind == MessageKind::Plain ? QGuiApplication::applicationDisplayName()
                                                     : QString(messageTitle(kind));
    QMessageBox box(iconOf(kind), title, QString::fromStdString(text),
                    buttons == MessageButtons::OkCancel ? QMessageBox::Ok | QMessageBox::Cancel
                                                        : QMessageBox::Ok,
                    owner_);
    box.setDefaultButton(QMessageBox::Ok);
    if (stayOnTop_) box.setWindowFlag(Qt::WindowStaysOnTopHint);
    return box.exec() == QMessageBox::Ok ? MessageResult::Ok : MessageResult::Cancel;
}

}  // namespace quillo
