#include "store/pictures/shooting_time.h"

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

// The library writes its warnings about damaged files to stderr; they are
// no use to a user, who sees the file's time instead.
void quiet_library() {
  static std::once_flag once;
  std::call_once(once, [] { Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute); });
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
                         QDateTime::currentDateTime());
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
  const Fd fd = open_regular_file(path, &size, &mtime, &reason);
  if (!fd || size == 0) return t;
  // The EXIF block sits at the start of a photo: its head is read, and the
  // whole file only when the head alone cannot be read.
  QByteArray head(static_cast<qsizetype>(std::min(size, kExifHead)), Qt::Uninitialized);
  qint64 got = 0;
  while (got < head.size()) {
    const qint64 n = read_some(fd.get(), head.data() + got, head.size() - got);
    if (n <= 0) break;
    got += n;
  }
  if (got <= 0) return t;
  head.truncate(static_cast<qsizetype>(got));
  t.picture_data = looks_like_picture(head);
  if (!t.picture_data) return t;
  const std::optional<QDateTime> from_head = from_memory(head);
  if (from_head || got >= size) {
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
