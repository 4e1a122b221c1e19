// The workers' search against the one-memo search it must agree with, on
// thousands of generated memos: mixed ASCII, full-width, Greek and Cyrillic
// letters, half-width kana, two-byte characters whose second byte is an
// ASCII letter, bytes that are no character, CR LF and bare LF; and, for
// the folded comparison, the same kana in hiragana, katakana and
// half-width, voiced marks apart and joined, and characters that fold to
// several (㍻, ①).

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <random>

#include "store/diary/memo_files.h"
#include "store/files/codec.h"
#include "store/search/full_text_search.h"
#include "store/search/keyword_bytes.h"
#include "store/search/search_run.h"

namespace {

QByteArray pair(int lead, int trail) { return QByteArray(1, char(lead)) + char(trail); }

// A few pieces of each kind, so that generated keywords often hit.
std::vector<QByteArray> pieces() {
  std::vector<QByteArray> p;
  for (const char* s : {"a", "B", "r", "S", "0", " ", "\\", "@", "~"}) p.emplace_back(s);
  for (int c : {0x8260, 0x8281, 0x8262, 0x8283}) p.push_back(pair(c >> 8, c & 0xFF));  // Ａ ａ Ｃ ｃ
  for (int c : {0x839F, 0x83BF, 0x83A0, 0x83C0}) p.push_back(pair(c >> 8, c & 0xFF));  // Α α Β β
  for (int c : {0x8440, 0x8470, 0x8441, 0x8471}) p.push_back(pair(c >> 8, c & 0xFF));  // А а Б б
  for (int c : {0xB1, 0xB2, 0xDE}) p.emplace_back(1, char(c));                        // ｱ ｲ ﾞ
  for (int c : {0x8341, 0x8362, 0x8940, 0x9F72}) p.push_back(pair(c >> 8, c & 0xFF));  // trail bytes 0x40–0x7E
  for (const char* s : {"\x80", "\xA0", "\xFD", "\xFF", "\x81 ", "\x85\x40", "\x81"}) p.emplace_back(s);
  for (int c : {0xB6, 0xB3, 0xCA, 0xDF, 0xB0}) p.emplace_back(1, char(c));  // ｶ ｳ ﾊ ﾟ ｰ
  // か が カ ガ ヴ ゛ ー ヵ ㍻ ① Ｒ ㌢ ´
  for (int c : {0x82A9, 0x82AA, 0x834A, 0x834B, 0x8394, 0x814A, 0x815B, 0x8395, 0x877E, 0x8740, 0x8271, 0x8761, 0x814C})
    p.push_back(pair(c >> 8, c & 0xFF));
  p.emplace_back("\r\n");
  p.emplace_back("\n");
  return p;
}

struct Generated {
  QTemporaryDir tmp;
  QString dir;
  store::MemoTable table;
  std::vector<QString> texts;  // decoded titles and bodies, for keywords
};

QByteArray random_bytes(std::mt19937& random, const std::vector<QByteArray>& p, int most) {
  QByteArray bytes;
  const int n = std::uniform_int_distribution<int>(0, most)(random);
  for (int i = 0; i < n; ++i) bytes += p[std::uniform_int_distribution<size_t>(0, p.size() - 1)(random)];
  return bytes;
}

void put(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

void generate(Generated& g, std::mt19937& random, int memos) {
  g.dir = g.tmp.path() + QStringLiteral("/");
  QDir().mkpath(g.dir + QStringLiteral("memo"));
  const std::vector<QByteArray> p = pieces();
  for (int i = 0; i < memos; ++i) {
    const QString no = QStringLiteral(" %1 ").arg(i + 1);
    const QString title = store::decode_cp932(random_bytes(random, p, 4)).remove(QLatin1Char('\n')).remove(QLatin1Char('\r'));
    g.table.push_back({QStringLiteral("2026/06/01"), QStringLiteral("花壇"), QStringLiteral("バラ"), title, no,
                       QStringLiteral("2026/06/01 10:00:00"), QStringLiteral("2026/06/01 10:00:00")});
    g.texts.push_back(title);
    const int kind = std::uniform_int_distribution<int>(0, 9)(random);
    if (kind < 7) {
      const QByteArray body = random_bytes(random, p, 40);
      put(store::memo_body_path(g.dir, no), body);
      g.texts.push_back(store::decode_cp932(body));
    }
    if (kind >= 5) {
      // A picture list: paths hold the same pieces, which must never match.
      QByteArray list;
      const char* end = kind == 9 ? "\n" : "\r\n";
      for (int k = 0; k < 2; ++k) list += "/p/" + random_bytes(random, p, 3).replace('\n', ' ') + end + "写" + end;
      list.replace("写", store::encode_cp932(QStringLiteral("写真")) + random_bytes(random, p, 2).replace('\n', ' '));
      put(store::memo_images_path(g.dir, no), list);
    }
  }
}

// A piece of a generated text with its letters' case changed at random,
// or a few random pieces decoded.
QString random_keyword(std::mt19937& random, const Generated& g) {
  if (std::uniform_int_distribution<int>(0, 3)(random) == 0) {
    const std::vector<QByteArray> p = pieces();
    return store::decode_cp932(random_bytes(random, p, 2));
  }
  const QString& text = g.texts[std::uniform_int_distribution<size_t>(0, g.texts.size() - 1)(random)];
  if (text.isEmpty()) return QStringLiteral("a");
  const auto from = std::uniform_int_distribution<qsizetype>(0, text.size() - 1)(random);
  QString k = text.mid(from, std::uniform_int_distribution<qsizetype>(1, 4)(random));
  for (QChar& c : k) {
    const char16_t u = c.unicode();
    const int change = std::uniform_int_distribution<int>(0, 3)(random);
    if (change == 0 && u >= u'ぁ' && u <= u'ゖ') c = QChar(char16_t(u + 0x60));  // to katakana
    else if (change == 0 && u >= u'!' && u <= u'~') c = QChar(char16_t(u + 0xFEE0));  // to full-width
    else c = change % 2 ? c.toUpper() : c.toLower();
  }
  return k;
}

}  // namespace

class TestSearchDifferential : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void folded_matches_data() {
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("found");
    QTest::newRow("hiragana finds katakana") << "ばら" << "赤いバラが咲いた" << true;
    QTest::newRow("hiragana finds half-width katakana") << "ばら" << "ﾊﾞﾗの剪定" << true;
    QTest::newRow("half-width finds hiragana") << "ﾊﾞﾗ" << "ばらの剪定" << true;
    QTest::newRow("voiced mark apart, half-width") << "が" << "ｶﾞｰﾃﾞﾝ" << true;
    QTest::newRow("full-width katakana with half-width mark") << "が" << "カﾞ" << true;
    QTest::newRow("unvoiced is not voiced") << "が" << "カ" << false;
    QTest::newRow("full-width Latin, any case") << "rosa" << "Ｒｏｓａ　ｃａｎｉｎａ" << true;
    QTest::newRow("full-width digits") << "10" << "１０株" << true;
    QTest::newRow("long-vowel mark kept") << "ばーく" << "バーク堆肥" << true;
    QTest::newRow("long-vowel mark not dropped") << "ばく" << "バーク堆肥" << false;
    QTest::newRow("ヷ as わ with the mark") << "わ゙" << "ヷ" << true;
    QTest::newRow("kanji are not read") << "ばら" << "薔薇" << false;
    QTest::newRow("era sign folds to its kanji") << "平成" << "㍻元年" << true;
    QTest::newRow("circled digit") << "1" << "①" << true;
    QTest::newRow("a lone voiced mark") << "゛" << "か゛" << true;
    QTest::newRow("empty keyword") << "" << "ばら" << false;
  }

  void folded_matches() {
    QFETCH(QString, keyword);
    QFETCH(QString, text);
    QFETCH(bool, found);
    const store::KeywordMatch match(keyword, store::Matching::Fold);
    QCOMPARE(match.in(text), found);
    QCOMPARE(!match.hits_in(text).empty(), found);
    // Whatever the bytes' pre-test decides, it never refuses a text that matches.
    const QByteArray bytes = store::encode_cp932(text);
    if (found && store::decode_cp932(bytes) == text)
      QVERIFY(store::KeywordBytes(keyword, store::Matching::Fold).may_contain(bytes));
  }

  void hits_data() {
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<store::Matching>("matching");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("marked");  // each hit in [ ]
    const auto ignore = store::Matching::IgnoreCase;
    const auto fold = store::Matching::Fold;
    QTest::newRow("case ignored") << "rose" << ignore << "Rose, ROSE and rosé" << "[Rose], [ROSE] and rosé";
    QTest::newRow("kana unfolded") << "ばら" << ignore << "バラとばら" << "バラと[ばら]";
    QTest::newRow("kana folded") << "ばら" << fold << "バラとﾊﾞﾗとばら" << "[バラ]と[ﾊﾞﾗ]と[ばら]";
    QTest::newRow("a hit ends on a half-width mark") << "が" << fold << "ｶﾞｶ" << "[ｶﾞ]ｶ";
    QTest::newRow("full-width Latin") << "ab" << fold << "xＡＢxab" << "x[ＡＢ]x[ab]";
    QTest::newRow("one character folds to several") << "平成" << fold << "㍻と平成" << "[㍻]と[平成]";
    QTest::newRow("a hit inside a character marks all of it") << "成" << fold << "㍻" << "[㍻]";
    QTest::newRow("hits do not overlap") << "ああ" << fold << "あああア" << "[ああ][あア]";
  }

  void hits() {
    QFETCH(QString, keyword);
    QFETCH(store::Matching, matching);
    QFETCH(QString, text);
    QFETCH(QString, marked);
    QString got = text;
    const std::vector<store::KeywordMatch::Hit> hits = store::KeywordMatch(keyword, matching).hits_in(text);
    for (auto h = hits.rbegin(); h != hits.rend(); ++h) got.insert(h->start + h->length, u']').insert(h->start, u'[');
    QCOMPARE(got, marked);
  }

  // Keywords that fold oddly or cannot be in the files: the workers agree
  // with folding whole texts, and nothing hangs.
  void hostile_keywords_data() {
    QTest::addColumn<QString>("keyword");
    QTest::newRow("a voiced mark alone") << QStringLiteral("゛");
    QTest::newRow("a combining mark alone") << QString(QChar(0x3099));
    QTest::newRow("a half-width mark alone") << QStringLiteral("ﾞ");
    QTest::newRow("not in windows-31j") << QStringLiteral("é😀");
    QTest::newRow("half a surrogate pair") << QString(QChar(0xD83D));
    QTest::newRow("an invalid byte's character") << store::decode_cp932(QByteArray("\xFD"));
    QTest::newRow("1000 characters") << QStringLiteral("ｶﾞ").repeated(500);
  }

  void hostile_keywords() {
    QFETCH(QString, keyword);
    std::mt19937 random(7);
    Generated g;
    generate(g, random, 300);
    for (const store::Matching matching : {store::Matching::IgnoreCase, store::Matching::Fold}) {
      store::SearchRun run(g.dir, g.table, keyword, 0, 2, matching);
      for (size_t at = 0; at < g.table.size(); ++at) {
        const store::MemoSearch* got = nullptr;
        while ((got = run.result(at, 2)) == nullptr) {
        }
        QVERIFY(got->found == store::search_memo(g.dir, g.table[at], keyword, matching).found);
      }
    }
  }

  void same_rows_as_one_memo_search_data() {
    QTest::addColumn<unsigned>("seed");
    QTest::addColumn<int>("threads");
    QTest::addColumn<store::Matching>("matching");
    QTest::newRow("seed 1, one worker") << 1u << 1 << store::Matching::IgnoreCase;
    QTest::newRow("seed 2, two workers") << 2u << 2 << store::Matching::IgnoreCase;
    QTest::newRow("seed 3, four workers") << 3u << 4 << store::Matching::IgnoreCase;
    QTest::newRow("folded, seed 4, one worker") << 4u << 1 << store::Matching::Fold;
    QTest::newRow("folded, seed 5, four workers") << 5u << 4 << store::Matching::Fold;
  }

  void same_rows_as_one_memo_search() {
    QFETCH(unsigned, seed);
    QFETCH(int, threads);
    QFETCH(store::Matching, matching);
    std::mt19937 random(seed);
    Generated g;
    generate(g, random, 1500);
    int hits = 0;
    for (int k = 0; k < 40; ++k) {
      const QString keyword = random_keyword(random, g);
      const size_t first = k % 4 == 3 ? std::uniform_int_distribution<size_t>(0, g.table.size() - 1)(random) : 0;
      // The marks shown in a title or body agree with the search.
      const store::KeywordMatch match(keyword, matching);
      for (const QString& text : g.texts) QVERIFY2(match.in(text) == !match.hits_in(text).empty(), qPrintable(text));
      store::SearchRun run(g.dir, g.table, keyword, first, threads, matching);
      for (size_t at = first; at < g.table.size(); ++at) {
        const store::MemoSearch* got = nullptr;
        while ((got = run.result(at, 2)) == nullptr) {
        }
        const store::MemoSearch want = store::search_memo(g.dir, g.table[at], keyword, matching);
        const QByteArray where = QStringLiteral("memo %1, keyword %2").arg(at).arg(keyword).toUtf8();
        QVERIFY2(got->found == want.found, where.constData());
        QVERIFY2(got->images_read == want.images_read, where.constData());
        QVERIFY2(store::images_of(*got) == want.images, where.constData());
        hits += want.found ? 1 : 0;
      }
    }
    // The keywords come from the memos themselves: many must hit, and far
    // from all.
    QVERIFY2(hits > 500 && hits < 40 * 1500 / 2, qPrintable(QString::number(hits)));
  }
};

QTEST_GUILESS_MAIN(TestSearchDifferential)
#include "test_search_differential.moc"
