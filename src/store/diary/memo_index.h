#pragma once
// The memo index flower.dat and the in-memory memo table.

#include <QString>
#include <vector>

#include "store/diary/memo_table.h"
#include "store/files/text_file.h"

namespace store {

// The numeric value of a number line: leading and trailing blanks are
// ignored, then an optional sign and the leading digits are read; anything
// else reads as 0. Values too large to hold saturate instead of wrapping.
qint64 numeric_value(const QString& text);
// The same for a number line's windows-31j bytes.
qint64 numeric_value(QByteArrayView bytes);

// " 42 " for 42, "-5 " for -5: the form every number line is written in.
QString format_number_field(qint64 value);
inline QString format_number_field(int value) { return format_number_field(static_cast<qint64>(value)); }

struct LoadIndexResult {
  ReadStatus status = ReadStatus::Missing;
  QString message;          // when status is Failed
  bool truncated = false;   // the file ended inside a record
};

// Reads flower.dat into the table (replacing its content) and raises
// highest_memo_no to the largest memo number found. A record cut short at
// the end of the file is dropped; every complete record is kept.
LoadIndexResult load_memo_index(const QString& path, MemoTable& table, qint64& highest_memo_no);

// Writes the table as 7 lines per record.
FileResult save_memo_index(const QString& path, const MemoTable& table);

// Restores the display order: date descending, then creation time
// descending; records equal in both keep their relative order.
void sort_memo_table(MemoTable& table);

// The same order after only the memo in the 1-based `slot` has changed (or
// been appended): when every other memo is already in order, that one memo
// is moved to its place with a binary search; otherwise the whole table is
// sorted. The result is exactly what sort_memo_table gives. Returns the
// changed memo's new 1-based slot, or 0 when the whole table was sorted.
int sort_memo_table_after_change(MemoTable& table, int slot);

// True when every memo but the one in the 1-based `slot` is in display
// order (with slot 0: every memo).
bool memo_table_sorted_except(const MemoTable& table, int slot);

// Removes the memo at the 1-based slot, keeping the order of the others.
void remove_memo_at(MemoTable& table, int slot);

// The 1-based slot of the memo whose memo_no is exactly this text, or 0
// when no memo carries it.
int find_memo_by_no(const MemoTable& table, const QString& memo_no);

// The tab-separated row text of the main list: date, location, variety,
// title and memo number.
QString list_row_text(const MemoRecord& record);

// Encodes records the way flower.dat holds them (used by the writer and by
// tests that compare bytes).
QStringList memo_index_lines(const MemoTable& table);

}  // namespace store
