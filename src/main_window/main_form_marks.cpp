// The viewer pane while the list holds a search's result: every occurrence
// of the keyword in the body is marked, the first scrolled into view, and
// the picture titles that hold it are marked too. F3 and Shift+F3 select
// the next and the previous occurrence in the body; past the memo's last
// (before its first) they go on to the next (previous) memo found, so that
// one key walks every memo of the result. Marks are only drawn over the
// text (extra selections, item data): nothing shown changes a file.

#include <QListWidget>
#include <QPlainTextEdit>
#include <QShortcut>

#include "main_window/main_form.h"
#include "main_window/memo_grid.h"
#include "main_window/memo_list_model.h"
#include "main_window/search_mark_delegate.h"
#include "store/diary/memo_index.h"

namespace {

const QColor kHitColour(255, 236, 139);      // every occurrence
const QColor kCurrentColour(255, 165, 79);   // the one F3 selected

QTextEdit::ExtraSelection mark(QPlainTextEdit* box, const store::KeywordMatch::Hit& hit, const QColor& colour) {
  QTextEdit::ExtraSelection s;
  s.cursor = QTextCursor(box->document());
  s.cursor.setPosition(static_cast<int>(hit.start));
  s.cursor.setPosition(static_cast<int>(hit.start + hit.length), QTextCursor::KeepAnchor);
  s.format.setBackground(colour);
  s.format.setForeground(Qt::black);
  return s;
}

QList<QPoint> as_marks(const std::vector<store::KeywordMatch::Hit>& hits) {
  QList<QPoint> marks;
  for (const store::KeywordMatch::Hit& h : hits) marks.append(QPoint(static_cast<int>(h.start), static_cast<int>(h.length)));
  return marks;
}

}  // namespace

void Main_form::mark_search_hits(const QString& keyword, bool folded) {
  search_marks_ = std::make_unique<store::KeywordMatch>(
      keyword, folded ? store::Matching::Fold : store::Matching::IgnoreCase);
  show_search_marks();
}

void Main_form::show_search_marks() {
  body_hits_.clear();
  body_hit_ = -1;
  if (search_marks_) body_hits_ = search_marks_->hits_in(Text2->toPlainText());
  QList<QTextEdit::ExtraSelection> marks;
  for (const store::KeywordMatch::Hit& h : body_hits_) marks << mark(Text2, h, kHitColour);
  Text2->setExtraSelections(marks);
  if (!body_hits_.empty()) select_body_hit(0);

  for (int i = 0; i < List1->count(); ++i) {
    QListWidgetItem* item = List1->item(i);
    const QList<QPoint> hits = search_marks_ ? as_marks(search_marks_->hits_in(item->text())) : QList<QPoint>();
    item->setData(SearchMarkDelegate::kMarksRole, hits.isEmpty() ? QVariant() : QVariant::fromValue(hits));
  }
}

void Main_form::drop_body_marks() {
  Text2->setExtraSelections({});
  body_hits_.clear();
  body_hit_ = -1;
  shown_memo_no_.clear();
}

void Main_form::next_search_hit(int step) {
  if (!search_marks_) return;
  const int n = static_cast<int>(body_hits_.size());
  const int next = body_hit_ < 0 ? (step > 0 ? 0 : n - 1) : body_hit_ + step;
  if (n > 0 && next >= 0 && next < n) {
    select_body_hit(next);
    return;
  }
  if (show_next_memo_found(step)) return;
  // No memo found after (before) this one: round this memo's hits.
  if (n > 0) select_body_hit((next % n + n) % n);
}

bool Main_form::show_next_memo_found(int step) {
  const int shown_slot = shown_memo_no_.isEmpty() ? 0 : store::find_memo_by_no(state_.memo_table, shown_memo_no_);
  const int shown_row = shown_slot > 0 ? model_->row_of_slot(shown_slot) : -1;
  // With no memo shown, F3 begins at the first memo found, Shift+F3 at the last.
  const int row = shown_row < 0 ? (step > 0 ? 0 : state_.listed_count - 1) : shown_row + step;
  if (row < 0 || row >= state_.listed_count) return false;
  const QModelIndex index = model_->index(row, 0);
  Grid1->setCurrentIndex(index);
  Grid1->scrollTo(index);
  show_memo();
  // Going back, the memo is entered at its last hit.
  if (step < 0 && !body_hits_.empty()) select_body_hit(static_cast<int>(body_hits_.size()) - 1);
  return true;
}

void Main_form::select_body_hit(int i) {
  const int n = static_cast<int>(body_hits_.size());
  if (i < 0 || i >= n) return;
  body_hit_ = i;
  QList<QTextEdit::ExtraSelection> marks = Text2->extraSelections();
  for (int k = 0; k < marks.size() && k < n; ++k) {
    marks[k].format.setBackground(k == body_hit_ ? kCurrentColour : kHitColour);
  }
  Text2->setExtraSelections(marks);
  // The hit is made the text cursor's place (no selection, so that the
  // marks show) and scrolled into view.
  QTextCursor at(Text2->document());
  at.setPosition(static_cast<int>(body_hits_[static_cast<size_t>(body_hit_)].start));
  Text2->setTextCursor(at);
  Text2->ensureCursorVisible();
}

void Main_form::install_search_keys() {
  List1->setItemDelegate(new SearchMarkDelegate(kHitColour, List1));
  auto* next = new QShortcut(QKeySequence(Qt::Key_F3), this);
  connect(next, &QShortcut::activated, this, [this] { next_search_hit(1); });
  auto* previous = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), this);
  connect(previous, &QShortcut::activated, this, [this] { next_search_hit(-1); });
}
