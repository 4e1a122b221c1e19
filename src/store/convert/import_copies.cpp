#include "store/convert/import_copies.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

#include "store/files/error_texts.h"
#include "store/files/posix_file.h"
#include "store/files/worker_threads.h"
#include "store/pictures/dropped_pictures.h"

namespace store {

namespace {

// Longest base name kept, in UTF-8 bytes: room is left for " (99).jpg" and
// for the temporary name's dot and suffix within a name's 255 bytes.
constexpr int kLongestBase = 200;

QString folder_of(const QString& path) { return QFileInfo(path).path() + QLatin1Char('/'); }

QString base_of(const QString& source) {
  QString base = QFileInfo(source).completeBaseName();
  if (base.isEmpty()) base = QStringLiteral("写真");
  while (base.toUtf8().size() > kLongestBase) base.chop(1);
  return base;
}

QString numbered(const QString& base, int n) {
  return n < 2 ? base + QStringLiteral(".jpg") : QStringLiteral("%1 (%2).jpg").arg(base).arg(n);
}

// The names in a folder, lower-cased: a copy's name must differ from each
// also in case, for a folder later copied where case does not count.
QSet<QString> names_in(const QString& folder) {
  QSet<QString> names;
  const QStringList entries =
      QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
  for (const QString& name : entries) names.insert(name.toLower());
  return names;
}

QString part_path(const QString& target) {
  const QFileInfo info(target);
  return info.path() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".verdalis-part");
}

QString copy_failed(const QString& source, const QString& why) {
  return QStringLiteral("「%1」をJPEGの写しにできませんでした。\n理由：%2\n写真は1枚も取り込んでいません。")
      .arg(source, why.isEmpty() ? QStringLiteral("画像を読み込めませんでした") : why);
}

QString write_failed(const QString& copy, int error) {
  return QStringLiteral("写しのファイル「%1」を書き込めませんでした。\n理由：%2\n"
                        "写真は1枚も取り込んでいません。保存先の空きと書き込みの許可を確かめてから、もう一度取り込んでください。")
      .arg(copy, errno_reason(error));
}

// Writes the bytes to a new temporary file and syncs them; 0 or errno.
int write_part(const QString& path, const QByteArray& bytes) {
  Fd fd(::open(native_path(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666));
  if (!fd) return errno;
  if (!write_all(fd.get(), bytes.constData(), bytes.size()) || ::fsync(fd.get()) != 0) return errno;
  return fd.close() ? 0 : errno;
}

int sync_folder(const QString& folder) {
  Fd fd(::open(native_path(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!fd) return errno;
  // Some file systems cannot sync a folder; their names are as safe as
  // they can be made.
  if (::fsync(fd.get()) != 0 && errno != EINVAL) return errno;
  return 0;
}

// Moves the temporary file to `target`, never over an existing file; 0 or
// errno. File systems without the no-replace rename get a hard link.
int move_into_place(const QString& part, const QString& target) {
  const QByteArray from = native_path(part);
  const QByteArray to = native_path(target);
  if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  if (::link(from.constData(), to.constData()) != 0) return errno;
  ::unlink(from.constData());
  return 0;
}

void remove_made_folders(const QStringList& made_folders, const QStringList& paths) {
  // The last folder made may lie inside an earlier one: deepest first.
  for (auto folder = made_folders.crbegin(); folder != made_folders.crend(); ++folder) {
    for (const QString& path : paths) {
      if (path.startsWith(*folder + QLatin1Char('/'))) remove_empty_folders(path, *folder);
    }
  }
}

struct Work {
  Work(const std::vector<CopyJob>& jobs, const std::atomic_bool& cancel, const std::function<void(int, int)>& progress,
       const JpegConverter& convert)
      : jobs(jobs), cancel(cancel), progress(progress), convert(convert), parts(jobs.size(), 0) {}
  const std::vector<CopyJob>& jobs;
  const std::atomic_bool& cancel;
  const std::function<void(int, int)>& progress;
  const JpegConverter& convert;
  std::atomic<size_t> next{0};
  std::atomic_int done{0};
  std::atomic_bool failed{false};
  std::vector<char> parts;  // 1 where a temporary file may exist
  std::mutex mutex;
  QString message;

  void fail(const QString& text) {
    const std::lock_guard<std::mutex> lock(mutex);
    if (!failed.exchange(true)) message = text;
  }

  // One thread: takes the next picture until none is left or the run stops.
  // Only the picture being converted is held in memory.
  void run() {
    for (;;) {
      if (cancel.load() || failed.load()) return;
      const size_t i = next.fetch_add(1);
      if (i >= jobs.size()) return;
      const JpegCopy copy = convert(jobs[i].source);
      if (copy.bytes.isEmpty()) return fail(copy_failed(jobs[i].source, copy.why));
      parts[i] = 1;
      if (const int error = write_part(part_path(jobs[i].target), copy.bytes)) {
        return fail(write_failed(jobs[i].target, error));
      }
      const int count = ++done;
      if (progress) progress(count, static_cast<int>(jobs.size()));
    }
  }
};

// Makes the year folders; false with the message when one cannot be made.
bool make_folders(const std::vector<CopyJob>& jobs, CopyRun& run) {
  for (const CopyJob& job : jobs) {
    QString made;
    if (!make_folders_for(job.target, &made)) {
      // Trying the first missing folder once more tells why it failed.
      const ProposedPlace place = split_at_existing_folder(job.target);
      const QString first = place.folder + place.rest.section(QLatin1Char('/'), 0, 0);
      const int error = ::mkdir(native_path(first).constData(), 0777) == 0 ? 0 : errno;
      if (error == 0) ::rmdir(native_path(first).constData());
      run.message = write_failed(job.target, error == 0 ? EIO : error);
      return false;
    }
    if (!made.isEmpty() && !run.made_folders.contains(made)) run.made_folders << made;
  }
  return true;
}

// Moves every copy into place in job order, a name taken meanwhile giving
// way to the next free one; false with the message when one cannot move.
bool move_all(const std::vector<CopyJob>& jobs, CopyRun& run) {
  QSet<QString> planned;
  for (const CopyJob& job : jobs) planned.insert(job.target.toLower());
  QSet<QString> folders;
  for (const CopyJob& job : jobs) {
    const QString folder = folder_of(job.target);
    const QString base = base_of(job.source);
    QString target = job.target;
    int error = move_into_place(part_path(job.target), target);
    QSet<QString> present;
    for (int n = 2; error == EEXIST && n < 10000; ++n) {
      if (present.isEmpty()) present = names_in(folder);
      target = folder + numbered(base, n);
      if (present.contains(numbered(base, n).toLower()) || planned.contains(target.toLower())) continue;
      error = move_into_place(part_path(job.target), target);
    }
    if (error != 0) {
      run.message = write_failed(target, error);
      return false;
    }
    planned.insert(target.toLower());
    run.written << target;
    // The folder's new names, and those of the folders made above it in
    // their parents, are synced too.
    const auto made = [&](const QString& f) {
      return std::any_of(run.made_folders.begin(), run.made_folders.end(),
                         [&](const QString& m) { return f == m || f.startsWith(m + QLatin1Char('/')); });
    };
    QString f = QFileInfo(job.target).path();
    folders.insert(f);
    while (made(f)) {
      f = QFileInfo(f).path();
      folders.insert(f);
    }
  }
  for (const QString& folder : folders) {
    if (const int error = sync_folder(folder)) {
      run.message = write_failed(folder, error);
      return false;
    }
  }
  return true;
}

void take_back(const std::vector<CopyJob>& jobs, const std::vector<char>& parts, CopyRun& run) {
  for (size_t i = 0; i < jobs.size(); ++i) {
    if (parts[i]) ::unlink(native_path(part_path(jobs[i].target)).constData());
  }
  for (const QString& copy : run.written) ::unlink(native_path(copy).constData());
  QStringList paths = run.written;
  for (const CopyJob& job : jobs) paths << job.target;
  remove_made_folders(run.made_folders, paths);
  run.written.clear();
  run.made_folders.clear();
}

}  // namespace

void plan_copies(std::vector<CopyJob>& jobs, const QString& pictures_dir) {
  QString root = pictures_dir;
  while (root.endsWith(QLatin1Char('/')) && root.size() > 1) root.chop(1);
  QHash<QString, QSet<QString>> taken;  // lower-cased names by folder
  for (CopyJob& job : jobs) {
    const int year = job.taken.isValid() ? job.taken.year() : QDate::currentDate().year();
    const QString folder = QStringLiteral("%1/Verdalis/%2/").arg(root == QStringLiteral("/") ? QString() : root).arg(year);
    auto names = taken.find(folder);
    if (names == taken.end()) names = taken.insert(folder, names_in(folder));
    const QString base = base_of(job.source);
    int n = 1;
    while (names->contains(numbered(base, n).toLower())) ++n;
    names->insert(numbered(base, n).toLower());
    job.target = folder + numbered(base, n);
  }
}

CopyRun write_copies(const std::vector<CopyJob>& jobs, const std::atomic_bool& cancel,
                     const std::function<void(int, int)>& progress) {
  return write_copies(jobs, cancel, progress, make_jpeg_copy);
}

CopyRun write_copies(const std::vector<CopyJob>& jobs, const std::atomic_bool& cancel,
                     const std::function<void(int, int)>& progress, const JpegConverter& convert) {
  CopyRun run;
  if (!make_folders(jobs, run)) {
    remove_made_folders(run.made_folders, [&] {
      QStringList paths;
      for (const CopyJob& job : jobs) paths << job.target;
      return paths;
    }());
    run.made_folders.clear();
    return run;
  }
  Work work(jobs, cancel, progress, convert);
  const size_t runs = run_count(jobs.size(), 1);
  in_runs(runs, runs, [&](size_t, size_t, size_t) { work.run(); });
  run.message = work.message;
  run.cancelled = !work.failed.load() && cancel.load();
  run.ok = !work.failed.load() && !run.cancelled && move_all(jobs, run);
  if (!run.ok) take_back(jobs, work.parts, run);
  return run;
}

void remove_copies(const CopyRun& run) {
  for (const QString& copy : run.written) ::unlink(native_path(copy).constData());
  remove_made_folders(run.made_folders, run.written);
}

}  // namespace store
