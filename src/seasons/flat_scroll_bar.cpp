#include "seasons/flat_scroll_bar.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>
#include <algorithm>

namespace seasons {

void FlatScrollBar::paintEvent(QPaintEvent*) {
  QStyleOptionSlider option;
  initStyleOption(&option);
  QPainter painter(this);
  paint(painter, option, *style(), isSliderDown(), this);
}

void FlatScrollBar::paint(QPainter& painter, const QStyleOptionSlider& option, const QStyle& style, bool pressed,
                          const QWidget* widget) {
  painter.fillRect(option.rect, QColor(238, 238, 234));
  const auto part = [&](QStyle::SubControl control) {
    return style.subControlRect(QStyle::CC_ScrollBar, &option, control, widget);
  };
  const bool across = option.orientation == Qt::Horizontal;
  const QRect slider = part(QStyle::SC_ScrollBarSlider);
  painter.fillRect(across ? slider.adjusted(1, 3, -1, -3) : slider.adjusted(3, 1, -3, -1),
                   pressed ? QColor(120, 120, 115) : QColor(175, 175, 170));
  painter.save();
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(110, 110, 105));
  for (const QStyle::SubControl control : {QStyle::SC_ScrollBarSubLine, QStyle::SC_ScrollBarAddLine}) {
    const QRect r = part(control);
    if (r.isEmpty()) continue;
    const QPoint c = r.center();
    const int d = std::max(2, std::min(r.width(), r.height()) / 4);
    // The arrow points away from the middle of the bar.
    const int tip = control == QStyle::SC_ScrollBarSubLine ? -d : d;
    const QPoint points[3] = {
        across ? QPoint(c.x() + tip, c.y()) : QPoint(c.x(), c.y() + tip),
        across ? QPoint(c.x() - tip, c.y() - d) : QPoint(c.x() - d, c.y() - tip),
        across ? QPoint(c.x() - tip, c.y() + d) : QPoint(c.x() + d, c.y() - tip),
    };
    painter.drawPolygon(points, 3);
  }
  painter.restore();
}

}  // namespace seasons
