#pragma once
// Writing a backup: one ZIP archive with the data files, every file of
// memo/ and each picture that a memo names, under the top folder
// "Verdalis/". First a plan lists what goes in (nothing is written); then
// the archive is written in chunks to a temporary file beside the target,
// read back and checked, and only then renamed to the target's name. The
// data directory is only read.

#include <QDate>
#include <QString>
#include <atomic>
#include <functional>
#include <vector>

#include "store/backup/backup_names.h"
#include "store/diary/checked_memo.h"
#include "store/files/size_text.h"

namespace store {

struct BackupItem {
  QString source;  // the file on this computer
  QString name;    // below the top folder: "flower.dat", "memo/m0000001.txt", "写真/…"
  qint64 size = 0;
  bool picture = false;
};

struct BackupPlan {
  std::vector<BackupItem> items;           // data files, memo/ files, then pictures
  std::vector<PictureListEntry> pictures;  // every picture path named, with its place
  std::vector<QString> missing;            // paths named by a memo that are not files
  int memos = 0;
  int unreadable_lists = 0;
  qint64 total_bytes = 0;
  QString message;  // set when the data directory cannot be listed
  bool cancelled = false;
};

// Lists what a backup of the data directory holds. Each picture file goes in
// once, however many memos name it; two different files that would take one
// place get numbered names.
BackupPlan plan_backup(const QString& data_dir, const std::vector<CheckedMemo>& memos,
                       const std::atomic_bool& cancel);

struct BackupResult {
  bool ok = false;
  bool cancelled = false;
  QString message;  // the failure, naming the file
  int memos = 0;
  int files = 0;  // data files and memo/ files
  int pictures = 0;
  int missing = 0;
  qint64 bytes = 0;          // bytes of the files stored
  qint64 archive_bytes = 0;  // size of the archive
};

// Writes the archive. `progress` gets the bytes done so far (of
// plan.total_bytes); `cancel` stops at the next chunk. On any failure or a
// cancel nothing is left under the target's name, and a file that was
// there before stays as it was.
BackupResult write_backup(const BackupPlan& plan, const QString& target, const std::atomic_bool& cancel,
                          const std::function<void(qint64)>& progress = {});

// "Verdalis-バックアップ-20261208.zip".
QString default_backup_name(const QDate& day);

// A short Japanese account of a finished backup.
QString backup_summary(const BackupResult& result, const QString& target);

}  // namespace store
