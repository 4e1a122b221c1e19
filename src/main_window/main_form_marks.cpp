// The viewer pane while the list holds a search's result: every occurrence
// of the keyword in the body is marked, the first scrolled into view, F3 and
// Shift+F3 select the next and the previous one, and the picture titles
// that hold it are marked too. Marks are only drawn over the text
// (extra selections, item colours): nothing shown changes a file.

#include <QListWidget>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QShortcut>
#include <QTextBlock>

#include "main_window/main_form.h"

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
  if (!body_hits_.empty()) next_search_hit(1);

  for (int i = 0; i < List1->count(); ++i) {
    QListWidgetItem* item = List1->item(i);
    const bool hit = search_marks_ && search_marks_->in(item->text());
    item->setBackground(hit ? QBrush(kHitColour) : QBrush());
    item->setForeground(hit ? QBrush(Qt::black) : QBrush());
  }
}

void Main_form::next_search_hit(int step) {
  if (body_hits_.empty()) return;
  const int n = static_cast<int>(body_hits_.size());
  body_hit_ = body_hit_ < 0 ? (step > 0 ? 0 : n - 1) : ((body_hit_ + step) % n + n) % n;
  QList<QTextEdit::ExtraSelection> marks = Text2->extraSelections();
  for (int i = 0; i < marks.size() && i < n; ++i) {
    marks[i].format.setBackground(i == body_hit_ ? kCurrentColour : kHitColour);
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
  auto* next = new QShortcut(QKeySequence(Qt::Key_F3), this);
  connect(next, &QShortcut::activated, this, [this] { next_search_hit(1); });
  auto* previous = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), this);
  connect(previous, &QShortcut::activated, this, [this] { next_search_hit(-1); });
}
