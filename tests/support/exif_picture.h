#pragma once
// Test pictures that carry a shooting time: a small JPEG written by Qt, its
// EXIF DateTimeOriginal (and OffsetTimeOriginal) set with libexiv2.

#include <QColor>
#include <QFile>
#include <QImage>
#include <QString>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

namespace testing_support {

// Writes a JPEG at `path`; `taken` ("2026:05:20 09:03:05") and `offset`
// ("+09:00") go into its EXIF when not empty. False when it failed.
inline bool write_exif_picture(const QString& path, const QString& taken, const QString& offset = {}) {
  QImage image(16, 12, QImage::Format_RGB32);
  image.fill(QColor(40, 120, 40));
  if (!image.save(path, "JPG")) return false;
  if (taken.isEmpty()) return true;
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

}  // namespace testing_support

#pragma GCC diagnostic pop
