// The PDF read back with pdftotext and pdffonts: every title and the
// Japanese text are there and searchable in an embedded Japanese font,
// pictures stand upright, a missing one prints as a framed line, and a
// folder that cannot be written or a stopped job leaves no file. The
// window's path through real input: a filter on one bed, "印刷・PDF" from
// the ツール menu, "PDFに保存...".

#include <QComboBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QImageReader>
#include <QPdfWriter>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QCheckBox>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#pragma GCC diagnostic pop

#include "immutable_dir.h"
#include "main_window_fixture.h"
#include "printing/f_print.h"
#include "printing/print_document.h"
#include "store/diary/memo_files.h"

using testing_support::cp932_lines;
using testing_support::write_bytes;

namespace {

QString run(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  if (!p.waitForFinished(60000) || p.exitCode() != 0) return QStringLiteral("<%1 failed>").arg(program);
  return QString::fromUtf8(p.readAllStandardOutput());
}

// The text of the PDF, runs of white space made one space (pdftotext
// breaks lines where the page does).
QString pdf_text(const QString& path) {
  return run(QStringLiteral("pdftotext"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"), path, QStringLiteral("-")});
}

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

printing::MemoPlan plan(const QString& title, const QString& body) {
  return {QStringLiteral("2026/05/03　花壇　バラ"), title, body, {}};
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

  // The user's path: the location filter on one bed, the menu item, the
  // newest-first order, and "PDFに保存...".
  void window_saves_filtered_memos() {
    testing_support::MainWindowFixture f;
    QVERIFY(f.write_index({"2026/05/03", "花壇", "バラ", "花壇の五月", "1", "2026/05/03 10:00:00", "2026/05/03 10:00:00",
                           "2026/04/01", "温室", "トマト", "温室の四月", "2", "2026/04/01 10:00:00", "2026/04/01 10:00:00",
                           "2026/03/20", "花壇", "チューリップ", "花壇の三月", "3", "2026/03/20 10:00:00",
                           "2026/03/20 10:00:00"}));
    QVERIFY(write_bytes(f.dir_path + "basyo.dat", cp932_lines({"花壇", "温室"})));
    QVERIFY(store::save_memo_body(f.dir_path, QStringLiteral("3"), QStringLiteral("球根を植えた。\r\n肥料も少し。")).ok);
    Main_form& form = f.load();
    QVERIFY(f.loaded);
    user_input::show_active(&form);
    user_input::pick(form.Combo1, 0);  // 花壇
    QCOMPARE(f.state->listed_count, 2);

    const QString pdf = f.dir.filePath(QStringLiteral("print/庭.pdf"));
    QDir().mkpath(QFileInfo(pdf).path());
    QString suggested, header;
    int preview_pages = -1, printed_pages = -1;
    QList<QWidget*> by_keys, expected_by_keys;
    const QString printed = f.dir.filePath(QStringLiteral("print/printed.pdf"));
    form.run_modal = [&](QDialog& d) {
      auto& window = static_cast<F_print&>(d);
      window.choose_pdf_path = [&](QWidget*, const QString& offered) {
        suggested = offered;
        return pdf;
      };
      user_input::show_active(&window);
      // The choices are reached by their access keys.
      QTest::keyClick(&window, Qt::Key_Z, Qt::AltModifier);
      by_keys << QApplication::focusWidget();
      QTest::keyClick(&window, Qt::Key_J, Qt::AltModifier);
      by_keys << QApplication::focusWidget();
      expected_by_keys = {window.Combo_size, window.Combo_order};
      preview_pages = window.preview_pages();
      header = window.header_text();
      user_input::pick(window.Combo_order, 0);  // 古い順
      user_input::click(window.Command_pdf);
      // "印刷...": the print dialog's choice stands in for a printer that
      // writes a file; the same pages come out.
      window.choose_printer = [&](QWidget*, QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(printed);
        return true;
      };
      user_input::click(window.Command_print);
      printed_pages = pdf_text(printed).count(QStringLiteral("花壇の三月"));
      return 0;
    };
    f.click_tool_item(form.tools().Menu_print);
    QTRY_VERIFY(QFileInfo::exists(pdf));
    QCOMPARE(printed_pages, 1);
    QCOMPARE(by_keys, expected_by_keys);
    QCOMPARE(QFileInfo(suggested).fileName(), store::default_pdf_name(QDate::currentDate()));
    QCOMPARE(header, QStringLiteral("場所: 花壇　品種: すべて"));
    QCOMPARE(preview_pages, 1);
    QVERIFY(f.messages.log.isEmpty());
    const QString text = pdf_text(pdf);
    const qsizetype march = text.indexOf(QStringLiteral("花壇の三月"));
    const qsizetype may = text.indexOf(QStringLiteral("花壇の五月"));
    QVERIFY2(march >= 0 && may > march, qPrintable(text));
    QVERIFY(!text.contains(QStringLiteral("温室の四月")));
    QVERIFY(text.contains(QStringLiteral("球根を植えた。")) && text.contains(QStringLiteral("肥料も少し。")));
    QVERIFY(text.contains(QStringLiteral("2026/03/20")) && text.contains(QStringLiteral("チューリップ")));
  }

  // 中止 clicked, or Esc pressed, while the pages are written: the job
  // ends, no file is left under the chosen name or beside it, and the
  // window stays open and usable again.
  void window_stop_leaves_no_file_data() {
    QTest::addColumn<bool>("escape");
    QTest::newRow("中止 clicked") << false;
    QTest::newRow("Esc pressed") << true;
  }
  void window_stop_leaves_no_file() {
    QFETCH(bool, escape);
    testing_support::MainWindowFixture f;
    QStringList index;
    for (int i = 1; i <= 30; ++i) {
      index << QStringLiteral("2026/05/%1").arg(i, 2, 10, QLatin1Char('0')) << "花壇" << "バラ"
            << QStringLiteral("記録%1").arg(i) << QString::number(i) << "2026/05/01 10:00:00" << "2026/05/01 10:00:00";
    }
    QVERIFY(f.write_index(index));
    for (int i = 1; i <= 30; ++i) {
      QVERIFY(store::save_memo_body(f.dir_path, QString::number(i), QString(3000, QChar(0x82b1))).ok);
    }
    Main_form& form = f.load();
    QVERIFY(f.loaded);
    user_input::show_active(&form);
    QTemporaryDir target;
    const QString pdf = target.filePath(QStringLiteral("stopped.pdf"));
    bool stop_was_enabled = false, pdf_enabled_after = false;
    form.run_modal = [&](QDialog& d) {
      auto& window = static_cast<F_print&>(d);
      window.choose_pdf_path = [&](QWidget*, const QString&) {
        // The click lands on 中止 once the first page has been painted.
        QTimer::singleShot(0, &window, [&] {
          stop_was_enabled = window.Command_stop->isEnabled();
          if (escape) {
            QWidget* focus = QApplication::focusWidget();
            QTest::keyClick(focus ? focus : &window, Qt::Key_Escape);
          } else {
            user_input::click(window.Command_stop);
          }
        });
        return pdf;
      };
      user_input::show_active(&window);
      user_input::click(window.Command_pdf);
      pdf_enabled_after = window.Command_pdf->isEnabled() && !window.Command_stop->isEnabled() && window.isVisible();
      return 0;
    };
    f.click_tool_item(form.tools().Menu_print);
    QTRY_VERIFY(pdf_enabled_after);
    QVERIFY(stop_was_enabled);
    QCOMPARE(QDir(target.path()).entryList(QDir::Files | QDir::Hidden), QStringList{});
    QVERIFY(f.messages.log.isEmpty());
  }
};

QTEST_MAIN(TestPrintPdf)
#include "test_print_pdf.moc"
