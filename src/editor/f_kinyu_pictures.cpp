// The memo editor's picture list: adding pictures through the picture
// picker, deleting and moving the chosen one, showing it, and changing its
// title. Every change stays in memory until the memo is saved.

#include <QListWidget>
#include <utility>

#include "editor/f_kinyu.h"
#include "editor/f_title.h"
#include "picture_picker/f_picture.h"

namespace {

const QString kMoveDownFirst = QStringLiteral("下に移動する画像を選んでください");
const QString kLastAlready = QStringLiteral("これより下には移動できません");
const QString kMoveUpFirst = QStringLiteral("上に移動する画像を選んでください");
const QString kFirstAlready = QStringLiteral("これより上には移動できません");

}  // namespace

int F_kinyu::selected_picture() const { return List1->selected_row() + 1; }

void F_kinyu::List1_Click() { show_editor_picture(selected_picture()); }

void F_kinyu::Command5_Click() {
  // The picker appends to List1 and current_images itself; the new
  // pictures show when their titles are clicked.
  F_picture picker(state_, messages_, *this, *List1);
  run_modal(picker);
}

void F_kinyu::Command4_Click() {
  const int k = selected_picture();
  if (k < 1 || k > state_.current_image_count()) return;
  const QString question =
      QStringLiteral("『") + List1->item(k - 1)->text() + QStringLiteral("』を削除してもいいですか？");
  if (!messages_.ask(this, question, store::kAppName, false)) return;
  state_.current_images.erase(state_.current_images.begin() + (k - 1));
  list_pictures();
  show_first_picture();
}

void F_kinyu::Command6_Click() {
  const int k = selected_picture();
  if (k < 1) {
    messages_.inform(this, kMoveDownFirst, store::kAppTitle);
    return;
  }
  if (k >= state_.current_image_count()) {
    messages_.inform(this, kLastAlready, store::kAppTitle);
    return;
  }
  move_picture(k, k + 1);
}

void F_kinyu::Command7_Click() {
  const int k = selected_picture();
  if (k < 1) {
    messages_.inform(this, kMoveUpFirst, store::kAppTitle);
    return;
  }
  if (k == 1) {
    messages_.inform(this, kFirstAlready, store::kAppTitle);
    return;
  }
  move_picture(k, k - 1);
}

// Entries `from` and `to` (1-based) change places; the moved picture stays
// chosen and is shown as a click on it would.
void F_kinyu::move_picture(int from, int to) {
  std::swap(state_.current_images[static_cast<size_t>(from - 1)], state_.current_images[static_cast<size_t>(to - 1)]);
  list_pictures();
  List1->setCurrentRow(to - 1, QItemSelectionModel::ClearAndSelect);
  show_editor_picture(to);
}

void F_kinyu::List1_DblClick() {
  const int k = selected_picture();
  if (k < 1 || k > state_.current_image_count()) return;
  store::ImageEntry& entry = state_.current_images[static_cast<size_t>(k - 1)];
  F_title dialog(List1->item(k - 1)->text(), entry.path, messages_, this);
  if (run_modal(dialog) != QDialog::Accepted) return;
  entry.title = dialog.title();
  List1->item(k - 1)->setText(entry.title);
}
