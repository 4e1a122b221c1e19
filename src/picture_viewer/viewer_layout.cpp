#include "picture_viewer/viewer_layout.h"

#include <algorithm>

namespace picture_viewer {

WindowSize viewer_window_size(double pw, double ph, double max_width, double max_height, double scroll_bar) {
  const double below_picture = kTitleRowHeight + kFrameHeight;
  const bool too_wide = max_width > 0 && pw > max_width;
  const bool too_tall = max_height > 0 && ph + below_picture > max_height;
  // A scroll bar along one side takes room from the other direction, which
  // may then have to scroll too.
  const bool across = too_wide || (too_tall && max_width > 0 && pw + scroll_bar > max_width);
  const bool down = too_tall || (across && max_height > 0 && ph + scroll_bar + below_picture > max_height);
  WindowSize size;
  size.width = std::max(pw + (down ? scroll_bar : 0), kMinWindowWidth);
  size.height = ph + (across ? scroll_bar : 0) + below_picture;
  if (max_width > 0) size.width = std::min(size.width, max_width);
  if (max_height > 0) size.height = std::min(size.height, max_height);
  size.scrolls = across || down;
  return size;
}

ViewerControls viewer_controls(double client_width, double client_height) {
  ViewerControls c;
  const double area_height = std::max(0.0, client_height - kTitleRowHeight);
  c.picture_area = {0, 0, client_width, area_height};
  const double text_width = std::max(0.0, client_width - kTitleWidthShortfall);
  c.Text1 = {0, area_height, text_width, kTitleRowHeight};
  c.Command2 = {text_width, area_height, kButtonWidth, kTitleRowHeight};
  c.Command3 = {text_width + kButtonWidth, area_height, kButtonWidth, kTitleRowHeight};
  return c;
}

Point keep_inside(Point wanted, double width, double height, Box area) {
  Point p = wanted;
  p.x = std::min(p.x, area.left + area.width - width);
  p.y = std::min(p.y, area.top + area.height - height);
  p.x = std::max(p.x, area.left);
  p.y = std::max(p.y, area.top);
  return p;
}

}  // namespace picture_viewer
