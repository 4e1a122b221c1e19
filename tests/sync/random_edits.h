#pragma once
// Random but reproducible things a gardener types: memos, corrections and
// category names, all in characters windows-31j holds. And the clock the
// two machines' stamps are taken from.

#include <QDateTime>
#include <QSet>
#include <QString>
#include <random>

#include "diary_model.h"
#include "store/diary/memo_save.h"

namespace synctest {

class RandomEdits {
 public:
  explicit RandomEdits(unsigned seed) : rng_(seed) {}

  int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
  bool chance(int percent) { return below(100) < percent; }

  // A name no list holds yet ("南の花壇12").
  QString fresh_name(bool location);
  // A new memo; its location and variety are now and then new names.
  store::MemoInput new_memo(const store::AppState& state);
  // A correction of the memo: the body always changes, the title, the
  // pictures, the date and the location sometimes.
  store::MemoInput correction(const store::AppState& state, const Memo& current);

 private:
  QString text(int min_len, int max_len);
  QString date();
  std::vector<store::ImageEntry> pictures();
  QString body();
  QString existing_or_fresh(const store::CategoryList& list, bool location);

  std::mt19937 rng_;
  int serial_ = 0;
};

// Real time, as each machine's clock gives it, except that a stamp taken on
// one side never falls in a second the other side has stamped: two memos
// made in the same second under the same number would be one memo to the
// merge, and of two corrections of one memo the later must be known.
class StampClock {
 public:
  QDateTime take(int side);

 private:
  QSet<qint64> seconds_[2];
};

}  // namespace synctest
