#pragma once
// What the cases measure besides time: the longest turn of the event loop,
// and the peak growth of the resident memory over a piece of work.

#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <malloc.h>
#include <thread>

#include "support.h"
#include "turn_trace.h"

namespace bench {

// A timer that records the longest turn of the event loop. It fires every
// 4 ms rather than at every turn (a gap is thus known to 4 ms), so that it
// does not keep a core of a two-core machine busy that the workers need.
struct LoopWatch {
  LoopWatch() {
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, [this] {
      const double gap = ms_since(turn);
      longest = std::max(longest, gap);
      if (TracingApp* app = TracingApp::self()) app->turn_ended(gap);
      turn.restart();
    });
  }
  void start() {
    longest = 0;
    if (TracingApp* app = TracingApp::self()) app->events.clear();
    turn.start();
    timer.start(4);
  }
  QTimer timer;
  QElapsedTimer turn;
  double longest = 0;
};

inline qint64 status_kb(const char* field) {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n')) {
    if (line.startsWith(field)) return line.mid(static_cast<qsizetype>(qstrlen(field))).trimmed().split(' ').value(0).toLongLong();
  }
  return -1;
}

// The peak growth of the resident memory over a piece of work, in kB.
// Free memory that the allocator keeps is first handed back, so the work
// cannot hide its needs in memory that an earlier step left behind. Then
// the kernel's high-water mark VmHWM is reset to the present VmRSS by
// writing "5" to /proc/self/clear_refs; after the work, VmHWM minus the
// VmRSS at the start is the exact peak growth, however short the peak.
// Where that reset is refused, a second thread samples VmRSS every 2 ms
// instead, which can miss a peak shorter than that.
class PeakGrowth {
 public:
  PeakGrowth() {
    ::malloc_trim(0);
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    exact_ = clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
    clear.close();
    start_kb_ = status_kb("VmRSS:");
    if (exact_) exact_ = status_kb("VmHWM:") <= start_kb_ + 64;
    if (!exact_) {
      peak_kb_ = start_kb_;
      sampler_ = std::thread([this] {
        while (!stop_.load()) {
          peak_kb_ = std::max(peak_kb_.load(), status_kb("VmRSS:"));
          std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
      });
    }
  }
  ~PeakGrowth() { finish_kb(); }

  qint64 finish_kb() {
    if (exact_) return status_kb("VmHWM:") - start_kb_;
    if (sampler_.joinable()) {
      stop_ = true;
      sampler_.join();
      peak_kb_ = std::max(peak_kb_.load(), status_kb("VmRSS:"));
    }
    return peak_kb_ - start_kb_;
  }
  bool exact() const { return exact_; }

 private:
  bool exact_ = false;
  qint64 start_kb_ = 0;
  std::atomic<qint64> peak_kb_{0};
  std::atomic_bool stop_{false};
  std::thread sampler_;
};

}  // namespace bench
