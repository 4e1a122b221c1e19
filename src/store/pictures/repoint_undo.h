#pragma once
// Undoing the last re-pointing ("元に戻す"), also long after it was written:
// the memos may have been edited, their pictures reordered or the memos
// deleted in between, so each picture's line is put back only where it
// still holds what the re-pointing wrote. The files are rewritten whole
// and atomically through a journal, all or nothing.

#include <QString>

#include "store/diary/repoint_record.h"

namespace store {

struct RepointUndo {
  bool ok = true;
  QString message;  // the failure, naming the file, when !ok
  int files = 0;    // picture list files rewritten
  int pictures = 0;  // lines put back
  int skipped = 0;   // lines changed since the re-pointing, left as they are
};

// Puts back the old lines of `record`. Every other byte of a file stays as
// it is. A failed read or write undoes what was written so far.
RepointUndo undo_repoint(const QString& data_dir, const RepointRecord& record);

// What was done, for the window's status line:
// "「C:\old\」の画像 12 枚を「/new」に付け替えました。"
QString repoint_done_text(const RepointRecord& record);
// "元に戻す: 「/new」→「C:\old\」 12 枚"
QString undo_offer_text(const RepointRecord& record);
// "「/new」の画像 12 枚を「C:\old\」に戻しました。" and the skipped ones.
QString undo_done_text(const RepointRecord& record, const RepointUndo& undo);

}  // namespace store
