// A thumbnail PNG from the desktop's cache, written by any program: its
// text chunks are read without decoding the picture, whatever the bytes
// (lengths past the end, a zTXt that inflates to anything); the freshness
// check takes only the exact URI and whole seconds in decimal; texts
// added to a PNG read back as written, unless the file holds the same
// keys itself further on.

#include "fuzz_common.h"
#include "store/seasons/thumbnail_cache.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const QHash<QByteArray, QByteArray> texts = store::png_texts(input);
  for (auto it = texts.cbegin(); it != texts.cend(); ++it) {
    FUZZ_CHECK(!it.key().isEmpty() && !it.key().contains('\0'), "a key is the bytes before the first zero");
    FUZZ_CHECK(it.value().size() <= input.size() || it.value().size() <= 64 * 1024, "a value is bounded");
  }

  const QByteArray uri = texts.value("Thumb::URI");
  const QByteArray mtime = texts.value("Thumb::MTime");
  bool digits = !mtime.isEmpty();
  for (const char c : mtime) digits = digits && c >= '0' && c <= '9';
  bool ok = false;
  const qint64 seconds = mtime.toLongLong(&ok);
  const bool fresh = store::thumbnail_is_fresh(uri, QString::fromLatin1(mtime), uri, seconds);
  FUZZ_CHECK(fresh == (digits && ok), "fresh exactly when the time is whole seconds in decimal");
  FUZZ_CHECK(!store::thumbnail_is_fresh(uri, QString::fromLatin1(mtime), uri + 'x', seconds),
             "another picture's URI is never fresh");
  if (fresh) {
    FUZZ_CHECK(!store::thumbnail_is_fresh(uri, QString::fromLatin1(mtime), uri, seconds + 1), "another time is stale");
  }

  // Our own texts go in right after the header chunk, so they are read
  // back whatever follows.
  const QByteArray ours = store::with_png_texts(input, {{"Thumb::URI", "file:///a.jpg"}, {"Thumb::MTime", "1700000000"}});
  if (ours != input) {
    const QHash<QByteArray, QByteArray> back = store::png_texts(ours);
    FUZZ_CHECK(ours.size() > input.size() && ours.endsWith(input.mid(33)), "the file's own chunks follow unchanged");
    FUZZ_CHECK(input.mid(8, 8) == QByteArray("\0\0\0\x0dIHDR", 8), "texts go only after a whole header chunk");
    // A text the file holds itself comes later and is the one read.
    FUZZ_CHECK(back.value("Thumb::URI") == texts.value("Thumb::URI", "file:///a.jpg"), "the URI is read back");
    FUZZ_CHECK(back.value("Thumb::MTime") == texts.value("Thumb::MTime", "1700000000"), "the time is read back");
  }
  return 0;
}
