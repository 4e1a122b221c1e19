// The JPEG copies of an import, written all or nothing: unique names, a
// failing or stopped run leaving nothing behind, a name taken meanwhile
// never overwritten, a folder that refuses the copies.

#include <QtTest>
#include <atomic>

#include "immutable_dir.h"
#include "store/convert/import_copies.h"
#include "store/files/worker_threads.h"
#include "store_test_util.h"

using testutil::read_raw;
using testutil::write_raw;

namespace {

// Every entry under `root`, hidden ones too, relative to it, sorted.
QStringList everything_in(const QString& root) {
  QStringList found;
  QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) found << QDir(root).relativeFilePath(it.next());
  found.sort();
  return found;
}

// Jobs from "source|yyyy-MM-dd" texts (no date: an invalid one).
std::vector<store::CopyJob> jobs_of(const QStringList& texts) {
  std::vector<store::CopyJob> jobs;
  for (const QString& t : texts) {
    jobs.push_back({t.section(QLatin1Char('|'), 0, 0),
                    QDate::fromString(t.section(QLatin1Char('|'), 1, 1), Qt::ISODate), QString()});
  }
  return jobs;
}

QStringList targets_under(const std::vector<store::CopyJob>& jobs, const QString& root) {
  QStringList out;
  for (const store::CopyJob& j : jobs) out << QDir(root).relativeFilePath(j.target);
  return out;
}

// Copies whose bytes name their source, so that a test sees which went where.
store::JpegCopy fake_copy(const QString& source) { return {QByteArray("JPEG of ") + source.toUtf8(), {}}; }

const QStringList kFive{"/card/A.HEIC|2025-05-01", "/card/B.HEIC|2025-05-01", "/card/C.HEIC|2025-05-01",
                        "/card/D.png|2025-05-01", "/card/E.webp|2025-05-01"};

}  // namespace

class TestImportCopies : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void unique_names_data() {
    QTest::addColumn<QStringList>("existing");  // files already in the pictures folder
    QTest::addColumn<QStringList>("sources");
    QTest::addColumn<QStringList>("targets");
    const QString year = QString::number(QDate::currentDate().year());
    QTest::newRow("free") << QStringList{} << QStringList{"/c/IMG_1.HEIC|2025-05-01"}
                          << QStringList{"Verdalis/2025/IMG_1.jpg"};
    QTest::newRow("name on disk") << QStringList{"Verdalis/2025/IMG_1.jpg"} << QStringList{"/c/IMG_1.HEIC|2025-05-01"}
                                  << QStringList{"Verdalis/2025/IMG_1 (2).jpg"};
    QTest::newRow("name on disk in other case")
        << QStringList{"Verdalis/2025/img_1.JPG"} << QStringList{"/c/IMG_1.HEIC|2025-05-01"}
        << QStringList{"Verdalis/2025/IMG_1 (2).jpg"};
    QTest::newRow("numbered names on disk too")
        << QStringList{"Verdalis/2025/IMG_1.jpg", "Verdalis/2025/IMG_1 (2).jpg"} << QStringList{"/c/IMG_1.HEIC|2025-05-01"}
        << QStringList{"Verdalis/2025/IMG_1 (3).jpg"};
    QTest::newRow("two jobs, one base name")
        << QStringList{} << QStringList{"/a/IMG_1.HEIC|2025-05-01", "/b/IMG_1.png|2025-05-02"}
        << QStringList{"Verdalis/2025/IMG_1.jpg", "Verdalis/2025/IMG_1 (2).jpg"};
    QTest::newRow("two jobs differing in case")
        << QStringList{} << QStringList{"/a/IMG_1.HEIC|2025-05-01", "/b/img_1.heic|2025-05-01"}
        << QStringList{"Verdalis/2025/IMG_1.jpg", "Verdalis/2025/img_1 (2).jpg"};
    QTest::newRow("same name, other years")
        << QStringList{"Verdalis/2025/IMG_1.jpg"} << QStringList{"/a/IMG_1.HEIC|2024-12-31", "/b/IMG_1.HEIC|2026-01-01"}
        << QStringList{"Verdalis/2024/IMG_1.jpg", "Verdalis/2026/IMG_1.jpg"};
    QTest::newRow("a job after a numbered one")
        << QStringList{"Verdalis/2025/IMG_1.jpg"} << QStringList{"/a/IMG_1.HEIC|2025-01-01", "/b/IMG_1 (2).png|2025-01-01"}
        << QStringList{"Verdalis/2025/IMG_1 (2).jpg", "Verdalis/2025/IMG_1 (2) (2).jpg"};
    QTest::newRow("no date: this year") << QStringList{} << QStringList{"/c/photo.tiff"}
                                        << QStringList{"Verdalis/" + year + "/photo.jpg"};
  }

  void unique_names() {
    QFETCH(QStringList, existing);
    QFETCH(QStringList, sources);
    QFETCH(QStringList, targets);
    QTemporaryDir dir;
    for (const QString& name : existing) {
      QVERIFY(QDir().mkpath(QFileInfo(dir.filePath(name)).path()));
      QVERIFY(write_raw(dir.filePath(name), "x"));
    }
    for (const QString& root : {dir.path(), dir.path() + QLatin1Char('/')}) {
      std::vector<store::CopyJob> jobs = jobs_of(sources);
      store::plan_copies(jobs, root);
      QCOMPARE(targets_under(jobs, dir.path()), targets);
    }
  }

  void all_or_nothing_data() {
    QTest::addColumn<int>("fail_at");    // the picture the converter cannot read, -1 none
    QTest::addColumn<int>("cancel_at");  // the picture during which the user stops, -1 never
    QTest::addColumn<bool>("folder_there");  // "Verdalis" with a file of the user's is there
    QTest::newRow("all made") << -1 << -1 << false;
    QTest::newRow("third of five unreadable") << 2 << -1 << false;
    QTest::newRow("last unreadable, folder there") << 4 << -1 << true;
    QTest::newRow("stopped during the second") << -1 << 1 << false;
    QTest::newRow("stopped during the last, folder there") << -1 << 4 << true;
  }

  void all_or_nothing() {
    QFETCH(int, fail_at);
    QFETCH(int, cancel_at);
    QFETCH(bool, folder_there);
    QTemporaryDir dir;
    if (folder_there) {
      QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("Verdalis"))));
      QVERIFY(write_raw(dir.filePath(QStringLiteral("Verdalis/mine.jpg")), "mine"));
    }
    const QStringList before = everything_in(dir.path());
    std::vector<store::CopyJob> jobs = jobs_of(kFive);
    store::plan_copies(jobs, dir.path());
    std::atomic_bool cancel{false};
    std::atomic_int after_cancel{0}, most{0}, wrong_total{0};
    const auto convert = [&](const QString& source) {
      if (cancel) ++after_cancel;
      if (cancel_at >= 0 && source == jobs[size_t(cancel_at)].source) cancel = true;
      if (fail_at >= 0 && source == jobs[size_t(fail_at)].source) return store::JpegCopy{{}, QStringLiteral("壊れています")};
      return fake_copy(source);
    };
    const auto progress = [&](int done, int total) {
      if (total != 5) ++wrong_total;
      int seen = most.load();
      while (done > seen && !most.compare_exchange_weak(seen, done)) {
      }
    };
    const store::CopyRun run = store::write_copies(jobs, cancel, progress, convert);
    if (fail_at < 0 && cancel_at < 0) {
      QVERIFY(run.ok);
      QCOMPARE(most.load(), 5);
      QCOMPARE(wrong_total.load(), 0);
      QCOMPARE(run.written.size(), 5);
      for (size_t i = 0; i < jobs.size(); ++i) {
        QCOMPARE(run.written[qsizetype(i)], jobs[i].target);
        QCOMPARE(read_raw(jobs[i].target), fake_copy(jobs[i].source).bytes);
      }
      QCOMPARE(everything_in(dir.path()).filter(QStringLiteral("verdalis-part")), QStringList());
      QCOMPARE(run.made_folders, QStringList{dir.filePath(folder_there ? "Verdalis/2025" : "Verdalis")});
      // Taken back after a failed save: the folder as it was.
      store::remove_copies(run);
      QCOMPARE(everything_in(dir.path()), before);
      return;
    }
    QVERIFY(!run.ok);
    QCOMPARE(run.cancelled, cancel_at >= 0);
    QVERIFY(run.written.isEmpty());
    QCOMPARE(everything_in(dir.path()), before);
    if (fail_at >= 0) {
      QVERIFY(run.message.contains(jobs[size_t(fail_at)].source));
      QVERIFY(run.message.contains(QStringLiteral("壊れています")));
    }
    // Once stopped, no thread takes a new picture: only one that had
    // already looked may still start its own.
    QVERIFY(after_cancel.load() <= store::worker_threads() - 1);
  }

  void name_taken_meanwhile() {
    QTemporaryDir dir;
    std::vector<store::CopyJob> jobs = jobs_of({"/a/IMG_1.HEIC|2025-05-01", "/b/IMG_1.png|2025-05-01"});
    store::plan_copies(jobs, dir.path());
    // Another program writes "IMG_1.jpg" while the copies are made; the
    // next name, "IMG_1 (2).jpg", belongs to the second copy.
    const QString other = dir.filePath(QStringLiteral("Verdalis/2025/img_1.jpg"));
    const QString planned = dir.filePath(QStringLiteral("Verdalis/2025/IMG_1.jpg"));
    const auto convert = [&](const QString& source) {
      if (source.startsWith(QLatin1String("/a/"))) {
        write_raw(planned, "theirs");
        write_raw(other, "theirs too");
      }
      return fake_copy(source);
    };
    const std::atomic_bool cancel{false};
    const store::CopyRun run = store::write_copies(jobs, cancel, {}, convert);
    QVERIFY2(run.ok, qPrintable(run.message));
    QCOMPARE(read_raw(planned), QByteArray("theirs"));
    QCOMPARE(read_raw(other), QByteArray("theirs too"));
    QCOMPARE(targets_under({{"", {}, run.written[0]}, {"", {}, run.written[1]}}, dir.path()),
             (QStringList{"Verdalis/2025/IMG_1 (3).jpg", "Verdalis/2025/IMG_1 (2).jpg"}));
    QCOMPARE(read_raw(run.written[0]), fake_copy(jobs[0].source).bytes);
    QCOMPARE(read_raw(run.written[1]), fake_copy(jobs[1].source).bytes);
  }

  void refused_folder_data() {
    QTest::addColumn<QString>("protected_folder");  // relative to the pictures folder
    QTest::newRow("year folder read-only") << QStringLiteral("Verdalis/2025");
    QTest::newRow("pictures folder read-only, Verdalis to be made") << QString();
  }

  void refused_folder() {
    QFETCH(QString, protected_folder);
    QTemporaryDir dir;
    const QString folder = dir.filePath(protected_folder);
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(write_raw(folder + QStringLiteral("/old.jpg"), "old"));
    const QStringList before = everything_in(dir.path());
    std::vector<store::CopyJob> jobs = jobs_of(kFive);
    store::plan_copies(jobs, dir.path());
    ImmutableDir guard;
    if (!guard.protect(folder)) QSKIP("no way to make a folder refuse changes here");
    const std::atomic_bool cancel{false};
    const store::CopyRun run = store::write_copies(jobs, cancel, {}, fake_copy);
    guard.release();
    QVERIFY(!run.ok);
    QVERIFY(!run.cancelled);
    QVERIFY2(std::any_of(jobs.begin(), jobs.end(), [&](const store::CopyJob& j) { return run.message.contains(j.target); }),
             qPrintable(run.message));
    QVERIFY(run.message.contains(QStringLiteral("許可されていません")));
    QCOMPARE(everything_in(dir.path()), before);
  }
};

QTEST_GUILESS_MAIN(TestImportCopies)
#include "test_import_copies.moc"
