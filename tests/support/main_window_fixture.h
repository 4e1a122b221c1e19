#pragma once
// A main window over a temporary data directory, for the window tests.

#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

#include "data_dir.h"
#include "main_window/main_form.h"
#include "main_window/memo_grid.h"
#include "main_window/memo_list_model.h"
#include "main_window/tools_menu.h"
#include "recording_messages.h"
#include "user_input.h"

namespace testing_support {

struct MainWindowFixture {
  // Writes flower.dat (7 lines per memo) and creates the memo directory.
  bool write_index(const QStringList& lines) {
    QDir().mkdir(dir_path + QStringLiteral("memo"));
    return write_bytes(dir_path + QStringLiteral("flower.dat"), cp932_lines(lines));
  }

  // Builds the state and the main window and runs start-up.
  Main_form& load() {
    state = std::make_unique<store::AppState>(dir_path);
    form = std::make_unique<Main_form>(*state, messages);
    loaded = form->Form_Load();
    return *form;
  }

  // A mouse click on a row of the list (1-based grid row).
  void click_row(int grid_row) {
    if (!form->isVisible()) user_input::show_active(form.get());
    user_input::click_row(form->Grid1, grid_row - 1);
  }

  // Clicks the ツール menu open and an item in it, as the mouse does.
  void click_tool_item(QAction* item) {
    if (!form->isVisible()) user_input::show_active(form.get());
    QMenuBar* bar = form->menuBar();
    QMenu* menu = form->tools().Menu_tool;
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
    QTRY_VERIFY(menu->isVisible());
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
  }

  // The titles of the memo rows listed, top to bottom.
  QStringList titles() const {
    QStringList t;
    for (int r = 0; r < form->list_model()->memo_rows(); ++r) t << form->list_model()->cell(r, 3);
    return t;
  }

  QTemporaryDir dir;
  QString dir_path = dir.path() + QLatin1Char('/');
  RecordingMessages messages;
  std::unique_ptr<store::AppState> state;
  std::unique_ptr<Main_form> form;
  bool loaded = false;
};

}  // namespace testing_support
