// The windows-31j tables checked against the system's own converter for
// every byte pair and every character, and the promise that any bytes at
// all survive being read and written again.

#include <QStringDecoder>
#include <QStringEncoder>
#include <QtTest>
#include <random>

#include "store/files/codec.h"

class TestCp932Table : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void every_byte_pair_decodes_as_the_system_converter_does() {
    int checked = 0;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
      if (lead > 0x9F && lead < 0xE0) continue;
      for (int trail = 0x40; trail <= 0xFC; ++trail) {
        QByteArray pair;
        pair.append(static_cast<char>(lead));
        pair.append(static_cast<char>(trail));
        QStringDecoder system("windows-31j");
        const QString expected = system.decode(pair);
        if (system.hasError() || expected.size() != 1 || expected[0] == QChar(0x1A)) continue;
        QCOMPARE(store::decode_cp932(pair), expected);
        ++checked;
      }
    }
    QCOMPARE(checked, 9604);
  }

  void every_character_encodes_as_the_system_converter_does() {
    int encodable = 0;
    for (int u = 1; u <= 0xFFFF; ++u) {
      // Surrogates stand for nothing alone; the system converter also
      // exchanges three control characters, which Windows leaves alone;
      // U+F780..U+F7FF carry raw bytes of damaged files; U+F86F is a
      // one-way fallback of the system converter that Windows lacks.
      if ((u >= 0xD800 && u <= 0xDFFF) || u == 0x1A || u == 0x1C || u == 0x7F || (u >= 0xF780 && u <= 0xF7FF) ||
          u == 0xF86F) {
        continue;
      }
      const QString text(QChar(static_cast<char16_t>(u)));
      QStringEncoder system("windows-31j", QStringConverter::Flag::Stateless);
      const QByteArray expected = system.encode(text);
      bool ok = false;
      const QByteArray ours = store::encode_cp932(text, &ok);
      QCOMPARE(ok, !system.hasError());
      if (ok) {
        QCOMPARE(ours.toHex(), expected.toHex());
        ++encodable;
      }
    }
    QVERIFY(encodable > 7000);
  }

  void control_characters_are_left_alone() {
    const QByteArray controls("\x1A\x1C\x7F", 3);
    const QString text = store::decode_cp932(controls);
    QCOMPARE(text, QString::fromLatin1(controls));
    QCOMPARE(store::encode_cp932(text), controls);
  }

  // Only the byte pairs Windows itself never writes (the duplicates in the
  // lead bytes 0x87, 0xED, 0xEE and 0xFA) come back as their usual form;
  // every other byte sequence, valid or not, comes back unchanged.
  void any_bytes_survive_reading_and_writing() {
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
      QByteArray bytes;
      const int length = static_cast<int>(random() % 24);
      while (bytes.size() < length) {
        const auto b = static_cast<unsigned char>(random() % 256);
        if (b != 0x87 && b != 0xED && b != 0xEE && b != 0xFA) bytes.append(static_cast<char>(b));
      }
      const QString text = store::decode_cp932(bytes);
      bool ok = false;
      QCOMPARE(store::encode_cp932(text, &ok).toHex(), bytes.toHex());
      QVERIFY(ok);
    }
  }
};

QTEST_GUILESS_MAIN(TestCp932Table)
#include "test_cp932_table.moc"
