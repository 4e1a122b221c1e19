#pragma once
// Pictures of formats the diary does not hold as they are, which come in as
// JPEG copies: HEIC/HEIF (iPhones) through libheif, PNG, WebP and TIFF
// through Qt's image plug-ins. Here only what a folder scan needs: which
// names these are, and a photo's shooting time and size without decoding
// its pixels. Safe to call from many threads; never throws.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include "store/pictures/shooting_time.h"

namespace store {

// True for the suffixes heic, heif, png, webp, tif, tiff (any case).
bool is_convertible_name(const QString& file_name);
bool is_heif_name(const QString& file_name);

// The head of such a file: size, file time and EXIF shooting time
// (DateTimeOriginal with OffsetTimeOriginal). When the file cannot be read
// as its format (cut short, a variant libheif does not know, no picture at
// all), picture_data is false and `why` says so in Japanese, with what the
// user can do about it.
PhotoHead read_convertible_head(const QString& path);

// The same for a HEIC picture's bytes (size is their count; no file time).
PhotoHead read_heif_head(QByteArrayView bytes);

// The TIFF bytes of the EXIF block libheif hands out: it starts with a
// 4-byte big-endian offset to the TIFF header ("II*\0" or "MM\0*"); when
// the header is not where the offset points, it is searched for. Empty
// when there is none.
QByteArray tiff_of_heif_exif(QByteArrayView block);

}  // namespace store
