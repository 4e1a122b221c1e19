#include "seasons/album_grid.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <algorithm>

#include "seasons/thumbnail_loader.h"
#include "seasons/tile_delegate.h"

namespace seasons {

namespace {

const QColor kCurrentMonth(255, 250, 205);

// A cell's sideways scroll bar, drawn flat: a screen of the album shows
// dozens of them, and the desktop style's shaded bars took most of the
// time of drawing it. It behaves as any scroll bar; only its look is
// simpler.
class FlatScrollBar : public QScrollBar {
 public:
  using QScrollBar::QScrollBar;

 protected:
  void paintEvent(QPaintEvent*) override {
    QStyleOptionSlider option;
    initStyleOption(&option);
    QPainter painter(this);
    painter.fillRect(rect(), QColor(238, 238, 234));
    const auto part = [&](QStyle::SubControl control) {
      return style()->subControlRect(QStyle::CC_ScrollBar, &option, control, this);
    };
    const bool dragging = isSliderDown();
    painter.fillRect(part(QStyle::SC_ScrollBarSlider).adjusted(1, 3, -1, -3),
                     dragging ? QColor(120, 120, 115) : QColor(175, 175, 170));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(110, 110, 105));
    for (const QStyle::SubControl control : {QStyle::SC_ScrollBarSubLine, QStyle::SC_ScrollBarAddLine}) {
      const QRect r = part(control);
      if (r.isEmpty()) continue;
      const QPoint c = r.center();
      const int d = std::max(2, std::min(r.width(), r.height()) / 4);
      const int tip = control == QStyle::SC_ScrollBarSubLine ? -d : d;
      const QPoint points[3] = {QPoint(c.x() + tip, c.y()), QPoint(c.x() - tip, c.y() - d), QPoint(c.x() - tip, c.y() + d)};
      painter.drawPolygon(points, 3);
    }
  }
};

QString tooltip(const store::AlbumPicture& p) {
  return p.title + QLatin1Char('\n') + p.date.toString(QStringLiteral("yyyy/MM/dd"));
}

}  // namespace

int CellModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(pictures_.size());
}

QVariant CellModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const store::AlbumPicture& p = picture(index.row());
  switch (role) {
    case Qt::ToolTipRole:
      return tooltip(p);
    case Qt::AccessibleTextRole:
      return p.title;
    case kPathRole:
      return p.path;
    default:
      return {};
  }
}

AlbumGrid::AlbumGrid(const std::vector<store::AlbumYear>& years, int current_month, ThumbnailLoader& loader,
                     QWidget* parent)
    : QWidget(parent), years_(years), current_month_(current_month), loader_(loader) {
  setObjectName(QStringLiteral("album_grid"));
  cell_height_ = kItem + style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 6;
  setFixedSize(column_x(13), cell_height_ * static_cast<int>(years.size()));
  int row = 0;
  for (const store::AlbumYear& year : years_) {
    for (int m = 1; m <= 12; ++m) {
      const auto& pictures = year.months[static_cast<size_t>(m - 1)];
      if (pictures.empty()) continue;
      const QRect where(column_x(m) + 2, row * cell_height_ + 2, kCellWidth - 4, cell_height_ - 4);
      all_.push_back({&pictures, where, QStringLiteral("cell_%1_%2").arg(year.year).arg(m)});
    }
    ++row;
  }
}

bool AlbumGrid::make_cells_near(const QRect& sight, int budget) {
  for (Cell& c : all_) {
    if (c.view || !c.where.intersects(sight)) continue;
    if (budget-- <= 0) return true;
    c.view = make_cell(*c.pictures, c.where, loader_);
    c.view->setObjectName(c.name);
    c.view->show();
    cells_.push_back(c.view);
  }
  return false;
}

void AlbumGrid::for_each_tile_in(const QRect& sight,
                                 const std::function<void(QListView*, int, const store::AlbumPicture&)>& each) const {
  for (const Cell& c : all_) {
    QRect seen = c.where.intersected(sight);
    if (c.view && c.view->horizontalScrollBar()->isVisible()) {
      // The cell's own scroll bar hides the bottom of its tiles, not them.
      seen.setBottom(std::min(seen.bottom(), c.where.top() + c.view->viewport()->height() - 1));
    }
    if (seen.isEmpty()) continue;
    // A cell's view lays its tiles out from its left edge, kItem apart,
    // moved by its own sideways scrolling.
    const int scrolled = c.view ? c.view->horizontalScrollBar()->value() : 0;
    const int first = (seen.left() - c.where.left() + scrolled) / kItem;
    const int last = (seen.right() - c.where.left() + scrolled) / kItem;
    for (int i = first; i <= last && i < static_cast<int>(c.pictures->size()); ++i) {
      each(c.view, i, (*c.pictures)[static_cast<size_t>(i)]);
    }
  }
}

QStringList AlbumGrid::paths_in(const QRect& sight) const {
  QStringList paths;
  for_each_tile_in(sight, [&](QListView*, int, const store::AlbumPicture& p) { paths << p.path; });
  return paths;
}

QListView* AlbumGrid::make_cell(const std::vector<store::AlbumPicture>& pictures, QRect where,
                                ThumbnailLoader& loader) {
  auto* view = new QListView(this);
  auto* model = new CellModel(pictures, view);
  view->setModel(model);
  view->setItemDelegate(new TileDelegate(loader, QSize(kItem, kItem), view));
  view->setFlow(QListView::LeftToRight);
  view->setWrapping(false);
  view->setUniformItemSizes(true);
  view->setGridSize(QSize(kItem, kItem));
  view->setHorizontalScrollBar(new FlatScrollBar(Qt::Horizontal, view));
  view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  view->horizontalScrollBar()->setSingleStep(kItem / 2);
  view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  view->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  view->setSelectionMode(QAbstractItemView::SingleSelection);
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view->setFrameShape(QFrame::NoFrame);
  view->setAutoFillBackground(false);
  view->viewport()->setAutoFillBackground(false);
  view->setGeometry(where);
  connect(view, &QListView::clicked, this,
          [this, model](const QModelIndex& index) { Q_EMIT picture_clicked(model->picture(index.row())); });
  connect(view, &QListView::doubleClicked, this,
          [this, model](const QModelIndex& index) { Q_EMIT picture_double_clicked(model->picture(index.row())); });
  return view;
}

void AlbumGrid::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.fillRect(event->rect(), palette().base());
  painter.fillRect(QRect(column_x(current_month_), 0, kCellWidth, height()), kCurrentMonth);
  painter.setPen(kAlbumLines);
  for (int m = 1; m <= 13; ++m) painter.drawLine(column_x(m), 0, column_x(m), height());
  for (size_t row = 0; row < years_.size(); ++row) {
    const int y = static_cast<int>(row) * cell_height_;
    painter.drawLine(0, y + cell_height_ - 1, width(), y + cell_height_ - 1);
  }
}

}  // namespace seasons
