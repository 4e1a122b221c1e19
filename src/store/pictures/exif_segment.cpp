#include "store/pictures/exif_segment.h"

#include <QtGlobal>
#include <cstring>

namespace store {

ExifSegment find_exif_segment(QByteArrayView bytes) {
  if (!bytes.startsWith("\xFF\xD8")) return {};
  const auto byte = [bytes](qsizetype i) { return static_cast<unsigned char>(bytes[i]); };
  qsizetype at = 2;
  for (;;) {
    if (at + 4 > bytes.size() || byte(at) != 0xFF) return {};
    const unsigned char marker = byte(at + 1);
    if (marker == 0xFF) {  // a fill byte before the marker
      ++at;
      continue;
    }
    if ((marker < 0xE0 || marker > 0xEF) && marker != 0xFE) return {at, 0};
    const qsizetype length = (byte(at + 2) << 8) | byte(at + 3);
    if (length < 2) return {};
    if (marker == 0xE1) {
      if (at + 10 > bytes.size()) return {};
      if (bytes.sliced(at + 4, 6) == QByteArrayView("Exif\0\0", 6)) return {at, at + 2 + length};
    }
    at += 2 + length;
  }
}

void close_after_exif(QByteArray& bytes, const ExifSegment& segment) {
  bytes.truncate(segment.end);
  bytes.append("\xFF\xD9", 2);
  char* tiff = bytes.data() + segment.begin + 10;
  const qsizetype size = segment.end - segment.begin - 10;
  const bool little = size >= 8 && tiff[0] == 'I' && tiff[1] == 'I';
  if (!little && !(size >= 8 && tiff[0] == 'M' && tiff[1] == 'M')) return;
  const auto number = [&](qint64 at, int width) {
    quint32 value = 0;
    for (int i = 0; i < width; ++i) value = value << 8 | static_cast<unsigned char>(tiff[at + (little ? width - 1 - i : i)]);
    return static_cast<qint64>(value);
  };
  const qint64 first = number(4, 4);
  if (first + 2 > size) return;
  const qint64 link = first + 2 + 12 * number(first, 2);
  if (link + 4 <= size) std::memset(tiff + link, 0, 4);
}

}  // namespace store
