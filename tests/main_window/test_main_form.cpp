// The main window over a real data directory: start-up, the list and its
// filters, the viewer pane and shut-down.

#include <QComboBox>
#include <QDialog>
#include <QPushButton>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "data_dir.h"
#include "immutable_dir.h"
#include "main_window_fixture.h"
#include "main_window/main_form.h"
#include "main_window/memo_grid.h"
#include "main_window/memo_list_model.h"
#include "store/diary/memo_files.h"
#include "user_input.h"

using testing_support::cp932_lines;
using testing_support::read_bytes;
using testing_support::snapshot;
using testing_support::write_bytes;

namespace {

struct Memo {
  const char* date;
  const char* location;
  const char* variety;
  const char* title;
  const char* no;
};

// The table as flower.dat holds it (already in display order).
const Memo kMemos[] = {
    {"2026/06/01", "花壇", "パンジー", "植え付け", " 5 "},
    {"2026/05/20", "温室", "トマト", "芽が出た", " 4 "},
    {"2026/05/10", "花壇", "チューリップ", "球根掘り", " 3 "},
    {"2026/05/01", "花壇 ", "パンジー", "後ろに空白", " 2 "},
    {"2026/04/01", "花壇", "パンジー", "種まき", "1"},
};

QStringList titles_listed(const Main_form& form) {
  QStringList titles;
  for (int r = 0; r < form.list_model()->memo_rows(); ++r) titles << form.list_model()->cell(r, 3);
  return titles;
}

struct Fixture : testing_support::MainWindowFixture {
  void write_standard_files() {
    QStringList lines;
    for (const Memo& m : kMemos) {
      lines << QString::fromUtf8(m.date) << QString::fromUtf8(m.location) << QString::fromUtf8(m.variety)
            << QString::fromUtf8(m.title) << QString::fromUtf8(m.no) << QStringLiteral("2026/01/01 10:00:00")
            << QStringLiteral("2026/01/01 10:00:00");
    }
    QVERIFY(write_index(lines));
    QVERIFY(write_bytes(dir_path + QStringLiteral("basyo.dat"),
                        cp932_lines({QStringLiteral("花壇"), QStringLiteral("温室")})));
    QVERIFY(write_bytes(dir_path + QStringLiteral("hinsyu.dat"),
                        cp932_lines({QStringLiteral("パンジー"), QStringLiteral("トマト"),
                                     QStringLiteral("チューリップ")})));
  }

  QString picture(const QString& name, int w, int h, const char* format = "PNG") {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    const QString path = dir_path + name;
    image.save(path, format);
    return path;
  }
};

}  // namespace

class TestMainForm : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void first_run_shows_the_welcome_memo() {
    Fixture f;
    Main_form& form = f.load();
    QVERIFY(f.loaded);
    QCOMPARE(form.windowTitle(), QStringLiteral("【Verdalis】Ver.3.0 (1件)"));
    QCOMPARE(form.list_model()->rowCount(), 2);  // the welcome memo and the blank row
    QCOMPARE(form.list_model()->cell(0, 3), QStringLiteral("【Verdalis】ご利用のお礼"));
    QCOMPARE(form.list_model()->cell(0, 4), QStringLiteral(" 1 "));
    QVERIFY(form.Grid1->isColumnHidden(MemoListModel::kMemoNoColumn));
    QCOMPARE(form.Combo1->count(), 6);
    QCOMPARE(form.Combo2->count(), 15);
    QCOMPARE(form.Combo1->currentText(), QString());
    QCOMPARE(form.Combo2->currentText(), QString());
    QCOMPARE(form.Grid1->current_grid_row(), 0);
    QVERIFY(f.messages.log.isEmpty());

    f.click_row(1);
    QVERIFY(form.Text2->toPlainText().startsWith(QStringLiteral("この度は、【Verdalis】をご利用下さいまして\n")));
    QVERIFY(form.Text2->isReadOnly());
  }

  // The window shows the icon that the installation puts into the desktop's
  // icon theme, at every size drawn for it.
  void the_window_has_the_program_icon_data() {
    QTest::addColumn<int>("size");
    for (int size : {32, 48, 64, 128, 256}) QTest::addRow("%d", size) << size;
  }

  void the_window_has_the_program_icon() {
    QFETCH(int, size);
    Fixture f;
    const Main_form& form = f.load();
    const QImage installed(QStringLiteral(VERDALIS_ICON_DIR "/verdalis-%1.png").arg(size));
    QVERIFY(!installed.isNull());
    QVERIFY(form.windowIcon().availableSizes().contains(QSize(size, size)));
    const QImage shown = form.windowIcon().pixmap(QSize(size, size), 1.0).toImage();
    // A pixmap holds premultiplied colours: compare in that form.
    QCOMPARE(shown.convertToFormat(QImage::Format_ARGB32_Premultiplied),
             installed.convertToFormat(QImage::Format_ARGB32_Premultiplied));
  }

  void a_second_copy_is_refused_and_touches_nothing() {
    Fixture first;
    first.load();
    QVERIFY(first.loaded);
    const auto before = snapshot(first.dir_path);

    store::AppState state(first.dir_path);
    RecordingMessages messages;
    Main_form second(state, messages);
    QVERIFY(!second.Form_Load());
    QCOMPARE(messages.log.size(), 1);
    QCOMPARE(messages.log[0].text, QStringLiteral("【Verdalis】はすでに起動されています。"));
    QCOMPARE(messages.log[0].title, QStringLiteral("Verdalis"));
    QCOMPARE(snapshot(first.dir_path), before);
  }

  // How the data directory is made unusable: a regular file in its place,
  // an immutable data directory, or an immutable memo sub-directory.
  void an_unusable_data_directory_stops_start_up_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("a file, not a directory") << QStringLiteral("file");
    QTest::newRow("data directory not writable") << QStringLiteral("dir");
    QTest::newRow("memo directory not writable") << QStringLiteral("memo");
  }

  void an_unusable_data_directory_stops_start_up() {
    QFETCH(QString, how);
    Fixture f;
    QString folder = f.dir_path;
    ImmutableDir guard;
    if (how == QStringLiteral("file")) {
      QVERIFY(write_bytes(f.dir.path() + QStringLiteral("/plain"), "x"));
      f.dir_path = f.dir.path() + QStringLiteral("/plain/");
      folder = f.dir_path;
    } else {
      f.write_standard_files();
      if (how == QStringLiteral("memo")) folder = f.dir_path + QStringLiteral("memo/");
      if (!guard.protect(folder)) QSKIP("cannot make a directory unwritable on this file system");
    }
    const auto before = snapshot(f.dir.path());
    f.load();
    QVERIFY(!f.loaded);
    QCOMPARE(f.messages.log.size(), 1);
    const QString text = f.messages.log[0].text;
    QVERIFY2(text.contains(QStringLiteral("「%1」に書き込めません").arg(QDir::toNativeSeparators(folder))), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("ご自分で書き込めるフォルダ")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("インストール")), qPrintable(text));
    QCOMPARE(f.messages.log[0].title, QStringLiteral("【Verdalis】Ver.3.0"));
    guard.release();
    // Nothing was written: no lock file, no data file, no memo directory.
    QCOMPARE(snapshot(f.dir.path()), before);
  }

  void filters_data() {
    QTest::addColumn<QString>("location");
    QTest::addColumn<QString>("variety");
    QTest::addColumn<QStringList>("titles");
    const QString all[] = {QStringLiteral("植え付け"), QStringLiteral("芽が出た"), QStringLiteral("球根掘り"),
                           QStringLiteral("後ろに空白"), QStringLiteral("種まき")};
    QTest::newRow("location only") << QStringLiteral("花壇") << QString()
                                   << QStringList{all[0], all[2], all[4]};
    QTest::newRow("location and variety") << QStringLiteral("花壇") << QStringLiteral("パンジー")
                                          << QStringList{all[0], all[4]};
    QTest::newRow("variety only") << QString() << QStringLiteral("パンジー")
                                  << QStringList{all[0], all[3], all[4]};
    QTest::newRow("trailing blank is its own name") << QStringLiteral("花壇 ") << QString()
                                                    << QStringList{all[3]};
    QTest::newRow("no match") << QStringLiteral("裏庭") << QString() << QStringList{};
    QTest::newRow("typed text with an unknown variety") << QStringLiteral("温室") << QStringLiteral("パンジー")
                                                        << QStringList{};
  }

  void filters() {
    QFETCH(QString, location);
    QFETCH(QString, variety);
    QFETCH(QStringList, titles);
    Fixture f;
    f.write_standard_files();
    Main_form& form = f.load();
    QVERIFY(f.loaded);
    form.Combo1->setEditText(location);
    form.Combo2->setEditText(variety);
    form.Combo2_Click();
    QCOMPARE(titles_listed(form), titles);
    QCOMPARE(f.state->listed_count, titles.size());
    QCOMPARE(form.list_model()->rowCount(), titles.size() + 1);
    QCOMPARE(form.windowTitle(), QStringLiteral("【Verdalis】Ver.3.0 (5件)"));
  }

  void choosing_an_entry_filters_and_reset_lists_all() {
    Fixture f;
    f.write_standard_files();
    Main_form& form = f.load();
    user_input::show_active(&form);
    user_input::pick(form.Combo1, 1);  // 温室
    QCOMPARE(form.Combo1->currentText(), QStringLiteral("温室"));
    QCOMPARE(titles_listed(form), QStringList{QStringLiteral("芽が出た")});

    // Emptying the boxes by hand and choosing again leaves the list as it was.
    form.Combo1->setEditText(QString());
    form.Combo1_Click();
    QCOMPARE(titles_listed(form), QStringList{QStringLiteral("芽が出た")});

    user_input::click(form.Command2);
    QCOMPARE(f.state->listed_count, 5);
    QCOMPARE(form.Combo1->currentText(), QString());
    QCOMPARE(form.Combo2->currentText(), QString());
    QCOMPARE(form.windowTitle(), QStringLiteral("【Verdalis】Ver.3.0 (5件)"));

    // A known name typed and left behind (a click elsewhere, Enter, Tab)
    // filters nothing; a pick with the keyboard does.
    user_input::type_into(form.Combo2, QStringLiteral("トマト"));
    user_input::key(Qt::Key_Return);
    user_input::click(form.Text2);
    user_input::key(Qt::Key_Tab);
    QCOMPARE(f.state->listed_count, 5);
    user_input::pick_by_keys(form.Combo2, 2);  // チューリップ
    QCOMPARE(titles_listed(form), QStringList{QStringLiteral("球根掘り")});
  }

  // Tabbing into the list or the picture titles chooses nothing: "訂正"
  // and "削除" still find no memo row, and no memo is shown.
  void the_focus_alone_chooses_no_memo() {
    Fixture f;
    f.write_standard_files();
    Main_form& form = f.load();
    int opened = 0;
    form.run_modal = [&](QDialog&) { return ++opened, int(QDialog::Rejected); };
    user_input::show_active(&form);
    form.Command2->setFocus(Qt::TabFocusReason);
    user_input::key(Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(form.Grid1));
    user_input::click(form.Command8);
    user_input::click(form.Command7);
    QCOMPARE(opened, 0);
    QCOMPARE(f.messages.log.size(), 2);
    QCOMPARE(f.messages.log[0].text, QStringLiteral("訂正する項目が選択されていません。"));
    QCOMPARE(form.Text2->toPlainText(), QString());
    // A key that moves the row shows that row's memo.
    form.Grid1->setFocus(Qt::TabFocusReason);
    user_input::key(Qt::Key_Down);
    QVERIFY(form.Grid1->current_grid_row() >= 1);
    user_input::click(form.Command8);
    QCOMPARE(opened, 1);
  }

  void return_in_a_filter_box_is_swallowed() {
    Fixture f;
    f.write_standard_files();
    Main_form& form = f.load();
    form.Combo2->setEditText(QStringLiteral("ばら"));
    QTest::keyClick(form.Combo2->lineEdit(), Qt::Key_Return);
    QCOMPARE(form.Combo2->count(), 3);  // nothing was added to the drop-down list
    QCOMPARE(form.Combo2->currentText(), QStringLiteral("ばら"));
    QCOMPARE(f.state->listed_count, 5);
  }

  void clicking_a_row_shows_body_and_first_picture() {
    Fixture f;
    f.write_standard_files();
    const QString big = f.picture(QStringLiteral("big.png"), 800, 300);
    const QString small = f.picture(QStringLiteral("small.png"), 40, 20);
    QVERIFY(store::save_memo_body(f.dir_path, QStringLiteral(" 4 "), QStringLiteral("一行目\r\n二行目")).ok);
    QVERIFY(store::save_image_list(f.dir_path, QStringLiteral(" 4 "),
                                   {{big, QStringLiteral("全景")}, {small, QStringLiteral("葉")}}).ok);
    Main_form& form = f.load();
    f.click_row(2);
    QCOMPARE(form.Text2->toPlainText(), QStringLiteral("一行目\n二行目"));
    QCOMPARE(form.List1->count(), 2);
    QCOMPARE(form.List1->item(1)->text(), QStringLiteral("葉"));
    QCOMPARE(form.List1->currentRow(), 0);
    QCOMPARE(form.Label3->text(), big);
    QCOMPARE(f.state->current_image_no, 1);
    QCOMPARE(f.state->current_image_path, big);
    // 800 × 300 pixels do not fit the 3675 × 2305 twip area: scaled by 3675 / 12000.
    QVERIFY(!form.Image1->pixmap().isNull());
    QCOMPARE(form.Image1->size(), QSize(245, 92));
    QCOMPARE(form.Grid1->currentIndex().column(), MemoListModel::kMemoNoColumn);

    user_input::click_item(form.List1, 1);
    QCOMPARE(f.state->current_image_no, 2);
    QCOMPARE(form.Image1->size(), QSize(40, 20));  // fits: shown at its own size
    QCOMPARE(form.Label3->text(), small);

    // The blank row below the last memo empties the body only.
    f.click_row(6);
    QCOMPARE(form.Text2->toPlainText(), QString());
    QCOMPARE(form.List1->count(), 2);
    QVERIFY(f.messages.log.isEmpty());
  }

  void a_missing_first_picture_is_reported() {
    Fixture f;
    f.write_standard_files();
    const QString there = f.picture(QStringLiteral("there.png"), 10, 10);
    const QString gone = f.dir_path + QStringLiteral("gone.jpg");
    QVERIFY(store::save_image_list(f.dir_path, QStringLiteral(" 5 "),
                                   {{gone, QStringLiteral("a")}, {there, QStringLiteral("b")},
                                    {there, QStringLiteral("c")}}).ok);
    Main_form& form = f.load();
    f.click_row(1);
    QCOMPARE(f.messages.log.size(), 1);
    QCOMPARE(f.messages.log[0].text, gone + QStringLiteral("がありません。"));
    QCOMPARE(f.messages.log[0].title, QStringLiteral("Verdalis"));
    QCOMPARE(form.List1->count(), 3);
    QCOMPARE(form.List1->currentRow(), -1);
    QVERIFY(form.Image1->pixmap().isNull());
    QCOMPARE(form.Label3->text(), gone);
    QCOMPARE(f.state->current_image_no, 0);
  }

  void an_undecodable_picture_leaves_the_area_empty() {
    Fixture f;
    f.write_standard_files();
    const QString broken = f.dir_path + QStringLiteral("broken.jpg");
    QVERIFY(write_bytes(broken, QByteArray::fromHex("FFD8FFE0") + " not really a picture"));
    QVERIFY(store::save_image_list(f.dir_path, QStringLiteral(" 5 "), {{broken, QStringLiteral("壊れ")}}).ok);
    Main_form& form = f.load();
    f.click_row(1);
    QVERIFY(f.messages.log.isEmpty());
    QVERIFY(form.Image1->pixmap().isNull());
    QCOMPARE(form.Label3->text(), broken);
    // The rest of the window goes on working.
    f.click_row(2);
    QCOMPARE(form.List1->count(), 0);
  }

  void refreshing_clears_the_viewer_pane() {
    Fixture f;
    f.write_standard_files();
    const QString pic = f.picture(QStringLiteral("p.png"), 10, 10);
    QVERIFY(store::save_image_list(f.dir_path, QStringLiteral(" 5 "), {{pic, QStringLiteral("t")}}).ok);
    QVERIFY(store::save_memo_body(f.dir_path, QStringLiteral(" 5 "), QStringLiteral("本文")).ok);
    Main_form& form = f.load();
    f.click_row(1);
    form.Text1->setText(QStringLiteral("hint"));
    form.refresh_memo_list();
    QCOMPARE(form.Text1->text(), QString());
    QCOMPARE(form.Text2->toPlainText(), QString());
    QCOMPARE(form.List1->count(), 0);
    QCOMPARE(form.Label3->text(), QString());
    QVERIFY(form.Image1->pixmap().isNull());
    QCOMPARE(form.Grid1->current_grid_row(), 0);
  }

  void shut_down_writes_settings_and_index_files() {
    Fixture f;
    f.write_standard_files();
    const QByteArray dat = read_bytes(f.dir_path + QStringLiteral("flower.dat"));
    Main_form& form = f.load();
    QVERIFY(form.shut_down());
    QCOMPARE(read_bytes(f.dir_path + QStringLiteral("flower.dat")), dat);
    const QStringList ini = QString::fromLatin1(read_bytes(f.dir_path + QStringLiteral("flower.ini")))
                                .split(QStringLiteral("\r\n"));
    QCOMPARE(ini.size(), 8);  // seven lines, each ended by CR LF
    QCOMPARE(ini[0], QStringLiteral(" 5 "));
    QCOMPARE(ini[1], QStringLiteral(" 0 "));
    QCOMPARE(ini[6], store::format_number_field(static_cast<float>(form.Grid1->height() * 15)));
    QCOMPARE(ini[5], store::format_number_field(static_cast<float>(form.outer_width_twips())));
  }

  void a_failed_shut_down_asks_and_can_stay() {
    Fixture f;
    f.write_standard_files();
    Main_form& form = f.load();
    // A directory where flower.dat should be: it cannot be replaced.
    const QString dat = f.dir_path + QStringLiteral("flower.dat");
    QVERIFY(QFile::remove(dat));
    QVERIFY(QDir().mkdir(dat));
    f.messages.answers = {false};
    QVERIFY(!form.shut_down());
    QCOMPARE(f.messages.log.size(), 1);
    QVERIFY(f.messages.log[0].question);
    QVERIFY(f.messages.log[0].text.contains(dat));
    f.messages.answers = {true};
    QVERIFY(form.shut_down());
  }

  void damaged_settings_take_the_defaults() {
    Fixture f;
    f.write_standard_files();
    QVERIFY(write_bytes(f.dir_path + QStringLiteral("flower.ini"), " 3 \r\n 0 \r\nabc\r\n"));
    Main_form& form = f.load();
    QVERIFY(f.loaded);
    // The memo numbers in flower.dat still raise the highest number.
    QCOMPARE(f.state->settings.highest_memo_no, 5);
    QVERIFY(f.state->settings.window_height > 0);
    QCOMPARE(form.Grid1->height(), 2295 / 15);
  }

  void stored_geometry_is_restored() {
    Fixture f;
    f.write_standard_files();
    QVERIFY(write_bytes(f.dir_path + QStringLiteral("flower.ini"),
                        " 5 \r\n 0 \r\n 1500 \r\n 3000 \r\n 8190 \r\n 11550 \r\n 3000 \r\n"));
    Main_form& form = f.load();
    QCOMPARE(form.outer_width_twips(), 11550.0);
    QCOMPARE(form.outer_height_twips(), 8190.0);
    QCOMPARE(form.Grid1->height(), 200);
    QCOMPARE(form.pos(), QPoint(200, 100));
  }
};

QTEST_MAIN(TestMainForm)
#include "test_main_form.moc"
