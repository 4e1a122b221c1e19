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

#include "store/app_state.h"

namespace store {

// Holds the data directory for this running copy until it is destroyed.
class InstanceLock {
 public:
  enum class Outcome { Acquired, AlreadyRunning, NotWritable };

  explicit InstanceLock(const QString& data_dir);
  Outcome acquire();

 private:
  QString data_dir_;
  std::unique_ptr<QLockFile> lock_;
};

inline const QString kAlreadyRunningMessage = QStringLiteral("【Verdalis】はすでに起動されています。");

// The message shown when the data directory cannot be written.
QString not_writable_message(const QString& data_dir);

// The default category lists of a new installation.
QStringList default_locations();
QStringList default_varieties();

// The nine body lines of the welcome memo.
QStringList welcome_body_lines();

// The date and time as the data files hold them.
QString format_date(const QDateTime& t);       // "yyyy/MM/dd"
QString format_timestamp(const QDateTime& t);  // "yyyy/MM/dd HH:mm:ss"

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
