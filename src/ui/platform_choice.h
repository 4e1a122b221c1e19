#pragma once
// Which of Qt's platforms the program starts on. The windows are placed
// over the main window, and the main window comes back where it was left;
// a Wayland session ignores positions that a program sets. So in a Wayland
// session that also offers X11 (XWayland), the program starts on xcb,
// falling back to Wayland when the X server cannot be reached. A platform
// the user names (QT_QPA_PLATFORM, or -platform on the command line)
// always wins.

#include <QByteArray>
#include <QList>

namespace ui {

// The value to give QT_QPA_PLATFORM before the application object is
// made, or an empty array to leave Qt's own choice. The arguments are the
// program's command line, the program's name first.
QByteArray chosen_platform(const QByteArray& qpa_platform, const QByteArray& wayland_display,
                           const QByteArray& display, const QList<QByteArray>& arguments);

// Reads the environment and the command line and sets QT_QPA_PLATFORM when
// chosen_platform() gives a value.
void choose_platform(int argc, char** argv);

}  // namespace ui
