#include "store/search/search_run.h"

#include <algorithm>
#include <chrono>

#include "store/diary/memo_files.h"
#include "store/files/codec.h"
#include "store/files/posix_file.h"

namespace store {

SearchRun::SearchRun(const QString& data_dir, const MemoTable& table, const QString& keyword, size_t first,
                     int threads, Matching matching)
    : data_dir_(data_dir),
      table_(table),
      keyword_(keyword, matching),
      keyword_bytes_(keyword, matching),
      first_(first),
      memo_(data_dir + QStringLiteral("memo")),
      results_(table.size() > first ? table.size() - first : 0),
      ready_(std::make_unique<std::atomic_bool[]>(results_.size())),
      next_(0) {
  for (int i = 0; i < std::max(1, threads); ++i) workers_.emplace_back([this] { work(); });
}

SearchRun::~SearchRun() {
  stop_ = true;
  for (std::thread& t : workers_) t.join();
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

// The same steps as search_memo: the title, then the picture titles, then
// the body. Both files are read with plain system calls relative to the
// memo folder (a picture list that is not there costs one failed open).
MemoSearch SearchRun::search(size_t at, std::vector<char>& buffer) const {
  MemoSearch result;
  if (keyword_.empty()) return result;
  if (keyword_bytes_.may_contain(table_.bytes(at, MemoField::Title)) && keyword_.in_decoded(table_.text(at, MemoField::Title))) {
    result.found = true;
    return result;
  }
  const QString memo_no = table_.text(at, MemoField::MemoNo);
  if (const qint64 size = memo_.read_file(memo_images_name(memo_no).toLatin1().constData(), buffer); size > 0) {
    // Any bytes make at least one line, so at least one picture.
    result.images_read = true;
    const QByteArrayView list(buffer.data(), static_cast<qsizetype>(size));
    // Only the list the search reads last is kept: most are never parsed.
    if (!keyword_bytes_.may_contain(list)) {
      result.images_bytes = list.toByteArray();
      search_body(memo_no, buffer, result);
      return result;
    }
    result.images = parse_image_list(list);
    for (const ImageEntry& e : result.images) {
      if (keyword_.in_decoded(e.title)) {
        result.found = true;
        return result;
      }
    }
  }
  search_body(memo_no, buffer, result);
  return result;
}

void SearchRun::search_body(const QString& memo_no, std::vector<char>& buffer, MemoSearch& result) const {
  if (const qint64 size = memo_.read_file(memo_body_name(memo_no).toLatin1().constData(), buffer); size >= 0) {
    const QByteArrayView body(buffer.data(), static_cast<qsizetype>(size));
    result.found = keyword_bytes_.may_contain(body) && keyword_.in_decoded(decode_cp932(body));
  }
}

}  // namespace store
