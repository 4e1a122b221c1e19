// The photo import's cases. import_scan: a folder of 2000 JPEGs with EXIF
// shooting times over 60 days, grouped by day, against reading the first
// 64 KB of every file once. import_write: 100 day memos with 2000 pictures
// saved together, against writing the same memo and picture-list files once.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <atomic>

#include "cases.h"
#include "exif_picture.h"
#include "store/diary/memo_index.h"
#include "store/diary/memo_save.h"
#include "store/files/text_file.h"
#include "store/pictures/photo_import.h"
#include "support.h"

namespace bench {

namespace {

constexpr int kImportPhotos = 2000;

QString make_camera_folder(const QString& dir) {
  const QString folder = dir + QStringLiteral("camera/DCIM/");
  QDir().mkpath(folder);
  for (int i = 0; i < kImportPhotos; ++i) {
    const QString path = folder + QStringLiteral("IMG_%1.JPG").arg(i, 5, 10, QLatin1Char('0'));
    if (QFile::exists(path)) continue;
    const QString taken = QStringLiteral("2026:%1:%2 %3:%4:00")
                              .arg(3 + i / 1000, 2, 10, QLatin1Char('0'))
                              .arg(1 + (i / 34) % 28, 2, 10, QLatin1Char('0'))
                              .arg(7 + i % 12, 2, 10, QLatin1Char('0'))
                              .arg(i % 60, 2, 10, QLatin1Char('0'));
    testing_support::write_exif_picture(path, taken);
  }
  return folder;
}

double read_heads(const QString& folder) {
  QElapsedTimer t;
  t.start();
  qint64 bytes = 0;
  for (const QString& name : QDir(folder).entryList(QDir::Files)) {
    QFile f(folder + name);
    if (f.open(QIODevice::ReadOnly)) bytes += f.read(64 * 1024).size();
  }
  if (bytes == 0) qFatal("import_scan: nothing read");
  return ms_since(t);
}

}  // namespace

Result bench_import_scan(const QString& dir, int reps) {
  Result r{QStringLiteral("import_scan"), 0, 0, 1.5, {}};
  const QString folder = make_camera_folder(dir);
  std::vector<double> ours, floors;
  size_t days = 0;
  for (int i = 0; i < reps; ++i) {
    const std::atomic_bool cancel{false};
    QElapsedTimer t;
    t.start();
    const store::ImportScan scan = store::scan_photo_folder(folder, {}, cancel);
    ours.push_back(ms_since(t));
    days = scan.days.size();
    floors.push_back(read_heads(folder));
  }
  r.ours = median(ours);
  r.floor = median(floors);
  r.note = QStringLiteral("days %1 photos %2").arg(days).arg(kImportPhotos);
  return r;
}

Result bench_import_write(const QString& dir, int reps) {
  Result r{QStringLiteral("import_write"), 0, 0, 1.5, {}};
  std::vector<double> ours, floors;
  for (int i = 0; i < reps; ++i) {
    const QString data = dir + QStringLiteral("import_write/");
    QDir(data).removeRecursively();
    QDir().mkpath(data + QStringLiteral("memo"));
    store::AppState state(data);
    state.location_list.names = {QStringLiteral("花壇")};
    state.variety_list.names = {QStringLiteral("バラ")};
    std::vector<store::MemoInput> memos;
    for (int d = 0; d < 100; ++d) {
      store::MemoInput m{QStringLiteral("2026/05/%1").arg(1 + d % 28, 2, 10, QLatin1Char('0')), QStringLiteral("花壇"),
                         QStringLiteral("バラ"), store::day_title(20), QString(), {}};
      for (int p = 0; p < 20; ++p) {
        m.images.push_back({QStringLiteral("/home/gardener/写真/2026/05/IMG_%1.JPG").arg(d * 20 + p, 5, 10, QLatin1Char('0')),
                            QStringLiteral("10:%1").arg(p, 2, 10, QLatin1Char('0'))});
      }
      memos.push_back(std::move(m));
    }
    QElapsedTimer t;
    t.start();
    if (!store::save_new_memos(state, memos).ok) qFatal("import_write: the memos were not saved");
    ours.push_back(ms_since(t));
    // The floor: the same picture lists and flower.dat written once.
    const QString floor_dir = dir + QStringLiteral("import_floor/");
    QDir(floor_dir).removeRecursively();
    QDir().mkpath(floor_dir + QStringLiteral("memo"));
    t.restart();
    for (int d = 0; d < 100; ++d) {
      QStringList lines;
      for (const store::ImageEntry& e : memos[static_cast<size_t>(d)].images) lines << e.path << e.title;
      store::write_text_lines(floor_dir + QStringLiteral("memo/g%1.txt").arg(d + 1, 7, 10, QLatin1Char('0')), lines);
    }
    store::save_memo_index(floor_dir + QStringLiteral("flower.dat"), state.memo_table);
    floors.push_back(ms_since(t));
  }
  r.ours = median(ours);
  r.floor = median(floors);
  return r;
}

}  // namespace bench
