#include "store/files/file_journal.h"

#include <QDir>
#include <QFileInfo>
#include <QSysInfo>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "store/files/codec.h"
#include "store/files/durable_file.h"
#include "store/files/error_texts.h"

namespace store {

namespace {

const QByteArray kRecordHead = "verdalis-journal 1";
const QByteArray kCommitted = "committed";
const QString kRecordPrefix = QStringLiteral(".verdalis-journal-");

// The lines that tie a record to this machine and this data folder: a sync
// tool may carry a record to the other machine, whose files it does not
// describe.
QByteArray record_owner(const QString& data_dir) {
  struct stat st {};
  ::stat(native_path(data_dir).constData(), &st);
  return "machine " + QSysInfo::machineUniqueId().toHex() + "\nfolder " + QByteArray::number(st.st_dev) + ':' +
         QByteArray::number(st.st_ino) + '\n';
}

QString folder_sync_failure(const QString& folder, int error) {
  return QStringLiteral("フォルダ「%1」の変更をディスクに書き込めませんでした。\n理由：%2").arg(folder, errno_reason(error));
}

QString restore_failure(const QString& path, int error) {
  return QStringLiteral("ファイル「%1」を元に戻せませんでした。\n理由：%2").arg(path, errno_reason(error));
}

// Puts one changed file back: its old version's second name becomes its
// name again, and a file that did not exist is deleted. A missing second
// name means the file was never changed (or is back already).
int put_back(const QString& path, bool existed) {
  const QByteArray native = native_path(path);
  if (existed) {
    const QByteArray old = native_path(old_version_path(path));
    struct stat kept {};
    struct stat now {};
    if (::lstat(old.constData(), &kept) != 0) return errno == ENOENT ? 0 : errno;
    // Still the same file: nothing to put back, only the second name to
    // drop (a rename between two names of one file would leave both).
    if (::stat(native.constData(), &now) == 0 && now.st_ino == kept.st_ino && now.st_dev == kept.st_dev) {
      return ::unlink(old.constData()) == 0 || errno == ENOENT ? 0 : errno;
    }
    if (::rename(old.constData(), native.constData()) != 0) return errno;
  } else if (::unlink(native.constData()) != 0 && errno != ENOENT) {
    return errno;
  }
  return 0;
}

}  // namespace

FileJournal::FileJournal(QString data_dir) : data_dir_(std::move(data_dir)) {}

FileJournal::~FileJournal() {
  if (!empty() || record_) rollback();
}

void FileJournal::forget() {
  changed_.clear();
  created_.clear();
  folders_.clear();
  record_.close();
  record_path_.clear();
}

int FileJournal::append_record(const QByteArray& line) {
  QByteArray bytes = line;
  if (!record_) {
    static std::atomic<int> counter{0};
    record_path_ = data_dir_ + kRecordPrefix + QString::number(::getpid()) + QLatin1Char('-') +
                   QString::number(counter.fetch_add(1));
    record_ = Fd(::open(native_path(record_path_).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644));
    if (!record_) return errno;
    bytes.prepend(kRecordHead + '\n' + record_owner(data_dir_));
  }
  if (!write_all(record_.get(), bytes.constData(), bytes.size())) return errno;
  if (::fdatasync(record_.get()) != 0) return errno;
  return 0;
}

int FileJournal::log_changes(const std::vector<Change>& changes) {
  if (changes.empty()) return 0;
  const bool first = !record_;
  QByteArray lines;
  QSet<QString> folders;  // folders that got second names
  std::vector<QByteArray> linked;
  const auto unlink_all = [&] {
    for (const QByteArray& old : linked) ::unlink(old.constData());
  };
  for (const Change& change : changes) {
    const QByteArray native = native_path(change.path);
    if (change.existed) {
      QByteArray old = native_path(old_version_path(change.path));
      ::unlink(old.constData());
      if (::link(native.constData(), old.constData()) != 0) {
        const int error = errno;
        unlink_all();
        return error;
      }
      linked.push_back(std::move(old));
      folders.insert(folder_of(change.path));
    }
    lines += (change.existed ? "old " : "new ") + native.toPercentEncoding() + '\n';
  }
  // The second names are on disk before the record names them: a second
  // name left by an earlier save must never be taken for this one's.
  for (const QString& folder : std::as_const(folders)) {
    if (const int error = sync_directory(folder)) {
      unlink_all();
      return error;
    }
  }
  if (const int error = append_record(lines)) {
    unlink_all();
    return error;
  }
  changed_.insert(changed_.end(), changes.begin(), changes.end());
  // The record's own name is on disk before any file changes.
  return first ? sync_directory(data_dir_) : 0;
}

bool FileJournal::knows(const QString& path) const {
  return created_.contains(path) ||
         std::any_of(changed_.begin(), changed_.end(), [&](const Change& c) { return c.path == path; });
}

FileResult FileJournal::write_files(const std::vector<std::pair<QString, QByteArray>>& files) {
  std::vector<Change> changes;
  QStringList written;
  const auto discard = [&] {
    for (const QString& file : std::as_const(written)) ::unlink(native_path(new_version_path(file)).constData());
  };
  for (const auto& [path, bytes] : files) {
    const QString file = file_written_for(path);
    bool existed = false;
    if (const DurableWrite version = write_new_version(file, bytes, &existed); version.error != 0) {
      discard();
      return durable_write_failure(file, version);
    }
    written << file;
    if (!knows(file)) changes.push_back({file, existed});
  }
  if (const int error = log_changes(changes)) {
    discard();
    return durable_write_failure(written.value(0), {error, written.value(0)});
  }
  for (qsizetype i = 0; i < written.size(); ++i) {
    if (const int error = put_new_version(written[i])) {
      written.remove(0, i + 1);
      discard();
      return durable_write_failure(files[static_cast<size_t>(i)].first, {error, files[static_cast<size_t>(i)].first});
    }
    folders_.insert(folder_of(written[i]));
  }
  return FileResult::success();
}

FileResult FileJournal::write_lines(const QString& path, const QStringList& lines) {
  bool ok = false;
  const QByteArray bytes = join_lines_cp932(lines, &ok);
  if (!ok) return FileResult::failure(unencodable_message(path));
  return write_bytes(path, bytes);
}

FileResult FileJournal::write_bytes(const QString& path, const QByteArray& bytes) { return write_files({{path, bytes}}); }

FileResult FileJournal::create_lines(const QString& path, const QStringList& lines) {
  bool ok = false;
  const QByteArray bytes = join_lines_cp932(lines, &ok);
  if (!ok) return FileResult::failure(unencodable_message(path));
  return create_bytes(path, bytes);
}

FileResult FileJournal::create_bytes(const QString& path, const QByteArray& bytes) {
  const DurableWrite written = replace_durably(path, bytes, false);
  if (written.error != 0) return durable_write_failure(path, written);
  if (!created_.contains(path)) created_ << path;
  folders_.insert(folder_of(path));
  return FileResult::success();
}

FileResult FileJournal::copy_file(const QString& from, const QString& to) {
  const QString path = file_written_for(to);
  if (!QFileInfo::exists(path)) {
    if (const int error = knows(path) ? 0 : log_changes({{path, false}})) return durable_write_failure(path, {error, path});
    if (::link(native_path(from).constData(), native_path(path).constData()) == 0) {
      folders_.insert(folder_of(path));
      return FileResult::success();
    }
  }
  ReadResult read = read_file_bytes(from);
  if (read.status == ReadStatus::Failed) return FileResult::failure(read.message);
  return write_bytes(path, read.bytes);
}

FileResult FileJournal::remove(const QString& target) {
  const QString path = file_written_for(target);
  if (!QFileInfo::exists(path)) return FileResult::success();
  int error = 0;
  if (created_.contains(path)) {
    created_.removeAll(path);
  } else if (!knows(path)) {
    error = log_changes({{path, true}});
  }
  if (error == 0 && ::unlink(native_path(path).constData()) != 0) error = errno;
  if (error != 0) {
    return FileResult::failure(QStringLiteral("ファイル「%1」を削除できませんでした。\n理由：%2").arg(path, errno_reason(error)));
  }
  folders_.insert(folder_of(path));
  return FileResult::success();
}

FileResult FileJournal::commit_with(const QString& path, const QByteArray& bytes) {
  if (record_) {
    if (FileResult written = write_bytes(path, bytes); !written) return written;
    return commit();
  }
  // Nothing the data refer to has changed yet: once the new files are on
  // disk with their names, replacing this one file is the whole commit.
  for (const QString& folder : std::as_const(folders_)) {
    if (const int error = sync_directory(folder)) return FileResult::failure(folder_sync_failure(folder, error));
  }
  folders_.clear();
  const DurableWrite written = replace_durably(path, bytes);
  if (written.error != 0) return durable_write_failure(path, written);
  forget();
  return FileResult::success();
}

FileResult FileJournal::commit() {
  for (const QString& folder : std::as_const(folders_)) {
    if (const int error = sync_directory(folder)) return FileResult::failure(folder_sync_failure(folder, error));
  }
  folders_.clear();
  if (record_) {
    if (const int error = append_record(kCommitted + '\n')) {
      return FileResult::failure(write_failure_message(record_path_, errno_reason(error)));
    }
    // The second names and the record are not needed any more. Their
    // removal need not reach the disk: a committed record found after a
    // power cut has them removed again.
    for (const Change& change : changed_) {
      if (change.existed) ::unlink(native_path(old_version_path(change.path)).constData());
    }
    const QString record = record_path_;
    record_.close();
    ::unlink(native_path(record).constData());
  }
  forget();
  return FileResult::success();
}

QStringList FileJournal::rollback() {
  QStringList failures;
  for (auto it = changed_.rbegin(); it != changed_.rend(); ++it) {
    if (const int error = put_back(it->path, it->existed)) failures << restore_failure(it->path, error);
    folders_.insert(folder_of(it->path));
  }
  for (const QString& path : std::as_const(created_)) put_back(path, false);
  for (const QString& folder : std::as_const(folders_)) {
    if (const int error = sync_directory(folder)) failures << folder_sync_failure(folder, error);
  }
  if (record_) {
    const QString record = record_path_;
    record_.close();
    ::unlink(native_path(record).constData());
    sync_directory(data_dir_);
  }
  forget();
  return failures;
}

QStringList recover_unfinished_saves(const QString& data_dir) {
  QStringList failures;
  const QStringList records =
      QDir(data_dir).entryList({kRecordPrefix + QLatin1Char('*')}, QDir::Files | QDir::Hidden | QDir::System);
  if (records.isEmpty()) return failures;
  const QByteArray owner = kRecordHead + '\n' + record_owner(data_dir);
  for (const QString& name : records) {
    const QString record = data_dir + name;
    const ReadResult read = read_file_bytes(record);
    if (read.status != ReadStatus::Read || !read.bytes.startsWith(owner)) continue;
    // Only whole lines count: a line cut short was never synced, and the
    // change it announced never began.
    QList<QByteArray> lines = read.bytes.mid(owner.size()).split('\n');
    lines.removeLast();
    const bool committed = lines.contains(kCommitted);
    QSet<QString> folders;
    const qsizetype failed_before = failures.size();
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
      const bool existed = it->startsWith("old ");
      if (!existed && !it->startsWith("new ")) continue;
      const QString path = QFile::decodeName(QByteArray::fromPercentEncoding(it->mid(4)));
      folders.insert(folder_of(path));
      if (committed) {
        if (existed) ::unlink(native_path(old_version_path(path)).constData());
      } else if (const int error = put_back(path, existed)) {
        failures << restore_failure(path, error);
      }
    }
    for (const QString& folder : std::as_const(folders)) {
      if (const int error = sync_directory(folder)) failures << folder_sync_failure(folder, error);
    }
    // A record whose files could not all be put back stays for the next start.
    if (failures.size() > failed_before) continue;
    ::unlink(native_path(record).constData());
    sync_directory(data_dir);
  }
  return failures;
}

}  // namespace store
