#pragma once
// Finding missing pictures ("画像の所在確認"): scans every memo's picture
// list in a worker thread, lists the missing pictures by folder, and points
// a folder's pictures at the folder they now live in. The data work is in
// store/picture_check and store/picture_repoint; this window shows it.
// The last re-pointing stays undoable in the shared state (last_repoint)
// after the window is closed, for as long as the program runs.

#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <atomic>
#include <functional>
#include <vector>

#include "store/diary/app_state.h"
#include "store/files/file_journal.h"
#include "store/pictures/picture_check.h"
#include "store/pictures/picture_repoint.h"
#include "store/pictures/repoint_undo.h"
#include "ui/background_job.h"
#include "ui/main_window_host.h"
#include "ui/message_service.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QVBoxLayout;

class F_syozai : public QDialog {
  Q_OBJECT

 public:
  F_syozai(store::AppState& state, ui::MessageService& messages, ui::MainWindowHost& main);
  ~F_syozai() override;

  // Starts a scan of every memo's pictures; the result shows when it ends.
  void start_scan();
  bool busy() const { return job_.running(); }
  // Blocks until the work running in the background has ended (tests and
  // closing use it).
  void wait_for_work();

  const store::PictureScan& scan() const { return scan_; }
  const std::vector<store::FolderGroup>& groups() const { return groups_; }

  // Runs a folder choice. Tests replace it to answer without a dialog.
  std::function<QString(QWidget*, const QString&)> choose_folder;

 public Q_SLOTS:
  void Command1_Click();  // 中止
  void Command2_Click();  // 新しいフォルダ...
  void Command3_Click();  // 付け替え
  void Command4_Click();  // 元に戻す
  void Command5_Click();  // 閉じる
  void Grid1_Click();     // a folder was chosen
  void Grid2_DblClick();  // a memo of the folder: selected in the main list

 protected:
  // Esc and the close box: while work runs they stop it (中止) and the
  // window stays to show what was done; otherwise they close it.
  void reject() override;
  // Enter on a row of either table does what a click or a double click does.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void build_controls();
  void build_tables(QVBoxLayout* top);
  void build_repoint_rows(QVBoxLayout* top);
  void build_button_row(QVBoxLayout* top);
  void set_minimum_size();
  // Runs `work` in a worker thread; `done` runs on this thread afterwards.
  void run_in_background(const QString& what, int total, std::function<void()> work, std::function<void()> done);
  void set_running(bool running);
  void restore_focus();
  void stop_work();
  void show_scan();
  QString scan_text() const;
  void show_group_pictures();
  void add_group_pictures();
  void plan_done();
  void write_plan();
  void write_done();
  void undo_done();
  // Keeps the result of a write or an undo in the shared state; it runs
  // also when the window closes before the work's done step.
  void settle();
  void show_undo_offer();
  void set_new_folder(const QString& folder);
  int selected_group() const;

  store::AppState& state_;
  ui::MessageService& messages_;
  ui::MainWindowHost& main_;

  std::vector<store::CheckedMemo> memos_;
  store::PictureScan scan_;
  std::vector<store::FolderGroup> groups_;
  store::RepointRequest request_;
  store::RepointPlan plan_;
  store::RepointWrite written_;
  store::RepointRecord undoing_;
  store::RepointUndo undone_;
  std::function<void()> settle_;
  QString new_folder_;
  // Where the focus was when work began; it goes back there afterwards.
  QPointer<QWidget> focus_before_;

  std::atomic_bool cancel_{false};
  std::atomic_int progress_{0};
  ui::BackgroundJob job_{50};
  // A folder may hold tens of thousands of missing pictures: their rows are
  // filled a few thousand per turn of the event loop.
  QTimer more_pictures_;
  int pictures_filled_ = 0;

 public:
  static constexpr int kPictureRowsPerTurn = 2000;

 public:
  // Controls, in the order Tab walks them.
  QLabel* Label1 = nullptr;  // the result in one sentence
  QProgressBar* ProgressBar1 = nullptr;
  QPushButton* Command1 = nullptr;  // 中止
  QLabel* Label4 = nullptr;         // the caption of Grid1
  QTableWidget* Grid1 = nullptr;    // folders
  QLabel* Label5 = nullptr;         // the caption of Grid2
  QTableWidget* Grid2 = nullptr;    // the missing pictures of the chosen folder
  QLabel* Label2 = nullptr;
  QComboBox* Combo1 = nullptr;  // the old folder or one above it
  QPushButton* Command2 = nullptr;
  QLabel* Label3 = nullptr;  // the new folder
  QCheckBox* Check1 = nullptr;
  QLabel* Label6 = nullptr;  // what the last re-pointing or undo did
  QPushButton* Command3 = nullptr;
  QPushButton* Command4 = nullptr;
  QLabel* Label7 = nullptr;  // what 元に戻す would undo
  QPushButton* Command5 = nullptr;
};
