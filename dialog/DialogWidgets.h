#pragma once
// The widgets the settings dialog needs beyond Qt's own: a list box with a settable sideways
// scroll extent, its adapter to the slot operations' ListBox interface, and the thumbnail.
#include <QCheckBox>
#include <QListWidget>
#include <QScrollBar>
#include <QWidget>

#include "MediaSlots.h"
#include "Picture.h"

namespace quillo {

struct ProgramChange;

// A single-selection list whose horizontal scroll range is set by the program: the list can be
// scrolled sideways far enough to show `horizontalExtent()` pixels of line width (lines are
// laid out in cells that wide). The scroll bar appears only when the extent is wider than the
// visible area, as with a classic list box.
class ExtentListWidget : public QListWidget {
    Q_OBJECT
public:
    explicit ExtentListWidget(QWidget* parent = nullptr);
    void setHorizontalExtent(int pixels);
    int horizontalExtent() const { return extent_; }

Q_SIGNALS:
    // A double click anywhere in the list, on a line or below the last one.
    void doubleClicked();
    // The user moved the selection by mouse or keyboard (never raised by the program's changes).
    void userSelectionChanged();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    // With the keyboard, a dotted frame round the current line (round the first line's place in
    // an empty list), so Tab shows where it went.
    void paintEvent(QPaintEvent* event) override;

private:
    friend struct ProgramChange;
    int extent_ = 0;
    int programChange_ = 0;
};

// A check box whose text wraps onto further lines within its width; a click anywhere on it
// toggles it, as on a one-line check box.
class WrappingCheckBox : public QCheckBox {
    Q_OBJECT
public:
    WrappingCheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent) {}

protected:
    // With the keyboard, a dotted frame round the text, as a radio button has.
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

// A horizontal scroll bar that Tab reaches and the arrow keys move (Home and End go to its ends);
// with the keyboard it shows a dotted frame round its thumb.
class FocusScrollBar : public QScrollBar {
    Q_OBJECT
public:
    explicit FocusScrollBar(QWidget* parent);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

// Makes the radio buttons that are direct children of group one stop of the Tab order: Tab
// lands on the checked one (the first shown one when none is checked or the checked one is
// hidden), and the arrow keys move the check between them.
void tabToCheckedRadio(QWidget& group);

// The slot operations' view of a list widget. Changes made through it are the program's and do
// not raise userSelectionChanged.
class QtListBox : public ListBox {
public:
    explicit QtListBox(ExtentListWidget& widget) : w_(widget) {}
    int count() const override;
    std::string line(int index) const override;
    int selectedIndex() const override;
    void append(const std::string& text) override;
    void remove(int index) override;
    void select(int index) override;
    void clear() override;

private:
    ExtentListWidget& w_;
};

// Sets the list's horizontal extent to its widest line, measured in its own font, plus 100
// pixels (0 plus 100 for an empty list).
void FitListBoxExtent(ExtentListWidget& list);

// The thumbnail: draws its picture stretched over the whole widget, with a hand cursor.
class ThumbnailView : public QWidget {
    Q_OBJECT
public:
    explicit ThumbnailView(QWidget* parent = nullptr);
    Picture& picture() { return picture_; }
    const Picture& picture() const { return picture_; }

Q_SIGNALS:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    Picture picture_;
    bool pressed_ = false;
};

}  // namespace quillo
