#include "photo_import/photo_strip.h"

#include <QApplication>
#include <QPainter>
#include <algorithm>

#include "seasons/thumbnail_loader.h"
#include "seasons/tile_delegate.h"

namespace photo_import {

namespace {

// The space before the first tile and between two tiles.
constexpr int kEdge = 2;
constexpr int kGap = 4;

}  // namespace

StripLayout strip_layout(int width, int side, int photos) {
  const int fit = std::max(1, width / (side + kGap));
  if (photos <= fit) return {std::max(0, photos), 0};
  return {fit - 1, photos - (fit - 1)};
}

int tile_at(int x, int side) {
  if (x < kEdge) return -1;
  const int step = side + kGap;
  return (x - kEdge) % step < side ? (x - kEdge) / step : -1;
}

int photo_of_tile(int tile, const StripLayout& layout) {
  if (tile < 0) return -1;
  if (tile < layout.shown) return tile;
  return tile == layout.shown && layout.more > 0 ? layout.shown : -1;
}

QRect tile_rect(const QRect& cell, int tile, int side) {
  return {cell.left() + kEdge + tile * (side + kGap), cell.top() + kEdge, side, side};
}

void paint_cell_focus(QPainter& painter, const QStyleOptionViewItem& option) {
  // Drawn as the style draws an item's focus, over the whole cell, and
  // also when the focus did not come by the keyboard.
  QStyleOptionFocusRect mark;
  mark.QStyleOption::operator=(option);
  mark.state |= QStyle::State_KeyboardFocusChange | QStyle::State_Item;
  const QPalette::ColorGroup group = (option.state & QStyle::State_Enabled) ? QPalette::Normal : QPalette::Disabled;
  mark.backgroundColor =
      option.palette.color(group, (option.state & QStyle::State_Selected) ? QPalette::Highlight : QPalette::Window);
  const QStyle* style = option.widget != nullptr ? option.widget->style() : QApplication::style();
  style->drawPrimitive(QStyle::PE_FrameFocusRect, &mark, &painter, option.widget);
}

StripDelegate::StripDelegate(seasons::ThumbnailLoader& loader, QObject* parent)
    : QStyledItemDelegate(parent), loader_(loader) {}

void StripDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const QStringList paths = index.data(kPathsRole).toStringList();
  // Nothing new on this day: the cell's text says so.
  if (paths.isEmpty()) {
    QStyledItemDelegate::paint(painter, option, index);
    return;
  }
  const int side = loader_.side();
  const StripLayout layout = strip_layout(option.rect.width(), side, static_cast<int>(paths.size()));
  painter->save();
  painter->setClipRect(option.rect);
  for (int i = 0; i < layout.shown; ++i) {
    const QRect tile = tile_rect(option.rect, i, side);
    if (hold_) {
      painter->fillRect(tile, QColor(232, 232, 228));
    } else {
      seasons::paint_tile(*painter, tile, loader_, paths[i]);
    }
  }
  if (layout.more > 0) paint_more(*painter, tile_rect(option.rect, layout.shown, side), layout.more, option);
  painter->restore();
  if (option.state & QStyle::State_HasFocus) paint_cell_focus(*painter, option);
}

void StripDelegate::paint_more(QPainter& painter, const QRect& tile, int more, const QStyleOptionViewItem& option) const {
  painter.fillRect(tile, option.palette.color(QPalette::Button));
  painter.setPen(option.palette.color(QPalette::Mid));
  painter.drawRect(tile.adjusted(0, 0, -1, -1));
  QFont font = option.font;
  if (font.pointSizeF() > 0) font.setPointSizeF(font.pointSizeF() * 1.4);
  font.setBold(true);
  painter.setFont(font);
  painter.setPen(option.palette.color(QPalette::ButtonText));
  painter.drawText(tile, Qt::AlignCenter, QStringLiteral("+%1").arg(more));
}

QSize StripDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const int side = loader_.side();
  const auto photos = index.data(kPathsRole).toStringList().size();
  if (photos == 0) return QStyledItemDelegate::sizeHint(option, index);
  return {static_cast<int>(photos) * (side + kGap) + kEdge, side + kGap};
}

}  // namespace photo_import
