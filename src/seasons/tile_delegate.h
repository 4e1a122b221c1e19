#pragma once
// The pieces both seasons windows draw thumbnails with: a tile painter
// (the thumbnail, a placeholder while it is made, or a clear "no picture"
// tile) and the item delegate that uses it.

#include <QStyledItemDelegate>

#include "seasons/thumbnail_loader.h"

namespace seasons {

// Model roles: the picture's path (empty for a memo without pictures).
inline constexpr int kPathRole = Qt::UserRole + 1;

// Draws the tile for the picture into `rect`, asking the loader for the
// thumbnail when it is not ready.
void paint_tile(QPainter& painter, const QRect& rect, ThumbnailLoader& loader, const QString& path);

class TileDelegate : public QStyledItemDelegate {
 public:
  // `focus_owner`: the widget that takes the keys for the view (the
  // album's grid); while it has the focus the selected tile is drawn
  // focused. Without one, the view's own focus counts.
  TileDelegate(ThumbnailLoader& loader, QSize item_size, QObject* parent = nullptr,
               const QWidget* focus_owner = nullptr)
      : QStyledItemDelegate(parent), loader_(loader), item_size_(item_size), focus_owner_(focus_owner) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  ThumbnailLoader& loader_;
  QSize item_size_;
  const QWidget* focus_owner_;
};

}  // namespace seasons
