#include "store/pictures/photo_import.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <algorithm>
#include <map>

#include "store/diary/field_formats.h"
#include "store/diary/memo_files.h"
#include "store/files/worker_threads.h"
#include "store/pictures/picture_check.h"
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
    const QFileInfo other(it.value());
    if (!other.isFile() || other.size() != photo.size) continue;
    const ShootingTime t = shooting_time(it.value());
    if (t.when == photo.taken) return true;
  }
  return false;
}

}  // namespace

int ImportDay::fresh() const {
  return static_cast<int>(std::count_if(photos.begin(), photos.end(), [](const ImportPhoto& p) { return !p.already; }));
}

KnownPictures known_pictures(const QString& data_dir, const std::vector<QString>& memo_nos, const QSet<QString>* names) {
  // The lists are read in a few threads, each taking its own run of memos.
  const size_t runs = run_count(memo_nos.size(), 256);
  std::vector<std::vector<std::pair<QString, QString>>> found(runs);  // name, path
  in_runs(memo_nos.size(), runs, [&](size_t k, size_t begin, size_t end) {
    ImageListFiles lists(data_dir);
    for (size_t i = begin; i < end; ++i) {
      for (ImageEntry& e : lists.read(memo_nos[i])) {
        if (e.path.isEmpty()) continue;
        QString name = e.path.mid(stored_folder(e.path).size());
        if (names == nullptr || names->contains(name)) found[k].emplace_back(std::move(name), std::move(e.path));
      }
    }
  });
  KnownPictures known;
  for (std::vector<std::pair<QString, QString>>& run : found) {
    for (auto& [name, path] : run) {
      known.by_name.insert(name, path);
      known.paths.insert(std::move(path));
    }
  }
  return known;
}

namespace {

// The photos with their times, by the camera's day, and the names of
// their files; once the folder is read, each photo is marked when the
// diary holds it already.
class DayGrouping {
 public:
  explicit DayGrouping(ImportScan& scan) : scan_(scan) {}

  void add(std::vector<ImportPhoto>& photos) {
    for (ImportPhoto& photo : photos) {
      if (!photo.taken.isValid()) {
        if (!scan_.cancelled) scan_.unreadable << QStringLiteral("%1（日時がわかりません）").arg(photo.path);
        continue;
      }
      names_.insert(photo.path.mid(stored_folder(photo.path).size()));
      by_day_[photo.taken.date()].push_back(std::move(photo));
    }
    photos.clear();
  }

  // Asks for the diary's pictures of the photos' names and marks the
  // photos among them.
  void mark(const KnownSource& source) {
    if (by_day_.empty() || !source) return;
    const KnownPictures known = source(names_);
    for (auto& [day, photos] : by_day_) {
      for (ImportPhoto& photo : photos) {
        photo.already = known.paths.contains(photo.path) || known_copy(photo, QFileInfo(photo.path).fileName(), known);
      }
    }
  }

  // Newest day first, each day's photos by the camera's clock.
  std::vector<ImportDay> days() const {
    std::vector<ImportDay> days;
    for (auto day = by_day_.rbegin(); day != by_day_.rend(); ++day) {
      ImportDay d{day->first, day->second};
      std::stable_sort(d.photos.begin(), d.photos.end(), [](const ImportPhoto& a, const ImportPhoto& b) {
        return std::pair(a.taken.date(), a.taken.time()) < std::pair(b.taken.date(), b.taken.time());
      });
      days.push_back(std::move(d));
    }
    return days;
  }

 private:
  ImportScan& scan_;
  QSet<QString> names_;
  std::map<QDate, std::vector<ImportPhoto>> by_day_;
};

// Reads the shooting times of a batch of photos in a few threads. What the
// cancel leaves unread stays invalid.
void read_times(std::vector<ImportPhoto>& batch, ImportScan& scan, const std::atomic_bool& cancel) {
  // The heads are read in the threads; their times are made here, since
  // making a local time takes a lock that the threads would queue on.
  // Each thread takes the next photo not yet taken, so that none waits
  // at the batch's end for another that met slower files.
  std::vector<PhotoHead> heads(batch.size());
  std::atomic_size_t next{0};
  in_runs(batch.size(), run_count(batch.size(), 64), [&](size_t, size_t, size_t) {
    for (size_t i = next++; i < batch.size() && !cancel.load(std::memory_order_relaxed); i = next++) {
      heads[i] = read_photo_head(batch[i].path);
    }
  });
  const bool cancelled = cancel.load(std::memory_order_relaxed);
  // Files named as pictures that hold something else (a HEIC saved as
  // .jpg) cannot be shown: they are named with the other formats. A photo
  // the cancel left unread gets no time.
  size_t kept = 0;
  for (size_t i = 0; i < batch.size(); ++i) {
    if (heads[i].size == 0) {
      scan.unreadable << QStringLiteral("%1（空のファイルです）").arg(batch[i].path);
      continue;
    }
    if (!heads[i].picture_data) {
      scan.unsupported << batch[i].path;
      continue;
    }
    const ShootingTime t = shooting_time(heads[i]);
    batch[i].taken = t.when;
    batch[i].from_file = t.from_file;
    batch[i].size = heads[i].size;
    if (kept != i) batch[kept] = std::move(batch[i]);
    ++kept;
  }
  batch.resize(kept);
  if (cancelled) scan.cancelled = true;
}

// The first days come after this many photos; each batch is then four
// times larger, up to kBatch: a slow card shows its first rows at once.
constexpr size_t kFirstBatch = 16;
constexpr size_t kBatch = 512;
constexpr qint64 kShowEveryMs = 100;

}  // namespace

ImportScan scan_photo_folder(const QString& folder, const KnownPictures& known, const std::atomic_bool& cancel,
                             const ScanProgress& progress) {
  return scan_photo_folder(folder, KnownSource([&known](const QSet<QString>&) { return known; }), cancel, progress);
}

ImportScan scan_photo_folder(const QString& folder, const KnownSource& known, const std::atomic_bool& cancel,
                             const ScanProgress& progress) {
  ImportScan scan;
  if (!QFileInfo(folder).isDir()) {
    scan.message = QStringLiteral("フォルダ「%1」を読めません。").arg(folder);
    return scan;
  }
  // The files are listed in batches; each batch has its shooting times read
  // and is grouped before the listing goes on, so that the first days can
  // be shown while the rest of a large or slow folder is read.
  DayGrouping grouping(scan);
  std::vector<ImportPhoto> batch;
  size_t batch_size = kFirstBatch;
  QElapsedTimer since_shown;
  bool all_shown = true;
  const auto show = [&] {
    const std::vector<ImportDay> days = grouping.days();
    if (days.empty()) return;
    progress(scan.files, &days);
    since_shown.start();
    all_shown = true;
  };
  const auto group_batch = [&] {
    read_times(batch, scan, cancel);
    grouping.add(batch);
    batch_size = std::min(batch_size * 4, kBatch);
    all_shown = false;
    if (progress && (!since_shown.isValid() || since_shown.elapsed() >= kShowEveryMs)) show();
  };
  // Links to folders are not followed (a loop would never end); FIFOs and
  // devices are not listed as files; hidden files (a Mac's "._IMG_0001.JPG"
  // companions, thumbnail folders) are left out.
  QDirIterator it(folder, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
  while (it.hasNext() && !scan.cancelled) {
    if (cancel.load(std::memory_order_relaxed)) {
      scan.cancelled = true;
      break;
    }
    const QString path = it.next();
    const QFileInfo info = it.fileInfo();
    if (++scan.files % 64 == 0 && progress) progress(scan.files, nullptr);
    if (!is_picture_file_name(info.fileName())) {
      if (other_picture_suffix(info.suffix())) scan.unsupported << path;
      continue;
    }
    // The type comes with the folder's listing; the size is learnt when
    // the head is read, so that no file is looked up twice.
    if (!info.isFile()) continue;
    batch.push_back({path, {}, false, 0, false});
    if (batch.size() >= batch_size) group_batch();
  }
  if (!batch.empty()) group_batch();
  // The whole folder is shown before the diary's pictures are read:
  // reading a large diary's picture lists can take longer than the folder.
  if (progress && !all_shown && !scan.cancelled) show();
  grouping.mark(known);
  scan.days = grouping.days();
  if (progress) progress(scan.files, nullptr);
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
