#pragma once
// A quick test of a memo file's bytes before they are decoded: a text that
// contains the keyword (letter case ignored) holds, for each of the
// keyword's characters, the windows-31j bytes of a character equal to it
// ignoring case. A few characters of the keyword, those least likely to
// turn up by chance, are looked for as bytes; a file that lacks every byte
// form of one of them cannot match and need not be decoded. The test only
// ever lets through too much, never too little: a file it lets through is
// decoded and compared as before. Compared folded, the same holds for the
// folded keyword's characters and the byte forms that fold to them.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <vector>

#include "store/search/keyword_match.h"

namespace store {

class KeywordBytes {
 public:
  explicit KeywordBytes(const QString& keyword, Matching matching = Matching::IgnoreCase);
  // False only when the bytes cannot decode to a text containing the keyword.
  bool may_contain(QByteArrayView bytes) const;

 private:
  // The byte forms of one of the keyword's characters: of two bytes, and
  // of one (by byte value).
  struct CharForms {
    std::vector<QByteArray> pairs;
    std::vector<bool> singles;
    bool has_singles = false;
    bool in(QByteArrayView bytes) const;
  };
  static constexpr size_t kMostChars = 3;
  // The characters looked for, least likely to turn up by chance first.
  std::vector<CharForms> chars_;
};

}  // namespace store
