#include "store/diary/memo_table.h"

#include <algorithm>
#include <cstring>
#include <cstdint>
#include <limits>

#include "store/diary/memo_index.h"
#include "store/files/codec.h"
#include "store/files/line_scan.h"

namespace store {

namespace {

// Memos added or changed since the last compaction each hold a chunk of
// their own. When there are more such chunks than this, and more than a
// quarter of the memos, the table is rewritten into one buffer: the cost of
// that stays in proportion to the changes that led to it.
constexpr size_t kChunksBeforeCompaction = 64;

template <class Record>
auto& field_of(Record& r, int field) {
  switch (static_cast<MemoField>(field)) {
    case MemoField::Date: return r.date;
    case MemoField::Location: return r.location;
    case MemoField::Variety: return r.variety;
    case MemoField::Title: return r.title;
    case MemoField::MemoNo: return r.memo_no;
    case MemoField::Created: return r.created;
    case MemoField::Corrected: break;
  }
  return r.corrected;
}

// The order QString::compare gives to the decoded texts. Up to the first
// byte in which they differ, plain ASCII bytes are characters of their own
// that sort as their bytes do, which settles dates and times as the program
// writes them without decoding anything.
int compare_fields(QByteArrayView a, QByteArrayView b) {
  const qsizetype n = std::min(a.size(), b.size());
  const char* x = a.data();
  const char* y = b.data();
  qsizetype i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t u;
    uint64_t v;
    std::memcpy(&u, x + i, 8);
    std::memcpy(&v, y + i, 8);
    if (u != v || ((u | v) & 0x8080808080808080ULL) != 0) break;
  }
  for (; i < n && x[i] == y[i] && static_cast<unsigned char>(x[i]) < 0x80; ++i) {
  }
  if (i == n) {
    // An ASCII beginning of the other: the shorter sorts first.
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
  } else if (static_cast<unsigned char>(x[i]) < 0x80 && static_cast<unsigned char>(y[i]) < 0x80) {
    return static_cast<unsigned char>(x[i]) < static_cast<unsigned char>(y[i]) ? -1 : 1;
  }
  return QString::compare(decode_cp932(a), decode_cp932(b), Qt::CaseSensitive);
}

}  // namespace

namespace {

// A key whose characters could be written in more ways than this is
// compared as decoded text instead.
constexpr qsizetype kMostSpellings = 64;

}  // namespace

FieldKey::FieldKey(const QString& text) : text_(text) {
  spellings_ = cp932_spellings(text, kMostSpellings, &decode_each_);
}

bool FieldKey::matches(QByteArrayView stored) const {
  if (decode_each_) return decode_cp932(stored) == text_;
  for (const QByteArray& spelling : spellings_) {
    if (stored == QByteArrayView(spelling)) return true;
  }
  return false;
}

MemoTable::MemoTable(std::initializer_list<MemoRecord> records) {
  rows_.reserve(records.size());
  for (const MemoRecord& r : records) push_back(r);
}

void MemoTable::clear() {
  rows_.clear();
  chunks_.clear();
}

MemoTable::Adopted MemoTable::adopt_file_bytes(QByteArray bytes) {
  clear();
  const char* p = bytes.constData();
  const qsizetype n = bytes.size();
  chunks_.push_back(bytes);
  // Offsets are 32-bit; an index this large is far past the capacity.
  const qsizetype limit = std::min<qsizetype>(n, std::numeric_limits<uint32_t>::max());

  Row row;
  int field = 0;
  Adopted adopted;
  qsizetype number_line = 0;
  qsizetype number_end = 0;
  for_each_line(p, limit, [&](qsizetype start, qsizetype lf) {
    ++adopted.lines;
    row.start[field] = static_cast<uint32_t>(start);
    if (field == static_cast<int>(MemoField::MemoNo)) {
      number_line = start;
      number_end = lf;
    }
    if (++field == kMemoFieldCount) {
      qsizetype end = lf;
      if (end > start && p[end - 1] == '\r') --end;
      row.end = static_cast<uint32_t>(end);
      rows_.push_back(row);
      field = 0;
      // The record is complete: its number counts.
      qsizetype number_stop = number_end;
      if (number_stop > number_line && p[number_stop - 1] == '\r') --number_stop;
      const qint64 no = numeric_value(QByteArrayView(p + number_line, number_stop - number_line));
      if (no > adopted.highest_memo_no) adopted.highest_memo_no = no;
    }
  });

  if (field > static_cast<int>(MemoField::MemoNo)) {
    if (number_end > number_line && p[number_end - 1] == '\r') --number_end;
    adopted.cut_memo_no = bytes.mid(number_line, number_end - number_line);
  }
  return adopted;
}

QByteArrayView MemoTable::field_view(const Row& row, int field) const {
  const QByteArray& chunk = chunks_[row.chunk];
  const uint32_t start = row.start[field];
  uint32_t end = row.end;
  if (field + 1 < kMemoFieldCount) {
    end = row.start[field + 1] - 1;  // the LF before the next field
    if (end > start && chunk.at(end - 1) == '\r') --end;
  }
  return QByteArrayView(chunk.constData() + start, end - start);
}

QByteArrayView MemoTable::bytes(size_t i, MemoField field) const {
  return field_view(rows_[i], static_cast<int>(field));
}

QByteArrayView MemoTable::record_view(size_t i) const {
  const Row& row = rows_[i];
  return QByteArrayView(chunks_[row.chunk].constData() + row.start[0], row.end - row.start[0]);
}

QString MemoTable::text(size_t i, MemoField field) const { return decode_cp932(bytes(i, field)); }

MemoRecord MemoTable::operator[](size_t i) const {
  const Row& row = rows_[i];
  MemoRecord r;
  for (int f = 0; f < kMemoFieldCount; ++f) field_of(r, f) = decode_cp932(field_view(row, f));
  return r;
}

MemoTable::Row MemoTable::encode_row(const MemoRecord& record) {
  QByteArray bytes;
  Row row;
  row.chunk = static_cast<uint32_t>(chunks_.size());
  for (int f = 0; f < kMemoFieldCount; ++f) {
    if (f > 0) bytes += "\r\n";
    row.start[f] = static_cast<uint32_t>(bytes.size());
    bytes += encode_cp932(field_of(record, f));
  }
  row.end = static_cast<uint32_t>(bytes.size());
  chunks_.push_back(std::move(bytes));
  return row;
}

void MemoTable::push_back(const MemoRecord& record) {
  rows_.push_back(encode_row(record));
  compact_if_needed();
}

void MemoTable::insert(size_t at, const MemoRecord& record) {
  rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(at), encode_row(record));
  compact_if_needed();
}

void MemoTable::replace(size_t i, const MemoRecord& record) {
  rows_[i] = encode_row(record);
  compact_if_needed();
}

void MemoTable::erase(size_t i) { rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(i)); }

void MemoTable::compact_if_needed() {
  if (chunks_.size() <= kChunksBeforeCompaction || chunks_.size() <= rows_.size() / 4) return;
  const size_t room = rows_.capacity();
  adopt_file_bytes(file_bytes());
  rows_.reserve(room);
}

QByteArray MemoTable::file_bytes() const {
  qsizetype total = 0;
  for (const Row& row : rows_) {
    total += static_cast<qsizetype>(row.end - row.start[0]) + 2;
    // A record read with bare LF line ends grows by one byte a line.
    total += kMemoFieldCount - 1;
  }
  QByteArray out(total, Qt::Uninitialized);
  char* p = out.data();
  auto put = [&p](QByteArrayView bytes) {
    std::memcpy(p, bytes.data(), static_cast<size_t>(bytes.size()));
    p += bytes.size();
  };
  for (const Row& row : rows_) {
    const char* chunk = chunks_[row.chunk].constData();
    // A record stored with CR LF throughout is copied in one piece.
    bool crlf = true;
    for (int f = 1; f < kMemoFieldCount && crlf; ++f) {
      const uint32_t lf = row.start[f] - 1;
      crlf = lf >= 1 && chunk[lf] == '\n' && chunk[lf - 1] == '\r' && lf - 1 >= row.start[f - 1];
    }
    if (crlf) {
      put(QByteArrayView(chunk + row.start[0], row.end - row.start[0]));
      put("\r\n");
      continue;
    }
    for (int f = 0; f < kMemoFieldCount; ++f) {
      put(field_view(row, f));
      put("\r\n");
    }
  }
  out.truncate(p - out.constData());
  return out;
}

bool MemoTable::stands_before(const Row& a, const Row& b) const {
  const int by_date = compare_fields(field_view(a, 0), field_view(b, 0));
  if (by_date != 0) return by_date > 0;
  return compare_fields(field_view(a, 5), field_view(b, 5)) > 0;
}

void MemoTable::sort_display_order() {
  auto before = [this](const Row& a, const Row& b) { return stands_before(a, b); };
  // Usually only a few memos at the end are out of place (memos added to a
  // sorted table): those are sorted and merged in. The result is what a
  // stable sort of the whole gives.
  const auto sorted_end = std::is_sorted_until(rows_.begin(), rows_.end(), before);
  if (sorted_end == rows_.end()) return;
  std::stable_sort(sorted_end, rows_.end(), before);
  std::inplace_merge(rows_.begin(), sorted_end, rows_.end(), before);
}

bool MemoTable::sorted_except(std::ptrdiff_t p) const {
  const auto n = static_cast<std::ptrdiff_t>(rows_.size());
  auto before = [this](const Row& a, const Row& b) { return stands_before(a, b); };
  const auto begin = rows_.begin();
  if (p < 0 || p >= n) return std::is_sorted(begin, rows_.end(), before);
  return std::is_sorted(begin, begin + p, before) && std::is_sorted(begin + p + 1, rows_.end(), before) &&
         (p == 0 || p + 1 >= n || !stands_before(rows_[p + 1], rows_[p - 1]));
}

size_t MemoTable::settle(size_t from) {
  const Row changed = rows_[from];
  rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(from));
  auto before = [this](const Row& a, const Row& b) { return stands_before(a, b); };
  // A stable sort keeps the changed memo among its equals where it stood.
  const auto lo = std::lower_bound(rows_.begin(), rows_.end(), changed, before) - rows_.begin();
  const auto hi = std::upper_bound(rows_.begin(), rows_.end(), changed, before) - rows_.begin();
  const std::ptrdiff_t at = std::clamp(static_cast<std::ptrdiff_t>(from), lo, hi);
  rows_.insert(rows_.begin() + at, changed);
  return static_cast<size_t>(at);
}

bool MemoTable::shares_storage_with(const MemoTable& other) const {
  if (rows_.size() != other.rows_.size() || chunks_.size() != other.chunks_.size()) return false;
  for (size_t c = 0; c < chunks_.size(); ++c) {
    if (chunks_[c].constData() != other.chunks_[c].constData() || chunks_[c].size() != other.chunks_[c].size()) return false;
  }
  return rows_.empty() || std::memcmp(rows_.data(), other.rows_.data(), rows_.size() * sizeof(Row)) == 0;
}

bool operator==(const MemoTable& a, const MemoTable& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    for (int f = 0; f < kMemoFieldCount; ++f) {
      if (a.field_view(a.rows_[i], f) != b.field_view(b.rows_[i], f)) return false;
    }
  }
  return true;
}

}  // namespace store
