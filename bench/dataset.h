#pragma once
// A deterministic synthetic data directory for the benchmark.

#include <QString>

namespace bench {

struct DatasetInfo {
  int memos = 0;
  qint64 flower_dat_bytes = 0;
  qint64 body_bytes = 0;
  int picture_entries = 0;
  QString hit_word;    // found in about 1% of the memos
  QString miss_word;   // found nowhere
  QString big_picture;  // a 4000 × 3000 JPEG
};

// Writes flower.dat, basyo.dat (60 names), hinsyu.dat (250 names), a body
// file per memo (200 to 3000 characters) and 0 to 4 picture entries per
// memo into `dir` (ending in "/"). The same arguments give the same bytes.
DatasetInfo make_dataset(const QString& dir, int memos);

// The same, but a data set this function finished earlier in `dir` with the
// same number of memos is used as it is.
DatasetInfo prepare_dataset(const QString& dir, int memos);

}  // namespace bench
