#include "store/diary/deleted_memos.h"

#include <QSet>
#include <algorithm>

#include "store/diary/memo_index.h"

namespace store {

std::vector<DeletedMemo> parse_deleted_memos(const QByteArray& bytes) {
  std::vector<DeletedMemo> out;
  for (const QByteArray& line : split_raw_lines(bytes)) {
    const QList<QByteArray> parts = line.split('\t');
    if (parts.size() < 3) continue;
    const qint64 no = numeric_value(QByteArrayView(parts[0]));
    if (no <= 0) continue;
    out.push_back({no, parts[1], parts[2]});
  }
  return out;
}

QByteArray deleted_memos_bytes(const std::vector<DeletedMemo>& memos) {
  QByteArray out;
  for (const DeletedMemo& m : memos) {
    out += QByteArray::number(m.no) + '\t' + m.created + '\t' + m.corrected + "\r\n";
  }
  return out;
}

DeletedMemo deleted_record(const MemoTable& table, size_t i) {
  return {numeric_value(table.bytes(i, MemoField::MemoNo)), table.bytes(i, MemoField::Created).toByteArray(),
          table.bytes(i, MemoField::Corrected).toByteArray()};
}

FileResult record_deleted_memos(const QString& data_dir, const std::vector<DeletedMemo>& memos) {
  if (memos.empty()) return FileResult::success();
  const QString path = data_dir + kDeletedMemosName;
  const ReadResult read = read_file_bytes(path);
  if (read.status == ReadStatus::Failed) return FileResult::failure(read.message);
  // Lines are added after what the file holds, each once.
  QByteArray bytes = read.bytes;
  if (!bytes.isEmpty() && !bytes.endsWith('\n')) bytes += "\r\n";
  QSet<QByteArray> known;
  for (const QByteArray& line : split_raw_lines(read.bytes)) known.insert(line);
  bool added = false;
  for (const DeletedMemo& m : memos) {
    QByteArray line = deleted_memos_bytes({m});
    line.chop(2);
    if (known.contains(line)) continue;
    known.insert(line);
    bytes += line + "\r\n";
    added = true;
  }
  if (!added) return FileResult::success();
  return write_file_bytes(path, bytes);
}

bool deleted_unchanged(const std::vector<DeletedMemo>& deleted, qint64 no, QByteArrayView created,
                       QByteArrayView corrected) {
  return std::any_of(deleted.begin(), deleted.end(), [&](const DeletedMemo& m) {
    return m.no == no && QByteArrayView(m.created) == created && QByteArrayView(m.corrected) >= corrected;
  });
}

}  // namespace store
