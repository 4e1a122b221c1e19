// Pages laid out from known texts and picture sizes: nothing crosses the
// column's edges, a picture keeps its title on its page, every line of the
// body is set once and in order, and a memo that goes on over a page
// repeats its heading marked （続き）.

#include <QBuffer>
#include <QPdfWriter>
#include <QtTest>

#include "printing/print_document.h"
#include "printing/print_layout.h"

using printing::ItemKind;
using printing::MemoPlan;
using printing::Page;
using printing::PicturePlan;

Q_DECLARE_METATYPE(std::vector<MemoPlan>)

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
    const QSize landscape(4000, 3000), portrait(3000, 4000);
    QTest::newRow("short memos") << std::vector<MemoPlan>{memo("一", "芽が出た"), memo("二", "花が咲いた")} << false
                                 << false << 1;
    QTest::newRow("one per page") << std::vector<MemoPlan>{memo("一", "a"), memo("二", "b"), memo("三", "c")} << false
                                  << true << 3;
    QTest::newRow("many pictures move on")
        << std::vector<MemoPlan>{memo("写真", "本文", {landscape, portrait, landscape, portrait, landscape})} << false
        << false << 3;
    QTest::newRow("small pictures") << std::vector<MemoPlan>{memo("写真", "本文", {portrait, portrait, portrait})}
                                    << true << false << 1;
    QTest::newRow("tall thin picture") << std::vector<MemoPlan>{memo("細長", "x", {QSize(10, 60000), QSize(60000, 10)})}
                                       << false << false << 1;
    QTest::newRow("100 KB without line breaks")
        << std::vector<MemoPlan>{memo("長文", repeat(QStringLiteral("あいうえおかきくけこ"), 10000))} << false << false
        << 20;
    QTest::newRow("many short lines")
        << std::vector<MemoPlan>{memo("行", repeat(QStringLiteral("水やり\r\n"), 300), {landscape})} << false << false
        << 3;
  }
  void pages() {
    QFETCH(std::vector<MemoPlan>, memos);
    QFETCH(bool, small);
    QFETCH(bool, per_page);
    QFETCH(int, min_pages);
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

    const QRectF column = o.body.adjusted(-0.01, -0.01, 0.01, 0.01);
    size_t memo_no = 0;
    QString set_text;  // the body's lines in order, for the memo being read
    QStringList bodies;
    int pictures = 0;
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
            QCOMPARE(item.text, memos[memo_no++].title);
          } else {
            QCOMPARE(item.text, memos[memo_no - 1].title + printing::kContinued);
          }
        }
        if (item.kind == ItemKind::Text) set_text += item.text + QLatin1Char('\n');
      }
      // A page that does not start a memo starts with its heading repeated.
      if (p > 0 && items[1].text != memos[memo_no - 1].title) {
        QCOMPARE(items[0].kind, ItemKind::Meta);
        QVERIFY(items[1].text.endsWith(printing::kContinued));
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
