// The shooting time of a photo: any bytes read as a picture give either no
// time or a plausible one (a real date, not before 1900, not in the future),
// and the same bytes read from a file give the same answer (a file longer
// than the 64 KB head that is read first may give another).

#include "fuzz_common.h"
#include "store/pictures/shooting_time.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace fuzzing;
  const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const QDateTime from_memory = store::exif_shooting_time(QByteArrayView(input));
  if (from_memory.isValid()) {
    FUZZ_CHECK(from_memory.date().year() >= 1900, "not before 1900");
    FUZZ_CHECK(from_memory <= QDateTime::currentDateTime().addDays(1), "not in the future");
  }
  const QString path = scratch() + QStringLiteral("photo.jpg");
  put(path, input);
  const QDateTime from_file = store::exif_shooting_time(path);
  if (input.size() <= 64 * 1024) FUZZ_CHECK(from_file == from_memory, "a file reads as its bytes do");
  return 0;
}
