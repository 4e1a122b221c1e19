// flower.dat: loading any bytes, then saving the table, gives back every
// complete 7-line record of the input byte for byte, line ends made CR LF;
// loading and saving that again changes nothing.

#include "fuzz_common.h"
#include "store/diary/memo_index.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace fuzzing;
  const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const QString in_path = scratch() + QStringLiteral("flower.dat");
  const QString out_path = scratch() + QStringLiteral("saved.dat");
  put(in_path, input);

  store::MemoTable table;
  qint64 highest = 0;
  const store::LoadIndexResult loaded = store::load_memo_index(in_path, table, highest);
  FUZZ_CHECK(loaded.status == store::ReadStatus::Read, "flower.dat read");
  FUZZ_CHECK(highest >= 0, "highest memo number");
  FUZZ_CHECK(store::save_memo_index(out_path, table).ok, "flower.dat written");

  QList<QByteArray> lines = byte_lines(input, true);
  FUZZ_CHECK(loaded.truncated == (lines.size() % 7 != 0), "cut-short record noticed");
  lines.resize(lines.size() / 7 * 7);
  const QByteArray saved = get(out_path);
  QByteArray expected;
  for (const QByteArray& line : lines) expected += line + "\r\n";
  FUZZ_CHECK(saved == expected, "saved records equal the input's complete records");

  store::MemoTable again;
  qint64 highest_again = 0;
  store::load_memo_index(out_path, again, highest_again);
  FUZZ_CHECK(highest_again <= highest, "no higher number after a round trip");
  FUZZ_CHECK(store::save_memo_index(out_path, again).ok && get(out_path) == saved, "second round trip");
  return 0;
}
