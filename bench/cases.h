#pragma once
// The benchmark cases. Each returns the median time of our code and of the
// floor that no implementation can beat, in milliseconds.

#include <QString>

#include "dataset.h"

namespace bench {

struct Result {
  QString name;
  double ours = 0;
  double floor = 0;
  double target_ratio = 0;  // ours / floor must stay at or below this
  QString note;             // extra figures printed after the ratio
  bool extra_ok = true;     // the case's own further limits held
  bool met(double extra_limit_ok = true) const { return extra_limit_ok && extra_ok && ours <= floor * target_ratio; }
};

Result bench_load(const QString& dir, int reps);
// A 29999-memo flower.dat replaced from outside with one memo more, until
// the list holds it (≤ 1.5× loading it); a conflict copy of it with 100
// memos written there only, merged and written (≤ 3× writing flower.dat
// once), and the time of one with 100 memos corrected on both machines.
// Both work on a copy of the data set in `scratch`.
Result bench_outside_change(const QString& dir, const QString& scratch, int reps);
Result bench_merge(const QString& dir, const QString& scratch, int reps);
Result bench_save_new(const QString& dir, int reps);
Result bench_filter(const QString& dir, int reps);
// The search window over every memo. Unfolded: against grep (1.0×) and
// also no slower than ripgrep; folded: against ripgrep (1.5×). `spelled`
// is the keyword as the memo files spell it, for grep and ripgrep. The
// event loop never waits longer than 20 ms.
struct SearchCase {
  QString name;
  QString keyword;
  QString spelled;
  bool folded = false;
};
Result bench_search(const QString& dir, const SearchCase& c, int reps);
// grep over the memo files: the anchor of the search cases (figures only).
Result bench_search_grep(const QString& dir, const QString& keyword, int reps);
// Marking the folded hits of a 100 KB body in the viewer's text box: ≤ 20 ms.
Result bench_highlight(const QString& dir, int reps);
Result bench_picture(const QString& dir, const QString& picture, int reps);
Result bench_startup(const QString& dir, const QString& empty_dir, int reps);
Result bench_memory(const QString& program, const QString& dir, const QString& empty_dir);
// 15000 picture lists of 1 to 6 paths, half of them missing, scanned by the
// picture check window; and 10000 missing pictures in 5000 lists re-pointed.
Result bench_picture_check(const QString& dir, int reps);
Result bench_repoint(const QString& dir, int reps);
// A ZIP backup of the memos and 2000 pictures (about 1 GB), with the peak
// growth of resident memory; and restoring it into a new folder.
Result bench_backup(const QString& dir, int reps);
Result bench_restore(const QString& dir, int reps);
// The seasons album over 3000 listed memos with 6000 pictures: its first
// screen with the thumbnail cache full (cold = false) or empty, the longest
// turn of the event loop while it opens and scrolls, the peak resident
// memory; and "この時期の記録" over every memo.
Result bench_album(const QString& dir, bool cold, int reps);
Result bench_season(const QString& dir, int reps);

// 60 photos dropped on the editor's picture list: until their titles are
// listed (the picture is shown after them).
Result bench_drop(const QString& dir, int reps);
// Up to 300 memos with two 4000 × 3000 photos each written to a PDF, against
// decoding those photos once at their printed size (1.5×); the resident
// memory grows by at most 150 MB.
Result bench_pdf(const QString& dir, int memos, int reps);

// The photo import: a camera folder of 2000 JPEGs scanned and grouped by
// day; and 100 day memos with 2000 pictures saved together.
Result bench_import_scan(const QString& dir, int reps);
Result bench_import_write(const QString& dir, int reps);
// 50 HEIC photos of 4032 × 3024 from one day imported as JPEG copies
// (scan, copies, the day's memo, the record of copies), against
// heif-convert run once per file (1.0×); the resident memory grows by at
// most 200 MB.
Result bench_import_heic(const QString& dir, int reps, bool full);

// Loads the data directory the way start-up does and prints the resident
// memory in kilobytes (run in a child process by bench_memory).
int print_resident_memory(const QString& dir);

}  // namespace bench
