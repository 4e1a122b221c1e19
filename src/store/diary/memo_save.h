#pragma once
// Saving a memo from the editor, and deleting one memo.

#include <QDateTime>
#include <QString>
#include <vector>

#include "store/diary/app_state.h"

namespace store {

// What the editor holds when "登録" is pressed.
struct MemoInput {
  QString date;
  QString location;
  QString variety;
  QString title;
  QString body;  // lines separated by CR LF
  std::vector<ImageEntry> images;
};

// The outcome of a save or deletion. When not ok, `text` and `title` are
// the message box to show and nothing was changed (memory or files).
struct MemoChange {
  bool ok = true;
  QString text;
  QString title;
  bool location_added = false;  // the location was new and was appended
  bool variety_added = false;   // the variety was new and was appended
  QString warning;              // done, but something the user should know
  bool outside_changed = false;  // changes a sync tool made on disk were taken in first
};

// The refusals of a save in their order: the memo capacity, the three
// required fields and the two category capacities. Returns a change with
// ok == false for the first one that applies.
MemoChange check_memo(const AppState& state, const MemoInput& input);

// The characters of the input that windows-31j cannot hold, each once, in
// the order they first appear.
QString unencodable_characters(const MemoInput& input);
// The input with each such character replaced by "?".
MemoInput with_unencodable_replaced(const MemoInput& input);

// Saves the memo: a new one when `edit_slot` is 0, otherwise the memo in
// that 1-based slot. Writes or deletes the body and picture list files,
// adds new category names to their lists and files, re-sorts the table
// and rewrites flower.dat. Either all of it happens, or (when a file cannot
// be written) none of it: files already changed are put back and the
// tables are left as they were. EditMode becomes "sinki" on success.
MemoChange save_memo(AppState& state, const MemoInput& input, int edit_slot,
                     const QDateTime& now = QDateTime::currentDateTime());

// Saves several new memos at once (a day's photos each, from the photo
// import): each is checked as save_memo checks one, and they all get
// numbers, files, category names and their place in flower.dat together, or
// (when a check refuses or a file cannot be written) none of them does.
MemoChange save_new_memos(AppState& state, const std::vector<MemoInput>& inputs,
                          const QDateTime& now = QDateTime::currentDateTime());

// Deletes the memo in the 1-based slot: rewrites flower.dat without it,
// then deletes its body and picture list files. When flower.dat cannot be
// written nothing changes. A per-memo file that cannot be deleted after
// the memo is gone is reported in `warning`.
MemoChange delete_memo(AppState& state, int slot);

}  // namespace store
