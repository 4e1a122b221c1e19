#pragma once
// Makes a directory refuse changes to the test's user for the lifetime of
// the guard, so that deleting a file in it fails as it would in a
// read-only or foreign directory. The immutable attribute works even for
// root (on file systems that have it); otherwise write permission is taken
// away, which only binds other users.

#include <QFile>
#include <QString>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

class ImmutableDir {
 public:
  ImmutableDir() = default;
  ImmutableDir(const ImmutableDir&) = delete;
  ImmutableDir& operator=(const ImmutableDir&) = delete;
  ~ImmutableDir() { release(); }

  // True when the directory now refuses a new file.
  bool protect(const QString& dir) {
    dir_ = dir;
    if (set_immutable(true)) {
      immutable_ = true;
      if (refuses_changes()) return true;
      release();
    }
    struct stat st {};
    if (::stat(QFile::encodeName(dir_).constData(), &st) == 0) {
      mode_ = st.st_mode & 07777;
      if (::chmod(QFile::encodeName(dir_).constData(), 0555) == 0) {
        chmodded_ = true;
        if (refuses_changes()) return true;
      }
    }
    release();
    return false;
  }

  void release() {
    if (immutable_) set_immutable(false);
    if (chmodded_) ::chmod(QFile::encodeName(dir_).constData(), mode_);
    immutable_ = chmodded_ = false;
  }

 private:
  bool set_immutable(bool on) {
    const int fd = ::open(QFile::encodeName(dir_).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
      flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
      ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
  }

  bool refuses_changes() const {
    QFile probe(dir_ + QStringLiteral("/.probe"));
    if (!probe.open(QIODevice::WriteOnly)) return true;
    probe.close();
    probe.remove();
    return false;
  }

  QString dir_;
  mode_t mode_ = 0755;
  bool immutable_ = false;
  bool chmodded_ = false;
};
