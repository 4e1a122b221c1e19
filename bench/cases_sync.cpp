// A diary kept in a sync tool: the other machine's flower.dat arriving
// while the program runs, and a conflict copy of it merged back.

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <unistd.h>

#include "cases.h"
#include "main_window/memo_list_model.h"
#include "store/diary/category_list.h"
#include "store/diary/field_formats.h"
#include "store/diary/memo_files.h"
#include "store/diary/memo_index.h"
#include "store/diary/outside_changes.h"
#include "store/files/codec.h"
#include "store/files/text_file.h"
#include "store/sync/disk_sync.h"
#include "support.h"

namespace bench {

namespace {

QByteArray read_all(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A data folder of its own for one repetition: the index files copied and
// the memo folder's files hard-linked (every write replaces a file by a
// rename, so the data set itself is never changed).
QString scratch_copy(const QString& dir, const QString& into) {
  QDir(into).removeRecursively();
  QDir().mkpath(into + QStringLiteral("/memo"));
  for (const char* name : {"flower.dat", "basyo.dat", "hinsyu.dat", "flower.ini"}) {
    QFile::copy(dir + QLatin1String(name), into + QLatin1Char('/') + QLatin1String(name));
  }
  QDirIterator it(dir + QStringLiteral("memo"), QDir::Files);
  while (it.hasNext()) {
    const QString from = it.next();
    const QString to = into + QStringLiteral("/memo/") + it.fileName();
    if (::link(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0) QFile::copy(from, to);
  }
  // The sixty thousand new names reach the disk before anything is timed.
  ::sync();
  return into + QLatin1Char('/');
}

// What start-up leaves: the tables loaded and the files remembered.
void load(store::AppState& state) {
  store::load_memo_index(state.flower_dat_path(), state.memo_table, state.settings.highest_memo_no);
  store::load_category_list(state.basyo_dat_path(), state.location_list);
  store::load_category_list(state.hinsyu_dat_path(), state.variety_list);
  store::remember_index_files(state);
}

void list_all(const store::AppState& state) {
  MemoListModel model(state.memo_table);
  std::vector<int> slots(state.memo_table.size());
  for (size_t i = 0; i < slots.size(); ++i) slots[i] = static_cast<int>(i) + 1;
  model.set_slots(std::move(slots));
}

// Replaces the file as a sync tool does: a temporary file renamed over it.
void deliver(const QString& path, const QByteArray& bytes) {
  const QString tmp = path + QStringLiteral(".syncthing.tmp");
  QFile f(tmp);
  if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) qFatal("cannot write %s", qPrintable(tmp));
  f.close();
  if (::rename(QFile::encodeName(tmp).constData(), QFile::encodeName(path).constData()) != 0) qFatal("rename failed");
}

}  // namespace

Result bench_outside_change(const QString& dir, const QString& scratch, int reps) {
  Result r{QStringLiteral("outside_change"), 0, 0, 1.5, {}};
  const QString data = scratch_copy(dir, scratch);
  const QByteArray original = read_all(data + QStringLiteral("flower.dat"));
  const QByteArray one_more =
      store::join_lines_cp932({QStringLiteral("2026/12/10"), QStringLiteral("温室"), QStringLiteral("トマト"),
                               QStringLiteral("向こうで書いたメモ"), QStringLiteral(" 99999 "),
                               QStringLiteral("2026/12/10 10:00:00"), QStringLiteral("2026/12/10 10:00:00")}) +
      original;
  const int memos_after = static_cast<int>(original.count('\n') / 7 + 1);
  std::unique_ptr<store::AppState> state;
  // Times by position: [0] when timed first after the set-up, [1] second.
  std::vector<double> ours_at[2];
  std::vector<double> floor_at[2];
  for (int i = 0; i < reps; ++i) {
    std::vector<double>& ours = ours_at[i % 2];
    std::vector<double>& floor = floor_at[1 - i % 2];
    deliver(data + QStringLiteral("flower.dat"), original);
    state = std::make_unique<store::AppState>(data);
    load(*state);
    // The running program looked through its folders once after start-up.
    store::sync_with_disk(*state);
    auto time_ours = [&] {
      // Until the list holds the new memo.
      deliver(data + QStringLiteral("flower.dat"), one_more);
      ours.push_back(elapsed_ms([&] {
        const store::DiskSync sync = store::sync_with_disk(*state);
        if (!sync.memos_changed || state->memo_count() != memos_after) {
          qFatal("outside_change: the new memo was not taken in");
        }
        list_all(*state);
      }));
    };
    // The floor: loading that flower.dat at start-up, as freshly written.
    auto time_floor = [&] {
      deliver(data + QStringLiteral("flower.dat"), one_more);
      floor.push_back(elapsed_ms([&] {
        store::AppState fresh(data);
        store::load_memo_index(fresh.flower_dat_path(), fresh.memo_table, fresh.settings.highest_memo_no);
        store::load_category_list(fresh.basyo_dat_path(), fresh.location_list);
        store::load_category_list(fresh.hinsyu_dat_path(), fresh.variety_list);
        list_all(fresh);
      }));
    };
    // Whichever runs first after the set-up is slower by a few
    // milliseconds (caches emptied by it): the order alternates.
    if (i % 2 == 0) {
      time_ours();
      time_floor();
    } else {
      time_floor();
      time_ours();
    }
  }
  // Each figure is the mean of its medians in both positions. With one
  // repetition the floor ran second only, so one position may be empty.
  auto both = [](std::vector<double> (&at)[2]) {
    if (at[0].empty()) return median(at[1]);
    if (at[1].empty()) return median(at[0]);
    return (median(at[0]) + median(at[1])) / 2;
  };
  r.ours = both(ours_at);
  r.floor = both(floor_at);
  QDir(scratch).removeRecursively();
  return r;
}

namespace {

// One merge of a conflict copy of flower.dat that differs from the diary in
// 100 memos, on a fresh copy of the data set. `corrected`: 100 memos
// corrected on the other machine too (kept twice, their files copied);
// otherwise 100 memos written there only, their files already delivered.
// Returns the times of the merge and of writing flower.dat once.
std::pair<double, double> time_merge(const QString& dir, const QString& scratch, bool corrected, int* merged) {
  const QString data = scratch_copy(dir, scratch);
  store::AppState state(data);
  load(state);
  store::MemoTable theirs = state.memo_table;
  const size_t step = std::max<size_t>(1, theirs.size() / 100);
  for (size_t k = 0; k < 100 && k * step < theirs.size(); ++k) {
    store::MemoRecord m = theirs[k * step];
    if (corrected) {
      m.title += QStringLiteral("（向こうで直した）");
      m.corrected = QStringLiteral("2026/12/10 10:00:00");
      theirs.replace(k * step, m);
    } else {
      m.memo_no = store::format_number_field(static_cast<qint64>(100000 + k));
      m.title = QStringLiteral("向こうで書いたメモ %1").arg(k);
      m.created = m.corrected = QStringLiteral("2026/12/10 10:%1:00").arg(k % 60, 2, 10, QLatin1Char('0'));
      theirs.push_back(m);
      deliver(store::memo_body_path(data, m.memo_no), store::join_lines_cp932({QStringLiteral("向こうの本文")}));
    }
  }
  theirs.sort_display_order();
  deliver(data + QStringLiteral("flower.sync-conflict-20261210-100000-ABCDEFG.dat"), theirs.file_bytes());
  ::sync();
  const double ours = elapsed_ms([&] {
    const store::DiskSync sync = store::sync_with_disk(state);
    if (!sync.ok) qFatal("merge: %s", qPrintable(sync.message));
    *merged = static_cast<int>(sync.merged.size());
  });
  const double floor =
      elapsed_ms([&] { store::write_file_bytes(state.flower_dat_path(), state.memo_table.file_bytes()); });
  return {ours, floor};
}

}  // namespace

Result bench_merge(const QString& dir, const QString& scratch, int reps) {
  Result r{QStringLiteral("merge"), 0, 0, 3.0, {}};
  std::vector<double> ours;
  std::vector<double> floor;
  std::vector<double> twice;
  int added = 0;
  int kept_twice = 0;
  for (int i = 0; i < reps; ++i) {
    const auto [merge, write] = time_merge(dir, scratch, false, &added);
    ours.push_back(merge);
    floor.push_back(write);
    twice.push_back(time_merge(dir, scratch, true, &kept_twice).first);
  }
  r.ours = median(ours);
  r.floor = median(floor);
  r.note = QStringLiteral("memos_added_back %1 kept_twice_100_ms %2").arg(added).arg(median(twice), 0, 'f', 1);
  r.extra_ok = added == 100 && kept_twice == 100;
  QDir(scratch).removeRecursively();
  return r;
}

}  // namespace bench
