#include "store/backup/archive_sink.h"

#include <archive.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>

namespace store {

namespace {

// Pieces at least this large go straight to the file (picture chunks);
// smaller ones are gathered first.
constexpr size_t kDirectPiece = kArchiveChunk / 2;
// Writeback is started for each range of this size once it is written.
constexpr long long kWritebackStep = 32LL << 20;

}  // namespace

bool ArchiveSink::open(archive* a) {
  buffer_.resize(kArchiveChunk);
  return archive_write_open2(a, this, nullptr, &ArchiveSink::write_piece, nullptr, nullptr) == ARCHIVE_OK;
}

ssize_t ArchiveSink::write_piece(archive* a, void* self, const void* data, size_t n) {
  if (!static_cast<ArchiveSink*>(self)->put(static_cast<const char*>(data), n)) {
    archive_set_error(a, errno, "write");
    return -1;
  }
  return static_cast<ssize_t>(n);
}

bool ArchiveSink::put(const char* data, size_t n) {
  if ((fill_ + n > buffer_.size() || n >= kDirectPiece) && !flush()) return false;
  if (n >= kDirectPiece) {
    if (!write_all(fd_, data, static_cast<qint64>(n))) return false;
    written_ += static_cast<long long>(n);
    start_writeback();
    return true;
  }
  std::memcpy(buffer_.data() + fill_, data, n);
  fill_ += n;
  return true;
}

bool ArchiveSink::flush() {
  if (fill_ == 0) return true;
  const bool ok = write_all(fd_, buffer_.data(), static_cast<qint64>(fill_));
  written_ += static_cast<long long>(fill_);
  fill_ = 0;
  if (ok) start_writeback();
  return ok;
}

void ArchiveSink::start_writeback() {
#ifdef __linux__
  // Asks the kernel to start writing the range out without waiting for it;
  // the fsync at the end still makes the whole archive durable.
  if (written_ - handed_ < kWritebackStep) return;
  ::sync_file_range(fd_, handed_, written_ - handed_, SYNC_FILE_RANGE_WRITE);
  handed_ = written_;
#endif
}

}  // namespace store
