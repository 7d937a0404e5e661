#include "OwnCaption.h"

#include <QEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QToolButton>

namespace quillo {

namespace {

QRect captionRect(const QWidget& window) {
    return QRect(kOwnBorder, kOwnBorder, window.width() - 2 * kOwnBorder, kOwnCaptionHeight);
}

// Covers the whole window below its other children; paints the border and the caption, and lets
// every mouse event through to the window.
class CaptionFrame : public QWidget {
public:
    CaptionFrame(QWidget& window, bool closeBox) : QWidget(&window), window_(window) {
        setObjectName("ownCaption");
        setAttribute(Qt::WA_TransparentForMouseEvents);
        if (closeBox) {
            close_ = new QToolButton(&window);
            close_->setObjectName("ownCaptionClose");
            close_->setFocusPolicy(Qt::NoFocus);
            close_->setIcon(window.style()->standardIcon(QStyle::SP_TitleBarCloseButton));
            close_->setIconSize(QSize(10, 10));
            QObject::connect(close_, &QToolButton::clicked, &window, &QWidget::close);
        }
        follow();
        lower();
    }

    void follow() {
        setGeometry(window_.rect());
        if (close_) {
            const QRect caption = captionRect(window_);
            close_->setGeometry(caption.right() - 2 - 16, caption.top() + 2, 16, 14);
            close_->raise();
        }
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const QRect r = rect();
        p.setPen(QColor(64, 64, 64));
        p.drawRect(r.adjusted(0, 0, -1, -1));
        p.setPen(Qt::white);
        p.drawRect(r.adjusted(1, 1, -2, -2));

        const QRect caption = captionRect(window_);
        const bool active = window_.isActiveWindow();
        QLinearGradient fill(caption.topLeft(), caption.topRight());
        fill.setColorAt(0, active ? QColor(10, 36, 106) : QColor(128, 128, 128));
        fill.setColorAt(1, active ? QColor(166, 202, 240) : QColor(192, 192, 192));
        p.fillRect(caption, fill);

        QFont font = window_.font();
        font.setBold(true);
        font.setPixelSize(11);
        p.setFont(font);
        p.setPen(active ? QColor(Qt::white) : QColor(212, 208, 200));
        const QRect text = caption.adjusted(4, 0, close_ ? -24 : -4, 0);
        p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                   p.fontMetrics().elidedText(window_.windowTitle(), Qt::ElideRight, text.width()));
    }

private:
    QWidget& window_;
    QToolButton* close_ = nullptr;
};

// Moves the window while the left button, pressed on the caption, stays down. The window moves
// itself rather than asking the window manager to: without a manager nobody would answer, and a
// manager that starts its move after a quick tap's release has already gone by keeps the window
// on the pointer until the next click.
class CaptionEvents : public QObject {
public:
    CaptionEvents(QWidget& window, CaptionFrame& frame)
        : QObject(&window), window_(window), frame_(frame) {
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        switch (e->type()) {
            case QEvent::Resize:
                frame_.follow();
                break;
            case QEvent::WindowTitleChange:
            case QEvent::ActivationChange:
                frame_.update();
                break;
            case QEvent::MouseButtonPress: {
                const auto* press = static_cast<QMouseEvent*>(e);
                dragging_ = press->button() == Qt::LeftButton &&
                            captionRect(window_).contains(press->position().toPoint());
                if (!dragging_) break;
                grab_ = press->globalPosition().toPoint() - window_.pos();
                return true;
            }
            case QEvent::MouseMove: {
                if (!dragging_) break;
                const auto* move = static_cast<QMouseEvent*>(e);
                // A release that never arrived (another window took the pointer) ends the drag
                // at the first move without the button.
                dragging_ = move->buttons() & Qt::LeftButton;
                if (dragging_) window_.move(move->globalPosition().toPoint() - grab_);
                return true;
            }
            case QEvent::MouseButtonRelease:
                if (!dragging_ || static_cast<QMouseEvent*>(e)->button() != Qt::LeftButton) break;
                dragging_ = false;
                return true;
            default:
                break;
        }
        return false;
    }

private:
    QWidget& window_;
    CaptionFrame& frame_;
    bool dragging_ = false;
    QPoint grab_;  // the pointer's place within the window when the drag began
};

}  // namespace

void drawOwnCaption(QWidget& window, bool closeBox) {
    const QMargins frame(kOwnBorder, kOwnBorder + kOwnCaptionHeight, kOwnBorder, kOwnBorder);
    if (window.layout()) {
        window.setContentsMargins(window.contentsMargins() + frame);
    } else {
        const QPoint offset(frame.left(), frame.top());
        for (QWidget* child : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            child->move(child->pos() + offset);
        const QSize grown = window.size().grownBy(frame);
        if (window.minimumSize() == window.maximumSize())
            window.setFixedSize(grown);
        else
            window.resize(grown);
    }
    window.setWindowFlag(Qt::FramelessWindowHint);
    auto* painted = new CaptionFrame(window, closeBox);
    new CaptionEvents(window, *painted);
}

}  // namespace quillo
