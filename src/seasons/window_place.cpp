#include "seasons/window_place.h"

#include <QStringList>
#include <algorithm>

namespace seasons {

namespace {

// The position that puts [start, start + length) inside [low, high).
int inside(int start, int length, int low, int high) { return std::max(low, std::min(start, high - length)); }

}  // namespace

QRect place_beside(QSize wanted, QSize minimum, QRect main, QRect screen) {
  const QSize size = wanted.expandedTo(minimum).boundedTo(screen.size());
  const int screen_end_x = screen.x() + screen.width();
  const int screen_end_y = screen.y() + screen.height();
  const int right_room = screen_end_x - (main.x() + main.width());
  const int left_room = main.x() - screen.x();
  const int top = inside(main.y(), size.height(), screen.y(), screen_end_y);
  if (right_room >= minimum.width()) {
    const int width = std::min(size.width(), right_room);
    return QRect(main.x() + main.width(), top, width, size.height());
  }
  if (left_room >= minimum.width()) {
    const int width = std::min(size.width(), left_room);
    return QRect(main.x() - width, top, width, size.height());
  }
  // Over the lower half: the list's first rows and the caption stay seen.
  int lower = main.y() + main.height() / 2;
  int height = std::min(size.height(), screen_end_y - lower);
  if (height < minimum.height()) {
    height = std::min(minimum.height(), screen.height());
    lower = screen_end_y - height;
  }
  return QRect(inside(main.x(), size.width(), screen.x(), screen_end_x), lower, size.width(), height);
}

std::optional<QRect> kept_place(QRect kept, QSize minimum, QRect screen) {
  if (kept.width() < minimum.width() || kept.height() < minimum.height()) return std::nullopt;
  const QRect seen = kept.intersected(screen);
  if (seen.width() < 100 || seen.height() < 50) return std::nullopt;
  const QSize size = kept.size().boundedTo(screen.size());
  return QRect(inside(kept.x(), size.width(), screen.x(), screen.x() + screen.width()),
               inside(kept.y(), size.height(), screen.y(), screen.y() + screen.height()), size.width(), size.height());
}

QString place_text(QRect place) {
  return QStringLiteral("%1,%2,%3,%4").arg(place.x()).arg(place.y()).arg(place.width()).arg(place.height());
}

std::optional<QRect> parse_place(const QString& text) {
  const QStringList parts = text.split(QLatin1Char(','));
  if (parts.size() != 4) return std::nullopt;
  int n[4];
  for (int i = 0; i < 4; ++i) {
    bool ok = false;
    n[i] = parts[i].trimmed().toInt(&ok);
    if (!ok) return std::nullopt;
  }
  if (n[2] <= 0 || n[3] <= 0) return std::nullopt;
  return QRect(n[0], n[1], n[2], n[3]);
}

}  // namespace seasons
