#pragma once
// The main window's layout arithmetic, in twips and without widgets: where
// every control goes for an outer window size, how tall the memo list may
// be, and what the divider between the list and the lower pane does while
// it is dragged. Main_form applies the results to its controls.
//
// All positions are in the client area's coordinates (below the menu bar);
// W and H are the window's outer width and height, GH the list's height.

#include "ui/twips.h"

namespace main_layout {

// The smallest outer window: the size the window is designed at.
inline constexpr double kMinOuterWidth = ui::kDesignOuterWidth;
inline constexpr double kMinOuterHeight = ui::kDesignOuterHeight;

// The list's top edge never moves.
inline constexpr double kGridTop = 480;

// The divider keeps the list at least this tall ...
inline constexpr double kShortestGrid = 1000;
// ... and leaves at least this much for the body box below it.
inline constexpr double kShortestBody = 1000;

using Box = ui::TwipsBox;

// Where the controls go for one window size (Form_Resize). The labels are
// sized to their text, so only their positions are laid out.
struct MainLayout {
  // The size laid out for: never below the minimum size. A smaller window
  // is laid out as if it had the minimum size.
  double outer_width = 0;
  double outer_height = 0;
  // The list's height after the floor that keeps the lower pane usable.
  double grid_height = 0;

  Box Combo1;
  double Label2_left = 0;
  Box Combo2;
  Box Command2;
  Box Grid1;
  Box Text2;
  Box List1;
  // Image1 is the picture area: a picture is fitted into it.
  Box Image1;
  double Label3_left = 0;
  double Label3_top = 0;
  Box Text1;
  Box Command7;
  Box Command8;
  Box Command6;
};

MainLayout layout_main(double outer_width, double outer_height, double grid_height);

// True when the pointer at height y over the bare window surface is on the
// divider: below the list (less its last 60 twips) and above the body box.
bool over_divider(double grid_height, double text2_top, double y);

// The heights and tops the divider sets when the pointer is at height y.
// The list stays between kShortestGrid and H - 2725 high.
struct DividerLayout {
  double grid_height = 0;
  double Text2_top = 0;
  double Text2_height = 0;
  double List1_top = 0;
  double Image1_top = 0;
  double Image1_height = 0;
  friend bool operator==(const DividerLayout&, const DividerLayout&) = default;
};

DividerLayout divider_at(double outer_height, double y);

}  // namespace main_layout
