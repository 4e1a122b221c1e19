#include "seasons/tile_delegate.h"

#include <QPainter>
#include <QWidget>

namespace seasons {

void paint_tile(QPainter& painter, const QRect& rect, ThumbnailLoader& loader, const QString& path) {
  if (path.isEmpty()) return;
  const QPixmap* pixmap = loader.thumbnail(path);
  if (pixmap) {
    const QSize shown = pixmap->deviceIndependentSize().toSize().scaled(rect.size(), Qt::KeepAspectRatio);
    const QSize size = pixmap->width() <= rect.width() && pixmap->height() <= rect.height()
                           ? pixmap->deviceIndependentSize().toSize()
                           : shown;
    QRect target(QPoint(0, 0), size);
    target.moveCenter(rect.center());
    painter.drawPixmap(target, *pixmap);
    return;
  }
  painter.save();
  if (loader.state(path) == ThumbnailLoader::State::NoPicture) {
    // A picture that is missing or cannot be shown: a crossed-out tile.
    painter.fillRect(rect, QColor(250, 236, 236));
    painter.setPen(QColor(190, 90, 90));
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
    painter.drawLine(rect.topLeft() + QPoint(6, 6), rect.bottomRight() - QPoint(6, 6));
    painter.drawText(rect, Qt::AlignCenter, QStringLiteral("画像なし"));
  } else {
    // A plain tile while the thumbnail is made: a screen holds hundreds of
    // them at first, and no text needs laying out.
    painter.fillRect(rect, QColor(232, 232, 228));
  }
  painter.restore();
}

void TileDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const QRect tile = option.rect.adjusted(3, 3, -3, -3);
  const bool selected = option.state & QStyle::State_Selected;
  const bool focused = focus_owner_ ? selected && focus_owner_->hasFocus() : bool(option.state & QStyle::State_HasFocus);
  if (selected) {
    painter->fillRect(option.rect, option.palette.brush(focused || !focus_owner_ ? QPalette::Active : QPalette::Inactive,
                                                        QPalette::Highlight));
  }
  paint_tile(*painter, tile, loader_, index.data(kPathRole).toString());
  if (focused) {
    // A clear frame round the tile the keys act on, visible on any picture.
    painter->save();
    painter->setPen(QPen(option.palette.color(QPalette::Active, QPalette::Highlight).darker(160), 2));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(QRectF(option.rect).adjusted(1, 1, -1, -1));
    painter->restore();
  }
}

QSize TileDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const { return item_size_; }

}  // namespace seasons
