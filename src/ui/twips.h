#pragma once
// Geometry is designed in twips (1440 per inch); Qt works in device
// independent pixels at 96 logical DPI, so one pixel is 15 twips.

#include <cmath>

namespace ui {

inline constexpr int kTwipsPerPixel = 15;

// A control's place in its window's client area, in twips.
struct TwipsBox {
  double left = 0;
  double top = 0;
  double width = 0;
  double height = 0;
  friend bool operator==(const TwipsBox&, const TwipsBox&) = default;
};

inline int px(double twips) { return static_cast<int>(std::lround(twips / kTwipsPerPixel)); }
inline double twips(int pixels) { return static_cast<double>(pixels) * kTwipsPerPixel; }

}  // namespace ui
