#pragma once
// HEIC/HEIF pictures for the eye: thumbnails and the viewer show an
// iPhone's photos before they are imported. A thumbnail comes from the
// small picture the file carries where that is large enough (an iPhone
// stores one of about 320 pixels), so that a day of photos does not decode
// twelve million pixels each. Colours are brought to sRGB for the screen;
// transparency is laid on white. Safe to call from any thread; never
// throws. A null image when the picture cannot be read.

#include <QByteArrayView>
#include <QImage>
#include <QSize>

namespace store {

// At most `max_side` pixels on its longer side, never enlarged; `own_size`
// receives the picture's own upright size.
QImage heif_thumbnail(QByteArrayView bytes, int max_side, QSize* own_size = nullptr);
// The whole picture, scaled to `size` when that is given.
QImage heif_for_screen(QByteArrayView bytes, QSize size = QSize());

}  // namespace store
