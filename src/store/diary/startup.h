#pragma once
// The data work of start-up: refusing a second running copy, creating the
// missing data files (with the default category lists and the welcome
// memo on the very first run) and loading every table.

#include <QDateTime>
#include <QLockFile>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "store/diary/app_state.h"

namespace store {

// The folder of the data directory that this user cannot write to: the
// data directory itself, or its memo sub-directory when that exists. Empty
// when both can be written. Only looks; creates nothing.
QString unwritable_data_folder(const QString& data_dir);

// The lock file that marks the data directory as in use on this machine.
// It lives outside the data directory, in the user's runtime folder
// ($XDG_RUNTIME_DIR, else Qt's runtime location, else /tmp/verdalis-<uid>/
// made private), because the data directory is often kept in a sync tool:
// a lock file inside it would travel to the other machine and stop
// Verdalis starting there. Its name comes from a hash of the directory's
// canonical path, so two paths to the same directory (a symbolic link)
// give the same lock. Empty when no private runtime folder can be used or
// made.
QString instance_lock_path(const QString& data_dir);

// Holds the data directory for this running copy until it is destroyed.
class InstanceLock {
 public:
  enum class Outcome { Acquired, AlreadyRunning, NotWritable };

  explicit InstanceLock(const QString& data_dir);
  // Checks that the data directory can be written before the lock file is
  // made, so an unusable directory is left exactly as it was. Nothing is
  // made inside the data directory: the lock file is at
  // instance_lock_path(). A lock file in the data directory written by an
  // older version or by another machine is neither read nor removed.
  Outcome acquire();
  // After NotWritable: the folder that cannot be written (the data
  // directory, its memo folder, or the runtime folder of the lock).
  QString unwritable_folder() const { return unwritable_folder_; }

 private:
  QString data_dir_;
  QString unwritable_folder_;
  std::unique_ptr<QLockFile> lock_;
};

inline const QString kAlreadyRunningMessage = QStringLiteral("【Verdalis】はすでに起動されています。");

// The message shown when a folder of the data directory cannot be written:
// names the folder and tells the user to install into a folder of their own.
QString not_writable_message(const QString& folder);

// The default category lists of a new installation.
QStringList default_locations();
QStringList default_varieties();

// The nine body lines of the welcome memo.
QStringList welcome_body_lines();

struct StartupData {
  bool ok = true;
  QString message;       // why start-up could not go on (ok == false)
  QStringList warnings;  // problems the user should hear about; start-up went on
};

// Creates what is missing and loads the tables into `state`.
// `window_defaults` holds the geometry of the freshly centred main window;
// it is written to a new flower.ini and fills any value a damaged
// flower.ini lacks. `now` is read for each time stamp separately.
StartupData start_up_data(AppState& state, const Settings& window_defaults,
                          const std::function<QDateTime()>& now = &QDateTime::currentDateTime);

}  // namespace store
