#include "store/pictures/other_formats.h"

#include <algorithm>

#include "store/files/posix_file.h"
#include "store/pictures/heif_picture.h"

namespace store {

namespace {

QStringView suffix_of(const QString& file_name) {
  const qsizetype dot = file_name.lastIndexOf(QLatin1Char('.'));
  if (dot < 0 || file_name.indexOf(QLatin1Char('/'), dot) >= 0) return {};
  return QStringView(file_name).mid(dot + 1);
}

bool suffix_in(const QString& file_name, std::initializer_list<QLatin1String> suffixes) {
  const QStringView suffix = suffix_of(file_name);
  for (const QLatin1String s : suffixes) {
    if (suffix.compare(s, Qt::CaseInsensitive) == 0) return true;
  }
  return false;
}

void read_heif(PhotoHead& h, int fd, qint64 size) {
  const HeifHead head = read_heif_file_head(fd, size);
  if (!head.why.isEmpty()) {
    h.picture_data = false;
    h.why = head.why;
    return;
  }
  h.exif = exif_tiff_clock(head.exif);
}

// PNG, WebP and TIFF: libexiv2 reads their metadata without the pixels.
void read_other(PhotoHead& h, const QString& path) {
  QString failure;
  if (const std::optional<CameraClock> clock = exif_file_clock(path, &failure)) {
    h.exif = *clock;
    return;
  }
  h.picture_data = false;
  h.why = unreadable_why(failure);
}

}  // namespace

bool is_convertible_name(const QString& file_name) {
  return suffix_in(file_name, {QLatin1String("heic"), QLatin1String("heif"), QLatin1String("png"),
                               QLatin1String("webp"), QLatin1String("tif"), QLatin1String("tiff")});
}

bool is_heif_name(const QString& file_name) {
  return suffix_in(file_name, {QLatin1String("heic"), QLatin1String("heif")});
}

PhotoHead read_convertible_head(const QString& path) {
  PhotoHead h;
  qint64 size = 0;
  const Fd fd = open_regular_file(path, &size, &h.modified, &h.why, Reading::Head);
  if (!fd) return h;
  h.size = size;
  if (size == 0) {
    h.picture_data = false;
    h.why = QStringLiteral("ファイルが空です（0 バイト）。写真をもう一度コピーしてください。");
    return h;
  }
  char first[8];
  if (looks_like_heif(QByteArrayView(first, std::max<qint64>(0, read_some(fd.get(), first, 8))))) {
    read_heif(h, fd.get(), size);
  } else {
    read_other(h, path);
  }
  return h;
}

PhotoHead read_heif_head(QByteArrayView bytes) {
  PhotoHead h;
  h.size = bytes.size();
  const HeifHead head = read_heif_memory_head(bytes);
  if (!head.why.isEmpty()) {
    h.picture_data = false;
    h.why = head.why;
    return h;
  }
  h.exif = exif_tiff_clock(head.exif);
  return h;
}

QByteArray tiff_of_heif_exif(QByteArrayView block) {
  if (block.size() < 4) return {};
  const auto at = [block](qsizetype i) { return quint32(quint8(block[i])); };
  const quint64 offset = (at(0) << 24) | (at(1) << 16) | (at(2) << 8) | at(3);
  const auto is_header = [block](qsizetype i) {
    const QByteArrayView four = block.sliced(i, 4);
    return four == QByteArrayView("II*\0", 4) || four == QByteArrayView("MM\0*", 4);
  };
  if (offset + 8 <= quint64(block.size()) && is_header(qsizetype(offset) + 4)) {
    return block.sliced(qsizetype(offset) + 4).toByteArray();
  }
  for (qsizetype i = 0; i + 4 <= block.size(); ++i) {
    if (is_header(i)) return block.sliced(i).toByteArray();
  }
  return {};
}

}  // namespace store

