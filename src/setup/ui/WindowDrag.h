#pragma once
// Dragging a borderless setup window by one of its areas (a band, a title, a page's background):
// pressing the left button there and moving the mouse moves the whole window. The window
// manager's own move is asked for first; where the platform offers none the window follows the
// mouse itself.
class QWidget;

namespace orvane {

// Makes `area` a drag handle of the window it belongs to. The handle lives as long as `area`.
void EnableWindowDrag(QWidget* area);

}  // namespace orvane
