#pragma once
// Small pieces every benchmark case uses: a message service that shows
// nothing, millisecond clocks, the median, and waiting on the event loop.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <algorithm>
#include <fcntl.h>
#include <unistd.h>
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

// The least a durable write of a file can do, for the floors: the bytes
// to a temporary beside it, fdatasync, the rename over the file. The
// caller syncs the folder (fsync_folder) once after all its files.
inline void floor_write(const QString& path, const QByteArray& bytes) {
  const QByteArray temp = QFile::encodeName(path + QStringLiteral(".floor"));
  const int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0 || ::write(fd, bytes.constData(), static_cast<size_t>(bytes.size())) != bytes.size() ||
      ::fdatasync(fd) != 0 || ::close(fd) != 0 || ::rename(temp.constData(), QFile::encodeName(path).constData()) != 0) {
    qFatal("floor: %s was not written", qPrintable(path));
  }
}

inline void fsync_folder(const QString& path) {
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0 || ::fsync(fd) != 0 || ::close(fd) != 0) qFatal("floor: %s was not synced", qPrintable(path));
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
