// The completeness check that runs on a picture's bytes before a thumbnail
// is decoded from them: whatever the marker lengths and scan data, it
// reads nothing past the end; a JPEG counts as whole only when it holds an
// end-of-image marker, and bytes after a whole JPEG never make it
// incomplete; bytes that are no JPEG always pass (their decoder judges).

#include "fuzz_common.h"
#include "store/pictures/picture_pick.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const bool complete = store::jpeg_data_is_complete(input);
  const bool jpeg = input.startsWith("\xFF\xD8");
  if (!jpeg) FUZZ_CHECK(complete, "what is no JPEG passes");
  if (jpeg && complete) {
    FUZZ_CHECK(input.indexOf("\xFF\xD9", 2) >= 0, "a whole JPEG holds its end marker");
    FUZZ_CHECK(store::jpeg_data_is_complete(input + input), "bytes after a whole JPEG change nothing");
    FUZZ_CHECK(store::jpeg_data_is_complete(input + QByteArray(3, '\xFF')), "fill bytes after it change nothing");
  }
  // A detached copy: the check reads only inside the view it is given.
  const QByteArray exact(input.constData(), input.size());
  FUZZ_CHECK(store::jpeg_data_is_complete(QByteArrayView(exact)) == complete, "the same bytes, the same answer");
  return 0;
}
