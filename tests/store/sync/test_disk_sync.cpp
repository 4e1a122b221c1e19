// A diary kept in a sync tool: changes another machine made on disk are
// taken in before anything is written, new numbers stay clear of every
// number on disk, shut-down leaves unchanged files alone, and the sync
// tools' conflict copies are merged back once and moved aside.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "store/diary/memo_files.h"
#include "store/diary/memo_index.h"
#include "store/diary/memo_save.h"
#include "store/diary/shutdown.h"
#include "store/diary/startup.h"
#include "store/files/codec.h"
#include "store/sync/conflict_names.h"
#include "store/sync/disk_sync.h"

namespace {

const QDateTime kStart(QDate(2026, 12, 1), QTime(9, 0, 0));

QDateTime clock_at() { return kStart; }

store::MemoInput input(const QString& title, const QString& body = QString()) {
  return {QStringLiteral("2026/12/01"), QStringLiteral("花壇"), QStringLiteral("パンジー"), title, body, {}};
}

// Replaces a file the way a sync tool does: a temporary file renamed over it.
void deliver(const QString& path, const QByteArray& bytes, const QDateTime& mtime = {}) {
  const QString tmp = QFileInfo(path).absolutePath() + QStringLiteral("/.syncthing.tmp");
  QFile f(tmp);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(bytes);
  f.flush();  // a write after the time is set would set it to now
  if (mtime.isValid()) f.setFileTime(mtime, QFileDevice::FileModificationTime);
  f.close();
  QVERIFY(::rename(QFile::encodeName(tmp).constData(), QFile::encodeName(path).constData()) == 0);
}

QByteArray read(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray record_bytes(const store::MemoRecord& r) {
  return store::join_lines_cp932({r.date, r.location, r.variety, r.title, r.memo_no, r.created, r.corrected});
}

// The diary of one machine: started in an empty folder (the welcome memo is 1).
struct Diary {
  QTemporaryDir dir;
  store::AppState state{dir.path() + QLatin1Char('/')};
  Diary() { QVERIFY(store::start_up_data(state, store::Settings{}, &clock_at).ok); }

  QString save(const QString& title, const QString& body, const QDateTime& at) {
    const store::MemoChange c = store::save_memo(state, input(title, body), 0, at);
    for (size_t i = 0; c.ok && i < state.memo_table.size(); ++i) {
      if (state.memo_table.text(i, store::MemoField::Title) == title) return state.memo_table.text(i, store::MemoField::MemoNo);
    }
    return c.text;
  }
  QStringList titles() const {
    QStringList t;
    for (size_t i = 0; i < state.memo_table.size(); ++i) t << state.memo_table.text(i, store::MemoField::Title);
    t.sort();
    return t;
  }
  QString body_of(const QString& title) const {
    for (size_t i = 0; i < state.memo_table.size(); ++i) {
      if (state.memo_table.text(i, store::MemoField::Title) == title) {
        return store::load_memo_body(state.data_dir, state.memo_table.text(i, store::MemoField::MemoNo)).text;
      }
    }
    return QStringLiteral("(no such memo)");
  }
};

}  // namespace

class DiskSyncTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void conflictNames_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("original");
    QTest::newRow("syncthing") << "flower.sync-conflict-20261209-225128-TAL4BDR.dat" << "flower.dat";
    QTest::newRow("syncthing memo") << "m0000002.sync-conflict-20261209-225128-TAL4BDR.txt" << "m0000002.txt";
    QTest::newRow("nextcloud") << "flower (conflicted copy 2018-04-10 093612).dat" << "flower.dat";
    QTest::newRow("owncloud") << "basyo_conflict-hanako-20180410-093612.dat" << "basyo.dat";
    QTest::newRow("dropbox") << "flower (Hanako's conflicted copy 2018-04-10).dat" << "flower.dat";
    QTest::newRow("dropbox second") << "g0000007 (Hanako's conflicted copy 2018-04-10 (1)).txt" << "g0000007.txt";
    QTest::newRow("the file itself") << "flower.dat" << "";
    QTest::newRow("short date") << "flower.sync-conflict-2026129-225128-TAL4BDR.dat" << "";
    QTest::newRow("a copy, not a conflict") << "flower (copy).dat" << "";
    QTest::newRow("file manager copy") << "m0000002 (1).txt" << "";
  }
  void conflictNames() {
    QFETCH(QString, name);
    QFETCH(QString, original);
    QCOMPARE(store::conflict_original(name), original);
  }

  // Only copies of the diary's own files are taken; others are left alone.
  void findsOnlyCopiesOfDataFiles() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("memo"));
    const QString d = dir.path() + "/";
    for (const char* name : {"flower.sync-conflict-20261209-225128-TAL4BDR.dat", "notes.sync-conflict-20261209-225128-TAL4BDR.txt",
                             "memo/m0000002.sync-conflict-20261209-225128-TAL4BDR.txt",
                             "memo/m12.sync-conflict-20261209-225128-TAL4BDR.txt", "memo/m0000003.txt"}) {
      deliver(d + name, "x\r\n");
    }
    QStringList found;
    for (const store::ConflictCopy& c : store::find_conflict_copies(d)) found << c.original;
    QCOMPARE(found, (QStringList{"flower.dat", "memo/m0000002.txt"}));
  }

  // What another machine delivers while Verdalis runs is kept by this
  // machine's next save, and the new memo's number is above it.
  void outsideChangeSurvivesSave_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<QStringList>("titles");
    const QString welcome = QStringLiteral("【Verdalis】ご利用のお礼");
    QTest::newRow("new memo") << "add" << QStringList{"ここ", "もう一つ", "向こう", welcome};
    QTest::newRow("corrected") << "correct" << QStringList{"もう一つ", "向こうで直した", welcome};
    QTest::newRow("deleted") << "delete" << QStringList{"もう一つ", welcome};
  }
  void outsideChangeSurvivesSave() {
    QFETCH(QString, change);
    QFETCH(QStringList, titles);
    titles.sort();
    Diary diary;
    QCOMPARE(diary.save("ここ", "ここの本文", kStart.addSecs(60)), QStringLiteral(" 2 "));
    store::MemoTable disk = diary.state.memo_table;
    const store::MemoRecord mine = disk[0];
    QByteArray bytes;
    if (change == "add") {
      const store::MemoRecord theirs{"2026/12/02", "温室", "トマト", "向こう", " 3 ", "2026/12/02 10:00:00", "2026/12/02 10:00:00"};
      deliver(diary.state.data_dir + "memo/m0000003.txt", store::join_lines_cp932({"向こうの本文"}));
      bytes = record_bytes(theirs) + disk.file_bytes();
    } else if (change == "correct") {
      store::MemoRecord fixed = mine;
      fixed.title = "向こうで直した";
      fixed.corrected = "2026/12/01 12:00:00";
      disk.replace(0, fixed);
      bytes = disk.file_bytes();
    } else {
      disk.erase(0);
      bytes = disk.file_bytes();
    }
    deliver(diary.state.flower_dat_path(), bytes);

    const QString no = diary.save("もう一つ", "新しい本文", kStart.addSecs(3600));
    QCOMPARE(no, change == "add" ? QStringLiteral(" 4 ") : QStringLiteral(" 3 "));
    QCOMPARE(diary.titles(), titles);
    store::MemoTable on_disk;
    qint64 high = 0;
    store::load_memo_index(diary.state.flower_dat_path(), on_disk, high);
    QCOMPARE(on_disk, diary.state.memo_table);
    if (change == "add") QCOMPARE(diary.body_of("向こう"), QStringLiteral("向こうの本文"));
    QCOMPARE(diary.body_of("もう一つ"), QStringLiteral("新しい本文"));
  }

  // A body file that arrived before its index line, or a larger number in
  // flower.ini on disk, is never given to a new memo.
  void newNumberAboveEverythingOnDisk_data() {
    QTest::addColumn<QString>("planted");
    QTest::addColumn<QString>("number");
    QTest::newRow("body before its index line") << "memo/m0000009.txt" << " 10 ";
    QTest::newRow("picture list of a conflict") << "memo/g0000012.sync-conflict-20261209-225128-TAL4BDR.txt" << " 13 ";
    QTest::newRow("flower.ini of the other machine") << "flower.ini" << " 21 ";
  }
  void newNumberAboveEverythingOnDisk() {
    QFETCH(QString, planted);
    QFETCH(QString, number);
    Diary diary;
    const QString path = diary.state.data_dir + planted;
    deliver(path, planted == "flower.ini" ? QByteArray(" 20 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n") : QByteArray("x\r\n"));
    const QByteArray before = read(path);
    QCOMPARE(diary.save("新しい", "本文", kStart.addSecs(60)), number);
    if (planted != "flower.ini") QCOMPARE(read(path), before);
  }

  // Shut-down leaves files whose bytes would not change alone, and keeps
  // the larger of both machines' highest numbers.
  void shutDownWritesOnlyWhatChanged() {
    Diary diary;
    const QStringList names{"flower.dat", "basyo.dat", "hinsyu.dat", "flower.ini"};
    auto stamps = [&] {
      QList<store::FileStamp> s;
      for (const QString& n : names) s << store::stamp_of(diary.state.data_dir + n);
      return s;
    };
    diary.state.settings.highest_memo_no = 1;  // as start-up raised it: flower.ini still says 0
    store::save_settings(diary.state.flower_ini_path(), diary.state.settings);
    store::remember_index_files(diary.state);
    const QList<store::FileStamp> before = stamps();
    QCOMPARE(store::shut_down_data(diary.state), QStringList{});
    QCOMPARE(stamps(), before);

    diary.state.variety_list.names << "バラ";
    deliver(diary.state.flower_ini_path(), " 50 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n");
    const QList<store::FileStamp> delivered = stamps();
    QCOMPARE(store::shut_down_data(diary.state), QStringList{});
    const QList<store::FileStamp> after = stamps();
    QCOMPARE(after[0], delivered[0]);
    QCOMPARE(after[1], delivered[1]);
    QVERIFY(after[2] != delivered[2]);
    QVERIFY(read(diary.state.flower_ini_path()).startsWith(" 50 \r\n"));
  }

  // Conflict copies as Syncthing leaves them after two machines worked apart.
  void mergesConflictCopies_data() {
    QTest::addColumn<QString>("story");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QString>("kinds");
    const QString w = QStringLiteral("【Verdalis】ご利用のお礼");
    QTest::newRow("both wrote memo 2") << "apart" << QStringList{"ここ", "向こう", w} << "R";
    QTest::newRow("corrected on both, there later") << "both" << QStringList{"ここで直した（別の端末の版）", "向こうで直した", w} << "K";
    QTest::newRow("deleted here, untouched there") << "deleted" << QStringList{w} << "";
    QTest::newRow("deleted here, corrected there") << "deleted-corrected" << QStringList{"向こうで直した", w} << "A";
    QTest::newRow("corrected here only, another memo there") << "here-only" << QStringList{"ここで直した", "向こう", w} << "A";
  }
  void mergesConflictCopies() {
    QFETCH(QString, story);
    QFETCH(QStringList, titles);
    QFETCH(QString, kinds);
    titles.sort();
    Diary diary;
    const QString d = diary.state.data_dir;
    QCOMPARE(diary.save("ここ", "ここの本文", kStart.addSecs(60)), QStringLiteral(" 2 "));
    const store::MemoRecord mine = diary.state.memo_table[0];
    store::MemoTable other = diary.state.memo_table;  // the other machine's index, once both agreed
    store::MemoRecord theirs = mine;
    QString their_body = "ここの本文";
    if (story == "apart" || story == "here-only") {
      theirs = {"2026/12/01", "温室", "トマト", "向こう", story == "apart" ? " 2 " : " 3 ", "2026/12/01 09:30:00",
                "2026/12/01 09:30:00"};
      their_body = "向こうの本文";
    } else {
      theirs.title = "向こうで直した";
      theirs.corrected = "2026/12/01 11:00:00";
      their_body = "向こうで直した本文";
    }
    if (story == "here-only") {
      other.push_back(theirs);
    } else {
      other.replace(0, theirs);
    }
    if (story == "both" || story == "here-only") {
      store::MemoInput fixed = input("ここで直した", "ここで直した本文");
      QVERIFY(store::save_memo(diary.state, fixed, 1, kStart.addSecs(3600)).ok);
    } else if (story.startsWith("deleted")) {
      QVERIFY(store::delete_memo(diary.state, 1).ok);
      if (story == "deleted") other.replace(0, mine), their_body = "ここの本文";
    }
    const QDateTime written = QDateTime::fromString(theirs.corrected, "yyyy/MM/dd HH:mm:ss");
    const QString tag = ".sync-conflict-20261210-101010-ABCDEFG";
    deliver(d + "flower" + tag + ".dat", other.file_bytes(), written);
    // The other machine's body file: a conflict copy where both wrote it.
    deliver(d + (story == "here-only" ? QString("memo/m0000003.txt") : "memo/m0000002" + tag + ".txt"),
            store::join_lines_cp932({their_body}), written);

    store::DiskSync sync = store::sync_with_disk(diary.state, kStart.addDays(1));
    QVERIFY2(sync.ok, qPrintable(sync.message));
    QCOMPARE(diary.titles(), titles);
    QString got;
    for (const store::MergedMemo& m : sync.merged) got += "ARK"[static_cast<int>(m.kind)];
    QCOMPARE(got, kinds);
    if (story != "deleted") QCOMPARE(diary.body_of((story == "apart" || story == "here-only") ? "向こう" : "向こうで直した"), their_body);
    if (story == "apart") QCOMPARE(diary.body_of("ここ"), QStringLiteral("ここの本文"));
    if (story == "both") QCOMPARE(diary.body_of("ここで直した（別の端末の版）"), QStringLiteral("ここで直した本文"));
    // Moved aside, never deleted; nothing left to merge.
    QCOMPARE(sync.moved_to, QStringLiteral("同期の競合/20261202-090000"));
    QCOMPARE(QDir(d + sync.moved_to).entryList(QDir::Files), QStringList{"flower" + tag + ".dat"});
    QVERIFY(store::find_conflict_copies(d).empty());
    QCOMPARE(read(d + "flower.dat"), diary.state.memo_table.file_bytes());

    // The same copies once more (the other machine merged them too): no memo twice.
    QVERIFY(QFile::copy(d + sync.moved_to + "/flower" + tag + ".dat", d + "flower" + tag + ".dat"));
    if (story != "here-only") {
      QVERIFY(QFile::copy(d + sync.moved_to + "/memo/m0000002" + tag + ".txt", d + "memo/m0000002" + tag + ".txt"));
    }
    sync = store::sync_with_disk(diary.state, kStart.addDays(2));
    QVERIFY(sync.merged.empty());
    QCOMPARE(diary.titles(), titles);
  }

  // A copy that cannot be read stops the merge before anything is written.
  void unreadableCopyChangesNothing() {
    Diary diary;
    const QString d = diary.state.data_dir;
    QVERIFY(QDir(d).mkdir("flower.sync-conflict-20261210-101010-ABCDEFG.dat"));
    deliver(d + "basyo.sync-conflict-20261210-101010-ABCDEFG.dat", store::join_lines_cp932({"新しい場所"}));
    const QByteArray basyo = read(d + "basyo.dat");
    const store::DiskSync sync = store::sync_with_disk(diary.state, kStart);
    QVERIFY(!sync.ok);
    QVERIFY2(sync.message.contains("flower.sync-conflict") && sync.message.contains("読み込めません"), qPrintable(sync.message));
    QCOMPARE(read(d + "basyo.dat"), basyo);
    QVERIFY(!diary.state.location_list.names.contains("新しい場所"));
    QCOMPARE(store::find_conflict_copies(d).size(), size_t(2));
  }
};

QTEST_GUILESS_MAIN(DiskSyncTest)
#include "test_disk_sync.moc"
