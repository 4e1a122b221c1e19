// Pages laid out from known texts and picture sizes: nothing crosses the
// column's edges, a picture keeps its title on its page, every line of the
// body is set once and in order, a memo that goes on over a page repeats
// its heading marked （続き）, and a heading stays with its first lines (and
// the first picture after a short body). The page font is found by its
// English or its Japanese name, or by the writing systems it covers.

#include <QBuffer>
#include <QFontDatabase>
#include <QFontInfo>
#include <QPdfWriter>
#include <QtTest>

#include "printing/print_document.h"
#include "printing/print_layout.h"

using printing::FontCandidate;
using printing::ItemKind;
using printing::MemoPlan;
using printing::Page;
using printing::PicturePlan;

Q_DECLARE_METATYPE(std::vector<MemoPlan>)
Q_DECLARE_METATYPE(std::vector<FontCandidate>)

namespace {

MemoPlan memo(const QString& title, const QString& body, std::vector<QSize> sizes = {}) {
  MemoPlan m{QStringLiteral("2026/05/03　花壇A　バラ"), title, body, {}};
  int n = 0;
  for (const QSize& s : sizes) m.pictures.push_back({QStringLiteral("/p/%1.jpg").arg(++n), QStringLiteral("画像%1").arg(n), s, false});
  return m;
}

QString repeat(const QString& s, int n) {
  QString r;
  for (int i = 0; i < n; ++i) r += s;
  return r;
}

}  // namespace

class TestPrintLayout : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void pages_data() {
    QTest::addColumn<std::vector<MemoPlan>>("memos");
    QTest::addColumn<bool>("small");
    QTest::addColumn<bool>("per_page");
    QTest::addColumn<int>("min_pages");
    QTest::addColumn<int>("max_pages");  // 0: no bound
    const QSize landscape(4000, 3000), portrait(3000, 4000);
    QTest::newRow("short memos") << std::vector<MemoPlan>{memo("一", "芽が出た"), memo("二", "花が咲いた")} << false
                                 << false << 1 << 0;
    QTest::newRow("one per page") << std::vector<MemoPlan>{memo("一", "a"), memo("二", "b"), memo("三", "c")} << false
                                  << true << 3 << 0;
    QTest::newRow("many pictures move on")
        << std::vector<MemoPlan>{memo("写真", "本文", {landscape, portrait, landscape, portrait, landscape})} << false
        << false << 3 << 0;
    QTest::newRow("small pictures") << std::vector<MemoPlan>{memo("写真", "本文", {portrait, portrait, portrait})}
                                    << true << false << 1 << 0;
    QTest::newRow("tall thin picture") << std::vector<MemoPlan>{memo("細長", "x", {QSize(10, 60000), QSize(60000, 10)})}
                                       << false << false << 1 << 0;
    QTest::newRow("100 KB without line breaks")
        << std::vector<MemoPlan>{memo("長文", repeat(QStringLiteral("あいうえおかきくけこ"), 10000))} << false << false
        << 20 << 0;
    QTest::newRow("many short lines")
        << std::vector<MemoPlan>{memo("行", repeat(QStringLiteral("水やり\r\n"), 300), {landscape})} << false << false
        << 3 << 0;
    // Each memo a line and a photo that fills half a page: one memo a page,
    // its photo below its heading rather than under （続き） on the next.
    std::vector<MemoPlan> seventeen;
    for (int i = 1; i <= 17; ++i) seventeen.push_back(memo(QStringLiteral("記録%1").arg(i), "水やり", {landscape}));
    QTest::newRow("17 memos, a line and a photo each") << seventeen << false << false << 17 << 17;
    std::vector<MemoPlan> mixed;
    for (int i = 1; i <= 9; ++i) {
      mixed.push_back(memo(QStringLiteral("短%1").arg(i), repeat(QStringLiteral("行\n"), i % 3), {portrait}));
      mixed.push_back(memo(QStringLiteral("長%1").arg(i), repeat(QStringLiteral("草取り\n"), 7 * i), {landscape}));
      mixed.push_back(memo(QStringLiteral("無%1").arg(i), repeat(QStringLiteral("追肥\n"), i)));
    }
    QTest::newRow("short, long and picture-less memos") << mixed << false << false << 10 << 0;
  }
  void pages() {
    QFETCH(std::vector<MemoPlan>, memos);
    QFETCH(bool, small);
    QFETCH(bool, per_page);
    QFETCH(int, min_pages);
    QFETCH(int, max_pages);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(printing::kPageDpi);
    printing::PaperChoice choice;
    choice.large_pictures = !small;
    choice.page_per_memo = per_page;
    printing::set_up_paper(writer, choice);
    const printing::LayoutOptions o = printing::layout_options(writer, writer, choice);
    const std::vector<Page> pages = printing::lay_out(memos, o, &writer);
    QVERIFY2(int(pages.size()) >= min_pages, qPrintable(QString::number(pages.size())));
    if (max_pages > 0) QVERIFY2(int(pages.size()) <= max_pages, qPrintable(QString::number(pages.size())));

    const QRectF column = o.body.adjusted(-0.01, -0.01, 0.01, 0.01);
    size_t memo_no = 0;
    QString set_text;  // the body's lines in order, for the memo being read
    QStringList bodies;
    int pictures = 0;
    // For each memo: the page of its heading, of each line, of its first picture.
    std::vector<size_t> heading_page(memos.size()), picture_page(memos.size(), SIZE_MAX);
    std::vector<std::vector<size_t>> line_pages(memos.size());
    for (size_t p = 0; p < pages.size(); ++p) {
      const auto& items = pages[p].items;
      QVERIFY2(!items.empty(), "an empty page");
      for (size_t i = 0; i < items.size(); ++i) {
        const auto& item = items[i];
        QVERIFY2(column.contains(item.rect), qPrintable(QStringLiteral("page %1 item %2 crosses the column").arg(p).arg(i)));
        if (item.kind == ItemKind::Picture) {
          ++pictures;
          QVERIFY2(i + 1 < items.size() && items[i + 1].kind == ItemKind::PictureTitle, "a picture's title left it");
          QVERIFY(item.rect.width() <= o.body.width() * (small ? 0.5 : 1.0) + 0.01);
          QVERIFY(item.rect.height() <= o.body.height() * o.picture_height_share + 0.01);
        }
        if (item.kind == ItemKind::Title) {
          const bool continued = item.text.endsWith(printing::kContinued);
          QVERIFY2(i == 1 || !continued, "（続き） stands only at a page's head");
          if (!continued) {
            if (memo_no > 0) bodies << set_text;
            set_text.clear();
            heading_page[memo_no] = p;
            QCOMPARE(item.text, memos[memo_no++].title);
          } else {
            QCOMPARE(item.text, memos[memo_no - 1].title + printing::kContinued);
          }
        }
        if (item.kind == ItemKind::Text) {
          set_text += item.text + QLatin1Char('\n');
          line_pages[memo_no - 1].push_back(p);
        }
        if ((item.kind == ItemKind::Picture || item.kind == ItemKind::NoPicture) && picture_page[memo_no - 1] == SIZE_MAX) {
          picture_page[memo_no - 1] = p;
        }
      }
      // Every page starts with a heading: a new memo's, or the one going on
      // repeated (the titles are checked above).
      if (p > 0) {
        QCOMPARE(items[0].kind, ItemKind::Meta);
        QCOMPARE(items[1].kind, ItemKind::Title);
      }
      if (per_page && p > 0) QVERIFY(!items[1].text.endsWith(printing::kContinued));
    }
    bodies << set_text;
    QCOMPARE(memo_no, memos.size());
    int expected_pictures = 0;
    for (size_t m = 0; m < memos.size(); ++m) {
      expected_pictures += int(memos[m].pictures.size());
      // Every character of the body is set once, in order; only the
      // line breaks differ.
      QString wanted = memos[m].body;
      wanted.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
      QString got = bodies[int(m)];
      QCOMPARE(got.remove(QLatin1Char('\n')), wanted.remove(QLatin1Char('\n')));
    }
    QCOMPARE(pictures, expected_pictures);
    // No heading at a page's foot without its first lines; after a short
    // body, its first picture stands on the heading's page too.
    for (size_t m = 0; m < memos.size(); ++m) {
      const std::vector<size_t>& lines = line_pages[m];
      const size_t kept = std::min<size_t>(lines.size(), printing::kLinesWithHeading);
      for (size_t l = 0; l < kept; ++l) QVERIFY2(lines[l] == heading_page[m], qPrintable(memos[m].title));
      if (lines.size() <= kept && !memos[m].pictures.empty()) {
        QVERIFY2(picture_page[m] == heading_page[m], qPrintable(memos[m].title));
      }
    }
  }

  void page_family_data() {
    QTest::addColumn<std::vector<FontCandidate>>("installed");
    QTest::addColumn<QString>("expected");
    using Fonts = std::vector<FontCandidate>;
    const FontCandidate dejavu{"DejaVu Sans", false, false};
    QTest::newRow("Japanese names") << Fonts{dejavu, {"IPA Pゴシック", true, false}, {"IPAゴシック", true, true},
                                             {"Noto Sans CJK JP", true, false}} << "IPAゴシック";
    QTest::newRow("English names") << Fonts{{"Noto Sans CJK KR", true, false}, {"Noto Sans CJK JP", true, false},
                                            {"IPAGothic", true, true}} << "IPAGothic";
    QTest::newRow("any other, proportional first")
        << Fonts{{"IPAGothic", false, false}, {"VL ゴシック", true, true}, {"VL Pゴシック", true, false}} << "VL Pゴシック";
    QTest::newRow("none covers Japanese") << Fonts{dejavu} << QString();
  }
  void page_family() {
    QFETCH(std::vector<FontCandidate>, installed);
    QFETCH(QString, expected);
    QCOMPARE(printing::choose_page_family(installed), expected);
  }

  // On this machine, in the locale the test runs in, the pages are set in
  // a font that is installed and covers Japanese.
  void page_font_here() {
    const QString family = printing::page_family();
    QVERIFY2(QFontDatabase::writingSystems(family).contains(QFontDatabase::Japanese), qPrintable(family));
    QCOMPARE(QFontInfo(printing::page_font(10.5)).family(), family);
  }

  void picture_box_data() {
    QTest::addColumn<QSize>("size");
    QTest::addColumn<double>("fraction");
    QTest::addColumn<QSizeF>("expected");
    QTest::newRow("landscape, full width") << QSize(400, 300) << 1.0 << QSizeF(800, 600);
    QTest::newRow("half width") << QSize(400, 300) << 0.5 << QSizeF(400, 300);
    QTest::newRow("portrait limited by height") << QSize(300, 600) << 1.0 << QSizeF(500, 1000);
    QTest::newRow("a line of pixels") << QSize(60000, 1) << 1.0 << QSizeF(800, 1);
  }
  void picture_box() {
    QFETCH(QSize, size);
    QFETCH(double, fraction);
    QFETCH(QSizeF, expected);
    const QRectF box = printing::picture_box(size, QRectF(10, 20, 800, 2000), fraction, 1000);
    QCOMPARE(box.topLeft(), QPointF(10, 20));
    QCOMPARE(box.size(), expected);
  }
};

QTEST_MAIN(TestPrintLayout)
#include "test_print_layout.moc"
