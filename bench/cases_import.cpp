// The photo import's cases. import_scan: a folder of 2000 JPEGs of about
// 500 KB with EXIF shooting times over 60 days, grouped by day, against
// reading the first 64 KB of every file once; and the same folder opened
// from the ツール menu over the full diary: its first days listed, the
// whole folder listed (the time compared with the floor), the diary's
// pictures checked and the scan ended, the thumbnails on screen made, the
// longest turn of the event loop and the growth of the resident memory
// until then. import_write: 100 day memos with 2000
// pictures saved together, against writing the same memo and picture-list
// files once.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTableWidget>
#include <atomic>
#include <random>

#include "cases.h"
#include "exif_picture.h"
#include "main_window/main_form.h"
#include "main_window/tools_menu.h"
#include "measures.h"
#include "photo_import/f_import.h"
#include "store/diary/memo_index.h"
#include "store/files/codec.h"
#include "store/diary/memo_save.h"
#include "store/files/text_file.h"
#include "store/pictures/photo_import.h"
#include "support.h"

namespace bench {

namespace {

constexpr int kImportPhotos = 2000;
const QByteArray kTemplateTime = "2026:03:01 07:00:00";

// A photo of about 500 KB (noise does not compress) with the template's
// shooting time in its EXIF.
QByteArray template_photo(const QString& path) {
  QImage image(1024, 768, QImage::Format_RGB32);
  std::mt19937 random(20261209);
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) line[x] = random() | 0xFF000000U;
  }
  if (!image.save(path, "JPG", 75) || !testing_support::write_exif_time(path, QString::fromLatin1(kTemplateTime)) ||
      !testing_support::add_exif_thumbnail(path, image.scaled(320, 240))) {
    qFatal("import_scan: the template photo was not written");
  }
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) qFatal("import_scan: the template photo cannot be read");
  return f.readAll();
}

// The camera folder: copies of the template, each with its own time.
QString make_camera_folder(const QString& dir) {
  const QString root = dir + QStringLiteral("camera/");
  const QString folder = root + QStringLiteral("DCIM/");
  const QString marker = root + QStringLiteral("ready-1024x768-thumbnail-60-days");
  if (QFile::exists(marker)) return folder;
  QDir(root).removeRecursively();
  QDir().mkpath(folder);
  QByteArray photo = template_photo(root + QStringLiteral("template.jpg"));
  const qsizetype at = photo.indexOf(kTemplateTime);
  if (at < 0) qFatal("import_scan: no shooting time in the template photo");
  for (int i = 0; i < kImportPhotos; ++i) {
    // 60 days from March 1st, 33 or 34 photos on each.
    const QString taken = QDate(2026, 3, 1).addDays(i * 60 / kImportPhotos).toString(QStringLiteral("yyyy:MM:dd")) +
                          QStringLiteral(" %1:%2:00")
                              .arg(7 + i % 12, 2, 10, QLatin1Char('0'))
                              .arg(i % 60, 2, 10, QLatin1Char('0'));
    photo.replace(at, kTemplateTime.size(), taken.toLatin1());
    QFile f(folder + QStringLiteral("IMG_%1.JPG").arg(i, 5, 10, QLatin1Char('0')));
    if (!f.open(QIODevice::WriteOnly) || f.write(photo) != photo.size()) qFatal("import_scan: a photo was not written");
  }
  QFile(marker).open(QIODevice::WriteOnly);
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

struct WindowRun {
  double first_days_ms = -1;
  double grouped_ms = -1;   // every photo of the folder in the rows
  double ready_ms = -1;     // the diary checked too: the scan has ended
  double thumbnails_ms = -1;  // and the thumbnails on screen made
  double longest_gap_ms = 0;
  double memory_growth_mb = 0;
  int rows = 0;
};

// 写真の取り込み from the menu of the main window over the bench's diary,
// until the whole folder is listed.
WindowRun run_window(const QString& data, const QString& folder) {
  store::AppState state(data);
  SilentMessages messages;
  Main_form form(state, messages);
  form.Form_Load();
  form.tools().import_folder = [&](QWidget*, const QString&) { return folder; };
  WindowRun run;
  LoopWatch watch;
  QElapsedTimer t;
  form.run_modal = [&](QDialog& dialog) {
    auto& window = static_cast<F_import&>(dialog);
    window.show();
    spin_until([&] { return window.Grid1->rowCount() > 0 || !window.scanning(); });
    run.first_days_ms = ms_since(t);
    spin_until([&] { return window.listed_photos() >= kImportPhotos || !window.scanning(); });
    run.grouped_ms = ms_since(t);
    spin_until([&] { return !window.scanning(); });
    run.ready_ms = ms_since(t);
    // The thumbnails of the rows on screen, asked for once the scan ends,
    // count in the memory too.
    window.Grid1->viewport()->repaint();
    spin_until([&] { return !window.thumbnails_busy(); });
    run.thumbnails_ms = ms_since(t);
    run.rows = window.Grid1->rowCount();
    return QDialog::Rejected;
  };
  PeakGrowth memory;
  t.start();
  watch.start();
  form.tools().Menu_import->trigger();
  run.longest_gap_ms = watch.longest;
  watch.timer.stop();
  run.memory_growth_mb = static_cast<double>(memory.finish_kb()) / 1024.0;
  return run;
}

}  // namespace

Result bench_import_scan(const QString& dir, int reps) {
  Result r{QStringLiteral("import_scan"), 0, 0, 1.5, {}};
  const QString folder = make_camera_folder(dir);
  qputenv("XDG_CACHE_HOME", (dir + QStringLiteral("camera/cache")).toUtf8());
  read_heads(folder);
  std::vector<double> ours, scans, readies, thumbs, floors, firsts, gaps, growths;
  size_t days = 0;
  int rows = 0;
  for (int i = 0; i < reps; ++i) {
    const std::atomic_bool cancel{false};
    QElapsedTimer t;
    t.start();
    const store::ImportScan scan = store::scan_photo_folder(folder, store::KnownPictures{}, cancel);
    scans.push_back(ms_since(t));
    days = scan.days.size();
    floors.push_back(read_heads(folder));
    const WindowRun run = run_window(dir, folder);
    ours.push_back(run.grouped_ms);
    readies.push_back(run.ready_ms);
    thumbs.push_back(run.thumbnails_ms);
    firsts.push_back(run.first_days_ms);
    gaps.push_back(run.longest_gap_ms);
    growths.push_back(run.memory_growth_mb);
    rows = run.rows;
  }
  r.ours = median(ours);
  r.floor = median(floors);
  r.note = QStringLiteral("first_days_ms %1 longest_event_loop_gap_ms %2 memory_growth_mb %3 days %4 rows %5 photos %6 "
                          "store_scan_ms %7 diary_checked_ms %8 thumbnails_shown_ms %9")
               .arg(median(firsts), 0, 'f', 1)
               .arg(*std::max_element(gaps.begin(), gaps.end()), 0, 'f', 1)
               .arg(*std::max_element(growths.begin(), growths.end()), 0, 'f', 1)
               .arg(days)
               .arg(rows)
               .arg(kImportPhotos)
               .arg(median(scans), 0, 'f', 1)
               .arg(median(readies), 0, 'f', 1)
               .arg(median(thumbs), 0, 'f', 1);
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
    // The floor: the same picture lists and flower.dat written once, each
    // synced, and each folder synced once.
    const QString floor_dir = dir + QStringLiteral("import_floor/");
    QDir(floor_dir).removeRecursively();
    QDir().mkpath(floor_dir + QStringLiteral("memo"));
    t.restart();
    for (int d = 0; d < 100; ++d) {
      QStringList lines;
      for (const store::ImageEntry& e : memos[static_cast<size_t>(d)].images) lines << e.path << e.title;
      floor_write(floor_dir + QStringLiteral("memo/g%1.txt").arg(d + 1, 7, 10, QLatin1Char('0')),
                  store::join_lines_cp932(lines));
    }
    fsync_folder(floor_dir + QStringLiteral("memo"));
    floor_write(floor_dir + QStringLiteral("flower.dat"), state.memo_table.file_bytes());
    fsync_folder(floor_dir);
    floors.push_back(ms_since(t));
  }
  r.ours = median(ours);
  r.floor = median(floors);
  return r;
}

}  // namespace bench
