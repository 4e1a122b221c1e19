#include "store/pictures/shooting_time.h"

#include <QElapsedTimer>
#include <QFile>
#include <stdexcept>
#include <QRegularExpression>
#include <algorithm>
#include <mutex>
#include <optional>

// libexiv2 0.27 still names std::auto_ptr in its headers.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

#include "store/diary/field_formats.h"
#include "store/files/posix_file.h"
#include "store/pictures/exif_segment.h"

namespace store {

namespace {

constexpr qint64 kExifHead = 64 * 1024;
// Enough for the markers up to a photo's EXIF segment.
constexpr qint64 kFirstRead = 4 * 1024;

// The library writes its warnings about damaged files to stderr; they are
// no use to a user, who sees the file's time instead.
void quiet_library() {
  static std::once_flag once;
  std::call_once(once, [] { Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute); });
}

// Today, looked up again after ten seconds at the latest: asking the
// system for the local time of every photo costs more than reading it.
QDate recent_today() {
  thread_local QDate today;
  thread_local QElapsedTimer age;
  if (!age.isValid() || age.elapsed() > 10000) {
    today = QDate::currentDate();
    age.start();
  }
  return today;
}

QString tag_text(const Exiv2::ExifData& exif, const char* key) {
  const auto found = exif.findKey(Exiv2::ExifKey(key));
  if (found == exif.end()) return {};
  return QString::fromStdString(found->toString()).trimmed();
}

CameraClock clock_of(const Exiv2::ExifData& exif) {
  if (exif.empty()) return {};
  return parse_exif_clock(tag_text(exif, "Exif.Photo.DateTimeOriginal"), tag_text(exif, "Exif.Photo.OffsetTimeOriginal"),
                          recent_today());
}

CameraClock clock_of(Exiv2::Image& image) {
  image.readMetadata();
  return clock_of(image.exifData());
}

// The clock, or nothing when the library could not read the data at all
// (damaged, cut short, unknown).
template <typename Open>
std::optional<CameraClock> read_safely(Open open) {
  quiet_library();
  try {
    Exiv2::Image::AutoPtr image = open();
    if (image.get() == nullptr) return std::nullopt;
    return clock_of(*image);
  } catch (...) {
    return std::nullopt;
  }
}

std::optional<CameraClock> from_memory(QByteArrayView data) {
  return read_safely([data] {
    return Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte*>(data.data()), static_cast<long>(data.size()));
  });
}

// Reads on into `head` until it holds `want` bytes or the file ends.
void read_up_to(int fd, QByteArray& head, qint64 want) {
  qint64 got = head.size();
  if (want <= got) return;
  head.resize(static_cast<qsizetype>(want));
  while (got < want) {
    const qint64 n = read_some(fd, head.data() + got, want - got);
    if (n <= 0) break;
    got += n;
  }
  head.truncate(static_cast<qsizetype>(got));
}

}  // namespace

QDateTime CameraClock::when() const {
  if (!valid()) return {};
  if (offset) return QDateTime(date, time, Qt::OffsetFromUTC, *offset);
  return QDateTime(date, time);
}

CameraClock parse_exif_clock(const QString& text, const QString& offset, QDate today) {
  static const QRegularExpression form(QStringLiteral("^(\\d{4}):(\\d{2}):(\\d{2}) (\\d{2}):(\\d{2}):(\\d{2})$"));
  const QRegularExpressionMatch m = form.match(text);
  if (!m.hasMatch()) return {};
  CameraClock clock{QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt()),
                    QTime(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt()), std::nullopt};
  // Compared by the camera's date: converting every time through the
  // time zone rules costs more than reading the file.
  if (!clock.date.isValid() || !clock.time.isValid() || clock.date.year() < 1900 || clock.date > today.addDays(1)) {
    return {};
  }
  static const QRegularExpression zone(QStringLiteral("^([+-])(\\d{2}):(\\d{2})$"));
  if (const QRegularExpressionMatch z = zone.match(offset); z.hasMatch()) {
    const int seconds = (z.captured(2).toInt() * 60 + z.captured(3).toInt()) * 60;
    if (seconds <= 14 * 3600) clock.offset = z.captured(1) == QStringLiteral("-") ? -seconds : seconds;
  }
  return clock;
}

QDateTime parse_exif_time(const QString& text, const QString& offset, const QDateTime& now) {
  return parse_exif_clock(text, offset, now.date()).when();
}

namespace {

}  // namespace

namespace {

// The clock of a picture of `size` bytes, and whether it holds picture
// data. `read_to(head, n)` makes `head` hold the first n bytes (fewer when
// the picture is shorter); `whole()` reads the clock from all of them. The
// EXIF segment sits at the start of a photo: the bytes up to its end are
// read; when it cannot be found, the first 64 KB; the whole picture only
// when those alone cannot be read.
template <typename ReadTo, typename Whole>
void read_clock(PhotoHead& h, QByteArray& head, qint64 size, const ReadTo& read_to, const Whole& whole) {
  read_to(head, std::min(size, kFirstRead));
  if (head.isEmpty()) return;
  h.picture_data = looks_like_picture(head);
  if (!h.picture_data) return;
  ExifSegment segment = find_exif_segment(head);
  if (segment.end == 0) return;
  if (segment.end > head.size()) {
    read_to(head, std::min<qint64>(segment.end, size));
    if (segment.end > head.size()) segment.end = -1;
  }
  if (segment.end < 0) read_to(head, std::min(size, kExifHead));
  const bool all_read = head.size() >= size;
  if (segment.end > 0) close_after_exif(head, segment);
  if (const std::optional<CameraClock> clock = from_memory(head); clock || all_read) {
    h.exif = clock.value_or(CameraClock{});
    return;
  }
  h.exif = whole().value_or(CameraClock{});
}

}  // namespace

PhotoHead read_photo_head(const QString& path) {
  PhotoHead h;
  // Only regular files: a FIFO or a device would block the library or never end.
  qint64 size = 0;
  QString reason;
  const Fd fd = open_regular_file(path, &size, &h.modified, &reason, Reading::Head);
  if (fd) h.size = size;
  if (!fd || size == 0) return h;
  // The buffer is kept for the thread's next photo: freeing and taking
  // tens of kilobytes for every file makes the threads wait on the memory
  // manager more than on the disk.
  thread_local QByteArray head;
  head.resize(0);
  read_clock(
      h, head, size, [&fd](QByteArray& bytes, qint64 want) { read_up_to(fd.get(), bytes, want); },
      [&path] {
        const QByteArray native = QFile::encodeName(path);
        return read_safely([&native] { return Exiv2::ImageFactory::open(native.toStdString(), false); });
      });
  return h;
}

CameraClock exif_tiff_clock(QByteArrayView tiff) {
  if (tiff.isEmpty()) return {};
  quiet_library();
  try {
    Exiv2::ExifData exif;
    Exiv2::ExifParser::decode(exif, reinterpret_cast<const Exiv2::byte*>(tiff.data()), uint32_t(tiff.size()));
    return clock_of(exif);
  } catch (...) {
    return {};
  }
}

std::optional<CameraClock> exif_file_clock(const QString& path, QString* failure) {
  quiet_library();
  failure->clear();
  try {
    Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString(), false);
    if (image.get() == nullptr) throw std::runtime_error("unknown image type");
    return clock_of(*image);
  } catch (const std::exception& e) {
    *failure = QString::fromLocal8Bit(e.what());
  } catch (...) {
  }
  return std::nullopt;
}

QDateTime exif_shooting_time(const QString& path) { return read_photo_head(path).exif.when(); }

QDateTime exif_shooting_time(QByteArrayView data) {
  PhotoHead h;
  QByteArray head;
  read_clock(
      h, head, data.size(), [data](QByteArray& bytes, qint64 want) { bytes = data.first(want).toByteArray(); },
      [data] { return from_memory(data); });
  return h.exif.when();
}

bool looks_like_picture(QByteArrayView head) {
  return head.startsWith("\xFF\xD8\xFF") || head.startsWith("BM");
}

ShootingTime shooting_time(const PhotoHead& head) {
  ShootingTime t;
  t.picture_data = head.picture_data;
  t.when = head.exif.when();
  if (t.when.isValid() || head.modified == 0) return t;
  t.when = QDateTime::fromSecsSinceEpoch(head.modified);
  t.from_file = true;
  return t;
}

ShootingTime shooting_time(const QString& path) { return shooting_time(read_photo_head(path)); }

QString earliest_shooting_date(const QStringList& paths) {
  QDateTime earliest;
  for (const QString& path : paths) {
    const ShootingTime t = shooting_time(path);
    if (t.when.isValid() && (!earliest.isValid() || t.when < earliest)) earliest = t.when;
  }
  // The camera's clock: an offset time keeps its own date.
  return earliest.isValid() ? format_date(earliest) : QString();
}

}  // namespace store

#pragma GCC diagnostic pop
