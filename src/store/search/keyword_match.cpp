#include "store/search/keyword_match.h"

#include <QHash>
#include <string>

#include "store/files/codec.h"
#include "store/search/cp932_forms.h"

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

namespace {

// The fold of every character windows-31j decodes to, and the kana a
// voiced or semi-voiced mark joins with the kana before it. Folding a text
// character by character, joining the marks as they come, gives what
// folding it whole gives: the marks are the only characters of these texts
// that normalization joins to the one before, and they join the hiragana
// as they join the katakana it came from.
class FoldTable {
 public:
  FoldTable() : single_(65536, kNotHere) {
    each_cp932_form([this](const QByteArray& bytes) {
      const QString text = decode_cp932(QByteArrayView(bytes));
      if (text.size() != 1) return;
      const char16_t c = text.at(0).unicode();
      if (single_[c] != kNotHere || several_.contains(c)) return;
      const QString folded = fold_for_search(text);
      if (folded.size() == 1 && folded.at(0).unicode() != kNotHere)
        single_[c] = folded.at(0).unicode();
      else
        several_.insert(c, folded);
    });
    for (char16_t k = kKanaFrom; k < kKanaTo; ++k) {
      for (const char16_t mark : {kVoiced, kSemiVoiced}) {
        const QChar pair[2] = {QChar(k), QChar(mark)};
        const QString joined = QString(pair, 2).normalized(QString::NormalizationForm_C);
        if (joined.size() == 1) (mark == kVoiced ? voiced_ : semi_voiced_)[k - kKanaFrom] = joined.at(0).unicode();
      }
    }
  }

  QString fold(const QString& text) const {
    thread_local std::u16string out;
    out.clear();
    out.reserve(static_cast<size_t>(text.size()) + 16);
    const auto put = [](const QString& s) { out.append(reinterpret_cast<const char16_t*>(s.utf16()), s.size()); };
    // Where the fold of the last character that is no mark begins, in the
    // text and in the fold.
    qsizetype piece_from = 0;
    size_t piece_start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
      const QChar ch = text.at(i);
      const char16_t f = single_[ch.unicode()];
      const bool mark = f == kVoiced || f == kSemiVoiced;
      if (!mark) {
        piece_from = i;
        piece_start = out.size();
      }
      if (f == kNotHere) {
        const auto it = several_.constFind(ch.unicode());
        put(it != several_.cend() ? *it : fold_for_search(QString(ch)));
        continue;
      }
      if (mark && !out.empty()) {
        const QChar last(out.back());
        // After an accent (´ ¨ ￣ fold to a space and one), the mark goes
        // before it, as normalization orders them: the piece is folded whole.
        if (last.combiningClass() > 8) {
          out.resize(piece_start);
          put(fold_for_search(text.mid(piece_from, i + 1 - piece_from)));
          continue;
        }
        if (last.unicode() >= kKanaFrom && last.unicode() < kKanaTo) {
          const char16_t joined = (f == kVoiced ? voiced_ : semi_voiced_)[last.unicode() - kKanaFrom];
          if (joined != 0) {
            out.back() = joined;
            continue;
          }
        }
      }
      out.push_back(f);
    }
    return QString(reinterpret_cast<const QChar*>(out.data()), static_cast<qsizetype>(out.size()));
  }

 private:
  static constexpr char16_t kNotHere = 0xFFFF;  // no text holds U+FFFF
  static constexpr char16_t kVoiced = 0x3099;
  static constexpr char16_t kSemiVoiced = 0x309A;
  static constexpr char16_t kKanaFrom = 0x3040;
  static constexpr char16_t kKanaTo = 0x3100;
  std::vector<char16_t> single_;
  QHash<char16_t, QString> several_;
  char16_t voiced_[kKanaTo - kKanaFrom] = {};
  char16_t semi_voiced_[kKanaTo - kKanaFrom] = {};
};

}  // namespace

QString fold_decoded(const QString& text) {
  static const FoldTable table;
  return table.fold(text);
}

bool KeywordMatch::in_decoded(const QString& text) const {
  if (empty()) return false;
  if (matching_ == Matching::IgnoreCase) return text.contains(compared_, Qt::CaseInsensitive);
  return fold_decoded(text).contains(compared_);
}

bool KeywordMatch::in(const QString& text) const {
  if (empty()) return false;
  if (matching_ == Matching::IgnoreCase) return text.contains(compared_, Qt::CaseInsensitive);
  return fold_for_search(text).contains(compared_);
}

}  // namespace store
