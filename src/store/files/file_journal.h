#pragma once
// Groups several file changes so that they can be undone together: every
// file is backed up before it is replaced or deleted, and rollback()
// restores what was there.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

#include "store/files/text_file.h"

namespace store {

class FileJournal {
 public:
  // Replaces the file with the lines (windows-31j, CR LF).
  FileResult write_lines(const QString& path, const QStringList& lines);
  // Replaces the file with the bytes as they are.
  FileResult write_bytes(const QString& path, const QByteArray& bytes);
  // True when no file has been changed since the last rollback.
  bool empty() const { return backups_.empty(); }
  // Makes `to` a copy of the file `from` (which must stay unchanged: data
  // files are only ever replaced by a rename, never written in place). A
  // hard link where the file system has them, so nothing is read or written
  // twice; the bytes copied elsewhere.
  FileResult copy_file(const QString& from, const QString& to);
  // Deletes the file when it exists.
  FileResult remove(const QString& path);
  // Puts every changed file back as it was, newest change first. Returns a
  // message for each file that could not be restored.
  QStringList rollback();

 private:
  FileResult back_up(const QString& path);

  struct Backup {
    QString path;
    bool existed = false;
    QByteArray bytes;
  };
  std::vector<Backup> backups_;
};

}  // namespace store
