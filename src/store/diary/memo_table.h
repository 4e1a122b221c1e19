#pragma once
// The in-memory memo table. Each memo is kept as the windows-31j bytes of
// its seven index lines, usually inside the one buffer read from flower.dat,
// plus the offsets of its fields; a field becomes a QString only when it is
// asked for. At the capacity of 30000 memos this keeps loading to a single
// pass over the file and the memory to little more than the file's size.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <limits>
#include <vector>

namespace store {

// One memo as the rest of the program sees it.
struct MemoRecord {
  QString date;       // "yyyy/mm/dd"
  QString location;   // 場所
  QString variety;    // 品種
  QString title;
  QString memo_no;    // as held in the file, e.g. " 12 " or "12"
  QString created;    // "yyyy/mm/dd hh:nn:ss"
  QString corrected;  // "yyyy/mm/dd hh:nn:ss"
  friend bool operator==(const MemoRecord&, const MemoRecord&) = default;
};

// The seven lines of a memo's index record, in file order.
enum class MemoField : int { Date = 0, Location, Variety, Title, MemoNo, Created, Corrected };
inline constexpr int kMemoFieldCount = 7;

// A text to look for in one field of many memos, encoded once. A field
// matches when its bytes decode to the text: they are compared with every
// spelling the text has in windows-31j (nearly always just one), so no
// memo is decoded. Text that windows-31j cannot hold matches nothing.
class FieldKey {
 public:
  explicit FieldKey(const QString& text);
  bool matches(QByteArrayView stored) const;

 private:
  QString text_;
  QList<QByteArray> spellings_;
  bool decode_each_ = false;  // too many spellings: decode each field
};

class MemoTable {
 public:
  MemoTable() = default;
  MemoTable(std::initializer_list<MemoRecord> records);

  // Replaces the content with the complete records of an index file's
  // bytes (7 lines each, CR LF or LF). Lines past the last complete record
  // are not kept; their number line, if they have one, is handed back.
  struct Adopted {
    qsizetype lines = 0;
    qint64 highest_memo_no = std::numeric_limits<qint64>::min();  // of the complete records
    QByteArray cut_memo_no;
  };
  Adopted adopt_file_bytes(QByteArray bytes);

  size_t size() const { return rows_.size(); }
  bool empty() const { return rows_.empty(); }
  void clear();
  void reserve(size_t n) { rows_.reserve(n); }

  // The decoded memo at the 0-based position.
  MemoRecord operator[](size_t i) const;
  MemoRecord back() const { return (*this)[size() - 1]; }
  QString text(size_t i, MemoField field) const;
  // The memo's seven lines as stored, from the first field to the end of
  // the last, with the line ends between them (CR LF, or LF as read).
  QByteArrayView record_view(size_t i) const;
  // The field's bytes as they are written to flower.dat (no line end).
  QByteArrayView bytes(size_t i, MemoField field) const;
  bool field_is(size_t i, MemoField field, const FieldKey& key) const { return key.matches(bytes(i, field)); }

  void push_back(const MemoRecord& record);
  void pop_back() { rows_.pop_back(); }
  void insert(size_t at, const MemoRecord& record);
  void replace(size_t i, const MemoRecord& record);
  void erase(size_t i);
  // Keeps, in their order, the memos for which keep(i) is true. keep is
  // asked of every memo in turn, before anything after it has moved, so it
  // may read memo i of this table.
  template <class Keep>
  void keep_only(Keep keep);

  // Display order: later date first, then later creation time; memos equal
  // in both keep their relative order.
  bool stands_before(size_t a, size_t b) const { return stands_before(rows_[a], rows_[b]); }
  void sort_display_order();
  bool sorted_except(std::ptrdiff_t skipped) const;
  // Moves the memo at `from` to the place the stable sort gives it, when
  // every other memo is in order. Returns its new 0-based position.
  size_t settle(size_t from);

  // The whole index file: 7 lines per memo, each ended by CR LF.
  QByteArray file_bytes() const;

  friend bool operator==(const MemoTable& a, const MemoTable& b);
  // True when both are copies of one table that neither has changed since:
  // the same rows over the same buffers. Far cheaper than comparing every
  // field; false says nothing.
  bool shares_storage_with(const MemoTable& other) const;

  class const_iterator {
   public:
    using iterator_category = std::input_iterator_tag;
    using value_type = MemoRecord;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = MemoRecord;
    const_iterator(const MemoTable* table, size_t i) : table_(table), i_(i) {}
    MemoRecord operator*() const { return (*table_)[i_]; }
    const_iterator& operator++() {
      ++i_;
      return *this;
    }
    friend bool operator==(const const_iterator&, const const_iterator&) = default;

   private:
    const MemoTable* table_;
    size_t i_;
  };
  const_iterator begin() const { return {this, 0}; }
  const_iterator end() const { return {this, size()}; }

 private:
  // Where a memo's bytes are: its chunk, the start of each field and the
  // end of the last one. Field f (f < 6) ends at the line end before
  // field f + 1.
  struct Row {
    uint32_t chunk = 0;
    uint32_t start[kMemoFieldCount] = {};
    uint32_t end = 0;
  };

  Row encode_row(const MemoRecord& record);
  QByteArrayView field_view(const Row& row, int field) const;
  bool stands_before(const Row& a, const Row& b) const;
  void compact_if_needed();

  std::vector<Row> rows_;
  // Chunk 0 is usually the file read at start-up; memos added or changed
  // since get chunks of their own until the table is compacted.
  std::vector<QByteArray> chunks_;
};

template <class Keep>
void MemoTable::keep_only(Keep keep) {
  size_t out = 0;
  for (size_t i = 0; i < rows_.size(); ++i) {
    if (keep(i)) rows_[out++] = rows_[i];
  }
  rows_.resize(out);
}

}  // namespace store
