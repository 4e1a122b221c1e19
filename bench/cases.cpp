#include "cases.h"
#include "support.h"

#include <QApplication>
#include <QComboBox>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include "main_window/main_form.h"
#include "main_window/memo_list_model.h"
#include "store/diary/category_list.h"
#include "store/diary/memo_files.h"
#include "store/diary/memo_filter.h"
#include "store/diary/memo_save.h"
#include "store/diary/outside_changes.h"
#include "store/files/codec.h"
#include "store/files/text_file.h"

namespace bench {

namespace {

// Results the floors compute are stored here so the compiler keeps the work.
volatile qint64 sink = 0;


// Times our operation and its floor in turns, so that whatever else the
// machine is doing weighs on both alike; each figure is the median.
void time_in_turns(Result& r, int reps, const std::function<void()>& ours, const std::function<void()>& floor,
                   const std::function<void()>& prepare = {}) {
  std::vector<double> ours_ms;
  std::vector<double> floor_ms;
  for (int i = 0; i < reps; ++i) {
    if (prepare) prepare();
    ours_ms.push_back(elapsed_ms(ours));
    floor_ms.push_back(elapsed_ms(floor));
  }
  r.ours = median(ours_ms);
  r.floor = median(floor_ms);
}

QByteArray read_all(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The adjacent-swap sort in its literal form, stopped after `limit_ms`.
// Returns the time taken, or a negative value when it did not finish.
double literal_sort_ms(std::vector<store::MemoRecord> table, double limit_ms) {
  QElapsedTimer timer;
  timer.start();
  auto pass = [&](auto key) {
    bool swapped = true;
    while (swapped) {
      swapped = false;
      for (size_t i = 0; i + 1 < table.size(); ++i) {
        if (QString::compare(key(table[i]), key(table[i + 1])) < 0) {
          std::swap(table[i], table[i + 1]);
          swapped = true;
        }
      }
      if (static_cast<double>(timer.elapsed()) > limit_ms) return false;
    }
    return true;
  };
  if (!pass([](const store::MemoRecord& r) -> const QString& { return r.created; })) return -1;
  if (!pass([](const store::MemoRecord& r) -> const QString& { return r.date; })) return -1;
  return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

}  // namespace

Result bench_load(const QString& dir, int reps) {
  Result r{QStringLiteral("load"), 0, 0, 3.0, {}};
  auto ours = [&] {
    store::AppState state(dir);
    store::load_memo_index(state.flower_dat_path(), state.memo_table, state.settings.highest_memo_no);
    store::load_category_list(state.basyo_dat_path(), state.location_list);
    store::load_category_list(state.hinsyu_dat_path(), state.variety_list);
    MemoListModel model(state.memo_table);
    std::vector<int> slots(state.memo_table.size());
    for (size_t i = 0; i < slots.size(); ++i) slots[i] = static_cast<int>(i) + 1;
    model.set_slots(std::move(slots));
  };
  auto floor = [&] {
    const QString text = store::decode_cp932(read_all(dir + QStringLiteral("flower.dat")));
    sink = text.size();
  };
  time_in_turns(r, reps, ours, floor);
  return r;
}

Result bench_save_new(const QString& dir, int reps) {
  Result r{QStringLiteral("save_new"), 0, 0, 1.5, {}};
  store::AppState loaded(dir);
  store::load_memo_index(loaded.flower_dat_path(), loaded.memo_table, loaded.settings.highest_memo_no);
  store::load_category_list(loaded.basyo_dat_path(), loaded.location_list);
  store::load_category_list(loaded.hinsyu_dat_path(), loaded.variety_list);
  const QByteArray original = read_all(loaded.flower_dat_path());
  // One memo fewer than the data set, so that the new one fits.
  loaded.memo_table.pop_back();
  const store::MemoInput input{QStringLiteral("2018/06/15"), loaded.location_list.names.first(),
                               loaded.variety_list.names.first(), QStringLiteral("ベンチマークのメモ"),
                               QStringLiteral("本文\r\n二行目"), {}};
  store::AppState state(dir);
  // Like a table loaded at start-up, the table has room for new memos.
  state.memo_table.reserve(loaded.memo_table.size() + 1);
  time_in_turns(
      r, reps, [&] { store::save_memo(state, input, 0); },
      // Saving a memo durably cannot do less than write its body file and
      // flower.dat, sync both and sync a folder once.
      [&] {
        floor_write(store::memo_body_path(dir, QStringLiteral(" 99999 ")), store::join_lines_cp932({input.body}));
        floor_write(state.flower_dat_path(), state.memo_table.file_bytes());
        fsync_folder(dir);
      },
      [&] {
        state.memo_table = loaded.memo_table;
        state.settings = loaded.settings;
        state.EditMode.clear();
        // As start-up leaves it: the index files remembered.
        store::remember_index_files(state);
      });

  std::vector<store::MemoRecord> with_new(loaded.memo_table.begin(), loaded.memo_table.end());
  with_new.push_back({input.date, input.location, input.variety, input.title, QStringLiteral(" 99999 "),
                      QStringLiteral("2026/12/08 12:00:00"), QStringLiteral("2026/12/08 12:00:00")});
  const double literal = literal_sort_ms(with_new, 60000);
  r.note = QStringLiteral("durable_save_ms %1 literal_adjacent_swap_sort_ms ").arg(r.ours, 0, 'f', 2) +
           (literal < 0 ? QStringLiteral("> 60000") : QString::number(literal, 'f', 1));
  store::write_file_bytes(loaded.flower_dat_path(), original);
  QFile::remove(store::memo_body_path(dir, QStringLiteral(" 99999 ")));
  return r;
}

Result bench_filter(const QString& dir, int reps) {
  Result r{QStringLiteral("filter"), 0, 0, 5.0, {}};
  Window w(dir);
  const QString location = w.state.location_list.names.value(0);
  auto ours = [&] {
    w.form.Combo1->setEditText(location);
    w.form.refresh_memo_list();
    w.form.reset_memo_list();
  };
  // Comparing the stored bytes of each memo's location with the filter's.
  const store::FieldKey key(location);
  const store::MemoTable& table = w.state.memo_table;
  auto floor = [&] {
    int passing = 0;
    for (size_t i = 0; i < table.size(); ++i) passing += table.field_is(i, store::MemoField::Location, key) ? 1 : 0;
    sink = passing;
  };
  time_in_turns(r, reps, ours, floor);
  r.note = QStringLiteral("limit_ms 20");
  return r;
}

Result bench_picture(const QString& dir, const QString& picture, int reps) {
  Result r{QStringLiteral("picture"), 0, 0, 0.35, {}};
  Window w(dir);
  time_in_turns(
      r, reps, [&] { w.form.show_memo_picture(1); },
      [&] {
        QImageReader reader(picture);
        const QImage full = reader.read();
        sink = full.width();
      },
      [&] { w.state.current_images = {{picture, QStringLiteral("大きな写真")}}; });
  return r;
}

Result bench_startup(const QString& dir, const QString& empty_dir, int reps) {
  Result r{QStringLiteral("startup"), 0, 0, 1.5, {}};
  auto start = [](const QString& where) {
    Window w(where);
    w.form.show_restored();
    QCoreApplication::processEvents();
  };
  time_in_turns(r, reps, [&] { start(dir); }, [&] { start(empty_dir); });
  return r;
}

namespace {

qint64 resident_kb() {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n')) {
    if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLongLong();
  }
  return -1;
}

}  // namespace

int print_resident_memory(const QString& dir) {
  Window w(dir);
  w.form.show_restored();
  QCoreApplication::processEvents();
  std::printf("%lld\n", static_cast<long long>(resident_kb()));
  return 0;
}

Result bench_memory(const QString& program, const QString& dir, const QString& empty_dir) {
  Result r{QStringLiteral("memory"), 0, 0, 3.0, {}};
  auto probe = [&](const QString& where) {
    QProcess child;
    child.start(program, {QStringLiteral("--resident-memory"), where});
    child.waitForFinished(120000);
    return child.readAllStandardOutput().trimmed().toDouble();
  };
  const double full = probe(dir);
  const double empty = probe(empty_dir);
  const double dat_kb = static_cast<double>(QFileInfo(dir + QStringLiteral("flower.dat")).size()) / 1024.0;
  // For this case the figures are kilobytes: memory added by the memos
  // against the size of flower.dat.
  r.ours = full - empty;
  r.floor = dat_kb;
  r.note = QStringLiteral("(kilobytes: resident added by the memos, flower.dat size; with memos %1 kB, empty %2 kB)")
               .arg(full, 0, 'f', 0)
               .arg(empty, 0, 'f', 0);
  return r;
}

}  // namespace bench
