#include "seasons/album_grid.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>
#include <algorithm>
#include <optional>

#include "seasons/album_accessible.h"
#include "seasons/flat_scroll_bar.h"
#include "seasons/thumbnail_loader.h"
#include "seasons/tile_delegate.h"

namespace seasons {

namespace {

// A cell's sideways list of tiles. The wheel turned over it scrolls the
// album up and down, as it does over the rest of the grid: Qt's own
// sideways list would scroll the one cell under the pointer instead.
// Turned sideways, or with Shift or Alt held, it scrolls the cell.
class CellView : public QListView {
 public:
  using QListView::QListView;

 protected:
  void wheelEvent(QWheelEvent* event) override {
    const QPoint turn = event->angleDelta();
    if (std::abs(turn.y()) > std::abs(turn.x()) && !(event->modifiers() & (Qt::ShiftModifier | Qt::AltModifier))) {
      for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
        if (auto* album = qobject_cast<QAbstractScrollArea*>(w)) {
          QCoreApplication::sendEvent(album->viewport(), event);
          return;
        }
      }
    }
    QListView::wheelEvent(event);
  }
};

// A mouse event on the grid, handed to a cell's view as if it had come
// there.
void hand_over(QWidget* from, QMouseEvent* event, QListView* view) {
  QWidget* to = view->viewport();
  QMouseEvent copy(event->type(), to->mapFrom(from, event->position()), event->scenePosition(), event->globalPosition(),
                   event->button(), event->buttons(), event->modifiers(), event->pointingDevice());
  QCoreApplication::sendEvent(to, &copy);
}

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
  install_album_accessibility();
  // The grid takes the keys and walks its pictures itself; the cells'
  // views never take the focus, so that Tab leaves the album's pictures
  // in one step.
  setFocusPolicy(Qt::StrongFocus);
  // The grid fills every rectangle it paints, so the scroll area's own
  // background under it is never painted first.
  setAttribute(Qt::WA_OpaquePaintEvent);
  // A cell's views are made later; the pointer over a cell makes its
  // view, so the grid follows the mouse.
  setMouseTracking(true);
  bar_height_ = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  cell_height_ = kItem + bar_height_ + 6;
  setFixedSize(column_x(13), cell_height_ * static_cast<int>(years.size()));
  int row = 0;
  for (const store::AlbumYear& year : years_) {
    for (int m = 1; m <= 12; ++m) {
      const auto& pictures = year.months[static_cast<size_t>(m - 1)];
      if (pictures.empty()) continue;
      const QRect where(column_x(m) + 2, row * cell_height_ + 2, kCellWidth - 4, cell_height_ - 4);
      all_.push_back({&pictures, where, QStringLiteral("cell_%1_%2").arg(year.year).arg(m), row, m});
    }
    ++row;
  }
}

bool AlbumGrid::make_cells_near(const QRect& sight, int& budget) {
  for (Cell& c : all_) {
    if (c.view || !c.where.intersects(sight)) continue;
    if (budget <= 0) return true;
    --budget;
    c.view = make_cell(*c.pictures, c.where, loader_);
    c.view->setObjectName(c.name);
    connect(c.view, &QListView::pressed, this, [this, row = c.row, month = c.month](const QModelIndex& index) {
      set_current({row, month, index.row()});
      setFocus(Qt::MouseFocusReason);
      Q_EMIT current_changed(current_);
    });
    if (c.row == current_.row && c.month == current_.month) {
      const QModelIndex index = c.view->model()->index(current_.index, 0);
      c.view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    }
    c.view->show();
    cells_.push_back(c.view);
  }
  return false;
}

AlbumGrid::Cell* AlbumGrid::cell_of(store::AlbumPlace place) {
  return const_cast<Cell*>(static_cast<const AlbumGrid*>(this)->cell_of(place));
}

const AlbumGrid::Cell* AlbumGrid::cell_of(store::AlbumPlace place) const {
  const auto found = std::find_if(all_.begin(), all_.end(),
                                  [&](const Cell& c) { return c.row == place.row && c.month == place.month; });
  return found == all_.end() ? nullptr : &*found;
}

QListView* AlbumGrid::view_of(store::AlbumPlace place, bool make) {
  Cell* c = cell_of(place);
  if (!c) return nullptr;
  if (!c->view && make) make_cells_near(c->where);
  return c->view;
}

QListView* AlbumGrid::view_at(QPoint point) {
  const int row = point.y() / cell_height_;
  for (int m = 1; m <= 12; ++m) {
    if (cell_rect(row, m).contains(point)) {
      Cell* c = cell_of({row, m, 0});
      return c && c->where.contains(point) ? view_of({row, m, 0}, true) : nullptr;
    }
  }
  return nullptr;
}

void AlbumGrid::mouseMoveEvent(QMouseEvent* event) {
  if (pressed_view_) {
    hand_over(this, event, pressed_view_);
    return;
  }
  // The view is there before a press, a tooltip or the wheel needs it.
  view_at(event->position().toPoint());
  QWidget::mouseMoveEvent(event);
}

void AlbumGrid::mousePressEvent(QMouseEvent* event) {
  if (QListView* view = view_at(event->position().toPoint())) {
    pressed_view_ = view;
    hand_over(this, event, view);
    return;
  }
  QWidget::mousePressEvent(event);
}

void AlbumGrid::mouseReleaseEvent(QMouseEvent* event) {
  if (QListView* view = std::exchange(pressed_view_, nullptr)) {
    hand_over(this, event, view);
    return;
  }
  QWidget::mouseReleaseEvent(event);
}

QRect AlbumGrid::cell_rect(int row, int month) const {
  return QRect(column_x(month), row * cell_height_, kCellWidth, cell_height_);
}

QRect AlbumGrid::tile_rect(store::AlbumPlace place) const {
  const Cell* c = cell_of(place);
  if (!c) return {};
  const int scrolled = c->view ? c->view->horizontalScrollBar()->value() : 0;
  return QRect(c->where.left() + place.index * kItem - scrolled, c->where.top(), kItem, kItem);
}

void AlbumGrid::set_current(store::AlbumPlace place) {
  if (!store::album_picture(years_, place)) return;
  if (current_.valid() && (current_.row != place.row || current_.month != place.month)) {
    if (QListView* old = view_of(current_, false)) old->clearSelection();
  }
  current_ = place;
  if (QListView* view = view_of(place, true)) {
    const QModelIndex index = view->model()->index(place.index, 0);
    view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    view->scrollTo(index);
  }
}

void AlbumGrid::update_current_tile() {
  if (QListView* view = view_of(current_, false)) view->viewport()->update();
}

// Left and Right walk the pictures in time order (on over the months and
// into the neighbouring year), Up and Down go to the row above or below at
// the same month (or the picture of that year nearest to it), Home and
// End to the current year's first and last picture: see store::album_move.
// Enter opens the picture as a double-click does.
void AlbumGrid::keyPressEvent(QKeyEvent* event) {
  std::optional<store::AlbumMove> move;
  switch (event->key()) {
    case Qt::Key_Right: move = store::AlbumMove::Next; break;
    case Qt::Key_Left: move = store::AlbumMove::Previous; break;
    case Qt::Key_Up: move = store::AlbumMove::Up; break;
    case Qt::Key_Down: move = store::AlbumMove::Down; break;
    case Qt::Key_Home: move = store::AlbumMove::YearFirst; break;
    case Qt::Key_End: move = store::AlbumMove::YearLast; break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (const store::AlbumPicture* p = store::album_picture(years_, current_)) Q_EMIT picture_entered(*p);
      return;
    default:
      QWidget::keyPressEvent(event);
      return;
  }
  if (event->modifiers() & ~Qt::KeypadModifier) {
    QWidget::keyPressEvent(event);
    return;
  }
  const store::AlbumPlace to = store::album_move(years_, current_, *move);
  if (to == current_) return;
  set_current(to);
  Q_EMIT current_changed(current_);
  Q_EMIT picture_keyed(*store::album_picture(years_, current_));
}

void AlbumGrid::focusInEvent(QFocusEvent* event) {
  QWidget::focusInEvent(event);
  update_current_tile();
  if (current_.valid()) Q_EMIT current_changed(current_);
}

void AlbumGrid::focusOutEvent(QFocusEvent* event) {
  QWidget::focusOutEvent(event);
  update_current_tile();
}

void AlbumGrid::for_each_tile(const QRect& sight, const std::function<void(const Cell&, int)>& each) const {
  for (const Cell& c : all_) {
    QRect seen = c.where.intersected(sight);
    // The cell's own scroll bar hides the bottom of its tiles, not them.
    if (c.view ? c.view->horizontalScrollBar()->isVisible() : has_bar(c)) {
      seen.setBottom(std::min(seen.bottom(), tiles_area(c).bottom()));
    }
    if (seen.isEmpty()) continue;
    // A cell's view lays its tiles out from its left edge, kItem apart,
    // moved by its own sideways scrolling.
    const int scrolled = c.view ? c.view->horizontalScrollBar()->value() : 0;
    const int first = (seen.left() - c.where.left() + scrolled) / kItem;
    const int last = (seen.right() - c.where.left() + scrolled) / kItem;
    for (int i = first; i <= last && i < static_cast<int>(c.pictures->size()); ++i) each(c, i);
  }
}

void AlbumGrid::for_each_tile_in(const QRect& sight,
                                 const std::function<void(QListView*, int, const store::AlbumPicture&)>& each) const {
  for_each_tile(sight, [&](const Cell& c, int i) { each(c.view, i, (*c.pictures)[static_cast<size_t>(i)]); });
}

QStringList AlbumGrid::paths_in(const QRect& sight) const {
  QStringList paths;
  for_each_tile_in(sight, [&](QListView*, int, const store::AlbumPicture& p) { paths << p.path; });
  return paths;
}

QListView* AlbumGrid::make_cell(const std::vector<store::AlbumPicture>& pictures, QRect where,
                                ThumbnailLoader& loader) {
  auto* view = new CellView(this);
  auto* model = new CellModel(pictures, view);
  view->setModel(model);
  view->setItemDelegate(new TileDelegate(loader, QSize(kItem, kItem), view, this));
  view->setFocusPolicy(Qt::NoFocus);
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

}  // namespace seasons
