#pragma once
// Pointing the missing pictures of a folder at the folder they now live in.
// First a plan is made (nothing is written): for every missing picture
// under the old folder, the file under the new folder that takes its place,
// if one exists. Then the plan is written: only the picture list files that
// change, each whole and atomically through a journal, all or nothing.

#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <vector>

#include "store/diary/repoint_record.h"
#include "store/files/file_journal.h"
#include "store/pictures/picture_check.h"

namespace store {

struct RepointRequest {
  QString old_folder;  // as stored, ending in "/" or "\"
  QString new_folder;  // an existing directory on this computer
  bool search_by_name = false;
};

enum class RepointOutcome {
  Found,       // new_path exists and will be written
  NotFound,    // no file takes its place
  Ambiguous,   // the search by name found its name several times
  Unstorable,  // new_path cannot be stored in windows-31j
};

struct RepointItem {
  int item = 0;  // index into PictureScan::missing
  RepointOutcome outcome = RepointOutcome::NotFound;
  QString new_path;
  QStringList candidates;  // the places a name was found (Ambiguous)
};

struct RepointPlan {
  std::vector<RepointItem> items;  // every missing picture under the old folder
  QString message;                 // set when the new folder cannot be used
  bool cancelled = false;
  int count(RepointOutcome outcome) const;
};

// Where the picture would be under the new folder: the new folder, then the
// rest of the stored path after the old folder, "\" turned into "/".
QString moved_path(const QString& stored, const QString& old_folder, const QString& new_folder);

// The existing file under `root` whose relative path equals `relative`
// ("a/b/c.jpg") when letter case is ignored, component by component; an
// exact match is preferred at each step. "" when there is none, or when
// several differ only in case.
QString find_ignoring_case(const QString& root, const QString& relative);

// Makes the plan. The search by name walks the new folder's tree once (not
// following symbolic links); `progress` gets the number of files seen, and
// `cancel` stops the walk and the plan at once.
RepointPlan plan_repoint(const PictureScan& scan, const RepointRequest& request, const std::atomic_bool& cancel,
                         const std::function<void(int)>& progress = {});

// A one-line Japanese account of the plan, with samples of both kinds.
QString plan_summary(const PictureScan& scan, const RepointPlan& plan);

struct RepointWrite {
  bool ok = true;
  QString message;  // the failure, naming the file, when !ok
  int files = 0;    // picture list files rewritten
  int pictures = 0;
  // The lines written, for undoing them later (its folders are left to the
  // caller, who knows the request).
  RepointRecord record;
};

// Writes the Found items of the plan into the memos' picture list files.
// Every other byte of a file stays as it was (its other lines are kept as
// bytes, not re-encoded). A file that no longer holds the path the scan
// read, or a failed write, undoes everything written so far. On success
// `journal` holds the previous contents, and the result's record the lines
// changed (see store/pictures/repoint_undo.h).
RepointWrite write_repoint(const QString& data_dir, const std::vector<CheckedMemo>& memos, const PictureScan& scan,
                           const RepointPlan& plan, FileJournal& journal);

}  // namespace store
