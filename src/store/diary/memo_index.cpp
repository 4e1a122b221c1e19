#include "store/diary/memo_index.h"

#include <algorithm>
#include <limits>

#include "store/files/codec.h"

namespace store {

namespace {

char16_t unit_at(const QString& text, qsizetype k) { return text.at(k).unicode(); }
char16_t unit_at(QByteArrayView text, qsizetype k) { return static_cast<unsigned char>(text[k]); }

template <class Text>
qint64 numeric_value_of(const Text& text) {
  qsizetype i = 0;
  const qsizetype n = text.size();
  auto unit = [&text](qsizetype k) { return unit_at(text, k); };
  while (i < n && (unit(i) == u' ' || unit(i) == u'\t')) ++i;
  bool negative = false;
  if (i < n && (unit(i) == u'-' || unit(i) == u'+')) {
    negative = unit(i) == u'-';
    ++i;
  }
  constexpr qint64 kMax = std::numeric_limits<qint64>::max();
  qint64 value = 0;
  for (; i < n; ++i) {
    const char16_t c = unit(i);
    if (c < u'0' || c > u'9') break;
    const int digit = c - u'0';
    if (value > (kMax - digit) / 10) {
      value = kMax;  // saturate
      continue;
    }
    value = value * 10 + digit;
  }
  return negative ? -value : value;
}

}  // namespace

qint64 numeric_value(const QString& text) { return numeric_value_of(text); }
qint64 numeric_value(QByteArrayView bytes) {
  // The usual number line, " 123 ", read directly: it is read for every
  // memo at start-up.
  qsizetype i = 0;
  const qsizetype n = bytes.size();
  while (i < n && bytes[i] == ' ') ++i;
  qint64 value = 0;
  const qsizetype first_digit = i;
  for (; i < n && i - first_digit < 18 && bytes[i] >= '0' && bytes[i] <= '9'; ++i) value = value * 10 + (bytes[i] - '0');
  if (i > first_digit && (i == n || bytes[i] == ' ')) return value;
  return numeric_value_of(bytes);
}

QString format_number_field(qint64 value) {
  if (value < 0) {
    return QStringLiteral("-") + QString::number(0 - static_cast<quint64>(value)) + QStringLiteral(" ");
  }
  return QStringLiteral(" ") + QString::number(value) + QStringLiteral(" ");
}

LoadIndexResult load_memo_index(const QString& path, MemoTable& table, qint64& highest_memo_no) {
  LoadIndexResult result;
  ReadResult read = read_file_bytes(path);
  result.status = read.status;
  result.message = read.message;
  table.clear();
  if (read.status != ReadStatus::Read) return result;

  // Room up to the capacity limit, so that saving a new memo never has to
  // move the whole table; pages not yet used cost no memory.
  table.reserve(30000);
  const MemoTable::Adopted adopted = table.adopt_file_bytes(std::move(read.bytes));
  result.truncated = adopted.lines % kMemoFieldCount != 0;
  if (adopted.highest_memo_no > highest_memo_no) highest_memo_no = adopted.highest_memo_no;
  // A record cut short after its number still used that number: never hand
  // it out again, its files may still be there.
  if (adopted.lines % kMemoFieldCount >= 5) {
    const qint64 no = numeric_value(QByteArrayView(adopted.cut_memo_no));
    if (no > highest_memo_no) highest_memo_no = no;
  }
  return result;
}

QStringList memo_index_lines(const MemoTable& table) {
  QStringList lines;
  lines.reserve(static_cast<qsizetype>(table.size()) * kMemoFieldCount);
  for (size_t i = 0; i < table.size(); ++i) {
    for (int f = 0; f < kMemoFieldCount; ++f) lines << table.text(i, static_cast<MemoField>(f));
  }
  return lines;
}

FileResult save_memo_index(const QString& path, const MemoTable& table) {
  return write_file_bytes(path, table.file_bytes());
}

void sort_memo_table(MemoTable& table) { table.sort_display_order(); }

bool memo_table_sorted_except(const MemoTable& table, int slot) { return table.sorted_except(slot - 1); }

int sort_memo_table_after_change(MemoTable& table, int slot) {
  const auto n = static_cast<std::ptrdiff_t>(table.size());
  const std::ptrdiff_t p = slot - 1;
  if (p < 0 || p >= n || !table.sorted_except(p)) {
    table.sort_display_order();
    return 0;
  }
  return static_cast<int>(table.settle(static_cast<size_t>(p))) + 1;
}

void remove_memo_at(MemoTable& table, int slot) {
  if (slot < 1 || slot > static_cast<int>(table.size())) return;
  table.erase(static_cast<size_t>(slot - 1));
}

int find_memo_by_no(const MemoTable& table, const QString& memo_no) {
  const FieldKey key(memo_no);
  for (size_t i = 0; i < table.size(); ++i) {
    if (table.field_is(i, MemoField::MemoNo, key)) return static_cast<int>(i) + 1;
  }
  return 0;
}

QString list_row_text(const MemoRecord& r) {
  const QChar tab(u'\t');
  return r.date + tab + r.location + tab + r.variety + tab + r.title + tab + r.memo_no;
}

}  // namespace store
