// Start-up (the single-copy lock, first run, existing and damaged data
// files), the byte-exact round trip of a data directory through start-up
// and shut-down, and the failures shut-down reports.

#include <QDir>
#include <QRegularExpression>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QtTest>
#include <optional>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include "store/diary/category_list.h"
#include "store/diary/memo_index.h"
#include "store/diary/settings.h"
#include "store/diary/shutdown.h"
#include "store/diary/startup.h"
#include "store/files/codec.h"
#include "store_test_util.h"

using namespace testutil;

namespace {

const QByteArray kAbsent("<absent>");
const store::Settings kWindow{0, 0, 100, 200, 480, 640, 300};
QDateTime fixed_clock() { return QDateTime(QDate(2026, 5, 3), QTime(9, 8, 7)); }

// flower.ini with the given highest number line.
QByteArray ini_with(const QByteArray& highest) { return crlf({highest, " 0 ", " 1 ", " 2 ", " 3 ", " 4 ", " 5 "}); }

QByteArray index_record(const QByteArray& memo_no) {
  return crlf({"2026/04/01", hex("8ec590b6"), hex("915391cc"), hex("83818382"), memo_no, "2026/04/01 08:00:00",
               "2026/04/01 08:00:00"});
}

// A lock file as QLockFile writes it: pid, program, host, machine and boot.
QByteArray lock_lines(qint64 pid, const QByteArray& host) {
  const QByteArray program = QFileInfo(QCoreApplication::applicationFilePath()).fileName().toUtf8();
  return QByteArray::number(pid) + '\n' + program + '\n' + host + '\n' + QSysInfo::machineUniqueId() + '\n' +
         QSysInfo::bootUniqueId() + '\n';
}

// Every entry of a folder, hidden ones too.
QStringList entries(const QString& folder) {
  return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

}  // namespace

class StartupShutdownTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void initTestCase() {
    for (const char* name : {"XDG_RUNTIME_DIR", "TMPDIR"}) saved_env_.emplace_back(name, qgetenv(name));
  }
  void cleanup() {
    for (const auto& [name, value] : saved_env_) {
      if (value.isNull()) qunsetenv(name);
      else qputenv(name, value);
    }
  }

  // A second lock of the data folder, reached as `second`. `inFolder` is a
  // .verdalis.lock that a sync tool or an older version left in the data
  // folder: never obeyed, never touched. `inRuntime` is a lock file left
  // where this machine's lock lives, before the first copy starts.
  void instanceLock_data() {
    QTest::addColumn<QString>("second");
    QTest::addColumn<QByteArray>("inFolder");
    QTest::addColumn<QByteArray>("inRuntime");
    QTest::addColumn<bool>("refused");
    const QByteArray other_pc = lock_lines(31337, "other-pc");
    const QByteArray live_here = lock_lines(QCoreApplication::applicationPid(), QSysInfo::machineHostName().toUtf8());
    const QByteArray crashed = lock_lines(999999, QSysInfo::machineHostName().toUtf8());
    QTest::newRow("same path") << "same" << QByteArray() << QByteArray() << true;
    QTest::newRow("same folder spelt with ..") << "dotdot" << QByteArray() << QByteArray() << true;
    QTest::newRow("through a symbolic link") << "symlink" << QByteArray() << QByteArray() << true;
    QTest::newRow("other machine's lock in the folder") << "same" << other_pc << QByteArray() << true;
    QTest::newRow("folder of the same name elsewhere") << "elsewhere" << live_here << QByteArray() << false;
    QTest::newRow("after the first let go") << "released" << live_here << QByteArray() << false;
    QTest::newRow("crashed copy's lock taken over") << "same" << other_pc << crashed << true;
  }
  void instanceLock() {
    QFETCH(QString, second);
    QFETCH(QByteArray, inFolder);
    QFETCH(QByteArray, inRuntime);
    QFETCH(bool, refused);
    QTemporaryDir runtime, tmp, tmp2;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    const QString folder = tmp.path() + "/Verdalis/";
    QVERIFY(QDir().mkpath(folder));
    if (!inFolder.isEmpty()) QVERIFY(write_raw(folder + ".verdalis.lock", inFolder));
    const QString lock_path = store::instance_lock_path(folder);
    QCOMPARE(QFileInfo(lock_path).path(), runtime.path());
    QVERIFY2(QRegularExpression("^verdalis-[0-9a-f]{40}\\.lock$").match(QFileInfo(lock_path).fileName()).hasMatch(),
             qPrintable(lock_path));
    if (!inRuntime.isEmpty()) QVERIFY(write_raw(lock_path, inRuntime));
    const QStringList before = entries(folder);

    std::optional<store::InstanceLock> first(std::in_place, folder);
    QCOMPARE(first->acquire(), store::InstanceLock::Outcome::Acquired);
    QVERIFY(QFileInfo(lock_path).isFile());
    QString path = folder;
    if (second == "dotdot") path = tmp.path() + "/Verdalis/../Verdalis";
    if (second == "symlink") {
      path = tmp2.path() + "/link/";
      QVERIFY(QFile::link(folder, tmp2.path() + "/link"));
    }
    if (second == "elsewhere") {
      path = tmp2.path() + "/Verdalis/";
      QVERIFY(QDir().mkpath(path));
    }
    if (second == "released") {
      first.reset();
      QVERIFY(!QFileInfo::exists(lock_path));
    }
    store::InstanceLock other(path);
    QCOMPARE(other.acquire(),
             refused ? store::InstanceLock::Outcome::AlreadyRunning : store::InstanceLock::Outcome::Acquired);
    QCOMPARE(entries(folder), before);
    if (!inFolder.isEmpty()) QCOMPARE(read_raw(folder + ".verdalis.lock"), inFolder);
    if (second == "elsewhere") QCOMPARE(entries(path), QStringList{});
  }

  // Where the lock goes when XDG_RUNTIME_DIR cannot hold it: never into the
  // data folder, always into a folder of this user alone.
  void lockFolder_data() {
    QTest::addColumn<QString>("runtime");
    QTest::newRow("unset") << QString();
    QTest::newRow("missing folder") << "missing";
    QTest::newRow("a file") << "file";
    QTest::newRow("relative path") << "relative";
    QTest::newRow("others can write") << "shared";
    // Qt's own fallback, <TMPDIR>/runtime-<user>, blocked by a file.
    QTest::newRow("Qt's runtime folder unusable too") << "blocked";
  }
  void lockFolder() {
    QFETCH(QString, runtime);
    QTemporaryDir tmp;
    const QString folder = tmp.path() + "/data/";
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(write_raw(tmp.path() + "/file", "x"));
    QVERIFY(QDir().mkpath(tmp.path() + "/shared"));
    QVERIFY(QFile::setPermissions(tmp.path() + "/shared", QFileDevice::Permissions(0x7777)));
    if (runtime == "blocked") {
      const passwd* user = ::getpwuid(::geteuid());
      QVERIFY(user && write_raw(tmp.path() + "/runtime-" + QFile::decodeName(user->pw_name), "x"));
      qputenv("TMPDIR", QFile::encodeName(tmp.path()));
    }
    if (runtime.isEmpty() || runtime == "blocked") qunsetenv("XDG_RUNTIME_DIR");
    else qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime == "relative" ? "data" : tmp.path() + "/" + runtime));
    QDir::setCurrent(tmp.path());
    store::InstanceLock lock(folder);
    QCOMPARE(lock.acquire(), store::InstanceLock::Outcome::Acquired);
    const QString lock_path = store::instance_lock_path(folder);
    QVERIFY2(QFileInfo(lock_path).isFile(), qPrintable(lock_path));
    const QString lock_folder = QFileInfo(lock_path).path();
    QVERIFY2(lock_folder != QDir::cleanPath(folder) && lock_folder != tmp.path() + "/shared", qPrintable(lock_path));
    struct stat st {};
    QCOMPARE(::stat(QFile::encodeName(lock_folder).constData(), &st), 0);
    QCOMPARE(st.st_uid, ::geteuid());
    QCOMPARE(st.st_mode & 077, 0u);
    if (runtime == "blocked") QCOMPARE(lock_folder, QStringLiteral("/tmp/verdalis-%1").arg(::geteuid()));
    QCOMPARE(entries(folder), QStringList{});
  }

  void firstRun() {
    QTemporaryDir tmp;
    store::AppState state(tmp.path() + "/");
    const store::StartupData out = store::start_up_data(state, kWindow, &fixed_clock);
    QVERIFY2(out.ok, qPrintable(out.message));
    QVERIFY(out.warnings.isEmpty());
    QVERIFY(QFileInfo(state.memo_dir_path()).isDir());
    // flower.ini is written before the welcome memo takes its number.
    QCOMPARE(read_raw(state.flower_ini_path()), QByteArray(" 0 \r\n 0 \r\n 100 \r\n 200 \r\n 480 \r\n 640 \r\n 300 \r\n"));
    QCOMPARE(read_raw(state.flower_dat_path()).toHex(' '),
             crlf({"2026/05/03", hex("8e4783818382"), hex("82bb82cc91bc"),
                   hex("817956657264616c6973817a82b29798977082cc82a897e7"), " 1 ", "2026/05/03 09:08:07",
                   "2026/05/03 09:08:07"})
                 .toHex(' '));
    QCOMPARE(read_raw(state.basyo_dat_path()).toHex(' '),
             crlf({hex("89d49264"), hex("83418376838d815b8360"), hex("8ec590b6"), hex("89b78eba"), hex("97a092eb"),
                   hex("926d8eaf814583528363")})
                 .toHex(' '));
    QCOMPARE(read_raw(state.hinsyu_dat_path()).toHex(' '),
             crlf({hex("915391cc"), hex("837083938357815b"), hex("83608385815b838a83628376"), hex("83788353836a8341"),
                   hex("837983608385836a8341"), hex("93fa93fa9190"), hex("8354838b83728341"), hex("92a98ae7"),
                   hex("82d082dc82ed82e8"), hex("965090e589d4"), hex("9774837b835e8393"), hex("8367837d8367"),
                   hex("9379814594ec97bf"), hex("97708bef"), hex("948382a295a8")})
                 .toHex(' '));

    const QStringList welcome = store::welcome_body_lines();
    QCOMPARE(welcome.size(), 9);
    QCOMPARE(welcome.mid(0, 4), (QStringList{"この度は、【Verdalis】をご利用下さいまして", "まことにありがとうございます。",
                                             "ご質問等がございましたら、下記でお受け致しますので、",
                                             "宜しくお願い致します。"}));
    QVERIFY(welcome[4].isEmpty() && welcome[7].isEmpty());
    const QByteArray body = read_raw(state.data_dir + "memo/m0000001.txt");
    QVERIFY(body.startsWith(hex("82b182cc937882cd8141817956657264616c6973817a82f082b29798977089ba82b382a282dc82b582c4"
                                "0d0a82dc82b182c682c982a082e882aa82c682a482b282b482a282dc82b78142 0d0a")));
    QCOMPARE(body, store::encode_cp932(welcome.join("\r\n") + "\r\n"));

    QCOMPARE(state.memo_count(), 1);
    QCOMPARE(state.settings.highest_memo_no, qint64(1));
    QCOMPARE(state.memo_table[0].memo_no, QStringLiteral(" 1 "));
    QCOMPARE(state.memo_table[0].title, QStringLiteral("【Verdalis】ご利用のお礼"));
    QCOMPARE(state.location_list.names, store::default_locations());
    QCOMPARE(state.variety_list.names, store::default_varieties());
    QCOMPARE(state.settings.window_height, 480.0f);
  }

  // Given files (kAbsent: none) are read as they are, never replaced.
  void existingFiles_data() {
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QByteArray>("dat");
    QTest::addColumn<QByteArray>("basyo");
    QTest::addColumn<int>("count");
    QTest::addColumn<qint64>("highest");
    QTest::addColumn<QString>("welcomeBody");
    QTest::newRow("ini at 41, no index") << ini_with(" 41 ") << kAbsent << kAbsent << 1 << qint64(42)
                                         << "m0000042.txt";
    QTest::newRow("empty index") << kAbsent << QByteArray("") << kAbsent << 0 << qint64(0) << "";
    QTest::newRow("empty basyo.dat") << kAbsent << QByteArray("") << QByteArray("") << 0 << qint64(0) << "";
    QTest::newRow("index raises highest") << ini_with(" 5 ") << index_record(" 9 ") << kAbsent << 1 << qint64(9) << "";
    QTest::newRow("ini above index") << ini_with("50") << index_record("9") << kAbsent << 1 << qint64(50) << "";
  }
  void existingFiles() {
    QFETCH(QByteArray, ini);
    QFETCH(QByteArray, dat);
    QFETCH(QByteArray, basyo);
    QFETCH(int, count);
    QFETCH(qint64, highest);
    QFETCH(QString, welcomeBody);
    QTemporaryDir tmp;
    store::AppState state(tmp.path() + "/");
    for (const auto& [bytes, path] : {std::pair{ini, state.flower_ini_path()}, std::pair{dat, state.flower_dat_path()},
                                      std::pair{basyo, state.basyo_dat_path()}}) {
      if (bytes != kAbsent) QVERIFY(write_raw(path, bytes));
    }
    const store::StartupData out = store::start_up_data(state, kWindow, &fixed_clock);
    QVERIFY2(out.ok, qPrintable(out.message));
    QCOMPARE(state.memo_count(), count);
    QCOMPARE(state.settings.highest_memo_no, highest);
    if (dat != kAbsent) QCOMPARE(read_raw(state.flower_dat_path()), dat);
    if (basyo != kAbsent) {
      QCOMPARE(read_raw(state.basyo_dat_path()), basyo);
      QCOMPARE(state.location_list.names, store::split_lines(store::decode_cp932(basyo)));
    }
    const QStringList bodies = QDir(state.memo_dir_path()).entryList(QDir::Files);
    if (welcomeBody.isEmpty()) {
      QCOMPARE(bodies, QStringList{});
    } else {
      QCOMPARE(bodies, QStringList{welcomeBody});
      QCOMPARE(state.memo_table[0].memo_no, store::format_number_field(highest));
      QVERIFY(read_raw(state.flower_dat_path()).contains("\r\n" + state.memo_table[0].memo_no.toLatin1() + "\r\n"));
    }
  }

  void truncatedIndex() {
    QTemporaryDir tmp;
    store::AppState state(tmp.path() + "/");
    const QByteArray dat = index_record(" 3 ") + crlf({"2026/05/03", hex("89d49264"), "", "cut"});
    QVERIFY(write_raw(state.flower_dat_path(), dat));
    const store::StartupData out = store::start_up_data(state, kWindow, &fixed_clock);
    QVERIFY2(out.ok, qPrintable(out.message));
    QCOMPARE(out.warnings.size(), 1);
    QVERIFY2(out.warnings[0].contains(state.flower_dat_path()), qPrintable(out.warnings[0]));
    QCOMPARE(read_raw(state.flower_dat_path() + ".damaged"), dat);
    QCOMPARE(read_raw(state.flower_dat_path()), dat);
    QCOMPARE(state.memo_count(), 1);
    QCOMPARE(state.settings.highest_memo_no, qint64(3));
  }

  // A directory as Windows leaves it: CP932 with NEC and IBM extensions,
  // second bytes 0x5C, half-width kana, an empty category line and a memo
  // number in bare digits. Start-up and shut-down leave every byte alone.
  void roundTripKeepsBytes() {
    QTemporaryDir tmp;
    store::AppState state(tmp.path() + "/");
    QVERIFY(QDir(state.data_dir).mkdir("memo"));
    const QByteArray dat =
        crlf({"2026/05/03", hex("87408754fa40fb5c"), hex("955c835c945cb1"), hex("81608161817c81ca5c"), "7",
              "2026/05/03 09:08:07", "2026/05/03 09:08:07"}) +
        crlf({"2026/05/01", "", hex("b1b2b3"), hex("89d49264"), " 12 ", "2026/05/01 10:00:00", "2026/05/02 11:00:00"});
    const QByteArray basyo = crlf({hex("89d49264"), "", hex("955c835c945c"), hex("87408754")});
    const QByteArray hinsyu = crlf({hex("915391cc"), hex("fa40fb5c"), hex("b1")});
    QVERIFY(write_raw(state.flower_ini_path(), "10\r\n2\r\n10\r\n20\r\n300\r\n400\r\n250.5\r\n"));
    QVERIFY(write_raw(state.flower_dat_path(), dat));
    QVERIFY(write_raw(state.basyo_dat_path(), basyo));
    QVERIFY(write_raw(state.hinsyu_dat_path(), hinsyu));

    const store::StartupData out = store::start_up_data(state, kWindow, &fixed_clock);
    QVERIFY2(out.ok, qPrintable(out.message));
    QVERIFY(out.warnings.isEmpty());
    QCOMPARE(state.memo_count(), 2);
    QCOMPARE(state.memo_table[0].location, QStringLiteral("①Ⅰⅰ\u72BE"));
    QCOMPARE(state.memo_table[0].variety, QStringLiteral("表ソ能ｱ"));
    QCOMPARE(state.memo_table[0].title, QStringLiteral("\uFF5E\u2225\uFF0D\uFFE2\\"));
    QCOMPARE(state.location_list.names, (QStringList{"花壇", "", "表ソ能", "①Ⅰ"}));

    QCOMPARE(store::shut_down_data(state), QStringList{});
    QCOMPARE(read_raw(state.flower_dat_path()).toHex(' '), dat.toHex(' '));
    QCOMPARE(read_raw(state.basyo_dat_path()).toHex(' '), basyo.toHex(' '));
    QCOMPARE(read_raw(state.hinsyu_dat_path()).toHex(' '), hinsyu.toHex(' '));
    QCOMPARE(read_raw(state.flower_ini_path()), QByteArray(" 12 \r\n 2 \r\n 10 \r\n 20 \r\n 300 \r\n 400 \r\n 250.5 \r\n"));
    QCOMPARE(QDir(state.memo_dir_path()).entryList(QDir::Files), QStringList{});
  }

  // A file replaced by a directory cannot be written, not even by root.
  void shutDownReportsEachFailure_data() {
    QTest::addColumn<QStringList>("blocked");
    for (const char* name : {"flower.ini", "flower.dat", "basyo.dat", "hinsyu.dat"}) {
      QTest::newRow(name) << QStringList{name};
    }
    QTest::newRow("flower.ini and hinsyu.dat") << QStringList{"flower.ini", "hinsyu.dat"};
  }
  void shutDownReportsEachFailure() {
    QFETCH(QStringList, blocked);
    QTemporaryDir tmp;
    store::AppState state(tmp.path() + "/");
    QVERIFY(store::start_up_data(state, kWindow, &fixed_clock).ok);
    state.settings.highest_memo_no = 5;
    state.memo_table.push_back(memo("2026/05/04", "新しいメモ", " 5 ", "2026/05/04 10:00:00"));
    state.location_list.names << QStringLiteral("新しい場所");
    state.variety_list.names << QStringLiteral("新しい品種");
    for (const QString& name : blocked) {
      QVERIFY(QFile::remove(state.data_dir + name));
      QVERIFY(QDir().mkpath(state.data_dir + name + "/inside"));
    }

    const QStringList failures = store::shut_down_data(state);
    QCOMPARE(failures.size(), blocked.size());
    for (const QString& name : blocked) {
      const QString path = state.data_dir + name;
      QVERIFY2(failures.filter(path).size() == 1, qPrintable(failures.join("\n")));
      QVERIFY(QFileInfo(path).isDir());
    }
    for (const QString& message : failures) QVERIFY2(has_japanese(message), qPrintable(message));

    if (!blocked.contains("flower.ini")) {
      store::Settings s;
      store::load_settings(state.flower_ini_path(), s);
      QCOMPARE(s.highest_memo_no, qint64(5));
    }
    if (!blocked.contains("flower.dat")) {
      store::MemoTable table;
      qint64 high = 0;
      store::load_memo_index(state.flower_dat_path(), table, high);
      QCOMPARE(titles(table).value(1), QStringLiteral("新しいメモ"));
    }
    store::CategoryList list;
    if (!blocked.contains("basyo.dat")) {
      store::load_category_list(state.basyo_dat_path(), list);
      QCOMPARE(list.names.value(6), QStringLiteral("新しい場所"));
    }
    if (!blocked.contains("hinsyu.dat")) {
      store::load_category_list(state.hinsyu_dat_path(), list);
      QCOMPARE(list.names.value(15), QStringLiteral("新しい品種"));
    }
  }
 private:
  std::vector<std::pair<const char*, QByteArray>> saved_env_;
};

QTEST_GUILESS_MAIN(StartupShutdownTest)
#include "test_startup_shutdown.moc"
