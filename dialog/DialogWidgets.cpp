#include "DialogWidgets.h"

#include <QStyleOptionButton>
#include <QStylePainter>

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRadioButton>
#include <QStyleOptionSlider>
#include <algorithm>

#include "BitmapImage.h"
#include "Scale.h"

namespace quillo {

namespace {

// The keyboard's mark: a dotted rectangle just inside r.
void drawFocusMark(QPainter& painter, const QRect& r, const QColor& colour) {
    painter.setPen(QPen(colour, 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(r.adjusted(0, 0, -1, -1));
}

}  // namespace

ExtentListWidget::ExtentListWidget(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setTextElideMode(Qt::ElideNone);
    // The selection, not the current line: a mouse press makes the pressed line current before it
    // selects it, so at the change of the current line the click's line is not selected yet.
    connect(this, &QListWidget::itemSelectionChanged, this, [this] {
        if (programChange_ == 0) Q_EMIT userSelectionChanged();
    });
}

void ExtentListWidget::setHorizontalExtent(int pixels) {
    extent_ = std::max(0, pixels);
    // The list lays its lines out in cells of the grid size, so a grid as wide as the extent
    // makes the scrollable width exactly the extent, whatever the lines' own widths.
    const int rowHeight =
        count() > 0 ? std::max(1, sizeHintForRow(0)) : QFontMetrics(font()).height() + 2;
    setGridSize(extent_ > 0 ? QSize(extent_, rowHeight) : QSize());
}

void ExtentListWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    QListWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton) Q_EMIT doubleClicked();
}

void ExtentListWidget::paintEvent(QPaintEvent* event) {
    QListWidget::paintEvent(event);
    if (!hasFocus()) return;
    const QListWidgetItem* current = currentItem();
    QRect line = current ? visualItemRect(current)
                         : QRect(0, 0, viewport()->width(), QFontMetrics(font()).height() + 2);
    line = line.intersected(viewport()->rect());
    if (line.isEmpty()) return;
    QPainter painter(viewport());
    const bool onSelection = current && current->isSelected();
    drawFocusMark(painter, line,
                  palette().color(onSelection ? QPalette::HighlightedText : QPalette::Text));
}

// Marks the changes made through the adapter as the program's own.
struct ProgramChange {
    explicit ProgramChange(ExtentListWidget& w) : w_(w) { ++w_.programChange_; }
    ~ProgramChange() { --w_.programChange_; }
    ExtentListWidget& w_;
};

int QtListBox::count() const {
    return w_.count();
}

std::string QtListBox::line(int index) const {
    const QListWidgetItem* item = w_.item(index);
    return item ? item->text().toStdString() : std::string();
}

int QtListBox::selectedIndex() const {
    const QListWidgetItem* item = w_.currentItem();
    return item && item->isSelected() ? w_.row(item) : -1;
}

void QtListBox::append(const std::string& text) {
    ProgramChange guard(w_);
    w_.addItem(QString::fromStdString(text));
}

void QtListBox::remove(int index) {
    ProgramChange guard(w_);
    delete w_.takeItem(index);
}

void QtListBox::select(int index) {
    ProgramChange guard(w_);
    if (index < 0 || index >= w_.count())
        w_.setCurrentRow(-1);
    else
        w_.setCurrentRow(index);
}

void QtListBox::clear() {
    ProgramChange guard(w_);
    w_.clear();
}

void FitListBoxExtent(ExtentListWidget& list) {
    const QFontMetrics metrics(list.font());
    int widest = 0;
    for (int i = 0; i < list.count(); ++i)
        widest = std::max(widest, metrics.horizontalAdvance(list.item(i)->text()));
    list.setHorizontalExtent(widest + 100);
}

ThumbnailView::ThumbnailView(QWidget* parent) : QWidget(parent) {
    setCursor(Qt::PointingHandCursor);
}

void ThumbnailView::paintEvent(QPaintEvent*) {
    if (picture_.empty()) return;
    try {
        if (!picture_.isPreview()) {
            // Scaled once to the box, and the full picture let go: a large photo must not stay
            // in memory for a preview of a few thousand pixels.
            Bitmap scaled(std::max(1, width()), std::max(1, height()));
            const Bitmap& full = picture_.bitmap();
            stretchCopy(scaled, scaled.rect(), full, full.rect());
            picture_.keepPreview(std::move(scaled));
        }
        const QImage image = wrapBitmap(picture_.bitmap());
        QPainter painter(this);
        painter.drawImage(rect(), image);
    } catch (const std::exception&) {
        // Damaged image data shows up only now; the thumbnail then stays blank.
    }
}

void ThumbnailView::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
}

void ThumbnailView::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = pressed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    pressed_ = false;
    if (click) Q_EMIT clicked();
}

void WrappingCheckBox::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString text = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_CheckBox, option);
    const QRect indicator = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
    const int left = indicator.right() + 1 + style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing);
    const QRect textArea(left, 0, width() - left, height());
    painter.drawItemText(textArea, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap,
                         option.palette, isEnabled(), text, QPalette::WindowText);
    if (hasFocus()) {
        const QRect used = painter.fontMetrics().boundingRect(
            textArea, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, text);
        drawFocusMark(painter, used.adjusted(-1, -1, 1, 1).intersected(rect()),
                      option.palette.color(QPalette::WindowText));
    }
}

FocusScrollBar::FocusScrollBar(QWidget* parent) : QScrollBar(Qt::Horizontal, parent) {
    setFocusPolicy(Qt::StrongFocus);
}

void FocusScrollBar::keyPressEvent(QKeyEvent* event) {
    // Qt's scroll bars take Left as a step up (their controls are inverted for the sake of
    // vertical bars); here the value follows the thumb: Right raises it, Left lowers it.
    if (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right) {
        triggerAction(event->key() == Qt::Key_Right ? SliderSingleStepAdd : SliderSingleStepSub);
        event->accept();
        return;
    }
    QScrollBar::keyPressEvent(event);
}

void FocusScrollBar::paintEvent(QPaintEvent* event) {
    QScrollBar::paintEvent(event);
    if (!hasFocus()) return;
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect thumb =
        style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
    QPainter painter(this);
    drawFocusMark(painter, thumb.adjusted(1, 1, -1, -1), palette().color(QPalette::WindowText));
}

namespace {

// Qt takes Tab away from a group's other buttons once one of them has the focus; until then
// every button is a stop, the first one first. Here the stop follows the check instead.
void moveRadioTabStop(QWidget& group) {
    const QList<QRadioButton*> radios =
        group.findChildren<QRadioButton*>(QString(), Qt::FindDirectChildrenOnly);
    QRadioButton* stop = nullptr;
    for (QRadioButton* r : radios)
        if (r->isChecked() && !r->isHidden()) stop = r;
    for (QRadioButton* r : radios)
        if (!stop && !r->isHidden()) stop = r;
    for (QRadioButton* r : radios) r->setFocusPolicy(r == stop ? Qt::StrongFocus : Qt::ClickFocus);
}

// Puts the stop back on the checked button when the focus leaves the group's buttons: focusing
// a button gives it the stop, and a press on an unchecked button that is dragged off leaves the
// focus there without checking it.
class RadioTabStop : public QObject {
public:
    explicit RadioTabStop(QWidget& group) : QObject(&group), group_(group) {}

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::FocusOut) moveRadioTabStop(group_);
        return false;
    }

private:
    QWidget& group_;
};

}  // namespace

void tabToCheckedRadio(QWidget& group) {
    auto* keeper = new RadioTabStop(group);
    for (QRadioButton* r :
         group.findChildren<QRadioButton*>(QString(), Qt::FindDirectChildrenOnly)) {
        QObject::connect(r, &QRadioButton::toggled, &group, [&group] { moveRadioTabStop(group); });
        r->installEventFilter(keeper);
    }
    moveRadioTabStop(group);
}

}  // namespace quillo
