#include "store/pictures/shooting_time.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
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

// The present time, looked up again after ten seconds at the latest: it is
// only compared by its date, and asking the system for the local time of
// every photo costs more than reading the photo.
QDateTime recent_now() {
  thread_local QDateTime now;
  thread_local QElapsedTimer age;
  if (!age.isValid() || age.elapsed() > 10000) {
    now = QDateTime::currentDateTime();
    age.start();
  }
  return now;
}

QString tag_text(const Exiv2::ExifData& exif, const char* key) {
  const auto found = exif.findKey(Exiv2::ExifKey(key));
  if (found == exif.end()) return {};
  return QString::fromStdString(found->toString()).trimmed();
}

QDateTime time_of(Exiv2::Image& image) {
  image.readMetadata();
  const Exiv2::ExifData& exif = image.exifData();
  if (exif.empty()) return {};
  return parse_exif_time(tag_text(exif, "Exif.Photo.DateTimeOriginal"), tag_text(exif, "Exif.Photo.OffsetTimeOriginal"),
                         recent_now());
}

// The time, or nothing when the library could not read the data at all
// (damaged, cut short, unknown).
template <typename Open>
std::optional<QDateTime> read_safely(Open open) {
  quiet_library();
  try {
    Exiv2::Image::AutoPtr image = open();
    if (image.get() == nullptr) return std::nullopt;
    return time_of(*image);
  } catch (...) {
    return std::nullopt;
  }
}

std::optional<QDateTime> from_memory(QByteArrayView data) {
  return read_safely([data] {
    return Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte*>(data.data()), static_cast<long>(data.size()));
  });
}

// Where the EXIF segment of a JPEG ends. The markers are walked from the
// start over the application segments, where cameras put their EXIF, so
// that only those bytes need reading. > 0: the end of the segment; 0: the
// file has none (its image data come first); -1: it cannot be told from
// these bytes (cut short, damaged, or no JPEG).
qsizetype exif_segment_end(QByteArrayView bytes) {
  if (!bytes.startsWith("\xFF\xD8")) return -1;
  const auto byte = [bytes](qsizetype i) { return static_cast<unsigned char>(bytes[i]); };
  qsizetype at = 2;
  for (;;) {
    if (at + 4 > bytes.size()) return -1;
    if (byte(at) != 0xFF) return -1;
    const unsigned char marker = byte(at + 1);
    if (marker == 0xFF) {  // a fill byte before the marker
      ++at;
      continue;
    }
    if ((marker < 0xE0 || marker > 0xEF) && marker != 0xFE) return 0;
    const qsizetype length = (byte(at + 2) << 8) | byte(at + 3);
    if (length < 2) return -1;
    if (marker == 0xE1) {
      if (at + 10 > bytes.size()) return -1;
      if (bytes.sliced(at + 4, 6) == QByteArrayView("Exif\0\0", 6)) return at + 2 + length;
    }
    at += 2 + length;
  }
}

// The time in a JPEG's bytes up to the end of its EXIF segment, closed as
// a file would be.
std::optional<QDateTime> from_exif_segment(QByteArrayView bytes, qsizetype end) {
  QByteArray head(bytes.first(end).toByteArray());
  head.append("\xFF\xD9", 2);
  return from_memory(head);
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

QDateTime parse_exif_time(const QString& text, const QString& offset, const QDateTime& now) {
  static const QRegularExpression form(QStringLiteral("^(\\d{4}):(\\d{2}):(\\d{2}) (\\d{2}):(\\d{2}):(\\d{2})$"));
  const QRegularExpressionMatch m = form.match(text);
  if (!m.hasMatch()) return {};
  const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
  const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
  if (!date.isValid() || !time.isValid() || date.year() < 1900) return {};
  QDateTime when(date, time);
  static const QRegularExpression zone(QStringLiteral("^([+-])(\\d{2}):(\\d{2})$"));
  if (const QRegularExpressionMatch z = zone.match(offset); z.hasMatch()) {
    const int seconds = (z.captured(2).toInt() * 60 + z.captured(3).toInt()) * 60;
    if (seconds <= 14 * 3600) when = QDateTime(date, time, Qt::OffsetFromUTC, z.captured(1) == QStringLiteral("-") ? -seconds : seconds);
  }
  // Compared by the camera's date: converting every time through the
  // time zone rules costs more than reading the file.
  if (date > now.date().addDays(1)) return {};
  return when;
}

namespace {

// The EXIF time and whether the file holds picture data, from one read of
// its head.
ShootingTime read_head(const QString& path) {
  ShootingTime t;
  // Only regular files: a FIFO or a device would block the library or never end.
  qint64 size = 0;
  qint64 mtime = 0;
  QString reason;
  const Fd fd = open_regular_file(path, &size, &mtime, &reason, Reading::Head);
  if (!fd || size == 0) return t;
  // The EXIF segment sits at the start of a photo: the bytes up to its end
  // are read; when it cannot be found, the first 64 KB; the whole file
  // only when those alone cannot be read. The buffer is kept for the
  // thread's next photo: freeing and taking tens of kilobytes for every
  // file makes the threads wait on the memory manager more than on disk.
  thread_local QByteArray head;
  head.resize(0);
  read_up_to(fd.get(), head, std::min(size, kFirstRead));
  if (head.isEmpty()) return t;
  t.picture_data = looks_like_picture(head);
  if (!t.picture_data) return t;
  qsizetype end = exif_segment_end(head);
  if (end == 0) return t;
  if (end > head.size()) {
    read_up_to(fd.get(), head, std::min<qint64>(end, size));
    if (end > head.size()) end = -1;
  }
  if (end < 0) read_up_to(fd.get(), head, std::min(size, kExifHead));
  const bool whole_file = head.size() >= size;
  if (end > 0) {
    // Closed after the segment, as a file would be.
    head.truncate(end);
    head.append("\xFF\xD9", 2);
  }
  const std::optional<QDateTime> from_head = from_memory(head);
  if (from_head || whole_file) {
    t.when = from_head.value_or(QDateTime());
    return t;
  }
  const QByteArray native = QFile::encodeName(path);
  t.when = read_safely([&native] { return Exiv2::ImageFactory::open(native.toStdString(), false); }).value_or(QDateTime());
  return t;
}

}  // namespace

QDateTime exif_shooting_time(const QString& path) { return read_head(path).when; }

QDateTime exif_shooting_time(QByteArrayView data) {
  if (data.isEmpty()) return {};
  const qsizetype end = exif_segment_end(data);
  if (end == 0) return {};
  if (end > 0 && end <= data.size()) {
    if (const std::optional<QDateTime> t = from_exif_segment(data, end)) return *t;
  }
  return from_memory(data).value_or(QDateTime());
}

bool looks_like_picture(QByteArrayView head) {
  return head.startsWith("\xFF\xD8\xFF") || head.startsWith("BM");
}

ShootingTime shooting_time(const QString& path) {
  ShootingTime t = read_head(path);
  if (t.when.isValid()) return t;
  t.when = QFileInfo(path).lastModified();
  t.from_file = t.when.isValid();
  return t;
}

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
