#pragma once
// Notices when something outside Verdalis (a sync tool, another program)
// changes the data folder, and asks for one look at it once the changes
// have settled and no modal window is open.
//
// The folder and its memo folder are watched as directories: a sync tool
// replaces a file by renaming a new one over it, which a watch on the file
// itself loses. The index files and the files of the memo shown are also
// watched as files, for programs that rewrite a file in place. Each event
// restarts a one-second wait; nothing runs while nothing happens.
//
// The look never runs while a modal window (the editor, a dialog, a message
// box) or a pop-up is open, since those work on the tables the look may
// change: the watch waits for that window to hide, then tries again on the
// next turn of the event loop.

#include <QFileSystemWatcher>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <functional>

class DiskWatch : public QObject {
  Q_OBJECT

 public:
  // How long the folder must stay quiet before it is looked at (ms).
  static constexpr int kSettleMs = 1000;
  // The longest a stream of events can put the look off (ms).
  static constexpr int kLongestWaitMs = 5000;

  // Watches `data_dir` (ending in "/") and runs `look` for each settled
  // change.
  DiskWatch(const QString& data_dir, std::function<void()> look, QObject* parent = nullptr);

  // Asks for a look on the next turn of the event loop, without waiting for
  // the folder to settle (start-up: conflict copies may be waiting).
  void look_soon();
  // Files watched besides the index files (the body and picture list of the
  // memo shown); replaces the previous ones.
  void set_extra_files(const QStringList& paths);

  // A look is due and has not run yet.
  bool pending() const { return pending_; }
  // The look is due but waits for a modal window or a pop-up to close.
  bool waiting() const { return waiting_on_ != nullptr; }
  // How many looks have run.
  int looks() const { return looks_; }
  // What is watched now (for tests).
  QStringList watched() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void changed();
  void try_look();
  // The open window the look must wait for, or nullptr.
  static QWidget* blocking_window();
  void wait_for(QWidget* window);
  void stop_waiting();
  // Watches every path that exists and is not watched yet.
  void renew_watches();

  QString data_dir_;
  std::function<void()> look_;
  QFileSystemWatcher watcher_;
  QTimer settle_;
  QTimer retry_;
  QStringList extra_files_;
  QPointer<QWidget> waiting_on_;
  qint64 first_event_ms_ = -1;  // when the events now settling began
  bool pending_ = false;
  bool running_ = false;
  int looks_ = 0;
};
