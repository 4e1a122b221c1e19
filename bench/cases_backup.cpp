// The backup cases: writing a ZIP backup of the memos and of the pictures
// they name, and restoring that backup into a new folder.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <atomic>
#include <functional>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <malloc.h>
#include <random>
#include <set>
#include <thread>
#include <unistd.h>

#include "backup_anchors.h"
#include "cases.h"
#include "measures.h"
#include "support.h"
#include "store/backup/backup_restore.h"
#include "store/backup/backup_write.h"
#include "store/diary/memo_files.h"
#include "store/diary/memo_index.h"
#include "store/pictures/picture_check.h"

namespace bench {

namespace {

volatile qint64 backup_sink = 0;

constexpr qint64 kChunk = 1 << 20;

QByteArray native(const QString& path) { return QFile::encodeName(path); }

// The data directory of the cases, beside the bench's own: its memos and
// bodies (hard links to the same files), picture lists of our own, and the
// picture folders.
struct BackupData {
  QString root;  // ends in "/"
  QString data;  // the data directory, ends in "/"
  std::vector<store::CheckedMemo> memos;
  int pictures = 0;
  qint64 picture_bytes = 0;
};

// What a finished data set was made from, so that a later run reuses it
// instead of writing a gigabyte of pictures again.
QString backup_marker(const BackupData& d) {
  return QStringLiteral("%1 %2 %3 %4\n")
      .arg(d.memos.size())
      .arg(QFileInfo(d.data + QStringLiteral("flower.dat")).size())
      .arg(d.pictures)
      .arg(d.picture_bytes);
}

// A JPEG start (SOI and a JFIF APP0 segment) followed by random bytes and
// the end marker: a picture file as far as size and compressibility go.
QByteArray fake_jpeg(std::mt19937_64& random, qint64 size) {
  static const unsigned char head[] = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J',  'F',  'I',  'F',
                                       0x00, 0x01, 0x01, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00};
  QByteArray bytes(size, Qt::Uninitialized);
  auto* words = reinterpret_cast<unsigned char*>(bytes.data());
  for (qint64 i = 0; i < size; i += 8) {
    const std::uint64_t w = random();
    std::memcpy(words + i, &w, static_cast<size_t>(std::min<qint64>(8, size - i)));
  }
  std::memcpy(words, head, sizeof head);
  words[size - 2] = 0xFF;
  words[size - 1] = 0xD9;
  return bytes;
}

BackupData backup_data(const QString& dir) {
  BackupData d;
  d.root = QDir::cleanPath(QDir(dir).filePath(QStringLiteral("../backup"))) + QLatin1Char('/');
  d.data = d.root + QStringLiteral("data/");
  {
    store::MemoTable table;
    qint64 highest = 0;
    store::load_memo_index(dir + QStringLiteral("flower.dat"), table, highest);
    d.memos = store::memos_to_check(table);
  }
  // 2000 pictures of 400 to 600 KB (about 1 GB) at 29999 memos, fewer for
  // a smaller data set, but enough to fill every folder.
  d.pictures = std::max(12, static_cast<int>(2000LL * static_cast<qint64>(d.memos.size()) / 29999));
  std::mt19937_64 random(20261208);
  std::uniform_int_distribution<qint64> size(400 * 1024, 600 * 1024);
  std::vector<qint64> sizes;
  for (int i = 0; i < d.pictures; ++i) sizes.push_back(size(random));
  for (qint64 s : sizes) d.picture_bytes += s;

  QFile marker(d.root + QStringLiteral("bench-backup.txt"));
  if (marker.open(QIODevice::ReadOnly) && marker.readAll() == backup_marker(d).toLatin1()) return d;
  marker.close();

  QDir(d.root).removeRecursively();
  QDir().mkpath(d.data + QStringLiteral("memo"));
  for (const QString& name : store::backup_data_files()) QFile::copy(dir + name, d.data + name);
  const QDir memo(dir + QStringLiteral("memo"));
  for (const QString& name : memo.entryList({QStringLiteral("m*.txt")}, QDir::Files)) {
    const QString from = memo.filePath(name);
    const QString to = d.data + QStringLiteral("memo/") + name;
    if (::link(native(from).constData(), native(to).constData()) != 0) QFile::copy(from, to);
  }

  const QStringList folders = {d.root + QStringLiteral("photos/2019/"), d.root + QStringLiteral("写真/庭の花/"),
                               d.root + QStringLiteral("写真/家庭菜園 2020/"),
                               d.root + QStringLiteral("デジカメ/DCIM/100CANON/")};
  for (const QString& f : folders) QDir().mkpath(f);
  QStringList paths;
  for (int i = 0; i < d.pictures; ++i) {
    // The same file names come back in each folder, as cameras do.
    const QString path = folders[i % folders.size()] + QStringLiteral("DSC%1.JPG").arg(i / 4, 5, 10, QLatin1Char('0'));
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(fake_jpeg(random, sizes[static_cast<size_t>(i)]));
    paths << path;
  }

  // Every picture named once, 30% of them named again by a later memo; two
  // or three paths a list, and every fifth list also names a missing one.
  const int slots = d.pictures * 13 / 10;
  const int lists = std::min(std::max(1, slots * 2 / 5), static_cast<int>(d.memos.size()));
  std::vector<std::vector<store::ImageEntry>> images(static_cast<size_t>(lists));
  for (int s = 0; s < slots; ++s) {
    images[static_cast<size_t>(static_cast<qint64>(s) * lists / slots)].push_back(
        {paths[s % d.pictures], QStringLiteral("写真%1").arg(s)});
  }
  for (int l = 0; l < lists; ++l) {
    if (l % 5 == 4) {
      images[static_cast<size_t>(l)].push_back(
          {l % 2 == 0 ? QStringLiteral("C:\\Users\\hanako\\Pictures\\庭\\IMG_%1.JPG").arg(l)
                      : folders[0] + QStringLiteral("gone_%1.JPG").arg(l),
           QStringLiteral("なくなった写真")});
    }
    store::save_image_list(d.data, d.memos[static_cast<size_t>(l)].memo_no, images[static_cast<size_t>(l)]);
  }
  if (marker.open(QIODevice::WriteOnly)) marker.write(backup_marker(d).toLatin1());
  ::sync();
  return d;
}

// Reads every file once, so that each timed run meets a warm page cache.
void read_through(const std::vector<store::BackupItem>& items) {
  std::vector<char> buffer(kChunk);
  qint64 total = 0;
  for (const store::BackupItem& item : items) {
    const int in = ::open(native(item.source).constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0) continue;
    for (ssize_t got; (got = ::read(in, buffer.data(), buffer.size())) > 0;) total += got;
    ::close(in);
  }
  backup_sink = total;
}

void remove_file(const QString& path) { ::unlink(native(path).constData()); }

QString megabytes(qint64 bytes) { return QString::number(static_cast<double>(bytes) / (1 << 20), 'f', 1); }

// Runs `a` then `b`, or `b` then `a` when `swap`, and records each one's
// time; a failure clears its flag.
void in_turns(bool swap, const std::function<bool()>& a, std::vector<double>& a_ms, const std::function<bool()>& b,
              std::vector<double>& b_ms, bool& a_ok, bool& b_ok) {
  for (int k = 0; k < 2; ++k) {
    if ((k == 0) != swap) {
      QElapsedTimer t;
      t.start();
      a_ok = a() && a_ok;
      a_ms.push_back(ms_since(t));
    } else {
      QElapsedTimer t;
      t.start();
      b_ok = b() && b_ok;
      b_ms.push_back(ms_since(t));
    }
  }
}

QString spread(std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  return QStringLiteral("%1-%2").arg(ms.front(), 0, 'f', 0).arg(ms.back(), 0, 'f', 0);
}

// The least and the greatest ratio of ours to theirs within one turn.
QString turn_ratios(const std::vector<double>& ours, const std::vector<double>& theirs) {
  std::vector<double> ratios;
  for (size_t i = 0; i < ours.size() && i < theirs.size(); ++i) ratios.push_back(theirs[i] > 0 ? ours[i] / theirs[i] : 0);
  std::sort(ratios.begin(), ratios.end());
  return ratios.empty() ? QStringLiteral("-")
                        : QStringLiteral("%1-%2").arg(ratios.front(), 0, 'f', 2).arg(ratios.back(), 0, 'f', 2);
}

}  // namespace

// Our backup against zip over the same files, in turns (which goes first
// alternates), each ending with its archive on the disk.
Result bench_backup(const QString& dir, int reps) {
  Result r{QStringLiteral("backup"), 0, 0, 1.0, {}};
  if (const QString missing = missing_tool(QStringLiteral("zip")); !missing.isEmpty()) {
    r.note = QStringLiteral("failed: ") + missing;
    return r;
  }
  const BackupData d = backup_data(dir);
  const QString archive = d.root + QStringLiteral("backup.zip");
  const QString zipped = d.root + QStringLiteral("zipped.zip");
  const QString copy = d.root + QStringLiteral("floor.bin");
  const std::atomic_bool go_on{false};
  const store::BackupPlan plan = store::plan_backup(d.data, d.memos, go_on);
  const QStringList zip_list = zip_inputs(d.root, plan.items);
  read_through(plan.items);
  std::vector<double> ours, zip_ms, floor;
  qint64 growth_kb = 0;
  bool exact = true;
  bool zip_ok = true;
  bool ours_ok = true;
  store::BackupResult done;
  qint64 copied = 0;
  // Each run writes its file anew and starts with no writes pending. Each
  // removes its own earlier output just before it runs, so that all write
  // into memory that was freed a moment ago: a virtual machine may hand
  // memory that stays free for a few seconds back to its host (free page
  // reporting, as on the machine this was tuned on), and touching such
  // memory again costs about a second per gigabyte, which would otherwise
  // fall on whichever run came later.
  const auto run_ours = [&] {
    remove_file(archive);
    ::sync();
    PeakGrowth memory;
    const store::BackupPlan timed = store::plan_backup(d.data, d.memos, go_on);
    done = store::write_backup(timed, archive, go_on);
    growth_kb = std::max(growth_kb, memory.finish_kb());
    exact = memory.exact();
    return done.ok;
  };
  const auto run_zip = [&] {
    remove_file(zipped);
    ::sync();
    return zip_files(d.root, zipped, zip_list);
  };
  for (int i = 0; i < reps; ++i) {
    in_turns(i % 2 == 1, run_ours, ours, run_zip, zip_ms, ours_ok, zip_ok);
    if (!ours_ok) {
      r.note = QStringLiteral("failed: ") + done.message;
      return r;
    }
    if (!zip_ok) {
      r.note = QStringLiteral("failed: zip could not write ") + zipped;
      return r;
    }
    remove_file(copy);
    ::sync();
    floor.push_back(elapsed_ms([&] { copied = copy_into_one_file(plan.items, copy); }));
    if (copied < 0) {
      r.note = QStringLiteral("failed: the plain copy could not write ") + copy;
      return r;
    }
  }
  const qint64 zip_bytes = QFileInfo(zipped).size();
  for (const QString& f : {copy, archive, zipped}) remove_file(f);
  r.ours = median(ours);
  r.floor = median(zip_ms);
  r.note = QStringLiteral("memory_growth_mb %1 (limit 64, %2) ours_ms %3 zip_ms %4 turn_ratios %5 copy_ms %6 (floor) "
                          "pictures %7 missing %8 stored_mb %9 archive_mb %10 zip_mb %11")
               .arg(static_cast<double>(growth_kb) / 1024.0, 0, 'f', 1)
               .arg(exact ? QStringLiteral("VmHWM") : QStringLiteral("VmRSS sampled"))
               .arg(spread(ours), spread(zip_ms), turn_ratios(ours, zip_ms))
               .arg(median(floor), 0, 'f', 0)
               .arg(done.pictures)
               .arg(done.missing)
               .arg(megabytes(copied), megabytes(done.archive_bytes), megabytes(zip_bytes));
  return r;
}

// Our restore against unzip of the same archive, in turns, each into a new
// folder and ending with one sync of it.
Result bench_restore(const QString& dir, int reps) {
  Result r{QStringLiteral("restore"), 0, 0, 1.0, {}};
  if (const QString missing = missing_tool(QStringLiteral("unzip")); !missing.isEmpty()) {
    r.note = QStringLiteral("failed: ") + missing;
    return r;
  }
  const BackupData d = backup_data(dir);
  const QString archive = d.root + QStringLiteral("backup.zip");
  const std::atomic_bool go_on{false};
  const store::BackupPlan plan = store::plan_backup(d.data, d.memos, go_on);
  remove_file(archive);
  const store::BackupResult made = store::write_backup(plan, archive, go_on);
  if (!made.ok) {
    r.note = QStringLiteral("failed: ") + made.message;
    return r;
  }
  read_through(plan.items);
  read_through({{archive, {}, 0, false}});
  // Every run writes into folders of its own, and all of them are removed
  // only when the case is done. On an ext4 file system without a journal
  // a new file skips, one by one, over the inodes deleted in the last few
  // minutes, so removing tens of thousands of files just before a run makes
  // each file it creates slow by however many were removed. For the same
  // reason a second run of this case within about six minutes of the
  // first measures every side slower.
  struct Folders {
    QStringList made;
    ~Folders() {
      for (const QString& f : made) QDir(f).removeRecursively();
    }
  } folders;
  std::vector<double> ours, unzip_ms, floor;
  store::RestoreResult done;
  qint64 copied = 0;
  qint64 growth_kb = 0;
  bool ours_ok = true;
  bool unzip_ok = true;
  QString unzipped;
  for (int i = 0; i < reps; ++i) {
    const QString restored = d.root + QStringLiteral("restored-%1").arg(i);
    const QString copied_folder = d.root + QStringLiteral("copied-%1").arg(i);
    unzipped = d.root + QStringLiteral("unzipped-%1").arg(i);
    folders.made << restored << copied_folder << unzipped;
    for (const QString& f : {restored, copied_folder, unzipped}) QDir(f).removeRecursively();
    ::sync();
    floor.push_back(elapsed_ms([&] { copied = copy_into_folder(plan.items, copied_folder); }));
    if (copied < 0) {
      r.note = QStringLiteral("failed: the plain copy could not write ") + copied_folder;
      return r;
    }
    // The program files that the window copies beside the data are left
    // out; unzip and the copy write only what the archive holds.
    const auto run_ours = [&] {
      ::sync();
      const store::RestoreRequest request{archive, restored, d.data, {}};
      PeakGrowth memory;
      done = store::restore_backup(request, go_on);
      growth_kb = std::max(growth_kb, memory.finish_kb());
      return done.ok;
    };
    const auto run_unzip = [&] {
      ::sync();
      return unzip_into(archive, unzipped);
    };
    in_turns(i % 2 == 1, run_ours, ours, run_unzip, unzip_ms, ours_ok, unzip_ok);
    if (!ours_ok) {
      r.note = QStringLiteral("failed: ") + done.message;
      return r;
    }
    if (!unzip_ok) {
      r.note = QStringLiteral("failed: unzip could not extract ") + archive + QStringLiteral(" into ") + unzipped;
      return r;
    }
  }
  remove_file(archive);
  r.ours = median(ours);
  r.floor = median(unzip_ms);
  r.note = QStringLiteral("memory_growth_mb %1 ours_ms %2 unzip_ms %3 turn_ratios %4 copy_ms %5 (floor) "
                          "extracted_mb %6 copied_mb %7 pictures %8 linked %9")
               .arg(static_cast<double>(growth_kb) / 1024.0, 0, 'f', 1)
               .arg(spread(ours), spread(unzip_ms), turn_ratios(ours, unzip_ms))
               .arg(median(floor), 0, 'f', 0)
               .arg(megabytes(done.bytes), megabytes(copied))
               .arg(done.pictures)
               .arg(done.linked);
  return r;
}

}  // namespace bench
