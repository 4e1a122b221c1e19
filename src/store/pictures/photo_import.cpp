#include "store/pictures/photo_import.h"

#include <QDirIterator>
#include <QtEndian>
#include <QElapsedTimer>
#include <QFileInfo>
#include <algorithm>
#include <map>
#include <optional>

#include "store/diary/field_formats.h"
#include "store/diary/memo_files.h"
#include "store/files/worker_threads.h"
#include "store/pictures/content_key.h"
#include "store/pictures/copy_records.h"
#include "store/pictures/file_name_date.h"
#include "store/pictures/other_formats.h"
#include "store/pictures/phone_folder.h"
#include "store/pictures/picture_check.h"
#include "store/pictures/picture_pick.h"
#include "store/pictures/shooting_time.h"

namespace store {

namespace {

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

KnownPictures known_pictures_and_copies(const QString& data_dir, const std::vector<QString>& memo_nos,
                                        const QSet<QString>& names) {
  const CopyIndex copies(read_copy_records(data_dir));
  // The diary's pictures that the record names are looked for too: a JPEG
  // copy is named otherwise than its original.
  QSet<QString> wanted = names;
  for (const QString& copy : copies.by_source) wanted.insert(copy.mid(stored_folder(copy).size()));
  KnownPictures known = known_pictures(data_dir, memo_nos, &wanted);
  known.by_source = copies.by_source;
  known.by_key = copies.by_key;
  return known;
}

namespace {

// The size a content key begins with (8 bytes, big-endian); -1 when the
// key is too short to hold one.
qint64 size_of_key(const QByteArray& key) {
  return key.size() >= 8 ? qFromBigEndian<qint64>(key.constData()) : -1;
}

// The diary's picture a photo is held as, found from the record of
// imports: by the original's path, or by its content when a recorded
// original had its size. "" when none is.
QString held_by_record(const ImportPhoto& photo, const KnownPictures& known, const QSet<qint64>& recorded_sizes) {
  const QString by_path = known.by_source.value(photo.path);
  if (!by_path.isEmpty() && known.paths.contains(by_path)) return by_path;
  if (!recorded_sizes.contains(photo.size)) return {};
  const QString by_content = known.by_key.value(content_key(photo.path));
  return known.paths.contains(by_content) ? by_content : QString();
}

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
    QSet<qint64> recorded_sizes;
    for (auto it = known.by_key.cbegin(); it != known.by_key.cend(); ++it) recorded_sizes.insert(size_of_key(it.key()));
    for (auto& [day, photos] : by_day_) {
      for (ImportPhoto& photo : photos) {
        photo.already = known.paths.contains(photo.path) ||
                        (!photo.convert && known_copy(photo, QFileInfo(photo.path).fileName(), known));
        if (photo.already) continue;
        photo.held_as = held_by_record(photo, known, recorded_sizes);
        photo.already = !photo.held_as.isEmpty();
      }
    }
  }

  // Newest day first, each day's photos by the camera's clock, then by
  // name (a day of WhatsApp photos has no times).
  std::vector<ImportDay> days() const {
    std::vector<ImportDay> days;
    for (auto day = by_day_.rbegin(); day != by_day_.rend(); ++day) {
      ImportDay d{day->first, day->second};
      std::stable_sort(d.photos.begin(), d.photos.end(), [](const ImportPhoto& a, const ImportPhoto& b) {
        const auto when_a = std::pair(a.taken.date(), a.taken.time());
        const auto when_b = std::pair(b.taken.date(), b.taken.time());
        if (when_a != when_b) return when_a < when_b;
        return QStringView(a.path).mid(a.path.lastIndexOf(QLatin1Char('/')) + 1) <
               QStringView(b.path).mid(b.path.lastIndexOf(QLatin1Char('/')) + 1);
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
      heads[i] = batch[i].convert ? read_convertible_head(batch[i].path) : read_photo_head(batch[i].path);
    }
  });
  const bool cancelled = cancel.load(std::memory_order_relaxed);
  const QDate today = QDate::currentDate();
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
      if (heads[i].why.isEmpty()) {
        scan.unsupported << batch[i].path;
      } else {
        scan.unreadable << QStringLiteral("%1（%2）").arg(batch[i].path, heads[i].why);
      }
      continue;
    }
    ShootingTime t = shooting_time(heads[i]);
    // Without an EXIF time, the day a phone or a messenger put into the
    // name comes before the file's time, which copying changes.
    if (t.from_file || !t.when.isValid()) {
      const QString name = batch[i].path.mid(stored_folder(batch[i].path).size());
      if (const std::optional<NameDate> named = date_from_file_name(name, today)) {
        t.when = named->when();
        t.from_file = false;
        batch[i].from_name = true;
        batch[i].day_only = !named->time.isValid();
      }
    }
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

// Lists the folder's files (sub-folders included): the photos the diary can
// take, as they are or as JPEG copies, and what is left out, by its kind.
// Links to folders are not followed (a loop would never end); FIFOs and
// devices are not listed as files; hidden files (a Mac's "._IMG_0001.JPG"
// companions, thumbnail folders) are left out.
void list_folder(const QString& folder, ImportScan& scan, QStringList& photos, std::vector<bool>& convert,
                 const std::atomic_bool& cancel, const ScanProgress& progress) {
  QDirIterator it(folder, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    if (cancel.load(std::memory_order_relaxed)) {
      scan.cancelled = true;
      return;
    }
    const QString path = it.next();
    const QFileInfo info = it.fileInfo();
    if (++scan.files % 64 == 0 && progress) progress(scan.files, nullptr);
    switch (const FolderFileKind kind = folder_file_kind(info.fileName())) {
      case FolderFileKind::Picture:
      case FolderFileKind::Convertible:
        // The type comes with the folder's listing; the size is learnt
        // when the head is read, so that no file is looked up twice.
        if (!info.isFile()) break;
        photos << path;
        convert.push_back(kind == FolderFileKind::Convertible);
        break;
      case FolderFileKind::Video:
        scan.videos << path;
        break;
      case FolderFileKind::EditFile:
        scan.edit_files << path;
        break;
      case FolderFileKind::OtherPicture:
        scan.unsupported << path;
        break;
      case FolderFileKind::Other:
        break;
    }
  }
}

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
  // The photos are taken in batches; each batch has its shooting times
  // read and is grouped before the next, so that the first days can be
  // shown while the rest of a large or slow folder is read.
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
  // The folder is listed first: an iPhone's edited photo (IMG_E1234)
  // replaces its original, wherever the two are listed.
  QStringList photos;
  std::vector<bool> convert;
  list_folder(folder, scan, photos, convert, cancel, progress);
  const QSet<QString> superseded = superseded_originals(photos);
  for (qsizetype i = 0; i < photos.size() && !scan.cancelled; ++i) {
    if (cancel.load(std::memory_order_relaxed)) {
      scan.cancelled = true;
      break;
    }
    if (superseded.contains(photos[i])) {
      scan.superseded << photos[i];
      continue;
    }
    ImportPhoto photo;
    photo.path = photos[i];
    photo.convert = convert[static_cast<size_t>(i)];
    batch.push_back(std::move(photo));
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
    const QString path = p.held_as.isEmpty() ? p.path : p.held_as;
    // A day from the name alone has no time to title the photo by.
    const bool timed = by_time && !p.from_file && !p.day_only;
    in.images.push_back({path, timed ? p.taken.toString(QStringLiteral("HH:mm")) : QFileInfo(path).fileName()});
  }
  return in;
}

QString day_title(int photos) { return QStringLiteral("写真 %1 枚").arg(photos); }

}  // namespace store
