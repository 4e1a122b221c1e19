// Backups: the names pictures get in the archive, the entries a restore
// refuses, a full round trip (back up, restore elsewhere, every byte and
// every picture link checked), failing and cancelled backups, and hostile
// archives that must leave the chosen folder as it was.

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QTemporaryDir>
#include <QtTest>
#include <archive.h>
#include <archive_entry.h>
#include <clocale>
#include <map>

#include "../hardening/full_disk.h"
#include "crafted_zip.h"
#include "immutable_dir.h"
#include "store/backup/backup_names.h"
#include "store/backup/backup_restore.h"
#include "store/backup/backup_write.h"
#include "store/files/codec.h"
#include "store_test_util.h"

using testutil::read_raw;
using testutil::write_raw;

namespace {

const std::atomic_bool kGoOn{false};

QByteArray cp932(const QString& text) { return store::encode_cp932(text); }

// Every file below a folder with its bytes, by relative path.
std::map<QString, QByteArray> tree(const QString& root) {
  std::map<QString, QByteArray> out;
  QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    out[QDir(root).relativeFilePath(path)] = read_raw(path);
  }
  return out;
}

void put(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).path());
  QVERIFY2(write_raw(path, bytes), qPrintable(path));
}

// A diary whose pictures lie in three folders, one picture named by two
// memos, one missing.
struct Diary {
  Diary() {
    data = tmp.path() + QStringLiteral("/日記/");
    const QString p = tmp.path() + QStringLiteral("/写真");
    pics = {p + QStringLiteral("/庭/バラ.jpg"), p + QStringLiteral("/温室/a.png"), tmp.path() + QStringLiteral("/other/b.bmp")};
    // Large pictures go to the archive file directly, past the small pieces
    // that its output gathers: one of them in a single piece, one in several.
    const qsizetype sizes[] = {1007, (600 << 10) + 7, (5 << 19) + 7};
    for (int i = 0; i < 3; ++i) put(pics[i], QByteArray(sizes[i], char('a' + i)));
    put(data + "flower.dat", cp932(QStringLiteral("2026/05/01\r\n花壇\r\nバラ\r\n咲いた\r\n 1 \r\n2026/05/01 10:00:00\r\n"
                                                  "2026/05/01 10:00:00\r\n2026/04/01\r\n温室\r\n蘭\r\n植え替え\r\n 2 \r\n"
                                                  "2026/04/01 10:00:00\r\n2026/04/01 10:00:00\r\n")));
    put(data + "basyo.dat", cp932(QStringLiteral("花壇\r\n温室\r\n")));
    put(data + "hinsyu.dat", cp932(QStringLiteral("バラ\r\n蘭\r\n")));
    put(data + "flower.ini", " 2 \r\n 0 \r\n 1 \r\n 2 \r\n 3 \r\n 4 \r\n 5 \r\n");
    put(data + "memo/m0000001.txt", cp932(QStringLiteral("本文\r\n")));
    put(data + "memo/g0000001.txt", cp932(pics[0] + QStringLiteral("\r\nバラ\r\n") + pics[2] + QStringLiteral("\r\nb\r\n")));
    put(data + "memo/g0000002.txt",
        cp932(pics[1] + QStringLiteral("\r\n蘭\r\n/なくなった/c.jpg\r\nc\r\n") + pics[0] + QStringLiteral("\r\n同じ\r\n")));
  }
  std::vector<store::CheckedMemo> memos() const { return {{"1", "2026/05/01", "咲いた"}, {"2", "2026/04/01", "植え替え"}}; }
  store::BackupResult back_up(const QString& target) const {
    const store::BackupPlan plan = store::plan_backup(data, memos(), kGoOn);
    return store::write_backup(plan, target, kGoOn);
  }
  QTemporaryDir tmp;
  QString data;
  QStringList pics;
};

const Craft::Item kIndex{"Verdalis/flower.dat", "2026/05/01\r\n"};

}  // namespace

class TestBackup : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // A session without LANG runs in the "C" locale, where a Japanese entry
  // name cannot be converted unless the store sees to it.
  void initTestCase() { std::setlocale(LC_ALL, "C"); }

  void picture_names_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("name");
    QTest::newRow("linux") << "/home/hanako/Pictures/庭/a.jpg" << "写真/home/hanako/Pictures/庭/a.jpg";
    QTest::newRow("windows") << "C:\\Users\\花子\\a.jpg" << "写真/C/Users/花子/a.jpg";
    QTest::newRow("unc") << "\\\\server\\share\\a.jpg" << "写真/server/share/a.jpg";
    QTest::newRow("dots") << "/a/./b/../c.jpg" << "写真/a/b/__/c.jpg";
    QTest::newRow("windows-forbidden") << "/a/b:c?.jpg" << "写真/a/b_c_.jpg";
    QTest::newRow("relative") << "a.jpg" << "写真/a.jpg";
    QTest::newRow("root only") << "/" << "写真/_";
  }
  void picture_names() {
    QFETCH(QString, stored);
    QFETCH(QString, name);
    QCOMPARE(store::picture_archive_name(stored), name);
    QCOMPARE(store::refused_entry_name(QStringLiteral("Verdalis/") + name, false), QString());
  }

  void entry_names_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("directory");
    QTest::addColumn<bool>("refused");
    QTest::newRow("index") << "Verdalis/flower.dat" << false << false;
    QTest::newRow("memo file") << "Verdalis/memo/g0000001.txt" << false << false;
    QTest::newRow("top folder") << "Verdalis/" << true << false;
    QTest::newRow("picture folder") << "Verdalis/写真/home/" << true << false;
    QTest::newRow("list") << "Verdalis/写真一覧.txt" << false << false;
    QTest::newRow("absolute") << "/etc/passwd" << false << true;
    QTest::newRow("up") << "Verdalis/写真/../../x" << false << true;
    QTest::newRow("drive") << "C:/Verdalis/flower.dat" << false << true;
    QTest::newRow("drive inside") << "Verdalis/写真/C:x" << false << true;
    QTest::newRow("backslash") << "Verdalis\\flower.dat" << false << true;
    QTest::newRow("outside top") << "other/flower.dat" << false << true;
    QTest::newRow("program beside data") << "Verdalis/verdalis" << false << true;
    QTest::newRow("memo subfolder") << "Verdalis/memo/x/y.txt" << false << true;
    QTest::newRow("empty component") << "Verdalis//flower.dat" << false << true;
  }
  void entry_names() {
    QFETCH(QString, name);
    QFETCH(bool, directory);
    QFETCH(bool, refused);
    QCOMPARE(!store::refused_entry_name(name, directory).isEmpty(), refused);
  }

  // Back up, restore into a new folder: the data files byte for byte, the
  // picture lists pointing at the extracted pictures, the pictures byte
  // for byte, and the original diary untouched.
  void round_trip() {
    Diary d;
    const auto before = tree(d.data);
    const QString zip = d.tmp.filePath(QStringLiteral("b.zip"));
    const store::BackupResult b = d.back_up(zip);
    QVERIFY2(b.ok, qPrintable(b.message));
    QCOMPARE(b.pictures, 3);
    QCOMPARE(b.missing, 1);
    QCOMPARE(b.files, 7);
    QVERIFY(tree(d.data) == before);

    put(d.tmp.filePath("verdalis"), "#!program");
    const QString to = d.tmp.filePath(QStringLiteral("復元/新しい"));
    store::RestoreRequest request{zip, to, d.data, {d.tmp.filePath("verdalis")}};
    const store::RestoreResult r = store::restore_backup(request, kGoOn);
    QVERIFY2(r.ok, qPrintable(r.message));
    QCOMPARE(r.memos, 2);
    QCOMPARE(r.pictures, 3);
    QCOMPARE(r.linked, 4);
    QCOMPARE(r.program, to + QStringLiteral("/verdalis"));
    QVERIFY(QFileInfo(r.program).isExecutable() == QFileInfo(d.tmp.filePath("verdalis")).isExecutable());

    const auto after = tree(to);
    for (const auto& [name, bytes] : before) {
      QVERIFY2(after.count(name) == 1, qPrintable(name));
      if (!name.startsWith(QStringLiteral("memo/g"))) QCOMPARE(after.at(name), bytes);
    }
    const auto linked = [&](const QString& original) { return to + QLatin1Char('/') + store::picture_archive_name(original); };
    QCOMPARE(after.at("memo/g0000002.txt"),
             cp932(linked(d.pics[1]) + QStringLiteral("\r\n蘭\r\n/なくなった/c.jpg\r\nc\r\n") + linked(d.pics[0]) +
                   QStringLiteral("\r\n同じ\r\n")));
    for (const QString& pic : d.pics) QCOMPARE(read_raw(linked(pic)), read_raw(pic));
    QVERIFY(QString::fromUtf8(after.at(QStringLiteral("写真一覧.txt"))).contains(QStringLiteral("/なくなった/c.jpg")));
    QVERIFY(tree(d.data) == before);
  }

  // A failed or cancelled backup leaves nothing under the target's name,
  // and an older archive there stays as it was.
  // The message names the reason, and says an older archive is kept only
  // when there was one.
  void failed_backup_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("said");
    QTest::newRow("cancelled") << "cancel" << "";
    QTest::newRow("read-only folder") << "read-only" << "/out」への書き込みが許可されていません";
    QTest::newRow("no index") << "no index" << "ファイルがありません";
    QTest::newRow("disk full") << "full" << "\n前からあった「%1」は元のままです。";
  }
  void failed_backup() {
    QFETCH(QString, how);
    QFETCH(QString, said);
    Diary d;
    const QString folder = d.tmp.filePath("out");
    QDir().mkpath(folder);
    const QString zip = folder + QStringLiteral("/b.zip");
    if (how != "read-only") put(zip, "older archive");
    if (how == "no index") QFile::remove(d.data + "flower.dat");
    ImmutableDir guard;
    if (how == "read-only" && !guard.protect(folder)) QSKIP("this file system lets the test's user write anywhere");
    const std::atomic_bool cancel{how == "cancel"};
    const store::BackupPlan plan = store::plan_backup(d.data, d.memos(), kGoOn);
    // The archive outgrows what may still be written, half-way through.
    full_disk::Disk disk(d.tmp.filePath("disk"), full_disk::Mode::FileSizeLimit);
    if (how == "full") QVERIFY(disk.fill(plan.total_bytes / 2));
    const store::BackupResult r = plan.message.isEmpty() ? store::write_backup(plan, zip, cancel)
                                                         : store::BackupResult{false, false, plan.message};
    QVERIFY(!r.ok);
    QCOMPARE(r.cancelled, how == "cancel");
    if (!r.cancelled) QVERIFY2(r.message.contains(QString(said).replace(QStringLiteral("%1"), zip)), qPrintable(r.message));
    if (how == "read-only") QVERIFY2(!r.message.contains(QStringLiteral("元のまま")), qPrintable(r.message));
    guard.release();
    disk.release();
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             how == "read-only" ? QStringList() : QStringList{"b.zip"});
    if (how != "read-only") QCOMPARE(read_raw(zip), QByteArray("older archive"));
  }

  void refused_folders_data() {
    QTest::addColumn<QString>("what");
    QTest::newRow("own folder") << "own";
    QTest::newRow("data files") << "data";
    QTest::newRow("not empty") << "full";
    QTest::newRow("a file") << "file";
    QTest::newRow("unstorable name") << "name";
    QTest::newRow("read-only") << "read-only";
    QTest::newRow("below a read-only folder") << "below read-only";
  }
  void refused_folders() {
    QFETCH(QString, what);
    Diary d;
    QString folder = d.tmp.filePath("to");
    ImmutableDir guard;
    if (what.endsWith("read-only")) {
      QDir().mkpath(folder);
      if (!guard.protect(folder)) QSKIP("this file system lets the test's user write anywhere");
      if (what == "below read-only") folder += QStringLiteral("/new/folder");
      QVERIFY(store::refused_restore_folder(folder, d.data).contains(QStringLiteral("/to」への書き込みが許可されていません")));
    }
    if (what == "own") folder = d.data;
    if (what == "data") put(folder + "/basyo.dat", "");
    if (what == "full") put(folder + "/x", "");
    if (what == "file") put(folder, "");
    if (what == "name") folder = d.tmp.filePath(QStringLiteral("😀"));
    QVERIFY(testutil::has_japanese(store::refused_restore_folder(folder, d.data)));
  }

  // Archives that a restore refuses: the chosen folder is left as it was
  // (a new one is not created, an empty one stays empty). All but the
  // damage inside an entry's data and the lack of room are named by the
  // first look, before a folder is chosen; every message says in Japanese
  // what is wrong.
  void hostile_archives_data() {
    QTest::addColumn<QByteArray>("zip");
    QTest::addColumn<qint64>("free");
    QTest::addColumn<bool>("early");
    QTest::addColumn<QString>("said");
    const Craft::Item pic{"Verdalis/写真/a.jpg", QByteArray(4000, 'p')};
    const auto with = [&](Craft::Item i) { return Craft::zip({kIndex, pic, std::move(i)}); };
    const QString outside = QStringLiteral("Verdalis フォルダの外の項目");
    QTest::newRow("absolute") << with({"/tmp/x", "x"}) << qint64(-1) << true << QStringLiteral("絶対パスの項目「/tmp/x」");
    QTest::newRow("dot-dot") << with({"Verdalis/写真/../../../x", "x"}) << qint64(-1) << true << QStringLiteral("「Verdalis/写真/../../../x」");
    QTest::newRow("drive letter") << with({"C:/x", "x"}) << qint64(-1) << true << QStringLiteral("「C:/x」");
    QTest::newRow("symbolic link") << with({"Verdalis/写真/l", "", AE_IFLNK, "/etc/passwd"}) << qint64(-1) << true
                                   << QStringLiteral("リンクの項目「Verdalis/写真/l」");
    QTest::newRow("no index") << Craft::zip({pic}) << qint64(-1) << true << QStringLiteral("Verdalis のバックアップではありません");
    QTest::newRow("another folder's ZIP") << Craft::zip({{"温室/", "", AE_IFDIR}, {"温室/a.txt", "a"}}) << qint64(-1) << true
                                          << QStringLiteral("Verdalis のバックアップではありません");
    QTest::newRow("outside the top folder") << with({"x.txt", "x"}) << qint64(-1) << true << outside + QStringLiteral("「x.txt」");
    QTest::newRow("twice the same name") << with(kIndex) << qint64(-1) << true
                                         << QStringLiteral("同じ名前の項目「Verdalis/flower.dat」が二つあります");
    QTest::newRow("no room") << Craft::zip({kIndex, pic}) << qint64(1000) << false << QStringLiteral("ディスクの空きが足りません");
    QByteArray device = with({"Verdalis/写真/d", "d"});
    Craft::patch_central(device, 2, 38, 0020644u << 16);
    QTest::newRow("device") << device << qint64(-1) << true << QStringLiteral("特殊な項目「Verdalis/写真/d」");
    QByteArray huge = Craft::zip({kIndex, pic});
    Craft::patch_central(huge, 1, 24, 0xC0000000u);
    Craft::patch_central(huge, 1, 22, 0xC0000000u, "PK\x03\x04");
    QTest::newRow("3 GB declared") << huge << qint64(-1) << true << QStringLiteral("2 GB を超える大きさの項目");
    const QByteArray good = Craft::zip({kIndex, pic});
    QTest::newRow("truncated") << good.left(good.size() / 2) << qint64(-1) << true
                               << QStringLiteral("ZIP ファイルですが、終わりの部分（項目の一覧）が欠けているか壊れています");
    QByteArray corrupt = good;
    corrupt[corrupt.indexOf(QByteArray(4000, 'p')) + 100] = 'q';
    QTest::newRow("corrupted data") << corrupt << qint64(-1) << false
                                    << QStringLiteral("「Verdalis/写真/a.jpg」が壊れています（検査値が合いません）");
    QTest::newRow("not an archive") << QByteArray("2026/05/01\r\n") << qint64(-1) << true << QStringLiteral("ZIP ファイルではありません");
    QTest::newRow("empty file") << QByteArray() << qint64(-1) << true << QStringLiteral("ZIP ファイルではありません");
  }
  // libarchive reads a FIFO entry of a ZIP as a plain file: it is restored
  // as one, never as a FIFO that would block whoever opens it.
  void fifo_entry_is_a_plain_file() {
    Diary d;
    QByteArray zip = Craft::zip({kIndex, {"Verdalis/写真/f", "f"}});
    Craft::patch_central(zip, 1, 38, 0010644u << 16);
    put(d.tmp.filePath("f.zip"), zip);
    const store::RestoreResult r = store::restore_backup({d.tmp.filePath("f.zip"), d.tmp.filePath("to"), d.data, {}}, kGoOn);
    QVERIFY2(r.ok, qPrintable(r.message));
    QVERIFY(QFileInfo(d.tmp.filePath(QStringLiteral("to/写真/f"))).isFile());
    QCOMPARE(read_raw(d.tmp.filePath(QStringLiteral("to/写真/f"))), QByteArray("f"));
  }

  void hostile_archives() {
    QFETCH(QByteArray, zip);
    QFETCH(qint64, free);
    QFETCH(bool, early);
    QFETCH(QString, said);
    for (const bool exists : {false, true}) {
      Diary d;
      const QString archive = d.tmp.filePath("h.zip");
      put(archive, zip);
      const QString first_look = store::refused_backup_archive(archive);
      QCOMPARE(first_look.contains(said), early);
      QCOMPARE(first_look.isEmpty(), !early);
      const QString to = d.tmp.filePath(exists ? "empty" : "new/folder");
      if (exists) QDir().mkpath(to);
      store::RestoreRequest request{archive, to, d.data, {}};
      if (free >= 0) request.free_space = [free](const QString&) { return free; };
      const store::RestoreResult r = store::restore_backup(request, kGoOn);
      QVERIFY(!r.ok);
      QVERIFY2(r.message.contains(said), qPrintable(r.message));
      QVERIFY2(r.message.contains(archive) || r.message.contains(to), qPrintable(r.message));
      // No English from the library: outside the quoted names, only "Verdalis" and "ZIP" are Latin.
      QString words = r.message;
      words.remove(QRegularExpression(QStringLiteral("「[^」]*」"))).remove(QStringLiteral("Verdalis"));
      QVERIFY2(!words.contains(QRegularExpression(QStringLiteral("[A-Za-z]{5,}"))), qPrintable(r.message));
      QCOMPARE(QFileInfo::exists(to), exists);
      QVERIFY(!QFileInfo::exists(d.tmp.filePath("new")));
      if (exists) QVERIFY(QDir(to).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
      QVERIFY(!QFileInfo::exists(QStringLiteral("/tmp/x")));
    }
  }
};

QTEST_GUILESS_MAIN(TestBackup)
#include "test_backup.moc"
