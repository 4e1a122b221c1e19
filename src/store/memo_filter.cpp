#include "store/memo_filter.h"

namespace store {

bool passes_filters(const MemoRecord& record, const QString& location_filter, const QString& variety_filter) {
  if (!location_filter.isEmpty() && record.location != location_filter) return false;
  if (!variety_filter.isEmpty() && record.variety != variety_filter) return false;
  return true;
}

std::vector<int> filtered_slots(const MemoTable& table, const QString& location_filter,
                                const QString& variety_filter) {
  std::vector<int> slots;
  slots.reserve(table.size());
  for (size_t i = 0; i < table.size(); ++i) {
    if (passes_filters(table[i], location_filter, variety_filter)) slots.push_back(static_cast<int>(i) + 1);
  }
  return slots;
}

}  // namespace store
