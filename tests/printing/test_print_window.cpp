// 印刷・PDF driven through real input: a filter on one bed, the ツール menu,
// "PDFに保存..." confirmed by the file's name and "印刷..." through a printer
// that writes a file; the date range proposed from the listed memos and
// moved by the keyboard; 中止 and Esc while pages are written; and a
// machine without a Japanese font told so instead of opening the window.

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QtTest>

#include "main_window_fixture.h"
#include "pdf_text.h"
#include "printing/f_print.h"
#include "printing/print_document.h"
#include "store/diary/memo_files.h"

using print_testing::pdf_text;
using print_testing::plan;
using print_testing::run;
using testing_support::cp932_lines;
using testing_support::write_bytes;

namespace {

// Set in the child process that sees no Japanese font.
constexpr char kNoFontChild[] = "VERDALIS_TEST_NO_JAPANESE_FONT";

// A scalable font file of this machine that does not cover Japanese.
QString font_without_japanese() {
  const auto files = [](const QString& pattern) {
    return run(QStringLiteral("fc-list"), {QStringLiteral("-f"), QStringLiteral("%{file}\n"), pattern})
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  };
  const QStringList japanese = files(QStringLiteral(":lang=ja"));
  for (const QString& file : files(QStringLiteral(":scalable=true"))) {
    if (!japanese.contains(file) && file.endsWith(QStringLiteral(".ttf"))) return file;
  }
  return {};
}

}  // namespace

class TestPrintWindow : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void initTestCase() {
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty(),
             "pdftotext (poppler-utils) is needed: scripts/setup-deps.sh installs it");
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
    QStringList opened_folders;
    f.messages.answers = {true};  // 保存したフォルダを開きますか? はい
    form.run_modal = [&](QDialog& d) {
      auto& window = static_cast<F_print&>(d);
      window.choose_pdf_path = [&](QWidget*, const QString& offered) {
        suggested = offered;
        return pdf;
      };
      window.open_folder = [&](const QString& folder) {
        opened_folders << folder;
        return true;
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
    // The saved file is confirmed by its name, and its folder opened on はい.
    QCOMPARE(f.messages.log.size(), 1);
    QVERIFY(f.messages.log[0].question);
    QVERIFY2(f.messages.log[0].text.contains(QStringLiteral("「庭.pdf」を保存しました")) &&
                 f.messages.log[0].text.contains(QFileInfo(pdf).absolutePath()),
             qPrintable(f.messages.log[0].text));
    QCOMPARE(opened_folders, QStringList{QFileInfo(pdf).absolutePath()});
    const QString text = pdf_text(pdf);
    const qsizetype march = text.indexOf(QStringLiteral("花壇の三月"));
    const qsizetype may = text.indexOf(QStringLiteral("花壇の五月"));
    QVERIFY2(march >= 0 && may > march, qPrintable(text));
    QVERIFY(!text.contains(QStringLiteral("温室の四月")));
    QVERIFY(text.contains(QStringLiteral("球根を植えた。")) && text.contains(QStringLiteral("肥料も少し。")));
    QVERIFY(text.contains(QStringLiteral("2026/03/20")) && text.contains(QStringLiteral("チューリップ")));
  }

  // 期間を限る proposes the listed memos' first and last day (last season's
  // here); an end moved by the keyboard changes the count, and a reversed
  // range says why it lists nothing. Screen readers name both fields.
  void window_date_range_data() {
    QTest::addColumn<QList<int>>("keys");  // typed into 期間の始め
    QTest::addColumn<QString>("count");
    QTest::newRow("as proposed") << QList<int>{} << "3件のメモ";
    QTest::newRow("a day later") << QList<int>{Qt::Key_End, Qt::Key_Up} << "2件のメモ";
    QTest::newRow("a year later") << QList<int>{Qt::Key_Home, Qt::Key_Up}
                                  << "0件のメモ\n期間の始めが終わりより後になっています。";
  }
  void window_date_range() {
    QFETCH(QList<int>, keys);
    QFETCH(QString, count);
    testing_support::MainWindowFixture f;
    QVERIFY(f.write_index({"2025/09/30", "花壇", "バラ", "秋", "3", "2025/09/30 10:00:00", "2025/09/30 10:00:00",
                           "2025/06/01", "花壇", "バラ", "夏", "2", "2025/06/01 10:00:00", "2025/06/01 10:00:00",
                           "2025/04/10", "花壇", "バラ", "春", "1", "2025/04/10 10:00:00", "2025/04/10 10:00:00"}));
    Main_form& form = f.load();
    QVERIFY(f.loaded);
    QStringList seen;  // the proposed range, the count, the fields' names
    bool can_save = false;
    form.run_modal = [&](QDialog& d) {
      auto& window = static_cast<F_print&>(d);
      user_input::show_active(&window);
      user_input::click(window.Check_range);
      seen << window.Date_from->date().toString(Qt::ISODate) << window.Date_to->date().toString(Qt::ISODate);
      user_input::click(window.Date_from);
      for (const int k : keys) user_input::key(Qt::Key(k));
      seen << window.Label_count->text();
      for (QWidget* w : {window.Date_from, window.Date_to}) {
        seen << QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name);
      }
      can_save = window.Command_pdf->isEnabled();
      return 0;
    };
    f.click_tool_item(form.tools().Menu_print);
    QCOMPARE(seen, (QStringList{"2025-04-10", "2025-09-30", count, "期間の始め", "期間の終わり"}));
    QCOMPARE(can_save, !count.startsWith(QLatin1Char('0')));
  }

  // With no font that covers Japanese the menu item says what to install
  // and opens no window, and no PDF is written. The check runs in a child
  // process of this test whose fontconfig sees one font without Japanese.
  void no_japanese_font() {
    if (qEnvironmentVariableIsSet(kNoFontChild)) {
      QCOMPARE(printing::page_family(), QString());
      testing_support::MainWindowFixture f;
      QVERIFY(f.write_index({"2026/05/03", "花壇", "バラ", "五月", "1", "2026/05/03 10:00:00", "2026/05/03 10:00:00"}));
      Main_form& form = f.load();
      QVERIFY(f.loaded);
      bool opened = false;
      form.run_modal = [&](QDialog&) { return int(opened = true); };
      f.click_tool_item(form.tools().Menu_print);
      QVERIFY(!opened);
      QCOMPARE(f.messages.log.size(), 1);
      QCOMPARE(f.messages.log[0].text, printing::missing_font_message());
      const QString pdf = f.dir.filePath(QStringLiteral("x.pdf"));
      const auto result = printing::save_pdf(pdf, {plan(QStringLiteral("題"), QStringLiteral("本文"))}, {}, {}, {});
      QVERIFY(!result.written && result.message == printing::missing_font_message() && !QFileInfo::exists(pdf));
      return;
    }
    QTemporaryDir fonts;
    const QString font = font_without_japanese();
    QVERIFY2(!font.isEmpty(), "no font without Japanese on this machine");
    QVERIFY(QFile::copy(font, fonts.filePath(QFileInfo(font).fileName())));
    const QString config = fonts.filePath(QStringLiteral("fonts.conf"));
    QVERIFY(write_bytes(config, QStringLiteral("<?xml version=\"1.0\"?>\n<fontconfig><dir>%1</dir><cachedir>%1/cache</cachedir></fontconfig>\n")
                                    .arg(fonts.path())
                                    .toUtf8()));
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("FONTCONFIG_FILE"), config);
    env.insert(QString::fromLatin1(kNoFontChild), QStringLiteral("1"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("no_japanese_font")});
    QVERIFY(child.waitForFinished(60000));
    const QString output = QString::fromUtf8(child.readAll());
    QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, qPrintable(output));
    QVERIFY2(output.contains(QStringLiteral("PASS   : TestPrintWindow::no_japanese_font()")), qPrintable(output));
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

QTEST_MAIN(TestPrintWindow)
#include "test_print_window.moc"
