#include "store/diary/print_selection.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace store {

namespace {

QDate strict_date(const QString& text) {
  if (text.size() != 10) return {};
  return QDate::fromString(text, QStringLiteral("yyyy/MM/dd"));
}

bool in_range(const QDate& date, const PrintRange& range) {
  if (!range.limited()) return true;
  if (!date.isValid()) return false;
  if (range.from.isValid() && date < range.from) return false;
  if (range.to.isValid() && date > range.to) return false;
  return true;
}

QString date_text(const QDate& date) { return date.isValid() ? date.toString(QStringLiteral("yyyy/MM/dd")) : QString(); }

}  // namespace

std::vector<PrintMemo> print_memos(const MemoTable& table, const std::vector<int>& slots, const PrintRange& range,
                                   PrintOrder order) {
  std::vector<PrintMemo> memos;
  memos.reserve(slots.size());
  for (const int slot : slots) {
    if (slot < 1 || static_cast<size_t>(slot) > table.size()) continue;
    const size_t i = static_cast<size_t>(slot - 1);
    const QString date = table.text(i, MemoField::Date);
    if (!in_range(strict_date(date), range)) continue;
    memos.push_back({table.text(i, MemoField::MemoNo), date, table.text(i, MemoField::Location),
                     table.text(i, MemoField::Variety), table.text(i, MemoField::Title),
                     table.text(i, MemoField::Created)});
  }
  // A date that is no real day counts as older than any other; creation
  // times "yyyy/mm/dd hh:nn:ss" sort as text in time order.
  std::vector<std::pair<qint64, size_t>> keys;
  keys.reserve(memos.size());
  for (size_t i = 0; i < memos.size(); ++i) {
    const QDate d = strict_date(memos[i].date);
    keys.emplace_back(d.isValid() ? d.toJulianDay() : std::numeric_limits<qint64>::min(), i);
  }
  const bool oldest = order == PrintOrder::OldestFirst;
  std::stable_sort(keys.begin(), keys.end(), [&](const auto& a, const auto& b) {
    if (a.first != b.first) return oldest ? a.first < b.first : a.first > b.first;
    const QString& ca = memos[a.second].created;
    const QString& cb = memos[b.second].created;
    return oldest ? ca < cb : ca > cb;
  });
  std::vector<PrintMemo> sorted;
  sorted.reserve(memos.size());
  for (const auto& k : keys) sorted.push_back(std::move(memos[k.second]));
  return sorted;
}

PrintRange print_date_span(const MemoTable& table, const std::vector<int>& slots) {
  PrintRange span;
  for (const int slot : slots) {
    if (slot < 1 || static_cast<size_t>(slot) > table.size()) continue;
    const QDate d = strict_date(table.text(static_cast<size_t>(slot - 1), MemoField::Date));
    if (!d.isValid()) continue;
    if (!span.from.isValid() || d < span.from) span.from = d;
    if (!span.to.isValid() || d > span.to) span.to = d;
  }
  return span;
}

std::vector<ImageEntry> print_pictures(const std::vector<ImageEntry>& images, PrintPictures which) {
  switch (which) {
    case PrintPictures::None:
      return {};
    case PrintPictures::First:
      return images.empty() ? std::vector<ImageEntry>{} : std::vector<ImageEntry>{images.front()};
    case PrintPictures::All:
      break;
  }
  return images;
}

QString print_header_text(const QString& location, const QString& variety, const PrintRange& range) {
  const QString all = QStringLiteral("すべて");
  QString text = QStringLiteral("場所: ") + (location.isEmpty() ? all : location) + QStringLiteral("　品種: ") +
                 (variety.isEmpty() ? all : variety);
  if (range.limited()) {
    text += QStringLiteral("　期間: ") + date_text(range.from) + QStringLiteral(" 〜 ") + date_text(range.to);
  }
  return text;
}

QString print_meta_line(const PrintMemo& memo) {
  return memo.date + QStringLiteral("　") + memo.location + QStringLiteral("　") + memo.variety;
}

QString default_pdf_name(const QDate& today) {
  return QStringLiteral("Verdalis-") + today.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".pdf");
}

}  // namespace store
