#include "main_window/disk_watch.h"

#include <QApplication>
#include <QDateTime>
#include <QEvent>
#include <QFileInfo>
#include <QThread>
#include <QWidget>

namespace {

// The index files a program may rewrite in place.
const char* const kIndexFiles[] = {"flower.dat", "basyo.dat", "hinsyu.dat", "flower.ini"};

// A nested event loop with no window to wait for (a drag, the last turn of
// a dialog's loop after it hid): the look is tried again after this (ms).
constexpr int kNestedLoopRetryMs = 200;

}  // namespace

DiskWatch::DiskWatch(const QString& data_dir, std::function<void()> look, QObject* parent)
    : QObject(parent), data_dir_(data_dir), look_(std::move(look)) {
  settle_.setSingleShot(true);
  settle_.setInterval(kSettleMs);
  retry_.setSingleShot(true);
  connect(&settle_, &QTimer::timeout, this, &DiskWatch::try_look);
  connect(&retry_, &QTimer::timeout, this, &DiskWatch::try_look);
  connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { changed(); });
  connect(&watcher_, &QFileSystemWatcher::fileChanged, this, [this](const QString& path) {
    // A watch follows the file it was put on: after a rename over the path
    // it would watch the old, unlinked file. It is put on the path anew.
    watcher_.removePath(path);
    changed();
  });
  renew_watches();
}

void DiskWatch::look_soon() {
  pending_ = true;
  QTimer::singleShot(0, this, &DiskWatch::try_look);
}

void DiskWatch::set_extra_files(const QStringList& paths) {
  if (paths == extra_files_) return;
  for (const QString& path : extra_files_) {
    if (!paths.contains(path)) watcher_.removePath(path);
  }
  extra_files_ = paths;
  renew_watches();
}

QStringList DiskWatch::watched() const { return watcher_.directories() + watcher_.files(); }

void DiskWatch::changed() {
  renew_watches();
  pending_ = true;
  const qint64 now = QDateTime::currentMSecsSinceEpoch();
  if (!settle_.isActive()) first_event_ms_ = now;
  // A stream of events puts the look off, but not for ever: a large sync
  // is looked at while it goes on, and again once it has settled.
  if (now - first_event_ms_ < kLongestWaitMs || !settle_.isActive()) settle_.start();
}

QWidget* DiskWatch::blocking_window() {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  return QApplication::activePopupWidget();
}

void DiskWatch::try_look() {
  if (!pending_ || settle_.isActive()) return;
  if (running_) return;  // the look under way is followed by another (below)
  if (QWidget* window = blocking_window()) {
    wait_for(window);
    return;
  }
  // The event loop of the application runs at level 1 (0 in tests, which
  // turn it by hand); deeper, a modal loop is still unwinding.
  if (QThread::currentThread()->loopLevel() > 1) {
    retry_.start(kNestedLoopRetryMs);
    return;
  }
  stop_waiting();
  pending_ = false;
  running_ = true;
  ++looks_;
  look_();
  running_ = false;
  renew_watches();
  // Changes that came while the look showed a message are looked at too.
  if (pending_ && !settle_.isActive()) settle_.start();
}

void DiskWatch::wait_for(QWidget* window) {
  if (waiting_on_ == window) return;
  stop_waiting();
  waiting_on_ = window;
  window->installEventFilter(this);
  connect(window, &QObject::destroyed, this, [this] { QTimer::singleShot(0, this, &DiskWatch::try_look); });
}

void DiskWatch::stop_waiting() {
  if (!waiting_on_) return;
  waiting_on_->removeEventFilter(this);
  disconnect(waiting_on_, &QObject::destroyed, this, nullptr);
  waiting_on_ = nullptr;
}

bool DiskWatch::eventFilter(QObject* watched, QEvent* event) {
  if (watched == waiting_on_ && event->type() == QEvent::Hide) {
    stop_waiting();
    // On the next turn: the window's own handlers finish first.
    QTimer::singleShot(0, this, &DiskWatch::try_look);
  }
  return QObject::eventFilter(watched, event);
}

void DiskWatch::renew_watches() {
  const QStringList now_watched = watched();
  QStringList wanted;
  const QString memo_dir = data_dir_ + QStringLiteral("memo");
  for (const QString& dir : {data_dir_, memo_dir}) {
    if (QFileInfo(dir).isDir()) wanted << dir;
  }
  for (const char* name : kIndexFiles) wanted << data_dir_ + QLatin1String(name);
  wanted << extra_files_;
  QStringList missing;
  for (const QString& path : wanted) {
    // A directory is listed without its final "/".
    const QString listed = path.endsWith(QLatin1Char('/')) ? path.chopped(1) : path;
    if (now_watched.contains(listed) || now_watched.contains(path) || !QFileInfo::exists(path)) continue;
    missing << path;
  }
  if (!missing.isEmpty()) watcher_.addPaths(missing);
}
