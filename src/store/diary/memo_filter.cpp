#include "store/diary/memo_filter.h"

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
  // The filters are encoded once and compared with the stored bytes, so no
  // memo has to be decoded.
  const FieldKey location(location_filter);
  const FieldKey variety(variety_filter);
  const bool by_location = !location_filter.isEmpty();
  const bool by_variety = !variety_filter.isEmpty();
  for (size_t i = 0; i < table.size(); ++i) {
    if (by_location && !table.field_is(i, MemoField::Location, location)) continue;
    if (by_variety && !table.field_is(i, MemoField::Variety, variety)) continue;
    slots.push_back(static_cast<int>(i) + 1);
  }
  return slots;
}

}  // namespace store
