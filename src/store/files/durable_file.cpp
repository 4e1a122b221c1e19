#include "store/files/durable_file.h"

#include <QFileInfo>
#include <QSet>
#include <QStorageInfo>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "store/files/error_texts.h"
#include "store/files/posix_file.h"
#include "store/files/text_file.h"

namespace store {

namespace {

QString with_prefix(const QString& path, const QString& suffix) {
  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  return path.left(slash + 1) + QLatin1Char('.') + path.mid(slash + 1) + suffix;
}

}  // namespace

QString folder_of(const QString& path) {
  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

QString file_written_for(const QString& path) {
  const QFileInfo info(path);
  if (!info.isSymLink()) return path;
  const QString target = info.symLinkTarget();
  return target.isEmpty() ? path : target;
}

QString new_version_path(const QString& path) { return with_prefix(path, QStringLiteral(".verdalis-new")); }
QString old_version_path(const QString& path) { return with_prefix(path, QStringLiteral(".verdalis-old")); }

bool is_save_in_progress_file(const QString& name) {
  return name.startsWith(QLatin1Char('.')) &&
         (name.endsWith(QStringLiteral(".verdalis-new")) || name.endsWith(QStringLiteral(".verdalis-old")));
}

int sync_directory(const QString& dir) {
  const Fd fd(::open(native_path(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!fd) return errno;
  if (::fsync(fd.get()) != 0 && errno != EINVAL) return errno;
  return 0;
}

DurableWrite write_new_version(const QString& file, const QByteArray& bytes, bool* existed) {
  const QByteArray native = native_path(file);
  const auto failure = [&](int error) { return DurableWrite{error, file}; };
  struct stat st {};
  *existed = ::stat(native.constData(), &st) == 0;
  if (*existed && S_ISDIR(st.st_mode)) return failure(EISDIR);
  if (*existed && !S_ISREG(st.st_mode)) return failure(EINVAL);
  // A read-only file stays as it is, as the user marked it.
  if (*existed && ::access(native.constData(), W_OK) != 0) return failure(errno);

  const QByteArray temp = native_path(new_version_path(file));
  ::unlink(temp.constData());  // left by a write the system stopped
  Fd fd(::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, *existed ? (st.st_mode & 07777) : 0666));
  if (!fd) return failure(errno);
  const auto cancel = [&](int error) {
    fd.close();
    ::unlink(temp.constData());
    return failure(error);
  };
  if (*existed) ::fchmod(fd.get(), st.st_mode & 07777);  // the umask does not narrow a file's own mode
  if (!write_all(fd.get(), bytes.constData(), bytes.size())) return cancel(errno);
  if (::fdatasync(fd.get()) != 0) return cancel(errno);
  if (!fd.close()) return cancel(errno);
  return {};
}

int put_new_version(const QString& file) {
  const QByteArray temp = native_path(new_version_path(file));
  if (::rename(temp.constData(), native_path(file).constData()) == 0) return 0;
  const int error = errno;
  ::unlink(temp.constData());
  return error;
}

DurableWrite replace_durably(const QString& path, const QByteArray& bytes, bool sync_dir) {
  const QString file = file_written_for(path);
  const QByteArray native = native_path(file);
  bool exists = false;
  if (DurableWrite written = write_new_version(file, bytes, &exists); written.error != 0) return written;
  // The old version keeps a second name until the directory is synced, so
  // that a failed sync can put it back.
  const QByteArray old = native_path(old_version_path(file));
  bool kept = false;
  if (exists && sync_dir) {
    ::unlink(old.constData());
    kept = ::link(native.constData(), old.constData()) == 0;
  }
  if (const int error = put_new_version(file)) {
    if (kept) ::unlink(old.constData());
    return {error, file};
  }
  if (sync_dir) {
    if (const int error = sync_directory(folder_of(file))) {
      if (kept) {
        ::rename(old.constData(), native.constData());
      } else if (!exists) {
        ::unlink(native.constData());
      }
      return {error, file};
    }
  }
  if (kept) ::unlink(old.constData());
  return {};
}

QStringList remove_files_durably(const QStringList& paths) {
  QStringList failures;
  QSet<QString> folders;
  for (const QString& path : paths) {
    if (::unlink(native_path(path).constData()) == 0) {
      folders.insert(folder_of(path));
    } else if (errno != ENOENT) {
      failures << QStringLiteral("ファイル「%1」を削除できませんでした。\n理由：%2").arg(path, errno_reason(errno));
    }
  }
  for (const QString& folder : folders) {
    if (const int error = sync_directory(folder)) {
      failures << QStringLiteral("フォルダ「%1」でのファイルの削除をディスクに書き込めませんでした。\n理由：%2")
                      .arg(folder, errno_reason(error));
    }
  }
  return failures;
}

int make_directory_durably(const QString& path) {
  if (::mkdir(native_path(path).constData(), 0777) != 0) return errno;
  if (const int error = sync_directory(path)) return error;
  return sync_directory(folder_of(path.endsWith(QLatin1Char('/')) ? path.chopped(1) : path));
}

FileResult durable_write_failure(const QString& path, const DurableWrite& write) {
  const QString file = write.failed_path.isEmpty() ? path : write.failed_path;
  QString reason = errno_reason(write.error);
  if (write.error == ENOSPC) {
    const QStorageInfo disk(QFileInfo(file).absolutePath());
    if (disk.isValid() && disk.bytesAvailable() >= 0) {
      reason += QStringLiteral("（空き%1バイト）").arg(disk.bytesAvailable());
    }
  }
  return FileResult::failure(write_failure_message(file, reason));
}

}  // namespace store
