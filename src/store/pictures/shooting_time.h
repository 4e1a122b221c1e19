#pragma once
// When a photo was taken: the EXIF DateTimeOriginal (with
// OffsetTimeOriginal when the camera wrote one), read with libexiv2. A file
// without a usable shooting time falls back to its modification time, which
// the caller is told, since copying a photo changes it.

#include <QByteArrayView>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

namespace store {

// A shooting time as the camera's clock gave it.
struct CameraClock {
  QDate date;                 // invalid: no shooting time
  QTime time;
  std::optional<int> offset;  // seconds east of UTC, when the camera wrote it
  bool valid() const { return date.isValid(); }
  // The time as a QDateTime: at its offset, or in this machine's zone.
  // Making a local time takes a lock that Qt and the C library share
  // between threads, so many photos are better made in one thread.
  QDateTime when() const;
};

// "2026:05:20 09:03:05" (EXIF's own form) with an offset such as "+09:00"
// or "" (then the time is local). Invalid for anything else, for the
// all-zero date some cameras write, and for a date more than a day after
// `today`.
CameraClock parse_exif_clock(const QString& text, const QString& offset, QDate today);
QDateTime parse_exif_time(const QString& text, const QString& offset, const QDateTime& now);

// The EXIF shooting time of a picture file, or of a picture's bytes;
// invalid when there is none or the data cannot be read. Never throws.
QDateTime exif_shooting_time(const QString& path);
QDateTime exif_shooting_time(QByteArrayView data);

// The shooting time in EXIF TIFF bytes (as a HEIC file carries them);
// none when they cannot be read.
CameraClock exif_tiff_clock(QByteArrayView tiff);
// The shooting time of a picture file of any format the library reads
// (PNG, WebP, TIFF...); nothing when the file cannot be read as a picture
// at all, with `failure` set to the library's own words where it gave any.
std::optional<CameraClock> exif_file_clock(const QString& path, QString* failure);

// True when the bytes begin as a JPEG or a BMP file does: what the diary's
// picture names promise and what it can show.
bool looks_like_picture(QByteArrayView head);

// What one read of a photo's head tells; safe to call from many threads.
struct PhotoHead {
  CameraClock exif;
  qint64 modified = 0;        // the file's time, seconds since the epoch; 0: unknown
  qint64 size = -1;           // the file's bytes; -1: it could not be opened
  bool picture_data = true;   // false: the file is no JPEG or BMP inside
  QString why;                // picture_data false: why, in Japanese (when known)
};
PhotoHead read_photo_head(const QString& path);

struct ShootingTime {
  QDateTime when;              // invalid when even the file has no time
  bool from_file = false;      // the file's modification time, no EXIF
  bool picture_data = true;    // false: the file is no JPEG or BMP inside
};
ShootingTime shooting_time(const PhotoHead& head);
ShootingTime shooting_time(const QString& path);

// The memo date ("yyyy/MM/dd") of the earliest shooting time among the
// files, as the camera's clock gave it; "" when none has a time.
QString earliest_shooting_date(const QStringList& paths);

}  // namespace store
