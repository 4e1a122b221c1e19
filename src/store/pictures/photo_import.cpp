#include "store/pictures/photo_import.h"

#include <QDirIterator>
#include <QFileInfo>
#include <algorithm>
#include <map>

#include "store/diary/field_formats.h"
#include "store/diary/memo_files.h"
#include "store/files/worker_threads.h"
#include "store/pictures/picture_pick.h"
#include "store/pictures/shooting_time.h"

namespace store {

namespace {

// File suffixes of pictures that a camera or phone writes but that the
// picker does not take; they are named so that the user knows why.
bool other_picture_suffix(const QString& suffix) {
  static const QStringList kSuffixes{QStringLiteral("heic"), QStringLiteral("heif"), QStringLiteral("png"),
                                     QStringLiteral("webp"), QStringLiteral("gif"),  QStringLiteral("tif"),
                                     QStringLiteral("tiff"), QStringLiteral("dng"),  QStringLiteral("cr2"),
                                     QStringLiteral("nef"),  QStringLiteral("arw"),  QStringLiteral("orf"),
                                     QStringLiteral("rw2"),  QStringLiteral("jpg"),  QStringLiteral("jpeg"),
                                     QStringLiteral("bmp")};
  return kSuffixes.contains(suffix.toLower());
}

// The same photo elsewhere: a known picture of that name with the same
// size and shooting time.
bool known_copy(const ImportPhoto& photo, const QString& name, const KnownPictures& known) {
  const auto [begin, end] = known.by_name.equal_range(name);
  for (auto it = begin; it != end; ++it) {
    const QFileInfo other(it->second);
    if (!other.isFile() || other.size() != photo.size) continue;
    const ShootingTime t = shooting_time(it->second);
    if (t.when == photo.taken) return true;
  }
  return false;
}

}  // namespace

int ImportDay::fresh() const {
  return static_cast<int>(std::count_if(photos.begin(), photos.end(), [](const ImportPhoto& p) { return !p.already; }));
}

KnownPictures known_pictures(const QString& data_dir, const std::vector<QString>& memo_nos) {
  KnownPictures known;
  for (const QString& no : memo_nos) {
    for (const ImageEntry& e : read_image_list(data_dir, no).images) {
      if (e.path.isEmpty()) continue;
      known.paths.insert(e.path);
      known.by_name.emplace(QFileInfo(e.path).fileName(), e.path);
    }
  }
  return known;
}

ImportScan scan_photo_folder(const QString& folder, const KnownPictures& known, const std::atomic_bool& cancel,
                             const std::function<void(int)>& progress) {
  ImportScan scan;
  if (!QFileInfo(folder).isDir()) {
    scan.message = QStringLiteral("フォルダ「%1」を読めません。").arg(folder);
    return scan;
  }
  // The files are listed first, then their shooting times are read in a
  // few threads, each taking its own run of files.
  std::vector<ImportPhoto> found;
  // Links to folders are not followed (a loop would never end); FIFOs and
  // devices are not listed as files; hidden files (a Mac's "._IMG_0001.JPG"
  // companions, thumbnail folders) are left out.
  QDirIterator it(folder, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    if (cancel.load(std::memory_order_relaxed)) {
      scan.cancelled = true;
      break;
    }
    const QString path = it.next();
    const QFileInfo info = it.fileInfo();
    if (++scan.files % 64 == 0 && progress) progress(scan.files);
    if (!is_picture_file_name(info.fileName())) {
      if (other_picture_suffix(info.suffix())) scan.unsupported << path;
      continue;
    }
    if (!info.isFile()) continue;
    if (info.size() == 0) {
      scan.unreadable << QStringLiteral("%1（空のファイルです）").arg(path);
      continue;
    }
    found.push_back({path, {}, false, info.size(), false});
  }
  in_runs(found.size(), run_count(found.size(), 64), [&](size_t, size_t begin, size_t end) {
    for (size_t i = begin; i < end && !cancel.load(std::memory_order_relaxed); ++i) {
      const ShootingTime t = shooting_time(found[i].path);
      found[i].taken = t.when;
      found[i].from_file = t.from_file;
    }
  });
  if (cancel.load(std::memory_order_relaxed)) scan.cancelled = true;

  std::map<QDate, std::vector<ImportPhoto>> by_day;
  for (ImportPhoto& photo : found) {
    if (!photo.taken.isValid()) {
      if (!scan.cancelled) scan.unreadable << QStringLiteral("%1（日時がわかりません）").arg(photo.path);
      continue;
    }
    photo.already = known.paths.count(photo.path) > 0 || known_copy(photo, QFileInfo(photo.path).fileName(), known);
    by_day[photo.taken.date()].push_back(std::move(photo));
  }
  for (auto day = by_day.rbegin(); day != by_day.rend(); ++day) {
    ImportDay d{day->first, std::move(day->second)};
    // By the camera's clock, as the photos were taken that day.
    std::stable_sort(d.photos.begin(), d.photos.end(), [](const ImportPhoto& a, const ImportPhoto& b) {
      return std::pair(a.taken.date(), a.taken.time()) < std::pair(b.taken.date(), b.taken.time());
    });
    scan.days.push_back(std::move(d));
  }
  if (progress) progress(scan.files);
  return scan;
}

MemoInput day_memo(const ImportDay& day, const QString& location, const QString& variety, const QString& title,
                   bool by_time, bool include_known) {
  MemoInput in;
  in.date = day.day.toString(QStringLiteral("yyyy/MM/dd"));
  in.location = location;
  in.variety = variety;
  in.title = title;
  for (const ImportPhoto& p : day.photos) {
    if (p.already && !include_known) continue;
    const QString name = QFileInfo(p.path).fileName();
    in.images.push_back({p.path, by_time && !p.from_file ? p.taken.toString(QStringLiteral("HH:mm")) : name});
  }
  return in;
}

QString day_title(int photos) { return QStringLiteral("写真 %1 枚").arg(photos); }

}  // namespace store
