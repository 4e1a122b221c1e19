#pragma once
// The two machines' running diaries in their data folders A/ and B/: what
// the user does on each while they are apart, through the store's own
// functions, and what must hold once they have met and merged.

#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>
#include <array>
#include <memory>

#include "diary_model.h"
#include "random_edits.h"
#include "store/diary/app_state.h"
#include "store/diary/memo_save.h"

namespace synctest {

class TwoDiaries {
 public:
  struct Side {
    int index = 0;
    QString name;  // "A" or "B"
    QString dir;   // ends in "/"
    std::unique_ptr<store::AppState> state;
  };

  // The folders root/A/ and root/B/ (made here).
  explicit TwoDiaries(const QString& root);
  bool folders_made() const { return folders_made_; }
  Side& side(int i) { return sides_[static_cast<size_t>(i)]; }
  QString folder(int i) const { return sides_[static_cast<size_t>(i)].dir; }

  // Starts the diary of one side as the program does. "" or why not.
  QString start(int i);
  // Every conflict copy now in either folder outside 同期の競合 is noted,
  // with its bytes, to be looked for after the merge.
  void note_copies();

  // Both sides apart: the first side (chosen at random) does a few random
  // things, then the second, which now and then also corrects or deletes
  // what the first corrected or deleted and adds a name the first added.
  // Returns "" or what was refused; log() lists what was done.
  QString edit_while_apart(RandomEdits& edits, RoundModel& model);
  const QStringList& log() const { return log_; }

  // Everything that is not as it must be once both sides have merged.
  QStringList round_faults(const RoundModel& model) const;
  // Where a running diary's memory differs from its own files.
  QStringList memory_faults() const;

 private:
  QString make_memo(RandomEdits& edits, RoundModel& model, Side& side);
  QString correct_memo(RandomEdits& edits, RoundModel& model, Side& side, int slot);
  QString delete_memo(RoundModel& model, Side& side, int slot);
  QString add_name(Side& side, bool location, const QString& name);
  QString follow_first(RandomEdits& edits, RoundModel& model, int first, Side& side);
  void note_names(const store::MemoInput& in);

  std::array<Side, 2> sides_;
  bool folders_made_ = false;
  StampClock clock_;
  // Every conflict copy seen outside 同期の競合: its path and bytes.
  QMap<QString, QByteArray> copies_seen_;
  // Every category name either side held or added: locations, varieties.
  QSet<QString> names_[2];
  // The names the first side added this round: location?, name.
  QList<std::pair<bool, QString>> first_names_;
  QStringList log_;
};

}  // namespace synctest
