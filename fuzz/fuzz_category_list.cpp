// basyo.dat and hinsyu.dat: loading any bytes and saving the list gives one
// line per input line, CR LF ended; a second round trip changes nothing.

#include "fuzz_common.h"
#include "store/diary/category_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace fuzzing;
  const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const QString in_path = scratch() + QStringLiteral("basyo.dat");
  const QString out_path = scratch() + QStringLiteral("saved.dat");
  put(in_path, input);

  store::CategoryList list;
  FUZZ_CHECK(store::load_category_list(in_path, list).status == store::ReadStatus::Read, "list read");
  FUZZ_CHECK(store::save_category_list(out_path, list).ok, "list written");
  const QByteArray saved = get(out_path);
  FUZZ_CHECK(saved == canonical_lines(byte_lines(input, false)), "saved names equal the input's lines");

  store::CategoryList again;
  store::load_category_list(out_path, again);
  FUZZ_CHECK(again.names == list.names, "names survive a round trip");
  return 0;
}
