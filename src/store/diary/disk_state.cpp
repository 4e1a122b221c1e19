#include "store/diary/disk_state.h"

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


}  // namespace store
