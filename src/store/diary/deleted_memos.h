#pragma once
// verdalis-deleted.txt beside the data: the memos deleted on this or the
// other machine, so that a memo still held by the other machine's conflict
// copy is not brought back when it was deleted and left untouched there.
// One line per memo: its number, TAB, its creation stamp, TAB, its
// correction stamp when it was deleted (windows-31j, CR LF). The file only
// grows; two machines' versions are merged by taking every line of both.

#include <QByteArray>
#include <QString>
#include <vector>

#include "store/diary/memo_table.h"
#include "store/files/text_file.h"

namespace store {

inline const QString kDeletedMemosName = QStringLiteral("verdalis-deleted.txt");

struct DeletedMemo {
  qint64 no = 0;
  QByteArray created;
  QByteArray corrected;
  friend bool operator==(const DeletedMemo&, const DeletedMemo&) = default;
};

// The lines of such a file's bytes (damaged lines are skipped).
std::vector<DeletedMemo> parse_deleted_memos(const QByteArray& bytes);

// The record of memo i of the table.
DeletedMemo deleted_record(const MemoTable& table, size_t i);

// Adds the memos to the file beside the data, keeping every line the file
// already holds (also lines another machine added meanwhile).
FileResult record_deleted_memos(const QString& data_dir, const std::vector<DeletedMemo>& memos);

// verdalis-versions.txt beside the data: one line per save of a memo: its
// number, creation stamp, the correction stamp it replaced ("" for a new
// memo), its own correction stamp, and a tag of its body file's and picture
// list file's bytes ("-" for no file), TAB-separated. It tells a version
// that merely follows another (corrected on one machine only) from two made
// apart, and which body and picture list file belong to which version.
inline const QString kVersionsName = QStringLiteral("verdalis-versions.txt");

struct MemoVersionRecord {
  qint64 no = 0;
  QByteArray created;
  QByteArray from;
  QByteArray to;
  QByteArray body_tag;
  QByteArray pictures_tag;
};

// The tag of a file's bytes; "-" for no file.
QByteArray content_tag(const QByteArray* bytes);

FileResult record_versions(const QString& data_dir, const std::vector<MemoVersionRecord>& versions);

// What both machines recorded of memos deleted and corrected.
class MemoHistory {
 public:
  // Adds the lines of a deletion record or a correction record file.
  void add_deleted(const QByteArray& bytes);
  void add_versions(const QByteArray& bytes);
  // True when the version corrected at `later` follows the one corrected at
  // `earlier` (the same stamp, or a chain of corrections leads there).
  bool follows(qint64 no, QByteArrayView created, QByteArrayView earlier, QByteArrayView later) const;
  // True when the memo was deleted on a machine that had this version (or
  // one following it): the version stays deleted. A version corrected
  // apart from what was deleted comes back.
  bool deleted(qint64 no, QByteArrayView created, QByteArrayView corrected) const;
  // The records of the saves that made this version, latest first (a memo
  // saved twice within one second has two).
  std::vector<const MemoVersionRecord*> version(qint64 no, QByteArrayView created, QByteArrayView corrected) const;

 private:
  std::vector<DeletedMemo> deleted_;
  std::vector<MemoVersionRecord> versions_;
};

// Adds lines to a record file beside the data, each once, keeping every
// line it holds (also lines another machine added meanwhile).
FileResult append_record_lines(const QString& path, const QList<QByteArray>& lines);

}  // namespace store
