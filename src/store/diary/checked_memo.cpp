#include "store/diary/checked_memo.h"

namespace store {

std::vector<CheckedMemo> memos_to_check(const MemoTable& table) {
  std::vector<CheckedMemo> memos;
  memos.reserve(table.size());
  for (size_t i = 0; i < table.size(); ++i) {
    memos.push_back({table.text(i, MemoField::MemoNo), table.text(i, MemoField::Date),
                     table.text(i, MemoField::Title)});
  }
  return memos;
}

}  // namespace store
