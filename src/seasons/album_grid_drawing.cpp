// How the album's grid draws itself: the lines between the rows and the
// columns, this month's column, and the cells whose views are not made
// yet, which the grid draws as their views will.

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <algorithm>

#include "seasons/album_grid.h"
#include "seasons/flat_scroll_bar.h"
#include "seasons/tile_delegate.h"

namespace seasons {

namespace {

const QColor kCurrentMonth(255, 250, 205);

}  // namespace

// Only what meets the rectangle to paint is drawn: the grid is as tall as
// all its years, and a scroll step paints a strip of it.
void AlbumGrid::paintEvent(QPaintEvent* event) {
  const QRect area = event->rect();
  QPainter painter(this);
  painter.fillRect(area, palette().base());
  painter.fillRect(QRect(column_x(current_month_), area.top(), kCellWidth, area.height()), kCurrentMonth);
  painter.setPen(kAlbumLines);
  for (int m = 1; m <= 13; ++m) {
    if (column_x(m) >= area.left() && column_x(m) <= area.right())
      painter.drawLine(column_x(m), area.top(), column_x(m), area.bottom());
  }
  const int first = std::max(0, area.top() / cell_height_ - 1);
  const int last = std::min(static_cast<int>(years_.size()) - 1, area.bottom() / cell_height_ + 1);
  for (int row = first; row <= last; ++row) {
    const int y = row * cell_height_ + cell_height_ - 1;
    painter.drawLine(area.left(), y, area.right(), y);
  }
  // The area asked for may reach beyond the scroll area's viewport; tiles
  // there would ask for thumbnails nobody sees.
  const QRect seen = area & visibleRegion().boundingRect();
  painter.setClipRect(seen);
  for (const Cell& c : all_) {
    if (!c.view && c.where.intersects(seen)) paint_cell(painter, c);
  }
}

// A view shows a scroll bar when its tiles, kItem apart, are wider than
// the cell.
bool AlbumGrid::has_bar(const Cell& c) const {
  return static_cast<int>(c.pictures->size()) * kItem > c.where.width();
}

QRect AlbumGrid::tiles_area(const Cell& c) const {
  return has_bar(c) ? c.where.adjusted(0, 0, 0, -bar_height_) : c.where;
}

// The tiles as the view's delegate draws them, and its flat scroll bar at
// its start: when the view comes, nothing on the screen changes.
void AlbumGrid::paint_cell(QPainter& painter, const Cell& c) {
  const QRect tiles = tiles_area(c);
  painter.save();
  painter.setClipRect(tiles, Qt::IntersectClip);
  const QRect clip = painter.clipBoundingRect().toAlignedRect();
  for (size_t i = 0; i < c.pictures->size(); ++i) {
    // A sideways list stretches its items to its own height.
    const QRect item(tiles.left() + static_cast<int>(i) * kItem, tiles.top(), kItem, tiles.height());
    if (item.left() > clip.right()) break;
    if (item.intersects(clip)) paint_tile(painter, item.adjusted(3, 3, -3, -3), loader_, (*c.pictures)[i].path);
  }
  painter.restore();
  if (!has_bar(c)) return;
  QStyleOptionSlider bar;
  bar.initFrom(this);
  bar.rect = QRect(0, 0, c.where.width(), bar_height_);
  bar.orientation = Qt::Horizontal;
  bar.state |= QStyle::State_Horizontal;
  bar.subControls = QStyle::SC_All;
  bar.activeSubControls = QStyle::SC_None;
  bar.minimum = 0;
  bar.maximum = static_cast<int>(c.pictures->size()) * kItem - c.where.width();
  bar.pageStep = c.where.width();
  bar.singleStep = kItem / 2;
  bar.sliderPosition = 0;
  bar.sliderValue = 0;
  painter.save();
  painter.translate(c.where.left(), tiles.bottom() + 1);
  FlatScrollBar::paint(painter, bar, *style(), false);
  painter.restore();
}

void AlbumGrid::update_tiles(const QRect& sight, const QSet<QString>& paths) {
  for_each_tile(sight, [&](const Cell& c, int i) {
    if (!paths.contains((*c.pictures)[static_cast<size_t>(i)].path)) return;
    if (c.view) {
      c.view->viewport()->update(c.view->visualRect(c.view->model()->index(i, 0)));
    } else {
      const QRect tiles = tiles_area(c);
      update(QRect(tiles.left() + i * kItem, tiles.top(), kItem, tiles.height()).intersected(tiles));
    }
  });
}

}  // namespace seasons
