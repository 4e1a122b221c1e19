#pragma once
// The album's scroll bars, drawn flat with solid fills: a screen of the
// album shows dozens of them (one per cell), and the desktop style's shaded
// bars took most of the time of drawing it. The style's shading also hands
// its blending to the shared thread pool and waits for it, so that a
// scroll step would wait for whatever else runs in that pool. They behave
// as any scroll bar; only their look is simpler.

#include <QScrollBar>

class QPainter;
class QStyleOptionSlider;

namespace seasons {

class FlatScrollBar : public QScrollBar {
 public:
  using QScrollBar::QScrollBar;

  // Draws a bar as FlatScrollBar draws itself, from its style option
  // alone (its rect at the painter's origin): the album's grid draws the
  // bars of the cells whose views are not made yet with it.
  static void paint(QPainter& painter, const QStyleOptionSlider& option, const QStyle& style, bool pressed,
                    const QWidget* widget = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace seasons
