#pragma once
// Merging conflict copies of the diary's files back into the diary.

#include <vector>

#include "store/sync/conflict_names.h"
#include "store/sync/disk_sync.h"

namespace store {

// Merges the copies into memory and the data files, all or nothing, and on
// success moves them into 同期の競合/yyyymmdd-hhmmss/ beside the data:
//  - a memo (number and creation stamp) only the copy holds is added back
//    with its body and pictures, under a new number when its own is taken,
//    unless it was deleted here and not corrected there since;
//  - a memo changed on both machines is kept twice: the later-corrected
//    version stays, the other becomes a memo titled as the other machine's;
//  - category names only the copy holds are added after this machine's;
//  - flower.ini's highest number becomes the larger of both;
//  - the records of deleted memos are joined.
// A memo already held (same creation stamp, date, title and body) is never
// added again, so merging the same copies twice, or on both machines,
// gives each memo once.
DiskSync merge_conflict_copies(AppState& state, const std::vector<ConflictCopy>& copies, const QDateTime& now);

}  // namespace store
