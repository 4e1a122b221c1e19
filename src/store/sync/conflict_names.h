#pragma once
// The copies sync tools make when both machines changed a file since they
// last agreed: Syncthing, Nextcloud (and the older ownCloud) and Dropbox each
// keep one version under the file's own name and rename the other.

#include <QString>
#include <vector>

namespace store {

// The name of the file a conflict copy was made of, or "" when the name is
// no conflict copy:
//   flower.sync-conflict-20261209-225128-TAL4BDR.dat     (Syncthing)
//   flower (conflicted copy 2018-04-10 093612).dat        (Nextcloud)
//   flower_conflict-hanako-20180410-093612.dat            (ownCloud)
//   flower (Hanako's conflicted copy 2018-04-10).dat      (Dropbox)
QString conflict_original(const QString& file_name);

// What a data file is to the diary.
enum class DataFileKind { None, MemoIndex, Locations, Varieties, Settings, DeletedMemos, Versions, Body, Pictures };

// The kind of a data file by its path relative to the data folder
// ("flower.dat", "memo/m0000012.txt"); None for any other file.
DataFileKind data_file_kind(const QString& relative_path);

// One conflict copy of a data file; paths relative to the data folder.
struct ConflictCopy {
  QString path;      // "memo/m0000002.sync-conflict-20261209-225128-TAL4BDR.txt"
  QString original;  // "memo/m0000002.txt"
  DataFileKind kind = DataFileKind::None;
};

// The conflict copies of the diary's own files in the data folder and its
// memo folder (either may be passed over), in name order.
std::vector<ConflictCopy> find_conflict_copies(const QString& data_dir, bool in_data_dir = true, bool in_memo_dir = true);

}  // namespace store
