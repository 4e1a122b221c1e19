#pragma once
// The state every window reads and changes in place: the memo table, the two
// category lists, the settings and the small set of values the windows hand
// each other. One instance is created at start-up and passed by reference.

#include <QString>
#include <QStringList>
#include <vector>

#include "store/diary/disk_state.h"
#include "store/diary/memo_index.h"
#include "store/diary/repoint_record.h"
#include "store/diary/settings.h"

namespace store {

// Capacity limits of the tables.
inline constexpr int kMemoCapacity = 30000;
inline constexpr int kCategoryCapacity = 1000;
inline constexpr int kPictureCapacity = 100;

// A category list (locations or varieties): names in list order.
struct CategoryList {
  QStringList names;
  int count() const { return static_cast<int>(names.size()); }
  // 1-based slot access.
  const QString& at(int slot) const { return names.at(slot - 1); }
};

// One picture of a memo: the full path of the file and its title.
struct ImageEntry {
  QString path;
  QString title;
  friend bool operator==(const ImageEntry&, const ImageEntry&) = default;
};

struct AppState {
  explicit AppState(QString data_dir) : data_dir(std::move(data_dir)) {}

  // The data directory, always ending in "/".
  QString data_dir;
  Settings settings;

  // The memos in display order. Slot s (1-based) is memo_table[s - 1].
  MemoTable memo_table;
  int memo_count() const { return static_cast<int>(memo_table.size()); }

  CategoryList location_list;
  CategoryList variety_list;

  // "sinki" (new memo) or "teisei" (correction); empty until first set.
  QString EditMode;

  // Number of memo rows listed in the main window's list.
  int listed_count = 0;

  // Picture list of the memo being shown, edited or searched.
  std::vector<ImageEntry> current_images;
  int current_image_count() const { return static_cast<int>(current_images.size()); }
  int current_image_no = 0;
  QString current_image_path;

  // Where the picture picker was left, kept for the whole run so that it
  // reopens there: the directory whose files were last listed or clicked,
  // the root of the volume last chosen without error ("" until then) and
  // the directory last shown. Directories end in "/"; all start empty.
  QString picker_dir;
  QString picker_saved_drive;
  QString picker_saved_dir;

  // The last re-pointing of "画像の所在確認", undoable until another one
  // replaces it or it is undone; empty until then.
  RepointRecord last_repoint;

  // Whether the full-text search compares folded (kana, full-width and
  // half-width alike), as the user chose in the ツール menu; kept in
  // verdalis.ini.
  bool fold_search = false;

  // The index files as Verdalis last read or wrote them: a sync tool may
  // change them behind its back.
  DiskBase disk;

  QString flower_dat_path() const { return data_dir + QStringLiteral("flower.dat"); }
  QString flower_ini_path() const { return data_dir + QStringLiteral("flower.ini"); }
  QString basyo_dat_path() const { return data_dir + QStringLiteral("basyo.dat"); }
  QString hinsyu_dat_path() const { return data_dir + QStringLiteral("hinsyu.dat"); }
  QString memo_dir_path() const { return data_dir + QStringLiteral("memo"); }
};

// The window title and the application name used for untitled notices.
inline const QString kAppTitle = QStringLiteral("【Verdalis】Ver.3.0");
inline const QString kAppName = QStringLiteral("Verdalis");

// "【Verdalis】Ver.3.0 (12件)".
inline QString main_caption(int memo_count) {
  return kAppTitle + QStringLiteral(" (") + QString::number(memo_count) + QStringLiteral("件)");
}

}  // namespace store
