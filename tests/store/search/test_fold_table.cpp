// The folded comparison against ICU, character by character, for every
// character windows-31j can hold: Unicode NFKC, case folding, then ICU's
// Katakana-Hiragana transform must give what fold_for_search gives. Where
// the folding departs from that transform on purpose, it says so here: the
// long-vowel mark and the iteration marks stay as they are (ICU spells out
// the vowel of ー, so バーク would not find ばーく), and the small ヵ ヶ
// become the small ゕ ゖ, not か け. And the table the search's workers
// fold with gives what folding whole texts gives.

#include <unicode/unorm2.h>
#include <unicode/ustring.h>
#include <unicode/utrans.h>

#include <QSet>
#include <QtTest>

#include "store/files/codec.h"
#include "store/search/keyword_match.h"

namespace {

// Runs one ICU string step that writes into a buffer.
template <typename Step>
QString icu_step(const QString& in, Step step) {
  std::vector<UChar> out(64);
  UErrorCode error = U_ZERO_ERROR;
  const int32_t n = step(reinterpret_cast<const UChar*>(in.utf16()), static_cast<int32_t>(in.size()), out.data(),
                         static_cast<int32_t>(out.size()), &error);
  if (U_FAILURE(error)) return QStringLiteral("<ICU error %1>").arg(u_errorName(error));
  return QString(reinterpret_cast<const QChar*>(out.data()), n);
}

QString icu_fold(const QString& text, UTransliterator* katakana_to_hiragana) {
  UErrorCode error = U_ZERO_ERROR;
  const UNormalizer2* nfkc = unorm2_getNFKCInstance(&error);
  QString s = icu_step(text, [nfkc](const UChar* in, int32_t n, UChar* out, int32_t cap, UErrorCode* e) {
    return unorm2_normalize(nfkc, in, n, out, cap, e);
  });
  s = icu_step(s, [](const UChar* in, int32_t n, UChar* out, int32_t cap, UErrorCode* e) {
    return u_strFoldCase(out, cap, in, n, U_FOLD_CASE_DEFAULT, e);
  });
  QString out;
  for (const QChar c : s) {
    if (c == u'ー' || c == u'ヽ' || c == u'ヾ') {
      out += c;
    } else if (c == u'ヵ' || c == u'ヶ') {
      out += QChar(char16_t(c.unicode() - 0x60));
    } else {
      UChar buffer[8] = {c.unicode()};
      int32_t length = 1;
      int32_t limit = 1;
      utrans_transUChars(katakana_to_hiragana, buffer, &length, 8, 0, &limit, &error);
      if (U_FAILURE(error)) return QStringLiteral("<ICU error %1>").arg(u_errorName(error));
      out += QString(reinterpret_cast<const QChar*>(buffer), length);
    }
  }
  return out;
}

// Each character a windows-31j text can hold, once.
QStringList every_character() {
  QStringList out;
  QSet<QString> seen;
  const auto add = [&](const QByteArray& bytes) {
    const QString c = store::decode_cp932(bytes);
    if (c.size() == 1 && !seen.contains(c)) {
      seen.insert(c);
      out << c;
    }
  };
  for (int b = 0; b < 256; ++b) add(QByteArray(1, char(b)));
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (lead > 0x9F && lead < 0xE0) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) add(QByteArray(1, char(lead)) + char(trail));
  }
  return out;
}

}  // namespace

class TestFoldTable : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // The table the workers fold with against folding whole texts: every
  // character alone, and followed by each kind of voiced mark.
  void table_folds_as_whole_texts_fold() {
    const QStringList marks{QStringLiteral("ﾞ"), QStringLiteral("ﾟ"), QStringLiteral("゛"), QStringLiteral("゜"),
                            QStringLiteral("ﾞﾟ")};
    QStringList differ;
    for (const QString& c : every_character()) {
      for (const QString& text : QStringList{c, c + marks[0], c + marks[1], c + marks[2], c + marks[3], c + marks[4],
                                             marks[0] + c}) {
        if (store::fold_decoded(text) != store::fold_for_search(text)) differ << text;
      }
    }
    QVERIFY2(differ.isEmpty(), qPrintable(differ.mid(0, 40).join(QStringLiteral(" "))));
  }

  void every_character_folds_as_icu_does() {
    UErrorCode error = U_ZERO_ERROR;
    const std::u16string id = u"Katakana-Hiragana";
    UTransliterator* transform = utrans_openU(reinterpret_cast<const UChar*>(id.data()),
                                              static_cast<int32_t>(id.size()), UTRANS_FORWARD, nullptr, 0, nullptr, &error);
    QVERIFY2(U_SUCCESS(error), u_errorName(error));
    QStringList differ;
    int checked = 0;
    for (const QString& c : every_character()) {
      if (c == QChar(QChar::ReplacementCharacter)) continue;
      ++checked;
      const QString ours = store::fold_for_search(c);
      const QString icu = icu_fold(c, transform);
      if (ours != icu) differ << QStringLiteral("%1 → %2, ICU %3").arg(c, ours, icu);
    }
    utrans_close(transform);
    QVERIFY2(checked > 7000, qPrintable(QString::number(checked)));
    QVERIFY2(differ.isEmpty(), qPrintable(differ.join(QStringLiteral("; "))));
  }
};

QTEST_GUILESS_MAIN(TestFoldTable)
#include "test_fold_table.moc"
