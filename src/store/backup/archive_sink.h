#pragma once
// The file end of a backup: libarchive hands every piece it writes (a
// header of a few dozen bytes, a compressed memo, a megabyte of a picture)
// to this sink, which gathers the small pieces into one buffer so that tens
// of thousands of small entries cost a few hundred system calls instead of
// three each. Written ranges are handed to the disk as they fill, so the
// final fsync has little left to wait for.

#include <sys/types.h>
#include <vector>

#include "store/backup/archive_io.h"

namespace store {

class ArchiveSink {
 public:
  explicit ArchiveSink(int fd) : fd_(fd) {}

  // Opens `a` for writing into this sink. False on a failure (the
  // archive's error says why).
  bool open(archive* a);
  // Writes out what is still gathered. False on a failure (errno says why).
  bool flush();

 private:
  static ssize_t write_piece(archive* a, void* self, const void* data, size_t n);
  bool put(const char* data, size_t n);
  void start_writeback();

  int fd_;
  std::vector<char> buffer_;
  size_t fill_ = 0;
  long long written_ = 0;
  long long handed_ = 0;  // bytes whose writeback has been started
};

}  // namespace store
