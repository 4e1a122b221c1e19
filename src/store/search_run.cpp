#include "store/search_run.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "store/codec.h"
#include "store/fd_read.h"
#include "store/memo_files.h"

namespace store {

int search_threads() { return static_cast<int>(std::max(1u, std::min(4u, std::thread::hardware_concurrency()))); }

SearchRun::SearchRun(const QString& data_dir, const MemoTable& table, const QString& keyword, size_t first,
                     int threads)
    : data_dir_(data_dir),
      native_dir_(QFile::encodeName(data_dir)),
      table_(table),
      keyword_(keyword),
      keyword_bytes_(keyword),
      first_(first),
      results_(table.size() > first ? table.size() - first : 0),
      ready_(std::make_unique<std::atomic_bool[]>(results_.size())),
      next_(0) {
  // The files are opened relative to the folder, so each costs the lookup
  // of one name rather than of the whole path.
  memo_dir_ = ::open((native_dir_ + "memo").constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  for (int i = 0; i < std::max(1, threads); ++i) workers_.emplace_back([this] { work(); });
}

SearchRun::~SearchRun() {
  stop_ = true;
  for (std::thread& t : workers_) t.join();
  if (memo_dir_ >= 0) ::close(memo_dir_);
}

void SearchRun::work() {
  std::vector<char> buffer(64 * 1024);
  for (;;) {
    const size_t i = next_.fetch_add(1);
    if (i >= results_.size() || stop_.load(std::memory_order_relaxed)) return;
    results_[i] = search(first_ + i, buffer);
    ready_[i].store(true, std::memory_order_release);
  }
}

const MemoSearch* SearchRun::result(size_t at, int wait_ms) {
  // The caller sleeps rather than being woken by each result: waking it
  // for every memo would cost the workers a system call and a switch of
  // threads per memo, more than searching the memo itself.
  const size_t i = at - first_;
  if (!ready_[i].load(std::memory_order_acquire))
    std::this_thread::sleep_for(std::chrono::milliseconds(std::clamp(wait_ms, 0, 2)));
  return ready_[i].load(std::memory_order_acquire) ? &results_[i] : nullptr;
}

bool SearchRun::read_body(const QByteArray& name, std::vector<char>& buffer, size_t* size) const {
  // Not opened for a FIFO to block on; a folder fails at the first read.
  const int fd = ::openat(memo_dir_, name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  const qint64 got = read_to_end(fd, buffer);
  ::close(fd);
  *size = got < 0 ? 0 : static_cast<size_t>(got);
  return got >= 0;
}

// The same steps as search_memo: the title, then the picture titles, then
// the body. A picture list that is not there is not opened through Qt.
MemoSearch SearchRun::search(size_t at, std::vector<char>& buffer) const {
  MemoSearch result;
  if (keyword_.isEmpty()) return result;
  if (keyword_bytes_.may_contain(table_.bytes(at, MemoField::Title)) &&
      table_.text(at, MemoField::Title).contains(keyword_, Qt::CaseInsensitive)) {
    result.found = true;
    return result;
  }
  const QString memo_no = table_.text(at, MemoField::MemoNo);
  const QByteArray digits = memo_file_digits(memo_no).toLatin1();
  const QByteArray list_name = "g" + digits + ".txt";
  if (struct stat st {}; ::fstatat(memo_dir_, list_name.constData(), &st, 0) == 0 || errno != ENOENT) {
    ImageListResult list = read_image_list(data_dir_, memo_no);
    result.images_read = !list.images.empty();
    result.images = std::move(list.images);
    for (const ImageEntry& e : result.images) {
      if (e.title.contains(keyword_, Qt::CaseInsensitive)) {
        result.found = true;
        return result;
      }
    }
  }
  size_t size = 0;
  if (read_body("m" + digits + ".txt", buffer, &size)) {
    const QByteArrayView body(buffer.data(), static_cast<qsizetype>(size));
    result.found = keyword_bytes_.may_contain(body) && decode_cp932(body).contains(keyword_, Qt::CaseInsensitive);
  }
  return result;
}

}  // namespace store
