#include "store/memo_index.h"

#include <QHash>
#include <QStringView>
#include <algorithm>
#include <limits>

#include "store/codec.h"

namespace store {

qint64 numeric_value(const QString& text) {
  qsizetype i = 0;
  const qsizetype n = text.size();
  while (i < n && (text.at(i) == QLatin1Char(' ') || text.at(i) == QLatin1Char('\t'))) ++i;
  bool negative = false;
  if (i < n && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))) {
    negative = text.at(i) == QLatin1Char('-');
    ++i;
  }
  constexpr qint64 kMax = std::numeric_limits<qint64>::max();
  qint64 value = 0;
  for (; i < n; ++i) {
    const char16_t c = text.at(i).unicode();
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

QString format_number_field(qint64 value) {
  if (value < 0) {
    return QStringLiteral("-") + QString::number(0 - static_cast<quint64>(value)) + QStringLiteral(" ");
  }
  return QStringLiteral(" ") + QString::number(value) + QStringLiteral(" ");
}

namespace {

// Hands out one shared copy of each distinct text, so that the many memos
// with the same date, location or variety share one string.
class Interner {
 public:
  QString get(QStringView text) {
    const auto found = seen_.constFind(text);
    if (found != seen_.constEnd()) return found.value();
    QString copy = text.toString();
    seen_.insert(QStringView(copy), copy);
    return copy;
  }

 private:
  // The keys view the values' own characters, which never move while the
  // value is in the hash.
  QHash<QStringView, QString> seen_;
};

}  // namespace

LoadIndexResult load_memo_index(const QString& path, MemoTable& table, qint64& highest_memo_no) {
  LoadIndexResult result;
  ReadResult read = read_file_bytes(path);
  result.status = read.status;
  result.message = read.message;
  table.clear();
  if (read.status != ReadStatus::Read) return result;

  const QString text = decode_cp932(read.bytes);
  read.bytes.clear();
  // Cut the text into lines without an intermediate list: views into it.
  std::vector<QStringView> lines;
  lines.reserve(static_cast<size_t>(text.count(QLatin1Char('\n')) + 1));
  const QStringView all(text);
  for (qsizetype start = 0; start < all.size();) {
    qsizetype lf = all.indexOf(QLatin1Char('\n'), start);
    if (lf < 0) lf = all.size();
    qsizetype end = lf;
    if (end > start && all.at(end - 1) == QLatin1Char('\r')) --end;
    lines.push_back(all.mid(start, end - start));
    start = lf + 1;
  }

  const size_t complete = lines.size() / 7;
  result.truncated = lines.size() % 7 != 0;
  // Room up to the capacity limit, so that saving a new memo never has to
  // move the whole table; pages not yet used cost no memory.
  table.reserve(std::max<size_t>(complete, 30000));
  Interner shared;
  for (size_t r = 0; r < complete; ++r) {
    const QStringView* f = &lines[r * 7];
    MemoRecord record{shared.get(f[0]),  shared.get(f[1]), shared.get(f[2]), f[3].toString(),
                      f[4].toString(),   f[5].toString(),  QString()};
    // A memo never corrected keeps its creation time twice: share it.
    record.corrected = f[6] == f[5] ? record.created : f[6].toString();
    const qint64 no = numeric_value(record.memo_no);
    if (no > highest_memo_no) highest_memo_no = no;
    table.push_back(std::move(record));
  }
  // A record cut short after its number still used that number: never hand
  // it out again, its files may still be there.
  if (lines.size() % 7 >= 5) {
    const qint64 no = numeric_value(lines[complete * 7 + 4].toString());
    if (no > highest_memo_no) highest_memo_no = no;
  }
  return result;
}

QStringList memo_index_lines(const MemoTable& table) {
  QStringList lines;
  lines.reserve(static_cast<qsizetype>(table.size()) * 7);
  for (const MemoRecord& r : table) {
    lines << r.date << r.location << r.variety << r.title << r.memo_no << r.created << r.corrected;
  }
  return lines;
}

FileResult save_memo_index(const QString& path, const MemoTable& table) {
  return write_text_lines(path, memo_index_lines(table));
}

namespace {

// True when a stands before b: later date first, then later creation.
bool stands_before(const MemoRecord& a, const MemoRecord& b) {
  const int by_date = QString::compare(a.date, b.date, Qt::CaseSensitive);
  if (by_date != 0) return by_date > 0;
  return QString::compare(a.created, b.created, Qt::CaseSensitive) > 0;
}

}  // namespace

void sort_memo_table(MemoTable& table) { std::stable_sort(table.begin(), table.end(), stands_before); }

bool memo_table_sorted_except(const MemoTable& table, int slot) {
  const auto n = static_cast<std::ptrdiff_t>(table.size());
  const std::ptrdiff_t p = slot - 1;
  if (p < 0 || p >= n) return std::is_sorted(table.begin(), table.end(), stands_before);
  const auto begin = table.begin();
  return std::is_sorted(begin, begin + p, stands_before) && std::is_sorted(begin + p + 1, table.end(), stands_before) &&
         (p == 0 || p + 1 >= n || !stands_before(table[p + 1], table[p - 1]));
}

int sort_memo_table_after_change(MemoTable& table, int slot) {
  const auto n = static_cast<std::ptrdiff_t>(table.size());
  const std::ptrdiff_t p = slot - 1;
  if (p < 0 || p >= n || !memo_table_sorted_except(table, slot)) {
    sort_memo_table(table);
    return 0;
  }
  MemoRecord changed = std::move(table[p]);
  table.erase(table.begin() + p);
  // A stable sort keeps the changed memo among its equals where it stood.
  const auto lo = std::lower_bound(table.begin(), table.end(), changed, stands_before) - table.begin();
  const auto hi = std::upper_bound(table.begin(), table.end(), changed, stands_before) - table.begin();
  const std::ptrdiff_t at = std::clamp(p, lo, hi);
  table.insert(table.begin() + at, std::move(changed));
  return static_cast<int>(at) + 1;
}

void remove_memo_at(MemoTable& table, int slot) {
  if (slot < 1 || slot > static_cast<int>(table.size())) return;
  table.erase(table.begin() + (slot - 1));
}

int find_memo_by_no(const MemoTable& table, const QString& memo_no) {
  for (size_t i = 0; i < table.size(); ++i) {
    if (table[i].memo_no == memo_no) return static_cast<int>(i) + 1;
  }
  return 0;
}

QString list_row_text(const MemoRecord& r) {
  const QChar tab(u'\t');
  return r.date + tab + r.location + tab + r.variety + tab + r.title + tab + r.memo_no;
}

}  // namespace store
