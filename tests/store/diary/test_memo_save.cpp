// Saving and deleting memos: the files written, replaced and deleted, the
// refusals, and the all-or-nothing behaviour when a file cannot be written.

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include "data_dir.h"
#include "store/diary/category_list.h"
#include "store/diary/memo_files.h"
#include "store/diary/memo_save.h"
#include "store/diary/startup.h"

using testing_support::cp932_lines;
using testing_support::read_bytes;
using testing_support::snapshot;
using testing_support::write_bytes;

namespace {

const QDateTime kNow(QDate(2026, 7, 1), QTime(8, 30, 0));

store::MemoRecord record(const QString& date, const QString& no, const QString& created) {
  return {date, QStringLiteral("花壇"), QStringLiteral("パンジー"), QStringLiteral("memo ") + no.trimmed(), no, created, created};
}

// A data directory with three memos, both lists and their files on disk.
struct Store {
  Store() : state(dir.path() + QLatin1Char('/')) {
    QDir(dir.path()).mkdir(QStringLiteral("memo"));
    state.memo_table = {record(QStringLiteral("2026/06/10"), QStringLiteral(" 3 "), QStringLiteral("2026/06/10 09:00:00")),
                        record(QStringLiteral("2026/06/01"), QStringLiteral(" 2 "), QStringLiteral("2026/06/01 09:00:00")),
                        record(QStringLiteral("2026/05/01"), QStringLiteral(" 1 "), QStringLiteral("2026/05/01 09:00:00"))};
    state.location_list.names = {QStringLiteral("花壇"), QStringLiteral("温室")};
    state.variety_list.names = {QStringLiteral("パンジー"), QStringLiteral("トマト")};
    state.settings.highest_memo_no = 41;
    state.EditMode = QStringLiteral("teisei");
    save_all();
  }

  void save_all() {
    QVERIFY(store::save_memo_index(state.flower_dat_path(), state.memo_table).ok);
    QVERIFY(store::save_category_list(state.basyo_dat_path(), state.location_list).ok);
    QVERIFY(store::save_category_list(state.hinsyu_dat_path(), state.variety_list).ok);
  }

  QString path(const char* name) const { return state.data_dir + QLatin1String(name); }

  QTemporaryDir dir;
  store::AppState state;
};

store::MemoInput input(const QString& date = QStringLiteral("2026/06/01")) {
  return {date, QStringLiteral("花壇"), QStringLiteral("パンジー"), QStringLiteral("新しいメモ"), QString(), {}};
}

}  // namespace

class TestMemoSave : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void a_new_memo_takes_the_next_number_and_its_files() {
    Store s;
    store::MemoInput in = input();
    in.body = QStringLiteral("一行目\r\n二行目");
    in.images = {{QStringLiteral("/pictures/a.jpg"), QStringLiteral("全景")}};
    const store::MemoChange change = store::save_memo(s.state, in, 0, kNow);
    QVERIFY(change.ok);
    QCOMPARE(s.state.memo_count(), 4);
    QCOMPARE(s.state.settings.highest_memo_no, 42);
    QCOMPARE(s.state.EditMode, QStringLiteral("sinki"));
    // Same date as memo 2 but created later: it stands above it.
    QCOMPARE(s.state.memo_table[1].memo_no, QStringLiteral(" 42 "));
    QCOMPARE(s.state.memo_table[1].created, QStringLiteral("2026/07/01 08:30:00"));
    QCOMPARE(s.state.memo_table[1].corrected, s.state.memo_table[1].created);
    QCOMPARE(read_bytes(s.path("memo/m0000042.txt")), cp932_lines({in.body}));
    QCOMPARE(read_bytes(s.path("memo/g0000042.txt")), cp932_lines({in.images[0].path, in.images[0].title}));
    QCOMPARE(read_bytes(s.path("flower.dat")), cp932_lines(store::memo_index_lines(s.state.memo_table)));
    QVERIFY(read_bytes(s.path("flower.dat")).contains("\r\n 42 \r\n"));
  }

  void an_empty_memo_writes_no_per_memo_files() {
    Store s;
    QVERIFY(store::save_memo(s.state, input(QStringLiteral("2020/01/01")), 0, kNow).ok);
    QCOMPARE(s.state.memo_table.back().memo_no, QStringLiteral(" 42 "));  // the earliest date goes last
    QVERIFY(!QFile::exists(s.path("memo/m0000042.txt")));
    QVERIFY(!QFile::exists(s.path("memo/g0000042.txt")));
  }

  void a_correction_replaces_and_deletes_per_memo_files() {
    Store s;
    QVERIFY(store::save_memo_body(s.state.data_dir, QStringLiteral(" 2 "), QStringLiteral("古い本文")).ok);
    QVERIFY(store::save_image_list(s.state.data_dir, QStringLiteral(" 2 "), {{QStringLiteral("/a.jpg"), QStringLiteral("a")}}).ok);
    store::MemoInput in = input();
    in.title = QStringLiteral("直したタイトル");
    QVERIFY(store::save_memo(s.state, in, 2, kNow).ok);
    const store::MemoRecord& fixed = s.state.memo_table[1];
    QCOMPARE(fixed.title, in.title);
    QCOMPARE(fixed.memo_no, QStringLiteral(" 2 "));
    QCOMPARE(fixed.created, QStringLiteral("2026/06/01 09:00:00"));
    QCOMPARE(fixed.corrected, QStringLiteral("2026/07/01 08:30:00"));
    QCOMPARE(s.state.settings.highest_memo_no, 41);
    QVERIFY(!QFile::exists(s.path("memo/m0000002.txt")));
    QVERIFY(!QFile::exists(s.path("memo/g0000002.txt")));

    in.date = QStringLiteral("2026/12/31");  // a new date moves it to the top
    in.body = QStringLiteral("新しい本文");
    QVERIFY(store::save_memo(s.state, in, 2, kNow).ok);
    QCOMPARE(s.state.memo_table[0].memo_no, QStringLiteral(" 2 "));
    QCOMPARE(read_bytes(s.path("memo/m0000002.txt")), cp932_lines({in.body}));
  }

  void new_category_names_are_appended() {
    Store s;
    store::MemoInput in = input();
    in.location = QStringLiteral("ｶﾀﾞﾝ");  // differs from 花壇 only in width: a new name
    in.variety = QStringLiteral("トマト");
    const store::MemoChange change = store::save_memo(s.state, in, 0, kNow);
    QVERIFY(change.location_added);
    QVERIFY(!change.variety_added);
    QCOMPARE(s.state.location_list.names.last(), in.location);
    QCOMPARE(read_bytes(s.path("basyo.dat")), cp932_lines(s.state.location_list.names));
  }

  void refusals_change_nothing_data() {
    QTest::addColumn<int>("case_no");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title");
    const QString app = QStringLiteral("【Verdalis】Ver.3.0");
    QTest::newRow("memo capacity") << 0 << QStringLiteral("これ以上メモを登録できません。") << QStringLiteral("メモの数が限界(30000)を越えます");
    QTest::newRow("no location") << 1 << QStringLiteral("場所を入力して下さい。") << app;
    QTest::newRow("no variety") << 2 << QStringLiteral("品種を入力して下さい。") << app;
    QTest::newRow("no title") << 3 << QStringLiteral("タイトルを入力して下さい。") << app;
    QTest::newRow("location capacity, variety also new")
        << 4 << QStringLiteral("これ以上場所を登録できません。") << QStringLiteral("場所の数が限界(1000)を越えます");
    QTest::newRow("variety capacity") << 5 << QStringLiteral("これ以上品種を登録できません。") << QStringLiteral("品種の数が限界(1000)を越えます");
  }

  void refusals_change_nothing() {
    QFETCH(int, case_no);
    QFETCH(QString, text);
    QFETCH(QString, title);
    Store s;
    store::MemoInput in = input();
    in.body = QStringLiteral("本文");
    int slot = 0;
    switch (case_no) {
      case 0:
        while (s.state.memo_table.size() < 29999) s.state.memo_table.push_back(s.state.memo_table[0]);
        slot = 1;  // refused in correction mode too
        break;
      case 1: in.location.clear(); break;
      case 2: in.variety.clear(); break;
      case 3: in.title.clear(); break;
      case 4:
        for (int i = s.state.location_list.count(); i < 999; ++i) s.state.location_list.names << QString::number(i);
        in.location = QStringLiteral("新しい場所");
        in.variety = QStringLiteral("新しい品種");
        break;
      case 5:
        for (int i = s.state.variety_list.count(); i < 999; ++i) s.state.variety_list.names << QString::number(i);
        in.variety = QStringLiteral("新しい品種");
        break;
    }
    const auto files = snapshot(s.state.data_dir);
    const store::MemoTable table = s.state.memo_table;
    const store::MemoChange change = store::save_memo(s.state, in, slot, kNow);
    QVERIFY(!change.ok);
    QCOMPARE(change.text, text);
    QCOMPARE(change.title, title);
    QCOMPARE(snapshot(s.state.data_dir), files);
    QVERIFY(s.state.memo_table == table);
    QCOMPARE(s.state.settings.highest_memo_no, 41);
    QCOMPARE(s.state.EditMode, QStringLiteral("teisei"));
  }

  void a_failed_write_puts_everything_back() {
    Store s;
    QVERIFY(store::save_memo_body(s.state.data_dir, QStringLiteral(" 2 "), QStringLiteral("古い本文")).ok);
    // flower.dat cannot be replaced while a directory of that name is in its way.
    QVERIFY(QFile::remove(s.path("flower.dat")));
    QVERIFY(QDir().mkdir(s.path("flower.dat")));
    const auto files = snapshot(s.state.data_dir);
    const store::MemoTable table = s.state.memo_table;

    store::MemoInput in = input();
    in.location = QStringLiteral("新しい場所");
    in.body = QStringLiteral("本文");
    in.images = {{QStringLiteral("/p.jpg"), QStringLiteral("p")}};
    store::MemoChange change = store::save_memo(s.state, in, 0, kNow);  // a new memo
    QVERIFY(!change.ok);
    QVERIFY(change.text.contains(s.path("flower.dat")));
    QCOMPARE(snapshot(s.state.data_dir), files);

    in.body.clear();
    change = store::save_memo(s.state, in, 2, kNow);  // a correction that empties the body
    QVERIFY(!change.ok);
    QCOMPARE(snapshot(s.state.data_dir), files);
    QVERIFY(s.state.memo_table == table);
    QCOMPARE(s.state.location_list.count(), 2);
    QCOMPARE(s.state.settings.highest_memo_no, 41);
  }

  // Several new memos at once: numbers in turn, their files, new names once,
  // the table in order; a refusal or a failed write leaves everything.
  void several_new_memos_together() {
    Store s;
    store::MemoInput a = input(QStringLiteral("2026/06/05"));
    a.location = QStringLiteral("新しい場所");
    a.images = {{QStringLiteral("/p/a.jpg"), QStringLiteral("10:32")}};
    store::MemoInput b = input(QStringLiteral("2026/06/20"));
    b.location = QStringLiteral("新しい場所");
    b.body = QStringLiteral("本文");

    QVERIFY(store::save_new_memos(s.state, {a, b}, kNow).ok);
    QCOMPARE(s.state.settings.highest_memo_no, 43);
    QCOMPARE(s.state.memo_table[0].memo_no, QStringLiteral(" 43 "));  // 2026/06/20 first
    QCOMPARE(s.state.memo_table[2].memo_no, QStringLiteral(" 42 "));
    QCOMPARE(s.state.location_list.names.count(QStringLiteral("新しい場所")), 1);
    QCOMPARE(read_bytes(s.path("memo/g0000042.txt")), cp932_lines({QStringLiteral("/p/a.jpg"), QStringLiteral("10:32")}));
    QCOMPARE(read_bytes(s.path("memo/m0000043.txt")), cp932_lines({QStringLiteral("本文")}));
    QVERIFY(read_bytes(s.path("flower.dat")).contains(" 43 "));

    const auto files = snapshot(s.state.data_dir);
    const store::MemoTable table = s.state.memo_table;
    store::MemoInput untitled = input();
    untitled.title.clear();
    QVERIFY(!store::save_new_memos(s.state, {a, untitled}, kNow).ok);
    QCOMPARE(snapshot(s.state.data_dir), files);
    QVERIFY(QFile::remove(s.path("flower.dat")));
    QVERIFY(QDir().mkdir(s.path("flower.dat")));
    const auto blocked = snapshot(s.state.data_dir);
    QVERIFY(!store::save_new_memos(s.state, {a, b}, kNow).ok);
    QCOMPARE(snapshot(s.state.data_dir), blocked);
    QVERIFY(s.state.memo_table == table);
    QCOMPARE(s.state.settings.highest_memo_no, 43);
  }

  void unencodable_characters_are_found_and_replaced() {
    store::MemoInput in = input();
    in.title = QStringLiteral("バラ🌹とチューリップ🌷");
    in.body = QStringLiteral("café 🌹");
    QCOMPARE(store::unencodable_characters(in), QStringLiteral("🌹🌷é"));
    const store::MemoInput fixed = store::with_unencodable_replaced(in);
    QCOMPARE(fixed.title, QStringLiteral("バラ?とチューリップ?"));
    QCOMPARE(fixed.body, QStringLiteral("caf? ?"));
    QVERIFY(store::unencodable_characters(fixed).isEmpty());
    QVERIFY(store::unencodable_characters(input()).isEmpty());
  }

  void deleting_keeps_order_and_removes_files() {
    Store s;
    QVERIFY(store::save_memo_body(s.state.data_dir, QStringLiteral(" 2 "), QStringLiteral("本文")).ok);
    QVERIFY(store::save_image_list(s.state.data_dir, QStringLiteral(" 2 "), {{QStringLiteral("/a.jpg"), QStringLiteral("a")}}).ok);
    QVERIFY(store::delete_memo(s.state, 2).ok);
    QCOMPARE(s.state.memo_count(), 2);
    QCOMPARE(s.state.memo_table[0].memo_no, QStringLiteral(" 3 "));
    QCOMPARE(s.state.memo_table[1].memo_no, QStringLiteral(" 1 "));
    QVERIFY(!QFile::exists(s.path("memo/m0000002.txt")));
    QVERIFY(!QFile::exists(s.path("memo/g0000002.txt")));
    QCOMPARE(s.state.settings.highest_memo_no, 41);

    // The last slot, then every memo: an empty flower.dat.
    QVERIFY(store::delete_memo(s.state, 2).ok);
    QCOMPARE(s.state.memo_table[0].memo_no, QStringLiteral(" 3 "));
    QVERIFY(store::delete_memo(s.state, 1).ok);
    QCOMPARE(s.state.memo_count(), 0);
    QCOMPARE(QFileInfo(s.path("flower.dat")).size(), 0);
  }

  void a_failed_deletion_changes_nothing() {
    Store s;
    QVERIFY(store::save_memo_body(s.state.data_dir, QStringLiteral(" 2 "), QStringLiteral("本文")).ok);
    QVERIFY(QFile::remove(s.path("flower.dat")));
    QVERIFY(QDir().mkdir(s.path("flower.dat")));
    const auto files = snapshot(s.state.data_dir);
    const store::MemoChange change = store::delete_memo(s.state, 2);
    QVERIFY(!change.ok);
    QVERIFY(change.text.contains(s.path("flower.dat")));
    QCOMPARE(s.state.memo_count(), 3);
    QCOMPARE(snapshot(s.state.data_dir), files);
  }
};

QTEST_GUILESS_MAIN(TestMemoSave)
#include "test_memo_save.moc"
