// The main window's commands: new memo, correction, deletion, and the menu
// bar with the usage guide.

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMenuBar>
#include <QDate>
#include <QScreen>
#include <QUrl>
#include <algorithm>

#include "categories/f_category.h"
#include "editor/f_kinyu.h"
#include "main_window/main_form.h"
#include "main_window/memo_grid.h"
#include "memo_deletion/f_sakujo.h"
#include "picture_check/f_syozai.h"
#include "seasons/f_album.h"
#include "seasons/f_season.h"
#include "seasons/thumbnail_loader.h"
#include "store/thumbnail_cache.h"
#include "search/f_zenbun.h"

void Main_form::build_menu_bar() {
  QMenuBar* bar = menuBar();
  Menu_file = bar->addMenu(QStringLiteral("ﾌｧｲﾙ(&F)"));
  Menu_file->setObjectName(QStringLiteral("Menu_file"));
  Menu_file_quit = Menu_file->addAction(QStringLiteral("終了(&Q)"));
  Menu_file_quit->setObjectName(QStringLiteral("Menu_file_quit"));

  Menu_zenbun = bar->addAction(QStringLiteral("全文検索(&Z)"));
  Menu_zenbun->setObjectName(QStringLiteral("Menu_zenbun"));
  Menu_bunrui_edit = bar->addMenu(QStringLiteral("場所･品種の編集(&E)"));
  Menu_bunrui_edit->setObjectName(QStringLiteral("Menu_bunrui_edit"));
  Menu_basyo = Menu_bunrui_edit->addAction(QStringLiteral("場所の編集(&B)"));
  Menu_basyo->setObjectName(QStringLiteral("Menu_basyo"));
  Menu_hinsyu = Menu_bunrui_edit->addAction(QStringLiteral("品種の編集(&H)"));
  Menu_hinsyu->setObjectName(QStringLiteral("Menu_hinsyu"));

  // Tools of our own, beside the menus above.
  Menu_tool = bar->addMenu(QStringLiteral("ツール(&T)"));
  Menu_tool->setObjectName(QStringLiteral("Menu_tool"));
  Menu_syozai = Menu_tool->addAction(QStringLiteral("画像の所在確認(&L)..."));
  Menu_syozai->setObjectName(QStringLiteral("Menu_syozai"));
  Menu_backup = Menu_tool->addAction(QStringLiteral("バックアップ(&B)..."));
  Menu_backup->setObjectName(QStringLiteral("Menu_backup"));
  Menu_restore = Menu_tool->addAction(QStringLiteral("バックアップから復元(&R)..."));
  Menu_restore->setObjectName(QStringLiteral("Menu_restore"));
  Menu_tool->addSeparator();
  Menu_album = Menu_tool->addAction(QStringLiteral("季節アルバム(&A)..."));
  Menu_album->setObjectName(QStringLiteral("Menu_album"));
  Menu_season = Menu_tool->addAction(QStringLiteral("この時期の記録(&S)..."));
  Menu_season->setObjectName(QStringLiteral("Menu_season"));

  menu_tukaikata = bar->addAction(QStringLiteral("使い方(&U)"));
  menu_tukaikata->setObjectName(QStringLiteral("menu_tukaikata"));
  Menu_quit = bar->addAction(QStringLiteral("終了(&Q)"));
  Menu_quit->setObjectName(QStringLiteral("Menu_quit"));

  connect(Menu_file_quit, &QAction::triggered, this, &Main_form::Menu_file_quit_Click);
  connect(Menu_zenbun, &QAction::triggered, this, &Main_form::Menu_zenbun_Click);
  connect(Menu_basyo, &QAction::triggered, this, &Main_form::Menu_basyo_Click);
  connect(Menu_hinsyu, &QAction::triggered, this, &Main_form::Menu_hinsyu_Click);
  connect(Menu_syozai, &QAction::triggered, this, &Main_form::Menu_syozai_Click);
  connect(Menu_backup, &QAction::triggered, this, &Main_form::Menu_backup_Click);
  connect(Menu_restore, &QAction::triggered, this, &Main_form::Menu_restore_Click);
  connect(Menu_album, &QAction::triggered, this, &Main_form::Menu_album_Click);
  connect(Menu_season, &QAction::triggered, this, &Main_form::Menu_season_Click);
  connect(menu_tukaikata, &QAction::triggered, this, &Main_form::menu_tukaikata_Click);
  connect(Menu_quit, &QAction::triggered, this, &Main_form::Menu_quit_Click);
}

void Main_form::Command6_Click() {
  set_hint(QStringLiteral("登録画面を起動中です。少々お待ち下さい。"));
  repaint();
  state_.EditMode = QStringLiteral("sinki");
  run_editor();
  update_main_caption();
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

void Main_form::run_editor() {
  // The editor works on the shared picture list, which the viewer pane
  // shows. A cancel puts the pane's list back, so the pane stays exactly as
  // it was: no file is read again, no message repeats, the hint stays.
  const std::vector<store::ImageEntry> images = state_.current_images;
  const int image_no = state_.current_image_no;
  const QString image_path = state_.current_image_path;
  F_kinyu editor(state_, messages_, *this);
  if (run_modal(editor) == QDialog::Accepted) return;
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
}

void Main_form::Menu_zenbun_Click() {
  F_zenbun search(state_, *this);
  run_modal(search);
}

void Main_form::Menu_basyo_Click() {
  F_basyo editor(state_, messages_, *this);
  run_modal(editor);
}

void Main_form::Menu_hinsyu_Click() {
  F_hinsyu editor(state_, messages_, *this);
  run_modal(editor);
}

void Main_form::Menu_syozai_Click() {
  F_syozai check(state_, messages_, *this);
  check.start_scan();
  run_modal(check);
  // Picture lists may have changed: the memo of the current row is shown
  // again from its files.
  if (!current_memo_no().isEmpty()) show_memo();
}

void Main_form::Menu_backup_Click() {
  F_backup backup(state_, messages_, this);
  if (backup.start_backup(backup_choosers)) run_modal(backup);
}

void Main_form::Menu_restore_Click() {
  F_backup restore(state_, messages_, this);
  if (restore.start_restore(backup_choosers)) run_modal(restore);
}

seasons::ThumbnailLoader& Main_form::thumbnails() {
  if (!thumbnails_) {
    thumbnails_ = std::make_unique<seasons::ThumbnailLoader>(seasons::AlbumTileSide, store::thumbnail_root());
  }
  return *thumbnails_;
}

namespace {

// A window of our own that stays open beside the main window: shown, or
// brought to the front when it is open already. It opens right of the main
// window when the screen has room there, and is never wider than the screen.
void bring_up(QWidget* window, QWidget* main) {
  if (!window->isVisible()) {
    const QRect screen = main->screen()->availableGeometry();
    const QRect frame = main->frameGeometry();
    const int right_room = screen.right() - frame.right() - 8;
    const int width = std::min(window->width(), right_room >= 640 ? right_room : screen.width() - 16);
    window->resize(width, std::min(window->height(), screen.height() - 48));
    const int x = right_room >= width ? frame.right() + 1 : screen.right() - width - 8;
    window->move(std::max(screen.left(), x), std::max(screen.top(), frame.top()));
  }
  window->show();
  window->raise();
  window->activateWindow();
}

}  // namespace

void Main_form::Menu_album_Click() {
  if (!album_) {
    album_ = new seasons::F_album(*this, thumbnails(), this);
    album_->setAttribute(Qt::WA_DeleteOnClose);
    connect(this, &Main_form::listed_memos_changed, album_, &seasons::F_album::main_list_changed);
  }
  bring_up(album_, this);
}

void Main_form::Menu_season_Click() {
  if (!season_) {
    season_ = new seasons::F_season(*this, thumbnails(), QDate::currentDate(), this);
    season_->setAttribute(Qt::WA_DeleteOnClose);
  } else {
    season_->list_memos();
  }
  bring_up(season_, this);
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
