#pragma once
// Geometry is designed in twips (1440 per inch); Qt works in device
// independent pixels at 96 logical DPI, so one pixel is 15 twips.

#include <cmath>

namespace ui {

inline constexpr int kTwipsPerPixel = 15;

// The main window and the memo editor are both designed at an outer size
// of 9450 × 6975 twips, and neither is laid out smaller.
inline constexpr double kDesignOuterWidth = 9450;
inline constexpr double kDesignOuterHeight = 6975;

// A control's place in its window's client area, in twips. The memo editor
// computes its boxes in single precision, the other windows in double.
template <typename T>
struct BasicTwipsBox {
  T left = 0;
  T top = 0;
  T width = 0;
  T height = 0;
  friend bool operator==(const BasicTwipsBox&, const BasicTwipsBox&) = default;
};
using TwipsBox = BasicTwipsBox<double>;

inline int px(double twips) { return static_cast<int>(std::lround(twips / kTwipsPerPixel)); }
inline double twips(int pixels) { return static_cast<double>(pixels) * kTwipsPerPixel; }

}  // namespace ui
