#include "main_window/tools_menu.h"

#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QMenuBar>
#include <QScreen>
#include <algorithm>

#include "main_window/main_form.h"
#include "photo_import/f_import.h"
#include "photo_import/import_settings.h"
#include "picture_check/f_syozai.h"
#include "printing/f_print.h"
#include "seasons/f_album.h"
#include "seasons/f_season.h"
#include "seasons/thumbnail_loader.h"
#include "seasons/window_place.h"
#include "store/diary/own_settings.h"
#include "store/seasons/thumbnail_cache.h"
#include "ui/form_controls.h"

namespace {

// Whether the full-text search compares folded: "1" or "0".
const QString kFoldSearchKey = QStringLiteral("search.fold");

// The key of the album's place and size in verdalis.ini.
const QString kAlbumPlaceKey = QStringLiteral("album.geometry");

// A window of our own that stays open beside the main window: shown, or
// brought to the front when it is open already. It opens where it was
// last closed (`kept`), else beside the main window where the screen has
// room, else over the main window's lower half (seasons::place_beside).
void bring_up(QWidget* window, QWidget* main, const std::optional<QRect>& kept = std::nullopt) {
  if (!window->isVisible()) {
    const QRect screen = main->screen()->availableGeometry();
    std::optional<QRect> place = kept ? seasons::kept_place(*kept, window->minimumSize(), screen) : std::nullopt;
    if (!place) place = seasons::place_beside(window->size(), window->minimumSize(), main->frameGeometry(), screen);
    window->resize(place->size());
    window->move(place->topLeft());
  }
  window->show();
  window->raise();
  window->activateWindow();
}

}  // namespace

ToolsMenu::ToolsMenu(QMenuBar* bar, Main_form& main, store::AppState& state, ui::MessageService& messages)
    : main_(main), state_(state), messages_(messages) {
  Menu_tool = bar->addMenu(QStringLiteral("ツール(&T)"));
  Menu_tool->setObjectName(QStringLiteral("Menu_tool"));
  Menu_syozai = ui::add_action(Menu_tool, "Menu_syozai", QStringLiteral("画像の所在確認(&L)..."));
  Menu_import = ui::add_action(Menu_tool, "Menu_import", QStringLiteral("写真の取り込み(&I)..."));
  Menu_backup = ui::add_action(Menu_tool, "Menu_backup", QStringLiteral("バックアップ(&B)..."));
  Menu_restore = ui::add_action(Menu_tool, "Menu_restore", QStringLiteral("バックアップから復元(&R)..."));
  Menu_tool->addSeparator();
  Menu_album = ui::add_action(Menu_tool, "Menu_album", QStringLiteral("季節アルバム(&A)..."));
  Menu_season = ui::add_action(Menu_tool, "Menu_season", QStringLiteral("この時期の記録(&S)..."));
  Menu_print = ui::add_action(Menu_tool, "Menu_print", QStringLiteral("印刷・PDF(&P)..."));
  Menu_tool->addSeparator();
  Menu_fold = ui::add_action(Menu_tool, "Menu_fold", QStringLiteral("検索でかな・全角半角を区別しない(&K)"));
  Menu_fold->setCheckable(true);
  state_.fold_search = own_settings().value(kFoldSearchKey) == QLatin1String("1");
  Menu_fold->setChecked(state_.fold_search);

  QObject::connect(Menu_syozai, &QAction::triggered, &main, [this] { Menu_syozai_Click(); });
  QObject::connect(Menu_import, &QAction::triggered, &main, [this] { Menu_import_Click(); });
  import_folder = [](QWidget* parent, const QString& start) {
    return QFileDialog::getExistingDirectory(parent, QStringLiteral("写真を取り込むフォルダ"), start);
  };
  QObject::connect(Menu_backup, &QAction::triggered, &main, [this] { Menu_backup_Click(); });
  QObject::connect(Menu_restore, &QAction::triggered, &main, [this] { Menu_restore_Click(); });
  QObject::connect(Menu_album, &QAction::triggered, &main, [this] { Menu_album_Click(); });
  QObject::connect(Menu_season, &QAction::triggered, &main, [this] { Menu_season_Click(); });
  QObject::connect(Menu_fold, &QAction::triggered, &main, [this] { Menu_fold_Click(); });
  QObject::connect(Menu_print, &QAction::triggered, &main, [this] { Menu_print_Click(); });
}

ToolsMenu::~ToolsMenu() {
  // The album open at the end keeps its place for the next start; the
  // program is ending, so a failure is not reported now.
  if (album_ && album_->isVisible()) {
    store::OwnSettings& settings = own_settings();
    settings.set_value(kAlbumPlaceKey, seasons::place_text(QRect(album_->pos(), album_->size())));
    settings.save();
  }
  // The seasons windows use the thumbnail workers: they go first.
  delete album_;
  delete season_;
}

void ToolsMenu::Menu_syozai_Click() {
  F_syozai check(state_, messages_, main_);
  check.start_scan();
  main_.run_modal(check);
  // Picture lists may have changed: the memo of the current row is shown
  // again from its files.
  if (!main_.current_memo_no().isEmpty()) main_.show_memo();
}

void ToolsMenu::Menu_import_Click() {
  // The chooser opens at the folder chosen last; the window at its last size.
  const QString folder = import_folder(&main_, photo_import::start_folder(own_settings(), QDir::homePath()));
  if (folder.isEmpty()) return;
  F_import import(state_, messages_, main_, thumbnails(), &main_);
  import.resize_to_kept(photo_import::kept_size(own_settings()));
  import.start_scan(folder);
  main_.run_modal(import);
  const QString failure = photo_import::keep_import_place(own_settings(), folder, import.size());
  if (!failure.isEmpty()) messages_.inform(&main_, failure, store::kAppTitle);
}

void ToolsMenu::Menu_backup_Click() {
  F_backup backup(state_, messages_, &main_);
  if (backup.start_backup(backup_choosers)) main_.run_modal(backup);
}

void ToolsMenu::Menu_restore_Click() {
  F_backup restore(state_, messages_, &main_);
  if (restore.start_restore(backup_choosers)) main_.run_modal(restore);
}

seasons::ThumbnailLoader& ToolsMenu::thumbnails() {
  if (!thumbnails_) {
    thumbnails_ = std::make_unique<seasons::ThumbnailLoader>(seasons::AlbumTileSide, store::thumbnail_root());
  }
  return *thumbnails_;
}

void ToolsMenu::Menu_album_Click() {
  if (!album_) {
    album_ = new seasons::F_album(state_, main_, thumbnails(), &main_);
    album_->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(&main_, &Main_form::listed_memos_changed, album_, &seasons::F_album::main_list_changed);
    QObject::connect(album_, &seasons::F_album::closing, &main_, [this] { keep_album_place(); });
    bring_up(album_, &main_, seasons::parse_place(own_settings().value(kAlbumPlaceKey)));
    return;
  }
  bring_up(album_, &main_);
}

store::OwnSettings& ToolsMenu::own_settings() {
  if (!own_settings_) own_settings_ = std::make_unique<store::OwnSettings>(store::OwnSettings::path_in(state_.data_dir));
  own_settings_->load();
  return *own_settings_;
}

void ToolsMenu::keep_album_place() {
  store::OwnSettings& settings = own_settings();
  settings.set_value(kAlbumPlaceKey, seasons::place_text(QRect(album_->pos(), album_->size())));
  // Reported the first time only: the album is closed often.
  const QString failure = settings.save_reporting_once();
  if (!failure.isEmpty()) messages_.inform(album_, failure, store::kAppTitle);
}

void ToolsMenu::Menu_season_Click() {
  if (!season_) {
    season_ = new seasons::F_season(state_, main_, thumbnails(), QDate::currentDate(), &main_);
    season_->setAttribute(Qt::WA_DeleteOnClose);
  } else {
    season_->list_memos();
  }
  bring_up(season_, &main_);
}

void ToolsMenu::Menu_fold_Click() {
  state_.fold_search = Menu_fold->isChecked();
  store::OwnSettings& settings = own_settings();
  settings.set_value(kFoldSearchKey, state_.fold_search ? QStringLiteral("1") : QStringLiteral("0"));
  // The choice holds for this run whether or not it could be kept.
  const store::FileResult saved = settings.save();
  if (!saved.ok) messages_.inform(&main_, saved.message, store::kAppTitle);
}

void ToolsMenu::Menu_print_Click() {
  if (!F_print::fonts_ready(messages_, &main_)) return;
  F_print print(state_, messages_, main_.listed_slots(), main_.Combo1->currentText(), main_.Combo2->currentText(),
                &main_);
  main_.run_modal(print);
}
