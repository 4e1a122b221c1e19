#include "ui/picture.h"

#include <QFileInfo>
#include <QImage>
#include <QImageReader>

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
  return (outer_width - 9450.0F) / 2.0F + 3675.0F;
}

float picture_area_height(float outer_height, float grid_height) {
  return outer_height - 420.0F - grid_height - 55.0F - 645.0F - 55.0F - 1200.0F;
}

namespace {

bool is_regular_file(const QString& path) {
  const QFileInfo info(path);
  return info.exists() && info.isFile();
}

bool turns_sideways(QImageIOHandler::Transformations t) {
  return t.testFlag(QImageIOHandler::TransformationRotate90);
}

}  // namespace

PictureProbe probe_picture(const QString& path) {
  PictureProbe probe;
  if (!is_regular_file(path)) return probe;
  QImageReader reader(path);
  reader.setAutoTransform(true);
  const QSize stored = reader.size();
  if (!stored.isValid() || stored.isEmpty()) return probe;
  probe.readable = true;
  probe.size = turns_sideways(reader.transformation()) ? stored.transposed() : stored;
  return probe;
}

QPixmap load_picture(const QString& path, QSize size) {
  if (!is_regular_file(path)) return {};
  QImageReader reader(path);
  reader.setAutoTransform(true);
  if (size.isValid() && !size.isEmpty()) {
    // The reader scales before it turns the picture upright.
    reader.setScaledSize(turns_sideways(reader.transformation()) ? size.transposed() : size);
  }
  const QImage image = reader.read();
  if (image.isNull()) return {};
  return QPixmap::fromImage(image);
}

}  // namespace ui
