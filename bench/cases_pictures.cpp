// The picture check cases: scanning every memo's picture list for missing
// files, and re-pointing a folder of missing pictures.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <algorithm>
#include <random>
#include <sys/stat.h>

#include "cases.h"
#include "support.h"
#include "main_window/main_form.h"
#include "picture_check/f_syozai.h"
#include "store/diary/memo_files.h"
#include "store/diary/memo_index.h"
#include "store/files/codec.h"
#include "store/files/text_file.h"
#include "store/pictures/picture_check.h"
#include "store/pictures/picture_repoint.h"

namespace bench {

namespace {

volatile qint64 picture_sink = 0;


// The data directory of the case: the memos of `dir`, and picture lists for
// `lists` of them with 1 to 6 paths each, about half of them missing (in
// Windows folders), the rest naming files that exist.
QString picture_data(const QString& dir, const QString& root, int lists, int max_paths, bool all_missing,
                     std::vector<store::CheckedMemo>& memos) {
  const QString data = root + QStringLiteral("data/");
  QDir(root).removeRecursively();
  QDir().mkpath(data + QStringLiteral("memo"));
  QDir().mkpath(root + QStringLiteral("photos/2019"));
  QFile::copy(dir + QStringLiteral("flower.dat"), data + QStringLiteral("flower.dat"));
  store::AppState state(data);
  qint64 highest = 0;
  store::load_memo_index(state.flower_dat_path(), state.memo_table, highest);
  memos = store::memos_to_check(state.memo_table);
  std::mt19937 random(7);
  std::uniform_int_distribution<int> paths(1, max_paths);
  const QString photos = root + QStringLiteral("photos/2019/");
  int picture = 0;
  for (int m = 0; m < lists && m < static_cast<int>(memos.size()); ++m) {
    std::vector<store::ImageEntry> images;
    for (int p = paths(random); p > 0; --p, ++picture) {
      const QString name = QStringLiteral("IMG_%1.JPG").arg(picture, 5, 10, QLatin1Char('0'));
      const bool missing = all_missing || picture % 2 == 0;
      if (!missing || all_missing) {
        QFile f(photos + name);
        f.open(QIODevice::WriteOnly);
      }
      images.push_back({missing ? QStringLiteral("C:\\Users\\hanako\\Pictures\\2019\\") + name : photos + name,
                        QStringLiteral("写真%1").arg(picture)});
    }
    store::save_image_list(data, memos[static_cast<size_t>(m)].memo_no, images);
  }
  return data;
}

}  // namespace

Result bench_picture_check(const QString& dir, int reps) {
  Result r{QStringLiteral("picture_check"), 0, 0, 1.5, {}};
  const QString root = QDir(dir).filePath(QStringLiteral("../picture_check")) + QLatin1Char('/');
  std::vector<store::CheckedMemo> memos;
  const QString data = picture_data(dir, root, 15000, 6, false, memos);

  // Ours: the window's scan, from the menu to the result on screen, while
  // a zero-interval timer measures the longest turn of the event loop.
  store::AppState state(data);
  qint64 highest = 0;
  store::load_memo_index(state.flower_dat_path(), state.memo_table, highest);
  SilentMessages messages;
  Main_form form(state, messages);
  double longest_gap = 0;
  std::vector<double> ours;
  std::vector<double> floor;
  for (int i = 0; i < reps; ++i) {
    {
      F_syozai check(state, messages, form);
      QElapsedTimer total;
      QElapsedTimer turn;
      total.start();
      turn.start();
      QTimer turns;
      QObject::connect(&turns, &QTimer::timeout, [&] {
        longest_gap = std::max(longest_gap, ms_since(turn));
        turn.restart();
      });
      turns.start(0);
      check.start_scan();
      while (check.busy()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
      ours.push_back(ms_since(total));
      picture_sink = static_cast<qint64>(check.groups().size());
    }
    // The floor: read each picture list and test each path once.
    QElapsedTimer t;
    t.start();
    qint64 found = 0;
    for (const store::CheckedMemo& m : memos) {
      QFile f(store::memo_images_path(data, m.memo_no));
      if (!f.open(QIODevice::ReadOnly)) continue;
      const QList<QByteArray> lines = f.readAll().split('\n');
      for (qsizetype l = 0; l < lines.size(); l += 2) {
        const QByteArray path = QFile::encodeName(store::decode_cp932(lines[l].chopped(lines[l].endsWith('\r'))));
        struct stat st {};
        found += ::stat(path.constData(), &st) == 0 ? 1 : 0;
      }
    }
    picture_sink = found;
    floor.push_back(ms_since(t));
  }
  r.ours = median(ours);
  r.floor = median(floor);
  r.note = QStringLiteral("longest_event_loop_gap_ms %1").arg(longest_gap, 0, 'f', 1);
  return r;
}

Result bench_repoint(const QString& dir, int reps) {
  Result r{QStringLiteral("repoint"), 0, 0, 1.5, {}};
  const QString root = QDir(dir).filePath(QStringLiteral("../repoint")) + QLatin1Char('/');
  std::vector<store::CheckedMemo> memos;
  // 5000 lists of exactly 2 paths: 10000 pictures.
  const QString data = picture_data(dir, root, 5000, 2, true, memos);
  // A small data set (the smoke test) has fewer lists.
  const int lists = std::min(5000, static_cast<int>(memos.size()));
  for (int m = 0; m < lists; ++m) {
    const store::ImageListResult list = store::read_image_list(data, memos[static_cast<size_t>(m)].memo_no);
    if (list.images.size() == 1) {
      std::vector<store::ImageEntry> two = list.images;
      two.push_back(list.images.front());
      store::save_image_list(data, memos[static_cast<size_t>(m)].memo_no, two);
    }
  }
  const std::atomic_bool go_on{false};
  const store::PictureScan scan = store::scan_pictures(data, memos, go_on);
  const store::RepointRequest request{QStringLiteral("C:\\Users\\hanako\\Pictures\\"), root + QStringLiteral("photos"),
                                      false};
  std::vector<QByteArray> contents;
  for (int m = 0; m < lists; ++m) {
    QFile f(store::memo_images_path(data, memos[static_cast<size_t>(m)].memo_no));
    f.open(QIODevice::ReadOnly);
    contents.push_back(f.readAll());
  }
  std::vector<double> ours;
  std::vector<double> floor;
  int written = 0;
  for (int i = 0; i < reps; ++i) {
    store::FileJournal journal(data);
    QElapsedTimer t;
    t.start();
    const store::RepointPlan plan = store::plan_repoint(scan, request, go_on);
    const store::RepointWrite done = store::write_repoint(data, memos, scan, plan, journal);
    ours.push_back(ms_since(t));
    written = done.pictures;
    // The floor, which also puts the lists back: rewrite each of those files
    // once, durably, and sync their folder once.
    t.restart();
    for (int m = 0; m < lists; ++m) {
      floor_write(store::memo_images_path(data, memos[static_cast<size_t>(m)].memo_no), contents[static_cast<size_t>(m)]);
    }
    fsync_folder(data + QStringLiteral("memo"));
    floor.push_back(ms_since(t));
  }
  r.ours = median(ours);
  r.floor = median(floor);
  r.note = QStringLiteral("pictures_repointed %1 of %2").arg(written).arg(scan.missing.size());
  return r;
}

}  // namespace bench
