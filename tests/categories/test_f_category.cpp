// The location and variety editors as opened from the main window's menu:
// adding and moving, deleting a name, finishing (by button, Esc or the window frame), the
// hints, and deleting every memo of a category as the main window shows it.

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>
#include <memory>

#include "categories/f_category.h"
#include "data_dir.h"
#include "main_window_fixture.h"
#include "main_window/main_form.h"
#include "main_window/memo_list_model.h"
#include "recording_messages.h"
#include "store/diary/memo_files.h"
#include "ui/twips.h"

using testing_support::cp932_lines;
using testing_support::read_bytes;
using testing_support::snapshot;
using testing_support::write_bytes;

namespace {

const QString kWarning = QStringLiteral("■■　重要な注意事項です。良く読んで下さい　■■\r\r削除したメモを復活させる方法はありません。\r\r");

// Ten memos, newest (10) first: 2, 5 and 9 at 花壇, 7 at "花壇 ", the rest
// at 温室; 3 and 6 are トマト, the rest パンジー. The lists are the defaults.
struct Fixture : testing_support::MainWindowFixture {
  Fixture() {
    QStringList lines;
    for (int no = 10; no >= 1; --no) {
      const QString stamp = QStringLiteral("2026/06/%1 10:00:00").arg(no, 2, 10, QLatin1Char('0'));
      lines << stamp.left(10)
            << (no == 2 || no == 5 || no == 9 ? QStringLiteral("花壇") : no == 7 ? QStringLiteral("花壇 ") : QStringLiteral("温室"))
            << (no == 3 || no == 6 ? QStringLiteral("トマト") : QStringLiteral("パンジー")) << QStringLiteral("メモ%1").arg(no)
            << QStringLiteral(" %1 ").arg(no) << stamp << stamp;
    }
    write_index(lines);
    for (int no : {2, 7}) store::save_memo_body(dir_path, QString::number(no), QStringLiteral("本文"));
    load();
  }

  // Opens an editor through its menu item and lets `drive` work it.
  bool open(bool varieties, const std::function<void(F_category&)>& drive) {
    bool opened = false;
    form->run_modal = [&](QDialog& dialog) {
      opened = true;
      drive(dynamic_cast<F_category&>(dialog));
      return dialog.result();
    };
    (varieties ? form->Menu_hinsyu : form->Menu_basyo)->trigger();
    return opened;
  }
};

template <typename Box>
QStringList items(const Box* box) {
  QStringList out;
  for (int k = 0; k < box->count(); ++k) {
    if constexpr (std::is_base_of_v<QComboBox, Box>) {
      out << box->itemText(k);
    } else {
      out << box->item(k)->text();
    }
  }
  return out;
}

void move_mouse_over(QWidget* w, QPointF at = QPointF(2, 2)) {
  QMouseEvent move(QEvent::MouseMove, at, w->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(w, &move);
}

}  // namespace

class TestFCategory : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void a_new_name_moved_to_the_top_is_offered_first() {
    Fixture f;
    QVERIFY(f.loaded);
    QVERIFY(f.open(false, [&](F_category& dlg) {
      QCOMPARE(dlg.windowTitle(), QStringLiteral("場所の編集"));
      QCOMPARE(items(dlg.List1), f.state->location_list.names);
      dlg.Text1->setText(QStringLiteral("ベランダ"));
      dlg.Command6_Click();
      QVERIFY(dlg.Text1->text().isEmpty());
      dlg.List1->setCurrentRow(6);
      for (int k = 0; k < 6; ++k) dlg.Command1_Click();
      QCOMPARE(dlg.selected_position(), 0);  // the moved name stayed selected
      dlg.Command4_Click();
    }));
    QVERIFY(f.messages.log.isEmpty());
    QCOMPARE(f.form->Combo1->itemText(0), QStringLiteral("ベランダ"));
    QCOMPARE(items(f.form->Combo1), f.state->location_list.names);
    QCOMPARE(read_bytes(f.dir_path + QStringLiteral("basyo.dat")), cp932_lines(f.state->location_list.names));
  }

  void deleting_a_variety_name() {
    Fixture f;
    f.messages.answers = {false, true};
    const auto files = snapshot(f.dir_path);
    const QStringList titles = f.titles();
    QStringList names = f.state->variety_list.names;
    const int row = static_cast<int>(names.indexOf(QStringLiteral("トマト")));
    QVERIFY(f.open(true, [&](F_category& dlg) {
      dlg.List1->setCurrentRow(row);
      dlg.Command3_Click();  // No
      QCOMPARE(items(dlg.List1), names);
      dlg.Command3_Click();  // Yes
      names.removeAt(row);
      QCOMPARE(items(dlg.List1), names);
      QCOMPARE(dlg.selected_position(), -1);
      QCOMPARE(snapshot(f.dir_path), files);  // written on finishing
    }));
    QCOMPARE(f.messages.log.size(), 2);
    QCOMPARE(f.messages.log[1].text, QStringLiteral("分類『トマト』を本当に削除して良いですか?"));
    QCOMPARE(f.messages.log[1].title, QStringLiteral("【Verdalis】Ver.3.0"));
    QCOMPARE(f.titles(), titles);  // the memos keep the name
    QCOMPARE(f.form->list_model()->cell(4, 2), QStringLiteral("トマト"));
  }

  // Finishing writes the list and refills only this editor's filter box;
  // the main list, listed under a filter, stays as it is.
  void finishing_data() {
    QTest::addColumn<bool>("varieties");
    QTest::addColumn<QString>("how");
    for (const bool varieties : {false, true}) {
      for (const char* how : {"終了", "Esc", "window frame"}) {
        QTest::addRow("%s, %s", varieties ? "F_hinsyu" : "F_basyo", how) << varieties << QString::fromUtf8(how);
      }
    }
  }

  void finishing() {
    QFETCH(bool, varieties);
    QFETCH(QString, how);
    Fixture f;
    f.form->Combo1->setEditText(QStringLiteral("温室"));
    f.form->Combo1_Click();
    QComboBox* own = varieties ? f.form->Combo2 : f.form->Combo1;
    QComboBox* other = varieties ? f.form->Combo1 : f.form->Combo2;
    const QStringList other_items = items(other);
    const QString other_text = other->currentText();
    const QString list_file = f.dir_path + QLatin1String(varieties ? "hinsyu.dat" : "basyo.dat");
    QVERIFY(QFile::remove(list_file));
    QVERIFY(f.open(varieties, [&](F_category& dlg) {
      dlg.List1->setCurrentRow(0);
      dlg.Command2_Click();
      if (how == QStringLiteral("終了")) {
        dlg.Command4->click();
      } else if (how == QLatin1String("Esc")) {
        QTest::keyClick(&dlg, Qt::Key_Escape);
      } else {
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        dlg.close();
      }
      QVERIFY(!dlg.isVisible());
    }));
    const QStringList names = (varieties ? f.state->variety_list : f.state->location_list).names;
    QCOMPARE(read_bytes(list_file), cp932_lines(names));
    QCOMPARE(items(own), names);
    QVERIFY(own->currentText().isEmpty());
    QCOMPARE(items(other), other_items);
    QCOMPARE(other->currentText(), other_text);
    QCOMPARE(f.state->listed_count, 6);
  }

  void a_list_file_that_cannot_be_written_is_named_on_finishing() {
    Fixture f;
    const QString list_file = f.dir_path + QStringLiteral("basyo.dat");
    QVERIFY(QFile::remove(list_file) && QDir().mkdir(list_file));
    QVERIFY(f.open(false, [&](F_category& dlg) {
      dlg.List1->setCurrentRow(1);
      dlg.Command1_Click();
      dlg.Command4_Click();
    }));
    QCOMPARE(f.messages.log.size(), 1);
    QVERIFY(f.messages.log[0].text.contains(list_file));
    QCOMPARE(items(f.form->Combo1).first(), QStringLiteral("アプローチ"));  // the changed list stays in use
  }

  void hints_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("hint");
    QTest::newRow("surface") << "" << QStringLiteral("分類の整理中です。");
    QTest::newRow("List1") << "List1" << QStringLiteral("クリックして分類を選択して下さい。");
    QTest::newRow("Command1") << "Command1" << QStringLiteral("選択した分類を、一つ上に移動します。");
    QTest::newRow("Text1 sets none") << "Text1" << QStringLiteral("before");
  }

  void hints() {
    QFETCH(QString, control);
    QFETCH(QString, hint);
    Fixture f;
    QVERIFY(f.open(true, [&](F_category& dlg) {
      f.form->Text1->setText(QStringLiteral("before"));
      if (control.isEmpty()) {
        const QPoint bare(ui::px(3600), ui::px(3700));  // between メモ削除 and 終了
        QVERIFY(dlg.childAt(bare) == nullptr);
        move_mouse_over(&dlg, bare);
      } else {
        QWidget* w = dlg.findChild<QWidget*>(control);
        QVERIFY(w);
        if (auto* area = qobject_cast<QAbstractScrollArea*>(w)) w = area->viewport();
        move_mouse_over(w);
        // A move a control does not take on reaches the dialog as well.
        if (!w->hasMouseTracking()) move_mouse_over(&dlg, w->geometry().center());
      }
      QCOMPARE(f.form->Text1->text(), hint);
    }));
  }

  void deleting_every_memo_of_a_location() {
    Fixture f;
    f.form->Combo1->setEditText(QStringLiteral("温室"));
    f.form->Combo1_Click();
    f.form->Combo2->setEditText(QStringLiteral("パンジー"));
    f.form->Combo2_Click();
    f.messages.answers = {true};
    int result = -1;
    QVERIFY(f.open(false, [&](F_category& dlg) {
      dlg.List1->setCurrentRow(0);  // 花壇
      dlg.Command5_Click();
      result = dlg.result();
    }));
    QCOMPARE(result, int(QDialog::Accepted));
    QCOMPARE(f.messages.log.size(), 1);
    QCOMPARE(f.messages.log[0].text, kWarning + QStringLiteral("選択した場所の全部のメモを本当に削除して良いですか?"));
    QCOMPARE(f.titles(), (QStringList{"メモ10", "メモ8", "メモ7", "メモ6", "メモ4", "メモ3", "メモ1"}));
    QCOMPARE(f.state->listed_count, 7);
    QVERIFY(f.form->Combo1->currentText().isEmpty() && f.form->Combo2->currentText().isEmpty());
    QCOMPARE(f.form->windowTitle(), QStringLiteral("【Verdalis】Ver.3.0 (7件)"));
    QCOMPARE(items(f.form->Combo1), f.state->location_list.names);
    QVERIFY(!f.state->location_list.names.contains(QStringLiteral("花壇")));
    QVERIFY(!QFile::exists(store::memo_body_path(f.dir_path, QStringLiteral("2"))));
    QVERIFY(QFile::exists(store::memo_body_path(f.dir_path, QStringLiteral("7"))));
  }

  void deleting_every_memo_of_a_variety_stops_at_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("message");
    QTest::newRow("nothing selected") << -1 << QStringLiteral("メモを削除する分類を選んでください");
    QTest::newRow("answered no") << 11 << kWarning + QStringLiteral("選択した品種の全部のメモを本当に削除して良いですか?");
  }

  void deleting_every_memo_of_a_variety_stops_at() {
    QFETCH(int, row);
    QFETCH(QString, message);
    Fixture f;
    f.messages.answers = {false};
    const auto files = snapshot(f.dir_path);
    QVERIFY(f.open(true, [&](F_category& dlg) {
      if (row >= 0) dlg.List1->setCurrentRow(row);  // トマト
      dlg.Command5_Click();
      QCOMPARE(dlg.result(), 0);
      QCOMPARE(dlg.List1->count(), 15);
    }));
    QCOMPARE(f.messages.log.size(), 1);
    QCOMPARE(f.messages.log[0].text, message);
    QCOMPARE(f.titles().size(), 10);
    QCOMPARE(snapshot(f.dir_path), files);
  }
};

QTEST_MAIN(TestFCategory)
#include "test_f_category.moc"
