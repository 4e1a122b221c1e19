#pragma once
// The EXIF segment of a JPEG. Its markers are walked from the start over
// the application segments, where cameras put their EXIF, so that only
// those bytes need reading.

#include <QByteArray>
#include <QByteArrayView>

namespace store {

struct ExifSegment {
  qsizetype begin = 0;  // its marker
  qsizetype end = -1;   // > 0: its end; 0: the file has none (its image data
                        // come first); -1: these bytes cannot tell (cut
                        // short, damaged, or no JPEG)
};

ExifSegment find_exif_segment(QByteArrayView bytes);

// Makes `bytes`, which hold a JPEG up to the end of its EXIF segment, a
// file of their own: closed after the segment, and with the link from the
// first IFD to the next one cut. The shooting time sits in the first IFD's
// Exif IFD; the next one holds the photo's thumbnail, which the library
// would otherwise decode and copy for every photo.
void close_after_exif(QByteArray& bytes, const ExifSegment& segment);

}  // namespace store
