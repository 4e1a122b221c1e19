#pragma once
// The full-size viewer's geometry arithmetic, in twips and without widgets:
// how large the window is around a picture, where the title row goes, and
// how the window is kept on the screen.

#include "ui/twips.h"

namespace picture_viewer {

// The window is never narrower than this.
inline constexpr double kMinWindowWidth = 5200;
// The title box and the two paging buttons below the picture.
inline constexpr double kTitleRowHeight = 555;
inline constexpr double kButtonWidth = 495;
// The title box is this much narrower than the window: room for the
// buttons and a margin on the right.
inline constexpr double kTitleWidthShortfall = 1100;
// The outer height beyond the picture and the title row: the window's
// frame and its menu bar. The client area is as wide as the window.
inline constexpr double kFrameHeight = 680;

using Box = ui::TwipsBox;

struct WindowSize {
  double width = 0;
  double height = 0;
  // The picture does not fit the window and scrolls inside it.
  bool scrolls = false;
};

// The outer window around a picture pw × ph (twips) and its title row: as
// wide as the picture but at least kMinWindowWidth, as tall as the picture,
// the title row and the frame. A positive max_width or max_height (the
// screen's available area) stops the window there; the picture then
// scrolls, and its scroll bars (scroll_bar thick) get room of their own.
WindowSize viewer_window_size(double pw, double ph, double max_width = 0, double max_height = 0,
                              double scroll_bar = 0);

// Where the picture area (top left, the picture at its top left corner),
// the title box Text1 and the buttons Command2 ("前") and Command3 ("次")
// go in a client area (below the menu bar) of the given size.
struct ViewerControls {
  Box picture_area;
  Box Text1;
  Box Command2;
  Box Command3;
};
ViewerControls viewer_controls(double client_width, double client_height);

// The top left corner that keeps a window of the given size inside an area
// (the screen's available area): the corner asked for, moved left and up
// only as far as needed, and never past the area's left and top edges.
struct Point {
  double x = 0;
  double y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};
Point keep_inside(Point wanted, double width, double height, Box area);

}  // namespace picture_viewer
