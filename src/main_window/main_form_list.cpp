// The memo list and its two filters.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>

#include "main_window/main_form.h"
#include "main_window/memo_grid.h"
#include "main_window/memo_list_model.h"
#include "store/diary/memo_filter.h"
#include "store/diary/memo_index.h"
#include "ui/pick_combo.h"

void Main_form::fill_list(const std::vector<int>& slots) {
  // A list filtered, reset or begun again is no longer a search's result.
  search_marks_.reset();
  listed_search_ = false;
  model_->set_slots(slots);
  state_.listed_count = static_cast<int>(slots.size());
  // No memo row is current after the list was rebuilt.
  Grid1->setCurrentIndex(QModelIndex());
  Grid1->clearSelection();
  Q_EMIT listed_memos_changed();
}

void Main_form::empty_list() { fill_list({}); }

void Main_form::refresh_memo_list() {
  listed_location_ = Combo1->currentText();
  listed_variety_ = Combo2->currentText();
  fill_list(store::filtered_slots(state_.memo_table, listed_location_, listed_variety_));
  clear_viewer_pane();
}

void Main_form::reset_memo_list() {
  begin_listing();
  listed_location_.clear();
  listed_variety_.clear();
  fill_list(store::filtered_slots(state_.memo_table, QString(), QString()));
}

void Main_form::clear_viewer_pane() {
  Text1->clear();
  Text2->clear();
  drop_body_marks();
  Label3->clear();
  {
    const QSignalBlocker quiet(List1);
    List1->clear();
  }
  remove_picture();
}

void Main_form::update_main_caption() { setWindowTitle(store::main_caption(state_.memo_count())); }

void Main_form::set_hint(const QString& text) { Text1->setText(text); }

QString Main_form::current_memo_no() {
  const int r = Grid1->current_grid_row();
  if (r < 1 || r > state_.listed_count) return QString();
  Grid1->setCurrentIndex(model_->index(r - 1, MemoListModel::kMemoNoColumn));
  return model_->cell(r - 1, MemoListModel::kMemoNoColumn);
}

// A new name joins the drop-down list; the filter text stays as it was.
void Main_form::add_location_filter_name(const QString& name) { Combo1->append_keeping_text(name); }

void Main_form::add_variety_filter_name(const QString& name) { Combo2->append_keeping_text(name); }

namespace {

void refill(QComboBox* combo, const QStringList& names) {
  combo->clear();
  combo->addItems(names);
  combo->setCurrentIndex(-1);
  combo->setEditText(QString());
}

}  // namespace

void Main_form::set_location_filter_names(const QStringList& names) { refill(Combo1, names); }

void Main_form::set_variety_filter_names(const QStringList& names) { refill(Combo2, names); }

void Main_form::begin_listing() {
  Combo1->setCurrentIndex(-1);
  Combo1->setEditText(QString());
  Combo2->setCurrentIndex(-1);
  Combo2->setEditText(QString());
  clear_viewer_pane();
  empty_list();
}

void Main_form::list_memo(int slot) {
  if (slot < 1 || slot > state_.memo_count()) return;
  model_->append_slot(slot);
  listed_search_ = true;
  state_.listed_count = model_->memo_rows();
  Q_EMIT listed_memos_changed();
}

std::vector<int> Main_form::listed_slots() const { return model_->listed_slots(); }

bool Main_form::select_memo_no(const QString& memo_no) {
  const int slot = store::find_memo_by_no(state_.memo_table, memo_no);
  if (slot < 1) return false;
  int row = model_->row_of_slot(slot);
  if (row < 0) {
    reset_memo_list();
    row = model_->row_of_slot(slot);
  }
  if (row < 0) return false;
  clear_viewer_pane();
  const QModelIndex index = model_->index(row, 0);
  Grid1->setCurrentIndex(index);
  Grid1->scrollTo(index);
  return true;
}

void Main_form::Combo1_Click() {
  if (!Combo1->currentText().isEmpty() || !Combo2->currentText().isEmpty()) {
    listed_location_ = Combo1->currentText();
    listed_variety_ = Combo2->currentText();
    fill_list(store::filtered_slots(state_.memo_table, listed_location_, listed_variety_));
  }
  clear_viewer_pane();
}

void Main_form::Combo2_Click() { Combo1_Click(); }

void Main_form::Command2_Click() { reset_memo_list(); }
