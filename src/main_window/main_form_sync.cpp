// Changes made to the data folder from outside while Verdalis runs (a sync
// tool bringing the other machine's memos): the store takes them in, and
// the window shows them without losing the user's place: the filters stay,
// the memo the user was on stays current and shown, and a memo whose body
// arrived after its index line is shown again once the body is there.

#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalBlocker>

#include "main_window/disk_watch.h"
#include "main_window/main_form.h"
#include "main_window/memo_grid.h"
#include "main_window/memo_list_model.h"
#include "main_window/tools_menu.h"
#include "seasons/f_season.h"
#include "store/diary/memo_files.h"
#include "store/diary/memo_filter.h"
#include "store/diary/memo_index.h"
#include "store/sync/disk_sync.h"
#include "sync_report/f_douki.h"
#include "ui/pick_combo.h"

namespace {

QStringList items_of(const QComboBox* combo) {
  QStringList items;
  items.reserve(combo->count());
  for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
  return items;
}

// The drop-down list replaced, the text typed and the cursor in it kept.
void refill_keeping_text(ui::PickCombo* combo, const QStringList& names) {
  if (items_of(combo) == names) return;
  QLineEdit* edit = combo->lineEdit();
  const QString text = edit->text();
  const int cursor = edit->cursorPosition();
  const QSignalBlocker quiet(combo);
  combo->clear();
  combo->addItems(names);
  combo->setCurrentIndex(-1);
  combo->setEditText(text);
  edit->setCursorPosition(cursor);
}

}  // namespace

F_douki* Main_form::sync_report() const { return sync_report_; }

void Main_form::look_at_disk() {
  // The list's rows hold table slots, which the look may move: what the
  // user is on is kept by memo number.
  const int row = Grid1->current_grid_row();
  const QString current_no =
      row >= 1 && row <= state_.listed_count ? model_->cell(row - 1, MemoListModel::kMemoNoColumn) : QString();
  QStringList found_nos;
  if (listed_search_) {
    for (int r = 0; r < model_->memo_rows(); ++r) found_nos << model_->cell(r, MemoListModel::kMemoNoColumn);
  }

  const store::DiskSync sync = store::sync_with_disk(state_);
  if (!sync.ok) {
    // Memory and files are as they were; the next change tries again.
    report_disk_problem(sync.message);
    return;
  }
  disk_problem_shown_.clear();
  if (sync.changed()) {
    take_in_disk_changes(current_no, found_nos);
  } else if (!shown_memo_no_.isEmpty() && shown_memo_no_ == current_no && shown_memo_files_changed()) {
    show_memo_again();
  }
  if (!sync.merged.empty()) {
    show_merge_report(sync);
  } else {
    for (const QString& warning : sync.warnings) report_disk_problem(warning);
  }
}

void Main_form::report_disk_problem(const QString& text) {
  if (text.isEmpty() || text == disk_problem_shown_) return;
  disk_problem_shown_ = text;
  messages_.inform(this, text, store::kAppTitle);
}

void Main_form::take_in_disk_changes(const QString& current_no, const QStringList& found_nos) {
  const QString shown_no = shown_memo_no_;
  const int scrolled = Grid1->verticalScrollBar()->value();
  refresh_filter_names();
  relist_after_disk_change(found_nos);
  Grid1->verticalScrollBar()->setValue(scrolled);

  // The memo the user was on stays the current row when it is still listed.
  const int slot = current_no.isEmpty() ? 0 : store::find_memo_by_no(state_.memo_table, current_no);
  const int row = slot > 0 ? model_->row_of_slot(slot) : -1;
  if (row >= 0) {
    const QModelIndex index = model_->index(row, 0);
    Grid1->setCurrentIndex(index);
    Grid1->scrollTo(index);
  }
  // The pane keeps its memo unless the memo is gone (or no longer listed),
  // and shows it again when its files changed.
  if (!shown_no.isEmpty()) {
    if (row < 0 || shown_no != current_no) {
      clear_viewer_pane();
    } else if (shown_memo_files_changed()) {
      show_memo_again();
    }
  }
  update_main_caption();
  if (seasons::F_season* season = tools_->season()) season->list_memos();
}

void Main_form::relist_after_disk_change(const QStringList& found_nos) {
  if (!listed_search_) {
    // Listed again under the filters it was built with, so that a memo the
    // other machine added under them shows.
    fill_list(store::filtered_slots(state_.memo_table, listed_location_, listed_variety_));
    return;
  }
  // A search's result keeps its memos (those still in the diary) and its
  // marks.
  std::vector<int> slots;
  for (const QString& no : found_nos) {
    const int slot = store::find_memo_by_no(state_.memo_table, no);
    if (slot > 0) slots.push_back(slot);
  }
  std::unique_ptr<store::KeywordMatch> marks = std::move(search_marks_);
  fill_list(slots);
  search_marks_ = std::move(marks);
  listed_search_ = true;
}

void Main_form::refresh_filter_names() {
  refill_keeping_text(Combo1, state_.location_list.names);
  refill_keeping_text(Combo2, state_.variety_list.names);
}

bool Main_form::shown_memo_files_changed() const {
  if (shown_memo_no_.isEmpty()) return false;
  const store::BodyResult body = store::load_memo_body(state_.data_dir, shown_memo_no_);
  if (body.text != shown_body_) return true;
  return store::read_image_list(state_.data_dir, shown_memo_no_).images != shown_images_;
}

void Main_form::show_memo_again() {
  const int picture = shown_image_no_;
  const QString picture_path = picture_file_;
  const int text_scrolled = Text2->verticalScrollBar()->value();
  show_memo();
  Text2->verticalScrollBar()->setValue(text_scrolled);
  // The picture the user had chosen, when the list still holds it there.
  if (picture > 1 && picture <= state_.current_image_count() &&
      state_.current_images[static_cast<size_t>(picture - 1)].path == picture_path) {
    {
      const QSignalBlocker quiet(List1);
      List1->setCurrentRow(picture - 1);
    }
    show_memo_picture(picture);
  }
}

void Main_form::watch_shown_memo() {
  if (!disk_watch_) return;
  disk_watch_->set_extra_files({store::memo_body_path(state_.data_dir, shown_memo_no_),
                                store::memo_images_path(state_.data_dir, shown_memo_no_)});
}

void Main_form::show_merge_report(const store::DiskSync& sync) {
  if (!sync_report_) {
    sync_report_ = new F_douki(*this, messages_, state_.data_dir, this);
    sync_report_->setAttribute(Qt::WA_DeleteOnClose);
  }
  sync_report_->add(sync);
  if (!sync_report_->isVisible()) {
    // Centred on the main window.
    sync_report_->move(frameGeometry().center() - sync_report_->rect().center());
    sync_report_->show();
  }
  sync_report_->raise();
  sync_report_->activateWindow();
}
