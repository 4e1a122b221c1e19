#include "store/sync/disk_sync.h"

#include "store/sync/conflict_merge.h"
#include "store/sync/conflict_names.h"

namespace store {

DiskSync sync_with_disk(AppState& state, const QDateTime& now) {
  DiskSync sync;
  const OutsideChange outside = take_outside_changes(state);
  sync.memos_changed = outside.memos;
  sync.locations_changed = outside.locations;
  sync.varieties_changed = outside.varieties;
  if (!outside.ok) {
    sync.ok = false;
    sync.message = outside.message;
    return sync;
  }
  const std::vector<ConflictCopy> copies = find_conflict_copies(state.data_dir);
  if (copies.empty()) return sync;
  DiskSync merged = merge_conflict_copies(state, copies, now);
  merged.memos_changed |= sync.memos_changed;
  merged.locations_changed |= sync.locations_changed;
  merged.varieties_changed |= sync.varieties_changed;
  return merged;
}

}  // namespace store
