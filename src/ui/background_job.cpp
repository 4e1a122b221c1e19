#include "ui/background_job.h"

#include <QtConcurrent/QtConcurrentRun>

namespace ui {

BackgroundJob::BackgroundJob(int tick_ms, QObject* parent) : QObject(parent) {
  timer_.setInterval(tick_ms);
  connect(&timer_, &QTimer::timeout, this, &BackgroundJob::tick);
  connect(&watcher_, &QFutureWatcher<void>::finished, this, &BackgroundJob::finish);
}

BackgroundJob::~BackgroundJob() { abandon(); }

void BackgroundJob::start(std::function<void()> work, std::function<void()> done) {
  on_done_ = std::move(done);
  running_ = true;
  timer_.start();
  Q_EMIT running_changed(true);
  watcher_.setFuture(QtConcurrent::run(std::move(work)));
}

void BackgroundJob::finish() {
  if (!running_) return;
  running_ = false;
  timer_.stop();
  Q_EMIT running_changed(false);
  if (on_done_) std::exchange(on_done_, {})();
}

void BackgroundJob::wait() {
  if (!running_) return;
  watcher_.waitForFinished();
  // The finished signal is queued; deliver its effect now.
  finish();
}

void BackgroundJob::abandon() {
  on_done_ = {};
  if (!running_) return;
  watcher_.waitForFinished();
  running_ = false;
  timer_.stop();
}

}  // namespace ui
