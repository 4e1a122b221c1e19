#pragma once
// What the backup cases are measured by: Info-ZIP's zip and unzip over the
// same files and archive, and the plain copies that no archiver can beat
// (printed as information). Each makes its output durable before it
// returns, as the backup and the restore do.

#include <QString>
#include <QStringList>
#include <vector>

#include "store/backup/backup_write.h"

namespace bench {

// "" when the program is on the PATH, else a line naming the Debian package.
QString missing_tool(const QString& program);

// zip -r -q -1 -n .jpg:.jpeg:.png:.JPG:.JPEG:.PNG ARCHIVE FILES… run in
// `root`, the files given relative to it (memo/ as one folder, as -r takes
// it), then the archive and its folder fsynced. False when zip failed.
bool zip_files(const QString& root, const QString& archive, const QStringList& files);
// The archive's inputs for zip: the plan's data files and pictures relative
// to `root`, the files of memo/ as their folder.
QStringList zip_inputs(const QString& root, const std::vector<store::BackupItem>& items);

// unzip -q ARCHIVE -d FOLDER into a new folder, then one syncfs of it.
bool unzip_into(const QString& archive, const QString& folder);

// Every file read and written once, one after the other, into one file in
// 1 MB chunks, fsynced: the bytes copied, or -1.
qint64 copy_into_one_file(const std::vector<store::BackupItem>& items, const QString& target);
// Every file copied to a new file of the same name in a new folder, in 1 MB
// chunks, then one syncfs: the bytes copied, or -1.
qint64 copy_into_folder(const std::vector<store::BackupItem>& items, const QString& folder);

}  // namespace bench
