#pragma once
// Which memos the main list shows under its two filters.

#include <QString>
#include <vector>

#include "store/diary/memo_index.h"

namespace store {

// A memo passes when its location equals the location filter and its
// variety equals the variety filter; an empty filter is off. Texts are
// compared exactly, with no trimming or case folding.
bool passes_filters(const MemoRecord& record, const QString& location_filter, const QString& variety_filter);

// The 1-based slots of the memos that pass, in table order.
std::vector<int> filtered_slots(const MemoTable& table, const QString& location_filter,
                                const QString& variety_filter);

}  // namespace store
