// Kills a process that saves, corrects and deletes memos and edits the
// category lists (verdalis_kill_worker) at random moments, 200 times, and
// after every kill checks that the data directory still loads, that
// flower.dat is exactly as it was before the interrupted operation or as
// it is after it, and that no memo has lost a per-memo file it had.

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

constexpr int kKills = 200;

// One "BEGIN" line of the worker, and whether its "END" followed.
struct Announcement {
  int n = 0;
  QByteArray operation;
  QByteArray before;
  QByteArray after;
  QSet<QString> files_before;
  QSet<QString> files_after;
  bool ended = false;
};

QSet<QString> file_set(const QByteArray& field) {
  QSet<QString> files;
  if (field == "-") return files;
  for (const QByteArray& name : field.split(',')) files.insert(QString::fromUtf8(name));
  return files;
}

// A running worker whose stdout is read line by line.
class Worker {
 public:
  Worker(const QString& data, const QString& shadow, unsigned seed) {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(fds[1], 1);
      close(fds[0]);
      close(fds[1]);
      const QByteArray a = QFile::encodeName(data), b = QFile::encodeName(shadow), c = QByteArray::number(seed);
      execl(VERDALIS_KILL_WORKER, VERDALIS_KILL_WORKER, a.constData(), b.constData(), c.constData(), nullptr);
      _exit(127);
    }
    close(fds[1]);
    fd_ = fds[0];
  }
  ~Worker() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (fd_ >= 0) close(fd_);
  }

  bool started() const { return pid_ > 0 && fd_ >= 0; }

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
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, 10000) <= 0) return std::nullopt;
      char chunk[65536];
      const ssize_t got = read(fd_, chunk, sizeof chunk);
      if (got <= 0) return std::nullopt;
      buffer_.append(chunk, got);
    }
  }

  // Kills the worker and returns its exit status as waitpid gives it.
  int kill_now() {
    ::kill(pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return status;
  }

  // Records a line into the announcement log.
  void note(const QByteArray& text, std::optional<Announcement>& last) {
    const QList<QByteArray> f = text.split(' ');
    if (f.value(0) == "BEGIN" && f.size() == 7) {
      last = Announcement{f[1].toInt(), f[2], f[3], f[4], file_set(f[5]), file_set(f[6]), false};
    } else if (f.value(0) == "END" && last && f.value(1).toInt() == last->n) {
      last->ended = true;
    }
  }

 private:
  pid_t pid_ = -1;
  int fd_ = -1;
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

  QTemporaryDir tmp_;
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
  double operation_time() {
    Worker worker(data_, shadow_, 1);
    if (!worker.started()) return -1;
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
    worker.kill_now();
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
    const double per_op = operation_time();
    QVERIFY2(per_op > 0, "the worker does not run");
    // Kills fall anywhere in one operation and a bit beyond.
    std::uniform_int_distribution<int> delay_us(0, std::max(50, static_cast<int>(per_op * 1000)));
    std::uniform_int_distribution<int> wait_for(1, 4);
    QElapsedTimer timer;
    timer.start();
    int interrupted = 0;
    for (int kill = 1; kill <= kKills; ++kill) {
      Worker worker(data_, shadow_, static_cast<unsigned>(rng_()));
      QVERIFY(worker.started());
      const int begins = wait_for(rng_);
      std::optional<Announcement> last;
      for (int seen = 0; seen < begins;) {
        const std::optional<QByteArray> text = worker.line();
        QVERIFY2(text, "the worker stopped on its own");
        worker.note(*text, last);
        if (text->startsWith("BEGIN")) ++seen;
      }
      usleep(static_cast<useconds_t>(delay_us(rng_)));
      const int status = worker.kill_now();
      QVERIFY2(WIFSIGNALED(status), qPrintable(QStringLiteral("the worker ended by itself, status %1").arg(status)));
      while (const std::optional<QByteArray> text = worker.line()) worker.note(*text, last);
      QVERIFY(last.has_value());
      if (!last->ended) ++interrupted;
      check_directory(*last, kill);
      if (QTest::currentTestFailed()) return;
    }
    qInfo("%d kills, %d inside an operation, %.1f ms per operation, %lld ms", kKills, interrupted, per_op,
          static_cast<long long>(timer.elapsed()));
    // Most kills must land inside an operation, or the test proves little.
    QVERIFY2(interrupted >= kKills / 4, qPrintable(QString::number(interrupted)));
  }
};

QTEST_GUILESS_MAIN(KillTest)
#include "test_kill.moc"
