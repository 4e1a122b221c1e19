#pragma once
// Reading before writing: a sync tool may replace any index file while
// Verdalis runs. Every writer first takes in what changed on disk since
// the program last read or wrote it (merging it with this machine's
// tables), and remembers what it wrote, so that nobody's memo is ever
// overwritten by a table loaded earlier.

#include <QString>
#include <vector>

#include "store/diary/app_state.h"
#include "store/files/text_file.h"

namespace store {

class FileJournal;

struct OutsideChange {
  bool ok = true;
  QString message;          // when !ok: the files that could not be read; memory is as it was for them
  QStringList failed_paths;  // those files
  bool memos = false;
  bool locations = false;
  bool varieties = false;
  bool any() const { return memos || locations || varieties; }
};

// Remembers the four index files as they are on disk and in memory now
// (start-up calls this once it has loaded them).
void remember_index_files(AppState& state);

// Reads each index file whose stamp differs from the one remembered and
// whose content changed, and merges it into memory: memos memo by memo
// (three ways, against what was last read or written), category lists
// keeping this machine's order, flower.ini's highest number as the larger
// of both (this machine's window is kept). A memo changed on both sides
// since is kept twice: the later-corrected version stays, the other becomes
// a memo of its own titled as the other machine's version.
OutsideChange take_outside_changes(AppState& state);

// The writers of the index files: each writes the file whole and
// remembers it. With a journal, the old content is kept for a rollback.
FileResult write_memo_index(AppState& state, const MemoTable& table, FileJournal* journal = nullptr);
FileResult write_location_file(AppState& state, const QStringList& names, FileJournal* journal = nullptr);
FileResult write_variety_file(AppState& state, const QStringList& names, FileJournal* journal = nullptr);
FileResult write_settings_file(AppState& state, const Settings& settings);

// Whether writing these bytes would change the file: false when the file on
// disk is still the one remembered and holds the same bytes.
bool index_file_differs(const AppState& state, const QString& path, const QByteArray& bytes);

// The number a new memo gets: one above highest_memo_no, above the number
// flower.ini holds on disk and above every number among the names of the
// memo folder (counted once a run), and never one whose body or picture
// list file is there (one that arrived before its index line is never
// overwritten by another memo's).
qint64 next_memo_number(AppState& state);

// After this program wrote memo files numbered up to `highest`: the memo
// folder need not be counted again for that.
void note_own_memo_files(AppState& state, qint64 highest);

// The title suffix of the other machine's version of a memo changed on both.
inline const QString kOtherMachineSuffix = QStringLiteral("（別の端末の版）");
// The title with that suffix (once).
QString other_version_title(const QString& title);

// Makes a memo of its own of `record` (another version of a memo): a new
// number, its title marked as the other machine's, and copies of the body
// and picture list files that `body` and `pictures` name (either may be
// empty: no such file). The record is added to the table; the files go
// through the journal. Returns the new memo number text.
struct CopiedMemo {
  FileResult result;
  QString memo_no;
};
CopiedMemo add_memo_copy(AppState& state, MemoTable& table, MemoRecord record, const QString& body,
                         const QString& pictures, FileJournal& journal);

}  // namespace store
