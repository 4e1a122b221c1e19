// memo/g0000001.txt as the album reads it: the album's reader (plain system
// calls, one buffer per thread) gives the same pictures as the picture
// list's own reader, each non-empty path one tile in the memo's month, in
// list order with its 1-based number; "この時期の記録" shows the first
// path when no listed file is there.

#include "fuzz_common.h"
#include "store/diary/memo_files.h"
#include "store/seasons/season_album.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace fuzzing;
  const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const QString no = QStringLiteral("1");
  put(store::memo_images_path(scratch(), no), input);

  const std::vector<store::ImageEntry> listed = store::read_image_list(scratch(), no).images;
  FUZZ_CHECK(store::parse_image_list(input) == listed, "parsing the bytes equals reading the file");
  store::ImageListFiles files(scratch());
  FUZZ_CHECK(files.read(no) == listed, "the album's reader equals the list's reader");
  FUZZ_CHECK(files.read(no) == listed, "a reader gives the same list again");

  const QDate date(2024, 5, 3);
  const std::vector<store::AlbumYear> years = store::read_album(scratch(), {{no, date}});
  std::vector<store::AlbumPicture> tiles;
  for (const store::AlbumYear& y : years) {
    FUZZ_CHECK(y.year == 2024, "one year");
    for (int m = 0; m < 12; ++m) {
      FUZZ_CHECK(m == 4 || y.months[static_cast<size_t>(m)].empty(), "pictures only in the memo's month");
      for (const store::AlbumPicture& p : y.months[static_cast<size_t>(m)]) tiles.push_back(p);
    }
  }
  size_t at = 0;
  for (size_t i = 0; i < listed.size(); ++i) {
    if (listed[i].path.isEmpty()) continue;
    FUZZ_CHECK(at < tiles.size(), "every listed path is a tile");
    const store::AlbumPicture& t = tiles[at++];
    FUZZ_CHECK(t.memo_no == no && t.date == date && t.picture_no == static_cast<int>(i) + 1, "the tile's memo and number");
    FUZZ_CHECK(t.path == listed[i].path && t.title == listed[i].title, "the tile's path and title");
  }
  FUZZ_CHECK(at == tiles.size(), "no tile beyond the list");

  const QStringList shown = store::shown_pictures(scratch(), {no});
  FUZZ_CHECK(shown.size() == 1, "one shown picture per memo");
  bool found = false;
  for (const store::ImageEntry& e : listed) found = found || (shown[0] == e.path);
  FUZZ_CHECK(listed.empty() ? shown[0].isEmpty() : found, "the shown picture is one of the list");
  return 0;
}
