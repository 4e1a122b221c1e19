#include "ui/background_job.h"

#include <QMetaObject>

namespace ui {

BackgroundJob::BackgroundJob(int tick_ms, QObject* parent) : QObject(parent) {
  timer_.setInterval(tick_ms);
  if (tick_ms > 0) connect(&timer_, &QTimer::timeout, this, &BackgroundJob::tick);
}

BackgroundJob::~BackgroundJob() { abandon(); }

void BackgroundJob::start(std::function<void()> work, std::function<void()> done) {
  abandon();
  on_done_ = std::move(done);
  running_ = true;
  if (timer_.interval() > 0) timer_.start();
  Q_EMIT running_changed(true);
  const unsigned job = ++job_;
  worker_ = std::thread([this, job, work = std::move(work)] {
    // An exception must not end the program from a worker thread; the done
    // step runs as for any other end, as it did when the work ran in Qt's pool.
    try {
      work();
    } catch (...) {
    }
    ended_job_.store(job, std::memory_order_release);
    QMetaObject::invokeMethod(this, "worker_ended", Qt::QueuedConnection);
  });
}

void BackgroundJob::worker_ended() {
  if (running_ && ended_job_.load(std::memory_order_acquire) == job_) finish();
}

void BackgroundJob::finish() {
  worker_.join();
  running_ = false;
  timer_.stop();
  Q_EMIT running_changed(false);
  if (on_done_) std::exchange(on_done_, {})();
}

void BackgroundJob::wait() {
  if (!running_) return;
  finish();
}

void BackgroundJob::abandon() {
  on_done_ = {};
  if (worker_.joinable()) worker_.join();
  if (!running_) return;
  running_ = false;
  timer_.stop();
}

}  // namespace ui
