#include "seasons/f_album.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDate>
#include <QLabel>
#include <QPushButton>
#include <QListView>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include "seasons/album_accessible.h"
#include "seasons/album_grid.h"
#include "seasons/album_headers.h"
#include "seasons/thumbnail_loader.h"
#include "seasons/tile_delegate.h"
#include "ui/form_controls.h"

namespace seasons {

namespace {

int picture_count(const std::vector<store::AlbumYear>& years) {
  int n = 0;
  for (const store::AlbumYear& y : years) {
    for (const auto& month : y.months) n += static_cast<int>(month.size());
  }
  return n;
}

}  // namespace

F_album::F_album(store::AppState& state, ui::MainWindowHost& main, ThumbnailLoader& loader, QWidget* parent)
    : QWidget(parent, Qt::Window), state_(state), main_(main), loader_(loader), current_month_(QDate::currentDate().month()) {
  setObjectName(QStringLiteral("F_album"));
  setWindowTitle(QStringLiteral("季節アルバム"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->setSpacing(2);
  Label1 = new QLabel(this);
  Label1->setObjectName(QStringLiteral("Label1"));
  layout->addWidget(Label1);

  body_ = new AlbumBody(current_month_, this);
  body_->setObjectName(QStringLiteral("body"));
  body_->setWidgetResizable(false);
  body_->verticalScrollBar()->setSingleStep(24);
  // The grid inside takes the keys; the area around it never does, so Tab
  // goes from the pictures straight to 閉じる.
  body_->setFocusPolicy(Qt::NoFocus);
  layout->addWidget(body_, 1);
  // The year names stay at the left and follow the grid up and down.
  connect(body_->verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
    if (ruler_) ruler_->move(0, -value);
    make_cells_in_sight();
  });
  connect(body_->horizontalScrollBar(), &QScrollBar::valueChanged, this, &F_album::make_cells_in_sight);

  more_cells_.setSingleShot(true);
  more_cells_.setInterval(0);
  connect(&more_cells_, &QTimer::timeout, this, &F_album::make_cells_in_sight);
  // The cells' views are made in turns of their own once the thumbnails
  // in sight have come, not in the turn that took the last one.
  connect(&loader_, &ThumbnailLoader::idle, &more_cells_, qOverload<>(&QTimer::start));
  list_change_delay_.setSingleShot(true);
  list_change_delay_.setInterval(50);
  connect(&list_change_delay_, &QTimer::timeout, this, &F_album::read_pictures);
  // Finished thumbnails are drawn together, a frame at a time.
  repaint_.setSingleShot(true);
  repaint_.setInterval(15);
  connect(&repaint_, &QTimer::timeout, this, &F_album::repaint_cells);
  connect(&loader_, &ThumbnailLoader::ready, this, [this](const QString& path) {
    arrived_.insert(path);
    if (!repaint_.isActive()) repaint_.start();
  });

  Command1 = ui::add_close_row(this, layout);
  resize(AlbumGrid::column_x(13) + 40, 640);
  // Room for the label, the month names, one year of two months and the
  // button row, with nothing on top of anything.
  setMinimumSize(AlbumGrid::column_x(3) + 40, 300);
  Label1->setText(QStringLiteral("写真を読み込んでいます…"));
  read_pictures();
}

F_album::~F_album() {
  loader_.forget_requests();
  reader_.abandon();
}

QScrollArea* F_album::body() const { return body_; }

void F_album::main_list_changed() { list_change_delay_.start(); }

void F_album::read_pictures() {
  if (reader_.running()) {
    reread_when_done_ = true;
    return;
  }
  // The memo numbers and dates are copied here; the worker reads only the
  // picture list files.
  std::vector<store::AlbumMemo> memos = store::album_memos(state_.memo_table, main_.listed_slots());
  reader_.start(
      [this, dir = state_.data_dir, memos = std::move(memos)] { read_years_ = store::read_album(dir, memos); },
      [this] {
        if (reread_when_done_) {
          reread_when_done_ = false;
          read_pictures();
          return;
        }
        show_pictures(std::exchange(read_years_, {}));
      });
}

void F_album::show_pictures(std::vector<store::AlbumYear> years) {
  loader_.forget_requests();
  const QPoint scrolled(body_->horizontalScrollBar()->value(), body_->verticalScrollBar()->value());
  const bool first = grid_ == nullptr;
  // The picture the keyboard stood on stays current when it is still shown.
  std::optional<store::AlbumPicture> kept;
  if (grid_) {
    if (const store::AlbumPicture* p = store::album_picture(years_, grid_->current())) kept = *p;
  }
  const bool had_focus = grid_ && grid_->hasFocus();
  if (grid_) grid_->deleteLater();
  body_->takeWidget();
  years_ = std::move(years);
  grid_ = new AlbumGrid(years_, current_month_, loader_);
  connect(grid_, &AlbumGrid::picture_clicked, this, &F_album::picture_clicked);
  connect(grid_, &AlbumGrid::picture_double_clicked, this, &F_album::picture_double_clicked);
  // The main window follows the keyboard's picture as it follows a click;
  // Enter opens it as a double-click does.
  connect(grid_, &AlbumGrid::picture_keyed, this,
          [this](const store::AlbumPicture& p) { main_.show_picture_of(p.memo_no, p.picture_no); });
  connect(grid_, &AlbumGrid::picture_entered, this, [this](const store::AlbumPicture& p) { open_viewer(p); });
  connect(grid_, &AlbumGrid::current_changed, this, [this] {
    show_current();
    announce_current_picture(grid_);
  });
  // The thumbnails in sight are asked for before any view is made, so
  // that the workers start at once.
  building_ = true;
  body_->setWidget(grid_);
  // The scroll area shows or hides its bars for the new grid in a queued
  // call; taken now, the viewport has its final size, so that the pictures
  // asked for are those that will be in sight.
  QCoreApplication::sendPostedEvents(body_, QEvent::MetaCall);
  if (first) scroll_to_current_month();
  grid_->set_current(first_current(kept));
  loader_.prefetch(grid_->paths_in(visible_area()));
  building_ = false;
  make_cells_in_sight();
  delete ruler_;
  std::vector<int> year_numbers;
  for (const store::AlbumYear& y : years_) year_numbers.push_back(y.year);
  ruler_ = new YearRuler(std::move(year_numbers), grid_->cell_height(), body_->viewport());
  ruler_->move(0, -body_->verticalScrollBar()->value());
  ruler_->show();
  ruler_->raise();
  const int pictures = picture_count(years_);
  Label1->setText(pictures == 0 ? QStringLiteral("一覧のメモに写真はありません。")
                                : QStringLiteral("一覧のメモの写真 %1 枚（%2 年分）")
                                      .arg(pictures)
                                      .arg(years_.size()));
  if (first) {
    // The current month's column in sight, once the window has its size.
    placing_ = true;
    QTimer::singleShot(0, this, [this] {
      placing_ = false;
      scroll_to_current_month();
      show_current();
    });
  } else {
    body_->horizontalScrollBar()->setValue(scrolled.x());
    body_->verticalScrollBar()->setValue(scrolled.y());
  }
  // The pictures are the window's first control: they have the focus on
  // opening, and keep it when the album is read again.
  if (first || had_focus) grid_->setFocus(Qt::OtherFocusReason);
  setTabOrder(grid_, Command1);
}

store::AlbumPlace F_album::first_current(const std::optional<store::AlbumPicture>& kept) const {
  if (kept) {
    const store::AlbumPlace place = store::album_find(years_, kept->memo_no, kept->picture_no);
    if (place.valid()) return place;
  }
  // The first picture of the newest year's month nearest to this one,
  // where the album opens; its cell stays at its start.
  store::AlbumPlace place = store::album_place_near(years_, 0, current_month_, 0);
  place.index = 0;
  return place;
}

// The current picture's whole cell in sight, right of the year names.
void F_album::show_current() {
  if (!grid_ || !grid_->current().valid()) return;
  const QRect cell = grid_->cell_rect(grid_->current().row, grid_->current().month);
  QScrollBar* across = body_->horizontalScrollBar();
  QScrollBar* down = body_->verticalScrollBar();
  const QSize view = body_->viewport()->size();
  if (cell.right() > across->value() + view.width() - 1) across->setValue(cell.right() - view.width() + 1);
  if (cell.left() - AlbumGrid::kYearWidth < across->value()) across->setValue(cell.left() - AlbumGrid::kYearWidth);
  if (cell.bottom() > down->value() + view.height() - 1) down->setValue(cell.bottom() - view.height() + 1);
  if (cell.top() < down->value()) down->setValue(cell.top());
}

void F_album::open_viewer(const store::AlbumPicture& picture) {
  // The viewer opens once the input event is done, so that its modal loop
  // does not run inside it.
  QTimer::singleShot(0, this, [this, memo_no = picture.memo_no, no = picture.picture_no] {
    main_.show_picture_of(memo_no, no);
    main_.open_full_size_viewer();
  });
}

void F_album::closeEvent(QCloseEvent* event) {
  Q_EMIT closing();
  QWidget::closeEvent(event);
}

void F_album::picture_clicked(const store::AlbumPicture& picture) {
  if (after_double_click_) {
    after_double_click_ = false;
    return;
  }
  main_.show_picture_of(picture.memo_no, picture.picture_no);
}

void F_album::picture_double_clicked(const store::AlbumPicture& picture) {
  after_double_click_ = true;
  // The first click of the pair showed the picture.
  open_viewer(picture);
}

void F_album::scroll_to_current_month() {
  body_->ensureVisible(AlbumGrid::column_x(current_month_) + AlbumGrid::kCellWidth / 2, 0,
                       AlbumGrid::kCellWidth / 2 + 8, 0);
}

QRect F_album::visible_area() const {
  return QRect(QPoint(body_->horizontalScrollBar()->value(), body_->verticalScrollBar()->value()),
               body_->viewport()->size());
}

// The cells in sight and those a screen around them get their views, a
// few per turn of the event loop so that scrolling never waits for many
// at once, those in sight first; and only once the thumbnails in sight
// have come. Until then the grid draws the cells itself: dozens of views
// made at once would take the interface thread, and a core, from the
// workers making those thumbnails.
void F_album::make_cells_in_sight() {
  if (!grid_ || building_ || loader_.busy()) return;
  int budget = 6;
  const QSize screen = body_->viewport()->size();
  const QRect sight = visible_area();
  const bool more = grid_->make_cells_near(sight, budget) ||
                    grid_->make_cells_near(sight.adjusted(-screen.width(), -screen.height(), screen.width(), screen.height()),
                                           budget);
  if (more && !more_cells_.isActive()) more_cells_.start();
}

void F_album::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  make_cells_in_sight();
}

// Only the tiles in sight whose thumbnail arrived are drawn again.
void F_album::repaint_cells() {
  if (grid_) grid_->update_tiles(visible_area(), arrived_);
  arrived_.clear();
}

QStringList F_album::visible_paths() const { return grid_ ? grid_->paths_in(visible_area()) : QStringList(); }

int F_album::visible_waiting() const {
  int waiting = 0;
  if (grid_) {
    grid_->for_each_tile_in(visible_area(), [&](QListView*, int, const store::AlbumPicture& p) {
      if (!loader_.settled(p.path)) ++waiting;
    });
  }
  return waiting;
}

}  // namespace seasons
