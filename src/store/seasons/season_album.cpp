#include "store/seasons/season_album.h"

#include <algorithm>
#include <iterator>
#include <unordered_map>

#include "store/diary/memo_files.h"
#include "store/files/posix_file.h"
#include "store/files/worker_threads.h"

namespace store {

namespace {

int digits(QByteArrayView text, int from, int count) {
  int value = 0;
  for (int i = from; i < from + count; ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

// Today's month and day in the given year; 29 February becomes 28
// February in a year that has none.
QDate anniversary(QDate today, int year) {
  int day = today.day();
  if (today.month() == 2 && day == 29 && !QDate::isLeapYear(year)) day = 28;
  return QDate(year, today.month(), day);
}

}  // namespace

QDate parse_memo_date(QByteArrayView text) {
  if (text.size() != 10 || text[4] != '/' || text[7] != '/') return {};
  const int year = digits(text, 0, 4);
  const int month = digits(text, 5, 2);
  const int day = digits(text, 8, 2);
  if (year < 1 || month < 1 || day < 1) return {};
  // QDate refuses months and days that do not exist.
  return QDate(year, month, day);
}

QDate parse_memo_date(const QString& text) {
  if (text.size() != 10) return {};
  for (const QChar c : text) {
    if (c.unicode() > 0x7F) return {};
  }
  return parse_memo_date(QByteArrayView(text.toLatin1()));
}

std::vector<AlbumMemo> album_memos(const MemoTable& table, const std::vector<int>& slots) {
  std::vector<AlbumMemo> memos;
  memos.reserve(slots.size());
  for (const int slot : slots) {
    if (slot < 1 || slot > static_cast<int>(table.size())) continue;
    const size_t i = static_cast<size_t>(slot - 1);
    const QDate date = parse_memo_date(table.bytes(i, MemoField::Date));
    if (date.isValid()) memos.push_back({table.text(i, MemoField::MemoNo), date});
  }
  return memos;
}

std::vector<AlbumYear> group_album(std::vector<AlbumPicture> pictures) {
  std::stable_sort(pictures.begin(), pictures.end(),
                   [](const AlbumPicture& a, const AlbumPicture& b) { return a.date < b.date; });
  std::vector<AlbumYear> years;
  // Walk newest year first; within the year the pictures keep date order.
  auto begin = pictures.rbegin();
  while (begin != pictures.rend()) {
    const int year = begin->date.year();
    auto end = std::find_if(begin, pictures.rend(), [year](const AlbumPicture& p) { return p.date.year() != year; });
    AlbumYear y;
    y.year = year;
    for (auto it = end.base(); it != begin.base(); ++it) {
      y.months[static_cast<size_t>(it->date.month() - 1)].push_back(std::move(*it));
    }
    years.push_back(std::move(y));
    begin = end;
  }
  return years;
}

namespace {

const std::vector<AlbumPicture>& month_of(const AlbumYear& year, int month) {
  return year.months[static_cast<size_t>(month - 1)];
}

int month_size(const AlbumYear& year, int month) { return static_cast<int>(month_of(year, month).size()); }

// The first (or last) picture of the year from `month` on (or back).
AlbumPlace first_from(const std::vector<AlbumYear>& years, int row, int month) {
  for (int m = month; m <= 12; ++m) {
    if (month_size(years[static_cast<size_t>(row)], m) > 0) return {row, m, 0};
  }
  return {};
}

AlbumPlace last_back_from(const std::vector<AlbumYear>& years, int row, int month) {
  for (int m = month; m >= 1; --m) {
    const int n = month_size(years[static_cast<size_t>(row)], m);
    if (n > 0) return {row, m, n - 1};
  }
  return {};
}

}  // namespace

const AlbumPicture* album_picture(const std::vector<AlbumYear>& years, AlbumPlace p) {
  if (p.row < 0 || p.row >= static_cast<int>(years.size()) || p.month < 1 || p.month > 12) return nullptr;
  const auto& pictures = month_of(years[static_cast<size_t>(p.row)], p.month);
  return p.index >= 0 && p.index < static_cast<int>(pictures.size()) ? &pictures[static_cast<size_t>(p.index)]
                                                                      : nullptr;
}

AlbumPlace album_place_near(const std::vector<AlbumYear>& years, int row, int month, int index) {
  if (row < 0 || row >= static_cast<int>(years.size())) return {};
  const AlbumYear& year = years[static_cast<size_t>(row)];
  for (int distance = 0; distance < 12; ++distance) {
    if (month - distance >= 1 && month_size(year, month - distance) > 0) {
      const int n = month_size(year, month - distance);
      return {row, month - distance, distance == 0 ? std::min(index, n - 1) : n - 1};
    }
    if (month + distance <= 12 && month_size(year, month + distance) > 0) return {row, month + distance, 0};
  }
  return {};
}

AlbumPlace album_move(const std::vector<AlbumYear>& years, AlbumPlace from, AlbumMove move) {
  if (!album_picture(years, from)) return from;
  const int rows = static_cast<int>(years.size());
  AlbumPlace to;
  switch (move) {
    case AlbumMove::Next:
      if (from.index + 1 < month_size(years[static_cast<size_t>(from.row)], from.month)) return {from.row, from.month, from.index + 1};
      to = from.month < 12 ? first_from(years, from.row, from.month + 1) : AlbumPlace{};
      // Rows run newest first: the next year is the row above.
      if (!to.valid() && from.row > 0) to = first_from(years, from.row - 1, 1);
      break;
    case AlbumMove::Previous:
      if (from.index > 0) return {from.row, from.month, from.index - 1};
      to = from.month > 1 ? last_back_from(years, from.row, from.month - 1) : AlbumPlace{};
      if (!to.valid() && from.row + 1 < rows) to = last_back_from(years, from.row + 1, 12);
      break;
    case AlbumMove::Up:
      to = album_place_near(years, from.row - 1, from.month, from.index);
      break;
    case AlbumMove::Down:
      to = album_place_near(years, from.row + 1, from.month, from.index);
      break;
    case AlbumMove::YearFirst:
      to = first_from(years, from.row, 1);
      break;
    case AlbumMove::YearLast:
      to = last_back_from(years, from.row, 12);
      break;
  }
  return to.valid() ? to : from;
}

AlbumPlace album_find(const std::vector<AlbumYear>& years, const QString& memo_no, int picture_no) {
  for (size_t row = 0; row < years.size(); ++row) {
    for (int m = 1; m <= 12; ++m) {
      const auto& pictures = month_of(years[row], m);
      for (size_t i = 0; i < pictures.size(); ++i) {
        if (pictures[i].memo_no == memo_no && pictures[i].picture_no == picture_no) {
          return {static_cast<int>(row), m, static_cast<int>(i)};
        }
      }
    }
  }
  return {};
}

std::vector<AlbumYear> read_album(const QString& data_dir, const std::vector<AlbumMemo>& memos) {
  // The list runs newest first; the album wants date order, and memos of
  // one day oldest first, so they are read from the end. The files are
  // read in a few threads, each taking its own run of memos, and the runs
  // joined in order.
  const size_t n = memos.size();
  const size_t threads = run_count(n, 256);
  std::vector<std::vector<AlbumPicture>> runs(threads);
  in_runs(n, threads, [&](size_t k, size_t begin, size_t end) {
    ImageListFiles lists(data_dir);
    std::vector<AlbumPicture>& pictures = runs[k];
    for (size_t i = begin; i < end; ++i) {
      const AlbumMemo& m = memos[n - 1 - i];
      int no = 0;
      for (ImageEntry& e : lists.read(m.memo_no)) {
        ++no;
        if (e.path.isEmpty()) continue;
        pictures.push_back({m.memo_no, m.date, no, std::move(e.path), std::move(e.title)});
      }
    }
  });
  std::vector<AlbumPicture> pictures = std::move(runs[0]);
  for (size_t k = 1; k < threads; ++k) std::move(runs[k].begin(), runs[k].end(), std::back_inserter(pictures));
  return group_album(std::move(pictures));
}

namespace {

// The distance in days from a date to the nearest of today's anniversaries
// in the date's year and the years beside it, when that nearest one lies in a
// year before today's; -1 otherwise. `day_of(year)` gives the anniversary's
// day number in that year.
template <class DayOf>
int earlier_anniversary_distance(QDate date, QDate today, DayOf day_of) {
  const qint64 day = date.toJulianDay();
  qint64 best = -1;
  int best_year = 0;
  for (int year = date.year() - 1; year <= date.year() + 1; ++year) {
    if (year < 1) continue;  // there is no year 0 to have an anniversary in
    const qint64 distance = std::abs(day_of(year) - day);
    if (best < 0 || distance < best) {
      best = distance;
      best_year = year;
    }
  }
  if (best < 0 || best_year >= today.year()) return -1;
  return static_cast<int>(best);
}

}  // namespace

int days_from_earlier_anniversary(QDate date, QDate today) {
  if (!date.isValid() || !today.isValid()) return -1;
  return earlier_anniversary_distance(date, today, [&](int year) { return anniversary(today, year).toJulianDay(); });
}

std::vector<int> season_slots(const MemoTable& table, QDate today, int window_days) {
  std::vector<int> slots;
  if (!today.isValid()) return slots;
  // Today's anniversary by year, worked out once per year: turning dates
  // into day numbers was most of the time over 30000 memos.
  std::unordered_map<int, qint64> anniversary_day;
  const auto day_of = [&](int year) {
    const auto [at, added] = anniversary_day.try_emplace(year, 0);
    if (added) at->second = anniversary(today, year).toJulianDay();
    return at->second;
  };
  for (size_t i = 0; i < table.size(); ++i) {
    const QDate date = parse_memo_date(table.bytes(i, MemoField::Date));
    if (!date.isValid() || date.year() > today.year()) continue;
    const int distance = earlier_anniversary_distance(date, today, day_of);
    if (distance >= 0 && distance <= window_days) slots.push_back(static_cast<int>(i) + 1);
  }
  return slots;
}

QStringList shown_pictures(const QString& data_dir, const QStringList& memo_nos) {
  QStringList paths;
  paths.reserve(memo_nos.size());
  ImageListFiles lists(data_dir);
  for (const QString& no : memo_nos) {
    const std::vector<ImageEntry> images = lists.read(no);
    const auto found = std::find_if(images.begin(), images.end(), [](const ImageEntry& e) { return regular_file_found(e.path); });
    paths << (found != images.end() ? found->path : images.empty() ? QString() : images.front().path);
  }
  return paths;
}

}  // namespace store
