#include "backup_anchors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <cerrno>
#include <fcntl.h>
#include <set>
#include <unistd.h>

namespace bench {

namespace {

constexpr qint64 kChunk = 1 << 20;

QByteArray native(const QString& path) { return QFile::encodeName(path); }

bool write_fully(int fd, const char* data, qint64 n) {
  while (n > 0) {
    const ssize_t done = ::write(fd, data, static_cast<size_t>(n));
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return false;
    data += done;
    n -= done;
  }
  return true;
}

bool fsync_path(const QString& path, int flags) {
  const int fd = ::open(native(path).constData(), flags | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  return ::close(fd) == 0 && ok;
}

bool syncfs_of(const QString& folder) {
  const int fd = ::open(native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::syncfs(fd) == 0;
  ::close(fd);
  return ok;
}

bool run(const QString& program, const QStringList& arguments, const QString& working_dir) {
  QProcess p;
  p.setWorkingDirectory(working_dir);
  p.setProcessChannelMode(QProcess::ForwardedChannels);
  p.start(program, arguments);
  return p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

}  // namespace

QString missing_tool(const QString& program) {
  if (!QStandardPaths::findExecutable(program).isEmpty()) return QString();
  return QStringLiteral("%1 is missing: install the Debian package %1 (scripts/setup-deps.sh lists it)").arg(program);
}

QStringList zip_inputs(const QString& root, const std::vector<store::BackupItem>& items) {
  const QDir base(root);
  QStringList files;
  bool memo_listed = false;
  for (const store::BackupItem& item : items) {
    if (item.name.startsWith(QLatin1String("memo/"))) {
      if (!memo_listed) files << base.relativeFilePath(QFileInfo(item.source).path());
      memo_listed = true;
    } else {
      files << base.relativeFilePath(item.source);
    }
  }
  return files;
}

bool zip_files(const QString& root, const QString& archive, const QStringList& files) {
  // Info-ZIP matches the suffixes case by case; the cameras' names are
  // upper case, and our backup stores every picture as it is.
  QStringList arguments{QStringLiteral("-r"), QStringLiteral("-q"), QStringLiteral("-1"), QStringLiteral("-n"),
                        QStringLiteral(".jpg:.jpeg:.png:.JPG:.JPEG:.PNG"), archive};
  arguments += files;
  return run(QStringLiteral("zip"), arguments, root) && fsync_path(archive, O_RDONLY) &&
         fsync_path(QFileInfo(archive).absolutePath(), O_RDONLY | O_DIRECTORY);
}

bool unzip_into(const QString& archive, const QString& folder) {
  return run(QStringLiteral("unzip"), {QStringLiteral("-q"), archive, QStringLiteral("-d"), folder},
             QFileInfo(archive).absolutePath()) &&
         syncfs_of(folder);
}

qint64 copy_into_one_file(const std::vector<store::BackupItem>& items, const QString& target) {
  const int out = ::open(native(target).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (out < 0) return -1;
  std::vector<char> buffer(kChunk);
  qint64 fill = 0;
  qint64 total = 0;
  bool ok = true;
  for (const store::BackupItem& item : items) {
    const int in = ::open(native(item.source).constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0) continue;
    for (ssize_t got; (got = ::read(in, buffer.data() + fill, static_cast<size_t>(kChunk - fill))) > 0;) {
      fill += got;
      total += got;
      if (fill == kChunk) {
        ok = ok && write_fully(out, buffer.data(), fill);
        fill = 0;
      }
    }
    ::close(in);
  }
  ok = ok && write_fully(out, buffer.data(), fill) && ::fsync(out) == 0;
  ok = ::close(out) == 0 && ok;
  return ok ? total : -1;
}

qint64 copy_into_folder(const std::vector<store::BackupItem>& items, const QString& folder) {
  std::set<QString> made;
  std::vector<char> buffer(kChunk);
  qint64 total = 0;
  bool ok = QDir().mkpath(folder);
  for (const store::BackupItem& item : items) {
    const QString path = folder + QLatin1Char('/') + item.name;
    const QString parent = QFileInfo(path).path();
    if (made.insert(parent).second) ok = QDir().mkpath(parent) && ok;
    const int in = ::open(native(item.source).constData(), O_RDONLY | O_CLOEXEC);
    const int out = ::open(native(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    ok = in >= 0 && out >= 0 && ok;
    for (ssize_t got; in >= 0 && out >= 0 && (got = ::read(in, buffer.data(), buffer.size())) > 0;) {
      ok = write_fully(out, buffer.data(), got) && ok;
      total += got;
    }
    if (in >= 0) ::close(in);
    if (out >= 0) ok = ::close(out) == 0 && ok;
  }
  return ok && syncfs_of(folder) ? total : -1;
}

}  // namespace bench
