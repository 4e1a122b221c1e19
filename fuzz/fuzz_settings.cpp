// flower.ini: loading any bytes gives settings that survive being saved and
// loaded again unchanged, and the saved file is the same after a second
// round trip.

#include <cmath>

#include "fuzz_common.h"
#include "store/diary/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace fuzzing;
  const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const QString in_path = scratch() + QStringLiteral("flower.ini");
  const QString out_path = scratch() + QStringLiteral("saved.ini");
  put(in_path, input);

  const store::Settings defaults{7, 0, 100, 200, 6975, 9450, 2000};
  store::Settings loaded = defaults;
  FUZZ_CHECK(store::load_settings(in_path, loaded).status == store::ReadStatus::Read, "flower.ini read");
  FUZZ_CHECK(loaded.highest_memo_no >= 0, "highest memo number not negative");
  FUZZ_CHECK(loaded.window_state >= 0 && loaded.window_state <= 2, "window state 0, 1 or 2");
  for (const float v : {loaded.window_top, loaded.window_left, loaded.window_height, loaded.window_width, loaded.grid_height}) {
    FUZZ_CHECK(std::isfinite(v), "geometry is a finite number");
  }
  FUZZ_CHECK(store::save_settings(out_path, loaded).ok, "flower.ini written");
  const QByteArray saved = get(out_path);
  FUZZ_CHECK(byte_lines(saved, false).size() == 7, "seven lines");

  store::Settings again{1, 1, 1, 1, 1, 1, 1};
  store::load_settings(out_path, again);
  FUZZ_CHECK(again == loaded, "settings survive a round trip");
  FUZZ_CHECK(store::save_settings(out_path, again).ok && get(out_path) == saved, "second round trip");
  return 0;
}
