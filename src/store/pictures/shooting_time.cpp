#include "store/pictures/shooting_time.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <mutex>

// libexiv2 0.27 still names std::auto_ptr in its headers.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

#include "store/diary/field_formats.h"

namespace store {

namespace {

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

template <typename Open>
QDateTime read_safely(Open open) {
  quiet_library();
  try {
    Exiv2::Image::AutoPtr image = open();
    if (image.get() == nullptr) return {};
    return time_of(*image);
  } catch (...) {
    // A damaged or unknown file has no shooting time.
    return {};
  }
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
  if (when > now.addDays(1)) return {};
  return when;
}

QDateTime exif_shooting_time(const QString& path) {
  const QByteArray native = QFile::encodeName(path);
  // Only regular files: a FIFO or a device would block the library or never end.
  if (!QFileInfo(path).isFile()) return {};
  return read_safely([&native] { return Exiv2::ImageFactory::open(native.toStdString(), false); });
}

QDateTime exif_shooting_time(QByteArrayView data) {
  if (data.isEmpty()) return {};
  return read_safely([data] {
    return Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte*>(data.data()), static_cast<long>(data.size()));
  });
}

ShootingTime shooting_time(const QString& path) {
  ShootingTime t;
  t.when = exif_shooting_time(path);
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
