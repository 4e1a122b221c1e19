#include "store/pictures/content_key.h"

#include <QCryptographicHash>
#include <QtEndian>
#include <unistd.h>

#include "store/files/posix_file.h"

namespace store {

namespace {

constexpr qint64 kWindow = 64 * 1024;

// Reads `n` bytes at `offset` into the hash; false on a read error or when
// the file turned out shorter than it said.
bool hash_range(int fd, qint64 offset, qint64 n, QCryptographicHash& hash, QByteArray& buffer) {
  buffer.resize(n);
  qint64 got = 0;
  while (got < n) {
    const ssize_t r = ::pread(fd, buffer.data() + got, static_cast<size_t>(n - got), offset + got);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    got += r;
  }
  hash.addData(buffer);
  return true;
}

}  // namespace

// The key is the size as 8 big-endian bytes, then the SHA-1 of the head
// and the tail: files of different sizes never share a key, and the size
// sorts the keys first. A file of 128 KB or less is hashed whole.
QByteArray content_key(const QString& path) {
  qint64 size = 0;
  qint64 mtime = 0;
  QString reason;
  const Fd fd = open_regular_file(path, &size, &mtime, &reason, Reading::Head);
  if (!fd) return {};
  QCryptographicHash hash(QCryptographicHash::Sha1);
  QByteArray buffer;
  const bool read = size <= 2 * kWindow
                        ? hash_range(fd.get(), 0, size, hash, buffer)
                        : hash_range(fd.get(), 0, kWindow, hash, buffer) &&
                              hash_range(fd.get(), size - kWindow, kWindow, hash, buffer);
  if (!read) return {};
  QByteArray key(8, '\0');
  qToBigEndian<quint64>(static_cast<quint64>(size), key.data());
  return key + hash.result();
}

}  // namespace store
