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
  // The folders are looked through only when something in them changed
  // since the last look found no copy to merge.
  const FileStamp top = stamp_of(state.data_dir);
  const FileStamp memo = stamp_of(state.memo_dir_path());
  if (top == state.disk.data_dir_scanned && memo == state.disk.memo_dir_scanned) return sync;
  // A folder whose last look found nothing and that has not changed since
  // holds no copy.
  const std::vector<ConflictCopy> copies = find_conflict_copies(
      state.data_dir, !(top == state.disk.data_dir_scanned), !(memo == state.disk.memo_dir_scanned));
  if (copies.empty()) {
    state.disk.data_dir_scanned = top;
    state.disk.memo_dir_scanned = memo;
    return sync;
  }
  DiskSync merged = merge_conflict_copies(state, copies, now);
  merged.memos_changed |= sync.memos_changed;
  merged.locations_changed |= sync.locations_changed;
  merged.varieties_changed |= sync.varieties_changed;
  return merged;
}

}  // namespace store
