#pragma once
// Where each JPEG copy came from. A photo of another format (HEIC, PNG...)
// comes into the diary as a JPEG copy; bringing the same original in again
// must find that copy. The record lives beside the data in
// "verdalis-copies.txt" (UTF-8, CR LF, one copy per line:
// copy path TAB original's path TAB original's content key in hex).
// A damaged or missing record reads as fewer copies, never as an error.

#include <QByteArray>
#include <QHash>
#include <QString>
#include <vector>

namespace store {

struct CopyRecord {
  QString copy;         // the JPEG copy's path
  QString source;       // the original's path when it was copied
  QByteArray key;       // content_key() of the original
};

inline const QString kCopyRecordFile = QStringLiteral("verdalis-copies.txt");

std::vector<CopyRecord> read_copy_records(const QString& data_dir);
// Adds the records at the end of the file (written whole through a save
// file). "" when written, otherwise why not, in Japanese, naming the file.
QString append_copy_records(const QString& data_dir, const std::vector<CopyRecord>& records);

// The copies by their original's path and by its content key.
struct CopyIndex {
  QHash<QString, QString> by_source;
  QHash<QByteArray, QString> by_key;
  explicit CopyIndex(const std::vector<CopyRecord>& records = {});
};

}  // namespace store
