// Kills a process that saves, corrects and deletes memos, imports several
// day memos at once and edits the category lists (verdalis_kill_worker) at random moments, 200 to 1000 times, and
// after every kill checks that the data directory still loads, that
// flower.dat is exactly as it was before the interrupted operation or as
// it is after it, that each picture list file a re-pointing of pictures
// changes holds its old or its new bytes, and that no memo has lost a
// per-memo file it had. The worker also writes backup archives: after a
// kill the archive's name holds nothing (only while a new archive is
// written) or a complete archive, either the one there before or a new one
// with the data directory's files, and only a backup that was running
// leaves its hidden temporary file.

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>
#include <archive.h>
#include <archive_entry.h>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <map>
#include <optional>
#include <poll.h>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

#include "data_dir.h"
#include "store/diary/memo_files.h"
#include "store/diary/startup.h"
#include "store/files/codec.h"

namespace {

// At least this many kills, and more while the test is under ten seconds.
constexpr int kKills = 200;
constexpr int kMostKills = 1000;
constexpr qint64 kBudgetMs = 10000;

// The latest backup a run began: its operation number, the archive's name,
// the digest of the archive there before ("none"), and the data directory
// it backs up: the digest of flower.dat and the names in memo/.
struct BackupAnnouncement {
  int n = 0;
  QString name;
  QByteArray previous;
  QByteArray flower_dat;
  QSet<QString> memo_files;
};

// One "BEGIN" line of the worker, and whether its "END" followed.
struct Announcement {
  int n = 0;
  QByteArray operation;
  QByteArray before;
  QByteArray after;
  QSet<QString> files_before;
  QSet<QString> files_after;
  // Picture list files the operation changes: name, digest before, after.
  QList<QByteArrayList> lists;
  bool ended = false;
  std::optional<BackupAnnouncement> backup;  // this operation's or an earlier one's of the run
};

QSet<QString> file_set(const QByteArray& field) {
  QSet<QString> files;
  if (field == "-") return files;
  for (const QByteArray& name : field.split(',')) files.insert(QString::fromUtf8(name));
  return files;
}

// The worker program, which forks one child per run; its output is read
// line by line.
class Worker {
 public:
  Worker(const QString& data, const QString& shadow) {
    int out[2];
    int in[2];
    if (pipe(out) != 0 || pipe(in) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], 1);
      dup2(in[0], 0);
      for (int fd : {out[0], out[1], in[0], in[1]}) close(fd);
      const QByteArray a = QFile::encodeName(data), b = QFile::encodeName(shadow);
      execl(VERDALIS_KILL_WORKER, VERDALIS_KILL_WORKER, a.constData(), b.constData(), nullptr);
      _exit(127);
    }
    close(out[1]);
    close(in[0]);
    from_ = out[0];
    to_ = in[1];
  }
  ~Worker() {
    if (child_ > 0) kill(child_, SIGKILL);
    if (to_ >= 0) close(to_);  // the worker ends at the end of its input
    if (pid_ > 0) waitpid(pid_, nullptr, 0);
    if (from_ >= 0) close(from_);
  }

  // Starts a run; false when the worker does not answer.
  bool start(unsigned run_number) {
    const QByteArray command = "RUN " + QByteArray::number(run_number) + '\n';
    if (write(to_, command.constData(), static_cast<size_t>(command.size())) != command.size()) return false;
    const std::optional<QByteArray> first = line();
    if (!first || !first->startsWith("PID ")) return false;
    child_ = first->mid(4).toInt();
    return child_ > 0;
  }

  // The next line, or nothing when the worker closed its output (or after
  // ten seconds of silence).
  std::optional<QByteArray> line() {
    for (;;) {
      const qsizetype lf = buffer_.indexOf('\n');
      if (lf >= 0) {
        QByteArray text = buffer_.left(lf);
        buffer_.remove(0, lf + 1);
        return text;
      }
      pollfd p{from_, POLLIN, 0};
      if (poll(&p, 1, 10000) <= 0) return std::nullopt;
      char chunk[65536];
      const ssize_t got = read(from_, chunk, sizeof chunk);
      if (got <= 0) return std::nullopt;
      buffer_.append(chunk, got);
    }
  }

  // Kills the running child; the lines it wrote before are noted into
  // `last`. Returns the child's wait status.
  int kill_run(std::optional<Announcement>& last) {
    kill(child_, SIGKILL);
    child_ = -1;
    while (const std::optional<QByteArray> text = line()) {
      if (text->startsWith("DONE ")) return text->mid(5).toInt();
      note(*text, last);
    }
    return -1;
  }

  // Records a line into the announcement log.
  static void note(const QByteArray& text, std::optional<Announcement>& last) {
    const QList<QByteArray> f = text.split(' ');
    if (f.value(0) == "BEGIN" && f.size() == 8) {
      std::optional<BackupAnnouncement> backup = last ? last->backup : std::nullopt;
      last = Announcement{f[1].toInt(), f[2], f[3], f[4], file_set(f[5]), file_set(f[6]), {}, false, {}};
      if (f[2] == "backup") {
        const QByteArrayList archive = f[7].split(':');
        backup = {f[1].toInt(), QString::fromUtf8(archive.value(0)), archive.value(1), f[3], file_set(f[5])};
      } else if (f[7] != "-") {
        for (const QByteArray& entry : f[7].split(',')) last->lists << entry.split(':');
      }
      last->backup = backup;
    } else if (f.value(0) == "END" && last && f.value(1).toInt() == last->n) {
      last->ended = true;
    }
  }

  bool started() const { return pid_ > 0 && from_ >= 0 && to_ >= 0; }

 private:
  pid_t pid_ = -1;
  pid_t child_ = -1;
  int from_ = -1;
  int to_ = -1;
  QByteArray buffer_;
};

// Waits this many microseconds. usleep() oversleeps by the timer slack
// (50 µs) and more, longer than an operation on a fast machine, so that a
// short wait could never land inside one: short waits are spun instead.
void wait_us(double us) {
  if (us >= 500) {
    usleep(static_cast<useconds_t>(us));
    return;
  }
  const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double, std::micro>(us);
  while (std::chrono::steady_clock::now() < until) {
  }
}

QByteArray digest_of(const QString& path) {
  return QCryptographicHash::hash(testing_support::read_bytes(path), QCryptographicHash::Sha1).toHex();
}

// Every entry of a ZIP archive with the digest of its bytes, or the reason
// why some part of it cannot be read.
std::map<QString, QByteArray> archive_digests(const QString& path, QString* error) {
  std::map<QString, QByteArray> entries;
  archive* a = archive_read_new();
  archive_read_support_format_zip_seekable(a);
  int status = archive_read_open_filename(a, QFile::encodeName(path).constData(), 1 << 16);
  archive_entry* entry = nullptr;
  while (status == ARCHIVE_OK && (status = archive_read_next_header(a, &entry)) == ARCHIVE_OK) {
    QCryptographicHash hash(QCryptographicHash::Sha1);
    char chunk[65536];
    la_ssize_t got = 0;
    while ((got = archive_read_data(a, chunk, sizeof chunk)) > 0) hash.addData(QByteArrayView(chunk, got));
    if (got < 0) status = ARCHIVE_FATAL;
    const char* name = archive_entry_pathname_utf8(entry);
    entries[name ? QString::fromUtf8(name) : QString()] = hash.result().toHex();
  }
  if (status != ARCHIVE_EOF) {
    const char* why = archive_error_string(a);
    *error = why ? QString::fromLocal8Bit(why) : QStringLiteral("libarchive status %1").arg(status);
  }
  archive_read_free(a);
  return entries;
}

// The memo numbers of flower.dat: line 5 of every 7-line record.
QStringList memo_numbers(const QString& flower_dat) {
  const QStringList lines = store::split_lines(store::decode_cp932(testing_support::read_bytes(flower_dat)));
  QStringList numbers;
  for (qsizetype i = 4; i < lines.size(); i += 7) numbers << lines.at(i);
  return numbers;
}

}  // namespace

class KillTest : public QObject {
  Q_OBJECT

  // On tmpfs where there is one: a kill leaves the page cache as it was, so
  // the outcome is the same as on disk, only without the waits for fsync.
  QTemporaryDir tmp_{QFileInfo(QStringLiteral("/dev/shm")).isDir() ? QStringLiteral("/dev/shm/verdalis-kill-XXXXXX")
                                                                   : QString()};
  QString data_;
  QString shadow_;
  QString backups_;
  int writing_ = 0;  // kills that left the temporary file of a backup
  int checked_ = 0;  // new archives checked
  int with_pictures_ = 0;
  std::mt19937 rng_{20260508};

  // Checks the data directory after the worker was killed while `last`
  // was the latest operation it had announced.
  void check_directory(const Announcement& last, int kill) {
    const QString context = QStringLiteral("kill %1, operation %2 %3 (%4)")
                                .arg(kill)
                                .arg(last.n)
                                .arg(QString::fromLatin1(last.operation), last.ended ? "finished" : "interrupted");
    // Loading first: it undoes a save that the kill stopped half-way, and
    // the files are judged as the diary then finds them.
    store::AppState state(data_);
    const store::StartupData loaded = store::start_up_data(state, store::Settings{}, [] { return QDateTime(); });
    QVERIFY2(loaded.ok && loaded.warnings.isEmpty(), qPrintable(context + loaded.message + loaded.warnings.join(';')));
    const QString dat = data_ + QStringLiteral("flower.dat");
    QVERIFY2(QFileInfo(dat).isFile(), qPrintable(context));
    const QByteArray digest = digest_of(dat);
    const bool as_before = digest == last.before && !last.ended;
    const bool as_after = digest == last.after;
    QVERIFY2(as_before || as_after, qPrintable(context + QStringLiteral(": flower.dat is neither before nor after")));
    for (const QByteArrayList& list : last.lists) {
      QVERIFY2(list.size() == 3, qPrintable(context));
      const QString path = data_ + QStringLiteral("memo/") + QString::fromUtf8(list[0]);
      const QByteArray now = QFileInfo(path).isFile() ? digest_of(path) : QByteArray("none");
      QVERIFY2((now == list[1] && !last.ended) || now == list[2],
               qPrintable(context + QStringLiteral(": ") + path + QStringLiteral(" is neither its old nor its new bytes")));
    }

    const QStringList numbers = memo_numbers(dat);
    QCOMPARE(state.memo_count(), numbers.size());

    // Every memo keeps the per-memo files that the state it is in has.
    QSet<QString> required = as_after ? last.files_after : last.files_before;
    if (as_after && as_before) required.intersect(last.files_before);
    for (const QString& no : numbers) {
      for (const QString& path : {store::memo_body_path(data_, no), store::memo_images_path(data_, no)}) {
        const QString name = QFileInfo(path).fileName();
        QVERIFY2(!required.contains(name) || QFileInfo(path).isFile(),
                 qPrintable(context + QStringLiteral(": memo ") + no + QStringLiteral(" lost ") + name));
      }
    }
    check_backups(last, context);
  }

  // Only a running backup may leave its hidden temporary file beside the
  // archive; it is removed, so that none pile up. After the run's latest
  // backup, its archive's name holds nothing only if no archive was there
  // before and the backup is still running; what it holds is a complete
  // archive, and unless it is the one there before, it holds the data
  // directory as the backup found it.
  void check_backups(const Announcement& last, const QString& context) {
    const std::optional<BackupAnnouncement>& backup = last.backup;
    const bool running = backup && backup->n == last.n && !last.ended;
    const QStringList temporary = QDir(backups_).entryList({QStringLiteral(".*")}, QDir::Files | QDir::Hidden);
    for (const QString& name : temporary) {
      QVERIFY2(running && name.startsWith(QLatin1Char('.') + backup->name + QLatin1Char('.')),
               qPrintable(context + QStringLiteral(": a file left beside the archives: ") + name));
      QVERIFY(QFile::remove(backups_ + name));
    }
    if (!temporary.isEmpty()) ++writing_;
    if (!backup) return;
    const QString zip = backups_ + backup->name;
    const QString about = context + QStringLiteral(", backup %1: ").arg(backup->n) + zip;
    if (!QFileInfo(zip).isFile()) {
      QVERIFY2(running && backup->previous == "none", qPrintable(about + QStringLiteral(" is missing")));
      return;
    }
    QString error;
    const std::map<QString, QByteArray> entries = archive_digests(zip, &error);
    QVERIFY2(error.isEmpty(), qPrintable(about + QStringLiteral(": ") + error));
    const QString top = QStringLiteral("Verdalis/");
    QVERIFY2(entries.count(top + QStringLiteral("写真一覧.txt")) == 1, qPrintable(about + QStringLiteral(" has no picture list")));
    if (digest_of(zip) == backup->previous) return;
    QVERIFY2(entries.count(top + QStringLiteral("flower.dat")) == 1 &&
                 entries.at(top + QStringLiteral("flower.dat")) == backup->flower_dat,
             qPrintable(about + QStringLiteral(": flower.dat is missing or not the data directory's")));
    QSet<QString> memo_files;
    bool pictures = false;
    for (const auto& entry : entries) {
      if (entry.first.startsWith(top + QStringLiteral("memo/"))) memo_files.insert(entry.first.mid(top.size() + 5));
      pictures = pictures || entry.first.startsWith(top + QStringLiteral("写真/"));
    }
    QVERIFY2(memo_files == backup->memo_files, qPrintable(about + QStringLiteral(": memo/ is not the data directory's")));
    ++checked_;
    if (pictures) ++with_pictures_;
  }

  // Milliseconds from the "BEGIN" to the "END" of an operation other than a
  // backup, on average, from a worker that runs undisturbed. (The time
  // between operations, where the copy is worked on, does not count.)
  double operation_time(Worker& worker) {
    if (!worker.start(1)) return -1;
    std::optional<Announcement> last;
    QElapsedTimer timer;
    qint64 operations_ns = 0;
    int ended = 0;
    while (ended < 40) {
      const std::optional<QByteArray> text = worker.line();
      if (!text || text->startsWith("DONE")) return -1;
      worker.note(*text, last);
      if (text->startsWith("BEGIN")) timer.start();
      if (text->startsWith("END") && timer.isValid() && last->operation != "backup") {
        operations_ns += timer.nsecsElapsed();
        ++ended;
      }
    }
    const double per_op = static_cast<double>(operations_ns) / 1e6 / ended;
    worker.kill_run(last);
    return per_op;
  }

 private Q_SLOTS:
  void initTestCase() {
    QVERIFY(tmp_.isValid());
    data_ = tmp_.path() + QStringLiteral("/data/");
    shadow_ = tmp_.path() + QStringLiteral("/shadow/");
    backups_ = tmp_.path() + QStringLiteral("/backups/");
    QVERIFY(QDir().mkpath(data_));
    store::AppState state(data_);
    QVERIFY(store::start_up_data(state, store::Settings{}).ok);
  }

  void every_kill_leaves_a_consistent_directory() {
    Worker worker(data_, shadow_);
    QVERIFY(worker.started());
    const double per_op = operation_time(worker);
    QVERIFY2(per_op > 0, "the worker does not run");
    // Kills fall anywhere in one operation and a bit beyond. The span
    // adapts, as the backup's does, so that about half land inside an
    // operation however busy the machine is (a loaded machine wakes this
    // thread late, and a fixed span then lets most operations finish).
    double op_span_us = std::max(50.0, 2 * per_op * 1000);
    std::uniform_int_distribution<int> wait_for(1, 4);
    std::uniform_real_distribution<double> fraction(0, 1);
    // A kill after a backup has begun falls anywhere in this many ms; the
    // span adapts so that about half of these kills land inside the backup.
    double backup_span_ms = 10 * per_op;
    QElapsedTimer timer;
    timer.start();
    int interrupted = 0;
    int in_backup = 0;
    int kills = 0;
    // The kills go on past the budget until one has landed while an archive
    // was written: backups are one operation among many, and a run of bad
    // luck must not leave that moment untried.
    for (int kill = 1; kill <= kMostKills && (kill <= kKills || timer.elapsed() < kBudgetMs || writing_ == 0); ++kill) {
      kills = kill;
      QVERIFY(worker.start(static_cast<unsigned>(rng_())));
      const int begins = wait_for(rng_);
      std::optional<Announcement> last;
      for (int seen = 0; seen < begins;) {
        const std::optional<QByteArray> text = worker.line();
        QVERIFY2(text, "the worker stopped on its own");
        worker.note(*text, last);
        if (text->startsWith("BEGIN")) ++seen;
      }
      QVERIFY(last.has_value());
      const int seen_backup = last->operation == "backup" && !last->ended ? last->n : 0;
      wait_us((seen_backup ? backup_span_ms * 1000 : op_span_us) * fraction(rng_));
      const int status = worker.kill_run(last);
      QVERIFY2(WIFSIGNALED(status), qPrintable(QStringLiteral("the run ended by itself, status %1").arg(status)));
      if (!last->ended) ++interrupted;
      if (!last->ended && last->operation == "backup") ++in_backup;
      if (seen_backup) backup_span_ms *= last->n == seen_backup && !last->ended ? 1.25 : 0.8;
      else op_span_us = std::clamp(op_span_us * (last->ended ? 0.8 : 1.25), 1.0, 1e6);
      check_directory(*last, kill);
      if (QTest::currentTestFailed()) return;
      // The next run names its new archives afresh.
      for (const QString& name : QDir(backups_).entryList({QStringLiteral("新しい-*")}, QDir::Files))
        QVERIFY(QFile::remove(backups_ + name));
    }
    qInfo("%d kills, %d inside an operation, %d inside a backup (%d while its archive was written; %d new "
          "archives checked, %d with pictures), %.1f ms per operation, %.1f ms backup span, %lld ms",
          kills, interrupted, in_backup, writing_, checked_, with_pictures_, per_op, backup_span_ms,
          static_cast<long long>(timer.elapsed()));
    // Many kills must land inside an operation, and some while an archive
    // is written, or the test proves little.
    QVERIFY2(interrupted >= kills / 4, qPrintable(QString::number(interrupted)));
    QVERIFY2(writing_ > 0, "no kill landed while an archive was written");
  }
};

QTEST_GUILESS_MAIN(KillTest)
#include "test_kill.moc"
