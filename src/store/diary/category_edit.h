#pragma once
// Editing the two category lists (locations and varieties): adding,
// moving and removing names, writing the list when the editor finishes,
// and deleting every memo of one category.

#include <QString>

#include "store/diary/app_state.h"

namespace store {

enum class Category { Location, Variety };

CategoryList& category_list(AppState& state, Category category);
const CategoryList& category_list(const AppState& state, Category category);
// basyo.dat or hinsyu.dat.
QString category_file_path(const AppState& state, Category category);
// The memo field that holds a name of the category.
inline MemoField category_field(Category category) {
  return category == Category::Location ? MemoField::Location : MemoField::Variety;
}

// The most names a list may hold: an add is refused at this count.
inline constexpr int kCategoryNameLimit = kCategoryCapacity - 1;

// The outcome of one command on a list. When not ok, `text` and `title`
// are the message to show and nothing was changed. When ok, `selected` is
// the list position (from 0) to select afterwards, -1 for none.
struct CategoryChange {
  bool ok = true;
  QString text;
  QString title;
  int selected = -1;
  bool outside_changed = false;  // the lists took in a sync tool's changes first
};

// What a command says when no name is selected in the list.
inline const QString kNoNameToMoveUp = QStringLiteral("上に移動する項目を選んでください");
inline const QString kNoNameToMoveDown = QStringLiteral("下に移動する項目を選んでください");
inline const QString kNoNameToRemove = QStringLiteral("削除する項目を選んでください");
inline const QString kNoCategoryToEmpty = QStringLiteral("メモを削除する分類を選んでください");

// Appends the name (as typed, untrimmed) and writes the list file. Refused,
// in this order: an empty name, a name already in the list (exact,
// case-sensitive), a full list, and a name the file cannot hold as typed
// (a line break, or a character windows-31j has no code for). When the
// file cannot be written the name is not added.
CategoryChange add_category_name(AppState& state, Category category, const QString& name);

// Swap the name at `position` with its neighbour above or below; the moved
// name stays selected. Refused when nothing is selected (-1) or the name
// is already first or last. Memory only.
CategoryChange move_category_up(CategoryList& list, int position);
CategoryChange move_category_down(CategoryList& list, int position);

// Removes the name at `position`. Memos that carry it keep it. Memory only;
// nothing is selected afterwards.
CategoryChange remove_category_name(CategoryList& list, int position);

// Writes the list to its file when the editor finishes. When the file
// cannot be written the list stays in memory (shut-down writes it again)
// and the message says so.
CategoryChange save_category_edit(AppState& state, Category category);

// The outcome of deleting every memo of a category.
struct CategoryDeletion {
  bool ok = true;
  QString text;     // when not ok: the message; nothing was changed
  QString title;
  int deleted = 0;  // memos removed from the table
  QString warning;  // done, but per-memo files that could not be deleted are named here
};

// Deletes every memo whose location (or variety) is exactly the name at
// `position`, removes the name from the list and rewrites flower.dat and
// the list file. The two files are written first, each replaced whole, and
// the tables change only when both were written; if either fails, both
// files and the tables stay as they were. Only then are the per-memo files
// of the deleted memos removed, so a memo never stays listed without its
// files; a file that cannot be removed is named in `warning`. Files that a
// kept memo carrying the same number still uses are left alone.
CategoryDeletion delete_category_memos(AppState& state, Category category, int position);

}  // namespace store
