#include "store/diary/deleted_memos.h"

#include <QCryptographicHash>
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

DeletedMemo deleted_record(const MemoTable& table, size_t i) {
  return {numeric_value(table.bytes(i, MemoField::MemoNo)), table.bytes(i, MemoField::Created).toByteArray(),
          table.bytes(i, MemoField::Corrected).toByteArray()};
}

FileResult append_record_lines(const QString& path, const QList<QByteArray>& lines) {
  if (lines.isEmpty()) return FileResult::success();
  const ReadResult read = read_file_bytes(path);
  if (read.status == ReadStatus::Failed) return FileResult::failure(read.message);
  // Lines are added after what the file holds, each once.
  QByteArray bytes = read.bytes;
  if (!bytes.isEmpty() && !bytes.endsWith('\n')) bytes += "\r\n";
  QSet<QByteArray> known;
  for (const QByteArray& line : split_raw_lines(read.bytes)) known.insert(line);
  bool added = false;
  for (const QByteArray& line : lines) {
    if (known.contains(line)) continue;
    known.insert(line);
    bytes += line + "\r\n";
    added = true;
  }
  if (!added) return FileResult::success();
  return write_file_bytes(path, bytes);
}

FileResult record_deleted_memos(const QString& data_dir, const std::vector<DeletedMemo>& memos) {
  QList<QByteArray> lines;
  for (const DeletedMemo& m : memos) lines << QByteArray::number(m.no) + '\t' + m.created + '\t' + m.corrected;
  return append_record_lines(data_dir + kDeletedMemosName, lines);
}

QByteArray content_tag(const QByteArray* bytes) {
  if (!bytes) return QByteArrayLiteral("-");
  return QCryptographicHash::hash(*bytes, QCryptographicHash::Md5).toHex();
}

FileResult record_versions(const QString& data_dir, const std::vector<MemoVersionRecord>& versions) {
  QList<QByteArray> lines;
  for (const MemoVersionRecord& v : versions) {
    lines << QByteArray::number(v.no) + '\t' + v.created + '\t' + v.from + '\t' + v.to + '\t' + v.body_tag + '\t' +
                 v.pictures_tag;
  }
  return append_record_lines(data_dir + kVersionsName, lines);
}

void MemoHistory::add_deleted(const QByteArray& bytes) {
  for (DeletedMemo& m : parse_deleted_memos(bytes)) deleted_.push_back(std::move(m));
}

void MemoHistory::add_versions(const QByteArray& bytes) {
  for (const QByteArray& line : split_raw_lines(bytes)) {
    const QList<QByteArray> parts = line.split('\t');
    if (parts.size() < 6) continue;
    const qint64 no = numeric_value(QByteArrayView(parts[0]));
    if (no > 0) versions_.push_back({no, parts[1], parts[2], parts[3], parts[4], parts[5]});
  }
}

std::vector<const MemoVersionRecord*> MemoHistory::version(qint64 no, QByteArrayView created,
                                                          QByteArrayView corrected) const {
  std::vector<const MemoVersionRecord*> found;
  for (auto it = versions_.rbegin(); it != versions_.rend(); ++it) {
    if (it->no == no && QByteArrayView(it->created) == created && QByteArrayView(it->to) == corrected) found.push_back(&*it);
  }
  return found;
}

bool MemoHistory::follows(qint64 no, QByteArrayView created, QByteArrayView earlier, QByteArrayView later) const {
  if (earlier == later) return true;
  // Walks the memo's corrections forward from `earlier`.
  QList<QByteArray> reached{earlier.toByteArray()};
  for (qsizetype k = 0; k < reached.size() && k < 10000; ++k) {
    for (const MemoVersionRecord& c : versions_) {
      if (c.no != no || c.from.isEmpty() || QByteArrayView(c.created) != created || c.from != reached[k]) continue;
      if (QByteArrayView(c.to) == later) return true;
      if (!reached.contains(c.to)) reached << c.to;
    }
  }
  return false;
}

bool MemoHistory::deleted(qint64 no, QByteArrayView created, QByteArrayView corrected) const {
  return std::any_of(deleted_.begin(), deleted_.end(), [&](const DeletedMemo& m) {
    return m.no == no && QByteArrayView(m.created) == created && follows(no, created, corrected, m.corrected);
  });
}

}  // namespace store
