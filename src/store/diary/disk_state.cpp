#include "store/diary/disk_state.h"

#include <QHashFunctions>
#include <QFile>
#include <sys/stat.h>

namespace store {

FileStamp stamp_of(const QString& path) {
  struct stat st {};
  FileStamp stamp;
  if (::stat(QFile::encodeName(path).constData(), &st) != 0) return stamp;
  stamp.exists = true;
  stamp.size = st.st_size;
  stamp.mtime_ns = static_cast<qint64>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  stamp.inode = st.st_ino;
  return stamp;
}

QByteArray content_hash(QByteArrayView bytes) {
  // Two seeded hashes of Qt's own (hardware-assisted where it can be): far
  // faster than a cryptographic hash over a 3 MB index, and nobody forges
  // a diary file to collide with another.
  const size_t h[2] = {qHashBits(bytes.data(), static_cast<size_t>(bytes.size()), 0x5eed1),
                       qHashBits(bytes.data(), static_cast<size_t>(bytes.size()), 0x5eed2)};
  QByteArray out(reinterpret_cast<const char*>(h), sizeof h);
  out += QByteArray::number(bytes.size());
  return out;
}

}  // namespace store
