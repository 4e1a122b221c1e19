#pragma once
// The first look at an archive chosen for a restore: its entry headers are
// read (no data), so that a file that is not a ZIP, a ZIP that is not a
// Verdalis backup, or a backup holding an entry that a restore refuses is
// named at once, before the user chooses a folder. The restore itself
// reads the headers again through the same check.

#include <QString>
#include <vector>

namespace store {

// No single entry may declare more than this.
inline constexpr qint64 kMaxRestoredEntry = qint64(2) << 30;

struct RestoreEntry {
  QString name;  // below the top folder, "" for the top folder itself
  bool directory = false;
  qint64 size = 0;
  qint64 mtime = 0;
};

struct BackupContents {
  std::vector<RestoreEntry> entries;  // in the archive's order
  qint64 bytes = 0;                   // the sizes of the files, added
  QString message;                    // why it cannot be restored, "" when it can
};

BackupContents read_backup_contents(const QString& archive);

// The message of read_backup_contents alone.
inline QString refused_backup_archive(const QString& archive) { return read_backup_contents(archive).message; }

// "バックアップ「…」を復元できません。" with the reason on the next line.
QString unrestorable_message(const QString& archive, const QString& why);

}  // namespace store
