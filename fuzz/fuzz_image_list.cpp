// memo/g0000001.txt: reading any bytes as a picture list and saving the
// list gives the input's lines back (with an empty title after a path left
// without one); the list survives a second round trip.

#include "fuzz_common.h"
#include "store/diary/memo_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace fuzzing;
  const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const QString no = QStringLiteral("1");
  const QString out_no = QStringLiteral("2");
  put(store::memo_images_path(scratch(), no), input);

  const store::ImageListResult read = store::read_image_list(scratch(), no);
  FUZZ_CHECK(read.message.isEmpty(), "picture list read");
  QList<QByteArray> lines = byte_lines(input, false);
  FUZZ_CHECK(static_cast<qsizetype>(read.images.size()) == (lines.size() + 1) / 2, "one picture per two lines");
  FUZZ_CHECK(store::save_image_list(scratch(), out_no, read.images).ok, "picture list written");
  if (lines.size() % 2 != 0) lines.append(QByteArray());
  FUZZ_CHECK(get(store::memo_images_path(scratch(), out_no)) == canonical_lines(lines), "saved lines equal the input's");

  const store::ImageListResult again = store::read_image_list(scratch(), out_no);
  FUZZ_CHECK(again.images == read.images, "pictures survive a round trip");
  return 0;
}
