// The usage guide: the Markdown subset it is written in, its conversion to
// Rich Text Format, and the hana.doc that the build puts beside the
// executable.

#include <QFile>
#include <QtTest>

#include "markdown_rtf.h"
#include "rtf_reader.h"

using rtfdoc::Block;
using Kind = rtfdoc::Block::Kind;

Q_DECLARE_METATYPE(QList<rtfdoc::Block>)

namespace {

QByteArray read_guide() {
  QFile f(QStringLiteral(VERDALIS_GUIDE));
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The body of the one paragraph that `text` becomes.
QByteArray paragraph_rtf(const QString& text) {
  const QByteArray rtf = rtfdoc::markdown_to_rtf(text);
  const QByteArray start = "\\pard\\plain\\sa120\\fs21 ";
  const qsizetype from = rtf.indexOf(start);
  const qsizetype to = rtf.lastIndexOf("\\par\r\n");
  if (from < 0 || to < from) return "<no paragraph>";
  return rtf.mid(from + start.size(), to - from - start.size());
}

}  // namespace

class TestUsageGuide : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void parses_blocks_data() {
    QTest::addColumn<QString>("markdown");
    QTest::addColumn<QList<Block>>("blocks");
    QTest::newRow("three heading levels") << QStringLiteral("# 一\n## 二\n### 三\n#### 四")
                                          << QList<Block>{{Kind::Heading, 1, {}, QStringLiteral("一")},
                                                          {Kind::Heading, 2, {}, QStringLiteral("二")},
                                                          {Kind::Heading, 3, {}, QStringLiteral("三")},
                                                          {Kind::Paragraph, 0, {}, QStringLiteral("#### 四")}};
    QTest::newRow("Japanese lines join without a space, Latin with one")
        << QStringLiteral("庭の\r\n記録\nand\nmore\n\n次の段落")
        << QList<Block>{{Kind::Paragraph, 0, {}, QStringLiteral("庭の記録and more")},
                        {Kind::Paragraph, 0, {}, QStringLiteral("次の段落")}};
    QTest::newRow("bullets, numbers and indented continuation")
        << QStringLiteral("- 一つ目\n  続き\n* 二つ目\n1. 手順\n12. 次\n段落")
        << QList<Block>{{Kind::Bullet, 0, {}, QStringLiteral("一つ目続き")},
                        {Kind::Bullet, 0, {}, QStringLiteral("二つ目")},
                        {Kind::Numbered, 0, QStringLiteral("1."), QStringLiteral("手順")},
                        {Kind::Numbered, 0, QStringLiteral("12."), QStringLiteral("次")},
                        {Kind::Paragraph, 0, {}, QStringLiteral("段落")}};
    QTest::newRow("a heading needs a space and no indent")
        << QStringLiteral("#見出しでない\n  # これも")
        << QList<Block>{{Kind::Paragraph, 0, {}, QStringLiteral("#見出しでない# これも")}};
  }

  void parses_blocks() {
    QFETCH(QString, markdown);
    QFETCH(QList<Block>, blocks);
    const QList<Block> got = rtfdoc::parse_markdown(markdown);
    QCOMPARE(got.size(), blocks.size());
    for (qsizetype i = 0; i < got.size(); ++i) {
      QCOMPARE(static_cast<int>(got[i].kind), static_cast<int>(blocks[i].kind));
      QCOMPARE(got[i].level, blocks[i].level);
      QCOMPARE(got[i].number, blocks[i].number);
      QCOMPARE(got[i].text, blocks[i].text);
    }
  }

  void escapes_text_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("rtf");
    QTest::newRow("RTF's own characters") << QStringLiteral("a\\b{c}") << QByteArray("a\\\\b\\{c\\}");
    QTest::newRow("a tab") << QStringLiteral("a\tb") << QByteArray("a\\tab b");
    QTest::newRow("two-byte Japanese with its CP932 bytes")
        << QStringLiteral("あい") << QByteArray("\\uc2\\u12354\\'82\\'a0\\u12356\\'82\\'a2");
    // A document starts with one fallback character per escape, so that count is not written first.
    QTest::newRow("half-width katakana has one byte; the count changes back")
        << QStringLiteral("ｱ花") << QByteArray("\\u-143\\'b1\\uc2\\u-32079\\'89\\'d4");
    QTest::newRow("outside code page 932: a question mark")
        << QStringLiteral("é1") << QByteArray("\\u233 ?1");
    QTest::newRow("beyond 16 bits: both halves")
        << QStringLiteral("\U0001F331") << QByteArray("\\u-10180 ?\\u-8399 ?");
    QTest::newRow("bold and code") << QStringLiteral("**太字** and `flower.dat`")
                                   << QByteArray("{\\b \\uc2\\u22826\\'91\\'be\\u23383\\'8e\\'9a} and {\\f1 flower.dat}");
    QTest::newRow("the byte count is restored after a group")
        << QStringLiteral("**あ**い") << QByteArray("{\\b \\uc2\\u12354\\'82\\'a0}\\uc2\\u12356\\'82\\'a2");
    QTest::newRow("back to one byte after two") << QStringLiteral("あｱ")
                                                << QByteArray("\\uc2\\u12354\\'82\\'a0\\uc1\\u-143\\'b1");
    QTest::newRow("an unmatched marker stays text") << QStringLiteral("2**3 `x") << QByteArray("2**3 `x");
    QTest::newRow("control characters are dropped") << QStringLiteral("a\x01z") << QByteArray("az");
  }

  void escapes_text() {
    QFETCH(QString, text);
    QFETCH(QByteArray, rtf);
    QCOMPARE(paragraph_rtf(text), rtf);
  }

  void writes_block_formats_data() {
    QTest::addColumn<QString>("markdown");
    QTest::addColumn<QByteArray>("rtf");
    QTest::newRow("title") << QStringLiteral("# T") << QByteArray("\\pard\\plain\\qc\\sb240\\sa240\\keepn\\b\\fs36 T\\par");
    QTest::newRow("section") << QStringLiteral("## T") << QByteArray("\\pard\\plain\\sb360\\sa120\\keepn\\b\\fs28 T\\par");
    QTest::newRow("bullet") << QStringLiteral("- T") << QByteArray("\\fi-300\\li600\\sa60\\fs21 \\bullet\\tab T\\par");
    QTest::newRow("numbered") << QStringLiteral("3. T") << QByteArray("\\fi-360\\li600\\sa60\\fs21 3.\\tab T\\par");
  }

  void writes_block_formats() {
    QFETCH(QString, markdown);
    QFETCH(QByteArray, rtf);
    const QByteArray doc = rtfdoc::markdown_to_rtf(markdown);
    QVERIFY2(doc.contains(rtf), doc.constData());
    QVERIFY(doc.startsWith("{\\rtf1\\ansi\\ansicpg932"));
  }

  void the_built_guide_is_well_formed_rtf() {
    const QByteArray doc = read_guide();
    QVERIFY2(!doc.isEmpty(), VERDALIS_GUIDE " was not built");
    QVERIFY(doc.startsWith("{\\rtf1"));
    int depth = 0;
    qsizetype closed_at = -1;
    for (qsizetype i = 0; i < doc.size(); ++i) {
      const char c = doc[i];
      QVERIFY2(static_cast<unsigned char>(c) < 0x80, "the RTF holds a byte above 7 bits");
      if (c == '\\') {
        ++i;  // an escaped brace or backslash is text
        continue;
      }
      if (c == '{') ++depth;
      if (c == '}' && --depth == 0) closed_at = i;
      QVERIFY2(depth >= 0, "a brace closes more than was opened");
      QVERIFY2(closed_at < 0 || closed_at == i || c == '\r' || c == '\n', "text after the document's group");
    }
    QCOMPARE(depth, 0);
  }

  void the_built_guide_reads_the_same_with_and_without_unicode() {
    const QByteArray doc = read_guide();
    const QString text = rtf_reader::plain_text(doc, true);
    QVERIFY(text.contains(QStringLiteral("【Verdalis】使い方")));
    QCOMPARE(rtf_reader::plain_text(doc, false), text);
  }

  // Every window and every data file has its place in the guide.
  void the_built_guide_covers_data() {
    QTest::addColumn<QString>("phrase");
    for (const char* p : {"メイン画面", "メモの登録と訂正", "画像選択画面", "原寸表示", "場所と品種の編集",
                          "メモの削除", "全文検索", "絞り込み", "リセット", "flower.dat", "flower.ini",
                          "basyo.dat", "hinsyu.dat", "memo/", "バックアップ", "インストール"}) {
      QTest::newRow(p) << QString::fromUtf8(p);
    }
  }

  void the_built_guide_covers() {
    QFETCH(QString, phrase);
    QVERIFY(rtf_reader::plain_text(read_guide(), true).contains(phrase));
  }
};

QTEST_GUILESS_MAIN(TestUsageGuide)
#include "test_usage_guide.moc"
