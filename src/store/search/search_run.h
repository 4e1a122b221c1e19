#pragma once
// A full-text search over every memo of the table, run on worker threads.
// Each worker takes the next memo not yet taken and searches it exactly as
// search_memo does; the caller collects the results in memo order. The
// files are read with plain system calls into one buffer per worker, so a
// memo costs little more than the bytes it holds.
//
// The table must not change while a run lives (the search window is modal).

#include <QByteArray>
#include <QString>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "store/diary/memo_table.h"
#include "store/files/posix_file.h"
#include "store/search/full_text_search.h"
#include "store/search/keyword_bytes.h"

namespace store {

class SearchRun {
 public:
  // Searches the memos at 0-based positions `first` … end of `table` for
  // `keyword`, on `threads` workers (at least one).
  SearchRun(const QString& data_dir, const MemoTable& table, const QString& keyword, size_t first, int threads,
            Matching matching = Matching::IgnoreCase);
  ~SearchRun();
  SearchRun(const SearchRun&) = delete;
  SearchRun& operator=(const SearchRun&) = delete;

  const QString& keyword() const { return keyword_.keyword(); }
  Matching matching() const { return keyword_.matching(); }
  // Stops the workers after the memo each is on; results not yet made
  // never come.
  void cancel() { stop_ = true; }
  // The result for the memo at position `at`; when it is not ready, waits
  // a little (at most `wait_ms`, at most 2 ms) and returns null if it is
  // still not ready.
  const MemoSearch* result(size_t at, int wait_ms);

 private:
  void work();
  MemoSearch search(size_t at, std::vector<char>& buffer) const;
  void search_body(const QString& memo_no, std::vector<char>& buffer, MemoSearch& result) const;

  const QString data_dir_;
  const MemoTable& table_;
  const KeywordMatch keyword_;
  const KeywordBytes keyword_bytes_;
  const size_t first_;
  const OpenFolder memo_;
  std::vector<MemoSearch> results_;
  std::unique_ptr<std::atomic_bool[]> ready_;
  std::atomic<size_t> next_;
  std::atomic_bool stop_{false};
  std::vector<std::thread> workers_;
};

}  // namespace store
