#include "store/search/keyword_bytes.h"

#include <cstring>
#include <map>

#include "store/files/codec.h"

namespace store {

namespace {

// Every byte and every two-byte sequence of windows-31j that decodes, on
// its own, to exactly one character, by that character folded for
// comparing without case. The codec decodes each character of a text from
// the very bytes that decode to it on their own (a byte that is not part
// of a valid pair decodes alone), so each character of a decoded text
// shows up here with bytes that are in the file.
const std::multimap<char16_t, QByteArray>& forms_by_folded_char() {
  static const std::multimap<char16_t, QByteArray> forms = [] {
    std::multimap<char16_t, QByteArray> m;
    const auto add = [&m](const QByteArray& bytes) {
      const QString text = decode_cp932(QByteArrayView(bytes));
      if (text.size() == 1) m.emplace(text.at(0).toCaseFolded().unicode(), bytes);
    };
    for (int b = 0; b < 256; ++b) add(QByteArray(1, static_cast<char>(b)));
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
      if (lead > 0x9F && lead < 0xE0) continue;
      for (int trail = 0x40; trail <= 0xFC; ++trail) {
        const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        add(QByteArray(pair, 2));
      }
    }
    return m;
  }();
  return forms;
}

// How likely a character's byte forms are to turn up in a file that does
// not contain the keyword: single bytes (ASCII, half-width kana) far more
// than pairs, and more forms more than fewer.
int chance(const std::vector<QByteArray>& forms) {
  int score = 0;
  for (const QByteArray& f : forms) score += f.size() == 1 ? 100 : 1;
  return score;
}

}  // namespace

KeywordBytes::KeywordBytes(const QString& keyword) {
  const auto& all = forms_by_folded_char();
  int best = 0;
  for (const QChar c : keyword) {
    const auto [from, to] = all.equal_range(c.toCaseFolded().unicode());
    std::vector<QByteArray> forms;
    for (auto it = from; it != to; ++it) forms.push_back(it->second);
    // A character no bytes decode to (half of a surrogate pair, a letter
    // the code page lacks): leave the decision to the comparison.
    if (forms.empty()) {
      active_ = false;
      forms_.clear();
      return;
    }
    const int score = chance(forms);
    if (!active_ || score < best) {
      active_ = true;
      best = score;
      forms_ = std::move(forms);
    }
  }
}

bool KeywordBytes::may_contain(QByteArrayView bytes) const {
  if (!active_) return true;
  for (const QByteArray& f : forms_) {
    if (::memmem(bytes.data(), static_cast<size_t>(bytes.size()), f.constData(), static_cast<size_t>(f.size())))
      return true;
  }
  return false;
}

}  // namespace store
