// HEIC pictures from any bytes: the head reader and the decoder never
// crash, never read outside their buffers, agree on whether the bytes are
// a picture at all, and a decoded picture is as large as it says (every
// byte of its rows is read here) and no larger than the limit.

#include "fuzz_common.h"
#include "store/pictures/heif_picture.h"
#include "store/pictures/other_formats.h"

namespace {

// Lower than the program's own limit, so that one input cannot take the
// fuzzer's memory and time; the check itself is the same code.
constexpr qint64 kFuzzPixels = 2'000'000;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
  const store::PhotoHead head = store::read_heif_head(bytes);
  FUZZ_CHECK(head.picture_data == head.why.isEmpty(), "a head that is no picture says why");
  if (head.exif.valid()) FUZZ_CHECK(head.exif.date.year() >= 1900, "a plausible shooting date");

  const store::HeifPicture picture = store::decode_heif(bytes, kFuzzPixels);
  FUZZ_CHECK(picture.ok() == picture.why.isEmpty(), "a picture not decoded says why");
  if (!picture.ok()) return 0;
  FUZZ_CHECK(head.picture_data, "what decodes has a readable head");
  FUZZ_CHECK(picture.width > 0 && picture.height > 0, "a decoded picture has pixels");
  FUZZ_CHECK(qint64(picture.width) * picture.height <= kFuzzPixels, "the pixel limit holds");
  const int channels = picture.has_alpha ? 4 : 3;
  FUZZ_CHECK(picture.stride >= picture.width * channels, "rows hold their pixels");
  unsigned sum = 0;
  for (int y = 0; y < picture.height; ++y) {
    const uchar* row = picture.pixels + qsizetype(y) * picture.stride;
    for (int x = 0; x < picture.width * channels; ++x) sum += row[x];
  }
  volatile unsigned keep = sum;
  (void)keep;
  return 0;
}
