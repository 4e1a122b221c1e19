#pragma once
// Merging two versions of the index files that both changed since a common
// one: this machine's (ours) and the one a sync tool put on disk (theirs).

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

#include "store/diary/memo_table.h"

namespace store {

// A memo is the same memo on both machines when it has the same number and
// the same creation stamp: two machines apart may both hand out one number.
struct MemoIdentity {
  qint64 no = 0;
  QByteArray created;
  friend bool operator==(const MemoIdentity&, const MemoIdentity&) = default;
};
MemoIdentity identity_of(const MemoTable& table, size_t i);

// True when the two memos' seven index fields are the same bytes.
bool same_record(const MemoTable& a, size_t i, const MemoTable& b, size_t j);

// Three-way merge of memo tables, memo by memo:
//  - changed on one side only: that side's version;
//  - deleted on one side and unchanged on the other: deleted; deleted on one
//    side but changed on the other: kept as changed, so nothing typed is lost;
//  - added on either side: added;
//  - changed on both sides: the version corrected later stays and the other
//    is handed back in `other_versions` for the caller to keep as a memo of
//    its own (it needs a number and files).
// The result is in display order.
MemoTable merge_memo_tables(const MemoTable& base, const MemoTable& ours, const MemoTable& theirs,
                            std::vector<MemoRecord>* other_versions);

// Three-way merge of a category list: this machine's order, without the
// names the other side removed, then the names the other side added.
QStringList merge_category_names(const QStringList& base, const QStringList& ours, const QStringList& theirs);

}  // namespace store
