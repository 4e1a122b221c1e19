#include "store/pictures/copy_records.h"

#include <QStringDecoder>

#include "store/diary/deleted_memos.h"
#include "store/files/text_file.h"

namespace store {

namespace {

bool is_hex(QByteArrayView text) {
  if (text.isEmpty() || text.size() % 2 != 0) return false;
  for (const char c : text) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) return false;
  }
  return true;
}

// A path the line can hold: a tab would split it, a line break end it.
bool storable(const QString& path) {
  return !path.isEmpty() && !path.contains(QLatin1Char('\t')) && !path.contains(QLatin1Char('\n')) &&
         !path.contains(QLatin1Char('\r'));
}

// The record of one line, or false when the line is damaged.
bool parse_line(const QByteArray& line, CopyRecord* record) {
  const QList<QByteArray> parts = line.split('\t');
  if (parts.size() != 3 || !is_hex(parts[2])) return false;
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  record->copy = utf8(parts[0]);
  record->source = utf8(parts[1]);
  if (utf8.hasError() || record->copy.isEmpty() || record->source.isEmpty()) return false;
  record->key = QByteArray::fromHex(parts[2]);
  return true;
}

}  // namespace

std::vector<CopyRecord> read_copy_records(const QString& data_dir) {
  std::vector<CopyRecord> records;
  const ReadResult read = read_file_bytes(data_dir + kCopyRecordFile);
  if (read.status != ReadStatus::Read) return records;
  for (const QByteArray& line : split_raw_lines(read.bytes)) {
    CopyRecord record;
    if (parse_line(line, &record)) records.push_back(std::move(record));
  }
  return records;
}

QString append_copy_records(const QString& data_dir, const std::vector<CopyRecord>& records) {
  QList<QByteArray> lines;
  for (const CopyRecord& r : records) {
    // The record only saves a conversion later; a path it cannot hold is
    // left out rather than failing the import.
    if (!storable(r.copy) || !storable(r.source) || r.key.isEmpty()) continue;
    lines << r.copy.toUtf8() + '\t' + r.source.toUtf8() + '\t' + r.key.toHex();
  }
  const FileResult written = append_record_lines(data_dir + kCopyRecordFile, lines);
  return written.ok ? QString() : written.message;
}

CopyIndex::CopyIndex(const std::vector<CopyRecord>& records) {
  // Later lines are later copies: they win.
  for (const CopyRecord& r : records) {
    by_source.insert(r.source, r.copy);
    if (!r.key.isEmpty()) by_key.insert(r.key, r.copy);
  }
}

}  // namespace store
