#include "store/backup/backup_write.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QSet>
#include <archive.h>
#include <archive_entry.h>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <malloc.h>
#include <map>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

#include "store/backup/archive_io.h"
#include "store/backup/archive_sink.h"
#include "store/backup/backup_verify.h"
#include "store/diary/memo_files.h"
#include "store/files/durable_file.h"

namespace store {

namespace {

struct FileId {
  dev_t dev = 0;
  ino_t ino = 0;
  bool operator==(const FileId&) const = default;
};

bool stat_regular(const QString& path, qint64* size, FileId* id) {
  struct stat st {};
  if (::stat(native_path(path).constData(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  *size = st.st_size;
  *id = {st.st_dev, st.st_ino};
  return true;
}

// Adds the data files and every file of memo/; returns the names in memo/.
QSet<QString> add_data_files(const QString& data_dir, BackupPlan& plan) {
  FileId id;
  for (const QString& name : backup_data_files()) {
    qint64 size = 0;
    if (stat_regular(data_dir + name, &size, &id)) plan.items.push_back({data_dir + name, name, size, false});
  }
  const QDir memo(data_dir + QStringLiteral("memo"));
  const QStringList names = memo.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
  for (const QString& name : names) {
    if (is_save_in_progress_file(name)) continue;  // a save's passing second name or temporary
    qint64 size = 0;
    const QString path = memo.filePath(name);
    if (stat_regular(path, &size, &id)) plan.items.push_back({path, QStringLiteral("memo/") + name, size, false});
  }
  return QSet<QString>(names.begin(), names.end());
}

// Places each picture once. A path met again takes its first place; a
// different path to the same file shares that file's place; a different
// file that would take a place already used gets a numbered name.
class PicturePlaces {
 public:
  explicit PicturePlaces(BackupPlan& plan) : plan_(plan) {}

  void add(const QString& path) {
    if (!seen_.insert(path).second) return;
    qint64 size = 0;
    FileId id;
    if (!stat_regular(path, &size, &id)) {
      plan_.missing.push_back(path);
      return;
    }
    const QString base = picture_archive_name(path);
    QString name = base;
    for (int n = 2;; ++n) {
      const auto used = places_.find(name);
      if (used == places_.end()) break;
      if (used->second == id) {
        plan_.pictures.push_back({path, name});
        return;
      }
      name = numbered_archive_name(base, n);
    }
    places_.emplace(name, id);
    plan_.pictures.push_back({path, name});
    plan_.items.push_back({path, name, size, true});
  }

 private:
  BackupPlan& plan_;
  std::set<QString> seen_;
  std::map<QString, FileId> places_;
};

}  // namespace

BackupPlan plan_backup(const QString& data_dir, const std::vector<CheckedMemo>& memos,
                       const std::atomic_bool& cancel) {
  BackupPlan plan;
  plan.memos = static_cast<int>(memos.size());
  const QSet<QString> in_memo = add_data_files(data_dir, plan);
  if (plan.items.empty() || plan.items.front().name != backup_data_files().front()) {
    plan.message = read_failure_message(data_dir + backup_data_files().front(), QStringLiteral("ファイルがありません"));
    return plan;
  }
  PicturePlaces places(plan);
  for (const CheckedMemo& memo : memos) {
    if (cancel.load(std::memory_order_relaxed)) {
      plan.cancelled = true;
      return plan;
    }
    // Most memos have no picture list; the listing of memo/ says which do,
    // without trying to open tens of thousands of absent files.
    if (!in_memo.contains(memo_images_name(memo.memo_no))) continue;
    const ImageListResult list = read_image_list(data_dir, memo.memo_no);
    if (!list.message.isEmpty()) ++plan.unreadable_lists;
    for (const ImageEntry& e : list.images) places.add(e.path);
  }
  for (const BackupItem& item : plan.items) plan.total_bytes += item.size;
  return plan;
}

namespace {

// What one backup run keeps while it writes.
class BackupWriter {
 public:
  BackupWriter(const BackupPlan& plan, const QString& target, const std::atomic_bool& cancel,
               const std::function<void(qint64)>& progress)
      : plan_(plan), target_(target), cancel_(cancel), progress_(progress), buffer_(kArchiveChunk) {}
  ~BackupWriter() {
    if (!temp_.isEmpty()) ::unlink(native_path(temp_).constData());
  }

  BackupResult run();

 private:
  bool open_temp();
  bool begin_entry(const QString& name, qint64 size, qint64 mtime, bool compress);
  // Copies one file into the archive. False on a failure or a cancel.
  // A picture that is gone by now is counted missing and skipped.
  bool add_file(const BackupItem& item);
  bool add_bytes(const QString& name, const QByteArray& bytes);
  bool finish_archive();
  bool verify();
  bool fail(const QString& message) {
    result_.message = message;
    return false;
  }
  // Names the archive and the reason; an older file of that name is only
  // said to be kept when there was one.
  bool not_written(const QString& reason) {
    QString text = QStringLiteral("バックアップ「%1」を作成できませんでした。\n理由：%2").arg(target_, reason);
    if (target_existed_) text += QStringLiteral("\n前からあった「%1」は元のままです。").arg(target_);
    return fail(text);
  }
  bool cancelled() {
    if (!cancel_.load(std::memory_order_relaxed)) return false;
    result_.cancelled = true;
    return true;
  }

  const BackupPlan& plan_;
  const QString target_;
  const std::atomic_bool& cancel_;
  const std::function<void(qint64)>& progress_;
  std::vector<char> buffer_;
  QString temp_;
  Fd fd_;
  std::optional<ArchiveSink> sink_;
  ArchiveWriter archive_;
  std::vector<WrittenEntry> written_;
  std::vector<QString> vanished_pictures_;
  bool target_existed_ = false;
  qint64 bytes_done_ = 0;
  BackupResult result_;
};

bool BackupWriter::open_temp() {
  const QFileInfo info(target_);
  QByteArray name = native_path(info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".XXXXXX"));
  Fd fd(::mkostemp(name.data(), O_CLOEXEC));
  if (!fd && (errno == EACCES || errno == EPERM))
    return not_written(QStringLiteral("フォルダ「%1」への書き込みが許可されていません").arg(info.absolutePath()));
  if (!fd && errno == ENOENT) return not_written(QStringLiteral("フォルダ「%1」がありません").arg(info.absolutePath()));
  if (!fd) return not_written(errno_reason(errno));
  temp_ = QFile::decodeName(name);
  fd_ = std::move(fd);
  sink_.emplace(fd_.get());
  archive_.reset(archive_write_new());
  archive* a = archive_.get();
  // The fastest deflate level: memo texts are small, and at the default
  // level compressing them would take most of the backup's time for a few
  // per cent of a gigabyte of pictures that are stored as they are.
  if (archive_write_set_format_zip(a) != ARCHIVE_OK ||
      archive_write_set_options(a, "zip:hdrcharset=UTF-8,zip:compression-level=1") != ARCHIVE_OK ||
      archive_write_set_bytes_per_block(a, 0) != ARCHIVE_OK || !sink_->open(a)) {
    return not_written(archive_reason(a));
  }
  return true;
}

bool BackupWriter::begin_entry(const QString& name, qint64 size, qint64 mtime, bool compress) {
  archive* a = archive_.get();
  std::unique_ptr<archive_entry, decltype(&archive_entry_free)> entry(archive_entry_new(), archive_entry_free);
  const QString full = QString::fromUtf16(kBackupTop) + name;
  const QByteArray utf8 = full.toUtf8();
  archive_entry_set_pathname_utf8(entry.get(), utf8.constData());
  archive_entry_set_filetype(entry.get(), AE_IFREG);
  archive_entry_set_perm(entry.get(), 0644);
  archive_entry_set_size(entry.get(), size);
  archive_entry_set_mtime(entry.get(), mtime, 0);
  if (compress) {
    archive_write_zip_set_compression_deflate(a);
  } else {
    archive_write_zip_set_compression_store(a);
  }
  if (archive_write_header(a, entry.get()) != ARCHIVE_OK) return not_written(archive_reason(a));
  written_.push_back({full, size});
  return true;
}

bool BackupWriter::add_file(const BackupItem& item) {
  qint64 size = 0;
  qint64 mtime = 0;
  QString reason;
  Fd in = open_regular_file(item.source, &size, &mtime, &reason);
  if (!in) {
    if (item.picture) {
      vanished_pictures_.push_back(item.source);
      bytes_done_ += item.size;
      return true;
    }
    return fail(read_failure_message(item.source, reason));
  }
  if (!begin_entry(item.name, size, mtime, !item.picture)) return false;
  qint64 left = size;
  while (left > 0) {
    if (cancelled()) return false;
    const qint64 got = read_some(in.get(), buffer_.data(), std::min<qint64>(left, kArchiveChunk));
    if (got <= 0) {
      return fail(read_failure_message(
          item.source, got < 0 ? errno_reason(errno) : QStringLiteral("読み込み中にファイルが短くなりました")));
    }
    if (archive_write_data(archive_.get(), buffer_.data(), static_cast<size_t>(got)) != got)
      return not_written(archive_reason(archive_.get()));
    left -= got;
    bytes_done_ += got;
    if (progress_) progress_(bytes_done_);
  }
  // The planned size counts for the progress even when the file changed.
  bytes_done_ += item.size - size;
  return true;
}

bool BackupWriter::add_bytes(const QString& name, const QByteArray& bytes) {
  if (!begin_entry(name, bytes.size(), QDateTime::currentSecsSinceEpoch(), true)) return false;
  if (archive_write_data(archive_.get(), bytes.constData(), static_cast<size_t>(bytes.size())) != bytes.size())
    return not_written(archive_reason(archive_.get()));
  return true;
}

bool BackupWriter::finish_archive() {
  if (archive_write_close(archive_.get()) != ARCHIVE_OK)
    return not_written(archive_reason(archive_.get()));
  archive_.reset();
  if (!sink_->flush() || ::fsync(fd_.get()) != 0 || !fd_.close()) return not_written(errno_reason(errno));
  struct stat st {};
  if (::stat(native_path(temp_).constData(), &st) == 0) result_.archive_bytes = st.st_size;
  return true;
}

bool BackupWriter::verify() {
  const VerifyResult checked = verify_archive(temp_, written_, cancel_);
  if (checked.cancelled) {
    result_.cancelled = true;
    return false;
  }
  if (!checked.ok) {
    return not_written(QStringLiteral("書き込んだアーカイブを読み直すと食い違いがあります（%1）").arg(checked.why));
  }
  return true;
}

BackupResult BackupWriter::run() {
#ifdef __GLIBC__
  // Each deflated entry allocates and frees about 260 KB of compressor
  // state. With the default threshold the allocator hands that memory back
  // to the system after every entry and faults it in again for the next:
  // for 50000 small memo files that costs seconds. Keeping a few megabytes
  // of free memory instead makes them as cheap as stored ones.
  mallopt(M_TRIM_THRESHOLD, 8 << 20);
#endif
  const Utf8Names names;
  struct stat st {};
  target_existed_ = ::lstat(native_path(target_).constData(), &st) == 0;
  if (!open_temp()) return result_;
  std::vector<PictureListEntry> stored;
  for (const BackupItem& item : plan_.items) {
    if (!add_file(item)) return result_;
  }
  // The list names only what went in; a picture gone meanwhile is missing.
  std::vector<QString> missing = plan_.missing;
  missing.insert(missing.end(), vanished_pictures_.begin(), vanished_pictures_.end());
  std::set<QString> gone_set(vanished_pictures_.begin(), vanished_pictures_.end());
  for (const PictureListEntry& p : plan_.pictures) {
    if (gone_set.count(p.original) == 0) stored.push_back(p);
  }
  const QString now = QDateTime::currentDateTime().toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
  if (!add_bytes(QString::fromUtf16(kPictureListName), picture_list_text(stored, missing, now))) return result_;
  if (!finish_archive() || !verify()) return result_;
  if (::rename(native_path(temp_).constData(), native_path(target_).constData()) != 0) {
    not_written(errno_reason(errno));
    return result_;
  }
  temp_.clear();
  // The rename itself is made durable with the folder.
  if (Fd dir(::open(native_path(QFileInfo(target_).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
      dir) {
    ::fsync(dir.get());
  }
  result_.ok = true;
  result_.memos = plan_.memos;
  result_.missing = static_cast<int>(missing.size());
  for (const BackupItem& item : plan_.items) {
    if (item.picture && gone_set.count(item.source) != 0) continue;
    (item.picture ? result_.pictures : result_.files) += 1;
  }
  for (const WrittenEntry& e : written_) result_.bytes += e.size;
  return result_;
}

}  // namespace

BackupResult write_backup(const BackupPlan& plan, const QString& target, const std::atomic_bool& cancel,
                          const std::function<void(qint64)>& progress) {
  BackupWriter writer(plan, target, cancel, progress);
  return writer.run();
}

QString default_backup_name(const QDate& day) {
  return QStringLiteral("Verdalis-バックアップ-%1.zip").arg(day.toString(QStringLiteral("yyyyMMdd")));
}

QString backup_summary(const BackupResult& r, const QString& target) {
  QString text = QStringLiteral("バックアップを作成しました：\n%1\n%2件のメモ、%3個のデータファイル、%4枚の写真（合計 %5、アーカイブ %6）")
                     .arg(target)
                     .arg(r.memos)
                     .arg(r.files)
                     .arg(r.pictures)
                     .arg(size_text(r.bytes), size_text(r.archive_bytes));
  if (r.missing > 0) text += QStringLiteral("\n見つからなかった写真：%1枚（写真一覧.txt に記録しました）").arg(r.missing);
  return text;
}

}  // namespace store
