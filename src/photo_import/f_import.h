#pragma once
// "写真の取り込み": a camera folder's pictures by the day they were taken,
// one row per day with its photos as thumbnails, a check box, and the
// location, variety and title its memo will get; "取り込む" makes one new
// memo per checked day. The folder is scanned in a worker thread. A
// double-click on a thumbnail shows the photo in the full-size viewer.

#include <QDialog>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "store/diary/app_state.h"
#include "photo_import/day_rows.h"
#include "photo_import/photo_strip.h"
#include "store/convert/day_import.h"
#include "store/pictures/photo_import.h"
#include "ui/background_job.h"
#include "ui/main_window_host.h"
#include "ui/message_service.h"

class QLabel;
class QPushButton;
class QRadioButton;
class QStringListModel;

namespace seasons {
class ThumbnailLoader;
}

class F_import : public QDialog {
  Q_OBJECT

 public:
  F_import(store::AppState& state, ui::MessageService& messages, ui::MainWindowHost& main,
           seasons::ThumbnailLoader& thumbnails, QWidget* parent);
  ~F_import() override;

  // Scans the folder; the first days are listed while it goes on.
  void start_scan(const QString& folder);
  // Blocks until the scan (or the import) has ended and its result is
  // shown (tests).
  void wait_for_scan() { job_.wait(); }
  bool scanning() const { return job_.running(); }

  void Command1_Click();  // 取り込む
  void Command2_Click();  // 中止 while scanning, 閉じる otherwise

  const store::ImportScan& scan() const { return scan_; }
  // The photos the rows hold so far.
  int listed_photos() const;
  // True while thumbnails the strips asked for are still to come.
  bool thumbnails_busy() const;

  // The scan run in the worker thread; a test puts in one that pauses.
  using ScanFolder = std::function<store::ImportScan(const QString&, const store::KnownSource&, const std::atomic_bool&,
                                                     const store::ScanProgress&)>;
  ScanFolder scan_folder;
  // Runs the full-size viewer modally; a test puts in one that looks at it.
  std::function<int(QDialog&)> run_viewer;
  // Where JPEG copies of photos of other formats go: "Verdalis/yyyy/"
  // under it (the desktop's picture folder; tests put in their own).
  QString pictures_folder;

  // Takes a size kept from an earlier run, within the screen and no
  // smaller than the window's minimum; nothing keeps the default size.
  void resize_to_kept(const std::optional<QSize>& kept);

  QLabel* Label1 = nullptr;  // what the window shows or does
  photo_import::DayTable* Grid1 = nullptr;
  QRadioButton* Option1 = nullptr;  // titles by shooting time
  QRadioButton* Option2 = nullptr;  // titles by file name
  QLabel* Label2 = nullptr;         // what was left out
  QPushButton* Command1 = nullptr;
  QPushButton* Command2 = nullptr;
  QPushButton* Command3 = nullptr;  // 一覧: what was left out, one by one

  using enum photo_import::Column;

 protected:
  // Esc while the folder is read stops the reading, as 中止 does.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void build_controls();
  void show_progress();
  void show_days(const std::vector<store::ImportDay>& days);
  void show_result();
  // What the scan left out, on one line; the full list behind a link.
  void show_left_out();
  void show_left_out_list();
  // Ends an import whose copies and keys the worker has made.
  void finish_import(store::PhotoImport& work);
  void set_running(bool running);
  // Photo `photo` (0-based) of row `row`'s strip in the viewer, paging
  // through the day's other new photos.
  void open_photo(int row, int photo);

  store::AppState& state_;
  ui::MessageService& messages_;
  ui::MainWindowHost& main_;
  seasons::ThumbnailLoader& thumbnails_;
  ui::BackgroundJob job_;
  std::atomic_bool cancel_{false};
  std::atomic_int files_seen_{0};
  std::atomic_int steps_done_{0};
  std::atomic_int steps_total_{0};
  // The import being made; its copies are taken back if the window goes
  // before it is saved.
  std::shared_ptr<store::PhotoImport> import_;
  store::ImportScan scan_;
  std::vector<store::ImportDay> days_;  // the rows' days, in their order
  std::mutex pending_mutex_;
  std::optional<std::vector<store::ImportDay>> pending_days_;  // from the scan, not yet shown
  photo_import::StripDelegate* strip_ = nullptr;
  QStringListModel* locations_ = nullptr;
  QStringListModel* varieties_ = nullptr;
  QString folder_;
  QString first_location_;  // each new row's location and variety: those
  QString first_variety_;   // of the memo written last
};
