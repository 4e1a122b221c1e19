#include "editor/editor_layout.h"

namespace editor {

EditorLayout editor_layout(float outer_width, float outer_height) {
  EditorLayout l;
  l.width = outer_width < kLeastOuterWidth ? kLeastOuterWidth : outer_width;
  l.height = outer_height < kLeastOuterHeight ? kLeastOuterHeight : outer_height;
  const float dw = l.width - kDesignOuterWidth;
  const float dh = l.height - kDesignOuterHeight;

  // Top rows: the location and title boxes stretch, the rest of their row
  // moves right.
  l.Label1 = {0, 60, 390, 195};
  l.Combo1 = {540, 0, 3375 + dw, 345};
  l.Label3 = {4140 + dw, 60, 390, 195};
  l.Combo2 = {4620 + dw, 0, 4635, 345};
  l.Label6 = {60, 480, 480, 225};
  l.Text2 = {540, 420, 5715 + dw, 390};
  l.Label2 = {6300 + dw, 480, 915, 225};
  l.Text1 = {7260 + dw, 420, 1335, 375};
  l.Command3 = {8580 + dw, 420, 675, 375};

  // Left column.
  l.Label5 = {60, 840, 4095, 195};
  l.Text3 = {60, 1080, 4995 + dw / 2, 5415 + dh};

  // Right column: the four picture buttons and the two closing buttons
  // share its width equally.
  l.List1 = {5100 + dw / 2, 1080, 4215 + dw / 2, 1410};
  l.Command6 = {5100 + dw * 4 / 8, 2520, 975 + dw / 8, 375};
  l.Command7 = {6180 + dw * 5 / 8, 2520, 975 + dw / 8, 375};
  l.Command4 = {7260 + dw * 6 / 8, 2520, 975 + dw / 8, 375};
  l.Command5 = {8340 + dw * 7 / 8, 2520, 975 + dw / 8, 375};
  l.Image1 = {5100 + dw / 2, 2940, 4215 + dw / 2, 3015 + dh};
  l.Label4 = {5160 + dw / 2, 5700 + dh, 645, 180};
  l.Command2 = {5100 + dw / 2, 6060 + dh, 2055 + dw / 4, 435};
  l.Command1 = {7260 + dw * 3 / 4, 6060 + dh, 2055 + dw / 4, 435};
  return l;
}

}  // namespace editor
