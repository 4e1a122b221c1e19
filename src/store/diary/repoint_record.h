#pragma once
// What the last re-pointing of pictures changed ("画像の所在確認" →
// 付け替え), kept in the shared state for the whole run so that "元に戻す"
// can undo it after its window was closed and opened again. Each picture
// keeps its line as it was and as it was written, byte for byte, so that
// undoing restores exactly the old bytes and touches only lines that still
// hold what the re-pointing wrote.

#include <QByteArray>
#include <QString>
#include <vector>

namespace store {

struct RepointedPicture {
  QString memo_no;
  int position = 0;     // 1-based place in the memo's picture list
  QByteArray old_line;  // the path line before the re-pointing
  QByteArray new_line;  // the path line it wrote
};

struct RepointRecord {
  QString old_folder;  // as stored, ending in "/" or "\"
  QString new_folder;
  std::vector<RepointedPicture> pictures;
  bool empty() const { return pictures.empty(); }
  int count() const { return static_cast<int>(pictures.size()); }
};

}  // namespace store
