#pragma once
// Where the memo editor's controls go for a given window size. Everything
// is in twips, in single precision; the window's outer size is what the
// rules use.

#include "ui/twips.h"

namespace editor {

// The window as designed, and the least size it is laid out for.
inline constexpr float kDesignOuterWidth = static_cast<float>(ui::kDesignOuterWidth);
inline constexpr float kDesignOuterHeight = static_cast<float>(ui::kDesignOuterHeight);
inline constexpr float kLeastOuterWidth = kDesignOuterWidth;
inline constexpr float kLeastOuterHeight = 6475.0F;

using Box = ui::BasicTwipsBox<float>;

struct EditorLayout {
  // The outer size laid out for: the size asked for, raised to the least.
  float width = 0;
  float height = 0;

  Box Label1, Combo1, Label3, Combo2;
  Box Label6, Text2, Label2, Text1, Command3;
  Box Label5, Text3;
  Box List1, Command6, Command7, Command4, Command5;
  // Image1 is the picture area: a picture is shown at its top-left corner,
  // shrunk to fit it when it is larger.
  Box Image1;
  Box Label4;  // its width follows the path it shows
  Box Command2, Command1;
};

// The left column (the body) takes half of any width beyond the design, the
// right column (picture list, buttons, picture) the other half; the body and
// the picture take any height beyond the design, down to 500 twips less.
EditorLayout editor_layout(float outer_width, float outer_height);

}  // namespace editor
