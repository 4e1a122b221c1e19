#pragma once
// How many worker threads the parallel jobs (the search, the album's
// picture lists, the thumbnails, the photo import) use: one per core, at
// least one and at most four, since the files they read are small and more
// threads only wait on one another. And the one way the loops over many
// files split their items into runs, one per thread.

#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

namespace store {

inline int worker_threads() { return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1U, 4U)); }

// The number of runs for `items` items: one per worker thread, but none
// shorter than `least` items (a thread costs more than a few small files).
inline size_t run_count(size_t items, size_t least) {
  return std::clamp<size_t>(static_cast<size_t>(worker_threads()), 1, std::max<size_t>(1, items / least));
}

// Calls work(run, begin, end) for each of `runs` consecutive runs of the
// items 0 … items − 1: run 0 in this thread, the others in threads of their
// own, or here too when no thread can be started. Returns when all are done.
template <typename Work>
void in_runs(size_t items, size_t runs, const Work& work) {
  const auto run = [&](size_t k) { work(k, items * k / runs, items * (k + 1) / runs); };
  std::vector<std::thread> helpers;
  size_t k = 1;
  try {
    for (; k < runs; ++k) helpers.emplace_back(run, k);
  } catch (const std::system_error&) {
    for (size_t left = k; left < runs; ++left) run(left);
  }
  run(0);
  for (std::thread& t : helpers) t.join();
}

}  // namespace store
