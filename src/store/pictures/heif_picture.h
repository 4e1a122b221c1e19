#pragma once
// HEIC/HEIF pictures decoded with libheif, without Qt Gui: the primary
// image with its rotation and mirroring applied, 8 bits a channel (10-bit
// photos brought down), interleaved RGB or RGBA, with its EXIF and its
// colour profile. Also what the head of such a picture tells, read without
// decoding its pixels, and the one place where libheif's errors become
// Japanese reasons. Safe to call from many threads; never throws.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <memory>

struct heif_image;

namespace store {

// No picture above this many pixels is decoded: a hostile or broken file
// could otherwise make the program take gigabytes.
constexpr qint64 kMaxHeifPixels = 100'000'000;

struct HeifPicture {
  int width = 0;
  int height = 0;
  int stride = 0;                 // bytes from one row to the next
  bool has_alpha = false;         // RGBA (4 bytes a pixel) instead of RGB (3)
  uchar* pixels = nullptr;        // owned by `image`; null when not decoded
  std::shared_ptr<heif_image> image;  // keeps the pixels alive
  QByteArray exif;                // the EXIF TIFF bytes ("II*\0" or "MM\0*"), or empty
  QByteArray icc;                 // the raw ICC profile ('prof' or 'rICC'), or empty
  int primaries = 0;              // nclx colour primaries (1: BT.709, 12: Display P3), 0: none
  int transfer = 0;               // nclx transfer characteristics, 0: none
  QString why;                    // not decoded: why, in Japanese
  bool ok() const { return pixels != nullptr; }
};

// True when the bytes begin as a HEIF file does (an ftyp box). Files are
// told by this rather than by their names: some programs save JPEG
// pictures under .heic names.
bool looks_like_heif(QByteArrayView head);

// Decodes the picture in the file, or in the bytes (which need to live
// only during the call). Pictures above `max_pixels` are refused.
HeifPicture decode_heif(const QString& path, qint64 max_pixels = kMaxHeifPixels);
HeifPicture decode_heif(QByteArrayView bytes, qint64 max_pixels = kMaxHeifPixels);

// The head of a HEIC picture: its size as shown (after rotation) and its
// EXIF TIFF bytes, read without decoding the pixels. `why` is empty when
// the picture can be read.
struct HeifHead {
  int width = 0;
  int height = 0;
  QByteArray exif;
  QString why;
};
HeifHead read_heif_file_head(int fd, qint64 size);
HeifHead read_heif_memory_head(QByteArrayView bytes);

// The Japanese reasons a picture cannot be read, all made here: for a
// libheif error (its code, subcode and message), for any other library's
// message, and for a picture above the pixel limit.
QString heif_why(int code, int subcode, const char* message);
QString unreadable_why(const QString& detail);
QString too_large_why(qint64 pixels, qint64 max_pixels = kMaxHeifPixels);

}  // namespace store
