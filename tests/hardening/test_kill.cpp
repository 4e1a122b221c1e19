// Kills a process that saves, corrects and deletes memos and edits the
// category lists (verdalis_kill_worker) at random moments, 200 to 1000 times, and
// after every kill checks that the data directory still loads, that
// flower.dat is exactly as it was before the interrupted operation or as
// it is after it, that each picture list file a re-pointing of pictures
// changes holds its old or its new bytes, and that no memo has lost a
// per-memo file it had.

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <optional>
#include <poll.h>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

#include "data_dir.h"
#include "store/codec.h"
#include "store/memo_files.h"
#include "store/startup.h"

namespace {

// At least this many kills, and more while the test is under ten seconds.
constexpr int kKills = 200;
constexpr int kMostKills = 1000;
constexpr qint64 kBudgetMs = 10000;

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
      last = Announcement{f[1].toInt(), f[2], f[3], f[4], file_set(f[5]), file_set(f[6]), {}, false};
      if (f[7] != "-") {
        for (const QByteArray& entry : f[7].split(',')) last->lists << entry.split(':');
      }
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

QByteArray digest_of(const QString& path) {
  return QCryptographicHash::hash(testing_support::read_bytes(path), QCryptographicHash::Sha1).toHex();
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
  std::mt19937 rng_{20260508};

  // Checks the data directory after the worker was killed while `last`
  // was the latest operation it had announced.
  void check_directory(const Announcement& last, int kill) {
    const QString context = QStringLiteral("kill %1, operation %2 %3 (%4)")
                                .arg(kill)
                                .arg(last.n)
                                .arg(QString::fromLatin1(last.operation), last.ended ? "finished" : "interrupted");
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

    store::AppState state(data_);
    const store::StartupData loaded = store::start_up_data(state, store::Settings{}, [] { return QDateTime(); });
    QVERIFY2(loaded.ok && loaded.warnings.isEmpty(), qPrintable(context + loaded.message + loaded.warnings.join(';')));
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
  }

  // Milliseconds per operation, from a worker that runs undisturbed.
  double operation_time(Worker& worker) {
    if (!worker.start(1)) return -1;
    std::optional<Announcement> last;
    QElapsedTimer timer;
    int ended = 0;
    while (ended < 40) {
      const std::optional<QByteArray> text = worker.line();
      if (!text) return -1;
      if (text->startsWith("BEGIN") && !timer.isValid()) timer.start();
      if (text->startsWith("END") && timer.isValid()) ++ended;
      worker.note(*text, last);
    }
    const double per_op = static_cast<double>(timer.nsecsElapsed()) / 1e6 / ended;
    worker.kill_run(last);
    return per_op;
  }

 private Q_SLOTS:
  void initTestCase() {
    QVERIFY(tmp_.isValid());
    data_ = tmp_.path() + QStringLiteral("/data/");
    shadow_ = tmp_.path() + QStringLiteral("/shadow/");
    QVERIFY(QDir().mkpath(data_));
    store::AppState state(data_);
    QVERIFY(store::start_up_data(state, store::Settings{}).ok);
  }

  void every_kill_leaves_a_consistent_directory() {
    Worker worker(data_, shadow_);
    QVERIFY(worker.started());
    const double per_op = operation_time(worker);
    QVERIFY2(per_op > 0, "the worker does not run");
    // Kills fall anywhere in one operation and a bit beyond.
    std::uniform_int_distribution<int> delay_us(0, std::max(50, static_cast<int>(per_op * 1000)));
    std::uniform_int_distribution<int> wait_for(1, 4);
    QElapsedTimer timer;
    timer.start();
    int interrupted = 0;
    int kills = 0;
    for (int kill = 1; kill <= kMostKills && (kill <= kKills || timer.elapsed() < kBudgetMs); ++kill) {
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
      usleep(static_cast<useconds_t>(delay_us(rng_)));
      const int status = worker.kill_run(last);
      QVERIFY2(WIFSIGNALED(status), qPrintable(QStringLiteral("the run ended by itself, status %1").arg(status)));
      QVERIFY(last.has_value());
      if (!last->ended) ++interrupted;
      check_directory(*last, kill);
      if (QTest::currentTestFailed()) return;
    }
    qInfo("%d kills, %d inside an operation, %.1f ms per operation, %lld ms", kills, interrupted, per_op,
          static_cast<long long>(timer.elapsed()));
    // Many kills must land inside an operation, or the test proves little.
    QVERIFY2(interrupted >= kills / 4, qPrintable(QString::number(interrupted)));
  }
};

QTEST_GUILESS_MAIN(KillTest)
#include "test_kill.moc"
