#pragma once
// Restoring a backup into a folder that is empty or new: the data files
// and memo/ are extracted into it, the pictures below its "写真/", the
// program is copied beside them, and the restored picture lists are
// rewritten to name the extracted pictures. The archive is checked whole
// before anything is written; any failure or a cancel removes everything
// the restore created, so the folder is left as it was.

#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>

#include "store/backup/restore_check.h"

namespace store {

// Why the folder cannot take a restore ("" when it can): the running
// program's own folder, a folder holding data files or anything else, a
// file, or a path that a picture list could not store.
QString refused_restore_folder(const QString& folder, const QString& data_dir);

// The bytes free where `folder` would be.
qint64 free_space_for(const QString& folder);

struct RestoreRequest {
  QString archive;
  QString folder;              // empty or not there yet
  QString data_dir;            // the running program's folder: refused
  QStringList program_files;   // copied into the folder (the program, the usage guide)
  std::function<qint64(const QString&)> free_space = free_space_for;
};

struct RestoreResult {
  bool ok = false;
  bool cancelled = false;
  QString message;  // the failure, naming the file or the entry
  int memos = 0;
  int files = 0;     // data files and memo/ files
  int pictures = 0;  // pictures extracted
  int linked = 0;    // picture paths rewritten to an extracted picture
  qint64 bytes = 0;  // bytes extracted from the archive
  QString program;  // the copied program, to start the restored diary
};

// `progress` gets (bytes done, bytes in all) now and then; `cancel` stops
// at the next chunk.
RestoreResult restore_backup(const RestoreRequest& request, const std::atomic_bool& cancel,
                             const std::function<void(qint64, qint64)>& progress = {});

QString restore_summary(const RestoreResult& result, const QString& folder);

}  // namespace store
