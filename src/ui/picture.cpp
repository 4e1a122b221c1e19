#include "ui/picture.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <optional>

#include "store/convert/heif_image.h"
#include "store/pictures/heif_picture.h"
#include <QtEndian>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include "store/pictures/picture_pick.h"
#include "ui/twips.h"

namespace ui {

FittedSize fit_size(float pw, float ph, float bw, float bh) {
  if ((bh >= ph && bw >= pw) || pw <= 0 || ph <= 0) return {pw, ph, false};
  const float rh = bh / ph;
  const float rw = bw / pw;
  const float r = rh < rw ? rh : rw;
  const float height = ph * r;
  const float width = pw * r;
  return {width, height, true};
}

float picture_area_width(float outer_width) {
  return (outer_width - static_cast<float>(kDesignOuterWidth)) / 2.0F + 3675.0F;
}

float picture_area_height(float outer_height, float grid_height) {
  return outer_height - 420.0F - grid_height - 55.0F - 645.0F - 55.0F - 1200.0F;
}

namespace {

// A declared picture larger than this is not decoded: 120 million pixels
// holds the largest phone photos, while a header claiming 60000 × 60000
// would ask for gigabytes before a single pixel is read.
constexpr qint64 kMaxPixels = 120'000'000;
// A file larger than this is not read whole for a thumbnail.
constexpr qint64 kMaxThumbnailFileBytes = 256LL * 1024 * 1024;
// Formats decoded whole before scaling are thumbnailed only up to this size.
constexpr qint64 kMaxWholeDecodePixels = 16'000'000;
// What the decoder may allocate for one picture, in MiB.
constexpr int kAllocationLimitMiB = 512;

// Opens the file only when it is a regular, non-empty file. open() with
// O_NONBLOCK returns at once even for a FIFO without a writer, and fstat()
// on the open descriptor tells what was really opened (a directory, a
// device, a FIFO), so nothing can block or be swapped in between a check
// and the open. A symbolic link loop fails to open.
std::unique_ptr<QFile> open_regular_file(const QString& path) {
  if (path.isEmpty()) return nullptr;
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return nullptr;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0) {
    ::close(fd);
    return nullptr;
  }
  auto file = std::make_unique<QFile>();
  if (!file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    ::close(fd);
    return nullptr;
  }
  return file;
}

// A reader over the open file, or none when the header is unreadable or
// declares a picture too large to decode.
struct Reader {
  std::unique_ptr<QFile> file;
  std::unique_ptr<QImageReader> reader;
  QSize stored;
};

// Sets the reader up as every picture here is read, and checks the
// declared size; false when the header is unreadable or too large.
bool prepare_reader(QImageReader& reader, QSize* stored) {
  reader.setAutoTransform(true);
  reader.setAllocationLimit(kAllocationLimitMiB);
  *stored = reader.size();
  if (!stored->isValid() || stored->isEmpty()) return false;
  return static_cast<qint64>(stored->width()) * stored->height() <= kMaxPixels;
}

Reader open_reader(const QString& path) {
  Reader r;
  r.file = open_regular_file(path);
  if (!r.file) return {};
  r.reader = std::make_unique<QImageReader>(r.file.get());
  if (!prepare_reader(*r.reader, &r.stored)) return {};
  return r;
}

// False when the file ends before its picture data does: a JPEG cut short
// before its end-of-image marker, or an uncompressed BMP shorter than its
// rows. Such a file would decode as a partly grey picture.
bool picture_bytes_are_complete(QByteArrayView bytes) {
  if (!store::jpeg_data_is_complete(bytes)) return false;
  return !bytes.startsWith("BM") || bmp_data_is_complete(bytes);
}

bool picture_data_is_complete(QFile& file) {
  const qint64 size = file.size();
  const uchar* data = file.map(0, size);
  if (!data) return false;
  const bool complete = picture_bytes_are_complete(QByteArrayView(data, size));
  file.unmap(const_cast<uchar*>(data));
  return complete;
}

// The format by the file's first bytes for the common kinds, so that the
// reader need not try every plugin; empty (the reader looks) otherwise.
QByteArray format_of(QByteArrayView bytes) {
  if (bytes.startsWith("\xFF\xD8\xFF")) return QByteArrayLiteral("jpeg");
  if (bytes.startsWith("\x89PNG\r\n\x1A\n")) return QByteArrayLiteral("png");
  return {};
}

// The bytes of a HEIC/HEIF picture file (told by its first bytes, not its
// name); nothing for any other file, or one that cannot be read.
std::optional<QByteArray> heif_bytes(const QString& path) {
  const std::unique_ptr<QFile> file = open_regular_file(path);
  if (!file || !store::looks_like_heif(file->peek(16))) return std::nullopt;
  if (file->size() > kMaxThumbnailFileBytes) return QByteArray();
  return file->readAll();
}

bool turns_sideways(QImageIOHandler::Transformations t) {
  return t.testFlag(QImageIOHandler::TransformationRotate90);
}

}  // namespace

bool bmp_data_is_complete(QByteArrayView data) {
  if (data.size() < 30) return false;
  const auto u16 = [&](qsizetype at) { return qFromLittleEndian<quint16>(data.data() + at); };
  const auto u32 = [&](qsizetype at) { return qFromLittleEndian<quint32>(data.data() + at); };
  const quint32 pixels_at = u32(10);
  const quint32 header = u32(14);
  qint64 width = 0;
  qint64 height = 0;
  int bits = 0;
  quint32 compression = 0;
  if (header == 12) {  // OS/2 header: 16-bit sizes
    width = u16(18);
    height = u16(20);
    bits = u16(24);
  } else {
    if (data.size() < 34) return false;
    width = static_cast<qint32>(u32(18));
    height = static_cast<qint32>(u32(22));
    bits = u16(28);
    compression = u32(30);
  }
  // Run-length and embedded JPEG/PNG data have no fixed length.
  if (compression != 0 && compression != 3 && compression != 6) return true;
  if (width <= 0 || bits <= 0) return false;
  const qint64 row = (width * bits + 31) / 32 * 4;
  const qint64 rows = height < 0 ? -height : height;
  return static_cast<qint64>(pixels_at) + row * rows <= data.size();
}

PictureProbe probe_picture(const QString& path) {
  PictureProbe probe;
  if (const std::optional<QByteArray> heif = heif_bytes(path)) {
    const store::HeifHead head = store::read_heif_memory_head(*heif);
    probe.readable = head.why.isEmpty() && head.width > 0 && head.height > 0;
    if (probe.readable) probe.size = QSize(head.width, head.height);
    return probe;
  }
  const Reader r = open_reader(path);
  if (!r.reader) return probe;
  probe.readable = true;
  probe.size = turns_sideways(r.reader->transformation()) ? r.stored.transposed() : r.stored;
  return probe;
}

QPixmap load_picture(const QString& path, QSize size) {
  if (const std::optional<QByteArray> heif = heif_bytes(path)) return QPixmap::fromImage(store::heif_for_screen(*heif, size));
  Reader r = open_reader(path);
  if (!r.reader || !picture_data_is_complete(*r.file)) return {};
  if (size.isValid() && !size.isEmpty()) {
    // The reader scales before it turns the picture upright.
    r.reader->setScaledSize(turns_sideways(r.reader->transformation()) ? size.transposed() : size);
  }
  const QImage image = r.reader->read();
  if (image.isNull()) return {};
  return QPixmap::fromImage(image);
}

QImage read_thumbnail(const QString& path, int max_side, QSize* own_size) {
  const std::unique_ptr<QFile> file = open_regular_file(path);
  if (!file || max_side < 1 || file->size() > kMaxThumbnailFileBytes) return {};
  // The whole file in one read: the completeness test and the decoder both
  // work from memory, and the format is known from the first bytes.
  QByteArray bytes = file->readAll();
  if (file->error() != QFileDevice::NoError) return {};
  // An iPhone's HEIC photo, not yet imported, through libheif.
  if (store::looks_like_heif(bytes)) return store::heif_thumbnail(bytes, max_side, own_size);
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, format_of(bytes));
  QSize stored;
  if (!prepare_reader(reader, &stored)) return {};
  const bool sideways = turns_sideways(reader.transformation());
  if (own_size) *own_size = sideways ? stored.transposed() : stored;
  const bool scales_while_decoding = reader.format() == "jpeg";
  if (!scales_while_decoding && static_cast<qint64>(stored.width()) * stored.height() > kMaxWholeDecodePixels) {
    return {};
  }
  if (!picture_bytes_are_complete(bytes)) return {};
  QSize target = stored;
  if (target.width() > max_side || target.height() > max_side) {
    target = target.scaled(max_side, max_side, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
  }
  // The reader scales in the file's own orientation, then turns upright.
  reader.setScaledSize(target);
  return reader.read();
}

}  // namespace ui
