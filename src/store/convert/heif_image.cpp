#include "store/convert/heif_image.h"

#include <QColorSpace>
#include <QPainter>
#include <libheif/heif.h>
#include <memory>

#include "store/pictures/heif_picture.h"

namespace store {

namespace {

// Upright pixels as shown on a screen: on white, in sRGB.
QImage for_screen(const uchar* pixels, int width, int height, int stride, bool alpha, const QColorSpace& space) {
  QImage image = QImage(pixels, width, height, stride, alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888).copy();
  if (alpha) {
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    QPainter painter(&flat);
    painter.drawImage(0, 0, image);
    painter.end();
    image = flat;
  }
  if (space.isValid() && space != QColorSpace(QColorSpace::SRgb)) {
    image.setColorSpace(space);
    image.convertToColorSpace(QColorSpace::SRgb);
  }
  return image;
}

QColorSpace space_of(const HeifPicture& p) {
  if (!p.icc.isEmpty()) return QColorSpace::fromIccProfile(p.icc);
  return p.primaries == 12 ? QColorSpace(QColorSpace::DisplayP3) : QColorSpace();
}

QImage scaled_within(const QImage& image, int max_side) {
  if (image.isNull() || (image.width() <= max_side && image.height() <= max_side)) return image;
  return image.scaled(max_side, max_side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

using Context = std::unique_ptr<heif_context, decltype(&heif_context_free)>;
using Handle = std::unique_ptr<heif_image_handle, decltype(&heif_image_handle_release)>;
using Image = std::unique_ptr<heif_image, decltype(&heif_image_release)>;

// The smallest of the file's own thumbnails that is at least `max_side`
// on its longer side, decoded upright; null when there is none.
QImage own_thumbnail(QByteArrayView bytes, int max_side) {
  Context context(heif_context_alloc(), &heif_context_free);
  if (!context || heif_context_read_from_memory_without_copy(context.get(), bytes.data(), static_cast<size_t>(bytes.size()),
                                                            nullptr).code != heif_error_Ok) {
    return {};
  }
  heif_image_handle* raw = nullptr;
  if (heif_context_get_primary_image_handle(context.get(), &raw).code != heif_error_Ok) return {};
  const Handle primary(raw, &heif_image_handle_release);
  const int count = heif_image_handle_get_number_of_thumbnails(primary.get());
  if (count <= 0) return {};
  std::vector<heif_item_id> ids(static_cast<size_t>(count));
  heif_image_handle_get_list_of_thumbnail_IDs(primary.get(), ids.data(), count);
  Handle best(nullptr, &heif_image_handle_release);
  int best_side = 0;
  for (const heif_item_id id : ids) {
    heif_image_handle* t = nullptr;
    if (heif_image_handle_get_thumbnail(primary.get(), id, &t).code != heif_error_Ok) continue;
    Handle thumb(t, &heif_image_handle_release);
    const int side = std::max(heif_image_handle_get_width(t), heif_image_handle_get_height(t));
    if (side >= max_side && side <= 4096 && (best_side == 0 || side < best_side)) {
      best = std::move(thumb);
      best_side = side;
    }
  }
  if (!best) return {};
  const bool alpha = heif_image_handle_has_alpha_channel(best.get()) != 0;
  heif_image* decoded = nullptr;
  if (heif_decode_image(best.get(), &decoded, heif_colorspace_RGB,
                        alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, nullptr)
          .code != heif_error_Ok) {
    return {};
  }
  const Image image(decoded, &heif_image_release);
  int stride = 0;
  const uint8_t* pixels = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
  if (pixels == nullptr) return {};
  return scaled_within(for_screen(pixels, heif_image_get_width(image.get(), heif_channel_interleaved),
                                  heif_image_get_height(image.get(), heif_channel_interleaved), stride, alpha, {}),
                       max_side);
}

}  // namespace

QImage heif_thumbnail(QByteArrayView bytes, int max_side, QSize* own_size) {
  if (max_side < 1) return {};
  const HeifHead head = read_heif_memory_head(bytes);
  if (!head.why.isEmpty()) return {};
  if (own_size) *own_size = QSize(head.width, head.height);
  QImage thumb = own_thumbnail(bytes, max_side);
  if (!thumb.isNull()) return thumb;
  return scaled_within(heif_for_screen(bytes), max_side);
}

QImage heif_for_screen(QByteArrayView bytes, QSize size) {
  const HeifPicture p = decode_heif(bytes);
  if (!p.ok()) return {};
  const QImage image = for_screen(p.pixels, p.width, p.height, p.stride, p.has_alpha, space_of(p));
  if (!size.isValid() || size.isEmpty() || size == image.size()) return image;
  return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

}  // namespace store
