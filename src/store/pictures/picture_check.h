#pragma once
// Finding the pictures whose files are gone: every memo's picture list is
// read and each path is tested, and the missing pictures are grouped by the
// folder their path names. Nothing here writes a file. The scan only reads
// files, so it may run in a worker thread on a copy of the memos it needs.

#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <vector>

#include "store/diary/checked_memo.h"

namespace store {

// One picture whose file was not found.
struct MissingPicture {
  int memo = 0;      // index into the memos scanned
  int position = 0;  // 1-based place in the memo's picture list
  QString path;
  QString title;
};

struct UnreadableList {
  int memo = 0;
  QString message;
};

struct PictureScan {
  std::vector<MissingPicture> missing;
  std::vector<UnreadableList> unreadable;
  int pictures = 0;  // pictures tested
  int memos_done = 0;
  bool cancelled = false;
};

// Tests the pictures of every memo. `progress` (may be empty) is called
// with the number of memos done, now and then; `cancel` is polled between
// memos and stops the scan at once.
PictureScan scan_pictures(const QString& data_dir, const std::vector<CheckedMemo>& memos,
                          const std::atomic_bool& cancel, const std::function<void(int)>& progress = {});

// True for an existing regular file (not a directory, FIFO or device).
bool picture_file_found(const QString& path);

// The folder a stored path names: the text up to and including its last
// "/" or "\" ("" when it has none).
QString stored_folder(const QString& path);

// The folder and each folder above it, innermost first:
// "C:\a\b\" gives "C:\a\b\", "C:\a\", "C:\".
QStringList folder_and_ancestors(const QString& folder);

// The missing pictures of one stored folder.
struct FolderGroup {
  QString folder;
  std::vector<int> items;  // indexes into PictureScan::missing, in scan order
  int memos = 0;           // memos with a missing picture here
  QString newest_date;
};
// Groups in order of their first missing picture.
std::vector<FolderGroup> group_by_folder(const PictureScan& scan, const std::vector<CheckedMemo>& memos);

// "12枚の画像（5件のメモ）が見つかりません。" and the like, with a note of
// picture lists that could not be read.
QString scan_summary(const PictureScan& scan);

}  // namespace store
