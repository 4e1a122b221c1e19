#include "store/season_album.h"

#include <QFile>
#include <algorithm>
#include <fcntl.h>
#include <iterator>
#include <system_error>
#include <thread>
#include <sys/stat.h>
#include <unistd.h>

#include "store/fd_read.h"
#include "store/memo_files.h"

namespace store {

namespace {

// Reads many picture lists of one data directory: each file is opened by
// its name within the memo folder, held open once, and read into a buffer
// used again for every file. A list that is missing, unreadable or no
// regular file counts as empty; nothing blocks on a FIFO.
class ImageListFiles {
 public:
  explicit ImageListFiles(const QString& data_dir)
      : dir_(::open(QFile::encodeName(data_dir + QStringLiteral("memo")).constData(),
                    O_RDONLY | O_DIRECTORY | O_CLOEXEC)),
        buffer_(4096) {}
  ~ImageListFiles() {
    if (dir_ >= 0) ::close(dir_);
  }
  ImageListFiles(const ImageListFiles&) = delete;
  ImageListFiles& operator=(const ImageListFiles&) = delete;

  std::vector<ImageEntry> read(const QString& memo_no) {
    if (dir_ < 0) return {};
    const QByteArray name = "g" + memo_file_digits(memo_no).toLatin1() + ".txt";
    const int fd = ::openat(dir_, name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return {};
    struct stat st {};
    const qint64 got = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? read_to_end(fd, buffer_, st.st_size) : -1;
    ::close(fd);
    if (got < 0) return {};
    return parse_image_list(QByteArrayView(buffer_.data(), static_cast<qsizetype>(got)));
  }

 private:
  int dir_;
  std::vector<char> buffer_;
};

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

std::vector<AlbumYear> read_album(const QString& data_dir, const std::vector<AlbumMemo>& memos) {
  // The list runs newest first; the album wants date order, and memos of
  // one day oldest first, so they are read from the end. The files are
  // read in a few threads, each taking its own run of memos, and the runs
  // joined in order.
  const size_t n = memos.size();
  const size_t threads = std::clamp<size_t>(std::min<size_t>(std::thread::hardware_concurrency(), 4), 1,
                                            std::max<size_t>(1, n / 256));
  std::vector<std::vector<AlbumPicture>> runs(threads);
  const auto read_run = [&](size_t k) {
    ImageListFiles lists(data_dir);
    std::vector<AlbumPicture>& pictures = runs[k];
    for (size_t i = n * k / threads; i < n * (k + 1) / threads; ++i) {
      const AlbumMemo& m = memos[n - 1 - i];
      int no = 0;
      for (ImageEntry& e : lists.read(m.memo_no)) {
        ++no;
        if (e.path.isEmpty()) continue;
        pictures.push_back({m.memo_no, m.date, no, std::move(e.path), std::move(e.title)});
      }
    }
  };
  std::vector<std::thread> helpers;
  size_t k = 1;
  try {
    for (; k < threads; ++k) helpers.emplace_back(read_run, k);
  } catch (const std::system_error&) {
    // No thread to be had: the runs left are read here.
    for (size_t left = k; left < threads; ++left) read_run(left);
  }
  read_run(0);
  for (std::thread& t : helpers) t.join();
  std::vector<AlbumPicture> pictures = std::move(runs[0]);
  for (size_t k = 1; k < threads; ++k) std::move(runs[k].begin(), runs[k].end(), std::back_inserter(pictures));
  return group_album(std::move(pictures));
}

int days_from_earlier_anniversary(QDate date, QDate today) {
  if (!date.isValid() || !today.isValid()) return -1;
  qint64 best = -1;
  int best_year = 0;
  for (int year = date.year() - 1; year <= date.year() + 1; ++year) {
    const qint64 distance = std::abs(anniversary(today, year).daysTo(date));
    if (best < 0 || distance < best) {
      best = distance;
      best_year = year;
    }
  }
  if (best_year >= today.year()) return -1;
  return static_cast<int>(best);
}

std::vector<int> season_slots(const MemoTable& table, QDate today, int window_days) {
  std::vector<int> slots;
  for (size_t i = 0; i < table.size(); ++i) {
    const QDate date = parse_memo_date(table.bytes(i, MemoField::Date));
    if (!date.isValid() || date.year() > today.year()) continue;
    const int distance = days_from_earlier_anniversary(date, today);
    if (distance >= 0 && distance <= window_days) slots.push_back(static_cast<int>(i) + 1);
  }
  return slots;
}

}  // namespace store
