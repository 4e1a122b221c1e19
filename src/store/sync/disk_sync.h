#pragma once
// Keeping the diary right when a sync tool (Syncthing, Nextcloud, Dropbox)
// changes the data folder while Verdalis runs: the index files changed from
// outside are read and merged into memory, and the conflict copies the tool
// made of Verdalis's own files are merged back into the diary.

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <vector>

#include "store/diary/app_state.h"
#include "store/diary/outside_changes.h"

namespace store {

// One memo that a merge of conflict copies brought into the diary.
struct MergedMemo {
  enum class Kind {
    AddedBack,   // only the copy held it; added with its own number
    Renumbered,  // only the copy held it, but its number was taken
    KeptTwice,   // changed on both machines; the other version is a new memo
  };
  Kind kind = Kind::AddedBack;
  QString memo_no;      // its number in the diary now, as held in flower.dat
  QString old_memo_no;  // the number it had in the copy (Renumbered, KeptTwice)
  QString date;
  QString title;        // as listed now (KeptTwice: with 「（別の端末の版）」)
};

// The outcome of one look at the data folder.
struct DiskSync {
  bool ok = true;
  QString message;  // when !ok: what failed, in Japanese; memory and files are as they were

  // What changed in memory (the windows refresh what they show).
  bool memos_changed = false;
  bool locations_changed = false;
  bool varieties_changed = false;

  // Conflict copies merged back this time (empty when there were none).
  std::vector<MergedMemo> merged;
  QStringList merged_copies;  // the copies' paths relative to the data folder
  QString moved_to;           // the folder the copies were moved into ("" when none)
  QStringList warnings;       // done, but something the user should know (a copy that could not be moved)

  bool changed() const { return memos_changed || locations_changed || varieties_changed || !merged.empty(); }
};

// Reads the index files that changed on disk since Verdalis last read or
// wrote them, merges them into memory, then merges back any conflict
// copies of the data files (all or nothing) and moves the copies into
// 同期の競合/yyyymmdd-hhmmss/ beside the data. Cheap when nothing changed:
// a few stats and one listing of each folder.
DiskSync sync_with_disk(AppState& state, const QDateTime& now = QDateTime::currentDateTime());

// The folder beside the data that merged conflict copies are moved into.
inline const QString kConflictFolderName = QStringLiteral("同期の競合");

}  // namespace store
