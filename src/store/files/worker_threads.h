#pragma once
// How many worker threads the parallel jobs (the search, the album's
// picture lists, the thumbnails) use: one per core, at least one and at
// most four, since the files they read are small and more threads only
// wait on one another.

#include <algorithm>
#include <thread>

namespace store {

inline int worker_threads() { return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1U, 4U)); }

}  // namespace store
