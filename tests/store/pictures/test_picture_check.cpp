// Finding missing pictures and pointing them at their new folder: folders
// and their ancestors, the scan over awkward picture lists, the plan (exact,
// letter case, search by name) and the all-or-nothing writing with undo,
// also after the memos were changed.

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>

#include "immutable_dir.h"
#include "store/files/codec.h"
#include "store/pictures/picture_check.h"
#include "store/pictures/picture_repoint.h"
#include "store/pictures/repoint_undo.h"
#include "store_test_util.h"

using testutil::read_raw;
using testutil::write_raw;

namespace {

QByteArray cp932(const QString& text) { return store::encode_cp932(text); }

struct Dirs {
  Dirs() {
    data = tmp.path() + QStringLiteral("/data/");
    photos = tmp.path() + QStringLiteral("/photos");
    QDir().mkpath(data + QStringLiteral("memo"));
    QDir().mkpath(photos);
  }
  QString list_path(int no) const { return data + QStringLiteral("memo/g%1.txt").arg(no, 7, 10, QLatin1Char('0')); }
  void write_list(int no, const QByteArray& bytes) const { QVERIFY(write_raw(list_path(no), bytes)); }
  void touch(const QString& relative) const {
    const QString path = photos + QLatin1Char('/') + relative;
    QDir().mkpath(QFileInfo(path).path());
    QVERIFY(write_raw(path, "picture"));
  }
  QTemporaryDir tmp;
  QString data, photos;
};

std::vector<store::CheckedMemo> memos(int n) {
  std::vector<store::CheckedMemo> out;
  for (int i = 1; i <= n; ++i) {
    out.push_back({QString::number(i), QStringLiteral("2026/05/%1").arg(i, 2, 10, QLatin1Char('0')),
                   QStringLiteral("メモ%1").arg(i)});
  }
  return out;
}

const std::atomic_bool kGoOn{false};

}  // namespace

class TestPictureCheck : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void folders_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("ancestors");
    QTest::newRow("windows") << "C:\\Users\\花子\\Pictures\\2019\\IMG_0012.JPG"
                             << QStringList{"C:\\Users\\花子\\Pictures\\2019\\", "C:\\Users\\花子\\Pictures\\",
                                            "C:\\Users\\花子\\", "C:\\Users\\", "C:\\"};
    QTest::newRow("linux") << "/home/hanako/庭/a.jpg" << QStringList{"/home/hanako/庭/", "/home/hanako/", "/home/", "/"};
    QTest::newRow("mixed separators") << "D:/写真\\b.jpg" << QStringList{"D:/写真\\", "D:/"};
    QTest::newRow("network share") << "\\\\nas\\photos\\c.jpg" << QStringList{"\\\\nas\\photos\\", "\\\\nas\\"};
    QTest::newRow("bare name") << "d.jpg" << QStringList{};
  }

  void folders() {
    QFETCH(QString, path);
    QFETCH(QStringList, ancestors);
    QCOMPARE(store::stored_folder(path), ancestors.value(0));
    QCOMPARE(store::folder_and_ancestors(store::stored_folder(path)), ancestors);
  }

  // Missing, found, odd and unreadable lists; grouped by stored folder.
  void scan_and_group() {
    Dirs d;
    d.touch(QStringLiteral("there.jpg"));
    QDir().mkpath(d.photos + QStringLiteral("/dir.jpg"));
    const QString fifo = d.photos + QStringLiteral("/pipe.jpg");
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString there = d.photos + QStringLiteral("/there.jpg");
    const QString win = QStringLiteral("C:\\Users\\h\\Pictures\\2019\\");
    d.write_list(1, testutil::crlf({cp932(win + "a.jpg"), "a", cp932(there), "t", cp932(win + "b.jpg"), "b"}));
    d.write_list(2, testutil::crlf({cp932(win + "c.jpg"), "c", cp932(d.photos + "/dir.jpg"), "d",
                                    cp932(fifo), "f", "", "empty path"}));
    // A path without its title line, and a path of 5000 characters.
    d.write_list(3, cp932(win + "odd.jpg") + "\r\nodd\r\n" + QByteArray(5000, 'x') + "\r\nlong\r\n" +
                        cp932(win + "e.jpg"));
    QDir().mkpath(d.list_path(4));  // a "picture list" that is a directory
    const std::vector<store::CheckedMemo> m = memos(5);
    int progress = 0;
    const store::PictureScan scan = store::scan_pictures(d.data, m, kGoOn, [&](int n) { progress = n; });
    QCOMPARE(progress, 5);
    QCOMPARE(scan.pictures, 10);
    QStringList missing;
    for (const store::MissingPicture& p : scan.missing) missing << QStringLiteral("%1.%2").arg(p.memo).arg(p.position);
    QCOMPARE(missing, (QStringList{"0.1", "0.3", "1.1", "1.2", "1.3", "1.4", "2.1", "2.2", "2.3"}));
    QCOMPARE(scan.unreadable.size(), size_t(1));
    QCOMPARE(scan.unreadable[0].memo, 3);
    QVERIFY(scan.unreadable[0].message.contains(d.list_path(4)));

    const std::vector<store::FolderGroup> groups = store::group_by_folder(scan, m);
    QCOMPARE(groups.size(), size_t(3));
    QCOMPARE(groups[0].folder, win);
    QCOMPARE(groups[0].items.size(), size_t(5));  // a, b, c, odd, e
    QCOMPARE(groups[0].memos, 3);
    QCOMPARE(groups[0].newest_date, QStringLiteral("2026/05/03"));
    QCOMPARE(groups[1].folder, d.photos + QLatin1Char('/'));  // the directory and the FIFO
    QCOMPARE(groups[2].folder, QString());                    // the empty path, the long name
    QCOMPARE(store::scan_summary(scan),
             QStringLiteral("10枚中9枚の画像（3件のメモ）が見つかりません。読めない画像リストが1件あります。"));

    std::atomic_bool stop{true};
    QVERIFY(store::scan_pictures(d.data, m, stop).cancelled);
  }

  void plan_data() {
    QTest::addColumn<QString>("stored");   // below the old folder "C:\\Pics\\"
    QTest::addColumn<QStringList>("on_disk");  // below the new folder
    QTest::addColumn<bool>("by_name");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("new_path");  // below the new folder
    using O = store::RepointOutcome;
    QTest::newRow("same path") << "2019\\IMG_1.JPG" << QStringList{"2019/IMG_1.JPG"} << false << int(O::Found)
                               << "2019/IMG_1.JPG";
    QTest::newRow("letter case differs") << "2019\\Garden\\IMG_2.JPG" << QStringList{"2019/garden/img_2.jpg"}
                                         << false << int(O::Found) << "2019/garden/img_2.jpg";
    QTest::newRow("two names differ only in case") << "IMG_3.JPG" << QStringList{"img_3.jpg", "Img_3.jpg"}
                                                   << false << int(O::NotFound) << "IMG_3.JPG";
    QTest::newRow("not there") << "2019\\IMG_4.JPG" << QStringList{"2020/IMG_5.JPG"} << false << int(O::NotFound)
                               << "2019/IMG_4.JPG";
    QTest::newRow("moved, found by name") << "2019\\IMG_4.JPG" << QStringList{"sorted/spring/IMG_4.JPG"} << true
                                          << int(O::Found) << "sorted/spring/IMG_4.JPG";
    QTest::newRow("name found twice") << "2019\\IMG_4.JPG" << QStringList{"a/IMG_4.JPG", "b/IMG_4.JPG"} << true
                                      << int(O::Ambiguous) << "2019/IMG_4.JPG";
    QTest::newRow("not storable") << "2019\\IMG_6.JPG" << QStringList{"2019/IMG_6.JPG"} << false
                                  << int(O::Unstorable) << "2019/IMG_6.JPG";
  }

  void plan() {
    QFETCH(QString, stored);
    QFETCH(QStringList, on_disk);
    QFETCH(bool, by_name);
    QFETCH(int, outcome);
    QFETCH(QString, new_path);
    Dirs d;
    // The last row's new folder has a name windows-31j cannot hold.
    const QString root = QTest::currentDataTag() == QByteArray("not storable") ? d.photos + QStringLiteral("/Été")
                                                                               : d.photos;
    for (const QString& f : on_disk) {
      QDir().mkpath(QFileInfo(root + QLatin1Char('/') + f).path());
      QVERIFY(write_raw(root + QLatin1Char('/') + f, "picture"));
    }
    // A symbolic-link loop in the tree the search walks.
    QVERIFY(QFile::link(d.photos, d.photos + QStringLiteral("/loop")));
    store::PictureScan scan;
    scan.missing = {{0, 1, QStringLiteral("C:\\Pics\\") + stored, QStringLiteral("t")},
                    {0, 2, QStringLiteral("E:\\other\\x.jpg"), QStringLiteral("u")}};
    const store::RepointPlan plan =
        store::plan_repoint(scan, {QStringLiteral("C:\\Pics\\"), root, by_name}, kGoOn);
    QCOMPARE(plan.items.size(), size_t(1));  // only pictures under the old folder
    QCOMPARE(int(plan.items[0].outcome), outcome);
    QCOMPARE(plan.items[0].new_path.mid(root.size() + 1), new_path);
    if (outcome == int(store::RepointOutcome::Ambiguous)) QCOMPARE(plan.items[0].candidates.size(), 2);
  }

  // Only the changed path lines change; undo and a failed write give the
  // old bytes back. The undo kept for later leaves alone what the user
  // changed after the re-pointing.
  void writing_data() {
    QTest::addColumn<QString>("failure");  // "" none, "changed", "read-only"
    QTest::addColumn<QString>("then");     // after the writing: "journal", "undo", "added", "edited", "deleted"
    QTest::newRow("written and committed") << "" << "journal";
    QTest::newRow("written, then undone") << "" << "undo";
    QTest::newRow("undone after a picture was added") << "" << "added";
    QTest::newRow("undone after the second memo's picture changed") << "" << "edited";
    QTest::newRow("undone after the first memo was deleted") << "" << "deleted";
    QTest::newRow("second list changed since the scan") << "changed" << "";
    QTest::newRow("read-only memo folder") << "read-only" << "";
  }

  void writing() {
    QFETCH(QString, failure);
    QFETCH(QString, then);
    Dirs d;
    d.touch(QStringLiteral("a.jpg"));
    d.touch(QStringLiteral("b.jpg"));
    // Invalid bytes in a title, an NEC/IBM duplicate (FA5C for 纊) in a
    // path that stays, bare LF line ends, no final line end.
    const QByteArray first = "C:\\old\\a.jpg\r\n\x81\xff\xfe title\n" + QByteArray("D:\\\xfa\x5c.jpg\r\nt");
    const QByteArray second = testutil::crlf({"C:\\old\\b.jpg", cp932(QStringLiteral("葉"))});
    d.write_list(1, first);
    d.write_list(2, second);
    const std::vector<store::CheckedMemo> m = memos(2);
    const store::PictureScan scan = store::scan_pictures(d.data, m, kGoOn);
    QCOMPARE(scan.missing.size(), size_t(3));
    const store::RepointPlan plan = store::plan_repoint(scan, {QStringLiteral("C:\\old\\"), d.photos, false}, kGoOn);
    QCOMPARE(plan.count(store::RepointOutcome::Found), 2);

    if (failure == QLatin1String("changed")) d.write_list(2, testutil::crlf({"C:\\old\\moved.jpg", "x"}));
    const QByteArray second_now = read_raw(d.list_path(2));
    ImmutableDir guard;
    if (failure == QLatin1String("read-only") && !guard.protect(d.data + QStringLiteral("memo"))) {
      QSKIP("this file system cannot make a folder read-only");
    }
    store::FileJournal journal(d.data);
    const store::RepointWrite done = store::write_repoint(d.data, m, scan, plan, journal);
    guard.release();
    if (!failure.isEmpty()) {
      QVERIFY(!done.ok);
      QVERIFY2(done.message.contains(failure == QLatin1String("changed") ? d.list_path(2) : d.list_path(1)),
               qPrintable(done.message));
      QCOMPARE(read_raw(d.list_path(1)), first);
      QCOMPARE(read_raw(d.list_path(2)), second_now);
      return;
    }
    QVERIFY2(done.ok, qPrintable(done.message));
    QCOMPARE(done.files, 2);
    QCOMPARE(read_raw(d.list_path(1)), cp932(d.photos + "/a.jpg") + "\r\n\x81\xff\xfe title\r\nD:\\\xfa\x5c.jpg\r\nt\r\n");
    QCOMPARE(read_raw(d.list_path(2)), testutil::crlf({cp932(d.photos + "/b.jpg"), cp932(QStringLiteral("葉"))}));
    if (then == QLatin1String("journal")) {
      // The write committed its journal: nothing is left to roll back.
      QVERIFY(journal.rollback().isEmpty());
      QCOMPARE(read_raw(d.list_path(1)), cp932(d.photos + "/a.jpg") + "\r\n\x81\xff\xfe title\r\nD:\\\xfa\x5c.jpg\r\nt\r\n");
      return;
    }
    const QByteArray added = "E:\\new.jpg\r\nx\r\n";
    if (then == QLatin1String("added")) QVERIFY(write_raw(d.list_path(1), read_raw(d.list_path(1)) + added));
    const QByteArray edited = testutil::crlf({cp932(d.photos + "/c.jpg"), "c"});
    if (then == QLatin1String("edited")) d.write_list(2, edited);
    if (then == QLatin1String("deleted")) QVERIFY(QFile::remove(d.list_path(1)));
    const store::RepointUndo undone = store::undo_repoint(d.data, done.record);
    QVERIFY2(undone.ok, qPrintable(undone.message));
    const bool one_left = then == QLatin1String("edited") || then == QLatin1String("deleted");
    QCOMPARE(undone.pictures, one_left ? 1 : 2);
    QCOMPARE(undone.skipped, one_left ? 1 : 0);
    // Line ends become CR LF, as every write makes them.
    const QByteArray first_crlf = "C:\\old\\a.jpg\r\n\x81\xff\xfe title\r\n" + QByteArray("D:\\\xfa\x5c.jpg\r\nt\r\n");
    if (then != QLatin1String("deleted")) {
      QCOMPARE(read_raw(d.list_path(1)), then == QLatin1String("added") ? first_crlf + added : first_crlf);
    }
    QCOMPARE(read_raw(d.list_path(2)), then == QLatin1String("edited") ? edited : second);
  }

  // A "%" in a folder name is no place for the next number.
  void undo_texts() {
    const store::RepointRecord record{QStringLiteral("C:\\100%2\\"), QStringLiteral("/写真"), {{}, {}}};
    QCOMPARE(store::repoint_done_text(record), QStringLiteral("「C:\\100%2\\」の画像 2 枚を「/写真」に付け替えました。"));
    QCOMPARE(store::undo_offer_text(record), QStringLiteral("元に戻す: 「/写真」→「C:\\100%2\\」 2 枚"));
  }
};

QTEST_GUILESS_MAIN(TestPictureCheck)
#include "test_picture_check.moc"
