// Verdalis: a diary for gardeners.

#include <QApplication>
#include <QDir>
#include <QFont>

#include "backup/restored_copy.h"
#include "main_window/main_form.h"
#include "store/diary/app_state.h"
#include "ui/app_icon.h"
#include "ui/message_service.h"
#include "ui/platform_choice.h"
#include "ui/translations.h"

int main(int argc, char** argv) {
  // Before the application object exists: it reads QT_QPA_PLATFORM.
  ui::choose_platform(argc, argv);
  QApplication app(argc, argv);
  QApplication::setApplicationName(store::kAppName);
  ui::install_japanese_translations(app);
  // The desktop entry and the icon that the installation puts in place:
  // task bars match the window to them by this name.
  QApplication::setDesktopFileName(QStringLiteral("verdalis"));
  QApplication::setWindowIcon(ui::app_icon());
  // The window is laid out for a 9-point font.
  QFont font = QApplication::font();
  font.setPointSize(9);
  QApplication::setFont(font);

  // The data files live beside the executable.
  QString data_dir = QDir(QCoreApplication::applicationDirPath()).absolutePath();
  if (!data_dir.endsWith(QLatin1Char('/'))) data_dir += QLatin1Char('/');

  store::AppState state(data_dir);
  ui::QtMessageService messages;
  Main_form form(state, messages);
  if (!form.Form_Load()) return 1;
  // A restored copy started by the restore opens beside the running diary.
  if (const auto at = restored_copy::position_in(QCoreApplication::arguments())) form.move(*at);
  form.show_restored();
  return QApplication::exec();
}
