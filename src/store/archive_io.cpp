#include "store/archive_io.h"

#include <QFile>
#include <archive.h>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace store {

void ArchiveWriteFree::operator()(archive* a) const { archive_write_free(a); }
void ArchiveReadFree::operator()(archive* a) const { archive_read_free(a); }

Utf8Names::Utf8Names() {
  utf8_ = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(0));
  if (utf8_ != locale_t(0)) previous_ = ::uselocale(utf8_);
}

Utf8Names::~Utf8Names() {
  if (utf8_ == locale_t(0)) return;
  ::uselocale(previous_);
  ::freelocale(utf8_);
}

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

Fd open_regular_file(const QString& path, qint64* size, qint64* mtime, QString* reason) {
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
  ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
  ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
  *size = st.st_size;
  *mtime = st.st_mtim.tv_sec;
  return fd;
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

namespace {

// The Japanese text for the system errors a user can act on; empty for
// the others.
QString known_system_error(int error) {
  switch (error) {
    case ENOSPC:
    case EDQUOT:
      return QStringLiteral("ディスクの空きが足りません");
    case EACCES:
    case EPERM:
      return QStringLiteral("アクセスが許可されていません");
    case EROFS:
      return QStringLiteral("読み取り専用の場所です");
    case ENOENT:
      return QStringLiteral("ファイルがありません");
    case EISDIR:
    case ENOTDIR:
      return QStringLiteral("フォルダとファイルが食い違っています");
    case EEXIST:
      return QStringLiteral("同じ名前のファイルがすでにあります");
    case EFBIG:
      return QStringLiteral("ファイルが大きすぎます");
    case EIO:
      return QStringLiteral("装置の読み書きでエラーが発生しました");
    default:
      return {};
  }
}

}  // namespace

QString errno_reason(int error) {
  const QString known = known_system_error(error);
  return known.isEmpty() ? QStringLiteral("予期しないエラーが発生しました（%1）").arg(error) : known;
}

QString archive_reason(archive* a) {
  // A system error (a full disk, a missing file) says more than the text
  // of the format's own checks.
  if (const QString known = known_system_error(archive_errno(a)); !known.isEmpty()) return known;
  const char* text = archive_error_string(a);
  return QStringLiteral("アーカイブが壊れています（%1）").arg(QString::fromLocal8Bit(text ? text : "?"));
}

}  // namespace store
