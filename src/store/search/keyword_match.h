#pragma once
// How the full-text search compares a keyword with a text. Ignoring letter
// case is the search's own rule. Folding is the user's choice for reading
// Japanese as people write it: both sides are brought to one form, so that
// バラ, ばら and ﾊﾞﾗ match each other, and Ｒｏｓａ matches rosa.

#include <QString>
#include <vector>

namespace store {

enum class Matching { IgnoreCase, Fold };

// The text in its folded form: Unicode NFKC (full-width Latin and digits to
// half-width, half-width katakana to full-width with their voiced marks
// joined), case folding, then katakana to hiragana (ヷ–ヺ become their
// hiragana with the voiced mark; ー and the iteration marks stay). Kanji
// are not read.
QString fold_for_search(const QString& text);
// The same as fold_for_search for a text decoded from windows-31j, by
// table and many times faster; other characters fold one by one.
QString fold_decoded(const QString& text);

class KeywordMatch {
 public:
  KeywordMatch(const QString& keyword, Matching matching);

  const QString& keyword() const { return keyword_; }
  Matching matching() const { return matching_; }
  // The keyword as it is compared: folded, or as typed.
  const QString& compared() const { return compared_; }
  // An empty keyword, or one that folds to nothing, matches nothing.
  bool empty() const { return compared_.isEmpty(); }
  bool in(const QString& text) const;
  // The same as in() for a text decoded from windows-31j, faster.
  bool in_decoded(const QString& text) const;

  // Where the keyword is found in `text`, by the same rule as in(): the
  // start and length of each occurrence in `text` itself, in order, none
  // overlapping the one before.
  struct Hit {
    qsizetype start = 0;
    qsizetype length = 0;
    bool operator==(const Hit&) const = default;
  };
  std::vector<Hit> hits_in(const QString& text) const;

 private:
  QString keyword_;
  Matching matching_;
  QString compared_;
};

}  // namespace store
