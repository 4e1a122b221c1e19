// A memo number is data from flower.dat: whatever a memo_no line holds, the
// per-memo file names it gives stay inside memo/, and deleting or
// correcting the memo touches no file anywhere else.

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include "data_dir.h"
#include "full_disk.h"
#include "store/diary/category_edit.h"
#include "store/diary/memo_files.h"
#include "store/diary/memo_save.h"
#include "store/diary/startup.h"

namespace {

// Files a careless path join could reach from the data directory
// <tmp>/data/: the data directory itself, its parent and an "etc".
const QStringList kBystanders = {QStringLiteral("data/x"), QStringLiteral("data/x.txt"), QStringLiteral("x"),
                                 QStringLiteral("x.txt"), QStringLiteral("etc/passwd"),
                                 QStringLiteral("etc/passwd.txt"), QStringLiteral("data/memo/x.txt")};

enum class Removal { DeleteOne, DeleteCategory, CorrectToEmpty };

}  // namespace

Q_DECLARE_METATYPE(Removal)

class MemoNumbersTest : public QObject {
  Q_OBJECT

  static void numbers_data() {
    QTest::addColumn<QString>("memo_no");
    QTest::addColumn<QString>("digits");
    QTest::newRow("negative") << "-5" << "-000005";
    QTest::newRow("exponent") << "1e9" << "0000001";
    QTest::newRow("blanks and zeros") << " 0012 " << "0000012";
    QTest::newRow("parent, slash") << "../x" << "0000000";
    QTest::newRow("parent, backslash") << "..\\x" << "0000000";
    QTest::newRow("absolute path") << "/etc/passwd" << "0000000";
    QTest::newRow("digits then a path") << "12/../../x" << "0000012";
    QTest::newRow("30 digits") << QString(30, QLatin1Char('9')) << "9223372036854775807";
    QTest::newRow("minus 30 digits") << QLatin1Char('-') + QString(30, QLatin1Char('9')) << "-9223372036854775807";
    QTest::newRow("full-width digits") << "１２" << "0000000";
    QTest::newRow("NUL inside") << QStringLiteral("7") + QChar(0) + QStringLiteral("/x") << "0000007";
  }

 private Q_SLOTS:
  void names_stay_in_the_memo_directory_data() { numbers_data(); }
  void names_stay_in_the_memo_directory() {
    QFETCH(QString, memo_no);
    QFETCH(QString, digits);
    const QString dir = QStringLiteral("/srv/garden/");
    const QRegularExpression plain(QStringLiteral("^[mg]-?[0-9]+\\.txt$"));
    const QString body = store::memo_body_path(dir, memo_no);
    const QString images = store::memo_images_path(dir, memo_no);
    for (const QString& path : {body, images}) {
      QCOMPARE(QDir::cleanPath(path), path);
      QCOMPARE(QFileInfo(path).path(), QStringLiteral("/srv/garden/memo"));
      QVERIFY2(plain.match(QFileInfo(path).fileName()).hasMatch(), qPrintable(path));
    }
    QCOMPARE(QFileInfo(body).fileName(), QStringLiteral("m") + digits + QStringLiteral(".txt"));
    QCOMPARE(QFileInfo(images).fileName(), QStringLiteral("g") + digits + QStringLiteral(".txt"));
  }

  // The memo with the odd number is the only memo: its own files (the
  // ones its number names) go, every other file stays.
  void deleting_one_memo_data() { numbers_data(); }
  void deleting_one_memo() { check_removal(Removal::DeleteOne); }
  void deleting_a_category_data() { numbers_data(); }
  void deleting_a_category() { check_removal(Removal::DeleteCategory); }
  void correcting_to_no_body_data() { numbers_data(); }
  void correcting_to_no_body() { check_removal(Removal::CorrectToEmpty); }

  // Two memos whose numbers read the same share their files: deleting one
  // leaves them for the other; deleting the last one removes them.
  void shared_files_go_with_the_last_memo() {
    QTemporaryDir tmp;
    const QString data = tmp.path() + QStringLiteral("/");
    QVERIFY(QDir().mkpath(data + QStringLiteral("memo")));
    QStringList lines;
    for (const char* no : {" 5 ", "5"}) {
      lines << QStringLiteral("2026/05/01") << QStringLiteral("花壇") << QStringLiteral("パンジー") << QStringLiteral("題")
            << QString::fromLatin1(no) << QStringLiteral("2026/05/01 10:00:00") << QStringLiteral("2026/05/01 10:00:00");
    }
    QVERIFY(testing_support::write_bytes(data + QStringLiteral("flower.dat"), testing_support::cp932_lines(lines)));
    const QString body = data + QStringLiteral("memo/m0000005.txt");
    QVERIFY(testing_support::write_bytes(body, "body\r\n"));
    store::AppState state(data);
    QVERIFY(store::start_up_data(state, store::Settings{}).ok);
    QVERIFY(store::delete_memo(state, 1).ok);
    QVERIFY(QFileInfo::exists(body));
    QVERIFY(store::delete_memo(state, 1).ok);
    QVERIFY(!QFileInfo::exists(body));
  }

 private:
  void check_removal(Removal removal) {
    QFETCH(QString, memo_no);
    QFETCH(QString, digits);
    QTemporaryDir tmp;
    const QString base = tmp.path() + QLatin1Char('/');
    const QString data = base + QStringLiteral("data/");
    QVERIFY(QDir().mkpath(data + QStringLiteral("memo")) && QDir().mkpath(base + QStringLiteral("etc")));
    for (const QString& name : kBystanders) QVERIFY(testing_support::write_bytes(base + name, "keep\r\n"));
    const QStringList record{QStringLiteral("2026/05/01"), QStringLiteral("花壇"), QStringLiteral("パンジー"),
                             QStringLiteral("題"),         memo_no,                QStringLiteral("2026/05/01 10:00:00"),
                             QStringLiteral("2026/05/01 10:00:00")};
    QVERIFY(testing_support::write_bytes(data + QStringLiteral("flower.dat"), testing_support::cp932_lines(record)));
    const QString own_body = data + QStringLiteral("memo/m") + digits + QStringLiteral(".txt");
    const QString own_images = data + QStringLiteral("memo/g") + digits + QStringLiteral(".txt");
    QVERIFY(testing_support::write_bytes(own_body, "body\r\n"));
    QVERIFY(testing_support::write_bytes(own_images, "/a.jpg\r\na\r\n"));
    store::AppState state(data);
    QVERIFY(store::start_up_data(state, store::Settings{}).ok);
    QCOMPARE(state.memo_count(), 1);
    auto before = full_disk::all_files(base);

    bool ok = false;
    switch (removal) {
      case Removal::DeleteOne: ok = store::delete_memo(state, 1).ok; break;
      case Removal::DeleteCategory: ok = store::delete_category_memos(state, store::Category::Location, 0).ok; break;
      case Removal::CorrectToEmpty: {
        store::MemoInput input{QStringLiteral("2026/05/01"), QStringLiteral("花壇"), QStringLiteral("パンジー"),
                               QStringLiteral("題"), QString(), {}};
        ok = store::save_memo(state, input, 1).ok;
        break;
      }
    }
    QVERIFY(ok);
    const auto after = full_disk::all_files(base);
    // Only the memo's own files are gone (a deleted memo numbered 0 keeps
    // them: several damaged numbers may share them).
    const bool own_files_go = !(removal != Removal::CorrectToEmpty && digits == QStringLiteral("0000000"));
    if (own_files_go) {
      before.remove(QStringLiteral("data/memo/m") + digits + QStringLiteral(".txt"));
      before.remove(QStringLiteral("data/memo/g") + digits + QStringLiteral(".txt"));
    }
    for (const QString& changing : {QStringLiteral("data/flower.dat"), QStringLiteral("data/basyo.dat"),
                                    QStringLiteral("data/hinsyu.dat"), QStringLiteral("data/flower.ini")}) {
      before.remove(changing);
    }
    for (const QString& name : before.keys()) {
      QVERIFY2(after.value(name) == before.value(name), qPrintable(name + QStringLiteral(" was changed or deleted")));
    }
  }
};

QTEST_GUILESS_MAIN(MemoNumbersTest)
#include "test_memo_numbers.moc"
