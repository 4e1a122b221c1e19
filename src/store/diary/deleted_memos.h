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
QByteArray deleted_memos_bytes(const std::vector<DeletedMemo>& memos);

// The record of memo i of the table.
DeletedMemo deleted_record(const MemoTable& table, size_t i);

// Adds the memos to the file beside the data, keeping every line the file
// already holds (also lines another machine added meanwhile).
FileResult record_deleted_memos(const QString& data_dir, const std::vector<DeletedMemo>& memos);

// True when the memo (number, creation stamp) was deleted and not corrected
// after that in this version: `corrected` is the version's stamp.
bool deleted_unchanged(const std::vector<DeletedMemo>& deleted, qint64 no, QByteArrayView created,
                       QByteArrayView corrected);

}  // namespace store
