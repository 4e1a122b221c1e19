// The full-text search: what one memo matches, and the search window
// listing its hits in the main window.

#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSet>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>

#include "data_dir.h"
#include "main_window_fixture.h"
#include "main_window/main_form.h"
#include "main_window/memo_list_model.h"
#include "search/f_zenbun.h"
#include "user_input.h"
#include "store/diary/memo_files.h"
#include "store/search/full_text_search.h"


namespace {

struct Memo {
  QString location;
  QString title;
  QString no;
  QString body;                          // no body file when empty
  std::vector<store::ImageEntry> images;  // no picture list file when empty
};

// Five memos, in table order; the keyword "Rose" is hidden in different places.
std::vector<Memo> memos() {
  return {
      {QStringLiteral("花壇"), QStringLiteral("rose の剪定"), QStringLiteral(" 5 "), QString(), {}},
      {QStringLiteral("温室"), QStringLiteral("写真"), QStringLiteral(" 4 "), QString(),
       {{QStringLiteral("/p/a.jpg"), QStringLiteral("ROSE 1")}, {QStringLiteral("/p/b.jpg"), QStringLiteral("roses 2")}}},
      {QStringLiteral("花壇"), QStringLiteral("パス"), QStringLiteral(" 3 "), QString(),
       {{QStringLiteral("/photos/rose.jpg"), QStringLiteral("花")}}},
      {QStringLiteral("裏庭"), QStringLiteral("本文"), QStringLiteral(" 2 "), QStringLiteral("一行目\r\n白いRosEが咲いた"), {}},
      {QStringLiteral("花壇"), QStringLiteral("無関係"), QStringLiteral(" 1 "), QStringLiteral("土づくり"), {}},
  };
}

struct Fixture : testing_support::MainWindowFixture {
  Fixture() {
    QStringList lines;
    for (const Memo& m : memos()) {
      lines << QStringLiteral("2026/06/01") << m.location << QStringLiteral("バラ") << m.title << m.no
            << QStringLiteral("2026/06/01 10:00:00") << QStringLiteral("2026/06/01 10:00:00");
    }
    write_index(lines);
    for (const Memo& m : memos()) {
      if (!m.body.isEmpty()) store::save_memo_body(dir_path, m.no, m.body);
      if (!m.images.empty()) store::save_image_list(dir_path, m.no, m.images);
    }
  }
};

// Memos that write the rose as people do, for the folded comparison.
struct KanaFixture : testing_support::MainWindowFixture {
  KanaFixture() {
    const QString t = QStringLiteral("2026/06/01 10:00:00");
    write_index({"2026/06/03", "花壇", "バラ", "薔薇の剪定", " 3 ", t, t,    //
                 "2026/06/02", "温室", "バラ", "ﾊﾞﾗ園", " 2 ", t, t,        //
                 "2026/06/01", "花壇", "バラ", "ぱらぱら", " 1 ", t, t});
    store::save_memo_body(dir_path, QStringLiteral(" 3 "), QStringLiteral("赤いバラ\r\n白いﾊﾞﾗと\r\nばら"));
  }
};

// Found for "芽": 春の庭 by its body, 写真 by a picture title only, 芽かき by
// its title and body; 水やり, listed between them, is not.
struct WalkFixture : testing_support::MainWindowFixture {
  WalkFixture() {
    const QString t = QStringLiteral("2026/06/01 10:00:00");
    write_index({"2026/06/04", "花壇", "バラ", "春の庭", " 4 ", t, t, "2026/06/03", "花壇", "バラ", "水やり", " 3 ", t, t,
                 "2026/06/02", "温室", "バラ", "写真", " 2 ", t, t, "2026/06/01", "温室", "バラ", "芽かき", " 1 ", t, t});
    for (const auto& [no, body] : {std::pair{" 4 ", "芽が出た。\r\n新しい芽"}, {" 3 ", "たっぷり"}, {" 1 ", "芽を摘む\r\n脇芽も"}}) {
      store::save_memo_body(dir_path, QString::fromUtf8(no), QString::fromUtf8(body));
    }
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    picture.save(dir_path + QStringLiteral("a.png"));
    store::save_image_list(dir_path, QStringLiteral(" 2 "), {{dir_path + "a.png", "芽の写真"}, {dir_path + "a.png", "花"}});
  }

  Main_form& search() {
    load();
    {
      F_zenbun window(*state, *form);
      user_input::show_active(&window);
      user_input::type_into(window.Text1, QStringLiteral("芽"));
      user_input::click(window.Command1);
    }
    user_input::show_active(form.get());
    return *form;
  }
};

}  // namespace

class TestFullTextSearch : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void one_memo_data() {
    QTest::addColumn<int>("memo");
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<bool>("found");
    QTest::addColumn<bool>("images_read");
    QTest::newRow("capital letters find a title") << 0 << QStringLiteral("ROSE") << true << false;
    QTest::newRow("two picture titles") << 1 << QStringLiteral("rose") << true << true;
    QTest::newRow("a picture path is not searched") << 2 << QStringLiteral("rose") << false << true;
    QTest::newRow("the body") << 3 << QStringLiteral("rose") << true << false;
    QTest::newRow("Japanese in the body") << 3 << QStringLiteral("咲いた") << true << false;
    QTest::newRow("nowhere") << 4 << QStringLiteral("rose") << false << false;
    QTest::newRow("an empty keyword") << 3 << QString() << false << false;
  }

  void one_memo() {
    QFETCH(int, memo);
    QFETCH(QString, keyword);
    QFETCH(bool, found);
    QFETCH(bool, images_read);
    Fixture f;
    const Memo m = memos()[static_cast<size_t>(memo)];
    const store::MemoRecord record{QStringLiteral("2026/06/01"), m.location, QStringLiteral("バラ"), m.title, m.no,
                                   QString(), QString()};
    const store::MemoSearch result = store::search_memo(f.dir_path, record, keyword);
    QCOMPARE(result.found, found);
    QCOMPARE(result.images_read, images_read);
    if (images_read) QCOMPARE(result.images.size(), m.images.size());
  }

  void the_window_replaces_a_filtered_list() {
    Fixture f;
    Main_form& form = f.load();
    QVERIFY(f.loaded);
    store::AppState& state = *f.state;
    form.Combo1->setEditText(QStringLiteral("花壇"));
    form.Combo1_Click();
    QCOMPARE(state.listed_count, 3);

    F_zenbun search(state, form);
    QCOMPARE(search.windowTitle(), QStringLiteral("全文検索（すべてのメモ）"));
    QCOMPARE(form.Text1->text(), QStringLiteral("すべてのメモを対象に全文検索中です。"));
    user_input::show_active(&search);
    user_input::type_into(search.Text1, QStringLiteral("Rose"));
    user_input::click(search.Command1);
    QCOMPARE(f.titles(),
             (QStringList{QStringLiteral("rose の剪定"), QStringLiteral("写真"), QStringLiteral("本文")}));
    QCOMPARE(state.listed_count, 3);
    QCOMPARE(form.Combo1->currentText(), QString());
    QCOMPARE(form.Combo2->currentText(), QString());
    QCOMPARE(search.windowTitle(), QStringLiteral("全文検索（すべてのメモ）"));
    QCOMPARE(form.windowTitle(), QStringLiteral("【Verdalis】Ver.3.0 (5件)"));
    // The picture list last read stays in the shared list.
    QCOMPARE(state.current_images.size(), size_t(1));
    QCOMPARE(state.current_images[0].path, QStringLiteral("/photos/rose.jpg"));

    user_input::retype(search.Text1, QStringLiteral("見つからない語"));
    user_input::click(search.Command1);
    QCOMPARE(state.listed_count, 0);
    QCOMPARE(form.list_model()->rowCount(), 1);  // only the blank row
  }

  void closing_stops_a_running_search() {
    Fixture f;
    Main_form& form = f.load();
    QVERIFY(f.loaded);
    store::AppState& state = *f.state;
    F_zenbun search(state, form);
    search.yield_interval_ms = 0;  // back to the event loop after every memo
    user_input::show_active(&search);
    user_input::type_into(search.Text1, QStringLiteral("rose"));
    // Closes as soon as the first memo is listed: the workers may not have
    // finished it by the first turn of the event loop.
    QStringList captions;
    QTimer closer;
    closer.setInterval(0);
    QObject::connect(&closer, &QTimer::timeout, &search, [&] {
      if (f.titles().isEmpty()) return;
      closer.stop();
      captions << search.windowTitle();
      user_input::click(search.Command2);
    });
    closer.start();
    user_input::click(search.Command1);
    QCOMPARE(captions, QStringList{QStringLiteral("5 ﾌｧｲﾙ中 1 ﾌｧｲﾙ目を検索中")});
    QCOMPARE(f.titles(), QStringList{QStringLiteral("rose の剪定")});
    QVERIFY(!search.searching());
  }

  void kana_and_width_folded_when_chosen_data() {
    QTest::addColumn<bool>("folded");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("marks");  // in the first memo's body
    QTest::newRow("as typed, letter case aside") << false << QStringList{"薔薇の剪定"} << "全文検索（すべてのメモ）" << 1;
    QTest::newRow("kana and widths folded")
        << true << QStringList{"薔薇の剪定", "ﾊﾞﾗ園"} << "全文検索（すべてのメモ・かな／全角半角を区別しない）" << 3;
  }

  void kana_and_width_folded_when_chosen() {
    QFETCH(bool, folded);
    QFETCH(QStringList, titles);
    QFETCH(QString, caption);
    QFETCH(int, marks);
    KanaFixture f;
    Main_form& form = f.load();
    QVERIFY(f.loaded);
    if (folded) f.click_tool_item(form.tools().Menu_fold);
    QCOMPARE(f.state->fold_search, folded);
    QCOMPARE(QFile::exists(f.dir_path + QStringLiteral("verdalis.ini")), folded);
    {
      F_zenbun search(*f.state, form);
      QCOMPARE(search.windowTitle(), caption);
      user_input::show_active(&search);
      user_input::type_into(search.Text1, QStringLiteral("ばら"));
      user_input::click(search.Command1);
      QCOMPARE(f.titles(), titles);
    }
    user_input::show_active(&form);
    f.click_row(1);
    const QList<QTextEdit::ExtraSelection> shown = form.Text2->extraSelections();
    QCOMPARE(shown.size(), marks);
    QCOMPARE(form.Text2->textCursor().position(), shown.first().cursor.selectionStart());
    // F3 goes round the hits, Shift+F3 back.
    QTest::keyClick(&form, Qt::Key_F3);
    QCOMPARE(form.Text2->textCursor().position(), shown.at(marks > 1 ? 1 : 0).cursor.selectionStart());
    QTest::keyClick(&form, Qt::Key_F3, Qt::ShiftModifier);
    QCOMPARE(form.Text2->textCursor().position(), shown.first().cursor.selectionStart());
    // Listing every memo again ends the search's result, and its marks.
    user_input::click(form.Command2);
    f.click_row(1);
    QVERIFY(form.Text2->extraSelections().isEmpty());
  }

  // F3 ('>') and Shift+F3 ('<') after a click on a row (0: none).
  void one_key_walks_the_hits_of_every_memo_found_data() {
    QTest::addColumn<int>("clicked");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("row");  // 1-based, of the memos found
    QTest::addColumn<int>("hit");  // in the body; -1: none there
    QTest::newRow("F3 with nothing shown: the first memo") << 0 << ">" << 1 << 0;
    QTest::newRow("past the last hit: the next memo") << 0 << ">>>" << 2 << -1;
    QTest::newRow("a memo hit only in a picture title is one step") << 0 << ">>>>" << 3 << 0;
    QTest::newRow("no memo after: round the memo") << 0 << ">>>>>>" << 3 << 0;
    QTest::newRow("back: the previous memo's last hit") << 0 << ">>>><<" << 1 << 1;
    QTest::newRow("no memo before: round the memo") << 0 << "><" << 1 << 1;
    QTest::newRow("Shift+F3 with nothing shown: the last hit") << 0 << "<" << 3 << 1;
    QTest::newRow("on from a clicked memo") << 2 << ">" << 3 << 0;
    QTest::newRow("back from a clicked memo's first hit") << 3 << "<" << 2 << -1;
  }

  void one_key_walks_the_hits_of_every_memo_found() {
    QFETCH(int, clicked);
    QFETCH(QString, keys);
    QFETCH(int, row);
    QFETCH(int, hit);
    WalkFixture f;
    Main_form& form = f.search();
    QCOMPARE(f.titles(), (QStringList{"春の庭", "写真", "芽かき"}));
    if (clicked > 0) f.click_row(clicked);
    for (const QChar k : keys) QTest::keyClick(form.Grid1, Qt::Key_F3, k == u'<' ? Qt::ShiftModifier : Qt::NoModifier);
    QCOMPARE(form.Grid1->current_grid_row(), row);
    const QList<QTextEdit::ExtraSelection> marks = form.Text2->extraSelections();
    QCOMPARE(marks.isEmpty(), hit < 0);
    if (hit >= 0) QCOMPARE(form.Text2->textCursor().position(), marks.at(hit).cursor.selectionStart());
    // The memo is shown as a click on its row shows it.
    const auto pane = [&] {
      return QStringList{form.Text2->toPlainText(), form.Label3->text(), QString::number(form.List1->count()),
                         QString::number(form.List1->currentRow())};
    };
    const QStringList walked = pane();
    f.click_row(row);
    QCOMPARE(walked, pane());
  }

  // The first picture title is selected as the memo opens: its mark must
  // show on the selection's colour.
  void a_hit_shows_on_the_selected_picture_title() {
    WalkFixture f;
    Main_form& form = f.search();
    f.click_row(2);
    QVERIFY(form.List1->item(0)->isSelected());
    const QImage shown = form.List1->viewport()->grab().toImage();
    const QColor selection = form.List1->palette().color(QPalette::Active, QPalette::Highlight);
    for (const int title : {0, 1}) {
      QSet<QRgb> colours;
      const QRect area = form.List1->visualItemRect(form.List1->item(title)) & shown.rect();
      for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) colours.insert(shown.pixel(x, y));
      }
      QCOMPARE(colours.contains(QColor(255, 236, 139).rgb()), title == 0);  // only 芽の写真 holds 芽
      QCOMPARE(colours.contains(selection.rgb()), title == 0);
    }
  }

  void a_keyword_typed_during_a_search_applies_to_the_memos_after() {
    Fixture f;
    Main_form& form = f.load();
    QVERIFY(f.loaded);
    F_zenbun search(*f.state, form);
    search.yield_interval_ms = 0;
    user_input::show_active(&search);
    user_input::type_into(search.Text1, QStringLiteral("rose"));
    QTimer::singleShot(0, &search, [&] { user_input::retype(search.Text1, QStringLiteral("土")); });
    user_input::click(search.Command1);
    // The first memo was searched for "rose", every later one for "土".
    QCOMPARE(f.titles(), (QStringList{QStringLiteral("rose の剪定"), QStringLiteral("無関係")}));
    QCOMPARE(search.windowTitle(), QStringLiteral("全文検索（すべてのメモ）"));
  }

  void starting_again_during_a_search_starts_over() {
    Fixture f;
    Main_form& form = f.load();
    QVERIFY(f.loaded);
    store::AppState& state = *f.state;
    F_zenbun search(state, form);
    search.yield_interval_ms = 0;
    user_input::show_active(&search);
    user_input::type_into(search.Text1, QStringLiteral("rose"));
    QTimer::singleShot(0, &search, [&] {
      user_input::retype(search.Text1, QStringLiteral("土"));
      user_input::click(search.Command1);
    });
    user_input::click(search.Command1);
    // Only the second search's hit is listed, once.
    QCOMPARE(f.titles(), QStringList{QStringLiteral("無関係")});
    QCOMPARE(search.windowTitle(), QStringLiteral("全文検索（すべてのメモ）"));
  }
};

QTEST_MAIN(TestFullTextSearch)
#include "test_full_text_search.moc"
