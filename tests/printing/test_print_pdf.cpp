// The PDF read back with pdftotext and pdffonts: every title and the
// Japanese text are there and searchable in an embedded Japanese font,
// pictures stand upright, a missing one prints as a framed line, and a
// folder that cannot be written or a stopped job leaves no file.

#include <QElapsedTimer>
#include <QImageReader>
#include <QPdfWriter>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#pragma GCC diagnostic pop

#include "data_dir.h"
#include "immutable_dir.h"
#include "pdf_text.h"
#include "printing/print_document.h"
#include "store/diary/memo_files.h"

using print_testing::pdf_text;
using print_testing::plan;
using print_testing::run;
using testing_support::write_bytes;

namespace {

bool write_jpeg(const QString& path, int w, int h, int orientation = 1) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(Qt::darkGreen);
  if (!image.save(path, "JPEG")) return false;
  if (orientation == 1) return true;
  try {
    auto picture = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
    Exiv2::ExifData exif;
    exif["Exif.Image.Orientation"] = uint16_t(orientation);
    picture->setExifData(exif);
    picture->writeMetadata();
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace

class TestPrintPdf : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void initTestCase() {
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty(),
             "pdftotext (poppler-utils) is needed: scripts/setup-deps.sh installs it");
  }

  // Picture sizes as the layout gets them: upright by EXIF, missing files
  // and undecodable ones told apart.
  void planned_pictures_data() {
    QTest::addColumn<int>("which");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("all") << int(store::PrintPictures::All)
                         << QStringList{"40x30", "30x40", "missing", "unreadable"};
    QTest::newRow("first") << int(store::PrintPictures::First) << QStringList{"40x30"};
    QTest::newRow("none") << int(store::PrintPictures::None) << QStringList{};
  }
  void planned_pictures() {
    QFETCH(int, which);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    const QString d = dir.path() + QLatin1Char('/');
    QDir().mkdir(d + QStringLiteral("memo"));
    QVERIFY(write_jpeg(d + QStringLiteral("a.jpg"), 40, 30));
    QVERIFY(write_jpeg(d + QStringLiteral("b.jpg"), 40, 30, 6));  // turned a quarter on the camera
    QVERIFY(write_bytes(d + QStringLiteral("c.jpg"), QByteArray("\xff\xd8\xff", 3)));
    QVERIFY(store::save_image_list(d, QStringLiteral("1"),
                                   {{d + "a.jpg", "a"}, {d + "b.jpg", "b"}, {d + "gone.jpg", "g"}, {d + "c.jpg", "c"}})
                .ok);
    const store::PrintMemo memo{QStringLiteral("1"), "2026/05/03", "花壇", "バラ", "t", ""};
    const auto plans = printing::plan_memos(d, {memo}, store::PrintPictures(which));
    QCOMPARE(plans.size(), 1u);
    QStringList got;
    for (const auto& p : plans[0].pictures) {
      got << (p.missing ? QStringLiteral("missing")
                        : p.size.isEmpty() ? QStringLiteral("unreadable")
                                           : QStringLiteral("%1x%2").arg(p.size.width()).arg(p.size.height()));
    }
    QCOMPARE(got, expected);
  }

  // Every title, the body and the framed line of a missing picture are in
  // the text read back; the Japanese font is embedded.
  void read_back() {
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("日誌.pdf"));
    std::vector<printing::MemoPlan> memos;
    for (int i = 1; i <= 40; ++i) {
      memos.push_back(plan(QStringLiteral("株分け第%1回").arg(i), QStringLiteral("ラベンダーの挿し木%1\n水やり").arg(i)));
    }
    const QString pic = dir.filePath(QStringLiteral("p.jpg"));
    QVERIFY(write_jpeg(pic, 400, 300));
    memos[3].pictures = {{pic, QStringLiteral("咲き始め"), QSize(400, 300), false},
                         {dir.filePath("ない.jpg"), QStringLiteral("x"), {}, true}};
    int last_page = 0, pages = 0;
    const auto result = printing::save_pdf(pdf, memos, {}, QStringLiteral("場所: 花壇　品種: すべて"), [&](int p, int n) {
      last_page = p;
      pages = n;
      return true;
    });
    QVERIFY2(result.written, qPrintable(result.message));
    QVERIFY(pages >= 2);
    QCOMPARE(last_page, pages);
    const QString text = pdf_text(pdf);
    for (int i = 1; i <= 40; ++i) {
      QVERIFY2(text.contains(QStringLiteral("株分け第%1回").arg(i)), qPrintable(QString::number(i)));
      QVERIFY(text.contains(QStringLiteral("ラベンダーの挿し木%1").arg(i)));
    }
    QVERIFY(text.contains(QStringLiteral("咲き始め")));
    QVERIFY(text.contains(QStringLiteral("画像なし: ") + dir.filePath("ない.jpg")));
    QVERIFY(text.contains(QStringLiteral("場所: 花壇")));
    QVERIFY(text.contains(QStringLiteral("1 / %1").arg(pages)));
    QVERIFY(text.contains(QStringLiteral("%1 / %1").arg(pages)));
    const QString fonts = run(QStringLiteral("pdffonts"), {pdf});
    QVERIFY2(fonts.contains(QStringLiteral("IPA")) || fonts.contains(QStringLiteral("Noto")), qPrintable(fonts));
    for (const QString& line : fonts.split(QLatin1Char('\n')).mid(2)) {
      if (!line.trimmed().isEmpty()) QVERIFY2(line.contains(QStringLiteral(" yes ")), qPrintable(line));
    }
  }

  // A truncated JPEG whose header claims 60000 × 60000 pixels is decoded
  // at its printed size or not at all; the PDF is written either way.
  void huge_header() {
    QTemporaryDir dir;
    const QString pic = dir.filePath(QStringLiteral("huge.jpg"));
    QVERIFY(write_jpeg(pic, 64, 48));
    QByteArray bytes = testing_support::read_bytes(pic);
    const qsizetype sof = bytes.indexOf(QByteArray("\xff\xc0", 2));
    QVERIFY(sof > 0);
    for (const qsizetype at : {sof + 5, sof + 7}) {  // height, then width, big-endian
      bytes[at] = char(60000 >> 8);
      bytes[at + 1] = char(60000 & 0xff);
    }
    const qsizetype scan = bytes.indexOf(QByteArray("\xff\xda", 2));
    QVERIFY(scan > sof);
    QVERIFY(write_bytes(pic, bytes.left(scan + (bytes.size() - scan) / 2)));
    QImageReader reader(pic);
    QCOMPARE(reader.size(), QSize(60000, 60000));
    std::vector<printing::MemoPlan> memos{plan(QStringLiteral("巨大な見出し"), QStringLiteral("本文"))};
    memos[0].pictures = {{pic, QStringLiteral("大きすぎる写真"), reader.size(), false}};
    const QString pdf = dir.filePath(QStringLiteral("huge.pdf"));
    QElapsedTimer t;
    t.start();
    const auto result = printing::save_pdf(pdf, memos, {}, {}, {});
    QVERIFY2(result.written, qPrintable(result.message));
    QVERIFY2(t.elapsed() < 10000, qPrintable(QString::number(t.elapsed())));
    const QString text = pdf_text(pdf);
    QVERIFY(text.contains(QStringLiteral("巨大な見出し")) && text.contains(QStringLiteral("大きすぎる写真")));
    // Too large to decode even scaled: a framed line names the file.
    QVERIFY(text.contains(QStringLiteral("画像を読めません: ") + pic));
  }

  // No half file under the chosen name, and an earlier file there kept.
  void no_half_file_data() {
    QTest::addColumn<bool>("read_only");
    QTest::addColumn<int>("stop_after");
    QTest::addColumn<bool>("earlier_file");
    QTest::addColumn<bool>("disk_fills");
    QTest::newRow("stopped on the first page") << false << 1 << false << false;
    QTest::newRow("stopped later, earlier file kept") << false << 2 << true << false;
    QTest::newRow("read-only folder") << true << 0 << false << false;
    QTest::newRow("disk fills half-way, earlier file kept") << false << 0 << true << true;
  }
  void no_half_file() {
    QFETCH(bool, read_only);
    QFETCH(int, stop_after);
    QFETCH(bool, earlier_file);
    QFETCH(bool, disk_fills);
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("out.pdf"));
    if (earlier_file) QVERIFY(write_bytes(pdf, "earlier"));
    std::vector<printing::MemoPlan> memos;
    for (int i = 0; i < 6; ++i) memos.push_back(plan(QStringLiteral("題%1").arg(i), QString(4000, QChar(0x3042))));
    ImmutableDir locked;
    if (read_only) QVERIFY(locked.protect(dir.path()));
    // A file size limit makes writes past 2 KB fail as a full disk does.
    rlimit before{};
    ::getrlimit(RLIMIT_FSIZE, &before);
    if (disk_fills) {
      ::signal(SIGXFSZ, SIG_IGN);
      rlimit small = before;
      small.rlim_cur = 2 * 1024;
      QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
    }
    const auto result =
        printing::save_pdf(pdf, memos, {}, {}, [&](int page, int) { return stop_after == 0 || page < stop_after; });
    ::setrlimit(RLIMIT_FSIZE, &before);
    locked.release();
    QVERIFY(!result.written);
    QCOMPARE(result.stopped, stop_after > 0);
    QCOMPARE(result.message.contains(QStringLiteral("out.pdf")), read_only || disk_fills);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             earlier_file ? QStringList{QStringLiteral("out.pdf")} : QStringList{});
    if (earlier_file) QCOMPARE(testing_support::read_bytes(pdf), QByteArray("earlier"));
  }
};

QTEST_MAIN(TestPrintPdf)
#include "test_print_pdf.moc"
