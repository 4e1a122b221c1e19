#include "seasons/album_accessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <vector>

#include "seasons/album_grid.h"

namespace seasons {

namespace {

QString month_name(int year, int month) { return QStringLiteral("%1年%2月").arg(year).arg(month); }

// A rectangle of the grid (grid coordinates) on the screen.
QRect on_screen(const AlbumGrid* grid, QRect r) { return QRect(grid->mapToGlobal(r.topLeft()), r.size()); }

class GridAccessible;
class CellAccessible;

// Children are made when asked for and registered with Qt, which then
// owns their ids; the grid's interface deletes them when it goes.
class PictureAccessible : public QAccessibleInterface {
 public:
  PictureAccessible(GridAccessible* grid, CellAccessible* cell, store::AlbumPlace place)
      : parent_(grid), cell_(cell), place_(place) {}
  bool isValid() const override;
  QObject* object() const override { return nullptr; }
  QWindow* window() const override;
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessibleInterface* parent() const override;
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QString text(QAccessible::Text t) const override;
  void setText(QAccessible::Text, const QString&) override {}
  QRect rect() const override;
  QAccessible::Role role() const override { return QAccessible::Graphic; }
  QAccessible::State state() const override;

 private:
  GridAccessible* parent_;
  CellAccessible* cell_;
  store::AlbumPlace place_;
};

class CellAccessible : public QAccessibleInterface {
 public:
  CellAccessible(GridAccessible* parent, int row, int month) : parent_(parent), row_(row), month_(month) {}
  ~CellAccessible() override {
    for (const QAccessible::Id id : children_) {
      if (id) QAccessible::deleteAccessibleInterface(id);
    }
  }
  bool isValid() const override;
  QObject* object() const override { return nullptr; }
  QWindow* window() const override;
  QAccessibleInterface* childAt(int x, int y) const override {
    for (int i = 0; i < childCount(); ++i) {
      if (child(i)->rect().contains(x, y)) return child(i);
    }
    return nullptr;
  }
  QAccessibleInterface* parent() const override;
  QAccessibleInterface* child(int index) const override {
    if (index < 0 || index >= childCount()) return nullptr;
    children_.resize(static_cast<size_t>(childCount()), 0);
    QAccessible::Id& id = children_[static_cast<size_t>(index)];
    if (!id) id = QAccessible::registerAccessibleInterface(new PictureAccessible(parent_, const_cast<CellAccessible*>(this), {row_, month_, index}));
    return QAccessible::accessibleInterface(id);
  }
  int childCount() const override;
  int indexOfChild(const QAccessibleInterface* child) const override {
    for (int i = 0; i < childCount(); ++i) {
      if (this->child(i) == child) return i;
    }
    return -1;
  }
  QString text(QAccessible::Text t) const override;
  void setText(QAccessible::Text, const QString&) override {}
  QRect rect() const override;
  QAccessible::Role role() const override { return QAccessible::Cell; }
  QAccessible::State state() const override { return {}; }

 private:
  GridAccessible* parent_;
  int row_;
  int month_;
  mutable std::vector<QAccessible::Id> children_;
};

class GridAccessible : public QAccessibleWidget {
 public:
  explicit GridAccessible(AlbumGrid* grid) : QAccessibleWidget(grid, QAccessible::Table) {
    for (size_t row = 0; row < grid->years().size(); ++row) {
      for (int m = 1; m <= 12; ++m) {
        if (!grid->years()[row].months[static_cast<size_t>(m - 1)].empty()) cells_.push_back({static_cast<int>(row), m, 0});
      }
    }
  }
  ~GridAccessible() override {
    for (const Cell& c : cells_) {
      if (c.id) QAccessible::deleteAccessibleInterface(c.id);
    }
  }
  AlbumGrid* grid() const { return static_cast<AlbumGrid*>(widget()); }
  int childCount() const override { return static_cast<int>(cells_.size()); }
  QAccessibleInterface* child(int index) const override {
    if (index < 0 || index >= childCount()) return nullptr;
    Cell& c = cells_[static_cast<size_t>(index)];
    if (!c.id) c.id = QAccessible::registerAccessibleInterface(new CellAccessible(const_cast<GridAccessible*>(this), c.row, c.month));
    return QAccessible::accessibleInterface(c.id);
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    for (int i = 0; i < childCount(); ++i) {
      if (this->child(i) == child) return i;
    }
    return -1;
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    for (int i = 0; i < childCount(); ++i) {
      if (child(i)->rect().contains(x, y)) return child(i);
    }
    return nullptr;
  }
  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name) return QStringLiteral("季節アルバムの写真");
    return QAccessibleWidget::text(t);
  }
  // The interface of a picture, or nullptr.
  QAccessibleInterface* picture(store::AlbumPlace place) const {
    for (int i = 0; i < childCount(); ++i) {
      const Cell& c = cells_[static_cast<size_t>(i)];
      if (c.row == place.row && c.month == place.month) return child(i)->child(place.index);
    }
    return nullptr;
  }

 private:
  struct Cell {
    int row;
    int month;
    QAccessible::Id id;
  };
  mutable std::vector<Cell> cells_;
};

bool PictureAccessible::isValid() const {
  return parent_->isValid() && store::album_picture(parent_->grid()->years(), place_);
}
QWindow* PictureAccessible::window() const { return parent_->window(); }
QAccessibleInterface* PictureAccessible::parent() const { return cell_; }
QString PictureAccessible::text(QAccessible::Text t) const {
  const store::AlbumPicture* p = store::album_picture(parent_->grid()->years(), place_);
  if (!p) return {};
  if (t == QAccessible::Name) return accessible_picture_name(*p);
  if (t == QAccessible::Description) return p->path;
  return {};
}
QRect PictureAccessible::rect() const {
  AlbumGrid* grid = parent_->grid();
  return on_screen(grid, grid->tile_rect(place_));
}
QAccessible::State PictureAccessible::state() const {
  QAccessible::State s;
  s.focusable = true;
  s.selectable = true;
  const bool current = parent_->grid()->current() == place_;
  s.selected = current;
  s.focused = current && parent_->grid()->hasFocus();
  const QRect seen = parent_->grid()->visibleRegion().boundingRect();
  s.invisible = !seen.intersects(parent_->grid()->tile_rect(place_));
  return s;
}

bool CellAccessible::isValid() const { return parent_->isValid(); }
QWindow* CellAccessible::window() const { return parent_->window(); }
QAccessibleInterface* CellAccessible::parent() const { return parent_; }
int CellAccessible::childCount() const {
  const auto& years = parent_->grid()->years();
  if (row_ >= static_cast<int>(years.size())) return 0;
  return static_cast<int>(years[static_cast<size_t>(row_)].months[static_cast<size_t>(month_ - 1)].size());
}
QString CellAccessible::text(QAccessible::Text t) const {
  if (t != QAccessible::Name) return {};
  const auto& years = parent_->grid()->years();
  return row_ < static_cast<int>(years.size()) ? month_name(years[static_cast<size_t>(row_)].year, month_) : QString();
}
QRect CellAccessible::rect() const { return on_screen(parent_->grid(), parent_->grid()->cell_rect(row_, month_)); }

QAccessibleInterface* factory(const QString&, QObject* object) {
  if (auto* grid = qobject_cast<AlbumGrid*>(object)) return new GridAccessible(grid);
  return nullptr;
}

}  // namespace

void install_album_accessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(&factory);
    return true;
  }();
  Q_UNUSED(installed);
}

QString accessible_picture_name(const store::AlbumPicture& picture) {
  return QStringLiteral("%1年%2月%3日 %4")
      .arg(picture.date.year())
      .arg(picture.date.month())
      .arg(picture.date.day())
      .arg(picture.title);
}

void announce_current_picture(AlbumGrid* grid) {
  if (!QAccessible::isActive()) return;
  auto* iface = dynamic_cast<GridAccessible*>(QAccessible::queryAccessibleInterface(grid));
  QAccessibleInterface* picture = iface ? iface->picture(grid->current()) : nullptr;
  if (!picture) return;
  if (grid->hasFocus()) {
    QAccessibleEvent focus(picture, QAccessible::Focus);
    QAccessible::updateAccessibility(&focus);
  }
  QAccessibleEvent selection(picture, QAccessible::Selection);
  QAccessible::updateAccessibility(&selection);
}

}  // namespace seasons
