// flower.dat reading and writing, the display order of the memo table,
// slot look-ups and the main list filters.

#include <QTemporaryDir>
#include <QtTest>
#include <random>

#include "store/diary/memo_filter.h"
#include "store/diary/memo_index.h"
#include "store_test_util.h"

using namespace testutil;
using store::MemoRecord;
using store::MemoTable;
Q_DECLARE_METATYPE(store::MemoTable)

namespace {

const MemoRecord kR1{"2026/05/03", "花壇", "パンジー", "植え替え", " 12 ", "2026/05/03 09:08:07", "2026/05/04 10:00:00"};
const MemoRecord kR2{"2026/04/01", "芝生", "全体", "メモ", "7", "2026/04/01 08:00:00", "2026/04/01 08:00:00"};
const QList<QByteArray> kR1Lines{"2026/05/03",  hex("89d49264"),  hex("837083938357815b"), hex("904182a691d682a6"),
                                 " 12 ",        "2026/05/03 09:08:07", "2026/05/04 10:00:00"};
const QList<QByteArray> kR2Lines{"2026/04/01", hex("8ec590b6"), hex("915391cc"), hex("83818382"),
                                 "7",          "2026/04/01 08:00:00", "2026/04/01 08:00:00"};

QByteArray join(const QList<QByteArray>& lines, const char* end = "\r\n") {
  QByteArray out;
  for (const QByteArray& line : lines) out += line + end;
  return out;
}

// The display order as the two adjacent-swap passes produce it: first by
// creation stamp, then by date, each pass sweeping until nothing moves.
std::vector<MemoRecord> records(const MemoTable& table) { return {table.begin(), table.end()}; }

void swap_pass(std::vector<MemoRecord>& t, QString MemoRecord::*key) {
  for (bool swapped = true; swapped;) {
    swapped = false;
    for (size_t i = 0; i + 1 < t.size(); ++i) {
      if (t[i].*key < t[i + 1].*key) {
        std::swap(t[i], t[i + 1]);
        swapped = true;
      }
    }
  }
}

constexpr unsigned kRandomStart = 20260503;

}  // namespace

class MemoIndexTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  // A Japanese collating order, so that a locale-aware sort would differ
  // from the ordinal one the list uses.
  void initTestCase() { QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan)); }

  void loadIndex_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint64>("startHighest");
    QTest::addColumn<MemoTable>("expected");
    QTest::addColumn<qint64>("highest");
    QTest::addColumn<bool>("truncated");
    const QByteArray both = join(kR1Lines + kR2Lines);
    QTest::newRow("two records") << both << qint64(0) << MemoTable{kR1, kR2} << qint64(12) << false;
    QTest::newRow("lf only") << join(kR1Lines + kR2Lines, "\n") << qint64(0) << MemoTable{kR1, kR2} << qint64(12)
                             << false;
    QTest::newRow("no final line end") << both.chopped(2) << qint64(0) << MemoTable{kR1, kR2} << qint64(12) << false;
    QTest::newRow("cut inside second record")
        << join(kR1Lines + kR2Lines.mid(0, 3)) << qint64(0) << MemoTable{kR1} << qint64(12) << true;
    // The cut record's number still counts: its files may exist.
    QTest::newRow("cut after the number") << join(kR1Lines.mid(0, 6)) << qint64(4) << MemoTable{} << qint64(12)
                                          << true;
    QTest::newRow("cut before the number") << join(kR1Lines.mid(0, 4)) << qint64(4) << MemoTable{} << qint64(4)
                                           << true;
    QTest::newRow("empty file") << QByteArray("") << qint64(5) << MemoTable{} << qint64(5) << false;
    QTest::newRow("no file") << QByteArray() << qint64(3) << MemoTable{} << qint64(3) << false;
    QTest::newRow("higher start is kept") << both << qint64(50) << MemoTable{kR1, kR2} << qint64(50) << false;
    QTest::newRow("number order in file irrelevant")
        << join(kR2Lines + kR1Lines) << qint64(9) << MemoTable{kR2, kR1} << qint64(12) << false;
    MemoRecord odd = kR2;
    odd.memo_no = QStringLiteral("abc");
    QList<QByteArray> odd_lines = kR2Lines;
    odd_lines[4] = "abc";
    QTest::newRow("memo number not a number") << join(odd_lines) << qint64(0) << MemoTable{odd} << qint64(0) << false;
  }
  void loadIndex() {
    QFETCH(QByteArray, bytes);
    QFETCH(qint64, startHighest);
    QFETCH(MemoTable, expected);
    QFETCH(qint64, highest);
    QFETCH(bool, truncated);
    QTemporaryDir tmp;
    const QString path = tmp.filePath(QStringLiteral("flower.dat"));
    if (!bytes.isNull()) QVERIFY(write_raw(path, bytes));
    MemoTable table{memo("1999/01/01", "stale", " 999 ", "")};
    qint64 high = startHighest;
    const store::LoadIndexResult result = store::load_memo_index(path, table, high);
    QCOMPARE(result.status, bytes.isNull() ? store::ReadStatus::Missing : store::ReadStatus::Read);
    QCOMPARE(titles(table), titles(expected));
    QVERIFY(table == expected);
    QCOMPARE(high, highest);
    QCOMPARE(result.truncated, truncated);
  }

  void loadManyRecords() {
    constexpr int kCount = 30005;
    QByteArray bytes;
    bytes.reserve(kCount * 80);
    for (int i = 1; i <= kCount; ++i) {
      const QByteArray n = QByteArray::number(i);
      bytes += "2026/05/03\r\n" + hex("89d49264") + "\r\n\r\nt" + n + "\r\n " + n +
               " \r\n2026/05/03 09:08:07\r\n2026/05/03 09:08:07\r\n";
    }
    QTemporaryDir tmp;
    const QString path = tmp.filePath(QStringLiteral("flower.dat"));
    QVERIFY(write_raw(path, bytes));
    MemoTable table;
    qint64 high = 0;
    QVERIFY(!store::load_memo_index(path, table, high).truncated);
    QCOMPARE(int(table.size()), kCount);
    QCOMPARE(high, qint64(kCount));
    QCOMPARE(table.back().title, QStringLiteral("t30005"));
    QCOMPARE(table.back().location, QStringLiteral("花壇"));
  }

  void saveIndexBytes() {
    QTemporaryDir tmp;
    const QString path = tmp.filePath(QStringLiteral("flower.dat"));
    MemoRecord first = kR1;
    first.memo_no = QStringLiteral(" 1 ");
    QList<QByteArray> first_lines = kR1Lines;
    first_lines[4] = " 1 ";
    QVERIFY(store::save_memo_index(path, {first, kR2}).ok);
    QCOMPARE(read_raw(path).toHex(' '), join(first_lines + kR2Lines).toHex(' '));
    QVERIFY(store::save_memo_index(path, {}).ok);
    QCOMPARE(read_raw(path), QByteArray());
  }

  void sortMatchesSwapPasses_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("dateKinds");
    QTest::addColumn<int>("stampKinds");
    QTest::newRow("2 records") << 2 << 2 << 2;
    QTest::newRow("3 records, one date") << 3 << 1 << 2;
    QTest::newRow("12 records") << 12 << 3 << 3;
    QTest::newRow("40 records, all keys equal") << 40 << 1 << 1;
    QTest::newRow("80 records, two dates") << 80 << 2 << 6;
    QTest::newRow("250 records, odd texts") << 250 << 7 << 7;
  }
  void sortMatchesSwapPasses() {
    QFETCH(int, size);
    QFETCH(int, dateKinds);
    QFETCH(int, stampKinds);
    // Odd texts too: ordinal order puts "B" before "a" and full-width
    // digits after ASCII, unlike a locale-aware order.
    const QStringList dates{"2026/05/03", "2026/05/02", "2025/12/31", "", "2026/5/3", "２０２６/05/03", "2026/05/03a"};
    const QStringList stamps{"2026/05/03 09:00:00", "2026/05/03 10:00:00", "2026/05/02 23:59:59", "a", "B", "",
                             "2026/05/03 09:00:00Z"};
    std::mt19937 random(kRandomStart + static_cast<unsigned>(size));
    MemoTable table;
    for (int i = 0; i < size; ++i) {
      table.push_back(memo(dates[int(random() % unsigned(dateKinds))], QStringLiteral("r%1").arg(i),
                           store::format_number_field(qint64(i)), stamps[int(random() % unsigned(stampKinds))]));
    }
    std::vector<MemoRecord> reference = records(table);
    swap_pass(reference, &MemoRecord::created);
    swap_pass(reference, &MemoRecord::date);
    store::sort_memo_table(table);
    QCOMPARE(titles(table), titles(reference));
  }

  // After one memo changes (or is appended), the quick re-sort must give
  // exactly what the swap passes give, whether or not the rest was in order.
  void sortAfterOneChange_data() {
    QTest::addColumn<bool>("restWasSorted");
    QTest::addColumn<bool>("appended");
    QTest::newRow("corrected, rest in order") << true << false;
    QTest::newRow("appended, rest in order") << true << true;
    QTest::newRow("corrected, rest out of order") << false << false;
    QTest::newRow("appended, rest out of order") << false << true;
  }
  void sortAfterOneChange() {
    QFETCH(bool, restWasSorted);
    QFETCH(bool, appended);
    const QStringList dates{"2026/05/03", "2026/05/02", "2025/12/31", "2026/05/01"};
    const QStringList stamps{"2026/05/03 09:00:00", "2026/05/03 10:00:00", "2026/05/02 23:59:59"};
    std::mt19937 random(kRandomStart);
    for (int round = 0; round < 200; ++round) {
      const int size = 1 + int(random() % 12u);
      MemoTable table;
      for (int i = 0; i < size; ++i) {
        table.push_back(memo(dates[int(random() % 4u)], QStringLiteral("r%1").arg(i), " 1 ", stamps[int(random() % 3u)]));
      }
      if (restWasSorted) store::sort_memo_table(table);
      const MemoRecord changed = memo(dates[int(random() % 4u)], QStringLiteral("changed"), " 2 ", stamps[int(random() % 3u)]);
      int slot = size + 1;
      if (appended) {
        table.push_back(changed);
      } else {
        slot = 1 + int(random() % unsigned(size));
        table.replace(size_t(slot - 1), changed);
      }
      std::vector<MemoRecord> reference = records(table);
      swap_pass(reference, &MemoRecord::created);
      swap_pass(reference, &MemoRecord::date);
      store::sort_memo_table_after_change(table, slot);
      QCOMPARE(titles(table), titles(reference));
    }
  }

  // Rows are "date|created|title"; the expected order is given by title.
  void sortCases_data() {
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QStringList>("order");
    const QString a = "2026/05/03|2026/05/03 08:00:00|A", b = "2026/05/01|2026/05/01 08:00:00|B";
    QTest::newRow("new memo on the same date stands above")
        << QStringList{a, b, "2026/05/03|2026/05/03 09:00:00|N"} << QStringList{"N", "A", "B"};
    QTest::newRow("earlier date goes last")
        << QStringList{a, b, "2020/01/01|2026/05/03 09:00:00|E"} << QStringList{"A", "B", "E"};
    QTest::newRow("equal keys keep order")
        << QStringList{"2026/05/03|x|P", "2026/05/03|x|Q", "2026/05/03|x|R"} << QStringList{"P", "Q", "R"};
    QTest::newRow("date outranks stamp")
        << QStringList{"2026/05/01|2026/05/09 00:00:00|Old", "2026/05/02|2026/05/02 00:00:00|New"}
        << QStringList{"New", "Old"};
    QTest::newRow("one memo") << QStringList{b} << QStringList{"B"};
    QTest::newRow("no memo") << QStringList{} << QStringList{};
  }
  void sortCases() {
    QFETCH(QStringList, rows);
    QFETCH(QStringList, order);
    MemoTable table;
    for (const QString& row : rows) {
      const QStringList f = row.split(u'|');
      table.push_back(memo(f[0], f[2], " 1 ", f[1]));
    }
    store::sort_memo_table(table);
    QCOMPARE(titles(table), order);
  }

  void removeMemoAt_data() {
    QTest::addColumn<int>("slot");
    QTest::addColumn<QStringList>("left");
    QTest::newRow("first") << 1 << QStringList{"b", "c", "d"};
    QTest::newRow("middle") << 2 << QStringList{"a", "c", "d"};
    QTest::newRow("last") << 4 << QStringList{"a", "b", "c"};
  }
  void removeMemoAt() {
    QFETCH(int, slot);
    QFETCH(QStringList, left);
    MemoTable table;
    for (const char* t : {"a", "b", "c", "d"}) table.push_back(memo("2026/05/03", t, t, ""));
    store::remove_memo_at(table, slot);
    QCOMPARE(titles(table), left);
  }

  void findMemoByNo_data() {
    QTest::addColumn<QString>("memoNo");
    QTest::addColumn<int>("slot");
    QTest::newRow("field") << " 12 " << 1;
    QTest::newRow("bare does not match field") << "12" << 0;
    QTest::newRow("bare") << "7" << 2;
    QTest::newRow("field does not match bare") << " 7 " << 0;
    QTest::newRow("last slot") << " 3 " << 3;
    QTest::newRow("empty") << "" << 0;
  }
  void findMemoByNo() {
    QFETCH(QString, memoNo);
    QFETCH(int, slot);
    const MemoTable table{memo("d", "x", " 12 ", ""), memo("d", "y", "7", ""), memo("d", "z", " 3 ", "")};
    QCOMPARE(store::find_memo_by_no(table, memoNo), slot);
  }

  void listRowText() {
    QCOMPARE(store::list_row_text(kR1), QStringLiteral("2026/05/03\t花壇\tパンジー\t植え替え\t 12 "));
  }

  void filters_data() {
    QTest::addColumn<QString>("location");
    QTest::addColumn<QString>("variety");
    QTest::addColumn<QList<int>>("slots");
    QTest::newRow("both") << "花壇" << "パンジー" << QList<int>{1, 5};
    QTest::newRow("only location") << "花壇" << "" << QList<int>{1, 4, 5};
    QTest::newRow("only variety") << "" << "パンジー" << QList<int>{1, 2, 5};
    QTest::newRow("none") << "" << "" << QList<int>{1, 2, 3, 4, 5};
    QTest::newRow("trailing blank is different") << "花壇 " << "" << QList<int>{2};
    QTest::newRow("全体 is a plain name") << "" << "全体" << QList<int>{3, 4};
    QTest::newRow("no match") << "温室" << "パンジー" << QList<int>{};
  }
  void filters() {
    QFETCH(QString, location);
    QFETCH(QString, variety);
    QFETCH(QList<int>, slots);
    const MemoTable table{memo("d", "1", " 1 ", "", "花壇", "パンジー"), memo("d", "2", " 2 ", "", "花壇 ", "パンジー"),
                          memo("d", "3", " 3 ", "", "芝生", "全体"), memo("d", "4", " 4 ", "", "花壇", "全体"),
                          memo("d", "5", " 5 ", "", "花壇", "パンジー")};
    const std::vector<int> got = store::filtered_slots(table, location, variety);
    QCOMPARE(QList<int>(got.begin(), got.end()), slots);
    for (int s = 1; s <= int(table.size()); ++s) {
      QCOMPARE(store::passes_filters(table[size_t(s - 1)], location, variety), slots.contains(s));
    }
  }
};

QTEST_GUILESS_MAIN(MemoIndexTest)
#include "test_memo_index.moc"
