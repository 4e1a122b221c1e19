#include "store/files/posix_file.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "store/files/error_texts.h"

namespace store {

Fd& Fd::operator=(Fd&& other) noexcept {
  if (this != &other) {
    close();
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

Fd::~Fd() { close(); }

bool Fd::close() {
  if (fd_ < 0) return true;
  const int fd = std::exchange(fd_, -1);
  return ::close(fd) == 0;
}

QByteArray native_path(const QString& path) { return QFile::encodeName(path); }

Fd open_regular_file(const QString& path, qint64* size, qint64* mtime, QString* reason, Reading reading) {
  // O_NONBLOCK keeps a FIFO from blocking the open; it is refused below.
  Fd fd(::open(native_path(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd) {
    *reason = errno_reason(errno);
    return Fd();
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) {
    *reason = errno_reason(errno);
    return Fd();
  }
  if (!S_ISREG(st.st_mode)) {
    *reason = QStringLiteral("通常のファイルではありません");
    return Fd();
  }
  // Reads of a regular file do not heed O_NONBLOCK; it is cleared all the
  // same for a file read through, and the two calls spared for a head.
  if (reading == Reading::Through) {
    ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
    ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
  }
  *size = st.st_size;
  *mtime = st.st_mtim.tv_sec;
  return fd;
}

bool regular_file_found(const QString& path) {
  if (path.isEmpty()) return false;
  struct stat st {};
  return ::stat(native_path(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

qint64 read_some(int fd, char* buffer, qint64 n) {
  for (;;) {
    const ssize_t got = ::read(fd, buffer, static_cast<size_t>(n));
    if (got >= 0 || errno != EINTR) return got;
  }
}

bool write_all(int fd, const char* buffer, qint64 n) {
  while (n > 0) {
    const ssize_t put = ::write(fd, buffer, static_cast<size_t>(n));
    if (put < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    buffer += put;
    n -= put;
  }
  return true;
}

qint64 read_to_end(int fd, std::vector<char>& buffer, qint64 known_size) {
  if (buffer.empty()) buffer.resize(4096);
  if (known_size >= 0 && buffer.size() <= static_cast<size_t>(known_size)) {
    buffer.resize(static_cast<size_t>(known_size) + 1);
  }
  size_t fill = 0;
  for (;;) {
    if (fill == buffer.size()) buffer.resize(buffer.size() * 2);
    const ssize_t got = ::read(fd, buffer.data() + fill, buffer.size() - fill);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return -1;
    if (got == 0) break;
    fill += static_cast<size_t>(got);
    if (known_size >= 0 && fill < buffer.size() && fill >= static_cast<size_t>(known_size)) break;
  }
  return static_cast<qint64>(fill);
}

OpenFolder::OpenFolder(const QString& path)
    : dir_(::open(native_path(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {}

bool OpenFolder::may_hold(const char* name) const {
  if (!dir_) return true;
  struct stat st {};
  return (::fstatat(dir_.get(), name, &st, 0) == 0 || errno != ENOENT);
}

qint64 OpenFolder::read_file(const char* name, std::vector<char>& buffer) const {
  if (!dir_) return -1;
  const Fd fd(::openat(dir_.get(), name, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (!fd) return -1;
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return read_to_end(fd.get(), buffer, st.st_size);
}

}  // namespace store
