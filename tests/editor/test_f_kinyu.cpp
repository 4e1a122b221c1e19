// The memo editor over a real main window and data directory: opening in
// both modes, the picture on show, saving, refusals, cancelling and keys.

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "editor_fixture.h"
#include "user_input.h"

using namespace editor_testing;

namespace {

const QString kToday = QDate::currentDate().toString(QStringLiteral("yyyy/MM/dd"));

}  // namespace

class TestFKinyu : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void opens_for_a_new_memo() {
    Fixture f;
    f.form->move(45, 30);
    f.form->Text1->setText(QStringLiteral("前のヒント"));
    F_kinyu& dlg = f.open_editor();
    QVERIFY(dlg.is_new_memo());
    QCOMPARE(dlg.windowTitle(), QStringLiteral("【Verdalis】Ver.3.0"));
    QCOMPARE(dlg.Text1->text(), kToday);
    QCOMPARE(dlg.Combo1->count(), 2);
    QCOMPARE(dlg.Combo2->itemText(2), QStringLiteral("チューリップ"));
    for (const QString& empty : {dlg.Combo1->currentText(), dlg.Combo2->currentText(), dlg.Text2->text(),
                                 dlg.Text3->toPlainText(), dlg.Label4->text(), f.form->Text1->text()}) {
      QCOMPARE(empty, QString());
    }
    QCOMPARE(dlg.List1->count(), 0);
    QVERIFY(dlg.Image1->pixmap().isNull());
    QVERIFY(f.state->current_images.empty());
    QCOMPARE(dlg.focusWidget(), dlg.Combo1);
    // Over the main window, its bottom 500 twips left uncovered.
    QCOMPARE(dlg.pos(), QPoint(45, 30));
    QCOMPARE(dlg.width(), f.form->width());
    QVERIFY(qAbs(dlg.height() * 15 + 405 - (f.form->outer_height_twips() - 500)) <= 15);
  }

  void opens_for_a_correction_data() {
    QTest::addColumn<bool>("first_missing");
    QTest::newRow("three pictures") << false;
    QTest::newRow("first picture missing") << true;
  }

  void opens_for_a_correction() {
    QFETCH(bool, first_missing);
    Fixture f;
    if (first_missing) QVERIFY(QFile::remove(f.pictures[0]));
    F_kinyu& dlg = f.open_editor(2);
    QCOMPARE(dlg.edit_slot(), 2);
    QCOMPARE(dlg.Text1->text(), QStringLiteral("2026/05/20"));
    QCOMPARE(dlg.Combo1->currentText(), QStringLiteral("温室"));
    QCOMPARE(dlg.Combo2->currentText(), QStringLiteral("トマト"));
    QCOMPARE(dlg.Combo2->count(), 3);
    QCOMPARE(dlg.Text2->text(), QStringLiteral("芽が出た"));
    QCOMPARE(dlg.Text3->toPlainText(), QStringLiteral("一行目\n二行目"));
    QCOMPARE(titles(dlg.List1), (QStringList{QStringLiteral("全景"), QStringLiteral("葉"), QStringLiteral("花")}));
    QCOMPARE(dlg.List1->currentRow(), -1);
    QVERIFY(dlg.List1->selectedItems().isEmpty());
    QCOMPARE(dlg.Label4->text(), f.pictures[0]);
    QCOMPARE(dlg.Image1->pixmap().isNull(), first_missing);
    QCOMPARE(f.messages.log.size(), first_missing ? 1 : 0);
    if (first_missing) {
      QCOMPARE(f.messages.log[0].text, f.pictures[0] + QStringLiteral("がありません。"));
      QCOMPARE(f.messages.log[0].title, QStringLiteral("Verdalis"));
    } else {
      QCOMPARE(dlg.Image1->size(), QSize(30, 20));
      QCOMPARE(f.state->current_image_path, f.pictures[0]);
    }
    // "今日" replaces the date and moves on to the title.
    dlg.Command3_Click();
    QCOMPARE(dlg.Text1->text(), kToday);
    QCOMPARE(dlg.focusWidget(), dlg.Text2);
  }

  void pictures_fit_the_picture_area_data() {
    // Picture sizes and the expected shown sizes as fractions of the area.
    QTest::addColumn<double>("own_w");
    QTest::addColumn<double>("own_h");
    QTest::addColumn<double>("shown_w");
    QTest::addColumn<double>("shown_h");
    QTest::newRow("smaller than the area") << 0.5 << 0.5 << 0.5 << 0.5;
    QTest::newRow("exactly the area") << 1.0 << 1.0 << 1.0 << 1.0;
    QTest::newRow("twice as wide, half as high") << 2.0 << 0.5 << 1.0 << 0.25;
    QTest::newRow("three times as high") << 0.5 << 3.0 << 1.0 / 6 << 1.0;
  }

  void pictures_fit_the_picture_area() {
    QFETCH(double, own_w);
    QFETCH(double, own_h);
    QFETCH(double, shown_w);
    QFETCH(double, shown_h);
    Fixture f;
    F_kinyu& dlg = f.open_editor();
    // At the main window's design size the editor is 9450 twips wide, so
    // the area is 4215 twips (281 px) wide; its height follows the editor's.
    QCOMPARE(dlg.width() * 15 + 120, 9450);
    const double area_w = 281;
    const double area_h = (dlg.height() * 15 + 405 - 6975 + 3015) / 15.0;
    const QString path = f.picture(QStringLiteral("pic.png"), qRound(area_w * own_w), qRound(area_h * own_h));
    f.state->current_images = {{path, QString()}};
    dlg.show_editor_picture(1);
    QVERIFY(qAbs(dlg.Image1->width() - area_w * shown_w) <= 1);
    QVERIFY(qAbs(dlg.Image1->height() - area_h * shown_h) <= 1);
    if (shown_w == 1.0) QCOMPARE(dlg.Image1->width(), 281);
    QCOMPARE(dlg.Image1->pixmap().size(), dlg.Image1->size());
    QCOMPARE(dlg.Label4->text(), path);
  }

  void clicking_a_title_data() {
    QTest::addColumn<int>("which");  // 0 existing, 1 missing, 2 not a picture
    QTest::newRow("existing picture") << 0;
    QTest::newRow("missing file") << 1;
    QTest::newRow("file that is not a picture") << 2;
  }

  void clicking_a_title() {
    QFETCH(int, which);
    Fixture f;
    if (which == 1) QVERIFY(QFile::remove(f.pictures[2]));
    if (which == 2) QVERIFY(write_bytes(f.pictures[2], QByteArray("\x89PNG broken")));
    F_kinyu& dlg = f.open_editor(2);
    user_input::show_active(&dlg);
    user_input::click_item(dlg.List1, 2);
    QCOMPARE(f.messages.log.size(), which == 1 ? 1 : 0);
    QCOMPARE(dlg.Image1->pixmap().isNull(), which != 0);
    // A missing file keeps the label and the path of the picture shown before.
    const QString expected = which == 1 ? f.pictures[0] : f.pictures[2];
    QCOMPARE(dlg.Label4->text(), expected);
    QCOMPARE(f.state->current_image_path, expected);
    // A click on the title already selected runs again: the message repeats.
    user_input::click_item(dlg.List1, 2);
    QCOMPARE(f.messages.log.size(), which == 1 ? 2 : 0);
    QCOMPARE(dlg.List1->selected_row(), 2);
  }

  void saving_a_new_memo_data() {
    QTest::addColumn<QString>("location");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("stored_title");
    QTest::addColumn<int>("locations");
    QTest::addColumn<bool>("empty_list");  // the location list starts empty
    const QString t = QStringLiteral("水やり");
    QTest::newRow("known location") << QStringLiteral("花壇") << t << t << 2 << false;
    QTest::newRow("new location") << QStringLiteral("裏庭") << t << t << 3 << false;
    QTest::newRow("new location, empty list") << QStringLiteral("裏庭") << t << t << 1 << true;
    QTest::newRow("unencodable, answered Yes") << QStringLiteral("花壇") << QStringLiteral("バラ🌹")
                                               << QStringLiteral("バラ?") << 2 << false;
  }

  void saving_a_new_memo() {
    QFETCH(QString, location);
    QFETCH(QString, title);
    QFETCH(QString, stored_title);
    QFETCH(int, locations);
    QFETCH(bool, empty_list);
    Fixture f;
    if (empty_list) {
      f.state->location_list.names.clear();
      f.form->set_location_filter_names({});
    }
    F_kinyu& dlg = f.open_editor();
    QSignalSpy finished(&dlg, &QDialog::finished);
    f.fill(location, QStringLiteral("トマト"), title, QStringLiteral("朝\n夕"));
    dlg.Text1->setText(QStringLiteral("2026/05/20"));
    f.messages.answers = {true};
    dlg.Command1_Click();
    QCOMPARE(f.messages.log.size(), title == stored_title ? 0 : 1);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QVERIFY(dlg.Command1->isEnabled());
    QCOMPARE(f.form->windowTitle(), QStringLiteral("【Verdalis】Ver.3.0 (4件)"));
    // Same date as "芽が出た", created later: listed above it.
    QCOMPARE(f.form->list_model()->cell(1, 3), stored_title);
    QCOMPARE(f.form->list_model()->cell(1, 4), QStringLiteral(" 6 "));
    QVERIFY(read_bytes(f.state->flower_dat_path()).contains(cp932_lines({stored_title, QStringLiteral(" 6 ")})));
    QCOMPARE(read_bytes(f.dir_path + QStringLiteral("memo/m0000006.txt")), cp932_lines({QStringLiteral("朝\r\n夕")}));
    QVERIFY(!QFile::exists(f.dir_path + QStringLiteral("memo/g0000006.txt")));
    QCOMPARE(f.form->Combo1->count(), locations);
    QCOMPARE(f.form->Combo1->itemText(locations - 1), f.state->location_list.names.last());
    // The new name joins the filter's list, not its text: every memo stays
    // listed.
    QCOMPARE(f.form->Combo1->currentText(), QString());
    QCOMPARE(f.state->listed_count, 4);
  }

  void cancelling_from_the_main_window_data() {
    QTest::addColumn<bool>("correction");
    QTest::newRow("new memo") << false;
    QTest::newRow("correction") << true;
  }

  // The pane keeps what it showed: the hint stays, the missing first
  // picture is not reported again, and its titles still show their own
  // pictures.
  void cancelling_from_the_main_window() {
    QFETCH(bool, correction);
    Fixture f;
    QVERIFY(QFile::remove(f.pictures[0]));
    user_input::show_active(f.form.get());
    user_input::click_row(f.form->Grid1, 1);  // memo " 4 "
    qsizetype reported = 0;
    f.form->run_modal = [&](QDialog& d) {
      d.show();
      f.form->set_hint(QStringLiteral("中止します"));
      reported = f.messages.log.size();
      user_input::click(d.findChild<QPushButton*>(QStringLiteral("Command2")));
      return d.result();
    };
    user_input::click(correction ? f.form->Command8 : f.form->Command6);
    QCOMPARE(f.messages.log.size(), reported);
    QCOMPARE(f.form->Text1->text(), QStringLiteral("中止します"));
    QCOMPARE(f.form->List1->count(), 3);
    QCOMPARE(f.form->Label3->text(), f.pictures[0]);
    user_input::click_item(f.form->List1, 2);
    QCOMPARE(f.form->Label3->text(), f.pictures[2]);
    QCOMPARE(f.state->current_image_no, 3);
  }

  void saving_a_correction() {
    Fixture f;
    const QByteArray picture_list = read_bytes(f.dir_path + QStringLiteral("memo/g0000004.txt"));
    F_kinyu& dlg = f.open_editor(2);
    dlg.Text3->clear();
    dlg.Text2->setText(QStringLiteral("本葉が出た"));
    dlg.Command1_Click();
    QVERIFY(f.messages.log.isEmpty());
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QVERIFY(!QFile::exists(f.dir_path + QStringLiteral("memo/m0000004.txt")));
    QCOMPARE(read_bytes(f.dir_path + QStringLiteral("memo/g0000004.txt")), picture_list);
    QCOMPARE(f.state->memo_count(), 3);
    const store::MemoRecord& r = f.state->memo_table[1];
    QCOMPARE(r.title, QStringLiteral("本葉が出た"));
    QCOMPARE(r.memo_no, QStringLiteral(" 4 "));
    QCOMPARE(r.created, QStringLiteral("2026/01/01 10:00:00"));
    QVERIFY(r.corrected != r.created);
  }

  void refusals_change_nothing_data() {
    QTest::addColumn<QString>("location");
    QTest::addColumn<QString>("variety");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("message");
    const QString l = QStringLiteral("花壇"), v = QStringLiteral("トマト"), t = QStringLiteral("題");
    QTest::newRow("no location") << QString() << v << t << QStringLiteral("場所を入力して下さい。");
    QTest::newRow("no variety") << l << QString() << t << QStringLiteral("品種を入力して下さい。");
    QTest::newRow("no title") << l << v << QString() << QStringLiteral("タイトルを入力して下さい。");
    QTest::newRow("unencodable, answered No") << l << v << QStringLiteral("バラ🌹") << QStringLiteral("🌹");
  }

  void refusals_change_nothing() {
    QFETCH(QString, location);
    QFETCH(QString, variety);
    QFETCH(QString, title);
    QFETCH(QString, message);
    Fixture f;
    F_kinyu& dlg = f.open_editor();
    const auto before = snapshot(f.dir_path);
    const store::MemoTable table = f.state->memo_table;
    QSignalSpy finished(&dlg, &QDialog::finished);
    f.fill(location, variety, title, QStringLiteral("本文"));
    dlg.Command1_Click();  // a question is answered No
    QCOMPARE(f.messages.log.size(), 1);
    QVERIFY(f.messages.log[0].text.contains(message));
    QCOMPARE(f.messages.log[0].title, QStringLiteral("【Verdalis】Ver.3.0"));
    QVERIFY(!f.messages.enabled_during_box);
    QCOMPARE(snapshot(f.dir_path), before);
    QCOMPARE(f.state->memo_table, table);
    QCOMPARE(finished.size(), 0);
    QVERIFY(dlg.Command1->isEnabled());
    QCOMPARE(dlg.Text2->text(), title);
    QCOMPARE(dlg.Text3->toPlainText(), QStringLiteral("本文"));
  }

  // Leaving the editor by 中止, Esc or the close button: unchanged, it
  // closes at once; changed, it asks first and "いいえ" (the default) keeps
  // it open with the text. A change is a difference from what the memo held
  // when the editor opened. No file and no table row changes either way.
  void cancelling_data() {
    QTest::addColumn<int>("how");  // 0 中止, 1 Esc, 2 the close button
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<bool>("closed");
    QTest::newRow("中止, nothing changed") << 0 << "" << false << true;
    QTest::newRow("Esc, nothing changed") << 1 << "" << false << true;
    QTest::newRow("close button, nothing changed") << 2 << "" << false << true;
    QTest::newRow("Esc after a picture was shown") << 1 << "shown" << false << true;
    QTest::newRow("Esc after typing and erasing") << 1 << "erased" << false << true;
    QTest::newRow("Esc, title typed, No") << 1 << "title" << false << false;
    QTest::newRow("中止, 20 lines typed, No") << 0 << "body" << false << false;
    QTest::newRow("close button, title typed, Yes") << 2 << "title" << true << true;
    QTest::newRow("Esc, picture moved, Yes") << 1 << "moved" << true << true;
    QTest::newRow("Esc, new memo with a location, No") << 1 << "new" << false << false;
  }

  void cancelling() {
    QFETCH(int, how);
    QFETCH(QString, change);
    QFETCH(bool, answer);
    QFETCH(bool, closed);
    Fixture f;
    const auto before = snapshot(f.dir_path);
    F_kinyu& dlg = f.open_editor(change == QStringLiteral("new") ? 0 : 2);
    const store::MemoTable table = f.state->memo_table;
    user_input::show_active(&dlg);
    if (change == QStringLiteral("shown")) user_input::click_item(dlg.List1, 1);
    if (change == QStringLiteral("erased")) {
      user_input::type_into(dlg.Text2, QStringLiteral("x"));
      user_input::key(Qt::Key_Backspace);
    }
    if (change == QStringLiteral("title")) user_input::type_into(dlg.Text2, QStringLiteral("変えた"));
    if (change == QStringLiteral("body")) {
      user_input::click(dlg.Text3);
      for (int i = 0; i < 20; ++i) {
        user_input::type_text(QStringLiteral("水やり"));
        user_input::key(Qt::Key_Return);
      }
    }
    if (change == QStringLiteral("moved")) {
      user_input::click_item(dlg.List1, 0);
      user_input::click(dlg.Command6);
    }
    if (change == QStringLiteral("new")) user_input::type_into(dlg.Combo1, QStringLiteral("裏庭"));
    const QString typed_title = dlg.Text2->text();
    const QString typed_body = dlg.Text3->toPlainText();
    const qsizetype logged = f.messages.log.size();
    f.messages.answers = {answer};
    QSignalSpy finished(&dlg, &QDialog::finished);

    if (how == 0) user_input::click(dlg.Command2);
    if (how == 1) user_input::key(Qt::Key_Escape);
    if (how == 2) dlg.close();

    const bool changed = !change.isEmpty() && change != QStringLiteral("shown") && change != QStringLiteral("erased");
    QCOMPARE(f.messages.log.size() - logged, changed ? 1 : 0);
    if (changed) {
      QCOMPARE(f.messages.log.last().text, QStringLiteral("入力した内容を破棄しますか？"));
      QCOMPARE(f.messages.log.last().title, QStringLiteral("【Verdalis】Ver.3.0"));
      QVERIFY(f.messages.log.last().question);
      QVERIFY(!f.messages.last_default_yes);
    }
    QCOMPARE(finished.size(), closed ? 1 : 0);
    QCOMPARE(dlg.isVisible(), !closed);
    if (closed) QCOMPARE(dlg.result(), int(QDialog::Rejected));
    QCOMPARE(dlg.Text2->text(), typed_title);
    QCOMPARE(dlg.Text3->toPlainText(), typed_body);
    QCOMPARE(snapshot(f.dir_path), before);
    QCOMPARE(f.state->memo_table, table);
    QCOMPARE(f.state->EditMode, change == QStringLiteral("new") ? QStringLiteral("sinki") : QStringLiteral("teisei"));
  }

  void enter_tab_and_choosing_move_between_fields_data() {
    QTest::addColumn<QString>("from");
    // 0: an entry of the drop-down list is picked with the mouse, -1: with
    // the keys; -2: a known name is typed, then the body is clicked and
    // typed into.
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("text_after");
    QTest::newRow("Enter in the date") << "Text1" << int(Qt::Key_Return) << "Text2" << "abc";
    QTest::newRow("Tab in the date") << "Text1" << int(Qt::Key_Tab) << "Text2" << "abc";
    QTest::newRow("Enter in the title") << "Text2" << int(Qt::Key_Enter) << "Text3" << "abc";
    QTest::newRow("Tab in the title") << "Text2" << int(Qt::Key_Tab) << "Text3" << "abc";
    QTest::newRow("Enter in the location") << "Combo1" << int(Qt::Key_Return) << "Text2" << "abc";
    QTest::newRow("Tab in the variety") << "Combo2" << int(Qt::Key_Tab) << "Text2" << "abc";
    QTest::newRow("location chosen") << "Combo1" << 0 << "Text2" << "温室";
    QTest::newRow("variety chosen") << "Combo2" << 0 << "Text2" << "トマト";
    QTest::newRow("variety chosen by keys") << "Combo2" << -1 << "Text2" << "トマト";
    QTest::newRow("known location typed, body clicked") << "Combo1" << -2 << "Text3" << "温室";
    QTest::newRow("known variety typed, body clicked") << "Combo2" << -2 << "Text3" << "トマト";
    QTest::newRow("Enter in the body") << "Text3" << int(Qt::Key_Return) << "Text3" << "abc\n";
    QTest::newRow("Tab in the body") << "Text3" << int(Qt::Key_Tab) << "Combo2" << "abc";
  }

  void enter_tab_and_choosing_move_between_fields() {
    QFETCH(QString, from);
    QFETCH(int, key);
    QFETCH(QString, to);
    QFETCH(QString, text_after);
    Fixture f;
    F_kinyu& dlg = f.open_editor();
    user_input::show_active(&dlg);
    auto* source = dlg.findChild<QWidget*>(from);
    auto* combo = qobject_cast<QComboBox*>(source);
    dlg.Text1->clear();
    source->setFocus();
    if (key == 0) {
      user_input::pick(combo, 1);
    } else if (key == -1) {
      user_input::pick_by_keys(combo, 1);
    } else if (key == -2) {
      user_input::type_into(combo, text_after);
      user_input::type_into(dlg.Text3, QStringLiteral("本文"));
      QCOMPARE(dlg.Text3->toPlainText(), QStringLiteral("本文"));
      QCOMPARE(dlg.Text2->text(), QString());
    } else {
      QTest::keyClicks(source, QStringLiteral("abc"));
      QTest::keyClick(source, Qt::Key(key));
    }
    QCOMPARE(QApplication::focusWidget()->objectName(), to);
    if (auto* body = qobject_cast<QPlainTextEdit*>(source)) QCOMPARE(body->toPlainText(), text_after);
    if (auto* line = qobject_cast<QLineEdit*>(source)) QCOMPARE(line->text(), text_after);
    if (combo) QCOMPARE(combo->currentText(), text_after);
    QVERIFY(dlg.isVisible());
  }
};

QTEST_MAIN(TestFKinyu)
#include "test_f_kinyu.moc"
