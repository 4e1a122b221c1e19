// import_heic: 50 iPhone-sized HEIC photos (4032 × 3024) of one day brought
// in as the photo import does it: the folder scanned, the JPEG copies
// written all or nothing, the day's memo saved with the copies in its
// picture list and the record of copies written. The floor is
// `heif-convert in.heic out.jpg` run once per file, one after the other, as
// a user's shell loop would, at its default quality. Also the peak growth of
// the resident memory over our import.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QProcess>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>

#include "cases.h"
#include "exif_picture.h"
#include "measures.h"
#include "store/convert/import_copies.h"
#include "store/diary/app_state.h"
#include "store/diary/memo_save.h"
#include "store/pictures/content_key.h"
#include "store/pictures/copy_records.h"
#include "store/pictures/photo_import.h"
#include "support.h"

namespace bench {

namespace {

// The photos: 50 of an iPhone's size, or, for a quick check of the case
// itself (a small --memos), three small ones.
struct Shape {
  int photos;
  int variants;
  int width;
  int height;
};
constexpr Shape kFull{50, 5, 4032, 3024};
constexpr Shape kQuick{3, 3, 320, 240};
Shape shape = kFull;
const QByteArray kDayTime = "2026:05:10 07:00:00";

// A photo-like picture: soft gradients, a few round shapes and grain, each
// variant laid out differently, so that the encoder has real work.
QImage photo_like(int variant) {
  QImage image(shape.width, shape.height, QImage::Format_RGB32);
  quint32 grain = 2654435761U * static_cast<quint32>(variant + 1);
  const double cx = shape.width * (0.3 + 0.1 * variant), cy = shape.height * (0.6 - 0.05 * variant);
  for (int y = 0; y < shape.height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < shape.width; ++x) {
      grain = grain * 1664525U + 1013904223U;
      const int noise = static_cast<int>(grain >> 28) - 8;
      const double d = std::hypot(x - cx, y - cy) / shape.height;
      const double leaf = 0.5 + 0.5 * std::sin(x * 0.013 + y * 0.007 * (variant + 1) + d * 9);
      const int r = static_cast<int>(60 + 120.0 * x / shape.width + 40 * leaf * (d < 0.4)) + noise;
      const int g = static_cast<int>(90 + 110 * leaf - 60 * d) + noise;
      const int b = static_cast<int>(40 + 150.0 * y / shape.height * (1 - leaf / 2)) + noise;
      line[x] = qRgb(std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255));
    }
  }
  return image;
}

// Runs the commands, two at a time (the machine's cores), until all end.
bool run_all(const QList<QStringList>& commands) {
  QList<QProcess*> running;
  qsizetype next = 0;
  bool ok = true;
  while (next < commands.size() || !running.isEmpty()) {
    while (running.size() < 2 && next < commands.size()) {
      auto* p = new QProcess;
      p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
      p->setStandardOutputFile(QProcess::nullDevice());
      p->start(commands[next].first(), commands[next].mid(1));
      ++next;
      running << p;
    }
    QProcess* first = running.takeFirst();
    ok = first->waitForFinished(-1) && first->exitStatus() == QProcess::NormalExit && first->exitCode() == 0 && ok;
    delete first;
  }
  return ok;
}

// The folder of HEIC photos, made once and kept with a marker file.
QString make_heic_folder(const QString& dir) {
  // Each shape in a folder of its own, so that a quick run does not throw
  // away the full photos.
  const QString root = dir + (shape.photos == kFull.photos ? QStringLiteral("heic/") : QStringLiteral("heic-quick/"));
  const QString folder = root + QStringLiteral("DCIM/");
  const QString marker =
      root + QStringLiteral("ready-%1x%2-%3-one-day").arg(shape.width).arg(shape.height).arg(shape.photos);
  if (QFile::exists(marker)) return folder;
  QDir(root).removeRecursively();
  QDir().mkpath(folder);
  QDir().mkpath(root + QStringLiteral("sources"));
  std::printf("making %d HEIC photos of %dx%d with heif-enc (once)\n", shape.photos, shape.width, shape.height);
  std::fflush(stdout);
  QList<QStringList> commands;
  for (int v = 0; v < shape.variants; ++v) {
    const QString path = root + QStringLiteral("sources/variant%1.jpg").arg(v);
    if (!photo_like(v).save(path, "JPG", 92) || !testing_support::write_exif_time(path, QString::fromLatin1(kDayTime))) {
      qFatal("import_heic: a source photo was not written");
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) qFatal("import_heic: a source photo cannot be read");
    QByteArray bytes = f.readAll();
    const qsizetype at = bytes.indexOf(kDayTime);
    if (at < 0) qFatal("import_heic: no shooting time in the source photo");
    for (int i = v; i < shape.photos; i += shape.variants) {
      // One day, a photo every few minutes from seven o'clock.
      bytes.replace(at, kDayTime.size(),
                    QStringLiteral("2026:05:10 %1:%2:00").arg(7 + i / 12, 2, 10, QLatin1Char('0')).arg(i % 12 * 5, 2, 10, QLatin1Char('0')).toLatin1());
      const QString source = root + QStringLiteral("sources/IMG_%1.jpg").arg(1000 + i);
      QFile out(source);
      if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size()) qFatal("import_heic: a source was not written");
      commands << QStringList{QStringLiteral("heif-enc"), QStringLiteral("-o"),
                              folder + QStringLiteral("IMG_%1.HEIC").arg(1000 + i), source};
    }
  }
  if (!run_all(commands)) qFatal("import_heic: heif-enc failed (is libheif-examples installed?)");
  QDir(root + QStringLiteral("sources")).removeRecursively();
  QFile(marker).open(QIODevice::WriteOnly);
  return folder;
}

// The floor: heif-convert once per file, one after the other.
double convert_with_heif_convert(const QStringList& heics, const QString& out) {
  QDir(out).removeRecursively();
  QDir().mkpath(out);
  QElapsedTimer t;
  t.start();
  for (const QString& heic : heics) {
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    p.start(QStringLiteral("heif-convert"), {heic, out + QFileInfo(heic).completeBaseName() + QStringLiteral(".jpg")});
    if (!p.waitForFinished(-1) || p.exitCode() != 0) qFatal("import_heic: heif-convert failed");
  }
  return ms_since(t);
}

// The day's photos as the scan lists them, or, should the scan not list
// them as copies to make, as a day built from the files.
store::ImportDay scanned_day(const QString& folder, double* scan_ms) {
  const std::atomic_bool cancel{false};
  QElapsedTimer t;
  t.start();
  store::ImportScan scan = store::scan_photo_folder(folder, store::KnownPictures{}, cancel);
  *scan_ms = ms_since(t);
  if (scan.days.size() == 1 && scan.days[0].photos.size() == size_t(shape.photos) && scan.days[0].photos[0].convert) {
    return std::move(scan.days[0]);
  }
  std::printf("import_heic: the scan listed %zu days; the day is built from the files\n", scan.days.size());
  store::ImportDay day{QDate(2026, 5, 10), {}};
  for (const QString& name : QDir(folder).entryList(QDir::Files, QDir::Name)) {
    store::ImportPhoto photo;
    photo.path = folder + name;
    photo.taken = QDateTime(day.day, QTime(7, 0));
    photo.convert = true;
    day.photos.push_back(photo);
  }
  return day;
}

struct Phases {
  double scan = 0, copies = 0, save = 0, record = 0;
};

// Our import of the folder's one day into a new diary, as the window does it.
void import_day(const QString& folder, const QString& data, const QString& pictures, Phases* phases) {
  QElapsedTimer t;
  const store::ImportDay day = scanned_day(folder, &phases->scan);
  t.start();
  std::vector<store::CopyJob> jobs;
  for (const store::ImportPhoto& p : day.photos) {
    if (p.convert) jobs.push_back({p.path, p.taken.date(), {}});
  }
  store::plan_copies(jobs, pictures);
  const std::atomic_bool cancel{false};
  const store::CopyRun run = store::write_copies(jobs, cancel);
  if (!run.ok) qFatal("import_heic: %s", qPrintable(run.message));
  phases->copies = ms_since(t);
  t.restart();
  store::AppState state(data);
  store::MemoInput memo = store::day_memo(day, QStringLiteral("花壇"), QStringLiteral("バラ"), store::day_title(shape.photos), true);
  QHash<QString, QString> copy_of;
  for (size_t i = 0; i < jobs.size(); ++i) copy_of.insert(jobs[i].source, run.written[qsizetype(i)]);
  for (store::ImageEntry& e : memo.images) e.path = copy_of.value(e.path, e.path);
  if (!store::save_new_memos(state, {memo}).ok) qFatal("import_heic: the memo was not saved");
  phases->save = ms_since(t);
  t.restart();
  std::vector<store::CopyRecord> records;
  for (size_t i = 0; i < jobs.size(); ++i) {
    records.push_back({run.written[qsizetype(i)], jobs[i].source, store::content_key(jobs[i].source)});
  }
  const QString failed = store::append_copy_records(data, records);
  if (!failed.isEmpty()) qFatal("import_heic: %s", qPrintable(failed));
  phases->record = ms_since(t);
}

}  // namespace

Result bench_import_heic(const QString& dir, int reps, bool full) {
  Result r{QStringLiteral("import_heic"), 0, 0, 1.0, {}};
  shape = full ? kFull : kQuick;
  const QString folder = make_heic_folder(dir);
  const QString data = dir + QStringLiteral("heic/diary/");
  const QString pictures = dir + QStringLiteral("heic/pictures");
  QStringList heics;
  for (const QString& name : QDir(folder).entryList(QDir::Files, QDir::Name)) heics << folder + name;
  std::vector<double> ours, floors, growths, scans, copies, saves, records;
  for (int i = 0; i < reps; ++i) {
    QDir(data).removeRecursively();
    QDir(pictures).removeRecursively();
    QDir().mkpath(data + QStringLiteral("memo"));
    Phases phases;
    PeakGrowth memory;
    QElapsedTimer t;
    t.start();
    import_day(folder, data, pictures, &phases);
    ours.push_back(ms_since(t));
    growths.push_back(static_cast<double>(memory.finish_kb()) / 1024.0);
    scans.push_back(phases.scan);
    copies.push_back(phases.copies);
    saves.push_back(phases.save);
    records.push_back(phases.record);
    floors.push_back(convert_with_heif_convert(heics, dir + QStringLiteral("heic/floor/")));
  }
  const double growth = *std::max_element(growths.begin(), growths.end());
  r.ours = median(ours);
  r.floor = median(floors);
  r.extra_ok = growth <= 200;
  r.note = QStringLiteral("memory_growth_mb %1 photos %2 scan_ms %3 copies_ms %4 save_ms %5 record_ms %6")
               .arg(growth, 0, 'f', 1)
               .arg(heics.size())
               .arg(median(scans), 0, 'f', 1)
               .arg(median(copies), 0, 'f', 1)
               .arg(median(saves), 0, 'f', 1)
               .arg(median(records), 0, 'f', 1);
  return r;
}

}  // namespace bench
