#pragma once
// A day's new photos as a strip of thumbnails in the import window's
// table. The strip shows as many tiles as its cell has room for; when the
// day holds more, the last tile is a 「+n」 tile counting those not shown.
// A day with nothing new shows that in words rather than an empty cell.

#include <QRect>
#include <QStyledItemDelegate>

namespace seasons {
class ThumbnailLoader;
}

namespace photo_import {

// The strip's photos, in the item of the Photos column.
inline constexpr int kPathsRole = Qt::UserRole + 1;

// What a strip `width` pixels wide shows of `photos` photos with tiles of
// `side` pixels: the first `shown` photos, then a 「+more」 tile when
// `more` > 0. At least one tile, whatever the width.
struct StripLayout {
  int shown = 0;
  int more = 0;
};
StripLayout strip_layout(int width, int side, int photos);

// The tile at `x` (from the cell's left edge), 0-based; -1 beside every
// tile.
int tile_at(int x, int side);
// The photo a tile opens, 0-based: its own, or for the 「+n」 tile the
// first of those it counts; -1 when `tile` is no tile of the strip.
int photo_of_tile(int tile, const StripLayout& layout);

// The pixel box of tile `tile` in a cell at `cell`.
QRect tile_rect(const QRect& cell, int tile, int side);

// The mark of the current cell, over the whole cell (a custom-drawn cell's
// own mark would be drawn by the style only after a key moved the focus).
void paint_cell_focus(QPainter& painter, const QStyleOptionViewItem& option);

// The day's photos as a row of thumbnails, redrawn as they arrive. While
// the folder is read the tiles are plain and no thumbnail is asked for:
// making one reads the whole photo, which on a card or a phone competes
// with reading the heads of all the others.
class StripDelegate : public QStyledItemDelegate {
 public:
  StripDelegate(seasons::ThumbnailLoader& loader, QObject* parent);
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  void hold_thumbnails(bool hold) { hold_ = hold; }

 private:
  void paint_more(QPainter& painter, const QRect& tile, int more, const QStyleOptionViewItem& option) const;

  seasons::ThumbnailLoader& loader_;
  bool hold_ = false;
};

}  // namespace photo_import
