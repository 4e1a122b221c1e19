#pragma once
// The data side of the seasons album and of "この時期の記録": memo dates read
// strictly, pictures grouped by year and month, and the memos of earlier
// years whose day of the year lies near today's.

#include <QByteArrayView>
#include <QDate>
#include <QString>
#include <array>
#include <vector>

#include "store/diary/app_state.h"
#include "store/diary/memo_index.h"

namespace store {

// A memo date of exactly the form "yyyy/mm/dd" that names a real day;
// anything else (wrong length, "2026/5/3", "令和8年", "2026/02/30") gives
// an invalid date. Nothing is guessed.
QDate parse_memo_date(QByteArrayView text);
QDate parse_memo_date(const QString& text);

// One memo as the album needs it, copied from the table on the interface
// thread so that the pictures can be read elsewhere.
struct AlbumMemo {
  QString memo_no;
  QDate date;
};

// The listed memos (1-based slots, in list order) whose date is valid.
std::vector<AlbumMemo> album_memos(const MemoTable& table, const std::vector<int>& slots);

// One picture of a memo.
struct AlbumPicture {
  QString memo_no;
  QDate date;
  int picture_no = 0;  // 1-based position in the memo's picture list
  QString path;
  QString title;
};

// A year of the album: twelve months of pictures, each in date order.
struct AlbumYear {
  int year = 0;
  std::array<std::vector<AlbumPicture>, 12> months;
};

// Groups pictures by year (newest first) and month; within a month the
// pictures stand in date order, a memo's pictures in their list order, and
// memos of one day in the order they were given. Years without pictures
// are left out.
std::vector<AlbumYear> group_album(std::vector<AlbumPicture> pictures);

// A picture's place in the album: the year's row (0 is the newest year),
// the month (1 to 12) and its position in that month's pictures.
struct AlbumPlace {
  int row = -1;
  int month = 0;
  int index = 0;
  bool valid() const { return row >= 0; }
  friend bool operator==(const AlbumPlace&, const AlbumPlace&) = default;
};

// The keyboard's walks through the album, as a user reads a calendar:
// Next and Previous go through the pictures in time order, over the
// months and on into the next (newer) or previous year; Up and Down go to
// the row above (the newer year) or below, to the same month and the same
// position in it as far as it has pictures, else to the picture of that
// year nearest in time to the month (the last of an earlier month, the
// first of a later one; of two months as near, the earlier); YearFirst and
// YearLast go to the first and last picture of the place's year. A walk
// past the album's ends stays where it is.
enum class AlbumMove { Next, Previous, Up, Down, YearFirst, YearLast };
AlbumPlace album_move(const std::vector<AlbumYear>& years, AlbumPlace from, AlbumMove move);
// The picture of the row nearest in time to position `index` of `month`,
// as Up and Down choose it; invalid when the row does not exist.
AlbumPlace album_place_near(const std::vector<AlbumYear>& years, int row, int month, int index);
// The place of a memo's picture (invalid when the album does not hold it).
AlbumPlace album_find(const std::vector<AlbumYear>& years, const QString& memo_no, int picture_no);
// The picture at a place, or nullptr.
const AlbumPicture* album_picture(const std::vector<AlbumYear>& years, AlbumPlace place);

// Reads the picture lists of the memos (no file is written) and groups
// them. Unreadable lists count as empty.
std::vector<AlbumYear> read_album(const QString& data_dir, const std::vector<AlbumMemo>& memos);

// The number of days between the date and the nearest day of an earlier
// year than `today`'s with today's month and day, or -1 when that nearest
// day is not in an earlier year. On years without 29 February, 29
// February stands for 28 February.
int days_from_earlier_anniversary(QDate date, QDate today);

// The picture each memo shows in "この時期の記録": the first of its list
// whose file is there, else its first ("" for a memo without pictures).
QStringList shown_pictures(const QString& data_dir, const QStringList& memo_nos);

// The 1-based slots, in table order (newest first), of the memos dated
// within `window_days` of today's month and day in an earlier year. Dates
// that are not exactly "yyyy/mm/dd" are skipped.
std::vector<int> season_slots(const MemoTable& table, QDate today, int window_days = 10);

}  // namespace store
