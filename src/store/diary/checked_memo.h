#pragma once
// What a scan of the memos' files (the picture check, the backup) needs of
// each memo, copied from memo_table so that the scan may run in a worker
// thread while the table stays with the interface.

#include <QString>
#include <vector>

#include "store/diary/memo_table.h"

namespace store {

struct CheckedMemo {
  QString memo_no;
  QString date;
  QString title;
};
std::vector<CheckedMemo> memos_to_check(const MemoTable& table);

}  // namespace store
