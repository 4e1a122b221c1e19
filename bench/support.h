#pragma once
// Small pieces every benchmark case uses: a message service that shows
// nothing, millisecond clocks, the median, and waiting on the event loop.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <vector>

#include "main_window/main_form.h"
#include "store/diary/app_state.h"
#include "ui/message_service.h"

namespace bench {

// Answers every question with "no" and shows nothing.
class SilentMessages : public ui::MessageService {
 public:
  void inform(QWidget*, const QString&, const QString&) override {}
  bool ask(QWidget*, const QString&, const QString&, bool) override { return false; }
};

// A loaded main window over the data directory.
struct Window {
  explicit Window(const QString& dir) : state(dir), form(state, messages) { loaded = form.Form_Load(); }
  SilentMessages messages;
  store::AppState state;
  Main_form form;
  bool loaded = false;
};

inline double ms_since(const QElapsedTimer& t) { return static_cast<double>(t.nsecsElapsed()) / 1e6; }

inline double elapsed_ms(const std::function<void()>& run) {
  QElapsedTimer timer;
  timer.start();
  run();
  return ms_since(timer);
}

inline double median(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// Runs the event loop until `done` holds (looked at every 2 ms) or two
// minutes have passed. The loop sleeps between events as the
// application's own does: QCoreApplication::processEvents with a time
// limit never waits, and calling it in a loop would keep a core busy that
// the program's worker threads need.
inline void spin_until(const std::function<bool()>& done) {
  if (done()) return;
  QEventLoop loop;
  QTimer look;
  look.setTimerType(Qt::PreciseTimer);
  QObject::connect(&look, &QTimer::timeout, &loop, [&] {
    if (done()) loop.quit();
  });
  QTimer limit;
  limit.setSingleShot(true);
  QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
  look.start(2);
  limit.start(120000);
  loop.exec();
}

}  // namespace bench
