#pragma once
// The full-text search of one memo: its title, then the titles of its
// pictures, then its body. Letter case is ignored, or the texts are
// compared folded when the user chose so (keyword_match.h); picture paths
// are never searched. This is the reference: the parallel search
// (SearchRun) must give the same result for every memo, and the tests hold
// it to that.

#include <QByteArray>
#include <QString>
#include <vector>

#include "store/diary/app_state.h"
#include "store/search/keyword_match.h"

namespace store {

struct MemoSearch {
  bool found = false;
  // Whether the memo's picture list file was read and held pictures, and
  // what it held: as entries, or, when the list was not parsed (its bytes
  // could not hold the keyword), as its bytes.
  bool images_read = false;
  std::vector<ImageEntry> images;
  QByteArray images_bytes;
};

// The pictures of the list the search read, parsed when they were not.
std::vector<ImageEntry> images_of(const MemoSearch& result);

// Searches one memo for the keyword. Files are read only as far as needed:
// the picture list only when the title does not match, the body only when
// no picture title matched. An empty keyword matches nothing.
MemoSearch search_memo(const QString& data_dir, const QString& title, const QString& memo_no,
                       const KeywordMatch& keyword);
inline MemoSearch search_memo(const QString& data_dir, const MemoRecord& record, const QString& keyword,
                              Matching matching = Matching::IgnoreCase) {
  return search_memo(data_dir, record.title, record.memo_no, KeywordMatch(keyword, matching));
}

}  // namespace store
