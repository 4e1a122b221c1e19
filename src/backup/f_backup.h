#pragma once
// "バックアップ" and "バックアップから復元": the user chooses the archive
// (and for a restore the folder) in the standard dialogs, then the work
// runs in a worker thread with a progress bar in bytes and "中止". A choice
// that cannot work (a ZIP that is no backup, a folder that is not empty)
// is said at once and the dialog asked again; a backup that fails says why
// in the window and offers the save dialog again. The data work is in
// store/backup_write and store/backup_restore; this window shows it.

#include <QDialog>
#include <atomic>
#include <functional>

#include "store/backup/backup_restore.h"
#include "store/backup/backup_write.h"
#include "store/diary/app_state.h"
#include "ui/background_job.h"
#include "ui/message_service.h"

class QLabel;
class QProgressBar;
class QPushButton;

class F_backup : public QDialog {
  Q_OBJECT

 public:
  // The choices made in the standard dialogs and the start of the restored
  // program; tests replace them.
  struct Choosers {
    std::function<QString(QWidget*, const QString& proposed)> save_archive;
    std::function<QString(QWidget*)> open_archive;
    std::function<QString(QWidget*)> restore_folder;
    std::function<bool(const QString& program, const QStringList& arguments, const QString& folder)> start_program;
  };
  static Choosers standard_choosers();

  F_backup(store::AppState& state, ui::MessageService& messages, QWidget* parent);
  ~F_backup() override;

  // Asks where to write the archive and starts writing it. False when the
  // user chose nothing (the window is not needed).
  bool start_backup(const Choosers& choose);
  // Asks for the archive and the folder and starts the restore. False
  // when the user chose nothing.
  bool start_restore(const Choosers& choose);

  bool busy() const { return job_.running(); }
  // Blocks until the work running in the background has ended and its
  // result is shown (tests and closing use it).
  void wait_for_work();

  const store::BackupResult& backup_result() const { return backup_; }
  const store::RestoreResult& restore_result() const { return restore_; }

 public Q_SLOTS:
  void Command1_Click();  // 中止
  void Command2_Click();  // 閉じる
  void Command3_Click();  // 保存先を選び直す

 protected:
  void reject() override;

 private:
  void build_controls();
  bool ask_target_and_back_up(QWidget* dialog_parent);
  QString ask_archive_to_restore();
  QString ask_restore_folder();
  void run_in_background(const QString& what, std::function<void()> work, std::function<void()> done);
  void set_running(bool running);
  void show_progress();
  void show_text(const QString& text);
  void backup_done(const QString& target);
  void restore_done(const QString& folder);
  void offer_restored_copy();

  store::AppState& state_;
  ui::MessageService& messages_;
  Choosers choose_;

  store::BackupResult backup_;
  store::RestoreResult restore_;
  std::atomic_bool cancel_{false};
  std::atomic<qint64> done_bytes_{0};
  std::atomic<qint64> total_bytes_{0};
  QString what_;
  ui::BackgroundJob job_{100};

 public:
  // Controls.
  QLabel* Label1 = nullptr;  // what is being done, then the result: grows with its lines
  QProgressBar* ProgressBar1 = nullptr;
  QPushButton* Command1 = nullptr;
  QPushButton* Command2 = nullptr;
  QPushButton* Command3 = nullptr;  // after a failed backup only
};
