#include "DialogWidgets.h"

#include <QStyleOptionButton>
#include <QStylePainter>

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

#include "BitmapImage.h"
#include "Scale.h"

namespace quillo {

ExtentListWidget::ExtentListWidget(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setTextElideMode(Qt::ElideNone);
    connect(this, &QListWidget::currentRowChanged, this, [this](int) {
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
    painter.drawItemText(QRect(left, 0, width() - left, height()),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, option.palette,
                         isEnabled(), text, QPalette::WindowText);
}

}  // namespace quillo
