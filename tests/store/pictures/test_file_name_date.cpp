// The day a phone or a messenger put into a photo's file name: the known
// forms and their look-alikes that carry no date.

#include <QtTest>
#include <ctime>

#include "store/pictures/file_name_date.h"

class TestFileNameDate : public QObject {
  Q_OBJECT

  QByteArray saved_tz_;
  bool had_tz_ = false;

  void set_zone(const char* zone) {
    qputenv("TZ", zone);
    tzset();
  }

 private Q_SLOTS:
  void initTestCase() {
    had_tz_ = qEnvironmentVariableIsSet("TZ");
    saved_tz_ = qgetenv("TZ");
  }

  void cleanup() {
    if (had_tz_) qputenv("TZ", saved_tz_); else qunsetenv("TZ");
    tzset();
  }

  void reading_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QDate>("date");  // invalid: the name carries no date
    QTest::addColumn<QTime>("time");  // invalid: a day without a time
    QTest::addColumn<bool>("utc");
    const QDate day(2025, 5, 4);
    const QTime t(10, 15, 30);
    const QTime none;
    QTest::newRow("Android camera") << "IMG_20250504_101530.jpg" << day << t << false;
    QTest::newRow("burst number, lower case") << "img_20250504_101530_123.jpg" << day << t << false;
    QTest::newRow("second copy") << "IMG_20250504_101530~2.jpg" << day << t << false;
    QTest::newRow("HDR") << "IMG_20250504_101530_HDR.jpg" << day << t << false;
    QTest::newRow("Android video") << "VID_20250504_101530.mp4" << day << t << false;
    QTest::newRow("after a path") << "/home/a/DCIM/IMG_20250504_101530.jpg" << day << t << false;
    QTest::newRow("Pixel") << "PXL_20250504_101530123.jpg" << day << QTime(10, 15, 30, 123) << true;
    QTest::newRow("Pixel portrait") << "pxl_20250504_101530123.PORTRAIT.jpg" << day << QTime(10, 15, 30, 123) << true;
    QTest::newRow("Pixel motion, copy") << "PXL_20250504_101530000.MP~2.jpg" << day << t << true;
    QTest::newRow("WhatsApp photo") << "IMG-20250504-WA0003.jpg" << day << none << false;
    QTest::newRow("WhatsApp video") << "VID-20250504-WA0012.mp4" << day << none << false;
    QTest::newRow("screenshot") << "Screenshot_20250504-101530_Chrome.jpg" << day << t << false;
    QTest::newRow("screenshot, dashes") << "Screenshot_2025-05-04-10-15-30.png" << day << t << false;
    QTest::newRow("Dropbox") << "2025-05-04 10.15.30.jpg" << day << t << false;
    QTest::newRow("Dropbox, second") << "2025-05-04 10.15.30-1.jpg" << day << t << false;
    QTest::newRow("Dropbox, copy") << "2025-05-04 10.15.30 (1).jpg" << day << t << false;
    QTest::newRow("first day taken") << "IMG_19900101_000000.jpg" << QDate(1990, 1, 1) << QTime(0, 0) << false;
    QTest::newRow("tomorrow") << "IMG_20250602_235959.jpg" << QDate(2025, 6, 2) << QTime(23, 59, 59) << false;
    const QDate no;
    QTest::newRow("day after tomorrow") << "IMG_20250603_000000.jpg" << no << none << false;
    QTest::newRow("1989") << "IMG_19891231_235959.jpg" << no << none << false;
    QTest::newRow("LINE") << "S__12345678.jpg" << no << none << false;
    QTest::newRow("camera counter") << "DSC_0001.JPG" << no << none << false;
    QTest::newRow("iPhone") << "IMG_1234.HEIC" << no << none << false;
    QTest::newRow("iPhone edit") << "IMG_E1234.HEIC" << no << none << false;
    QTest::newRow("iPhone, long counter") << "IMG_12345678.HEIC" << no << none << false;
    QTest::newRow("month 13") << "IMG_20251301_101010.jpg" << no << none << false;
    QTest::newRow("30 February") << "IMG_20250230_101010.jpg" << no << none << false;
    QTest::newRow("25 o'clock") << "IMG_20250504_250000.jpg" << no << none << false;
    QTest::newRow("minute 60") << "Screenshot_20250504-106000.png" << no << none << false;
    QTest::newRow("bare digits") << "20250504_101530.jpg" << no << none << false;
    QTest::newRow("not at the start") << "xIMG_20250504_101530.jpg" << no << none << false;
    QTest::newRow("time runs on") << "IMG_20250504_1015301.jpg" << no << none << false;
    QTest::newRow("WhatsApp without WA") << "IMG-20250504-0003.jpg" << no << none << false;
    QTest::newRow("Pixel without milliseconds") << "PXL_20250504_101530.jpg" << no << none << false;
    QTest::newRow("mixed dashes") << "Screenshot_2025-05-04-101530.png" << no << none << false;
  }

  void reading() {
    QFETCH(QString, name);
    QFETCH(QDate, date);
    QFETCH(QTime, time);
    QFETCH(bool, utc);
    const std::optional<store::NameDate> found = store::date_from_file_name(name, QDate(2025, 6, 1));
    QCOMPARE(found.has_value(), date.isValid());
    if (!found) return;
    QCOMPARE(found->date, date);
    QCOMPARE(found->time, time);
    QCOMPARE(found->utc, utc);
    // A day without a time is taken at noon, and keeps its date.
    if (!time.isValid()) QCOMPARE(found->when(), QDateTime(date, QTime(12, 0)));
  }

  // A Pixel's UTC time read in Tokyo (UTC+9): late evening UTC is the next
  // morning there, and the limit of tomorrow applies to that local day.
  void pixel_in_tokyo_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QDateTime>("when");  // invalid: refused
    QTest::newRow("next day there") << "PXL_20250504_153000123.jpg"
                                    << QDateTime(QDate(2025, 5, 5), QTime(0, 30, 0, 123));
    QTest::newRow("still today in UTC, tomorrow there") << "PXL_20250601_160000000.jpg"
                                                        << QDateTime(QDate(2025, 6, 2), QTime(1, 0));
    QTest::newRow("tomorrow in UTC, the day after there") << "PXL_20250602_160000000.jpg" << QDateTime();
  }

  void pixel_in_tokyo() {
    QFETCH(QString, name);
    QFETCH(QDateTime, when);
    set_zone("Asia/Tokyo");
    const std::optional<store::NameDate> found = store::date_from_file_name(name, QDate(2025, 6, 1));
    QCOMPARE(found.has_value(), when.isValid());
    if (found) QCOMPARE(found->when(), when);
  }
};

QTEST_GUILESS_MAIN(TestFileNameDate)
#include "test_file_name_date.moc"
