// Finding a JPEG's EXIF segment from its markers, and closing a copy after
// it with the link to the thumbnail's IFD cut, whatever the bytes hold.

#include <QtTest>

#include "store/pictures/exif_segment.h"

namespace {

// A segment: its marker byte, then its length and body.
QByteArray segment(char marker, const QByteArray& body) {
  const qsizetype length = body.size() + 2;
  return QByteArray("\xFF") + marker + char(length >> 8) + char(length & 0xFF) + body;
}

// An EXIF body: "Exif\0\0", a TIFF header in the given byte order, and a
// first IFD of one entry followed by its 4-byte link to the next IFD.
QByteArray exif_body(bool little) {
  const QByteArray tiff = little ? QByteArray::fromHex("49492A0008000000" "0100" "0F0102000400000041424300" "1A000000")
                                 : QByteArray::fromHex("4D4D002A00000008" "0001" "010F00020000000441424300" "0000001A");
  return QByteArray("Exif\0\0", 6) + tiff;
}

const QByteArray kSoi("\xFF\xD8", 2);
const QByteArray kDqt = segment('\xDB', QByteArray(5, '\1'));

}  // namespace

class TestExifSegment : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void finding_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("begin");
    QTest::addColumn<int>("end");  // 0: none; -1: cannot tell
    const QByteArray app0 = segment('\xE0', "JFIF\0\1\1");
    const QByteArray exif = segment('\xE1', exif_body(true));
    QTest::newRow("after the JFIF segment") << kSoi + app0 + exif + kDqt << int(2 + app0.size())
                                            << int(2 + app0.size() + exif.size());
    const QByteArray xmp = segment('\xE1', "http://ns.adobe.com/xap/1.0/");
    const int after_fill = int(2 + xmp.size() + 2);
    QTest::newRow("after an XMP segment and fill bytes")
        << kSoi + xmp + "\xFF\xFF" + exif << after_fill << after_fill + int(exif.size());
    QTest::newRow("image data before any EXIF") << kSoi + kDqt + exif << 2 << 0;
    QTest::newRow("cut short in its header") << kSoi + exif.left(6) << 0 << -1;
    QTest::newRow("no marker where one must be") << kSoi + QByteArray("\x12\x34\x56\x78") + exif << 0 << -1;
    QTest::newRow("a length shorter than itself") << kSoi + QByteArray::fromHex("FFE10001") + exif << 0 << -1;
    QTest::newRow("no JPEG") << QByteArray("BM\0\0\0\0", 6) << 0 << -1;
  }

  void finding() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, begin);
    QFETCH(int, end);
    const store::ExifSegment found = store::find_exif_segment(bytes);
    QCOMPARE(found.end, qsizetype(end));
    if (end > 0) QCOMPARE(found.begin, qsizetype(begin));
  }

  void closing_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("link");  // the first IFD's link after closing; "" when left alone
    QTest::newRow("little-endian") << exif_body(true) << QByteArray(4, '\0');
    QTest::newRow("big-endian") << exif_body(false) << QByteArray(4, '\0');
    QByteArray huge = exif_body(true);
    huge[6 + 8] = '\xFF';  // an IFD of 255 entries runs past the segment
    QTest::newRow("an IFD longer than the segment") << huge << QByteArray();
    QTest::newRow("no TIFF header") << QByteArray("Exif\0\0XX", 8) << QByteArray();
  }

  void closing() {
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, link);
    QByteArray bytes = kSoi + segment('\xE1', body) + kDqt;
    const store::ExifSegment found = store::find_exif_segment(bytes);
    QVERIFY(found.end > 0);
    QByteArray closed = bytes;
    store::close_after_exif(closed, found);
    QVERIFY(closed.endsWith("\xFF\xD9"));
    QCOMPARE(closed.size(), found.end + 2);
    const qsizetype link_at = found.begin + 10 + 8 + 2 + 12;
    if (link.isEmpty()) {
      QCOMPARE(closed.first(found.end), bytes.first(found.end));
    } else {
      QCOMPARE(closed.mid(link_at, 4), link);
      // Nothing else changes.
      QCOMPARE(closed.first(link_at), bytes.first(link_at));
    }
  }
};

QTEST_GUILESS_MAIN(TestExifSegment)
#include "test_exif_segment.moc"
