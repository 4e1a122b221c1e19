#pragma once
// What the user wrote on the two machines during one round apart, and what
// both diaries must hold once the sync tool and the merge are through.

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "store/diary/app_state.h"

namespace synctest {

// A memo as the user recognises it: when it was made, what it says and
// its pictures. The memo number is left out: a merge may renumber.
struct Memo {
  QString created;
  QString date;
  QString location;
  QString variety;
  QString title;
  QString body;
  std::vector<store::ImageEntry> images;
  QString corrected;  // not compared: decides which of two versions keeps its title
  bool same_as(const Memo& o) const {
    return created == o.created && date == o.date && location == o.location && variety == o.variety &&
           title == o.title && body == o.body && images == o.images;
  }
  QString describe() const;
};

// The memos of a data folder as its files hold them, with their numbers.
struct DiskMemo {
  qint64 no = 0;
  Memo memo;
};
std::vector<DiskMemo> read_disk_memos(const QString& data_dir, QStringList& problems);
// The memos a running diary holds in memory.
std::vector<Memo> memory_memos(const store::AppState& state);

// The title the merge gives the other machine's version of a memo changed
// on both: the title with 「（別の端末の版）」 once.
QString other_version_title(const QString& title);

// One round: the memos both machines agreed on when they went apart, plus
// the memos each machine made meanwhile, with what each machine did to them.
class RoundModel {
 public:
  enum class Fate { Untouched, Corrected, Deleted };

  // The memos both folders held at the start of the round, by number.
  explicit RoundModel(const std::vector<DiskMemo>& agreed);

  // The model's id of the memo a side holds under this number (the number
  // it had on that side when the round started or when it was made), or -1.
  int id_of(int side, qint64 no) const;
  int agreed_count() const { return agreed_count_; }
  const Memo& original(int id) const { return memos_[static_cast<size_t>(id)].original; }
  Fate fate(int id, int side) const { return memos_[static_cast<size_t>(id)].fate[side]; }

  void made(int side, qint64 no, const Memo& memo);
  void corrected(int side, int id, const Memo& memo);
  void deleted(int side, int id);

  // The memos both diaries must hold after the merge, each once:
  //  - untouched on both: as it was;
  //  - corrected on one side only (the other left it or deleted it): that
  //    version; a correction brings a memo deleted on the other side back;
  //  - deleted on one side and untouched or deleted on the other: none;
  //  - corrected on both: both versions; the later correction keeps its
  //    title, the earlier one is titled as the other machine's version;
  //  - made on one side: its last version there, unless deleted there.
  std::vector<Memo> expected() const;

 private:
  struct Tracked {
    Memo original;
    Fate fate[2] = {Fate::Untouched, Fate::Untouched};
    std::optional<Memo> version[2];
    int maker = -1;  // the side that made it this round, -1 for an agreed memo
  };
  std::vector<Tracked> memos_;
  std::vector<std::pair<qint64, int>> numbers_[2];  // number -> id, per side
  int agreed_count_ = 0;
};

// Lines naming the memos missing from `actual` and those it holds beyond
// `expected` (each memo counted as often as it appears). Empty when both
// hold the same memos the same number of times.
QStringList compare_memos(const std::vector<Memo>& expected, const std::vector<Memo>& actual);

}  // namespace synctest
