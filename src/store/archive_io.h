#pragma once
// Small pieces shared by writing and restoring backups: owning handles for
// libarchive objects and file descriptors, chunked file reading, and
// Japanese reasons for system errors.

#include <QByteArray>
#include <QString>
#include <clocale>
#include <locale.h>
#include <memory>

struct archive;

namespace store {

// Files are copied in chunks of this size, so memory stays bounded
// whatever the size of a picture.
inline constexpr qsizetype kArchiveChunk = 1 << 20;

struct ArchiveWriteFree {
  void operator()(archive* a) const;
};
struct ArchiveReadFree {
  void operator()(archive* a) const;
};
using ArchiveWriter = std::unique_ptr<archive, ArchiveWriteFree>;
using ArchiveReader = std::unique_ptr<archive, ArchiveReadFree>;

// Entry names are UTF-8. libarchive converts them through the character
// locale of the calling thread, and in the "C" locale (LANG unset, as in a
// service or a bare session) it cannot convert a Japanese name at all. The
// guard gives the thread a UTF-8 character locale while it lives.
class Utf8Names {
 public:
  Utf8Names();
  ~Utf8Names();
  Utf8Names(const Utf8Names&) = delete;
  Utf8Names& operator=(const Utf8Names&) = delete;

 private:
  locale_t utf8_ = locale_t(0);
  locale_t previous_ = locale_t(0);
};

// An open file descriptor, closed when it goes.
class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : fd_(fd) {}
  Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  Fd& operator=(Fd&& other) noexcept;
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd();
  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }
  // Closes now and reports whether the close succeeded (a full disk can
  // show only here).
  bool close();

 private:
  int fd_ = -1;
};

// Opens a file for reading; it must be a regular file (a FIFO or a device
// would block or never end). On failure `reason` says why, in Japanese.
Fd open_regular_file(const QString& path, qint64* size, qint64* mtime, QString* reason);

// Reads up to `n` bytes, retrying after interruptions. -1 on an error.
qint64 read_some(int fd, char* buffer, qint64 n);
// Writes all `n` bytes. False on an error (errno tells which).
bool write_all(int fd, const char* buffer, qint64 n);

// A Japanese reason for an errno value.
QString errno_reason(int error);
// The message of the archive's last error, in Japanese where the system
// error is known.
QString archive_reason(archive* a);

// The system's encoding of a path, for the POSIX calls.
QByteArray native_path(const QString& path);

}  // namespace store
