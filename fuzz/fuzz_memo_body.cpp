// memo/m0000001.txt: reading any bytes as a body and saving it gives the
// input back with exactly one CR LF at its end; the body survives a second
// round trip.

#include "fuzz_common.h"
#include "store/diary/memo_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace fuzzing;
  const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const QString no = QStringLiteral("1");
  const QString out_no = QStringLiteral("2");
  put(store::memo_body_path(scratch(), no), input);

  const store::BodyResult body = store::load_memo_body(scratch(), no);
  FUZZ_CHECK(body.message.isEmpty(), "body read");
  FUZZ_CHECK(store::save_memo_body(scratch(), out_no, body.text).ok, "body written");
  QByteArray expected = input;
  if (expected.endsWith("\r\n")) {
    expected.chop(2);
  } else if (expected.endsWith('\n')) {
    expected.chop(1);
  }
  FUZZ_CHECK(get(store::memo_body_path(scratch(), out_no)) == canonical(expected) + "\r\n", "saved body equals the input");

  const store::BodyResult again = store::load_memo_body(scratch(), out_no);
  FUZZ_CHECK(again.text == body.text, "body survives a round trip");
  return 0;
}
