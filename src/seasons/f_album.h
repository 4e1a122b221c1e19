#pragma once
// "季節アルバム": the pictures of the memos the main window lists, as a grid
// of years (newest first) by months. It stays open beside the main window,
// follows its filters, and a click on a thumbnail shows that picture in the
// main window (a double-click opens the full-size viewer on it). It changes
// no file of the data directory.

#include <QSet>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <optional>
#include <vector>

#include "store/diary/app_state.h"
#include "store/seasons/season_album.h"
#include "ui/background_job.h"
#include "ui/main_window_host.h"

class QLabel;
class QPushButton;
class QScrollArea;

namespace seasons {

class AlbumBody;
class AlbumGrid;
class YearRuler;
class ThumbnailLoader;

class F_album : public QWidget {
  Q_OBJECT

 public:
  F_album(store::AppState& state, ui::MainWindowHost& main, ThumbnailLoader& loader, QWidget* parent);
  ~F_album() override;

  // The main window's list changed: the album follows, shortly after.
  void main_list_changed();
  // True while the pictures are being read.
  bool busy() const { return reader_.running() || list_change_delay_.isActive() || placing_; }

  // The pictures in the tiles now in sight, and how many of them still
  // wait for their thumbnail.
  QStringList visible_paths() const;
  int visible_waiting() const;

  const std::vector<store::AlbumYear>& years() const { return years_; }
  AlbumGrid* grid() const { return grid_; }
  ThumbnailLoader& loader() const { return loader_; }
  QScrollArea* body() const;
  QLabel* Label1 = nullptr;  // what the album shows
  QPushButton* Command1 = nullptr;  // 閉じる; Esc closes too

 Q_SIGNALS:
  // The window is about to close (its place and size can be kept).
  void closing();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  store::AlbumPlace first_current(const std::optional<store::AlbumPicture>& kept) const;
  void show_current();
  void open_viewer(const store::AlbumPicture& picture);
  void make_cells_in_sight();
  void scroll_to_current_month();
  // The part of the grid in the viewport, in grid coordinates.
  QRect visible_area() const;
  void read_pictures();
  void show_pictures(std::vector<store::AlbumYear> years);
  void picture_clicked(const store::AlbumPicture& picture);
  void picture_double_clicked(const store::AlbumPicture& picture);
  void repaint_cells();

  store::AppState& state_;
  ui::MainWindowHost& main_;
  ThumbnailLoader& loader_;
  int current_month_;
  std::vector<store::AlbumYear> years_;
  AlbumGrid* grid_ = nullptr;
  YearRuler* ruler_ = nullptr;
  AlbumBody* body_ = nullptr;
  // Reads the picture lists beside the interface thread into read_years_.
  ui::BackgroundJob reader_{0};
  std::vector<store::AlbumYear> read_years_;
  bool reread_when_done_ = false;
  bool placing_ = false;  // the first scroll to the current month is due
  bool building_ = false;  // a new grid is being put in place
  QTimer list_change_delay_;
  QTimer repaint_;
  QTimer more_cells_;
  QSet<QString> arrived_;  // thumbnails ready since the tiles were last drawn
  // The release that ends a double-click is no second click.
  bool after_double_click_ = false;
};

}  // namespace seasons
