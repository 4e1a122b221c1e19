// Power cuts in the middle of each writer. verdalis_write_driver runs the
// writer under strace; the trace is replayed into a model of the data
// folder (crash_model.h), and at every event that changes or syncs
// something there, and at the writer's ACK, the states a power cut could
// leave are written into the data folder and loaded as the program starts
// (the recovery of unfinished saves included). Each must load without a
// message and show the diary as it was before the writer or as it is after
// it; once the writer has reported success, as after it. The diaries
// before and after come from plain runs of the driver, loaded the same way.
// All states of a point are checked when there are at most 64, otherwise
// 64 drawn with a fixed seed, the two extremes (nothing unsynced kept,
// everything kept) always among them. A first test holds the model to a
// real program's trace.
//
// VERDALIS_CRASH_NEGATIVE=1 runs the driver under eatmydata, which turns
// the syncs into no-ops: then states lose data and this test must fail.
// Anything else going wrong in that mode skips the writer instead, so that
// the run only fails for lost data. VERDALIS_CRASH_SEED changes the seed.

#include <QDir>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <sys/uio.h>
#include <thread>
#include <unistd.h>

#include "crash_model.h"
#include "store/diary/memo_files.h"
#include "store/diary/startup.h"
#include "syscall_trace.h"

namespace {

constexpr int kStatesPerPoint = 64;
constexpr int kFailuresShown = 4;

const bool kNegative = qEnvironmentVariableIntValue("VERDALIS_CRASH_NEGATIVE") == 1;
const quint32 kSeed = qEnvironmentVariableIsSet("VERDALIS_CRASH_SEED")
                          ? static_cast<quint32>(qEnvironmentVariableIntValue("VERDALIS_CRASH_SEED"))
                          : 20260508u;

// The diary as the program loads it: the index, both category lists, the
// settings and each listed memo's two files, by name.
struct Diary {
  QString problem;
  int memos = 0;
  std::map<QString, QByteArray> parts;
};

Diary load_diary(const QString& data) {
  store::AppState state(data + QLatin1Char('/'));
  const store::StartupData loaded =
      store::start_up_data(state, store::Settings{}, [] { return QDateTime(QDate(2026, 5, 9), QTime(8, 0)); });
  Diary d;
  if (!loaded.ok) {
    d.problem = QStringLiteral("does not load: ") + loaded.message;
    return d;
  }
  if (!loaded.warnings.isEmpty()) d.problem = QStringLiteral("warns: ") + loaded.warnings.join(QLatin1Char(' '));
  d.memos = state.memo_count();
  d.parts[QStringLiteral("flower.dat")] = state.memo_table.file_bytes();
  d.parts[QStringLiteral("basyo.dat")] = state.location_list.names.join(QLatin1Char('\n')).toUtf8();
  d.parts[QStringLiteral("hinsyu.dat")] = state.variety_list.names.join(QLatin1Char('\n')).toUtf8();
  const store::Settings& s = state.settings;
  d.parts[QStringLiteral("flower.ini")] = QStringLiteral("%1 %2 %3 %4 %5 %6 %7")
                                             .arg(s.highest_memo_no)
                                             .arg(s.window_state)
                                             .arg(s.window_top)
                                             .arg(s.window_left)
                                             .arg(s.window_height)
                                             .arg(s.window_width)
                                             .arg(s.grid_height)
                                             .toUtf8();
  for (size_t i = 0; i < state.memo_table.size(); ++i) {
    const QString no = state.memo_table.text(i, store::MemoField::MemoNo);
    for (const QString& path : {store::memo_body_path(state.data_dir, no), store::memo_images_path(state.data_dir, no)}) {
      QFile file(path);
      d.parts[QStringLiteral("memo/") + QFileInfo(path).fileName()] = file.open(QIODevice::ReadOnly) ? file.readAll() : "(none)";
    }
  }
  return d;
}

// The names of the parts in which diary a differs from b, marked when a
// lost all of it.
QStringList differences(const Diary& a, const Diary& b) {
  QStringList names;
  std::set<QString> keys;
  for (const auto& [k, v] : a.parts) keys.insert(k);
  for (const auto& [k, v] : b.parts) keys.insert(k);
  for (const QString& k : keys) {
    const QByteArray mine = a.parts.count(k) ? a.parts.at(k) : "(none)";
    const QByteArray theirs = b.parts.count(k) ? b.parts.at(k) : "(none)";
    if (mine != theirs) names << k + (mine.isEmpty() ? QStringLiteral(" (empty)") : QString());
  }
  return names;
}

const QString kCalls = QStringLiteral(
    "trace=openat,open,creat,write,pwrite64,writev,pwritev,pwritev2,lseek,ftruncate,truncate,fsync,fdatasync,"
    "syncfs,sync,rename,renameat,renameat2,link,linkat,unlink,unlinkat,rmdir,mkdir,mkdirat,close,dup,dup2,dup3,"
    "fcntl,copy_file_range,sendfile");

// strace's arguments that write the trace of a program to `file`.
QStringList traced(const QString& file) { return {"-f", "-y", "-xx", "-s", "1048576", "-o", file, "-e", kCalls}; }

bool run(const QString& program, const QStringList& args, const QString& cwd, const QString& out = QString()) {
  QProcess p;
  p.setWorkingDirectory(cwd);
  if (!out.isEmpty()) p.setStandardOutputFile(out);
  p.start(program, args);
  return p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

bool copy(const QString& from, const QString& to) { return run(QStringLiteral("cp"), {"-a", from, to}, QDir::tempPath()); }

QByteArray read_file(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Loads crash states, each distinct one once, in the traced data folder
// itself: a save's record names its files by their full paths and the
// folder by its inode.
class Loader {
 public:
  explicit Loader(QString data) : data_(std::move(data)) {}
  const Diary& load(const crash::Tree& tree) {
    const QByteArray key = tree.key();
    if (const auto it = cache_.find(key); it != cache_.end()) return it->second;
    QDir folder(data_);
    bool emptied = true;
    for (const QFileInfo& entry : folder.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
      emptied &= entry.isDir() && !entry.isSymLink() ? QDir(entry.filePath()).removeRecursively() : folder.remove(entry.fileName());
    }
    QString error;
    Diary d;
    if (!emptied || !tree.write_to(data_, &error)) {
      d.problem = QStringLiteral("cannot be written for the check: ") + error;
    } else {
      d = load_diary(data_);
    }
    return cache_.emplace(key, std::move(d)).first->second;
  }
  size_t distinct() const { return cache_.size(); }

 private:
  QString data_;
  std::map<QByteArray, Diary> cache_;
};

// The picks of the states checked at one point.
std::vector<std::vector<int>> picks_for(const std::vector<crash::Choice>& choices, std::mt19937& rng) {
  qint64 total = 1;
  for (const crash::Choice& c : choices) total = std::min<qint64>(total * c.options, kStatesPerPoint + 1);
  std::vector<std::vector<int>> all;
  std::vector<int> picks(choices.size(), 0);
  if (total <= kStatesPerPoint) {
    for (qint64 n = 0; n < total; ++n) {
      all.push_back(picks);
      size_t i = 0;
      while (i < picks.size() && ++picks[i] == choices[i].options) picks[i++] = 0;
    }
    return all;
  }
  all.push_back(picks);
  for (size_t i = 0; i < picks.size(); ++i) picks[i] = choices[i].options - 1;
  all.push_back(picks);
  while (all.size() < kStatesPerPoint) {
    for (size_t i = 0; i < picks.size(); ++i) picks[i] = std::uniform_int_distribution<int>(0, choices[i].options - 1)(rng);
    all.push_back(picks);
  }
  return all;
}

// Started as "--probe DIR" by the model test: writes into DIR as QSaveFile
// does (an unnamed file linked in), from two threads at once, through a
// duplicated descriptor, over a truncated file, into a new sub-folder and
// under a second name.
int probe(const char* dir) {
  const QByteArray d(dir);
  for (const char* name : {"a.txt", "new.txt"}) {
    QSaveFile file(QFile::decodeName(d + '/' + name));
    if (!file.open(QIODevice::WriteOnly)) return 1;
    file.write(name[0] == 'a' ? QByteArray(5000, 'q') : QByteArray("new"));
    if (!file.commit()) return 1;
  }
  std::atomic_bool ok = true;
  std::thread appender([&] {
    for (int i = 0; i < 20; ++i) {
      const int fd = ::open(d + "/t.txt", O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
      const iovec parts[] = {{const_cast<char*>("t"), 1}, {const_cast<char*>("\n"), 1}};
      ok = ok && ::writev(fd, parts, 2) == 2 && ::fsync(fd) == 0 && ::close(fd) == 0;
    }
  });
  const int u = ::open(d + "/u.txt", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  const int s = ::mkdir(d + "/sub", 0755) == 0 ? ::open(d + "/sub/s.txt", O_WRONLY | O_CREAT | O_CLOEXEC, 0644) : -1;
  const int sub = ::open(d + "/sub", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  const int folder = ::open(d, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  const int again = ::dup(u);
  const int n = ::open(d + "/new.txt", O_WRONLY | O_TRUNC | O_CLOEXEC);
  const QByteArray big(9000, 'N');
  ok = ok && ::pwrite(u, "uu", 2, 0) == 2 && ::fdatasync(u) == 0 && ::write(again, "VV", 2) == 2 &&
       ::ftruncate(u, 1) == 0 && ::write(n, big.constData(), big.size()) == big.size() && ::write(s, "s", 1) == 1 && ::fsync(s) == 0 && ::fsync(sub) == 0 &&
       ::link(d + "/a.txt", d + "/b.txt") == 0 && ::renameat(folder, "u.txt", folder, "v.txt") == 0;
  for (const int fd : {u, again, n, s, sub, folder}) ::close(fd);
  appender.join();
  return ok ? 0 : 1;
}

}  // namespace

// A step the check needs. In the run without syncs its failure skips the
// writer, so that only lost data can make that run fail.
#define REQUIRE(cond, why)                            \
  do {                                                \
    if (!(cond)) {                                    \
      if (kNegative) QSKIP(qPrintable(QString(why))); \
      QFAIL(qPrintable(QString(why)));                \
    }                                                 \
  } while (0)

class TestCrashStates : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase() {
    // In a sanitized build: eatmydata preloads its library ahead of the
    // driver's sanitizer runtime, which does no harm here, and the leak
    // checker cannot run in a process that strace follows.
    qputenv("ASAN_OPTIONS", qgetenv("ASAN_OPTIONS") + ":verify_asan_link_order=0:detect_leaks=0");
    qInfo("seed %u, at most %d states per crash point%s", kSeed, kStatesPerPoint,
          kNegative ? ", syncs removed by eatmydata" : "");
  }

  void writer_data() {
    QTest::addColumn<QStringList>("writers");
    for (const char* w : {"new", "correct", "delete", "bulk_delete", "category_add", "category_edit", "shutdown",
                          "repoint", "import"}) {
      QTest::newRow(w) << QStringList{QString::fromLatin1(w)};
    }
    // The undo needs a re-pointing of the same run before it.
    QTest::newRow("repoint_undo") << QStringList{"repoint", "repoint_undo"};
  }

  // The model against a real run: it ends where the folder ends, and the
  // states of a crash at the end show each name with just the contents
  // the syncs allow.
  void model_follows_a_program() {
    QTemporaryDir tmp;
    const QString data = tmp.path() + "/data";
    QVERIFY(QDir().mkpath(data));
    QFile old(data + "/a.txt");
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old\n") == 4);
    old.close();
    crash::Tree start, end;
    QString error;
    QVERIFY2(crash::Tree::read_from(data, start, &error), qPrintable(error));
    const QString trace_file = tmp.path() + "/trace";
    QVERIFY(run(QStringLiteral("strace"), traced(trace_file) + QStringList{QCoreApplication::applicationFilePath(), "--probe", data}, tmp.path()));
    const crash::Trace trace = crash::parse_trace(read_file(trace_file));
    QVERIFY2(trace.problems.isEmpty(), qPrintable(trace.problems.join('\n')));
    crash::Model model(QFile::encodeName(data), QFile::encodeName(tmp.path()));
    QVERIFY(model.start_from(start));
    for (const crash::TraceEvent& e : trace.events) model.apply(e);
    QVERIFY2(model.problem().isEmpty(), qPrintable(model.problem()));
    QVERIFY2(crash::Tree::read_from(data, end, &error), qPrintable(error));
    QCOMPARE(model.present().key(), end.key());

    const std::vector<crash::Choice> choices = model.choices();
    QVERIFY(choices.size() < 12);
    std::vector<int> picks(choices.size(), 0);
    std::map<QByteArray, std::set<QByteArray>> seen;
    for (bool more = true; more;) {
      const crash::Tree state = model.state(picks);
      for (const char* name : {"a.txt", "b.txt", "new.txt", "t.txt", "v.txt", "sub/s.txt"}) {
        const auto link = state.links.find(name);
        const auto file = state.files.find(link == state.links.end() ? QByteArray(name) : link->second);
        seen[name].insert(file == state.files.end() ? QByteArray("-") : file->second);
      }
      QVERIFY(state.dirs.count("sub") || !state.files.count("sub/s.txt"));
      size_t i = 0;
      while (i < picks.size() && ++picks[i] == choices[i].options) picks[i++] = 0;
      more = i < picks.size();
    }
    const QByteArray q(5000, 'q');
    QCOMPARE(seen["a.txt"], (std::set<QByteArray>{"old\n", q}));
    QCOMPARE(seen["b.txt"], (std::set<QByteArray>{"-", q}));
    // Unsynced bytes reach the disk in whole pages of 4 KB, in order.
    QCOMPARE(seen["new.txt"], (std::set<QByteArray>{"-", "new", "", QByteArray(4096, 'N'), QByteArray(8192, 'N'),
                                                     QByteArray(9000, 'N')}));
    QCOMPARE(seen["t.txt"], (std::set<QByteArray>{"-", QByteArray("t\n").repeated(20)}));
    QCOMPARE(seen["v.txt"], (std::set<QByteArray>{"-", "uu", "VV", "V"}));
    QCOMPARE(seen["sub/s.txt"], (std::set<QByteArray>{"-", "s"}));
  }

  void writer() {
    QFETCH(QStringList, writers);
    const QString strace = QStandardPaths::findExecutable(QStringLiteral("strace"));
    REQUIRE(!strace.isEmpty(), "strace is not installed");
    QTemporaryDir tmp;
    const QString dir = tmp.path() + QStringLiteral("/diary");
    const QString data = dir + QStringLiteral("/data");
    const QString driver = QStringLiteral(VERDALIS_WRITE_DRIVER);
    REQUIRE(run(driver, {"prepare", dir}, tmp.path()), "prepare failed");
    REQUIRE(copy(dir, tmp.path() + "/before"), "cannot copy the prepared diary");

    // The data folder after each writer of the list, from plain runs in the
    // same place (picture lists hold absolute paths).
    std::vector<crash::Tree> snapshots(writers.size() + 1);
    QString error;
    REQUIRE(crash::Tree::read_from(data, snapshots[0], &error), error);
    for (qsizetype n = 1; n <= writers.size(); ++n) {
      const QString out = tmp.path() + "/plain.out";
      REQUIRE(run(driver, QStringList{"run", dir} + writers.mid(0, n), dir, out), "the writer failed: " + read_file(out));
      REQUIRE(crash::Tree::read_from(data, snapshots[n], &error), error);
      REQUIRE(QDir(dir).removeRecursively() && copy(tmp.path() + "/before", dir), "cannot restore the diary");
    }

    // The traced run.
    const QString trace_file = tmp.path() + "/trace";
    const QString out = tmp.path() + "/traced.out";
    QStringList args = traced(trace_file);
    if (kNegative) args << QStringLiteral("eatmydata");
    REQUIRE(run(strace, args + QStringList{driver, "run", dir} + writers, dir, out),
            "the traced writer failed: " + read_file(out));
    const crash::Trace trace = crash::parse_trace(read_file(trace_file));
    REQUIRE(trace.problems.isEmpty(), trace.problems.join('\n'));
    crash::Tree traced;
    REQUIRE(crash::Tree::read_from(data, traced, &error), error);
    REQUIRE(traced.key() == snapshots.back().key(), "the traced run wrote other bytes than the plain run");

    Loader loader(data);
    std::vector<Diary> expected;
    for (const crash::Tree& t : snapshots) {
      expected.push_back(loader.load(t));
      REQUIRE(expected.back().problem.isEmpty(), "a snapshot " + expected.back().problem);
    }
    for (size_t n = 1; n < expected.size(); ++n) {
      REQUIRE(!differences(expected[n - 1], expected[n]).isEmpty(), "the writer changes nothing the diary shows");
    }

    crash::Model model(QFile::encodeName(data), QFile::encodeName(dir));
    REQUIRE(model.start_from(snapshots[0]), "the prepared folder cannot be modelled");
    std::mt19937 rng(kSeed);
    int acks = 0, points = 0, states = 0, failures = 0;
    QStringList shown;
    for (const crash::TraceEvent& e : trace.events) {
      const bool ack = e.call == "write" && e.arg(0).number() == 1 && e.arg(1).text.startsWith("ACK ");
      acks += ack ? 1 : 0;
      const bool changed = model.apply(e);
      REQUIRE(model.problem().isEmpty(), model.problem());
      if ((!changed && !ack) || (kNegative && failures >= kFailuresShown)) continue;
      ++points;
      const std::vector<crash::Choice> choices = model.choices();
      for (const std::vector<int>& picks : picks_for(choices, rng)) {
        ++states;
        const Diary& d = loader.load(model.state(picks));
        const Diary& later = expected[std::min<size_t>(acks + 1, expected.size() - 1)];
        QString why = d.problem;
        if (why.isEmpty() && differences(d, expected[acks]).isEmpty()) continue;
        if (why.isEmpty() && differences(d, later).isEmpty()) continue;
        if (why.isEmpty() && d.memos == 0) why = QStringLiteral("loads as an empty diary");
        if (why.isEmpty()) {
          why = QStringLiteral("%1 memos; differs from before in %2, from after in %3")
                    .arg(d.memos)
                    .arg(differences(d, expected[acks]).join(','), differences(d, later).join(','));
        }
        const QString line = QStringLiteral("trace line %1 (%2%3): %4")
                                 .arg(e.line)
                                 .arg(QString::fromLatin1(e.call), acks ? QStringLiteral(", after ACK %1").arg(acks) : QString(),
                                      why.left(300));
        ++failures;
        if (shown.size() < kFailuresShown && !shown.contains(line)) shown << line;
      }
    }
    REQUIRE(acks == writers.size(), "the trace lacks an ACK");
    REQUIRE(model.present().key() == traced.key(), "the model ends other than the folder did");
    if (kNegative) REQUIRE(model.syncs() == 0, "eatmydata left syncs in the trace");
    qInfo("%s: %lld trace events, %d syncs, %d crash points, %d states checked (%zu distinct), %d failures",
          qPrintable(writers.join('+')), static_cast<long long>(trace.events.size()), model.syncs(), points, states,
          loader.distinct(), failures);
    QVERIFY2(failures == 0, qPrintable(shown.join('\n')));
  }
};

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--probe") == 0) return probe(argv[2]);
  QCoreApplication app(argc, argv);
  TestCrashStates test;
  return QTest::qExec(&test, argc, argv);
}

#include "test_crash_states.moc"
