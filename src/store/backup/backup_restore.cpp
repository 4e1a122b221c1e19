#include "store/backup/backup_restore.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>
#include <archive.h>
#include <archive_entry.h>
#include <cerrno>
#include <fcntl.h>
#include <map>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "store/backup/archive_io.h"
#include "store/backup/backup_names.h"
#include "store/backup/backup_write.h"
#include "store/backup/restore_check.h"
#include "store/files/codec.h"
#include "store/files/text_file.h"

namespace store {

namespace {

QString without_trailing_slash(QString path) {
  while (path.size() > 1 && path.endsWith(QLatin1Char('/'))) path.chop(1);
  return path;
}

bool same_folder(const QString& a, const QString& b) {
  const QString ca = QFileInfo(a).canonicalFilePath();
  return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
}

// Why nothing can be made at `folder` ("" when something can): the folder,
// or the nearest folder above it that is there, refuses new files.
QString unwritable_place(const QString& folder) {
  QString existing = folder;
  while (!QFileInfo::exists(existing) && existing != QDir::rootPath()) existing = QFileInfo(existing).absolutePath();
  if (!QFileInfo(existing).isDir() || ::access(native_path(existing).constData(), W_OK | X_OK) == 0) return QString();
  const int error = errno;
  const QString why = error == EACCES || error == EPERM
                          ? QStringLiteral("「%1」への書き込みが許可されていません").arg(existing)
                          : QStringLiteral("「%1」に書き込めません（%2）").arg(existing, errno_reason(error));
  return QStringLiteral("「%1」に復元できません。\n理由：%2\n別のフォルダを選んで下さい。").arg(folder, why);
}

}  // namespace

QString refused_restore_folder(const QString& folder, const QString& data_dir) {
  if (folder.trimmed().isEmpty()) return QStringLiteral("復元先のフォルダが選ばれていません。");
  const QString absolute = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
  if (same_folder(absolute, data_dir))
    return QStringLiteral("「%1」は実行中の Verdalis のフォルダです。空のフォルダか新しいフォルダを選んで下さい。").arg(absolute);
  if (!representable_in_cp932(absolute)) {
    return QStringLiteral("「%1」の名前にはシフトJISにない文字があるため、写真の場所を記録できません。別のフォルダを選んで下さい。")
        .arg(absolute);
  }
  const QFileInfo info(absolute);
  if (const QString why = unwritable_place(absolute); !why.isEmpty()) return why;
  if (!info.exists() && !info.isSymLink()) return QString();
  if (!info.isDir()) return QStringLiteral("「%1」はフォルダではありません。").arg(absolute);
  const QDir dir(absolute);
  for (const QString& name : backup_data_files()) {
    if (dir.exists(name))
      return QStringLiteral("「%1」にはすでに Verdalis のデータがあります。空のフォルダか新しいフォルダを選んで下さい。").arg(absolute);
  }
  if (!dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot).isEmpty())
    return QStringLiteral("「%1」は空ではありません。空のフォルダか新しいフォルダを選んで下さい。").arg(absolute);
  return QString();
}

qint64 free_space_for(const QString& folder) {
  QString existing = QFileInfo(folder).absoluteFilePath();
  while (!QFileInfo::exists(existing) && existing != QDir::rootPath()) existing = QFileInfo(existing).absolutePath();
  return QStorageInfo(existing).bytesAvailable();
}

namespace {

// Everything the restore created, removed again on a failure or a cancel.
class Created {
 public:
  void file(const QString& path) { files_.push_back(path); }
  void folder(const QString& path) { folders_.push_back(path); }
  void keep() {
    files_.clear();
    folders_.clear();
  }
  ~Created() {
    for (auto it = files_.rbegin(); it != files_.rend(); ++it) ::unlink(native_path(*it).constData());
    for (auto it = folders_.rbegin(); it != folders_.rend(); ++it) ::rmdir(native_path(*it).constData());
  }

 private:
  std::vector<QString> files_;
  std::vector<QString> folders_;
};

class Restorer {
 public:
  Restorer(const RestoreRequest& request, const std::atomic_bool& cancel,
           const std::function<void(qint64, qint64)>& progress)
      : request_(request),
        folder_(without_trailing_slash(QDir::cleanPath(QFileInfo(request.folder).absoluteFilePath()))),
        cancel_(cancel),
        progress_(progress),
        buffer_(kArchiveChunk) {}

  RestoreResult run();

 private:
  bool fail(const QString& message) {
    result_.message = message;
    return false;
  }
  bool damaged(const QString& why) { return fail(unrestorable_message(request_.archive, why)); }
  // The folder and its files are new: nothing had a content to keep.
  bool not_written(const QString& path, const QString& why) {
    return fail(QStringLiteral("「%1」に書き込めませんでした。\n理由：%2").arg(path, why));
  }
  bool cancelled() {
    if (!cancel_.load(std::memory_order_relaxed)) return false;
    result_.cancelled = true;
    return true;
  }
  void advance(qint64 n) {
    bytes_done_ += n;
    if (progress_) progress_(bytes_done_, total_);
  }
  bool check_archive();
  bool check_space();
  bool make_folder(const QString& path);
  bool extract();
  bool extract_file(archive* a, const RestoreEntry& entry);
  bool copy_program_file(const QString& source);
  bool link_pictures();

  const RestoreRequest& request_;
  const QString folder_;
  const std::atomic_bool& cancel_;
  const std::function<void(qint64, qint64)>& progress_;
  std::vector<char> buffer_;
  std::vector<RestoreEntry> entries_;
  std::set<QString> extracted_;
  Created created_;
  qint64 total_ = 0;
  qint64 bytes_done_ = 0;
  RestoreResult result_;
};

// Every entry's header is checked before anything is written.
bool Restorer::check_archive() {
  BackupContents contents = read_backup_contents(request_.archive);
  if (!contents.message.isEmpty()) return fail(contents.message);
  entries_ = std::move(contents.entries);
  total_ = contents.bytes;
  return true;
}

bool Restorer::check_space() {
  for (const QString& file : request_.program_files) total_ += QFileInfo(file).size();
  const qint64 free = request_.free_space(folder_);
  if (free >= 0 && total_ + (qint64(1) << 20) > free) {
    return fail(QStringLiteral("「%1」に復元するにはディスクの空きが足りません。\n必要：%2　空き：%3")
                    .arg(folder_, size_text(total_), size_text(free)));
  }
  return true;
}

// Makes a folder and any missing folder above it, each remembered. A
// folder that is there already must be a real folder, not a link.
bool Restorer::make_folder(const QString& path) {
  struct stat st {};
  if (::lstat(native_path(path).constData(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return true;
    return not_written(path, QStringLiteral("フォルダではありません"));
  }
  const QString parent = QFileInfo(path).path();
  if (parent != path && !make_folder(parent)) return false;
  if (::mkdir(native_path(path).constData(), 0755) != 0) return not_written(path, errno_reason(errno));
  created_.folder(path);
  return true;
}

bool Restorer::extract_file(archive* a, const RestoreEntry& entry) {
  const QString path = folder_ + QLatin1Char('/') + entry.name;
  if (!make_folder(QFileInfo(path).path())) return false;
  Fd out(::open(native_path(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
  if (!out) return not_written(path, errno_reason(errno));
  created_.file(path);
  qint64 written = 0;
  for (;;) {
    if (cancelled()) return false;
    const la_ssize_t got = archive_read_data(a, buffer_.data(), buffer_.size());
    if (got < 0) return damaged(archive_data_failure(a, QString::fromUtf16(kBackupTop) + entry.name));
    if (got == 0) break;
    written += got;
    if (written > entry.size) return damaged(QStringLiteral("「%1」が記録された大きさを超えています").arg(entry.name));
    if (!write_all(out.get(), buffer_.data(), got)) return not_written(path, errno_reason(errno));
    advance(got);
  }
  if (written != entry.size) return damaged(QStringLiteral("「%1」が記録された大きさより短くなっています").arg(entry.name));
  const struct timespec times[2] = {{entry.mtime, 0}, {entry.mtime, 0}};
  ::futimens(out.get(), times);
  if (!out.close()) return not_written(path, errno_reason(errno));
  extracted_.insert(entry.name);
  return true;
}

bool Restorer::extract() {
  ArchiveReader reader;
  if (const QString why = open_zip_for_reading(reader, request_.archive); !why.isEmpty()) return fail(why);
  QString previous;
  for (const RestoreEntry& expected : entries_) {
    archive_entry* e = nullptr;
    if (archive_read_next_header(reader.get(), &e) != ARCHIVE_OK)
      return damaged(archive_header_failure(reader.get(), previous));
    previous = QString::fromUtf16(kBackupTop) + expected.name;
    // The second reading must meet the entries that were checked.
    const char* utf8 = archive_entry_pathname_utf8(e);
    if (utf8 == nullptr || !QString::fromUtf8(utf8).startsWith(QString::fromUtf16(kBackupTop) + expected.name))
      return damaged(QStringLiteral("読むたびに内容が変わります"));
    if (expected.directory) {
      if (!make_folder(expected.name.isEmpty() ? folder_ : folder_ + QLatin1Char('/') + expected.name)) return false;
    } else if (!extract_file(reader.get(), expected)) {
      return false;
    }
  }
  return true;
}

bool Restorer::copy_program_file(const QString& source) {
  qint64 size = 0;
  qint64 mtime = 0;
  QString reason;
  Fd in = open_regular_file(source, &size, &mtime, &reason);
  if (!in) return fail(read_failure_message(source, reason));
  struct stat st {};
  ::fstat(in.get(), &st);
  const QString path = folder_ + QLatin1Char('/') + QFileInfo(source).fileName();
  Fd out(::open(native_path(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, st.st_mode & 0755));
  if (!out) return not_written(path, errno_reason(errno));
  created_.file(path);
  for (;;) {
    if (cancelled()) return false;
    const qint64 got = read_some(in.get(), buffer_.data(), kArchiveChunk);
    if (got < 0) return fail(read_failure_message(source, errno_reason(errno)));
    if (got == 0) break;
    if (!write_all(out.get(), buffer_.data(), got)) return not_written(path, errno_reason(errno));
    advance(got);
  }
  if (!out.close()) return not_written(path, errno_reason(errno));
  if (result_.program.isEmpty()) result_.program = path;
  return true;
}

}  // namespace

namespace {

// Points each restored picture path at the extracted picture, through the
// list of places that the backup holds. Only files of the new folder are
// written; a path whose picture is not in the archive stays as it was.
bool Restorer::link_pictures() {
  const QString list_path = folder_ + QLatin1Char('/') + QString::fromUtf16(kPictureListName);
  std::map<QString, QString> places;
  if (extracted_.count(QString::fromUtf16(kPictureListName)) != 0) {
    const ReadResult list = read_file_bytes(list_path);
    if (list.status == ReadStatus::Failed) return fail(list.message);
    for (PictureListEntry& e : parse_picture_list(list.bytes)) {
      if (extracted_.count(e.archived) != 0) places.emplace(std::move(e.original), folder_ + QLatin1Char('/') + e.archived);
    }
  }
  for (const QString& name : extracted_) {
    if (!name.startsWith(QStringLiteral("memo/g"))) continue;
    if (!name.endsWith(QStringLiteral(".txt"))) continue;
    const QString path = folder_ + QLatin1Char('/') + name;
    const ReadResult read = read_file_bytes(path);
    if (read.status == ReadStatus::Failed) return fail(read.message);
    QList<QByteArray> lines = split_raw_lines(read.bytes);
    bool changed = false;
    for (qsizetype i = 0; i < lines.size(); i += 2) {
      const auto place = places.find(decode_cp932(lines[i]));
      if (place == places.end()) continue;
      bool ok = true;
      const QByteArray encoded = encode_cp932(place->second, &ok);
      if (!ok) continue;
      lines[i] = encoded;
      changed = true;
      ++result_.linked;
    }
    if (!changed) continue;
    QByteArray bytes;
    bytes.reserve(read.bytes.size() + 256);
    for (const QByteArray& l : lines) bytes += l + "\r\n";
    // The list is one this restore has just made in its own folder, and
    // the whole folder is synced once at the end: it is rewritten in place,
    // without the temporary file and the sync of each data-file write.
    Fd out(::open(native_path(path).constData(), O_WRONLY | O_TRUNC | O_NOFOLLOW | O_CLOEXEC));
    if (!out || !write_all(out.get(), bytes.constData(), bytes.size()) || !out.close())
      return not_written(path, errno_reason(errno));
  }
  return true;
}

RestoreResult Restorer::run() {
  const Utf8Names names;
  if (const QString why = refused_restore_folder(folder_, request_.data_dir); !why.isEmpty()) {
    result_.message = why;
    return result_;
  }
  if (!check_archive() || !check_space() || !make_folder(folder_) || !extract()) return result_;
  for (const QString& file : request_.program_files) {
    if (!copy_program_file(file)) return result_;
  }
  if (!link_pictures()) return result_;
  // Everything is on the disk before the restore says it is done; a disk
  // that fails to take it fails the restore.
  if (Fd dir(::open(native_path(folder_).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)); dir) {
    if (::syncfs(dir.get()) != 0 && !not_written(folder_, errno_reason(errno))) return result_;
  }
  if (const ReadResult index = read_file_bytes(folder_ + QLatin1Char('/') + backup_data_files().front());
      index.status == ReadStatus::Read) {
    result_.memos = static_cast<int>(split_raw_lines(index.bytes).size() / 7);
  }
  for (const QString& name : extracted_) {
    if (name.startsWith(QString::fromUtf16(kPictureFolder))) {
      ++result_.pictures;
    } else if (name != QString::fromUtf16(kPictureListName)) {
      ++result_.files;
    }
  }
  for (const RestoreEntry& e : entries_) result_.bytes += e.size;
  result_.ok = true;
  created_.keep();
  return result_;
}

}  // namespace

RestoreResult restore_backup(const RestoreRequest& request, const std::atomic_bool& cancel,
                             const std::function<void(qint64, qint64)>& progress) {
  Restorer restorer(request, cancel, progress);
  return restorer.run();
}

QString restore_summary(const RestoreResult& r, const QString& folder) {
  return QStringLiteral("「%1」に復元しました。\n%2件のメモ、%3個のデータファイル、%4枚の写真（合計 %5）\n写真の場所を%6か所書き換えました。")
      .arg(folder)
      .arg(r.memos)
      .arg(r.files)
      .arg(r.pictures)
      .arg(size_text(r.bytes))
      .arg(r.linked);
}

}  // namespace store
