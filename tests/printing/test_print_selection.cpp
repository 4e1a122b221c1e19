// Which memos are printed and in what order, which pictures, and the page
// header text.

#include <QtTest>

#include "store/diary/print_selection.h"

using store::PrintOrder;
using store::PrintRange;

namespace {

store::MemoRecord memo(const char* date, const char* title, const char* created) {
  return {QString::fromLatin1(date), QStringLiteral("花壇A"), QStringLiteral("バラ"), QString::fromUtf8(title),
          QString::fromUtf8(title), QString::fromLatin1(created), QString()};
}

// In display order (newest first), as the main window lists them.
store::MemoTable table() {
  return {memo("2026/06/01", "b", "2026/06/01 10:00:00"), memo("2026/05/03", "c2", "2026/05/03 12:00:00"),
          memo("2026/05/03", "c1", "2026/05/03 08:00:00"), memo("2026/05/03", "c0", "2026/05/03 08:00:00"),
          memo("2026/5/1", "bad", "2026/05/01 08:00:00"), memo("2025/12/31", "a", "2025/12/31 23:59:59")};
}

QStringList titles(const std::vector<store::PrintMemo>& memos) {
  QStringList t;
  for (const auto& m : memos) t << m.title;
  return t;
}

}  // namespace

class TestPrintSelection : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void selection_data() {
    QTest::addColumn<QList<int>>("slots");
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::addColumn<bool>("oldest");
    QTest::addColumn<QStringList>("expected");
    const QList<int> all{1, 2, 3, 4, 5, 6};
    // Equal date and creation time keep the list's order in both orders; a
    // date that is no real day counts as the oldest.
    QTest::newRow("oldest first") << all << QDate() << QDate() << true
                                  << QStringList{"bad", "a", "c1", "c0", "c2", "b"};
    QTest::newRow("newest first") << all << QDate() << QDate() << false
                                  << QStringList{"b", "c2", "c1", "c0", "a", "bad"};
    QTest::newRow("filtered slots only") << QList<int>{6, 1} << QDate() << QDate() << true << QStringList{"a", "b"};
    QTest::newRow("range both ends inclusive")
        << all << QDate(2026, 5, 3) << QDate(2026, 6, 1) << true << QStringList{"c1", "c0", "c2", "b"};
    QTest::newRow("range from only, undated left out")
        << all << QDate(2026, 1, 1) << QDate() << false << QStringList{"b", "c2", "c1", "c0"};
    QTest::newRow("range to only") << all << QDate() << QDate(2025, 12, 31) << true << QStringList{"a"};
    QTest::newRow("empty range") << all << QDate(2027, 1, 1) << QDate(2027, 2, 1) << true << QStringList{};
    QTest::newRow("slots out of the table") << QList<int>{0, 7, -1, 2} << QDate() << QDate() << true
                                            << QStringList{"c2"};
  }
  void selection() {
    QFETCH(QList<int>, slots);
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    QFETCH(bool, oldest);
    QFETCH(QStringList, expected);
    const std::vector<int> s(slots.begin(), slots.end());
    const auto memos =
        store::print_memos(table(), s, PrintRange{from, to}, oldest ? PrintOrder::OldestFirst : PrintOrder::NewestFirst);
    QCOMPARE(titles(memos), expected);
  }

  // The range proposed: the first and the last real day among the listed
  // memos, whatever their order; undated and out-of-table slots ignored.
  void date_span_data() {
    QTest::addColumn<QList<int>>("slots");
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::newRow("all listed") << QList<int>{1, 2, 3, 4, 5, 6} << QDate(2025, 12, 31) << QDate(2026, 6, 1);
    QTest::newRow("a filter's few") << QList<int>{6, 2} << QDate(2025, 12, 31) << QDate(2026, 5, 3);
    QTest::newRow("undated or out of the table") << QList<int>{0, 7, 5} << QDate() << QDate();
  }
  void date_span() {
    QFETCH(QList<int>, slots);
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    const store::PrintRange span = store::print_date_span(table(), std::vector<int>(slots.begin(), slots.end()));
    QCOMPARE(span.from, from);
    QCOMPARE(span.to, to);
  }

  void pictures_data() {
    QTest::addColumn<int>("which");
    QTest::addColumn<int>("given");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("none") << int(store::PrintPictures::None) << 3 << QStringList{};
    QTest::newRow("first") << int(store::PrintPictures::First) << 3 << QStringList{"p1"};
    QTest::newRow("first of none") << int(store::PrintPictures::First) << 0 << QStringList{};
    QTest::newRow("all") << int(store::PrintPictures::All) << 3 << QStringList{"p1", "p2", "p3"};
  }
  void pictures() {
    QFETCH(int, which);
    QFETCH(int, given);
    QFETCH(QStringList, expected);
    std::vector<store::ImageEntry> images;
    for (int i = 1; i <= given; ++i) images.push_back({QStringLiteral("/x/p%1.jpg").arg(i), QStringLiteral("p%1").arg(i)});
    QStringList got;
    for (const auto& e : store::print_pictures(images, store::PrintPictures(which))) got << e.title;
    QCOMPARE(got, expected);
  }

  void header_data() {
    QTest::addColumn<QString>("location");
    QTest::addColumn<QString>("variety");
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::addColumn<QString>("expected");
    QTest::newRow("no filter") << "" << "" << QDate() << QDate() << "場所: すべて　品種: すべて";
    QTest::newRow("both filters and range") << "花壇A" << "バラ" << QDate(2026, 4, 1) << QDate(2026, 9, 30)
                                            << "場所: 花壇A　品種: バラ　期間: 2026/04/01 〜 2026/09/30";
    QTest::newRow("open end") << "" << "バラ" << QDate(2026, 4, 1) << QDate()
                              << "場所: すべて　品種: バラ　期間: 2026/04/01 〜 ";
  }
  void header() {
    QFETCH(QString, location);
    QFETCH(QString, variety);
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    QFETCH(QString, expected);
    QCOMPARE(store::print_header_text(location, variety, PrintRange{from, to}), expected);
  }

  void pdf_name() { QCOMPARE(store::default_pdf_name(QDate(2026, 1, 9)), QStringLiteral("Verdalis-20260109.pdf")); }
};

QTEST_GUILESS_MAIN(TestPrintSelection)
#include "test_print_selection.moc"
