#pragma once
// Plain POSIX file handling for the loops that read or write many files
// (backups, the search workers, the album's picture lists): an owning file
// descriptor, opening only regular files, reads and writes that retry after
// interruptions, reading a whole file into a buffer used again, and a
// folder held open so that its files are opened by their own names.

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <utility>
#include <vector>

namespace store {

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
// A file read `Through` has the system read ahead; one of which only the
// `Head` is read is spared the calls that prepare that.
enum class Reading { Through, Head };
Fd open_regular_file(const QString& path, qint64* size, qint64* mtime, QString* reason, Reading reading = Reading::Through);

// Reads up to `n` bytes, retrying after interruptions. -1 on an error.
qint64 read_some(int fd, char* buffer, qint64 n);
// Writes all `n` bytes. False on an error (errno tells which).
bool write_all(int fd, const char* buffer, qint64 n);

// Reads the open file to its end into `buffer`, growing it as needed, and
// returns the number of bytes read, or -1 on a read error. `known_size`,
// when not negative, is the size fstat gave: the buffer gets room for one
// byte more, so that one read usually gets the whole file, and a short
// read at that size ends it.
qint64 read_to_end(int fd, std::vector<char>& buffer, qint64 known_size = -1);

// A folder held open, so that each file in it costs the lookup of one name
// rather than of the whole path. Reading may go on in several threads.
class OpenFolder {
 public:
  explicit OpenFolder(const QString& path);
  explicit operator bool() const { return static_cast<bool>(dir_); }
  // True when the folder holds an entry of that name, or when it cannot be
  // told (any error but "not there").
  bool may_hold(const char* name) const;
  // Reads the regular file `name` of the folder to its end into `buffer`:
  // the bytes read, or -1 when it is missing, unreadable or not a regular
  // file. Never blocks on a FIFO.
  qint64 read_file(const char* name, std::vector<char>& buffer) const;

 private:
  Fd dir_;
};

// True for an existing regular file (not a directory, FIFO or device); a
// symbolic link counts by what it points to.
bool regular_file_found(const QString& path);

// The system's encoding of a path, for the POSIX calls.
QByteArray native_path(const QString& path);

}  // namespace store
