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

bool KeywordMatch::in(const QString& text) const {
  if (empty()) return false;
  if (matching_ == Matching::IgnoreCase) return text.contains(compared_, Qt::CaseInsensitive);
  return fold_for_search(text).contains(compared_);
}

}  // namespace store
