// The compact memo table: its edits against a plain list of records, the
// bytes it keeps and writes back, and byte comparisons that must agree with
// comparing the decoded texts.

#include <QTemporaryDir>
#include <QtTest>
#include <random>

#include "store/diary/memo_filter.h"
#include "store/diary/memo_index.h"
#include "store/files/codec.h"
#include "store_test_util.h"

using namespace testutil;
using store::MemoField;
using store::MemoRecord;
using store::MemoTable;

namespace {

std::vector<MemoRecord> records(const MemoTable& table) { return {table.begin(), table.end()}; }

// flower.dat as the plain list would be written: 7 lines a record.
QByteArray index_bytes(const std::vector<MemoRecord>& list) {
  QStringList lines;
  for (const MemoRecord& r : list) lines << r.date << r.location << r.variety << r.title << r.memo_no << r.created << r.corrected;
  return store::join_lines_cp932(lines);
}

MemoTable loaded(const QByteArray& bytes) {
  QTemporaryDir tmp;
  const QString path = tmp.filePath(QStringLiteral("flower.dat"));
  write_raw(path, bytes);
  MemoTable table;
  qint64 high = 0;
  store::load_memo_index(path, table, high);
  return table;
}

// One record whose fields are given as raw bytes.
QByteArray record_bytes(const QByteArray& location, const QByteArray& title, const QByteArray& no = " 1 ") {
  return crlf({"2026/05/03", location, hex("837083938357815b"), title, no, "2026/05/03 09:00:00", "2026/05/03 09:00:00"});
}

}  // namespace

class MemoTableTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  // Random edits, many more than one compaction needs, must leave the
  // table equal to a plain list given the same edits.
  void editsMatchAPlainList() {
    const QStringList texts{"花壇", "", "パンジー", "a\r", "2026/05/03", "①Ⅰ\u7E8A", "ｱｲｳ", "\\", "長い題名の例"};
    std::mt19937 random(20261208);
    auto text = [&] { return texts[int(random() % unsigned(texts.size()))]; };
    auto record = [&](int n) {
      return MemoRecord{text(), text(), text(), text() + QString::number(n), store::format_number_field(qint64(n)),
                        text(), text()};
    };
    MemoTable table;
    std::vector<MemoRecord> plain;
    for (int step = 0; step < 3000; ++step) {
      const unsigned op = plain.empty() ? 0 : random() % 6u;
      const size_t at = plain.empty() ? 0 : random() % plain.size();
      const MemoRecord r = record(step);
      if (op <= 1) {
        table.push_back(r);
        plain.push_back(r);
      } else if (op == 2) {
        table.insert(at, r);
        plain.insert(plain.begin() + std::ptrdiff_t(at), r);
      } else if (op == 3) {
        table.replace(at, r);
        plain[at] = r;
      } else if (op == 4) {
        table.erase(at);
        plain.erase(plain.begin() + std::ptrdiff_t(at));
      } else if (step % 50 == 0) {
        const QString dropped = text();
        table.keep_only([&](size_t i) { return table.text(i, MemoField::Location) != dropped; });
        std::erase_if(plain, [&](const MemoRecord& m) { return m.location == dropped; });
      }
      if (step % 100 == 99 || step == 2999) {
        QVERIFY2(records(table) == plain, qPrintable(QStringLiteral("after step %1").arg(step)));
        QCOMPARE(table.file_bytes(), index_bytes(plain));
      }
    }
  }

  // Bytes are kept as read, even pairs that Windows never writes, so that
  // reading and writing the index never alters a memo.
  void keepsBytesAsRead_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<QString>("location");
    QTest::addColumn<QString>("title");
    const QByteArray kadan = hex("89d49264");
    const QByteArray kaki = hex("8a5c");  // 浬, whose second byte is 0x5C
    QTest::newRow("plain") << record_bytes(kadan, kaki) << record_bytes(kadan, kaki) << "花壇" << "浬";
    QTest::newRow("bare line feeds become CR LF")
        << record_bytes(kadan, kaki).replace("\r\n", "\n") << record_bytes(kadan, kaki) << "花壇" << "浬";
    QTest::newRow("duplicate pair in a title stays") << record_bytes(kadan, hex("ed40")) << record_bytes(kadan, hex("ed40"))
                                                     << "花壇" << "\u7E8A";
    QTest::newRow("bytes that are no characters stay")
        << record_bytes(kadan, hex("85 40 80 fd 81")) << record_bytes(kadan, hex("85 40 80 fd 81")) << "花壇"
        << QString(QChar(0xF785)) + "@" + QChar(0xF780) + QChar(0xF7FD) + QChar(0xF781);
    QTest::newRow("duplicate pair in a location stays")
        << record_bytes(hex("ed40"), kaki) << record_bytes(hex("ed40"), kaki) << "\u7E8A" << "浬";
    QTest::newRow("a carriage return ending a field stays")
        << record_bytes(kadan, "a\r") << record_bytes(kadan, "a\r") << "花壇" << "a\r";
  }
  void keepsBytesAsRead() {
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, written);
    QFETCH(QString, location);
    QFETCH(QString, title);
    const MemoTable table = loaded(file);
    QCOMPARE(int(table.size()), 1);
    QCOMPARE(table[0].location, location);
    QCOMPARE(table[0].title, title);
    QCOMPARE(table.file_bytes().toHex(' '), written.toHex(' '));
  }

  // The filters, the look-up by number and the category deletion compare
  // bytes; they must give what comparing the decoded texts gives.
  void byteComparisonsAgreeWithText_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("location");
    QTest::addColumn<QList<int>>("slots");
    const QByteArray both = record_bytes(hex("ed40"), "a") + record_bytes(hex("fa5c"), "b") + record_bytes("?", "c");
    QTest::newRow("both spellings of one character") << both << "\u7E8A" << QList<int>{1, 2};
    QTest::newRow("a character with no bytes matches no question mark") << both << "\U0001F33B" << QList<int>{};
    QTest::newRow("a real question mark") << both << "?" << QList<int>{3};
    // Seven such characters have 128 spellings: compared as decoded text.
    const QByteArray mixed = hex("ed40 fa5c fa5c ed40 ed40 fa5c ed40");
    QTest::newRow("many characters with two spellings")
        << both + record_bytes(mixed, "d") + record_bytes(mixed + "x", "e") << QString(7, QChar(0x7E8A))
        << QList<int>{4};
    QTest::newRow("numerals with NEC and IBM spellings")
        << record_bytes(hex("8754 fa4a fa40 eeef"), "a") + record_bytes(hex("fa4a 8754 eeef fa40"), "b")
        << "ⅠⅠⅰⅰ" << QList<int>{1, 2};
  }
  void byteComparisonsAgreeWithText() {
    QFETCH(QByteArray, file);
    QFETCH(QString, location);
    QFETCH(QList<int>, slots);
    const MemoTable table = loaded(file);
    const std::vector<int> got = store::filtered_slots(table, location, QString());
    QCOMPARE(QList<int>(got.begin(), got.end()), slots);
    for (size_t i = 0; i < table.size(); ++i) {
      QCOMPARE(store::passes_filters(table[i], location, QString()), slots.contains(int(i) + 1));
    }
  }

  // Ordering compares bytes where that gives the decoded texts' order and
  // decodes otherwise; with awkward dates the order must still be the one
  // the decoded texts give.
  void orderAgreesWithDecodedText() {
    const QList<QByteArray> dates{"2026/05/03", "2026/05/0", "", "2026/05/03 ", "2026/05/0" + hex("82"),
                                  "2026/05/0" + hex("82a0"), "2026/05/0" + hex("fd"), hex("8251") + "026/05/03",
                                  "2026/05/0" + hex("3f"), "2026/05/0" + hex("a1"), "20260503"};
    const QList<QByteArray> stamps{"2026/05/03 09:00:00", "2026/05/03 09:00:0" + hex("82a0"), "a", ""};
    std::mt19937 random(7);
    QByteArray file;
    for (int i = 0; i < 300; ++i) {
      file += crlf({dates[int(random() % unsigned(dates.size()))], "x", "y", QByteArray::number(i), " 1 ",
                    stamps[int(random() % unsigned(stamps.size()))], "c"});
    }
    MemoTable table = loaded(file);
    std::vector<MemoRecord> expected = records(table);
    std::stable_sort(expected.begin(), expected.end(), [](const MemoRecord& a, const MemoRecord& b) {
      const int by_date = QString::compare(a.date, b.date);
      return by_date != 0 ? by_date > 0 : QString::compare(a.created, b.created) > 0;
    });
    store::sort_memo_table(table);
    QCOMPARE(titles(table), titles(expected));
    QVERIFY(store::memo_table_sorted_except(table, 0));
  }

  void findsNumbersWrittenEitherWay() {
    const MemoTable table = loaded(record_bytes("x", "a", " 7 ") + record_bytes("x", "b", hex("8250")) +
                                   record_bytes("x", "c", "7"));
    QCOMPARE(store::find_memo_by_no(table, QStringLiteral(" 7 ")), 1);
    QCOMPARE(store::find_memo_by_no(table, QStringLiteral("１")), 2);  // full-width digit
    QCOMPARE(store::find_memo_by_no(table, QStringLiteral("7")), 3);
    QCOMPARE(store::find_memo_by_no(table, QStringLiteral("\U0001F33B")), 0);
  }
};

QTEST_GUILESS_MAIN(MemoTableTest)
#include "test_memo_table.moc"
