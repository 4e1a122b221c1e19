// Makes each writer of the diary meet a failing system call (fdatasync and
// fsync failing with EIO, write with ENOSPC, rename with EIO), injected
// with libfiu's fiu-run into verdalis_write_driver, which switches the
// fault on only while the writer runs. The writer must report a Japanese
// message naming a file of the data folder, and once the folder is loaded
// again (which finishes an interrupted save) every data file must be as it
// was before, with no file left over.

#include <QCryptographicHash>
#include <QDirIterator>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <map>

#include "store/diary/startup.h"

namespace {

struct Outcome {
  int code = -1;
  QByteArray out;
};

Outcome run(const QString& program, const QStringList& args) {
  QProcess process;
  process.setProcessChannelMode(QProcess::SeparateChannels);
  process.start(program, args);
  if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) return {};
  return {process.exitCode(), process.readAllStandardOutput()};
}

// Every file under the folder, hidden ones too: relative name -> digest.
std::map<QString, QByteArray> digest(const QString& folder) {
  std::map<QString, QByteArray> files;
  QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    QFile file(it.next());
    if (!file.open(QIODevice::ReadOnly)) return {};
    files[QDir(folder).relativeFilePath(file.fileName())] = QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1);
  }
  return files;
}

QString differences(const std::map<QString, QByteArray>& before, const std::map<QString, QByteArray>& after) {
  QStringList names;
  for (const auto& [name, sum] : before) {
    if (!after.contains(name)) names << name + QStringLiteral(" (gone)");
    else if (after.at(name) != sum) names << name + QStringLiteral(" (changed)");
  }
  for (const auto& [name, sum] : after) {
    if (!before.contains(name)) names << name + QStringLiteral(" (left over)");
  }
  return names.join(QStringLiteral(", "));
}

const QStringList kWriters = {QStringLiteral("new"),          QStringLiteral("correct"),       QStringLiteral("delete"),
                              QStringLiteral("bulk_delete"),  QStringLiteral("category_add"),  QStringLiteral("category_edit"),
                              QStringLiteral("shutdown"),     QStringLiteral("repoint"),       QStringLiteral("repoint_undo"),
                              QStringLiteral("import")};

}  // namespace

class TestInjectedFaults : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir scratch_;
  QString fiu_run_;
  QString strace_;
  int copies_ = 0;

  // A fresh copy of the prepared diary, in a new folder or in place of `dir`.
  QString fresh_diary(QString dir = {}) {
    if (dir.isEmpty()) dir = scratch_.filePath(QStringLiteral("copy%1").arg(++copies_));
    QDir(dir).removeRecursively();
    if (run(QStringLiteral("cp"), {QStringLiteral("-a"), scratch_.filePath(QStringLiteral("prepared")), dir}).code != 0) return {};
    return dir;
  }

  // Whether the writer, run without a fault, makes one of the system calls
  // between its start and its acknowledgement, as strace sees them.
  bool makes_call(const QString& writer, const QStringList& calls) {
    const QString dir = fresh_diary();
    const QString trace = dir + QStringLiteral(".trace");
    const Outcome traced = run(strace_, {QStringLiteral("-f"), QStringLiteral("-o"), trace, QStringLiteral("-e"),
                                         QStringLiteral("trace=write,") + calls.join(QLatin1Char(',')),
                                         QStringLiteral(VERDALIS_WRITE_DRIVER), QStringLiteral("run"), dir, writer});
    QFile file(trace);
    if (traced.code != 0 || !file.open(QIODevice::ReadOnly)) return true;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    const auto line_of = [&](const QString& mark) {
      return lines.indexOf(QRegularExpression(QStringLiteral("^\\d+ +") + QRegularExpression::escape(mark) + QStringLiteral(".*")));
    };
    const qsizetype begin = line_of(QStringLiteral("write(2, \"BEGIN %1\\n\"").arg(writer));
    const qsizetype end = line_of(QStringLiteral("write(1, \"ACK %1\\n\"").arg(writer));
    if (begin < 0 || end < begin) return true;
    // A write to fd 1 or 2 is the driver's own output.
    const QRegularExpression call(QStringLiteral("^\\d+ +(%1)\\((?![12],)").arg(calls.join(QLatin1Char('|'))));
    for (qsizetype i = begin + 1; i < end; ++i) {
      if (call.match(lines[i]).hasMatch()) return true;
    }
    return false;
  }

 private Q_SLOTS:
  void initTestCase() {
#if defined(__SANITIZE_ADDRESS__)
    QSKIP("libfiu's preloaded library defines malloc, calloc and realloc of its own, which cannot run beside "
          "AddressSanitizer's allocator; the build without sanitizers runs this test");
#endif
    fiu_run_ = QStandardPaths::findExecutable(QStringLiteral("fiu-run"));
    strace_ = QStandardPaths::findExecutable(QStringLiteral("strace"));
    QVERIFY2(!fiu_run_.isEmpty(), "fiu-run not found (Debian package fiu-utils)");
    QVERIFY2(!strace_.isEmpty(), "strace not found (Debian package strace)");
    QVERIFY(scratch_.isValid());
    QCOMPARE(run(QStringLiteral(VERDALIS_WRITE_DRIVER), {QStringLiteral("prepare"), scratch_.filePath(QStringLiteral("prepared"))}).code, 0);
  }

  // Under fiu-run with no fault every writer succeeds: the failures below
  // come from the faults.
  void succeeds_without_fault_data() {
    QTest::addColumn<QString>("writer");
    for (const QString& writer : kWriters) QTest::newRow(qPrintable(writer)) << writer;
  }
  void succeeds_without_fault() {
    QFETCH(QString, writer);
    const Outcome done = run(fiu_run_, {QStringLiteral("-x"), QStringLiteral(VERDALIS_WRITE_DRIVER), QStringLiteral("run"), fresh_diary(), writer});
    QCOMPARE(done.out, "ACK " + writer.toUtf8() + '\n');
    QCOMPARE(done.code, 0);
  }

  void fault_leaves_data_as_it_was_data() {
    QTest::addColumn<QString>("writer");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QStringList>("calls");  // the system calls that the fault stands for
    const struct {
      const char* name;
      const char* fault;
      QStringList calls;
    } faults[] = {
        {"fdatasync EIO", "posix/io/sync/fdatasync:EIO", {QStringLiteral("fdatasync")}},
        {"fsync EIO", "posix/io/sync/fsync:EIO", {QStringLiteral("fsync")}},
        {"write ENOSPC", "posix/io/rw/write:ENOSPC", {QStringLiteral("write"), QStringLiteral("pwrite64"), QStringLiteral("writev")}},
        {"rename EIO", "posix/io/dir/rename:EIO", {QStringLiteral("rename"), QStringLiteral("renameat"), QStringLiteral("renameat2")}},
    };
    for (const QString& writer : kWriters) {
      for (const auto& f : faults) QTest::addRow("%s %s", qPrintable(writer), f.name) << writer << QString::fromLatin1(f.fault) << f.calls;
    }
  }
  void fault_leaves_data_as_it_was() {
    QFETCH(QString, writer);
    QFETCH(QString, fault);
    QFETCH(QStringList, calls);
    const QString dir = fresh_diary();
    const QString data = dir + QStringLiteral("/data");
    // Undoing a re-pointing first re-points, unharmed, in the same run: the
    // data to keep are those the re-pointing leaves, made at the same path
    // (the picture lists hold it).
    if (writer == QLatin1String("repoint_undo")) {
      QCOMPARE(run(QStringLiteral(VERDALIS_WRITE_DRIVER), {QStringLiteral("run"), dir, QStringLiteral("repoint")}).code, 0);
    }
    const std::map<QString, QByteArray> before = digest(data);
    QVERIFY(!before.empty());
    if (writer == QLatin1String("repoint_undo")) QCOMPARE(fresh_diary(dir), dir);

    const Outcome failed = run(fiu_run_, {QStringLiteral("-x"), QStringLiteral(VERDALIS_WRITE_DRIVER), QStringLiteral("run"),
                                          QStringLiteral("--fault"), fault, dir, writer});
    if (failed.code == 0) {
      QVERIFY2(!makes_call(writer, calls), qPrintable(QStringLiteral("succeeded although it calls %1").arg(calls.join(QLatin1Char('/')))));
      QSKIP(qPrintable(QStringLiteral("the writer makes no %1 call").arg(calls.first())));
    }
    QCOMPARE(failed.code, 1);
    const QByteArray head = "FAIL " + writer.toUtf8() + '\n';
    QVERIFY2(failed.out.startsWith(head), failed.out.constData());
    const QString message = QString::fromUtf8(failed.out.mid(head.size()));
    QVERIFY2(message.contains(QRegularExpression(QStringLiteral("[\\x{3040}-\\x{30ff}\\x{4e00}-\\x{9fff}]"))), qPrintable(message));
    QVERIFY2(message.contains(data), qPrintable(message));
    // Paths hold no spaces; two English words in a row are a library's text.
    QVERIFY2(!message.contains(QRegularExpression(QStringLiteral("[A-Za-z]{2,} +[A-Za-z]{2,}"))), qPrintable(message));

    store::AppState state(data + QLatin1Char('/'));
    const store::StartupData loaded =
        store::start_up_data(state, {0, 0, 0, 0, 6975, 9450, 2000}, [] { return QDateTime(QDate(2026, 5, 9), QTime(8, 0)); });
    QVERIFY2(loaded.ok, qPrintable(loaded.message));
    const std::map<QString, QByteArray> after = digest(data);
    QVERIFY2(after == before, qPrintable(differences(before, after)));
  }
};

QTEST_GUILESS_MAIN(TestInjectedFaults)
#include "test_injected_faults.moc"
