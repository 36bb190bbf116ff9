#pragma once
// The main window's pictures, drawn at run time: the header background, the two engine state
// icons and the application (tray) icon. UI thread, with a QGuiApplication.
#include <QIcon>
#include <QPixmap>

namespace tessaly {

// A dark blue band of the given size with a soft shaded wave, for the header.
[[nodiscard]] QPixmap HeaderPicture(int aWidth, int aHeight);
// 16 by 16: a grey square (stopped) or a green play mark (running).
[[nodiscard]] QPixmap StatePicture(bool aRunning);
// Two arrows in a circle, the agent's mark.
[[nodiscard]] QIcon AppIcon();

}  // namespace tessaly
