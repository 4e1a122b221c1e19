// A save made of several file changes is found whole or not at all: the
// process doing it is stopped after each of its steps, and the next start's
// recovery must leave every file as before the save, or, once the save has
// committed, as after it. A rollback in the same process must do the same,
// and a record that another machine wrote (a sync tool brought it) must be
// left alone.

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>
#include <map>
#include <sys/wait.h>
#include <unistd.h>

#include "store/files/durable_file.h"
#include "store/files/file_journal.h"

namespace {

using Files = std::map<QString, QByteArray>;

// Every file under `dir` that is not hidden, with its bytes.
Files files_of(const QString& dir) {
  Files files;
  for (const QString& sub : {QString(), QStringLiteral("memo/")}) {
    for (const QString& name : QDir(dir + sub).entryList(QDir::Files)) {
      QFile f(dir + sub + name);
      if (f.open(QIODevice::ReadOnly)) files[sub + name] = f.readAll();
    }
  }
  return files;
}

void put(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
}

constexpr int kSteps = 6;

// The save: step by step; after `steps` of them it stops (a crash, when
// run in a child that then ends at once).
store::FileJournal* run_save(const QString& d, int steps) {
  auto* journal = new store::FileJournal(d);
  const auto step = [&](int n, const std::function<store::FileResult()>& change) {
    if (n <= steps && !change()) qFatal("step %d failed", n);
  };
  step(1, [&] { return journal->write_bytes(d + "basyo.dat", "new places\r\n"); });
  step(2, [&] { return journal->create_bytes(d + "memo/m0000009.txt", "a new memo\r\n"); });
  step(3, [&] { return journal->write_bytes(d + "memo/g0000001.txt", "new pictures\r\n"); });
  step(4, [&] { return journal->copy_file(d + "memo/m0000001.txt", d + "memo/m0000002.txt"); });
  step(5, [&] { return journal->remove(d + "memo/m0000003.txt"); });
  step(6, [&] { return journal->commit_with(d + "flower.dat", "new index\r\n"); });
  return journal;
}

}  // namespace

class FileJournalTest : public QObject {
  Q_OBJECT

  QTemporaryDir tmp_;
  QString dir_;
  Files before_;

  void make_diary() {
    QDir(dir_).removeRecursively();
    QVERIFY(QDir().mkpath(dir_ + "memo"));
    put(dir_ + "flower.dat", "old index\r\n");
    put(dir_ + "basyo.dat", "old places\r\n");
    put(dir_ + "memo/m0000001.txt", "body one\r\n");
    put(dir_ + "memo/g0000001.txt", "old pictures\r\n");
    put(dir_ + "memo/m0000003.txt", "body three\r\n");
    before_ = files_of(dir_);
  }

  Files after() const {
    Files files = before_;
    files["basyo.dat"] = "new places\r\n";
    files["memo/m0000009.txt"] = "a new memo\r\n";
    files["memo/g0000001.txt"] = "new pictures\r\n";
    files["memo/m0000002.txt"] = "body one\r\n";
    files.erase("memo/m0000003.txt");
    files["flower.dat"] = "new index\r\n";
    return files;
  }

  // As before the save, but a new memo's file may stay: nothing names it.
  void expect_before(Files now, const QString& context) {
    now.erase("memo/m0000009.txt");
    QVERIFY2(now == before_, qPrintable(context));
  }

 private Q_SLOTS:
  void init() {
    dir_ = tmp_.path() + "/data/";
    make_diary();
  }

  void stoppedSaveIsUndoneAtTheNextStart_data() {
    QTest::addColumn<int>("steps");
    for (int steps = 0; steps <= kSteps; ++steps) QTest::addRow("after step %d", steps) << steps;
  }
  void stoppedSaveIsUndoneAtTheNextStart() {
    QFETCH(int, steps);
    const pid_t child = fork();
    if (child == 0) {
      run_save(dir_, steps);  // never deleted: the process ends as if the power went
      _exit(0);
    }
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    QCOMPARE(store::recover_unfinished_saves(dir_), QStringList());
    if (steps == kSteps) {
      QCOMPARE(files_of(dir_), after());
    } else {
      expect_before(files_of(dir_), QStringLiteral("stopped after step %1").arg(steps));
    }
    // Nothing is left for a later start to undo.
    QCOMPARE(QDir(dir_).entryList({".verdalis-journal-*"}, QDir::Files | QDir::Hidden), QStringList());
  }

  void rollbackPutsBackEveryStep_data() { stoppedSaveIsUndoneAtTheNextStart_data(); }
  void rollbackPutsBackEveryStep() {
    QFETCH(int, steps);
    if (steps == kSteps) QSKIP("a committed save has nothing to roll back");
    std::unique_ptr<store::FileJournal> journal(run_save(dir_, steps));
    QCOMPARE(journal->rollback(), QStringList());
    journal.reset();
    QCOMPARE(files_of(dir_), before_);
    QCOMPARE(QDir(dir_ + "memo").entryList(QDir::Files | QDir::Hidden).size(), int(before_.size()) - 2);
  }

  void recordOfAnotherMachineIsLeftAlone() {
    const pid_t child = fork();
    if (child == 0) {
      run_save(dir_, 3);
      _exit(0);
    }
    QCOMPARE(waitpid(child, nullptr, 0), child);
    const QStringList records = QDir(dir_).entryList({".verdalis-journal-*"}, QDir::Files | QDir::Hidden);
    QCOMPARE(records.size(), 1);
    QFile record(dir_ + records.first());
    QVERIFY(record.open(QIODevice::ReadWrite));
    QByteArray text = record.readAll();
    const qsizetype at = text.indexOf("machine ") + 8;
    text[at] = text[at] == 'a' ? 'b' : 'a';
    QVERIFY(record.seek(0) && record.write(text) == text.size());
    record.close();
    const Files changed = files_of(dir_);
    QCOMPARE(store::recover_unfinished_saves(dir_), QStringList());
    QCOMPARE(files_of(dir_), changed);
    QVERIFY(QFileInfo::exists(dir_ + records.first()));
  }
};

QTEST_GUILESS_MAIN(FileJournalTest)
#include "test_file_journal.moc"
