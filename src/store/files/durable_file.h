#pragma once
// Writes that survive a power cut, not only a crash of the program.
//
// The kernel keeps written data and changed directory entries in memory
// and writes them out later, in any order. A file's bytes are on disk only
// after fdatasync() on it has succeeded, and a new, renamed or deleted name
// only after fsync() of its directory has (fsync(2)). Every write here
// follows that: the bytes go to a hidden temporary beside the file, are
// synced (a failure is reported, never ignored), the temporary is renamed
// over the file, and the directory is synced. Only then is the write done.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace store {

struct FileResult;

// The hidden temporary a new version of `path` is written to, and the
// hidden second name that keeps its old version while a save is running.
QString new_version_path(const QString& path);
QString old_version_path(const QString& path);
// True for the name of such a temporary or second name: not data.
bool is_save_in_progress_file(const QString& name);

// The file a write of `path` changes: a symbolic link is written through,
// as an editor would, and stays a link.
QString file_written_for(const QString& path);

// The folder a file is in, without a trailing "/".
QString folder_of(const QString& path);

// Syncs the directory, so that the names changed in it are on disk. A file
// system that cannot sync a directory (EINVAL) counts as synced. 0 or errno.
int sync_directory(const QString& dir);

// Writes the bytes to the temporary of `path` and syncs them, renames the
// temporary over the file and, unless `sync_dir` is false, syncs the
// directory. On any failure the file is as it was and the temporary gone.
// `failed_path` names the file a failure concerns: the caller's message
// names it.
struct DurableWrite {
  int error = 0;         // errno of the failed step, 0 on success
  QString failed_path;   // the file or folder that step was about
};
DurableWrite replace_durably(const QString& path, const QByteArray& bytes, bool sync_dir = true);

// The two halves of the above without the directory's sync, for writes of
// many files at once: the new version of `file` (no symbolic link) written
// to its temporary and synced, with whether the file existed; then the
// temporary renamed over the file (0 or errno; the temporary is removed
// when that fails).
DurableWrite write_new_version(const QString& file, const QByteArray& bytes, bool* existed);
int put_new_version(const QString& file);

// Deletes the files that exist, then syncs each directory they were in
// once. Returns the failures as complete messages.
QStringList remove_files_durably(const QStringList& paths);

// Makes the folder (its parent must exist) and syncs it and its parent.
// 0 or errno.
int make_directory_durably(const QString& path);

// The message for a failed durable write of `path`.
FileResult durable_write_failure(const QString& path, const DurableWrite& write);

}  // namespace store
