#pragma once
// Runs one piece of long work in a worker thread for a window: the window
// hears when it starts and ends (to enable its buttons), gets a tick now
// and then while it runs (to show the progress), and its "done" step runs
// on the user-interface thread afterwards.
//
// The work runs on a thread of its own, which the done step joins before it
// runs. Joining is what makes the worker's results safe to read there, and it
// is an order ThreadSanitizer can see (Qt's own thread pool and futures hand
// over through code it cannot look into).

#include <QObject>
#include <QTimer>
#include <atomic>
#include <functional>
#include <thread>

namespace ui {

class BackgroundJob : public QObject {
  Q_OBJECT

 public:
  // tick_ms <= 0: no ticks.
  explicit BackgroundJob(int tick_ms, QObject* parent = nullptr);
  // Waits for work still running; its done step does not run any more.
  ~BackgroundJob() override;

  void start(std::function<void()> work, std::function<void()> done);
  bool running() const { return running_; }
  // Blocks until the work has ended, then runs its done step (tests and
  // closing use it).
  void wait();
  // Waits without running the done step: the window is going away, or its
  // result is no longer wanted.
  void abandon();

 Q_SIGNALS:
  void running_changed(bool running);
  void tick();

 private Q_SLOTS:
  // Queued by the worker as its last step. It carries nothing: which job
  // ended is read from ended_job_, so no value crosses the threads through
  // Qt's event queue.
  void worker_ended();

 private:
  void finish();

  QTimer timer_;
  std::thread worker_;
  std::function<void()> on_done_;
  // Counts the jobs started, so that the end of a job that wait() or
  // abandon() already dealt with is not taken for the end of a later one.
  unsigned job_ = 0;
  std::atomic<unsigned> ended_job_{0};
  bool running_ = false;
};

}  // namespace ui
