#include "store/convert/jpeg_copy.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QSemaphore>
#include <mutex>

#ifdef __GLIBC__
#include <malloc.h>
#endif

// libexiv2 0.27 still names std::auto_ptr in its headers.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

#include "store/pictures/heif_picture.h"
#include "store/pictures/other_formats.h"

namespace store {

namespace {

constexpr int kQuality = 90;

// The library writes its warnings about damaged files to stderr; a user
// is told in Japanese what went wrong instead.
void quiet_library() {
  static std::once_flag once;
  std::call_once(once, [] { Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute); });
}

// The decoded picture ready for the JPEG writer, with what it came with.
// `image` may point into `heif`'s pixels or `rgba`'s, which it keeps alive.
struct Decoded {
  HeifPicture heif;
  QImage rgba;
  QImage image;
  QByteArray icc;          // a profile Qt could not read, written by libexiv2
  Exiv2::ExifData exif;    // the original's EXIF
  QString why;
};

// Lays RGBA pixels (not premultiplied) on white and packs them as RGB in
// the same rows: each row's RGB bytes end before its RGBA bytes that are
// still to be read, so no second buffer is needed.
void lay_on_white(uchar* pixels, int width, int height, qsizetype stride) {
  for (int y = 0; y < height; ++y) {
    uchar* row = pixels + y * stride;
    for (int x = 0; x < width; ++x) {
      const uchar* in = row + 4 * x;
      uchar* out = row + 3 * x;
      const int alpha = in[3];
      const int white = 255 * (255 - alpha);
      for (int c = 0; c < 3; ++c) out[c] = uchar((in[c] * alpha + white + 127) / 255);
    }
  }
}

QColorSpace colour_space_of(const HeifPicture& p) {
  if (!p.icc.isEmpty()) return QColorSpace::fromIccProfile(p.icc);
  switch (p.primaries) {
    case 12:  // SMPTE EG 432-1: Display P3, as iPhones take
      return QColorSpace::DisplayP3;
    case 1:  // BT.709: the sRGB primaries
      return QColorSpace::SRgb;
    default:
      return {};
  }
}

void exif_from_tiff(const QByteArray& tiff, Exiv2::ExifData& exif) {
  if (tiff.isEmpty()) return;
  try {
    Exiv2::ExifParser::decode(exif, reinterpret_cast<const Exiv2::byte*>(tiff.constData()), uint32_t(tiff.size()));
  } catch (...) {
    exif.clear();  // damaged EXIF: the copy goes without
  }
}

void exif_from_file(const QString& path, Exiv2::ExifData& exif) {
  try {
    Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString(), false);
    if (image.get() == nullptr) return;
    image->readMetadata();
    exif = image->exifData();
  } catch (...) {
    exif.clear();
  }
}

// A photo's buffers are tens of megabytes. The C library would soon keep
// such blocks in each thread's own heap once freed (it raises its
// threshold for mapping blocks of their own as it sees them freed), where
// the other thread cannot use them: two threads converting then held
// twice the memory one needs. Blocks of a megabyte and more are mapped
// and given back when freed, for the whole process (measured on eight
// 12-megapixel photos in two threads: peak 102 MB instead of 200 MB above
// the start, no slower).
void map_large_blocks() {
#ifdef __GLIBC__
  static std::once_flag once;
  std::call_once(once, [] { mallopt(M_MMAP_THRESHOLD, 1024 * 1024); });
#endif
}

// libheif needs about 105 MB at its peak to decode a 12-megapixel photo
// to RGB, three times the picture it gives. One photo is decoded at a
// time: the other thread meanwhile writes its JPEG, which is about a
// third of the work, and two decodes at once would take over 200 MB.
HeifPicture decode_one_at_a_time(const QString& source) {
  static QSemaphore decoding(1);
  decoding.acquire();
  const QSemaphoreReleaser done(decoding);
  return decode_heif(source);
}

void decode_heif_file(const QString& source, Decoded& d) {
  d.heif = decode_one_at_a_time(source);
  if (!d.heif.ok()) {
    d.why = d.heif.why;
    return;
  }
  HeifPicture& p = d.heif;
  if (p.has_alpha) lay_on_white(p.pixels, p.width, p.height, p.stride);
  // The decoded plane itself, not a copy of it.
  d.image = QImage(p.pixels, p.width, p.height, p.stride, QImage::Format_RGB888);
  const QColorSpace space = colour_space_of(p);
  if (space.isValid()) {
    d.image.setColorSpace(space);
  } else {
    d.icc = p.icc;
  }
  exif_from_tiff(p.exif, d.exif);
}

void decode_with_qt(const QString& source, Decoded& d) {
  QImageReader reader(source);
  reader.setAutoTransform(true);
  const QSize size = reader.size();
  if (size.isValid() && qint64(size.width()) * size.height() > kMaxHeifPixels) {
    d.why = too_large_why(qint64(size.width()) * size.height());
    return;
  }
  reader.setAllocationLimit(int(kMaxHeifPixels * 8 / (1024 * 1024)));
  QImage image = reader.read();
  if (image.isNull()) {
    d.why = unreadable_why(reader.errorString());
    return;
  }
  if (image.hasAlphaChannel()) {
    d.rgba = image.convertToFormat(QImage::Format_RGBA8888);
    lay_on_white(d.rgba.bits(), d.rgba.width(), d.rgba.height(), d.rgba.bytesPerLine());
    d.image = QImage(d.rgba.bits(), d.rgba.width(), d.rgba.height(), d.rgba.bytesPerLine(), QImage::Format_RGB888);
    d.image.setColorSpace(image.colorSpace());
  } else {
    d.image = std::move(image);
  }
  exif_from_file(source, d.exif);
}

bool kept_tag(const Exiv2::Exifdatum& datum) {
  const std::string group = datum.groupName();
  if (group == "Photo") {
    // The maker's own block points into the original's layout; the copy's
    // size is set anew.
    const std::string tag = datum.tagName();
    return tag != "MakerNote" && tag != "PixelXDimension" && tag != "PixelYDimension";
  }
  if (group == "GPSInfo") return true;
  if (group != "Image") return false;
  static const char* const image_tags[] = {"Make",     "Model",     "Software",    "DateTime",    "Artist",
                                           "Copyright", "ImageDescription", "XResolution", "YResolution",
                                           "ResolutionUnit"};
  const std::string tag = datum.tagName();
  for (const char* kept : image_tags) {
    if (tag == kept) return true;
  }
  return false;
}

// The copy's EXIF: the original's shooting data, upright, at its true size,
// without a thumbnail.
Exiv2::ExifData copy_exif(const Exiv2::ExifData& original, const QSize& size) {
  Exiv2::ExifData exif;
  for (const Exiv2::Exifdatum& datum : original) {
    if (kept_tag(datum)) exif.add(datum);
  }
  exif["Exif.Image.Orientation"] = uint16_t(1);
  exif["Exif.Photo.PixelXDimension"] = uint32_t(size.width());
  exif["Exif.Photo.PixelYDimension"] = uint32_t(size.height());
  return exif;
}

// The JPEG bytes with the EXIF (and a colour profile Qt could not take)
// written in by libexiv2.
QByteArray with_metadata(const QByteArray& jpeg, const Exiv2::ExifData& exif, const QByteArray& icc) {
  Exiv2::Image::AutoPtr image =
      Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte*>(jpeg.constData()), long(jpeg.size()));
  if (image.get() == nullptr) throw std::runtime_error("JPEG not recognised");
  image->readMetadata();
  image->setExifData(exif);
  if (!icc.isEmpty()) {
    Exiv2::DataBuf profile(reinterpret_cast<const Exiv2::byte*>(icc.constData()), long(icc.size()));
    image->setIccProfile(profile, false);
  }
  image->writeMetadata();
  Exiv2::BasicIo& io = image->io();
  if (io.open() != 0) throw std::runtime_error("cannot read the written JPEG");
  QByteArray out(qsizetype(io.size()), Qt::Uninitialized);
  io.seek(0, Exiv2::BasicIo::beg);
  const long got = io.read(reinterpret_cast<Exiv2::byte*>(out.data()), long(out.size()));
  io.close();
  if (got != long(out.size())) throw std::runtime_error("short read of the written JPEG");
  return out;
}

JpegCopy convert(const QString& source) {
  Decoded d;
  QFile file(source);
  if (file.open(QIODevice::ReadOnly) && looks_like_heif(file.read(8))) {
    file.close();
    decode_heif_file(source, d);
  } else {
    decode_with_qt(source, d);
  }
  if (d.image.isNull()) return {{}, d.why.isEmpty() ? unreadable_why(QString()) : d.why};
  QByteArray jpeg;
  {
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(kQuality);
    if (!writer.write(d.image)) {
      return {{}, QStringLiteral("JPEG の写しを作れませんでした（%1）").arg(writer.errorString())};
    }
  }
  const QSize size = d.image.size();
  // The pixels are written: let them go before the EXIF makes more copies
  // of the JPEG bytes.
  d.image = QImage();
  d.rgba = QImage();
  d.heif = HeifPicture();
  return {with_metadata(jpeg, copy_exif(d.exif, size), d.icc), {}};
}

}  // namespace

JpegCopy make_jpeg_copy(const QString& source) {
  quiet_library();
  map_large_blocks();
  try {
    return convert(source);
  } catch (const std::exception& e) {
    return {{}, QStringLiteral("JPEG の写しを作れませんでした（%1）").arg(QString::fromLocal8Bit(e.what()))};
  } catch (...) {
    return {{}, QStringLiteral("JPEG の写しを作れませんでした。")};
  }
}

}  // namespace store

#pragma GCC diagnostic pop
