#include "store/search/keyword_match.h"

namespace store {

namespace {

// ヷ ヸ ヹ ヺ have no hiragana of their own: わ ゐ ゑ を with the voiced mark.
constexpr char16_t kVoicedWa[] = {u'わ', u'ゐ', u'ゑ', u'を'};
constexpr char16_t kVoicedMark = 0x3099;

}  // namespace

QString fold_for_search(const QString& text) {
  const QString folded = text.normalized(QString::NormalizationForm_KC).toCaseFolded();
  QString out;
  out.reserve(folded.size());
  for (const QChar c : folded) {
    const char16_t u = c.unicode();
    if (u >= u'ァ' && u <= u'ヶ') {
      out += QChar(static_cast<char16_t>(u - 0x60));
    } else if (u >= u'ヷ' && u <= u'ヺ') {
      out += QChar(kVoicedWa[u - u'ヷ']);
      out += QChar(kVoicedMark);
    } else {
      out += c;
    }
  }
  return out;
}

KeywordMatch::KeywordMatch(const QString& keyword, Matching matching)
    : keyword_(keyword), matching_(matching), compared_(matching == Matching::Fold ? fold_for_search(keyword) : keyword) {}

namespace {

// The folded text with, for each of its characters, the span of `text` it
// came from. The text is folded in pieces: a character with the marks that
// join it (a voiced mark, given apart or half-width, folds into the kana
// before it). Printable ASCII, most of a diary's Latin text, folds on its own.
struct FoldedText {
  QString text;
  std::vector<qsizetype> from;  // for each character of `text`
  std::vector<qsizetype> to;
};

bool joins_the_one_before(QChar c) {
  if (c.unicode() < 0x80) return false;
  if (c.combiningClass() != 0) return true;
  const QString d = QString(c).normalized(QString::NormalizationForm_KD);
  return !d.isEmpty() && d.at(0).combiningClass() != 0;
}

FoldedText fold_with_places(const QString& text) {
  FoldedText out;
  out.text.reserve(text.size());
  out.from.reserve(static_cast<size_t>(text.size()));
  out.to.reserve(static_cast<size_t>(text.size()));
  const auto put = [&out](const QString& folded, qsizetype from, qsizetype to) {
    out.text += folded;
    out.from.insert(out.from.end(), static_cast<size_t>(folded.size()), from);
    out.to.insert(out.to.end(), static_cast<size_t>(folded.size()), to);
  };
  qsizetype i = 0;
  while (i < text.size()) {
    const char16_t u = text.at(i).unicode();
    if (u >= 0x20 && u < 0x7F && (i + 1 == text.size() || !joins_the_one_before(text.at(i + 1)))) {
      put(QString(QChar(u >= 'A' && u <= 'Z' ? char16_t(u + 32) : u)), i, i + 1);
      ++i;
      continue;
    }
    qsizetype end = i + 1;
    if (text.at(i).isHighSurrogate() && end < text.size() && text.at(end).isLowSurrogate()) ++end;
    while (end < text.size() && joins_the_one_before(text.at(end))) ++end;
    put(fold_for_search(text.mid(i, end - i)), i, end);
    i = end;
  }
  return out;
}

}  // namespace

std::vector<KeywordMatch::Hit> KeywordMatch::hits_in(const QString& text) const {
  std::vector<Hit> hits;
  if (empty()) return hits;
  if (matching_ == Matching::IgnoreCase) {
    for (qsizetype at = text.indexOf(compared_, 0, Qt::CaseInsensitive); at >= 0;
         at = text.indexOf(compared_, at + compared_.size(), Qt::CaseInsensitive)) {
      hits.push_back({at, compared_.size()});
    }
    return hits;
  }
  const FoldedText folded = fold_with_places(text);
  for (qsizetype at = folded.text.indexOf(compared_); at >= 0;
       at = folded.text.indexOf(compared_, at + compared_.size())) {
    const qsizetype start = folded.from[static_cast<size_t>(at)];
    const qsizetype end = folded.to[static_cast<size_t>(at + compared_.size() - 1)];
    // Two hits within one piece of the text mark it once.
    if (!hits.empty() && start < hits.back().start + hits.back().length) continue;
    hits.push_back({start, end - start});
  }
  return hits;
}

bool KeywordMatch::in(const QString& text) const {
  if (empty()) return false;
  if (matching_ == Matching::IgnoreCase) return text.contains(compared_, Qt::CaseInsensitive);
  return fold_for_search(text).contains(compared_);
}

}  // namespace store
