#pragma once
// Makes file writes really fail, in two ways:
// - a small tmpfs mounted for the test and filled up (needs a private
//   mount namespace: root, or an unprivileged user namespace);
// - a file size limit (RLIMIT_FSIZE) on this process, with SIGXFSZ ignored
//   so that a write past it fails with EFBIG instead of ending the process.
// Either one can leave some room: `room` bytes still fit.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QString>
#include <QStringList>
#include <csignal>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace full_disk {

// Moves the process into a mount namespace of its own, where it may mount
// a tmpfs that no other process sees. Call before any thread starts.
inline bool enter_private_mounts() {
  const uid_t uid = geteuid();
  const gid_t gid = getegid();
  if (uid != 0) {
    if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return false;
    const auto put = [](const char* path, const QByteArray& text) {
      QFile f(QString::fromLatin1(path));
      return f.open(QIODevice::WriteOnly) && f.write(text) == text.size();
    };
    put("/proc/self/setgroups", "deny");
    if (!put("/proc/self/uid_map", "0 " + QByteArray::number(uid) + " 1") ||
        !put("/proc/self/gid_map", "0 " + QByteArray::number(gid) + " 1")) {
      return false;
    }
  } else if (unshare(CLONE_NEWNS) != 0) {
    return false;
  }
  return mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

enum class Mode { Tmpfs, FileSizeLimit };

// One test's disk: `data` is the data directory (ending in "/"); fill()
// takes the room away, release() gives it back. The destructor releases
// and unmounts.
class Disk {
 public:
  Disk(const QString& base, Mode mode) : base_(base), mode_(mode) {
    if (mode_ == Mode::Tmpfs) {
      mounted_ = mount("verdalis-test", QFile::encodeName(base_).constData(), "tmpfs", 0, "size=4m") == 0;
    }
    data = base_ + QStringLiteral("/data/");
    QDir().mkpath(data + QStringLiteral("memo"));
    getrlimit(RLIMIT_FSIZE, &saved_);
  }
  ~Disk() {
    release();
    if (mounted_) umount2(QFile::encodeName(base_).constData(), MNT_DETACH);
  }
  Disk(const Disk&) = delete;
  Disk& operator=(const Disk&) = delete;

  bool ready() const { return mode_ != Mode::Tmpfs || mounted_; }

  // Leaves `room` bytes that can still be written (rounded to pages on tmpfs).
  bool fill(qint64 room) {
    if (mode_ == Mode::FileSizeLimit) {
      std::signal(SIGXFSZ, SIG_IGN);
      rlimit limit = saved_;
      limit.rlim_cur = static_cast<rlim_t>(room);
      limited_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
      return limited_;
    }
    const QByteArray path = QFile::encodeName(base_ + QStringLiteral("/filler"));
    const int fd = open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    const QByteArray block(4096, 'x');
    for (;;) {
      struct statvfs fs {};
      if (fstatvfs(fd, &fs) != 0) break;
      if (static_cast<qint64>(fs.f_bavail) * static_cast<qint64>(fs.f_frsize) <= room) break;
      if (write(fd, block.constData(), static_cast<size_t>(block.size())) <= 0) break;
    }
    // With no room at all, the last page is filled to its last byte too.
    if (room == 0) {
      while (write(fd, "x", 1) == 1) {
      }
    }
    close(fd);
    return true;
  }

  void release() {
    if (limited_) setrlimit(RLIMIT_FSIZE, &saved_);
    limited_ = false;
    QFile::remove(base_ + QStringLiteral("/filler"));
  }

  QString data;

 private:
  QString base_;
  Mode mode_;
  bool mounted_ = false;
  bool limited_ = false;
  rlimit saved_{};
};

// Every file below the directory (sub-directories too) with its bytes.
inline QMap<QString, QByteArray> all_files(const QString& dir) {
  QMap<QString, QByteArray> files;
  const QDir root(dir);
  for (const QString& name : root.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
    QFile f(root.filePath(name));
    files[name] = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
  }
  for (const QString& sub : root.entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot)) {
    const QMap<QString, QByteArray> inner = all_files(root.filePath(sub));
    for (auto it = inner.begin(); it != inner.end(); ++it) files[sub + QLatin1Char('/') + it.key()] = it.value();
  }
  return files;
}

}  // namespace full_disk
