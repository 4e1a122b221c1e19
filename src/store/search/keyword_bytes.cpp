#include "store/search/keyword_bytes.h"

#include <cstring>
#include <algorithm>
#include <map>

#include "store/files/codec.h"
#include "store/search/cp932_forms.h"

namespace store {

namespace {

using Forms = std::multimap<char16_t, QByteArray>;

// The sequences that decode, on their own, to exactly one character, by
// each character of that character's compared form (folded for the way of
// comparing). The codec decodes each character of a text from the very
// bytes that decode to it on their own (a byte that is not part of a valid
// pair decodes alone), so each character of a decoded text shows up here
// with bytes that are in the file. Each table is built the first time its
// way of comparing is used.
const Forms& forms_ignoring_case() {
  static const Forms forms = [] {
    Forms m;
    each_cp932_form([&m](const QByteArray& bytes) {
      const QString text = decode_cp932(QByteArrayView(bytes));
      if (text.size() == 1) m.emplace(text.at(0).toCaseFolded().unicode(), bytes);
    });
    return m;
  }();
  return forms;
}

const Forms& forms_folded() {
  static const Forms forms = [] {
    Forms m;
    each_cp932_form([&m](const QByteArray& bytes) {
      const QString text = decode_cp932(QByteArrayView(bytes));
      if (text.size() != 1) return;
      QString seen;
      for (const QChar c : fold_for_search(text)) {
        if (!seen.contains(c)) m.emplace(c.unicode(), bytes);
        seen += c;
      }
    });
    return m;
  }();
  return forms;
}

const Forms& forms_by_compared_char(Matching matching) {
  return matching == Matching::Fold ? forms_folded() : forms_ignoring_case();
}

void add_forms(const Forms& all, char16_t c, std::vector<QByteArray>& forms) {
  const auto [from, to] = all.equal_range(c);
  for (auto it = from; it != to; ++it) forms.push_back(it->second);
}

// Every byte form a text may hold where its compared form holds `c`. A
// folded text also gets a kana with a voiced mark where the bytes hold the
// kana and the mark apart (ｶﾞ, カﾞ): the forms of the bare kana count too,
// and are the only ones for a kana no single character folds to.
std::vector<QByteArray> forms_of(char16_t c, Matching matching) {
  const Forms& all = forms_by_compared_char(matching);
  std::vector<QByteArray> forms;
  if (matching == Matching::IgnoreCase) {
    add_forms(all, QChar(c).toCaseFolded().unicode(), forms);
    return forms;
  }
  add_forms(all, c, forms);
  const QString parts = QString(QChar(c)).normalized(QString::NormalizationForm_D);
  if (parts.size() > 1) add_forms(all, parts.at(0).unicode(), forms);
  return forms;
}

// Which two bytes decode, on their own, to one character: where the codec
// reads a pair rather than two single bytes.
const std::vector<bool>& pair_is_one_character() {
  static const std::vector<bool> pairs = [] {
    std::vector<bool> table(65536, false);
    each_cp932_form([&table](const QByteArray& bytes) {
      if (bytes.size() == 2 && decode_cp932(QByteArrayView(bytes)).size() == 1)
        table[static_cast<unsigned char>(bytes[0]) << 8 | static_cast<unsigned char>(bytes[1])] = true;
    });
    return table;
  }();
  return pairs;
}

// How likely a character's byte forms are to turn up in a file that does
// not contain the keyword: ASCII far more than the rest (single bytes are
// only looked for where a character starts, so a half-width kana is as
// rare as the kana itself), and more forms more than fewer.
int chance(const std::vector<QByteArray>& forms) {
  int score = 0;
  for (const QByteArray& f : forms) score += f.size() == 1 && static_cast<unsigned char>(f[0]) < 0x80 ? 100 : 1;
  return score;
}

}  // namespace

KeywordBytes::KeywordBytes(const QString& keyword, Matching matching) {
  const QString compared = matching == Matching::Fold ? fold_for_search(keyword) : keyword;
  std::vector<std::pair<int, CharForms>> candidates;
  QString seen;
  for (const QChar c : compared) {
    if (seen.contains(c)) continue;
    seen += c;
    // A character no bytes decode to (half of a surrogate pair, a letter
    // the code page lacks) is left to the comparison.
    std::vector<QByteArray> forms = forms_of(c.unicode(), matching);
    if (forms.empty()) continue;
    const int score = chance(forms);
    CharForms f;
    f.singles.assign(256, false);
    for (QByteArray& form : forms) {
      if (form.size() == 1) {
        f.singles[static_cast<unsigned char>(form[0])] = true;
        f.has_singles = true;
      } else {
        f.pairs.push_back(std::move(form));
      }
    }
    candidates.emplace_back(score, std::move(f));
  }
  // The least likely characters first; a few of them are enough.
  std::stable_sort(candidates.begin(), candidates.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& [score, f] : candidates) {
    if (chars_.size() == kMostChars) break;
    chars_.push_back(std::move(f));
  }
}

bool KeywordBytes::CharForms::in(QByteArrayView bytes) const {
  for (const QByteArray& f : pairs) {
    if (::memmem(bytes.data(), static_cast<size_t>(bytes.size()), f.constData(), static_cast<size_t>(f.size())))
      return true;
  }
  if (!has_singles) return false;
  // A single byte counts only where the codec starts a character with it:
  // the second byte of a pair (a kanji's, say) is not a half-width kana.
  const std::vector<bool>& is_pair = pair_is_one_character();
  const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
  const qsizetype n = bytes.size();
  for (qsizetype i = 0; i < n;) {
    if (i + 1 < n && is_pair[b[i] << 8 | b[i + 1]]) {
      i += 2;
      continue;
    }
    if (singles[b[i]]) return true;
    ++i;
  }
  return false;
}

bool KeywordBytes::may_contain(QByteArrayView bytes) const {
  // A text holding the keyword holds each of its characters.
  for (const CharForms& c : chars_) {
    if (!c.in(bytes)) return false;
  }
  return true;
}

}  // namespace store
