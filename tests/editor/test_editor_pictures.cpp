// The memo editor's picture list (moving, deleting, adding through the
// picker, changing a title), its layout for the window's size and its hints.

#include <QLabel>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTreeWidget>

#include "editor/editor_layout.h"
#include "editor/f_title.h"
#include "editor_fixture.h"
#include "picture_picker/f_picture.h"
#include "store/files/codec.h"
#include "user_input.h"

Q_DECLARE_METATYPE(editor::Box)

using namespace editor_testing;

namespace {

const QString kAppTitle = QStringLiteral("【Verdalis】Ver.3.0");

// Mouse clicks on titles and the picture-list buttons, as a test script:
// "s2" clicks title 2 (0-based), "d" 画像削除, "down" ↓一つ下, "up"
// ↑一つ上; "tab" moves the focus into the list from 画像削除 (Shift+Tab).
void run_script(F_kinyu& dlg, const QStringList& steps) {
  if (!dlg.isVisible()) user_input::show_active(&dlg);
  for (const QString& step : steps) {
    if (step.startsWith(QLatin1Char('s'))) user_input::click_item(dlg.List1, step.mid(1).toInt());
    if (step == QStringLiteral("d")) user_input::click(dlg.Command4);
    if (step == QStringLiteral("down")) user_input::click(dlg.Command6);
    if (step == QStringLiteral("up")) user_input::click(dlg.Command7);
    if (step == QStringLiteral("tab")) {
      dlg.Command4->setFocus(Qt::TabFocusReason);
      user_input::key(Qt::Key_Backtab, Qt::ShiftModifier);
      QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("List1"));
    }
  }
}

QStringList entry_titles(const store::AppState& state) {
  QStringList out;
  for (const store::ImageEntry& e : state.current_images) out << e.title;
  return out;
}

void send_mouse_move(QWidget* w) {
  const QPointF at(2, 2);
  QMouseEvent move(QEvent::MouseMove, at, w->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &move);
}

}  // namespace

class TestEditorPictures : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void moving_and_deleting_data() {
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QList<bool>>("answers");
    QTest::addColumn<QStringList>("after");     // titles afterwards
    QTest::addColumn<int>("selected");          // List1's row afterwards
    QTest::addColumn<int>("shown");             // fixture picture shown, -1 none
    QTest::addColumn<QString>("message");       // the last message, "" none
    const QString a = QStringLiteral("全景"), b = QStringLiteral("葉"), c = QStringLiteral("花");
    QTest::newRow("second moved up") << QStringList{"s1", "up"} << QList<bool>{} << QStringList{b, a, c} << 0 << 1
                                     << QString();
    QTest::newRow("first moved down") << QStringList{"s0", "down"} << QList<bool>{} << QStringList{b, a, c} << 1
                                      << 0 << QString();
    QTest::newRow("twice down to the end") << QStringList{"s0", "down", "down"} << QList<bool>{}
                                           << QStringList{b, c, a} << 2 << 0 << QString();
    QTest::newRow("last moved down") << QStringList{"s2", "down"} << QList<bool>{} << QStringList{a, b, c} << 2 << 2
                                     << QStringLiteral("これより下には移動できません");
    QTest::newRow("first moved up") << QStringList{"s0", "up"} << QList<bool>{} << QStringList{a, b, c} << 0 << 0
                                    << QStringLiteral("これより上には移動できません");
    QTest::newRow("down, nothing chosen") << QStringList{"down"} << QList<bool>{} << QStringList{a, b, c} << -1
                                          << 0 << QStringLiteral("下に移動する画像を選んでください");
    QTest::newRow("up, nothing chosen") << QStringList{"up"} << QList<bool>{} << QStringList{a, b, c} << -1 << 0
                                        << QStringLiteral("上に移動する画像を選んでください");
    QTest::newRow("shown third deleted") << QStringList{"s2", "d"} << QList<bool>{true} << QStringList{a, b} << -1
                                         << 0 << QStringLiteral("『花』を削除してもいいですか？");
    QTest::newRow("first deleted") << QStringList{"s0", "d"} << QList<bool>{true} << QStringList{b, c} << -1 << 1
                                   << QStringLiteral("『全景』を削除してもいいですか？");
    QTest::newRow("deletion answered No") << QStringList{"s1", "d"} << QList<bool>{false} << QStringList{a, b, c}
                                          << 1 << 1 << QStringLiteral("『葉』を削除してもいいですか？");
    QTest::newRow("deletion, nothing chosen") << QStringList{"d"} << QList<bool>{true} << QStringList{a, b, c} << -1
                                              << 0 << QString();
    QTest::newRow("deletion after the focus alone") << QStringList{"tab", "d"} << QList<bool>{true}
                                                    << QStringList{a, b, c} << -1 << 0 << QString();
    QTest::newRow("move after the focus alone") << QStringList{"tab", "up"} << QList<bool>{} << QStringList{a, b, c}
                                                << -1 << 0 << QStringLiteral("上に移動する画像を選んでください");
    QTest::newRow("selected title clicked again, then deleted")
        << QStringList{"s1", "s1", "d"} << QList<bool>{true} << QStringList{a, c} << -1 << 0
        << QStringLiteral("『葉』を削除してもいいですか？");
    QTest::newRow("all three deleted") << QStringList{"s0", "d", "s0", "d", "s0", "d"}
                                       << QList<bool>{true, true, true} << QStringList{} << -1 << -1
                                       << QStringLiteral("『花』を削除してもいいですか？");
  }

  void moving_and_deleting() {
    QFETCH(QStringList, steps);
    QFETCH(QList<bool>, answers);
    QFETCH(QStringList, after);
    QFETCH(int, selected);
    QFETCH(int, shown);
    QFETCH(QString, message);
    Fixture f;
    F_kinyu& dlg = f.open_editor(2);
    f.messages.answers = answers;
    run_script(dlg, steps);

    QCOMPARE(titles(dlg.List1), after);
    QCOMPARE(entry_titles(*f.state), after);
    QCOMPARE(f.state->current_image_count(), int(after.size()));
    QCOMPARE(dlg.List1->selected_row(), selected);
    QCOMPARE(dlg.List1->selectedItems().size(), selected < 0 ? 0 : 1);
    // The picture on show and its path.
    if (shown < 0) {
      QVERIFY(dlg.Image1->pixmap().isNull());
      QCOMPARE(dlg.Label4->text(), QString());
    } else {
      QCOMPARE(dlg.Image1->pixmap().size(), QSize(30 * (shown + 1), 20));
      QCOMPARE(dlg.Label4->text(), f.pictures[shown]);
    }
    if (message.isEmpty()) {
      QVERIFY(f.messages.log.isEmpty());
    } else {
      const RecordedMessage& last = f.messages.log.last();
      QCOMPARE(last.text, message);
      // The deletion question is untitled and offers No; the move
      // messages carry the application's title.
      QCOMPARE(last.title, last.question ? QStringLiteral("Verdalis") : kAppTitle);
      if (last.question) QVERIFY(!f.messages.last_default_yes);
    }
  }

  void deleting_a_missing_picture_still_shows_the_first() {
    Fixture f;
    F_kinyu& dlg = f.open_editor(2);
    QVERIFY(QFile::remove(f.pictures[0]));
    f.messages.log.clear();
    // The focus alone shows nothing, so it reports nothing.
    run_script(dlg, {"tab"});
    QVERIFY(f.messages.log.isEmpty());
    f.messages.answers = {true};
    run_script(dlg, {"s2", "d"});
    QCOMPARE(titles(dlg.List1), (QStringList{QStringLiteral("全景"), QStringLiteral("葉")}));
    QCOMPARE(f.messages.log.last().text, f.pictures[0] + QStringLiteral("がありません。"));
    QVERIFY(dlg.Image1->pixmap().isNull());
    QCOMPARE(dlg.Label4->text(), f.pictures[0]);
  }

  void a_saved_memo_keeps_the_new_order() {
    Fixture f;
    F_kinyu& dlg = f.open_editor(2);
    run_script(dlg, {"s1", "up", "s2", "up"});
    user_input::click(dlg.Command1);
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(read_bytes(f.dir_path + QStringLiteral("memo/g0000004.txt")),
             cp932_lines({f.pictures[1], QStringLiteral("葉"), f.pictures[2], QStringLiteral("花"), f.pictures[0],
                          QStringLiteral("全景")}));
  }

  // "画像追加" opens the picker over the editor; two registrations append
  // slots 4 and 5, the editor shows nothing new, and a save writes them.
  void pictures_added_through_the_picker() {
    Fixture f;
    QDir(f.dir_path).mkdir(QStringLiteral("photos"));
    const QString photos = f.dir_path + QStringLiteral("photos");
    QImage photo(40, 30, QImage::Format_RGB32);
    photo.fill(Qt::yellow);
    QVERIFY(photo.save(photos + QStringLiteral("/rose.jpg"), "JPG"));
    QVERIFY(photo.save(photos + QStringLiteral("/lily.JPG"), "JPG"));
    f.state->picker_saved_dir = photos + QLatin1Char('/');
    F_kinyu& dlg = f.open_editor(2);
    int opened = 0;
    dlg.run_modal = [&](QDialog& d) {
      auto* picker = qobject_cast<F_picture*>(&d);
      if (!picker) return int(QDialog::Rejected);
      ++opened;
      [&] {
        QCOMPARE(picker->pos(), dlg.pos());
        QCOMPARE(picker->dir_path(), photos);
        user_input::show_active(picker);
        for (const QString& name : {QStringLiteral("rose.jpg"), QStringLiteral("lily.JPG")}) {
          const auto found = picker->File1->findItems(name, Qt::MatchExactly);
          QCOMPARE(found.size(), 1);
          user_input::click_item(picker->File1, picker->File1->row(found.first()));
          QCOMPARE(picker->Text1->text(), name);
          if (name.startsWith(QLatin1Char('r'))) {
            picker->Text1->clear();
            user_input::type_into(picker->Text1, QStringLiteral("バラ"));
          }
          user_input::click(picker->Command2);
        }
      }();
      user_input::click(picker->Command1);
      return picker->result();
    };
    user_input::show_active(&dlg);
    user_input::click(dlg.Command5);
    QCOMPARE(opened, 1);
    const QStringList expected{QStringLiteral("全景"), QStringLiteral("葉"), QStringLiteral("花"),
                               QStringLiteral("バラ"), QStringLiteral("lily.JPG")};
    QCOMPARE(titles(dlg.List1), expected);
    QCOMPARE(entry_titles(*f.state), expected);
    QCOMPARE(f.state->current_images[3].path, photos + QStringLiteral("/rose.jpg"));
    QCOMPARE(f.state->current_images[4].path, photos + QStringLiteral("/lily.JPG"));
    // The new pictures show only when their titles are clicked.
    QCOMPARE(dlg.Label4->text(), f.pictures[0]);
    user_input::click_item(dlg.List1, 3);
    QCOMPARE(dlg.Image1->pixmap().size(), QSize(40, 30));
    QCOMPARE(dlg.Label4->text(), photos + QStringLiteral("/rose.jpg"));

    user_input::click(dlg.Command1);
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(read_bytes(f.dir_path + QStringLiteral("memo/g0000004.txt")),
             cp932_lines({f.pictures[0], QStringLiteral("全景"), f.pictures[1], QStringLiteral("葉"), f.pictures[2],
                          QStringLiteral("花"), photos + QStringLiteral("/rose.jpg"), QStringLiteral("バラ"),
                          photos + QStringLiteral("/lily.JPG"), QStringLiteral("lily.JPG")}));
  }

  void changing_a_title_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("confirmed");  // 変更 (else 中止)
    QTest::addColumn<QString>("title");   // the title afterwards
    QTest::addColumn<QString>("message");
    const QString old = QStringLiteral("葉");
    QTest::newRow("new title") << QStringLiteral("本葉") << true << QStringLiteral("本葉") << QString();
    QTest::newRow("blank title") << QStringLiteral(" ") << true << QStringLiteral(" ") << QString();
    QTest::newRow("pasted line break") << QStringLiteral("本\n葉") << true << QStringLiteral("本 葉") << QString();
    QTest::newRow("empty title refused") << QString() << true << old
                                         << QStringLiteral("画像のタイトルを入力してください。");
    QTest::newRow("cancelled") << QStringLiteral("本葉") << false << old << QString();
  }

  void changing_a_title() {
    QFETCH(QString, typed);
    QFETCH(bool, confirmed);
    QFETCH(QString, title);
    QFETCH(QString, message);
    Fixture f;
    F_kinyu& dlg = f.open_editor(2);
    user_input::show_active(&dlg);
    QString offered;
    dlg.run_modal = [&](QDialog& d) {
      auto* edit = qobject_cast<F_title*>(&d);
      if (!edit) return int(QDialog::Rejected);
      offered = edit->Text1->text();
      edit->Text1->setText(typed);
      if (confirmed) edit->Command2_Click();
      // A refused title leaves the dialog open; the user then cancels.
      if (!confirmed || edit->result() != QDialog::Accepted) edit->Command1_Click();
      return edit->result();
    };
    user_input::double_click_item(dlg.List1, 1);
    QCOMPARE(offered, QStringLiteral("葉"));
    QCOMPARE(dlg.List1->item(1)->text(), title);
    QCOMPARE(f.state->current_images[1].title, title);
    QCOMPARE(f.state->current_images[1].path, f.pictures[1]);
    QCOMPARE(f.messages.log.isEmpty() ? QString() : f.messages.log.last().text, message);
    if (!message.isEmpty()) QCOMPARE(f.messages.log.last().title, QStringLiteral("Verdalis"));
  }

  void line_breaks_never_split_a_record() {
    Fixture f;
    F_kinyu& dlg = f.open_editor();
    f.fill(QStringLiteral("花壇"), QStringLiteral("トマト"), QStringLiteral("水\nやり"), QString());
    dlg.Text1->setText(QStringLiteral("2026/05/20\r\n"));
    dlg.Command1_Click();
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    const QStringList index = store::split_lines(store::decode_cp932(read_bytes(f.state->flower_dat_path())));
    QCOMPARE(index.size(), 4 * 7);
    QVERIFY(index.contains(QStringLiteral("水 やり")));
    QVERIFY(index.contains(QStringLiteral("2026/05/20  ")));
  }

  // The layout rules, in twips, for the design size, a wider window and a
  // window smaller than the least size.
  void layout_for_the_window_size_data() {
    QTest::addColumn<float>("width");
    QTest::addColumn<float>("height");
    QTest::addColumn<QString>("control");
    QTest::addColumn<editor::Box>("box");
    struct Row {
      const char* control;
      editor::Box design, wider;
    };
    // At 9450 × 6975, and at 10250 × 6975 (800 wider).
    const Row rows[] = {
        {"Label1", {0, 60, 390, 195}, {0, 60, 390, 195}},
        {"Combo1", {540, 0, 3375, 345}, {540, 0, 4175, 345}},
        {"Label3", {4140, 60, 390, 195}, {4940, 60, 390, 195}},
        {"Combo2", {4620, 0, 4635, 345}, {5420, 0, 4635, 345}},
        {"Label6", {60, 480, 480, 225}, {60, 480, 480, 225}},
        {"Text2", {540, 420, 5715, 390}, {540, 420, 6515, 390}},
        {"Label2", {6300, 480, 915, 225}, {7100, 480, 915, 225}},
        {"Text1", {7260, 420, 1335, 375}, {8060, 420, 1335, 375}},
        {"Command3", {8580, 420, 675, 375}, {9380, 420, 675, 375}},
        {"Label5", {60, 840, 4095, 195}, {60, 840, 4095, 195}},
        {"Text3", {60, 1080, 4995, 5415}, {60, 1080, 5395, 5415}},
        {"List1", {5100, 1080, 4215, 1410}, {5500, 1080, 4615, 1410}},
        {"Command6", {5100, 2520, 975, 375}, {5500, 2520, 1075, 375}},
        {"Command7", {6180, 2520, 975, 375}, {6680, 2520, 1075, 375}},
        {"Command4", {7260, 2520, 975, 375}, {7860, 2520, 1075, 375}},
        {"Command5", {8340, 2520, 975, 375}, {9040, 2520, 1075, 375}},
        {"Image1", {5100, 2940, 4215, 3015}, {5500, 2940, 4615, 3015}},
        {"Label4", {5160, 5700, 645, 180}, {5560, 5700, 645, 180}},
        {"Command2", {5100, 6060, 2055, 435}, {5500, 6060, 2255, 435}},
        {"Command1", {7260, 6060, 2055, 435}, {7860, 6060, 2255, 435}},
    };
    for (const Row& r : rows) {
      QTest::addRow("design %s", r.control) << 9450.0F << 6975.0F << r.control << r.design;
      QTest::addRow("800 wider %s", r.control) << 10250.0F << 6975.0F << r.control << r.wider;
    }
    // Below the least size the window is laid out at 9450 × 6475.
    QTest::newRow("too small Text3") << 9000.0F << 6000.0F << "Text3" << editor::Box{60, 1080, 4995, 4915};
    QTest::newRow("too small Image1") << 9000.0F << 6000.0F << "Image1" << editor::Box{5100, 2940, 4215, 2515};
    QTest::newRow("too small Label4") << 9000.0F << 6000.0F << "Label4" << editor::Box{5160, 5200, 645, 180};
    QTest::newRow("too small Command1") << 9000.0F << 6000.0F << "Command1" << editor::Box{7260, 5560, 2055, 435};
    QTest::newRow("lower Command2") << 9450.0F << 6575.0F << "Command2" << editor::Box{5100, 5660, 2055, 435};
    QTest::newRow("taller Text3") << 9450.0F << 7975.0F << "Text3" << editor::Box{60, 1080, 4995, 6415};
  }

  void layout_for_the_window_size() {
    QFETCH(float, width);
    QFETCH(float, height);
    QFETCH(QString, control);
    QFETCH(editor::Box, box);
    const editor::EditorLayout l = editor::editor_layout(width, height);
    const std::map<QString, editor::Box> boxes{
        {"Label1", l.Label1},     {"Combo1", l.Combo1},     {"Label3", l.Label3},     {"Combo2", l.Combo2},
        {"Label6", l.Label6},     {"Text2", l.Text2},       {"Label2", l.Label2},     {"Text1", l.Text1},
        {"Command3", l.Command3}, {"Label5", l.Label5},     {"Text3", l.Text3},       {"List1", l.List1},
        {"Command6", l.Command6}, {"Command7", l.Command7}, {"Command4", l.Command4}, {"Command5", l.Command5},
        {"Image1", l.Image1},     {"Label4", l.Label4},     {"Command2", l.Command2}, {"Command1", l.Command1}};
    const editor::Box got = boxes.at(control);
    QCOMPARE(got.left, box.left);
    QCOMPARE(got.top, box.top);
    QCOMPARE(got.width, box.width);
    QCOMPARE(got.height, box.height);
    QCOMPARE(l.width, std::max(width, 9450.0F));
    QCOMPARE(l.height, std::max(height, 6475.0F));
  }

  // The window itself: it cannot be made smaller than the least size, its
  // controls follow its size, and a picture on show is fitted again.
  void resizing_the_window() {
    Fixture f;
    const QString large = f.picture(QStringLiteral("large.png"), 900, 600);
    const QString small = f.picture(QStringLiteral("small.png"), 90, 60);
    F_kinyu& dlg = f.open_editor();
    f.state->current_images = {{large, QStringLiteral("大")}, {small, QStringLiteral("小")}};
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));

    dlg.resize(100, 100);
    QCOMPARE(dlg.size(), QSize(622, 405));  // 9450 × 6480 outer
    QCOMPARE(dlg.Text3->geometry(), QRect(4, 72, 333, 328));
    QCOMPARE(dlg.Command1->geometry().top(), 371);

    // The large picture is shrunk to the area, keeping its shape, and is
    // fitted again (larger) when the window grows.
    // At the least size the area is 4215 × 2520 twips (281 × 168 px).
    dlg.show_editor_picture(1);
    QCOMPARE(dlg.Image1->pixmap().size(), QSize(252, 168));
    dlg.resize(dlg.width() + 800 / 15, 600);
    QCOMPARE(dlg.Image1->pos(), QPoint(367, 196));
    QCOMPARE(dlg.Image1->pixmap().size(), QSize(308, 205));
    QCOMPARE(dlg.Image1->size(), dlg.Image1->pixmap().size());
    QCOMPARE(dlg.Command6->geometry(), QRect(367, 168, 72, 25));

    // A picture smaller than the area keeps its own size.
    dlg.show_editor_picture(2);
    dlg.resize(900, 700);
    QCOMPARE(dlg.Image1->pixmap().size(), QSize(90, 60));
    dlg.resize(622, 405);
    QCOMPARE(dlg.Image1->pixmap().size(), QSize(90, 60));

    // With its file gone, the next resize leaves the picture box empty.
    QVERIFY(QFile::remove(small));
    dlg.resize(700, 500);
    QVERIFY(dlg.Image1->pixmap().isNull());
    QVERIFY(f.messages.log.isEmpty());
  }

  void hints_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("hint");
    QTest::newRow("window") << "F_kinyu" << "メモの登録・訂正の画面です。";
    QTest::newRow("登録") << "Command1" << "現在の内容でメモを登録します。";
    QTest::newRow("中止") << "Command2" << "メモの登録・訂正を中止してメイン画面に戻ります。";
    QTest::newRow("今日") << "Command3" << "今日の日付を記入します。";
    QTest::newRow("画像削除") << "Command4" << "リストでタイトルを指定した画像を削除します。";
    QTest::newRow("画像追加") << "Command5" << "新しい画像を追加します。";
    QTest::newRow("↓一つ下") << "Command6" << "選択した画像を、一つ下に移動します。";
    QTest::newRow("↑一つ上") << "Command7" << "選択した画像を、一つ上に移動します。";
    QTest::newRow("picture") << "Image1" << "画像を表示するエリアです。";
    QTest::newRow("場所") << "Label1" << "場所を選択または入力して下さい。";
    QTest::newRow("品種") << "Label3" << "品種を選択または入力して下さい。";
    QTest::newRow("年/月/日") << "Label2" << "デフォルトでは、メモの登録日となります。";
    QTest::newRow("date") << "Text1" << "デフォルトでは、メモの登録日となります。";
    QTest::newRow("title") << "Text2" << "登録するメモのタイトルを入力して下さい。";
    QTest::newRow("body") << "Text3" << "作業内容や観察の記録などを記入するスペースです。";
    QTest::newRow("picture list") << "List1" << "クリックで画像表示。ダブルクリックで画像タイトル変更。";
    // These have no hint: the previous text stays.
    for (const char* none : {"Combo1", "Combo2", "Label4", "Label5", "Label6"}) {
      QTest::addRow("no hint over %s", none) << none << "前のヒント";
    }
  }

  void hints() {
    QFETCH(QString, control);
    QFETCH(QString, hint);
    Fixture f;
    F_kinyu& dlg = f.open_editor(2);  // with a picture and its path shown
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    f.form->Text1->setText(QStringLiteral("前のヒント"));
    QWidget* target = control == dlg.objectName() ? static_cast<QWidget*>(&dlg) : dlg.findChild<QWidget*>(control);
    QVERIFY(target);
    if (auto* area = qobject_cast<QAbstractScrollArea*>(target)) target = area->viewport();
    if (target == &dlg) {
      // A bare spot of the window, below "登録".
      const QPointF at(dlg.width() - 2, dlg.height() - 2);
      QVERIFY(!dlg.childAt(at.toPoint()));
      QMouseEvent move(QEvent::MouseMove, at, dlg.mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
      QCoreApplication::sendEvent(&dlg, &move);
    } else {
      send_mouse_move(target);
    }
    QCOMPARE(f.form->Text1->text(), hint);
  }

  void combo_boxes_give_their_hint_with_the_focus_data() {
    QTest::addColumn<QString>("combo");
    QTest::addColumn<QString>("hint");
    QTest::newRow("location") << "Combo1" << "場所を選択または入力して下さい。";
    QTest::newRow("variety") << "Combo2" << "品種を選択または入力して下さい。";
  }

  void combo_boxes_give_their_hint_with_the_focus() {
    QFETCH(QString, combo);
    QFETCH(QString, hint);
    Fixture f;
    F_kinyu& dlg = f.open_editor();
    dlg.show();
    QApplication::setActiveWindow(&dlg);
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    dlg.Text3->setFocus();
    f.form->Text1->setText(QStringLiteral("前のヒント"));
    dlg.findChild<QWidget*>(combo)->setFocus();
    QCOMPARE(f.form->Text1->text(), hint);
  }
};

QTEST_MAIN(TestEditorPictures)
#include "test_editor_pictures.moc"
