#pragma once
// The day memos of a photo import, saved all or nothing. In a worker
// thread, the photos of other formats get their JPEG copies and every
// photo its content key; then, on the thread that owns the diary, the
// memos are made to refer to the copies and saved, and the record of
// imports tells later imports where each picture came from. When the save
// fails, the copies are taken back.

#include <QByteArray>
#include <QString>
#include <atomic>
#include <functional>
#include <vector>

#include "store/convert/import_copies.h"
#include "store/diary/app_state.h"
#include "store/diary/memo_save.h"

namespace store {

struct PhotoImport {
  std::vector<MemoInput> memos;   // as chosen: the originals' paths
  std::vector<CopyJob> jobs;      // the pictures that need JPEG copies
  std::vector<QByteArray> keys;   // content keys of every picture, memo by memo
  CopyRun run;                    // the copies written
  int total_steps() const;        // pictures keyed plus copies made
};

// The jobs for the memos' pictures of other formats, each in the year
// folder of its memo's date.
PhotoImport plan_photo_import(std::vector<MemoInput> memos, const QString& pictures_dir);

// Worker thread: keys the pictures, then writes the copies. `progress`
// counts the steps done. False when stopped or failed (run.message says
// why; nothing is left on disk then).
using ImportStep = std::function<void(int done, int total)>;
bool prepare_photo_import(PhotoImport& work, const std::atomic_bool& cancel, const ImportStep& progress = {});

// The diary's thread: saves the memos with their copies. A failed save
// removes the copies; a record that cannot be written is a warning.
MemoChange finish_photo_import(AppState& state, PhotoImport& work);

}  // namespace store
