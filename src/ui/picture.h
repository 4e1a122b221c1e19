#pragma once
// Loading picture files and fitting them into a picture area.

#include <QByteArrayView>
#include <QImage>
#include <QPixmap>
#include <QSize>
#include <QString>

namespace ui {

// The size a picture of its own size pw × ph (twips) is shown at in an
// area bw × bh (twips): unchanged when it fits, otherwise scaled down by
// the smaller of the two ratios so that it fits both ways and keeps its
// aspect ratio. All arithmetic in single precision. A picture is never
// enlarged.
struct FittedSize {
  float width = 0;
  float height = 0;
  bool scaled = false;
};
FittedSize fit_size(float pw, float ph, float bw, float bh);

// The picture area of the main window's viewer pane, from the window's
// outer width W, outer height H and the list height GH (all twips).
float picture_area_width(float outer_width);
float picture_area_height(float outer_height, float grid_height);

// False when the bytes are an uncompressed BMP whose pixel rows run past the
// end of the data (a truncated file), or a BMP header too short to read.
bool bmp_data_is_complete(QByteArrayView data);

// What a picture file holds, read from its header without decoding it.
// Only a regular, non-empty file whose header declares a picture of at most
// 120 million pixels is readable: FIFOs, devices, directories and link
// loops are not opened for reading at all.
struct PictureProbe {
  bool readable = false;
  QSize size;  // pixels, upright (after the orientation the file asks for)
};
PictureProbe probe_picture(const QString& path);

// Decodes the picture at the given upright pixel size (or its own size
// when `size` is empty). Returns a null pixmap when the file is not
// readable as above, is cut short (a truncated JPEG or BMP), or cannot be
// decoded within the decoder's allocation limit.
QPixmap load_picture(const QString& path, QSize size = QSize());

// A small upright copy of the picture, at most `max_side` pixels on its
// longer side (never enlarged), decoded at that size where the format
// allows (JPEG). The same refusals as load_picture; besides, a picture
// whose format must be decoded whole first is refused beyond 16 million
// pixels, so that several decoded at once stay within a modest memory.
// Safe to call from any thread. `own_size` receives the upright size.
QImage read_thumbnail(const QString& path, int max_side, QSize* own_size = nullptr);

}  // namespace ui
