#include "store/fd_read.h"

#include <cerrno>
#include <unistd.h>

namespace store {

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

}  // namespace store
