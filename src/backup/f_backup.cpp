#include "backup/f_backup.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "backup/restored_copy.h"
#include "store/diary/checked_memo.h"
#include "store/files/size_text.h"
#include "ui/busy_cursor.h"
#include "ui/form_controls.h"

namespace {

const QString kZipFilter = QStringLiteral("ZIP アーカイブ (*.zip)");

// True when the file would lie in the data directory or in its memo/
// folder, which a backup only reads.
bool inside_data(const QString& file, const QString& data_dir) {
  const QString folder = QFileInfo(QFileInfo(file).absolutePath()).canonicalFilePath();
  const QString data = QFileInfo(data_dir).canonicalFilePath();
  return !folder.isEmpty() && (folder == data || folder == data + QStringLiteral("/memo"));
}

}  // namespace

F_backup::Choosers F_backup::standard_choosers() {
  Choosers c;
  c.save_archive = [](QWidget* parent, const QString& proposed) {
    return QFileDialog::getSaveFileName(parent, QStringLiteral("バックアップの保存先"), proposed, kZipFilter);
  };
  c.open_archive = [](QWidget* parent) {
    return QFileDialog::getOpenFileName(parent, QStringLiteral("復元するバックアップ"), QDir::homePath(),
                                        kZipFilter + QStringLiteral(";;すべてのファイル (*)"));
  };
  c.restore_folder = [](QWidget* parent) {
    return QFileDialog::getExistingDirectory(
        parent, QStringLiteral("復元先のフォルダ（空のフォルダか、新しく作ったフォルダ）"), QDir::homePath());
  };
  c.start_program = [](const QString& program, const QStringList& arguments, const QString& folder) {
    return QProcess::startDetached(program, arguments, folder);
  };
  return c;
}

F_backup::F_backup(store::AppState& state, ui::MessageService& messages, QWidget* parent)
    : QDialog(parent), state_(state), messages_(messages) {
  setObjectName(QStringLiteral("F_backup"));
  build_controls();
  connect(&job_, &ui::BackgroundJob::tick, this, &F_backup::show_progress);
  connect(&job_, &ui::BackgroundJob::running_changed, this, &F_backup::set_running);
}

F_backup::~F_backup() {
  cancel_ = true;
  job_.abandon();
}

// The label does not wrap: each line of the outcome is a line of its own,
// and the layout makes the window as large as the label's lines need, at
// whatever font size.
void F_backup::build_controls() {
  setWindowTitle(QStringLiteral("バックアップ"));
  auto* top = new QVBoxLayout(this);
  Label1 = new QLabel(this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setTextInteractionFlags(Qt::TextSelectableByMouse);
  Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  top->addWidget(Label1, 1);
  auto* row = new QHBoxLayout;
  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
  ProgressBar1->setTextVisible(false);
  ProgressBar1->setMinimumWidth(fontMetrics().averageCharWidth() * 50);
  Command1 = ui::make_button(this, "Command1", QStringLiteral("中止(&A)"));
  row->addWidget(ProgressBar1, 1);
  row->addWidget(Command1);
  top->addLayout(row);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  Command3 = ui::make_button(this, "Command3", QStringLiteral("保存先を選び直す(&R)..."));
  Command3->hide();
  Command2 = ui::make_button(this, "Command2", QStringLiteral("閉じる(&C)"));
  buttons->addWidget(Command3);
  buttons->addWidget(Command2);
  top->addLayout(buttons);
  setTabOrder(Command1, Command3);
  setTabOrder(Command3, Command2);
  connect(Command1, &QPushButton::clicked, this, &F_backup::Command1_Click);
  connect(Command2, &QPushButton::clicked, this, &F_backup::Command2_Click);
  connect(Command3, &QPushButton::clicked, this, &F_backup::Command3_Click);
  set_running(false);
}

bool F_backup::start_backup(const Choosers& choose) {
  choose_ = choose;
  setWindowTitle(QStringLiteral("バックアップ"));
  return ask_target_and_back_up(parentWidget());
}

// The save dialog until a place outside the data is chosen, or nothing.
bool F_backup::ask_target_and_back_up(QWidget* dialog_parent) {
  const QString proposed = QDir::home().filePath(store::default_backup_name(QDate::currentDate()));
  QString target;
  for (;;) {
    target = choose_.save_archive(dialog_parent, proposed);
    if (target.isEmpty()) return false;
    if (!target.endsWith(QStringLiteral(".zip"), Qt::CaseInsensitive)) target += QStringLiteral(".zip");
    if (!inside_data(target, state_.data_dir)) break;
    messages_.inform(dialog_parent,
                     QStringLiteral("バックアップは Verdalis のデータのフォルダ（%1）の外に保存して下さい。")
                         .arg(QDir::toNativeSeparators(state_.data_dir)),
                     store::kAppTitle);
  }
  Command3->hide();
  const std::vector<store::CheckedMemo> memos = store::memos_to_check(state_.memo_table);
  const QString data_dir = state_.data_dir;
  run_in_background(
      QStringLiteral("バックアップを作成しています：\n%1").arg(target),
      [this, memos, data_dir, target] {
        const store::BackupPlan plan = store::plan_backup(data_dir, memos, cancel_);
        total_bytes_ = plan.total_bytes;
        if (!plan.message.isEmpty() || plan.cancelled) {
          backup_ = {false, plan.cancelled, plan.message};
          return;
        }
        backup_ = store::write_backup(plan, target, cancel_, [this](qint64 done) { done_bytes_ = done; });
      },
      [this, target] { backup_done(target); });
  return true;
}

void F_backup::backup_done(const QString& target) {
  if (backup_.ok) {
    show_text(store::backup_summary(backup_, target));
  } else if (backup_.cancelled) {
    show_text(QStringLiteral("バックアップを中止しました。ファイルは作成していません。"));
  } else {
    show_text(backup_.message + QStringLiteral("\n\n別の場所に保存するときは「保存先を選び直す」を押して下さい。"));
    Command3->show();
    Command3->setFocus();
  }
}

bool F_backup::start_restore(const Choosers& choose) {
  choose_ = choose;
  setWindowTitle(QStringLiteral("バックアップから復元"));
  const QString archive = ask_archive_to_restore();
  if (archive.isEmpty()) return false;
  const QString folder = ask_restore_folder();
  if (folder.isEmpty()) return false;
  store::RestoreRequest request{archive, folder, state_.data_dir, {QCoreApplication::applicationFilePath()}};
  if (const QString guide = state_.data_dir + QStringLiteral("hana.doc"); QFileInfo(guide).isFile())
    request.program_files << guide;
  run_in_background(
      QStringLiteral("バックアップ「%1」から\n「%2」に復元しています。").arg(archive, folder),
      [this, request] {
        restore_ = store::restore_backup(request, cancel_, [this](qint64 done, qint64 total) {
          total_bytes_ = total;
          done_bytes_ = done;
        });
      },
      [this, folder] { restore_done(folder); });
  return true;
}

// The open dialog until a file that is a Verdalis backup is chosen, or
// nothing: its entry headers are read at once, so a wrong file is named
// before the user looks for a folder.
QString F_backup::ask_archive_to_restore() {
  for (;;) {
    const QString archive = choose_.open_archive(parentWidget());
    if (archive.isEmpty()) return {};
    QString why;
    {
      const ui::BusyCursor busy;
      why = store::refused_backup_archive(archive);
    }
    if (why.isEmpty()) return archive;
    messages_.inform(parentWidget(), why + QStringLiteral("\n復元するバックアップを選び直して下さい。"), store::kAppTitle);
  }
}

// The folder dialog until a folder that can take the restore is chosen,
// or nothing.
QString F_backup::ask_restore_folder() {
  for (;;) {
    const QString folder = choose_.restore_folder(parentWidget());
    if (folder.isEmpty()) return {};
    const QString why = store::refused_restore_folder(folder, state_.data_dir);
    if (why.isEmpty()) return folder;
    messages_.inform(parentWidget(), why, store::kAppTitle);
  }
}

void F_backup::restore_done(const QString& folder) {
  if (restore_.cancelled) {
    show_text(QStringLiteral("復元を中止しました。「%1」は元のままです。").arg(folder));
    return;
  }
  if (!restore_.ok) {
    show_text(restore_.message + QStringLiteral("\n\n「%1」は元のままです。").arg(folder));
    return;
  }
  show_text(store::restore_summary(restore_, folder));
  if (messages_.ask(this, QStringLiteral("復元した Verdalis を今すぐ起動しますか？"), store::kAppTitle, true))
    offer_restored_copy();
}

// The copy opens beside the running window, not over it.
void F_backup::offer_restored_copy() {
  const QWidget* running = parentWidget() ? parentWidget()->window() : this;
  const QPoint at = running->pos() + QPoint(restored_copy::kOffset, restored_copy::kOffset);
  if (!choose_.start_program(restore_.program, restored_copy::arguments_for(at), QFileInfo(restore_.program).absolutePath()))
    messages_.inform(this, QStringLiteral("「%1」を起動できませんでした。").arg(restore_.program), store::kAppTitle);
}

void F_backup::run_in_background(const QString& what, std::function<void()> work, std::function<void()> done) {
  cancel_ = false;
  done_bytes_ = 0;
  total_bytes_ = 0;
  what_ = what;
  show_text(what);
  job_.start(std::move(work), std::move(done));
}

// The window grows with the text at once; a window that would then reach
// past the screen's edge moves back onto it, so no line is out of sight.
void F_backup::show_text(const QString& text) {
  Label1->setText(text);
  if (!isVisible() || !layout()) return;
  layout()->activate();
  const QScreen* here = screen();
  if (!here) return;
  const QRect room = here->availableGeometry();
  const QRect frame = frameGeometry();
  const int x = std::max(room.left(), std::min(frame.left(), room.right() + 1 - frame.width()));
  const int y = std::max(room.top(), std::min(frame.top(), room.bottom() + 1 - frame.height()));
  if (x != frame.left() || y != frame.top()) move(x, y);
}

void F_backup::show_progress() {
  const qint64 total = total_bytes_.load();
  const qint64 done = std::min(done_bytes_.load(), total);
  // The bar counts kilobytes, so that archives past 2 GB fit its range.
  ProgressBar1->setRange(0, static_cast<int>(std::max<qint64>(total / 1024, 1)));
  ProgressBar1->setValue(static_cast<int>(done / 1024));
  show_text(what_ + QStringLiteral("\n%1 / %2").arg(store::size_text(done), store::size_text(total)));
}

// While the work runs only 中止 can be pressed and has the focus; then 閉じる.
void F_backup::set_running(bool running) {
  if (!running && total_bytes_.load() > 0) show_progress();
  Command1->setEnabled(running);
  Command2->setEnabled(!running);
  Command3->setEnabled(!running);
  (running ? Command1 : Command2)->setFocus();
}

void F_backup::wait_for_work() { job_.wait(); }

void F_backup::Command1_Click() {
  cancel_ = true;
  Command1->setEnabled(false);
}

void F_backup::Command2_Click() {
  if (job_.running()) return;
  accept();
}

void F_backup::Command3_Click() {
  if (job_.running()) return;
  ask_target_and_back_up(this);
}

// Esc or the window's close box while the work runs means 中止: the work
// stops and the window stays to say so. When more than half is written,
// the user is asked first.
void F_backup::reject() {
  if (!job_.running()) {
    QDialog::reject();
    return;
  }
  if (!Command1->isEnabled()) return;  // already stopping
  const qint64 total = total_bytes_.load();
  if (total > 0 && done_bytes_.load() * 2 > total &&
      !messages_.ask(this, QStringLiteral("半分以上を書き終えています。中止しますか？"), store::kAppTitle, false)) {
    return;
  }
  Command1_Click();
}
