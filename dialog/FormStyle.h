#pragma once
// The look shared by the settings dialog and its About box.
#include <QColor>
#include <QFont>
#include <QWidget>

namespace quillo {

// 14082270: red 222, green 224, blue 214.
inline const QColor kFormColor(222, 224, 214);

// A font given in points at 96 dots per inch, with the nearest installed family: the classic
// bitmap "MS Sans Serif" becomes the desktop's sans-serif and Arial its metric twin
// "Liberation Sans". Sizes are set in pixels so the layout does not depend on the screen's DPI.
QFont formFont(const char* family, int points, bool bold = false, bool underline = false);

// The form's background colour behind its controls.
void setFormColor(QWidget& form);

// Where a window of that size goes within a screen's area: centred when it fits, else at the
// area's top-left corner, so that its caption can always be reached and dragged.
QPoint placeWithin(const QRect& area, const QSize& window);
// Moves the window there on a screen (the part of it that panels leave free): the screen that
// shows `over` when it is given, else the primary screen.
void placeOnScreen(QWidget& window, const QWidget* over = nullptr);

// Group boxes of the form drawn as the layout expects them: the frame line through the middle of
// the caption, the caption on it. Toolkit styles put the line below the caption, where the
// controls at the top of a box would sit on it.
void useFormGroupFrames(QWidget& form);

}  // namespace quillo
