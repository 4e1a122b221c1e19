#pragma once
// Test pictures that carry a shooting time: a small JPEG written by Qt, its
// EXIF DateTimeOriginal (and OffsetTimeOriginal) set with libexiv2.

#include <QBuffer>
#include <QColor>
#include <QFile>
#include <QImage>
#include <QString>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

namespace testing_support {

// Sets the EXIF of the picture at `path` to `taken` ("2026:05:20 09:03:05")
// and, when not empty, `offset` ("+09:00"). False when it failed.
inline bool write_exif_time(const QString& path, const QString& taken, const QString& offset = {}) {
  try {
    Exiv2::Image::AutoPtr picture = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
    Exiv2::ExifData exif;
    exif["Exif.Photo.DateTimeOriginal"] = taken.toStdString();
    if (!offset.isEmpty()) exif["Exif.Photo.OffsetTimeOriginal"] = offset.toStdString();
    picture->setExifData(exif);
    picture->writeMetadata();
    return true;
  } catch (...) {
    return false;
  }
}

// Writes a small JPEG at `path`, with its shooting time in its EXIF when
// `taken` is not empty.
inline bool write_exif_picture(const QString& path, const QString& taken, const QString& offset = {}) {
  QImage image(16, 12, QImage::Format_RGB32);
  image.fill(QColor(40, 120, 40));
  if (!image.save(path, "JPG")) return false;
  return taken.isEmpty() || write_exif_time(path, taken, offset);
}

// A camera's EXIF also carries a small JPEG of the photo, which makes the
// segment some ten or twenty kilobytes long.
inline bool add_exif_thumbnail(const QString& path, const QImage& small) {
  QByteArray thumbnail;
  QBuffer buffer(&thumbnail);
  if (!buffer.open(QIODevice::WriteOnly) || !small.save(&buffer, "JPG", 60)) return false;
  try {
    Exiv2::Image::AutoPtr picture = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
    picture->readMetadata();
    Exiv2::ExifData exif = picture->exifData();
    Exiv2::ExifThumb(exif).setJpegThumbnail(reinterpret_cast<const Exiv2::byte*>(thumbnail.constData()),
                                            static_cast<long>(thumbnail.size()));
    picture->setExifData(exif);
    picture->writeMetadata();
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace testing_support

#pragma GCC diagnostic pop
