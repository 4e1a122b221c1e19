// Editing the category lists and deleting every memo of a category: the
// refusals in their order, the moves at the ends of the list, the files
// written, and the consistency of tables and files when a file fails.

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include "data_dir.h"
#include "store/diary/category_edit.h"
#include "store/diary/category_list.h"
#include "store/diary/memo_files.h"
#include "store/diary/memo_index.h"

using store::Category;
using testing_support::cp932_lines;
using testing_support::read_bytes;
using testing_support::snapshot;
using testing_support::write_bytes;

Q_DECLARE_METATYPE(store::Category)

namespace {

const QString kTitle = QStringLiteral("【Verdalis】Ver.3.0");
const QString kBare = QStringLiteral("Verdalis");

QStringList numbered(const QString& stem, int n) {
  QStringList names;
  for (int k = 1; k <= n; ++k) names << stem + QString::number(k);
  return names;
}

// A data directory with memos, both lists and their files on disk.
struct Store {
  Store() : state(dir.path() + QLatin1Char('/')) {
    QDir(dir.path()).mkdir(QStringLiteral("memo"));
    state.location_list.names = {QStringLiteral("花壇"), QStringLiteral("温室"), QStringLiteral("芝生")};
    state.variety_list.names = {QStringLiteral("パンジー"), QStringLiteral("トマト")};
  }

  void add(const QString& location, const QString& variety, int no) {
    const QString stamp = QStringLiteral("2026/05/%1 09:00:00").arg(31 - state.memo_count(), 2, 10, QLatin1Char('0'));
    state.memo_table.push_back({stamp.left(10), location, variety, QStringLiteral("メモ") + QString::number(no),
                                store::format_number_field(no), stamp, stamp});
  }

  void save_all() {
    QVERIFY(store::save_memo_index(state.flower_dat_path(), state.memo_table).ok);
    QVERIFY(store::save_category_list(state.basyo_dat_path(), state.location_list).ok);
    QVERIFY(store::save_category_list(state.hinsyu_dat_path(), state.variety_list).ok);
  }

  void give_files(int no) {
    const QString memo_no = store::format_number_field(no);
    QVERIFY(store::save_memo_body(state.data_dir, memo_no, QStringLiteral("本文%1").arg(no)).ok);
    QVERIFY(store::save_image_list(state.data_dir, memo_no, {{QStringLiteral("/photos/%1.jpg").arg(no), QStringLiteral("写真")}}).ok);
  }

  bool body_exists(int no) const { return QFile::exists(store::memo_body_path(state.data_dir, QString::number(no))); }
  bool images_exist(int no) const { return QFile::exists(store::memo_images_path(state.data_dir, QString::number(no))); }
  QString path(const char* name) const { return state.data_dir + QLatin1String(name); }

  QStringList memo_nos() const {
    QStringList nos;
    for (const store::MemoRecord& r : state.memo_table) nos << r.memo_no.trimmed();
    return nos;
  }

  QTemporaryDir dir;
  store::AppState state;
};

}  // namespace

class TestCategoryEdit : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void moves_data() {
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<int>("position");
    QTest::addColumn<bool>("up");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<int>("selected");  // -1 with `message` when refused
    QTest::addColumn<QString>("message");
    const QStringList abcd{"A", "B", "C", "D"};
    QTest::newRow("first up") << abcd << 0 << true << abcd << -1 << QStringLiteral("これより上には移動できません");
    QTest::newRow("last down") << abcd << 3 << false << abcd << -1 << QStringLiteral("これより下には移動できません");
    QTest::newRow("nothing selected, up") << abcd << -1 << true << abcd << -1 << QStringLiteral("上に移動する項目を選んでください");
    QTest::newRow("nothing selected, down") << abcd << -1 << false << abcd << -1 << QStringLiteral("下に移動する項目を選んでください");
    QTest::newRow("second up") << abcd << 1 << true << QStringList{"B", "A", "C", "D"} << 0 << QString();
    QTest::newRow("first down") << abcd << 0 << false << QStringList{"B", "A", "C", "D"} << 1 << QString();
  }

  void moves() {
    QFETCH(QStringList, names);
    QFETCH(int, position);
    QFETCH(bool, up);
    QFETCH(QStringList, after);
    QFETCH(int, selected);
    QFETCH(QString, message);
    store::CategoryList list{names};
    const store::CategoryChange change =
        up ? store::move_category_up(list, position) : store::move_category_down(list, position);
    QCOMPARE(list.names, after);
    QCOMPARE(change.ok, message.isEmpty());
    if (change.ok) {
      QCOMPARE(change.selected, selected);
    } else {
      QCOMPARE(change.text, message);
      QCOMPARE(change.title, kTitle);
    }
  }

  void adding_data() {
    QTest::addColumn<Category>("category");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");  // empty when the name is added
    QTest::addColumn<QString>("title");
    const QStringList locations{QStringLiteral("花壇"), QStringLiteral("Rose")};
    QStringList full = numbered(QStringLiteral("場所"), 999);
    QStringList almost_full = numbered(QStringLiteral("場所"), 998);
    QTest::newRow("a new name") << Category::Location << locations << QStringLiteral("ベランダ") << QString() << QString();
    QTest::newRow("differs only in case") << Category::Location << locations << QStringLiteral("rose") << QString() << QString();
    QTest::newRow("followed by a blank") << Category::Location << locations << QStringLiteral("花壇 ") << QString() << QString();
    QTest::newRow("empty") << Category::Location << locations << QString() << QStringLiteral("追加する分類を入力してください。") << kBare;
    QTest::newRow("duplicate location") << Category::Location << locations << QStringLiteral("花壇")
                                        << QStringLiteral("場所『花壇』はすでに存在します。") << kBare;
    QTest::newRow("998 names take one more") << Category::Location << almost_full << QStringLiteral("ベランダ") << QString() << QString();
    QTest::newRow("999 locations are full") << Category::Location << full << QStringLiteral("ベランダ")
                                            << QStringLiteral("これ以上場所を登録できません。") << QStringLiteral("場所の数が限界(1000)を越えます");
    QTest::newRow("a duplicate at 999 is named as one") << Category::Location << full << QStringLiteral("場所999")
                                                        << QStringLiteral("場所『場所999』はすでに存在します。") << kBare;
    QTest::newRow("a character windows-31j lacks")
        << Category::Variety << QStringList{} << QStringLiteral("バラ♥")
        << QStringLiteral("品種『バラ♥』には保存できない文字「♥」が含まれています。\n別の文字に置き換えてから追加して下さい。") << kBare;
    QTest::newRow("a line break") << Category::Location << locations << QStringLiteral("花壇\n温室")
                                  << QStringLiteral("改行を含む名前は登録できません。") << kBare;
  }

  void adding() {
    QFETCH(Category, category);
    QFETCH(QStringList, names);
    QFETCH(QString, name);
    QFETCH(QString, message);
    QFETCH(QString, title);
    Store s;
    store::category_list(s.state, category).names = names;
    s.save_all();
    const auto files = snapshot(s.state.data_dir);

    const store::CategoryChange change = store::add_category_name(s.state, category, name);

    if (message.isEmpty()) {
      QVERIFY(change.ok);
      QCOMPARE(store::category_list(s.state, category).names, names + QStringList{name});
      QCOMPARE(read_bytes(store::category_file_path(s.state, category)), cp932_lines(names + QStringList{name}));
    } else {
      QVERIFY(!change.ok);
      QCOMPARE(change.text, message);
      QCOMPARE(change.title, title);
      QCOMPARE(store::category_list(s.state, category).names, names);
      QCOMPARE(snapshot(s.state.data_dir), files);
    }
  }

  void an_add_that_cannot_be_written_adds_nothing() {
    Store s;
    QVERIFY(QDir().mkdir(s.path("hinsyu.dat")));
    const store::CategoryChange change = store::add_category_name(s.state, Category::Variety, QStringLiteral("苺"));
    QVERIFY(!change.ok);
    QVERIFY(change.text.contains(s.path("hinsyu.dat")));
    QVERIFY(change.text.contains(QStringLiteral("品種『苺』は追加されていません。")));
    QCOMPARE(s.state.variety_list.names, (QStringList{QStringLiteral("パンジー"), QStringLiteral("トマト")}));
  }

  // Ten memos, three at the selected name, one at the name with a blank.
  void deleting_every_memo_of_a_category_data() {
    QTest::addColumn<Category>("category");
    QTest::addColumn<QString>("name");
    QTest::newRow("F_basyo, 花壇") << Category::Location << QStringLiteral("花壇");
    QTest::newRow("F_hinsyu, トマト") << Category::Variety << QStringLiteral("トマト");
  }

  void deleting_every_memo_of_a_category() {
    QFETCH(Category, category);
    QFETCH(QString, name);
    Store s;
    const QString other = category == Category::Location ? QStringLiteral("温室") : QStringLiteral("パンジー");
    // Memos 2, 5 and 9 carry the name; memo 7 carries it followed by a blank.
    const QSet<int> doomed{2, 5, 9};
    for (int no = 1; no <= 10; ++no) {
      const QString value = doomed.contains(no) ? name : no == 7 ? name + QLatin1Char(' ') : other;
      // The field not compared differs from memo to memo, so a record
      // written with its lines mixed up would show.
      if (category == Category::Location) {
        s.add(value, QStringLiteral("品種%1").arg(no), no);
      } else {
        s.add(QStringLiteral("場所%1").arg(no), value, no);
      }
    }
    for (int no : {2, 5, 7, 8}) s.give_files(no);
    QVERIFY(store::save_memo_body(s.state.data_dir, QStringLiteral(" 9 "), QStringLiteral("本文だけ")).ok);
    s.save_all();
    const QByteArray other_list = read_bytes(category == Category::Location ? s.path("hinsyu.dat") : s.path("basyo.dat"));
    const int position = static_cast<int>(store::category_list(s.state, category).names.indexOf(name));

    const store::CategoryDeletion done = store::delete_category_memos(s.state, category, position);

    QVERIFY(done.ok);
    QCOMPARE(done.deleted, 3);
    QVERIFY(done.warning.isEmpty());
    QCOMPARE(s.memo_nos(), (QStringList{"1", "3", "4", "6", "7", "8", "10"}));
    // flower.dat: seven records of seven lines, each with its own fields.
    QStringList lines;
    for (const store::MemoRecord& r : s.state.memo_table) {
      lines << r.date << r.location << r.variety << r.title << r.memo_no << r.created << r.corrected;
    }
    QCOMPARE(read_bytes(s.path("flower.dat")), cp932_lines(lines));
    for (int no : {2, 5, 9, 7, 8}) {
      QCOMPARE(s.body_exists(no), no == 7 || no == 8);
      QCOMPARE(s.images_exist(no), no == 7 || no == 8);
    }
    const store::CategoryList& list = store::category_list(s.state, category);
    QVERIFY(!list.names.contains(name));
    QCOMPARE(read_bytes(store::category_file_path(s.state, category)), cp932_lines(list.names));
    QCOMPARE(read_bytes(category == Category::Location ? s.path("hinsyu.dat") : s.path("basyo.dat")), other_list);
  }

  void files_of_number_0_and_of_kept_memos_are_left_alone() {
    Store s;
    s.add(QStringLiteral("花壇"), QStringLiteral("トマト"), 0);
    s.add(QStringLiteral("花壇"), QStringLiteral("トマト"), 4);
    s.add(QStringLiteral("温室"), QStringLiteral("トマト"), 4);  // the same number, kept
    s.give_files(0);
    s.give_files(4);
    s.save_all();
    const store::CategoryDeletion done = store::delete_category_memos(s.state, Category::Location, 0);
    QVERIFY(done.ok);
    QCOMPARE(done.deleted, 2);
    QCOMPARE(s.state.memo_count(), 1);
    QVERIFY(s.body_exists(0) && s.images_exist(0));
    QVERIFY(s.body_exists(4) && s.images_exist(4));
  }

  // Either data file failing leaves the tables, both data files and every
  // per-memo file as they were.
  void a_data_file_that_cannot_be_written_changes_nothing_data() {
    QTest::addColumn<QString>("blocked");
    QTest::newRow("flower.dat") << QStringLiteral("flower.dat");
    QTest::newRow("basyo.dat") << QStringLiteral("basyo.dat");
  }

  void a_data_file_that_cannot_be_written_changes_nothing() {
    QFETCH(QString, blocked);
    Store s;
    for (int no = 1; no <= 4; ++no) {
      s.add(no % 2 ? QStringLiteral("花壇") : QStringLiteral("温室"), QStringLiteral("トマト"), no);
      s.give_files(no);
    }
    // A move not yet written: the list file differs from the list.
    s.save_all();
    QVERIFY(store::move_category_down(s.state.location_list, 1).ok);
    const QString path = s.state.data_dir + blocked;
    QVERIFY(QFile::remove(path));
    QVERIFY(QDir().mkdir(path));
    const auto files = snapshot(s.state.data_dir);
    const store::MemoTable table = s.state.memo_table;
    const QStringList names = s.state.location_list.names;

    const store::CategoryDeletion done = store::delete_category_memos(s.state, Category::Location, 0);

    QVERIFY(!done.ok);
    QVERIFY(done.text.contains(path));
    QVERIFY(done.text.endsWith(QStringLiteral("メモは削除されていません。")));
    QCOMPARE(s.state.memo_table, table);
    QCOMPARE(s.state.location_list.names, names);
    QCOMPARE(snapshot(s.state.data_dir), files);
  }

  void a_per_memo_file_that_cannot_be_deleted_is_named() {
    Store s;
    for (int no = 1; no <= 3; ++no) {
      s.add(QStringLiteral("花壇"), QStringLiteral("トマト"), no);
      s.give_files(no);
    }
    s.save_all();
    // Something that is not a plain file stands where memo 2's body is.
    const QString stuck = store::memo_body_path(s.state.data_dir, QStringLiteral("2"));
    QVERIFY(QFile::remove(stuck));
    QVERIFY(QDir().mkdir(stuck));
    QVERIFY(write_bytes(stuck + QStringLiteral("/x"), "x"));

    const store::CategoryDeletion done = store::delete_category_memos(s.state, Category::Location, 0);

    QVERIFY(done.ok);
    QCOMPARE(done.deleted, 3);
    QCOMPARE(s.state.memo_count(), 0);
    QCOMPARE(read_bytes(s.path("flower.dat")), QByteArray());
    QVERIFY(done.warning.contains(stuck));
    QVERIFY(!done.warning.contains(store::memo_images_path(s.state.data_dir, QStringLiteral("2"))));
    for (int no = 1; no <= 3; ++no) QVERIFY(!s.images_exist(no) && (no == 2 || !s.body_exists(no)));
  }
};

QTEST_GUILESS_MAIN(TestCategoryEdit)
#include "test_category_edit.moc"
