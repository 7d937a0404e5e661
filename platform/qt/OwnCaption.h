#pragma once
// A title bar and a single border that the window draws itself. Window managers read a window's
// request for fewer border icons each in their own way, and some keep minimise, maximise and
// close buttons whatever it asks; a window without the manager's frame looks the same under all.
#include <QWidget>

namespace quillo {

// The border's width and the caption bar's height, in pixels.
inline constexpr int kOwnBorder = 3;
inline constexpr int kOwnCaptionHeight = 18;

// Makes `window` frameless and draws its title and border around what it holds: a window with a
// layout keeps it inside by its contents margins; one whose children are placed by coordinates
// grows by the frame and moves its children by it, so their coordinates stay those of its client
// area. Dragging the caption moves the window; with closeBox, a close box at the caption's right
// end closes it. Call it once the children exist and before the window is shown.
void drawOwnCaption(QWidget& window, bool closeBox);

}  // namespace quillo
