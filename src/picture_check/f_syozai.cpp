#include "picture_check/f_syozai.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>

#include "ui/twips.h"

namespace {

const QString kCaption = QStringLiteral("画像の所在確認");

// A path as a label shows it: a line may break after each "/" or "\".
QString breakable(QString text) {
  static const QString zero_width_space(QChar(0x200B));
  text.replace(QLatin1Char('/'), QLatin1Char('/') + zero_width_space);
  text.replace(QLatin1Char('\\'), QLatin1Char('\\') + zero_width_space);
  return text;
}

const QString kNoFolder = QStringLiteral("（まだ選んでいません）");

void set_row(QTableWidget* table, int row, const QStringList& cells) {
  for (int c = 0; c < cells.size(); ++c) table->setItem(row, c, new QTableWidgetItem(cells[c]));
}

}  // namespace

F_syozai::F_syozai(store::AppState& state, ui::MessageService& messages, ui::MainWindowHost& main)
    : QDialog(main.host_widget()), state_(state), messages_(messages), main_(main) {
  setObjectName(QStringLiteral("F_syozai"));
  setWindowTitle(kCaption);
  choose_folder = [](QWidget* parent, const QString& start) {
    return QFileDialog::getExistingDirectory(parent, QStringLiteral("画像の新しいフォルダを選んで下さい"), start);
  };
  build_controls();
  set_new_folder(QString());
  more_pictures_.setSingleShot(true);
  more_pictures_.setInterval(0);
  connect(&more_pictures_, &QTimer::timeout, this, &F_syozai::add_group_pictures);
  connect(&job_, &ui::BackgroundJob::tick, this, [this] { ProgressBar1->setValue(progress_.load()); });
  connect(&job_, &ui::BackgroundJob::running_changed, this, &F_syozai::set_running);
  const QRectF m = main.outer_geometry_twips();
  set_minimum_size();
  resize(std::max(760, minimumWidth()), std::max(560, minimumHeight()));
  move(ui::px(m.left()), ui::px(m.top()));
}

F_syozai::~F_syozai() { stop_work(); }

void F_syozai::set_running(bool running) {
  // Work of unknown length shows a moving bar; once it ends, a full one.
  if (!running && ProgressBar1->maximum() == 0) {
    ProgressBar1->setRange(0, 1);
    ProgressBar1->setValue(1);
  } else if (!running) {
    ProgressBar1->setValue(progress_.load());
  }
  Command1->setEnabled(running);
  for (QWidget* w : std::initializer_list<QWidget*>{Grid1, Grid2, Combo1, Command2, Check1, Command3})
    w->setEnabled(!running);
  Command4->setEnabled(!running && !state_.last_repoint.empty());
}

// After the last of a chain of work (plan, write, scan): back where the
// user was, or on the folder list (on 閉じる when it is empty).
void F_syozai::restore_focus() {
  QWidget* back = focus_before_;
  focus_before_ = nullptr;
  if (!back || !back->isEnabled() || back == Command1) {
    back = Grid1->rowCount() > 0 ? static_cast<QWidget*>(Grid1) : Command5;
  }
  back->setFocus(Qt::OtherFocusReason);
}

void F_syozai::run_in_background(const QString& what, int total, std::function<void()> work,
                                 std::function<void()> done) {
  cancel_ = false;
  progress_ = 0;
  ProgressBar1->setRange(0, std::max(total, 0));
  ProgressBar1->setTextVisible(total > 0);
  ProgressBar1->setValue(0);
  Label1->setText(what);
  if (!focus_before_) focus_before_ = focusWidget();
  job_.start(std::move(work), [this, done = std::move(done)] {
    done();
    if (!job_.running()) restore_focus();
  });
  // 中止 takes the focus while the other controls wait.
  Command1->setFocus(Qt::OtherFocusReason);
}

void F_syozai::wait_for_work() { job_.wait(); }

void F_syozai::start_scan() {
  if (job_.running()) return;
  memos_ = store::memos_to_check(state_.memo_table);
  const QString dir = state_.data_dir;
  run_in_background(
      QStringLiteral("画像リストを確認しています…"), static_cast<int>(memos_.size()),
      [this, dir] { scan_ = store::scan_pictures(dir, memos_, cancel_, [this](int n) { progress_ = n; }); },
      [this] { show_scan(); });
}

QString F_syozai::scan_text() const {
  QString text = store::scan_summary(scan_);
  for (const store::UnreadableList& u : scan_.unreadable) text += QLatin1Char('\n') + u.message;
  return text;
}

void F_syozai::show_scan() {
  groups_ = store::group_by_folder(scan_, memos_);
  Label1->setText(scan_text());
  {
    const QSignalBlocker quiet(Grid1);
    Grid1->setRowCount(static_cast<int>(groups_.size()));
    for (int r = 0; r < static_cast<int>(groups_.size()); ++r) {
      const store::FolderGroup& g = groups_[static_cast<size_t>(r)];
      set_row(Grid1, r, {g.folder.isEmpty() ? QStringLiteral("（フォルダなし）") : g.folder,
                         QString::number(g.items.size()), QString::number(g.memos), g.newest_date});
    }
    Grid1->clearSelection();
  }
  // The first folder is chosen, so that its pictures and folders show and
  // 付け替え acts on what the window shows.
  if (Grid1->rowCount() > 0) {
    Grid1->selectRow(0);
  } else {
    Grid2->setRowCount(0);
    Combo1->clear();
  }
}

int F_syozai::selected_group() const {
  const QList<QTableWidgetItem*> items = Grid1->selectedItems();
  return items.isEmpty() ? -1 : items.first()->row();
}

void F_syozai::Grid1_Click() {
  show_group_pictures();
  Combo1->clear();
  const int g = selected_group();
  if (g >= 0) Combo1->addItems(store::folder_and_ancestors(groups_[static_cast<size_t>(g)].folder));
}

bool F_syozai::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
  const int key = static_cast<QKeyEvent*>(event)->key();
  if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
  if (watched == Grid1 && Grid1->currentRow() >= 0) {
    Grid1->selectRow(Grid1->currentRow());
    return true;
  }
  if (watched == Grid2 && Grid2->currentRow() >= 0) {
    Grid2_DblClick();
    return true;
  }
  return false;
}

void F_syozai::show_group_pictures() {
  more_pictures_.stop();
  pictures_filled_ = 0;
  const int g = selected_group();
  Grid2->setRowCount(0);
  if (g < 0) return;
  // Every row is there at once (the scroll bar is right from the start);
  // their texts follow, the first screen at once.
  Grid2->setRowCount(static_cast<int>(groups_[static_cast<size_t>(g)].items.size()));
  add_group_pictures();
}

void F_syozai::add_group_pictures() {
  const int g = selected_group();
  if (g < 0) return;
  const std::vector<int>& items = groups_[static_cast<size_t>(g)].items;
  const int count = static_cast<int>(items.size());
  // The table was emptied or refilled since: this filling is over.
  if (Grid2->rowCount() != count) return;
  const int end = std::min(count, pictures_filled_ + kPictureRowsPerTurn);
  for (int r = pictures_filled_; r < end; ++r) {
    const store::MissingPicture& p = scan_.missing[static_cast<size_t>(items[static_cast<size_t>(r)])];
    const store::CheckedMemo& m = memos_[static_cast<size_t>(p.memo)];
    set_row(Grid2, r, {m.date, m.title, p.title, p.path});
  }
  pictures_filled_ = end;
  if (end < count) more_pictures_.start();
}

void F_syozai::Grid2_DblClick() {
  const int g = selected_group();
  const int r = Grid2->currentRow();
  if (g < 0 || r < 0) return;
  const std::vector<int>& items = groups_[static_cast<size_t>(g)].items;
  if (r >= static_cast<int>(items.size())) return;
  const store::MissingPicture& p = scan_.missing[static_cast<size_t>(items[static_cast<size_t>(r)])];
  main_.select_memo_no(memos_[static_cast<size_t>(p.memo)].memo_no);
}

void F_syozai::Command1_Click() { cancel_ = true; }

void F_syozai::set_new_folder(const QString& folder) {
  new_folder_ = folder;
  Label3->setText(folder.isEmpty() ? kNoFolder : breakable(folder));
  Label3->setToolTip(folder);
}

void F_syozai::Command2_Click() {
  const QString chosen = choose_folder(this, new_folder_.isEmpty() ? QDir::homePath() : new_folder_);
  if (!chosen.isEmpty()) set_new_folder(chosen);
}

void F_syozai::Command3_Click() {
  if (job_.running()) return;
  if (selected_group() < 0 || Combo1->currentText().isEmpty()) {
    messages_.inform(this, QStringLiteral("付け替えるフォルダを上の一覧で選んで下さい。"), kCaption);
    return;
  }
  if (new_folder_.isEmpty()) {
    messages_.inform(this, QStringLiteral("「新しいフォルダ...」で画像の今の場所を選んで下さい。"), kCaption);
    return;
  }
  request_ = store::RepointRequest{Combo1->currentText(), new_folder_, Check1->isChecked()};
  run_in_background(
      QStringLiteral("新しいフォルダで画像を探しています…"), 0,
      [this] { plan_ = store::plan_repoint(scan_, request_, cancel_, [this](int n) { progress_ = n; }); },
      [this] { plan_done(); });
}

void F_syozai::plan_done() {
  // The scan is unchanged: the folder chosen stays chosen.
  Label1->setText(scan_text());
  if (plan_.cancelled) {
    Label1->setText(QStringLiteral("中止しました。") + Label1->text());
    return;
  }
  if (!plan_.message.isEmpty()) {
    messages_.inform(this, plan_.message, kCaption);
    return;
  }
  const QString summary = store::plan_summary(scan_, plan_);
  if (plan_.count(store::RepointOutcome::Found) == 0) {
    messages_.inform(this, summary, kCaption);
    return;
  }
  if (!messages_.ask(this, summary + QStringLiteral("\n\n画像リストを書き換えますか？"), kCaption, false)) return;
  write_plan();
}

void F_syozai::write_plan() {
  const QString dir = state_.data_dir;
  settle_ = [this] {
    // A new re-pointing replaces what "元に戻す" would undo.
    if (!written_.ok) return;
    written_.record.old_folder = request_.old_folder;
    written_.record.new_folder = request_.new_folder;
    state_.last_repoint = written_.record;
  };
  run_in_background(
      QStringLiteral("画像リストを書き換えています…"), 0,
      [this, dir] {
        store::FileJournal journal(dir);
        written_ = store::write_repoint(dir, memos_, scan_, plan_, journal);
      },
      [this] { write_done(); });
}

void F_syozai::settle() {
  if (settle_) std::exchange(settle_, {})();
  show_undo_offer();
}

void F_syozai::write_done() {
  settle();
  if (!written_.ok) {
    messages_.inform(
        this, QStringLiteral("画像リストを書き換えられませんでした。何も変更していません。\n") + written_.message,
        kCaption);
  } else {
    Label6->setText(breakable(store::repoint_done_text(state_.last_repoint)));
    // The folder chosen was for the pictures just re-pointed.
    set_new_folder(QString());
  }
  start_scan();
}

void F_syozai::Command4_Click() {
  if (job_.running() || state_.last_repoint.empty()) return;
  undoing_ = state_.last_repoint;
  const QString dir = state_.data_dir;
  settle_ = [this] {
    if (undone_.ok) state_.last_repoint = store::RepointRecord();
  };
  run_in_background(
      QStringLiteral("画像リストを元に戻しています…"), 0, [this, dir] { undone_ = store::undo_repoint(dir, undoing_); },
      [this] { undo_done(); });
}

void F_syozai::undo_done() {
  settle();
  if (!undone_.ok) {
    messages_.inform(
        this, QStringLiteral("画像リストを元に戻せませんでした。何も変更していません。\n") + undone_.message,
        kCaption);
  } else {
    Label6->setText(breakable(store::undo_done_text(undoing_, undone_)));
  }
  start_scan();
}

void F_syozai::show_undo_offer() {
  Label7->setText(breakable(store::undo_offer_text(state_.last_repoint)));
  Command4->setEnabled(!job_.running() && !state_.last_repoint.empty());
}

void F_syozai::Command5_Click() {
  stop_work();
  QDialog::reject();
}

// Closing stops the work at once; its result is not shown any more, but a
// write or an undo that has ended is kept.
void F_syozai::stop_work() {
  cancel_ = true;
  job_.abandon();
  if (settle_) std::exchange(settle_, {})();
}

void F_syozai::reject() {
  if (job_.running()) {
    Command1_Click();
    return;
  }
  Command5_Click();
}
