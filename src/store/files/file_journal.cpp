#include "store/files/file_journal.h"

#include <QFile>
#include <algorithm>
#include <unistd.h>
#include <cstdio>

namespace store {

FileResult FileJournal::back_up(const QString& path) {
  const bool known = std::any_of(backups_.begin(), backups_.end(), [&](const Backup& b) { return b.path == path; });
  if (known) return FileResult::success();  // the first backup holds the original
  ReadResult read = read_file_bytes(path);
  if (read.status == ReadStatus::Failed) return FileResult::failure(read.message);
  backups_.push_back({path, read.status == ReadStatus::Read, std::move(read.bytes)});
  return FileResult::success();
}

FileResult FileJournal::write_lines(const QString& path, const QStringList& lines) {
  if (FileResult saved = back_up(path); !saved) return saved;
  return write_text_lines(path, lines);
}

FileResult FileJournal::write_bytes(const QString& path, const QByteArray& bytes) {
  if (FileResult saved = back_up(path); !saved) return saved;
  return write_file_bytes(path, bytes);
}

FileResult FileJournal::copy_file(const QString& from, const QString& to) {
  if (FileResult saved = back_up(to); !saved) return saved;
  // A new file is linked under its own name at once; one that is there is
  // linked under a temporary name, then renamed over, so the target is
  // never missing or half there.
  const QByteArray target = QFile::encodeName(to);
  if (::link(QFile::encodeName(from).constData(), target.constData()) == 0) {  // EEXIST when it is there
    return FileResult::success();
  }
  const QByteArray tmp = QFile::encodeName(to + QStringLiteral(".verdalis-copy"));
  ::unlink(tmp.constData());
  if (::link(QFile::encodeName(from).constData(), tmp.constData()) == 0) {
    if (::rename(tmp.constData(), QFile::encodeName(to).constData()) == 0) return FileResult::success();
    ::unlink(tmp.constData());
  }
  ReadResult read = read_file_bytes(from);
  if (read.status == ReadStatus::Failed) return FileResult::failure(read.message);
  return write_file_bytes(to, read.bytes);
}

FileResult FileJournal::remove(const QString& path) {
  if (FileResult saved = back_up(path); !saved) return saved;
  return remove_file(path);
}

QStringList FileJournal::rollback() {
  QStringList failures;
  for (auto it = backups_.rbegin(); it != backups_.rend(); ++it) {
    const FileResult restored = it->existed ? write_file_bytes(it->path, it->bytes) : remove_file(it->path);
    if (!restored) failures << restored.message;
  }
  backups_.clear();
  return failures;
}

}  // namespace store
