#pragma once
// Where a tool window that stays open beside the main window opens, and
// the text its place is kept as in verdalis.ini.

#include <QRect>
#include <QString>
#include <optional>

namespace seasons {

// The window's frame position and size: beside the main window (right of
// it, else left of it) where the screen has room for at least the
// window's minimum width there; else over the main window's lower half,
// so that the memo the window shows in the main window stays in sight.
// Always inside the screen and never smaller than the minimum (as far as
// the screen allows).
QRect place_beside(QSize wanted, QSize minimum, QRect main_frame, QRect screen);

// A kept place back inside the screen: moved in, and no larger than the
// screen. Nothing when too little of it would be on the screen to be
// worth keeping (a screen that changed), or it is smaller than `minimum`.
std::optional<QRect> kept_place(QRect kept, QSize minimum, QRect screen);

// "x,y,width,height", and back (nothing for any other text).
QString place_text(QRect place);
std::optional<QRect> parse_place(const QString& text);

}  // namespace seasons
