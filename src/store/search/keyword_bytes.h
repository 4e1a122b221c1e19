#pragma once
// A quick test of a memo file's bytes before they are decoded: a text that
// contains the keyword (letter case ignored) holds, for each of the
// keyword's characters, the windows-31j bytes of a character equal to it
// ignoring case. One character of the keyword, the one least likely to
// turn up by chance, is looked for as bytes; a file with none of its byte
// forms anywhere cannot match and need not be decoded. The test only ever
// lets through too much, never too little: a file it lets through is
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
  bool active_ = false;
  // The chosen character's forms of two bytes, and of one (by byte value).
  std::vector<QByteArray> forms_;
  std::vector<bool> singles_;
  bool has_singles_ = false;
};

}  // namespace store
