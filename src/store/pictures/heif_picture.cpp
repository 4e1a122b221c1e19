#include "store/pictures/heif_picture.h"

#include <libheif/heif.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <functional>
#include <mutex>
#include <utility>
#include <vector>

#include "store/files/posix_file.h"
#include "store/pictures/other_formats.h"

namespace store {

namespace {

// Reads `n` bytes at `offset` into `out`; the bytes read (fewer at the end).
using ReadAt = std::function<qint64(qint64 offset, char* out, qint64 n)>;

// libheif loads its codec plug-ins once; loading them from two threads at
// the same time is not safe.
void start_library() {
  static std::once_flag once;
  std::call_once(once, [] { heif_init(nullptr); });
}

using Context = std::unique_ptr<heif_context, decltype(&heif_context_free)>;
using Handle = std::unique_ptr<const heif_image_handle, decltype(&heif_image_handle_release)>;

// The file's top-level boxes (ftyp, meta, mdat), as far as they can be
// told: `cut` when one runs past the end (the file was cut short while it
// was copied), `mdat` the ranges of the picture data.
struct TopLevel {
  bool cut = false;
  std::vector<std::pair<qint64, qint64>> mdat;  // payload [begin, end)
};

TopLevel top_level(qint64 size, const ReadAt& read_at) {
  TopLevel t;
  char first[8];
  if (!looks_like_heif(QByteArrayView(first, read_at(0, first, 8)))) return t;  // no HEIF at all
  qint64 pos = 0;
  for (int boxes = 0; pos < size && boxes < 10000; ++boxes) {
    unsigned char head[16];
    const qint64 got = read_at(pos, reinterpret_cast<char*>(head), 16);
    t.cut = got < 8;
    if (t.cut) return t;
    quint64 box = (quint64(head[0]) << 24) | (quint64(head[1]) << 16) | (quint64(head[2]) << 8) | head[3];
    qint64 header = 8;
    if (box == 0) box = quint64(size - pos);  // runs to the end of the file
    if (box == 1) {
      t.cut = got < 16;
      if (t.cut) return t;
      box = 0;
      for (int i = 8; i < 16; ++i) box = (box << 8) | head[i];
      header = 16;
    }
    if (box < quint64(header) || box > quint64(std::numeric_limits<qint64>::max())) return t;  // not a box
    t.cut = qint64(box) > size - pos;
    if (t.cut) return t;
    if (std::memcmp(head + 4, "mdat", 4) == 0) t.mdat.emplace_back(pos + header, pos + qint64(box));
    pos += qint64(box);
  }
  return t;
}

// The reader libheif pulls a file through: positioned reads on an open
// file, the many small reads of box headers served from a buffer.
// libheif 1.15 reads the whole picture data (the mdat box) while it reads
// the file's structure; for a head, where only the EXIF is wanted, that
// read is skipped (the EXIF itself is read again where it lies).
struct FileSource {
  int fd = -1;
  qint64 size = 0;
  qint64 position = 0;
  std::vector<std::pair<qint64, qint64>> skipped;  // head only: the mdat payloads
  std::vector<char> buffer = std::vector<char>(16 * 1024);
  qint64 buffer_at = 0;
  qint64 buffered = 0;

  bool read_at(qint64 at, char* out, qint64 n) {
    while (n > 0) {
      const ssize_t got = ::pread(fd, out, size_t(n), at);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) return false;
      out += got;
      at += got;
      n -= got;
    }
    return true;
  }

  bool read(char* out, qint64 n) {
    for (const auto& [begin, end] : skipped) {
      if (n > qint64(buffer.size()) && position >= begin && position + n <= end) return true;
    }
    if (n > qint64(buffer.size())) return read_at(position, out, n);
    if (position < buffer_at || position + n > buffer_at + buffered) {
      buffer_at = position;
      buffered = std::min<qint64>(qint64(buffer.size()), size - position);
      if (buffered < n || !read_at(buffer_at, buffer.data(), buffered)) {
        buffered = 0;
        return false;
      }
    }
    std::memcpy(out, buffer.data() + (position - buffer_at), size_t(n));
    return true;
  }
};

heif_reader file_reader() {
  heif_reader r{};
  r.reader_api_version = 1;
  r.get_position = [](void* user) -> int64_t { return static_cast<FileSource*>(user)->position; };
  r.read = [](void* data, size_t n, void* user) -> int {
    auto* f = static_cast<FileSource*>(user);
    if (!f->read(static_cast<char*>(data), qint64(n))) return -1;
    f->position += qint64(n);
    return 0;
  };
  r.seek = [](int64_t position, void* user) -> int {
    auto* f = static_cast<FileSource*>(user);
    if (position < 0 || position > f->size) return -1;
    f->position = position;
    return 0;
  };
  r.wait_for_file_size = [](int64_t target, void* user) {
    return target > static_cast<FileSource*>(user)->size ? heif_reader_grow_status_size_beyond_eof
                                                           : heif_reader_grow_status_size_reached;
  };
  return r;
}

QString why_of(const heif_error& error, qint64 size, const ReadAt& read_at) {
  if (top_level(size, read_at).cut) return heif_why(heif_error_Invalid_input, heif_suberror_End_of_data, error.message);
  return heif_why(error.code, error.subcode, error.message);
}

// The file read into a context, and its primary image; `why` on failure.
struct Opened {
  Context context{nullptr, &heif_context_free};
  Handle primary{nullptr, &heif_image_handle_release};
  QString why;
};

Opened open_picture(qint64 size, const ReadAt& read_at, const std::function<heif_error(heif_context*)>& read) {
  start_library();
  Opened o;
  o.context.reset(heif_context_alloc());
  if (!o.context) {
    o.why = heif_why(heif_error_Memory_allocation_error, 0, "");
    return o;
  }
  heif_error error = read(o.context.get());
  heif_image_handle* handle = nullptr;
  if (error.code == heif_error_Ok) error = heif_context_get_primary_image_handle(o.context.get(), &handle);
  if (error.code != heif_error_Ok) {
    o.why = why_of(error, size, read_at);
    return o;
  }
  o.primary.reset(handle);
  return o;
}

// libheif reads through `source` until the context is freed (the pixels
// are read when the picture is decoded): it must outlive that.
Opened open_file(FileSource& source, const ReadAt& read_at) {
  return open_picture(source.size, read_at, [&source](heif_context* context) {
    static const heif_reader reader = file_reader();
    return heif_context_read_from_reader(context, &reader, &source, nullptr);
  });
}

Opened open_memory(QByteArrayView bytes, const ReadAt& read_at) {
  return open_picture(bytes.size(), read_at, [bytes](heif_context* context) {
    return heif_context_read_from_memory_without_copy(context, bytes.data(), size_t(bytes.size()), nullptr);
  });
}

ReadAt fd_read_at(int fd) {
  return [fd](qint64 offset, char* out, qint64 n) -> qint64 {
    const ssize_t got = ::pread(fd, out, size_t(n), offset);
    return got < 0 ? 0 : got;
  };
}

ReadAt memory_read_at(QByteArrayView bytes) {
  return [bytes](qint64 offset, char* out, qint64 n) -> qint64 {
    if (offset >= bytes.size()) return 0;
    const qint64 got = std::min(n, qint64(bytes.size()) - offset);
    std::memcpy(out, bytes.data() + offset, size_t(got));
    return got;
  };
}

// The EXIF TIFF bytes of the image, or empty.
QByteArray exif_of(const heif_image_handle* handle) {
  heif_item_id id = 0;
  if (heif_image_handle_get_list_of_metadata_block_IDs(handle, "Exif", &id, 1) < 1) return {};
  const size_t size = heif_image_handle_get_metadata_size(handle, id);
  if (size == 0 || size > 64 * 1024 * 1024) return {};
  QByteArray block(qsizetype(size), Qt::Uninitialized);
  if (heif_image_handle_get_metadata(handle, id, block.data()).code != heif_error_Ok) return {};
  return tiff_of_heif_exif(block);
}

void colour_of(const heif_image_handle* handle, HeifPicture& p) {
  if (const size_t size = heif_image_handle_get_raw_color_profile_size(handle); size > 0 && size < 16 * 1024 * 1024) {
    QByteArray icc(qsizetype(size), Qt::Uninitialized);
    if (heif_image_handle_get_raw_color_profile(handle, icc.data()).code == heif_error_Ok) p.icc = icc;
  }
  heif_color_profile_nclx* nclx = nullptr;
  if (heif_image_handle_get_nclx_color_profile(handle, &nclx).code == heif_error_Ok && nclx != nullptr) {
    p.primaries = int(nclx->color_primaries);
    p.transfer = int(nclx->transfer_characteristics);
  }
  heif_nclx_color_profile_free(nclx);
}

// The picture's size as the file gives it must be within the limit, and
// so must what decoding makes: libheif 1.15 does not check the size in
// the compressed stream against the one the file gives, and a 1 KB file
// can make it take over a gigabyte. It refuses, before taking memory, an
// image wider or taller than the side set here; sides longer than twice
// the square root of the limit (20000 for 100 megapixels, a very long
// panorama) are refused too, so that no square of the side is very large.
bool within_limit(heif_context* context, const heif_image_handle* handle, qint64 max_pixels, HeifPicture& p) {
  const int width = heif_image_handle_get_width(handle), height = heif_image_handle_get_height(handle);
  const int ispe_width = heif_image_handle_get_ispe_width(handle), ispe_height = heif_image_handle_get_ispe_height(handle);
  const qint64 pixels = std::max(qint64(width) * height, qint64(ispe_width) * ispe_height);
  const qint64 side = std::max({width, height, ispe_width, ispe_height});
  if (pixels > max_pixels || side * side > 4 * max_pixels) {
    p.why = too_large_why(std::max(pixels, side * side / 4), max_pixels);
    return false;
  }
  // More than the side: coded pictures are padded to whole blocks, and the
  // tiles of a grid (512 pixels square on iPhones) may overhang its edge.
  heif_context_set_maximum_image_size_limit(context, int(side + 1024));
  return true;
}

void decode_primary(heif_context* context, const heif_image_handle* handle, qint64 max_pixels, HeifPicture& p) {
  if (!within_limit(context, handle, max_pixels, p)) return;
  p.has_alpha = heif_image_handle_has_alpha_channel(handle) != 0;
  std::unique_ptr<heif_decoding_options, decltype(&heif_decoding_options_free)> options(heif_decoding_options_alloc(),
                                                                                         &heif_decoding_options_free);
  options->convert_hdr_to_8bit = 1;
  heif_image* image = nullptr;
  const heif_error error =
      heif_decode_image(handle, &image, heif_colorspace_RGB,
                        p.has_alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options.get());
  if (error.code != heif_error_Ok) {
    p.why = heif_why(error.code, error.subcode, error.message);
    return;
  }
  p.image.reset(image, &heif_image_release);
  int stride = 0;
  uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
  const int width = heif_image_get_width(image, heif_channel_interleaved);
  const int height = heif_image_get_height(image, heif_channel_interleaved);
  if (plane == nullptr || width <= 0 || height <= 0 || stride < width * (p.has_alpha ? 4 : 3) ||
      heif_image_get_bits_per_pixel_range(image, heif_channel_interleaved) != 8) {
    p.image.reset();
    p.why = heif_why(heif_error_Decoder_plugin_error, 0, "no 8-bit RGB plane");
    return;
  }
  // The size the file gives before decoding can differ from what comes
  // out (a crop box that libheif reads otherwise): the limit holds for both.
  if (qint64(width) * height > max_pixels) {
    p.image.reset();
    p.why = too_large_why(qint64(width) * height, max_pixels);
    return;
  }
  p.width = width;
  p.height = height;
  p.stride = stride;
  p.pixels = plane;
}

HeifPicture decode_opened(Opened opened, qint64 max_pixels) {
  HeifPicture p;
  if (!opened.primary) {
    p.why = opened.why;
    return p;
  }
  decode_primary(opened.context.get(), opened.primary.get(), max_pixels, p);
  if (!p.ok()) return p;
  p.exif = exif_of(opened.primary.get());
  colour_of(opened.primary.get(), p);
  return p;
}

HeifHead head_of(const Opened& opened) {
  HeifHead h;
  if (!opened.primary) {
    h.why = opened.why;
    return h;
  }
  h.width = heif_image_handle_get_width(opened.primary.get());
  h.height = heif_image_handle_get_height(opened.primary.get());
  h.exif = exif_of(opened.primary.get());
  return h;
}

}  // namespace

QString heif_why(int code, int subcode, const char* message) {
  const QString said = QString::fromUtf8(message == nullptr ? "" : message).trimmed();
  if (subcode == heif_suberror_End_of_data || said.contains(QLatin1String("end of file"), Qt::CaseInsensitive)) {
    return QStringLiteral("ファイルが途中で切れています。写真をもう一度コピーしてください。");
  }
  if (subcode == heif_suberror_No_ftyp_box) {
    return QStringLiteral("HEIC の写真として読み込めませんでした。中身が HEIC ではないか、壊れています。元の写真をもう一度コピーしてください。");
  }
  if (code == heif_error_Unsupported_feature || code == heif_error_Unsupported_filetype ||
      subcode == heif_suberror_Unsupported_codec || subcode == heif_suberror_Unsupported_image_type ||
      said.contains(QLatin1String("Too many auxiliary image references"))) {
    return QStringLiteral(
        "この HEIC 写真の形式にはまだ対応していません。iPhone の「設定 → カメラ → フォーマット → 互換性優先」"
        "で撮った写真か、JPEG で書き出した写真を取り込んでください。");
  }
  if (subcode == heif_suberror_Security_limit_exceeded) return unreadable_why(said);  // larger than it says
  if (code == heif_error_Memory_allocation_error) {
    return QStringLiteral("写真を読み込むためのメモリが足りません。ほかのプログラムを閉じてからもう一度取り込んでください。");
  }
  return unreadable_why(said);
}

QString unreadable_why(const QString& detail) {
  if (detail.isEmpty()) return QStringLiteral("画像として読み込めませんでした。元の写真をもう一度コピーしてください。");
  return QStringLiteral("画像として読み込めませんでした（%1）。元の写真をもう一度コピーしてください。").arg(detail);
}

QString too_large_why(qint64 pixels, qint64 max_pixels) {
  return QStringLiteral("写真が大きすぎます（%1 万画素）。%2 万画素までの写真を取り込めます。小さくして書き出した写真を取り込んでください。")
      .arg((pixels + 5000) / 10000)
      .arg(max_pixels / 10000);
}

bool looks_like_heif(QByteArrayView head) { return head.size() >= 8 && head.sliced(4, 4) == QByteArrayView("ftyp"); }

HeifPicture decode_heif(const QString& path, qint64 max_pixels) {
  qint64 size = 0;
  qint64 modified = 0;
  HeifPicture p;
  const Fd fd = open_regular_file(path, &size, &modified, &p.why);
  if (!fd) return p;
  FileSource source;
  source.fd = fd.get();
  source.size = size;
  return decode_opened(open_file(source, fd_read_at(fd.get())), max_pixels);
}

HeifPicture decode_heif(QByteArrayView bytes, qint64 max_pixels) {
  return decode_opened(open_memory(bytes, memory_read_at(bytes)), max_pixels);
}

HeifHead read_heif_file_head(int fd, qint64 size) {
  FileSource source;
  source.fd = fd;
  source.size = size;
  source.skipped = top_level(size, fd_read_at(fd)).mdat;
  return head_of(open_file(source, fd_read_at(fd)));
}

HeifHead read_heif_memory_head(QByteArrayView bytes) { return head_of(open_memory(bytes, memory_read_at(bytes))); }

}  // namespace store
