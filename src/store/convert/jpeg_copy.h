#pragma once
// A JPEG copy of a picture of another format: HEIC/HEIF decoded with
// libheif (the primary image, its rotation and mirroring applied, 10-bit
// pictures brought to 8 bits, transparency laid on white), PNG, WebP and
// TIFF with Qt's image plug-ins (turned upright). The copy is a JPEG of
// quality 90 that keeps the original's EXIF (shooting time, camera, GPS)
// with Orientation 1 and its true pixel size, without the original's
// thumbnail, and its colour profile (an iPhone's Display P3), so that it
// neither lies on its side nor looks washed out. Safe to call from many
// threads at once.

#include <QByteArray>
#include <QString>

namespace store {

struct JpegCopy {
  QByteArray bytes;  // the JPEG file; empty when the picture cannot be read
  QString why;       // why not, in Japanese, with what the user can do
};

JpegCopy make_jpeg_copy(const QString& source);

}  // namespace store
