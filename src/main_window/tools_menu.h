#pragma once
// The ツール menu: our own tools beside the menus the main window defines.
// It owns the menu's actions and their handlers, the thumbnail workers the
// seasons windows share, and those windows while they are open; it closes
// the windows before the workers go.

#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

#include "backup/f_backup.h"
#include "seasons/f_album.h"
#include "seasons/f_season.h"

class Main_form;
class QAction;
class QMenu;
class QMenuBar;

namespace store {
struct AppState;
class OwnSettings;
}
namespace ui {
class MessageService;
}
namespace seasons {
class ThumbnailLoader;
}

class ToolsMenu {
 public:
  // Adds the menu to the end of `bar`.
  ToolsMenu(QMenuBar* bar, Main_form& main, store::AppState& state, ui::MessageService& messages);
  ~ToolsMenu();
  ToolsMenu(const ToolsMenu&) = delete;
  ToolsMenu& operator=(const ToolsMenu&) = delete;

  void Menu_syozai_Click();
  void Menu_import_Click();
  void Menu_backup_Click();
  void Menu_restore_Click();
  void Menu_album_Click();
  void Menu_season_Click();
  void Menu_fold_Click();
  void Menu_print_Click();

  // The seasons windows while they are open.
  seasons::F_album* album() const { return album_; }
  seasons::F_season* season() const { return season_; }

  // The file choices of the backup and the restore. Tests replace them.
  F_backup::Choosers backup_choosers = F_backup::standard_choosers();
  // The folder whose photos are brought in ("" when the user cancels),
  // chosen in a dialog that opens at `start`. Tests replace it.
  std::function<QString(QWidget*, const QString& start)> import_folder;

  QMenu* Menu_tool = nullptr;
  QAction* Menu_syozai = nullptr;
  QAction* Menu_import = nullptr;
  QAction* Menu_backup = nullptr;
  QAction* Menu_restore = nullptr;
  QAction* Menu_album = nullptr;
  QAction* Menu_season = nullptr;
  QAction* Menu_fold = nullptr;
  QAction* Menu_print = nullptr;

 private:
  seasons::ThumbnailLoader& thumbnails();
  // verdalis.ini, read again each time it is asked for.
  store::OwnSettings& own_settings();
  void keep_album_place();

  Main_form& main_;
  store::AppState& state_;
  ui::MessageService& messages_;
  std::unique_ptr<seasons::ThumbnailLoader> thumbnails_;
  std::unique_ptr<store::OwnSettings> own_settings_;
  QPointer<seasons::F_album> album_;
  QPointer<seasons::F_season> season_;
};
