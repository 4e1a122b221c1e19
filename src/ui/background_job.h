#pragma once
// Runs one piece of long work in a worker thread for a window: the window
// hears when it starts and ends (to enable its buttons), gets a tick now
// and then while it runs (to show the progress), and its "done" step runs
// on the user-interface thread afterwards.

#include <QFutureWatcher>
#include <QObject>
#include <QTimer>
#include <functional>

namespace ui {

class BackgroundJob : public QObject {
  Q_OBJECT

 public:
  explicit BackgroundJob(int tick_ms, QObject* parent = nullptr);
  // Waits for work still running; its done step does not run any more.
  ~BackgroundJob() override;

  void start(std::function<void()> work, std::function<void()> done);
  bool running() const { return running_; }
  // Blocks until the work has ended, then runs its done step (tests and
  // closing use it).
  void wait();
  // Waits without running the done step: the window is going away.
  void abandon();

 Q_SIGNALS:
  void running_changed(bool running);
  void tick();

 private:
  void finish();

  QFutureWatcher<void> watcher_;
  QTimer timer_;
  std::function<void()> on_done_;
  bool running_ = false;
};

}  // namespace ui
