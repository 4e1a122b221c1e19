#include "main_window/main_layout.h"

#include <algorithm>

namespace main_layout {

namespace {

// Terms of the height rules: the outer height H less kAboveGrid, the list,
// a gap and kBottomRow (the window frame, the hint box and the buttons) is
// what the lower pane gets.
constexpr double kAboveGrid = 420;
constexpr double kBottomRow = 1200;
constexpr double kGap = 55;
constexpr double kList1Height = 645;

// The lowest divider position that still leaves the body box its floor
// (H - 2250), computed in single precision.
float lowest_divider(double outer_height) {
  return static_cast<float>(outer_height) - 1200.0F - 1000.0F - 50.0F;
}

// The highest divider position: it leaves the list kShortestGrid high.
constexpr double kHighestDivider = 1470;

}  // namespace

MainLayout layout_main(double outer_width, double outer_height, double grid_height) {
  MainLayout l;
  const double W = std::max(outer_width, kMinOuterWidth);
  const double H = std::max(outer_height, kMinOuterHeight);
  l.outer_width = W;
  l.outer_height = H;

  // Widths: the body box takes half of the extra width, the picture column
  // moves right by half and widens by half, the list, the hint box and the
  // buttons take all of it.
  const double d = W - kMinOuterWidth;
  const double half = d / 2;
  l.Combo1 = {540, 60, half + 3315, 315};
  l.Label2_left = half + 3830;
  l.Combo2 = {half + 4380, 60, half + 3915, 315};
  l.Command2 = {d + 8400, 60, 855, 315};

  // The list floor: at least kShortestBody stays below the list.
  double GH = grid_height;
  if (H - kAboveGrid - GH - 105 - kBottomRow < kShortestBody) GH = H - kAboveGrid - 105 - kShortestBody - kBottomRow;
  l.grid_height = GH;
  const double GB = kGridTop + GH;
  const double e = H - kMinOuterHeight;

  l.Grid1 = {0, kGridTop, d + 9315, GH};
  l.Text2 = {60, GB + kGap, half + 5535, H - kAboveGrid - GH - kGap - kBottomRow};
  l.List1 = {half + 5640, GB + kGap, half + 3675, kList1Height};
  l.Image1 = {half + 5640, GB + kGap + kList1Height + kGap, half + 3675,
              H - kAboveGrid - GH - kGap - kList1Height - kGap - kBottomRow};
  l.Label3_left = half + 5700;
  l.Label3_top = e + 5520;
  l.Text1 = {60, e + 5880, d + 5895, 315};
  l.Command7 = {d + 6000, e + 5820, 975, 435};
  l.Command8 = {d + 7080, e + 5820, 975, 435};
  l.Command6 = {d + 8160, e + 5820, 1155, 435};
  return l;
}

bool over_divider(double grid_height, double text2_top, double y) {
  return grid_height + kAboveGrid < y && y < text2_top;
}

DividerLayout divider_at(double outer_height, double y) {
  const double H = outer_height;
  DividerLayout l;
  if (static_cast<float>(y) > lowest_divider(H)) {
    // The list as tall as allowed: the body box keeps its floor.
    l.grid_height = H - kAboveGrid - kBottomRow - kShortestBody - 105;
    l.Text2_top = l.grid_height + kAboveGrid + 105;
    l.Text2_height = kShortestBody;
    l.List1_top = l.Text2_top;
    l.Image1_top = l.Text2_top + 720;
    l.Image1_height = 280;
    return l;
  }
  // Above the highest position the list keeps its floor.
  const double Y = y < kHighestDivider ? kHighestDivider : y;
  l.grid_height = Y - kAboveGrid - 50;
  l.Text2_top = Y + kGap;
  l.Text2_height = H - Y - kGap - kBottomRow;
  l.List1_top = Y + kGap;
  l.Image1_top = Y + kGap + 720;
  l.Image1_height = H - Y - kGap - kBottomRow - 720;
  return l;
}

}  // namespace main_layout
