// The main window's commands: new memo, correction, deletion, and the menu
// bar with the usage guide.

#include <QDesktopServices>
#include <QLabel>
#include <QDir>
#include <QFileInfo>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QUrl>

#include "categories/f_category.h"
#include "editor/f_kinyu.h"
#include "main_window/main_form.h"
#include "main_window/memo_grid.h"
#include "main_window/tools_menu.h"
#include "memo_deletion/f_sakujo.h"
#include "search/f_zenbun.h"
#include "ui/file_drop.h"
#include "ui/form_controls.h"

void Main_form::build_menu_bar() {
  QMenuBar* bar = menuBar();
  Menu_file = bar->addMenu(QStringLiteral("ﾌｧｲﾙ(&F)"));
  Menu_file->setObjectName(QStringLiteral("Menu_file"));
  Menu_file_quit = ui::add_action(Menu_file, "Menu_file_quit", QStringLiteral("終了(&Q)"));

  Menu_zenbun = ui::add_action(bar, "Menu_zenbun", QStringLiteral("全文検索(&Z)"));
  Menu_bunrui_edit = bar->addMenu(QStringLiteral("場所･品種の編集(&E)"));
  Menu_bunrui_edit->setObjectName(QStringLiteral("Menu_bunrui_edit"));
  Menu_basyo = ui::add_action(Menu_bunrui_edit, "Menu_basyo", QStringLiteral("場所の編集(&B)"));
  Menu_hinsyu = ui::add_action(Menu_bunrui_edit, "Menu_hinsyu", QStringLiteral("品種の編集(&H)"));

  // Tools of our own, beside the menus above.
  tools_ = std::make_unique<ToolsMenu>(bar, *this, state_, messages_);

  menu_tukaikata = ui::add_action(bar, "menu_tukaikata", QStringLiteral("使い方(&U)"));
  Menu_quit = ui::add_action(bar, "Menu_quit", QStringLiteral("終了(&Q)"));

  connect(Menu_file_quit, &QAction::triggered, this, &Main_form::Menu_file_quit_Click);
  connect(Menu_zenbun, &QAction::triggered, this, &Main_form::Menu_zenbun_Click);
  connect(Menu_basyo, &QAction::triggered, this, &Main_form::Menu_basyo_Click);
  connect(Menu_hinsyu, &QAction::triggered, this, &Main_form::Menu_hinsyu_Click);
  connect(menu_tukaikata, &QAction::triggered, this, &Main_form::menu_tukaikata_Click);
  connect(Menu_quit, &QAction::triggered, this, &Main_form::Menu_quit_Click);
}

void Main_form::Command6_Click() { open_new_memo({}); }

void Main_form::open_new_memo(const std::function<bool(F_kinyu&)>& prepare) {
  set_hint(QStringLiteral("登録画面を起動中です。少々お待ち下さい。"));
  repaint();
  state_.EditMode = QStringLiteral("sinki");
  run_editor(prepare);
  update_main_caption();
}

void Main_form::new_memo_with_files(const QList<QUrl>& urls) {
  // Without a picture that can be added the editor does not open; the
  // message has named every file and why.
  open_new_memo([&urls](F_kinyu& editor) {
    if (editor.add_picture_files(urls, -1) == 0) return false;
    editor.date_from_pictures();
    return true;
  });
}

void Main_form::install_file_drops() {
  const auto drop = [this](const QList<QUrl>& urls, int) { new_memo_with_files(urls); };
  for (QWidget* target : {Grid1->viewport(), Text2->viewport(), List1->viewport(), static_cast<QWidget*>(Image1)}) {
    new ui::FileDropTarget(target, drop);
  }
}

void Main_form::Command8_Click() {
  if (current_memo_no().isEmpty()) {
    messages_.inform(this, QStringLiteral("訂正する項目が選択されていません。"), store::kAppTitle);
    return;
  }
  set_hint(QStringLiteral("訂正画面を起動中です。少々お待ち下さい。"));
  repaint();
  state_.EditMode = QStringLiteral("teisei");
  run_editor();
}

void Main_form::run_editor(const std::function<bool(F_kinyu&)>& prepare) {
  // The editor works on the shared picture list, which the viewer pane
  // shows. A cancel puts the pane's list back, so the pane stays exactly as
  // it was: no file is read again, no message repeats, the hint stays.
  const std::vector<store::ImageEntry> images = state_.current_images;
  const int image_no = state_.current_image_no;
  const QString image_path = state_.current_image_path;
  F_kinyu editor(state_, messages_, *this);
  if ((!prepare || prepare(editor)) && run_modal(editor) == QDialog::Accepted) {
    // The save may have taken in names the other machine added.
    refresh_filter_names();
    return;
  }
  state_.current_images = images;
  state_.current_image_no = image_no;
  state_.current_image_path = image_path;
}

void Main_form::Grid1_DblClick() { Command8_Click(); }

void Main_form::Command7_Click() {
  if (current_memo_no().isEmpty()) {
    messages_.inform(this, QStringLiteral("削除する項目が選択されていません。"), store::kAppTitle);
    return;
  }
  F_sakujo deletion(state_, messages_, *this);
  run_modal(deletion);
  // The deletion may have taken in names the other machine added.
  refresh_filter_names();
}

void Main_form::Menu_zenbun_Click() {
  F_zenbun search(state_, *this);
  run_modal(search);
}

void Main_form::Menu_basyo_Click() {
  F_basyo editor(state_, messages_, *this);
  run_modal(editor);
  // The varieties too may have taken in the other machine's names.
  refresh_filter_names();
}

void Main_form::Menu_hinsyu_Click() {
  F_hinsyu editor(state_, messages_, *this);
  run_modal(editor);
  refresh_filter_names();
}

void Main_form::menu_tukaikata_Click() {
  // The guide is looked up in the current directory, by its bare name.
  const QString guide = QStringLiteral("hana.doc");
  if (!QFileInfo::exists(guide)) {
    messages_.inform(this, QStringLiteral("hana.docファイルが無いので、使い方を表示できません。"), store::kAppName);
    return;
  }
  QDesktopServices::openUrl(QUrl::fromLocalFile(QDir::current().absoluteFilePath(guide)));
}
