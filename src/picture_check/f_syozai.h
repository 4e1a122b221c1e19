#pragma once
// Finding missing pictures ("画像の所在確認"): scans every memo's picture
// list in a worker thread, lists the missing pictures by folder, and points
// a folder's pictures at the folder they now live in. The data work is in
// store/picture_check and store/picture_repoint; this window shows it.

#include <QDialog>
#include <atomic>
#include <functional>
#include <vector>

#include "store/diary/app_state.h"
#include "store/files/file_journal.h"
#include "store/pictures/picture_check.h"
#include "store/pictures/picture_repoint.h"
#include "ui/background_job.h"
#include "ui/main_window_host.h"
#include "ui/message_service.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;

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
  void reject() override;

 private:
  void build_controls();
  // Runs `work` in a worker thread; `done` runs on this thread afterwards.
  void run_in_background(const QString& what, int total, std::function<void()> work, std::function<void()> done);
  void set_running(bool running);
  void stop_work();
  void show_scan();
  QString scan_text() const;
  void show_group_pictures();
  void plan_done();
  void write_plan();
  int selected_group() const;

  store::AppState& state_;
  ui::MessageService& messages_;
  ui::MainWindowHost& main_;

  std::vector<store::CheckedMemo> memos_;
  store::PictureScan scan_;
  std::vector<store::FolderGroup> groups_;
  store::RepointPlan plan_;
  store::RepointWrite written_;
  // The previous contents of the files the last re-pointing changed.
  store::FileJournal journal_;
  QString new_folder_;

  std::atomic_bool cancel_{false};
  std::atomic_int progress_{0};
  ui::BackgroundJob job_{50};

 public:
  // Controls.
  QLabel* Label1 = nullptr;  // the result in one sentence
  QProgressBar* ProgressBar1 = nullptr;
  QPushButton* Command1 = nullptr;
  QTableWidget* Grid1 = nullptr;  // folders
  QTableWidget* Grid2 = nullptr;  // the missing pictures of the chosen folder
  QLabel* Label2 = nullptr;
  QComboBox* Combo1 = nullptr;  // the old folder or one above it
  QPushButton* Command2 = nullptr;
  QLabel* Label3 = nullptr;  // the new folder
  QCheckBox* Check1 = nullptr;
  QPushButton* Command3 = nullptr;
  QPushButton* Command4 = nullptr;
  QPushButton* Command5 = nullptr;
};
