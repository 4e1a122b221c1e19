#pragma once
// The body of the seasons album: one row per year (newest first), one
// column per month, and in each cell that has pictures a sideways list of
// their tiles. Empty cells hold no widget at all, so thousands of pictures
// in many years stay cheap: a cell's list view draws only the tiles in
// sight. Until a cell's view is made, the grid draws the cell itself, tile
// for tile as the view will, so that opening and scrolling need no views
// at once; the view comes when the pointer reaches the cell, when the
// keyboard goes there, or a few per turn once the thumbnails in sight
// have come.

#include <QAbstractListModel>
#include <QColor>
#include <QListView>
#include <QPointer>
#include <QSet>
#include <QWidget>
#include <functional>
#include <vector>

#include "seasons/thumbnail_loader.h"
#include "store/seasons/season_album.h"

namespace seasons {

// The colour of the lines between the album's rows and columns.
inline const QColor kAlbumLines(210, 210, 205);

// The pictures of one month of one year.
class CellModel : public QAbstractListModel {
  Q_OBJECT

 public:
  CellModel(const std::vector<store::AlbumPicture>& pictures, QObject* parent)
      : QAbstractListModel(parent), pictures_(pictures) {}
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  const store::AlbumPicture& picture(int row) const { return pictures_[static_cast<size_t>(row)]; }

 private:
  const std::vector<store::AlbumPicture>& pictures_;
};

class AlbumGrid : public QWidget {
  Q_OBJECT

 public:
  // Geometry of the grid, in pixels.
  static constexpr int kTile = AlbumTileSide;
  static constexpr int kItem = kTile + 8;
  static constexpr int kYearWidth = 64;
  static constexpr int kCellWidth = 2 * kItem + 8;
  static constexpr int kHeaderHeight = 24;

  // `years` must outlive the grid. `current_month` (1 to 12) is marked.
  AlbumGrid(const std::vector<store::AlbumYear>& years, int current_month, ThumbnailLoader& loader,
            QWidget* parent = nullptr);

  // The cell views made so far, in the order they were made.
  const std::vector<QListView*>& cells() const { return cells_; }
  // Makes the views of the cells that meet the rectangle (grid
  // coordinates); a cell's view is made when it first comes near sight,
  // so that opening an album of many years stays one short step.
  // At most `budget` views are made, and `budget` is lowered by the number
  // made; true when more are still to make.
  bool make_cells_near(const QRect& sight, int& budget);
  void make_cells_near(const QRect& sight) {
    int all = 1 << 30;
    make_cells_near(sight, all);
  }
  int cell_height() const { return cell_height_; }
  // Calls each(view, row, picture) for every tile that meets the rectangle
  // (grid coordinates), worked out from the grid's geometry and each
  // cell's sideways scrolling: also for cells whose views are not made yet
  // (view is then nullptr).
  void for_each_tile_in(const QRect& sight,
                        const std::function<void(QListView*, int, const store::AlbumPicture&)>& each) const;
  QStringList paths_in(const QRect& sight) const;
  // Draws again the tiles that meet the rectangle and show one of the
  // pictures (their thumbnails arrived).
  void update_tiles(const QRect& sight, const QSet<QString>& paths);
  // The x position of a month's column (1 to 12).
  static int column_x(int month) { return kYearWidth + (month - 1) * kCellWidth; }

  const std::vector<store::AlbumYear>& years() const { return years_; }
  // The picture the keyboard stands on; drawn selected, and focused while
  // the grid has the focus.
  store::AlbumPlace current() const { return current_; }
  // Makes the place current and scrolls its cell sideways to it; nothing
  // else follows (no signal).
  void set_current(store::AlbumPlace place);
  // A cell's box and a picture's tile, in grid coordinates (the tile as
  // its cell shows it now, scrolled sideways).
  QRect cell_rect(int row, int month) const;
  QRect tile_rect(store::AlbumPlace place) const;

 Q_SIGNALS:
  void picture_clicked(const store::AlbumPicture& picture);
  void picture_double_clicked(const store::AlbumPicture& picture);
  // The keyboard moved the current picture, or Enter was pressed on it.
  void picture_keyed(const store::AlbumPicture& picture);
  void picture_entered(const store::AlbumPicture& picture);
  // The current picture changed (by a key or a click).
  void current_changed(store::AlbumPlace place);

 protected:
  void paintEvent(QPaintEvent* event) override;
  // Over a cell without its view: the view is made, and a press there is
  // handed to it (with the moves and the release that follow).
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  QListView* make_cell(const std::vector<store::AlbumPicture>& pictures, QRect where, ThumbnailLoader& loader);
  // The cell of a place, and its view once made (made now when `make`).
  struct Cell;
  Cell* cell_of(store::AlbumPlace place);
  const Cell* cell_of(store::AlbumPlace place) const;
  QListView* view_of(store::AlbumPlace place, bool make);
  // The view of the cell at the point (grid coordinates), made now when
  // missing; nullptr outside the cells with pictures.
  QListView* view_at(QPoint point);
  void update_current_tile();
  // Calls each(cell, index) for every tile that meets the rectangle.
  void for_each_tile(const QRect& sight, const std::function<void(const Cell&, int)>& each) const;
  // A cell as its view will show it, scrolled to its start: the tiles and,
  // when they are wider than the cell, a scroll bar under them.
  bool has_bar(const Cell& c) const;
  QRect tiles_area(const Cell& c) const;
  void paint_cell(QPainter& painter, const Cell& c);

  const std::vector<store::AlbumYear>& years_;
  int current_month_;
  int cell_height_ = 0;
  std::vector<QListView*> cells_;
  // Every cell with pictures, and its view once made.
  struct Cell {
    const std::vector<store::AlbumPicture>* pictures;
    QRect where;
    QString name;
    int row = 0;
    int month = 0;
    QListView* view = nullptr;
  };
  std::vector<Cell> all_;
  ThumbnailLoader& loader_;
  store::AlbumPlace current_;
  int bar_height_ = 0;
  // The view a press on the grid was handed to, until the release.
  QPointer<QListView> pressed_view_;
};

}  // namespace seasons
