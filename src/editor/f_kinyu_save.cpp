// The memo editor's "登録": reads the fields, lets the store check and save
// them, and refreshes the main window after a completed save.

#include <QComboBox>
#include <QDateTime>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

#include "editor/f_kinyu.h"
#include "store/diary/field_formats.h"
#include "store/diary/memo_index.h"

namespace {

// Keeps a button disabled for the lifetime of the guard.
class DisabledWhile {
 public:
  explicit DisabledWhile(QPushButton* button) : button_(button) { button_->setEnabled(false); }
  ~DisabledWhile() { button_->setEnabled(true); }
  DisabledWhile(const DisabledWhile&) = delete;
  DisabledWhile& operator=(const DisabledWhile&) = delete;

 private:
  QPushButton* button_;
};

}  // namespace

QString F_kinyu::body_text() const {
  return Text3->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

store::MemoInput F_kinyu::read_input() const {
  // The one-line fields are stored one line each: a line break pasted into
  // one of them would split its record in the data file.
  store::MemoInput input;
  input.date = store::as_one_line(Text1->text());
  input.location = store::as_one_line(Combo1->currentText());
  input.variety = store::as_one_line(Combo2->currentText());
  input.title = store::as_one_line(Text2->text());
  input.body = body_text();
  // Each picture carries the title its list item shows.
  input.images = state_.current_images;
  for (int i = 0; i < static_cast<int>(input.images.size()) && i < List1->count(); ++i) {
    input.images[static_cast<size_t>(i)].title = store::as_one_line(List1->item(i)->text());
  }
  return input;
}

bool F_kinyu::settle_unencodable(store::MemoInput& input) {
  const QString lost = store::unencodable_characters(input);
  if (lost.isEmpty()) return true;
  const QString question =
      QStringLiteral("次の文字は保存できません：%1\n「?」に置き換えて保存しますか？").arg(lost);
  if (!messages_.ask(this, question, store::kAppTitle, false)) return false;
  input = store::with_unencodable_replaced(input);
  return true;
}

void F_kinyu::Command1_Click() {
  // No second save can start while this one runs.
  const DisabledWhile busy(Command1);

  store::MemoInput input = read_input();
  const store::MemoChange refused = store::check_memo(state_, input);
  if (!refused.ok) {
    messages_.inform(this, refused.text, refused.title);
    return;
  }
  if (!settle_unencodable(input)) return;
  save(std::move(input));
}

void F_kinyu::save(store::MemoInput input) {
  // A correction whose memo could not be found must not become a new memo:
  // the store refuses a slot it does not hold.
  const int slot = new_memo_ ? 0 : (edit_slot_ > 0 ? edit_slot_ : -1);
  const store::MemoRecord opened = slot > 0 ? state_.memo_table[static_cast<size_t>(slot - 1)] : store::MemoRecord{};
  const store::MemoChange change = store::save_memo(state_, input, slot, QDateTime::currentDateTime());
  if (!change.ok) {
    if (change.outside_changed) {
      // Not saved, but the other machine's changes were taken in: the main
      // list shows them, and the memo being corrected is found again by
      // its number and creation time, since its slot may have moved.
      main_.refresh_memo_list();
      main_.update_main_caption();
      if (slot > 0) {
        const int found = store::find_memo_by_no(state_.memo_table, opened.memo_no);
        const bool same = found > 0 && state_.memo_table[static_cast<size_t>(found - 1)].created == opened.created;
        edit_slot_ = same ? found : -1;
      }
    }
    messages_.inform(this, change.text, change.title);
    return;
  }
  if (change.location_added) main_.add_location_filter_name(input.location);
  if (change.variety_added) main_.add_variety_filter_name(input.variety);
  main_.refresh_memo_list();
  main_.update_main_caption();
  if (!change.warning.isEmpty()) messages_.inform(this, change.warning, store::kAppTitle);
  accept();
}
