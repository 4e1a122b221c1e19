// "画像の所在確認" from the main window's menu, driven with the mouse:
// memos brought over from Windows, their photos copied into one folder
// with some names in another letter case; one re-pointing of the common
// parent folder finds them all, and "元に戻す" gives the old files back,
// also after the window was closed and opened again. The keyboard reaches
// every control in reading order, and nothing overlaps at the minimum size.

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QtTest>

#include "main_window_fixture.h"
#include "main_window/tools_menu.h"
#include "picture_check/f_syozai.h"
#include "store/files/codec.h"
#include "layout_check.h"
#include "user_input.h"

using testing_support::cp932_lines;
using testing_support::read_bytes;
using testing_support::write_bytes;

namespace {

// A label's text as read, without the places a path may break.
QString shown(const QLabel* label) { return label->text().remove(QChar(0x200B)); }

const QString kWin = QStringLiteral("C:\\Users\\hanako\\Pictures\\");

// Two memos brought over from Windows, 花壇 and 温室, one missing photo each.
void write_two_memos(testing_support::MainWindowFixture& f, QByteArray& list1, QByteArray& list2) {
  QStringList index;
  for (int no = 1; no <= 2; ++no) {
    index << QStringLiteral("2019/05/0%1").arg(no) << (no == 1 ? QStringLiteral("花壇") : QStringLiteral("温室"))
          << QStringLiteral("バラ") << QStringLiteral("メモ%1").arg(no) << QString::number(no)
          << QStringLiteral("2019/05/01 10:00:00") << QStringLiteral("2019/05/01 10:00:00");
  }
  QVERIFY(f.write_index(index));
  list1 = cp932_lines({kWin + "2019\\IMG_0012.JPG", QStringLiteral("全景")});
  list2 = cp932_lines({kWin + "2020\\春\\IMG_0100.JPG", QStringLiteral("つぼみ")});
  QVERIFY(write_bytes(f.dir_path + "memo/g0000001.txt", list1));
  QVERIFY(write_bytes(f.dir_path + "memo/g0000002.txt", list2));
}

}  // namespace

class TestFSyozai : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void repointing_a_parent_folder_and_undoing_it() {
    testing_support::MainWindowFixture f;
    QByteArray list1, list2;
    write_two_memos(f, list1, list2);
    const QString win = kWin;
    const QString pictures = f.dir_path + QStringLiteral("Pictures");
    QVERIFY(QDir().mkpath(pictures + QStringLiteral("/2019")));
    QVERIFY(QDir().mkpath(pictures + QStringLiteral("/2020/春")));
    QVERIFY(write_bytes(pictures + "/2019/img_0012.jpg", "jpeg"));  // another letter case
    QVERIFY(write_bytes(pictures + "/2020/春/IMG_0100.JPG", "jpeg"));
    Main_form& form = f.load();
    const QByteArray dat = read_bytes(f.state->flower_dat_path());
    user_input::show_active(&form);
    QCOMPARE(form.Combo1->itemText(0), QStringLiteral("花壇"));
    user_input::pick(form.Combo1, 0);  // memo 2 is not listed
    QCOMPARE(f.state->listed_count, 1);
    f.click_row(1);
    f.messages.log.clear();

    f.messages.answers = {true};
    QStringList seen;
    const auto drive = [&](F_syozai* w) {
      user_input::show_active(w);
      w->wait_for_work();
      seen << w->Label1->text();
      QCOMPARE(w->Grid1->rowCount(), 2);  // the 2019 and the 2020/春 folders
      // The first folder is chosen on opening: its picture and folders show.
      QCOMPARE(w->Grid2->rowCount(), 1);
      QCOMPARE(w->Combo1->itemText(0), win + "2019\\");
      user_input::click_row(w->Grid1, 1);
      QCOMPARE(w->Grid2->rowCount(), 1);
      QCOMPARE(w->Grid2->item(0, 3)->text(), win + "2020\\春\\IMG_0100.JPG");
      // A double click on it selects memo 2 in the main list, every memo listed.
      user_input::double_click_item(w->Grid2, w->Grid2->model()->index(0, 1));
      QCOMPARE(f.state->listed_count, 2);
      QCOMPARE(form.current_memo_no(), QStringLiteral("2"));
      QVERIFY(form.Combo1->currentText().isEmpty());
      // The common parent folder, two steps up.
      QCOMPARE(w->Combo1->itemText(2), win);
      user_input::pick(w->Combo1, 2);
      w->choose_folder = [&](QWidget*, const QString&) { return pictures; };
      user_input::click(w->Command2);
      user_input::click(w->Command3);
      w->wait_for_work();  // the plan, then the question, then the writing
      w->wait_for_work();  // the scan after it
      w->wait_for_work();
      seen << w->Label1->text();
      QCOMPARE(read_bytes(f.dir_path + "memo/g0000001.txt"),
               cp932_lines({pictures + "/2019/img_0012.jpg", QStringLiteral("全景")}));
      QCOMPARE(read_bytes(f.dir_path + "memo/g0000002.txt"),
               cp932_lines({pictures + "/2020/春/IMG_0100.JPG", QStringLiteral("つぼみ")}));
      // What was done shows, and the folder chosen for it is gone.
      QCOMPARE(shown(w->Label6), "「" + win + "」の画像 2 枚を「" + pictures + "」に付け替えました。");
      QCOMPARE(w->Label3->text(), QStringLiteral("（まだ選んでいません）"));
      user_input::click(w->Command5);
    };
    // Opened again, the window still offers to undo it, and names it.
    const auto undo = [&](F_syozai* w) {
      user_input::show_active(w);
      w->wait_for_work();
      seen << w->Label1->text();
      QCOMPARE(shown(w->Label7), "元に戻す: 「" + pictures + "」→「" + win + "」 2 枚");
      user_input::click(w->Command4);
      w->wait_for_work();  // the undo, then the scan after it
      w->wait_for_work();
      seen << w->Label1->text();
      QCOMPARE(read_bytes(f.dir_path + "memo/g0000001.txt"), list1);
      QCOMPARE(read_bytes(f.dir_path + "memo/g0000002.txt"), list2);
      QCOMPARE(shown(w->Label6), "「" + pictures + "」の画像 2 枚を「" + win + "」に戻しました。");
      QVERIFY(!w->Command4->isEnabled());
      QVERIFY(w->Label7->text().isEmpty());
      user_input::click(w->Command5);
    };
    int opened = 0;
    form.run_modal = [&](QDialog& d) {
      auto* w = qobject_cast<F_syozai*>(&d);
      if (w && opened++ == 0) {
        drive(w);
      } else if (w) {
        undo(w);
      }
      return d.result();
    };
    form.tools().Menu_syozai->trigger();
    form.tools().Menu_syozai->trigger();
    QCOMPARE(opened, 2);
    const QString missing = QStringLiteral("2枚中2枚の画像（2件のメモ）が見つかりません。");
    const QString found = QStringLiteral("2枚の画像はすべて見つかりました。");
    QCOMPARE(seen, (QStringList{missing, found, found, missing}));
    // The question named what would be found before anything was written.
    QVERIFY(!f.messages.log.isEmpty());
    QVERIFY(f.messages.log[0].question);
    QVERIFY(f.messages.log[0].text.startsWith(QStringLiteral("2枚の画像が新しいフォルダで見つかります。")));
    QCOMPARE(read_bytes(f.state->flower_dat_path()), dat);
  }

  // A folder with more missing pictures than one turn of the event loop
  // fills: every row is there at once, the first ones hold their texts, and
  // the last comes a few turns later while the window keeps answering.
  void a_long_folder_fills_in_turns() {
    testing_support::MainWindowFixture f;
    const int pictures = 2 * F_syozai::kPictureRowsPerTurn + 1;
    const int memos = (pictures + 99) / 100;
    QStringList index;
    for (int no = 1; no <= memos; ++no) {
      index << QStringLiteral("2019/05/01") << QStringLiteral("花壇") << QStringLiteral("バラ")
            << QStringLiteral("メモ%1").arg(no) << QString::number(no) << QStringLiteral("2019/05/01 10:00:00")
            << QStringLiteral("2019/05/01 10:00:00");
    }
    QVERIFY(f.write_index(index));
    for (int no = 1; no <= memos; ++no) {
      QStringList lines;
      for (int p = (no - 1) * 100; p < std::min(pictures, no * 100); ++p)
        lines << kWin + QStringLiteral("long\\IMG_%1.JPG").arg(p, 5, 10, QLatin1Char('0')) << QStringLiteral("写真");
      QVERIFY(write_bytes(f.dir_path + QStringLiteral("memo/g%1.txt").arg(no, 7, 10, QLatin1Char('0')),
                          cp932_lines(lines)));
    }
    Main_form& form = f.load();
    bool checked = false;
    const auto check = [&](F_syozai* w) {
      user_input::show_active(w);
      w->wait_for_work();
      const int last = pictures - 1;
      QCOMPARE(w->Grid2->rowCount(), pictures);
      QVERIFY(w->Grid2->item(0, 3) != nullptr);
      QVERIFY(w->Grid2->item(last, 3) == nullptr);
      QTRY_VERIFY(w->Grid2->item(last, 3) != nullptr);
      QCOMPARE(w->Grid2->item(last, 3)->text(),
               kWin + QStringLiteral("long\\IMG_%1.JPG").arg(last, 5, 10, QLatin1Char('0')));
      checked = true;
      user_input::click(w->Command5);
    };
    form.run_modal = [&](QDialog& d) {
      if (auto* w = qobject_cast<F_syozai*>(&d)) check(w);
      return d.result();
    };
    form.tools().Menu_syozai->trigger();
    QVERIFY(checked);
  }

  // From the folder list, which has the focus on opening: Tab walks every
  // control in reading order, one stop per table; each access key reaches
  // or presses its control; Enter chooses a row; Esc closes.
  void keyboard_data() {
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("focus");  // "" when the window has closed, "open" when it stays
    QTest::addColumn<QString>("what");   // what else to look at, and the text it holds
    QTest::addColumn<QString>("text");
    const QStringList order{"Grid1",   "Grid2",    "Combo1",   "Command2", "Check1",
                            "Command3", "Command4", "Command5", "Grid1"};
    for (int n = 1; n < order.size(); ++n) {
      QTest::addRow("Tab ×%d", n) << QStringLiteral("Tab ").repeated(n).trimmed() << order[n] << "" << "";
    }
    QTest::newRow("Shift+Tab") << "Shift+Tab" << "Command5" << "" << "";
    QTest::newRow("Alt+F") << "Shift+Tab Alt+F" << "Grid1" << "" << "";
    QTest::newRow("Alt+P") << "Alt+P" << "Grid2" << "" << "";
    QTest::newRow("Alt+O") << "Alt+O" << "Combo1" << "" << "";
    // A button's key presses it and leaves the focus where it is.
    QTest::newRow("Alt+N") << "Alt+N" << "Grid1" << "Label3" << "/picked";
    QTest::newRow("Alt+M") << "Alt+M" << "Check1" << "Check1" << "checked";
    QTest::newRow("Alt+R") << "Alt+R" << "Grid1" << "message" << "「新しいフォルダ...」";
    QTest::newRow("Alt+U") << "Alt+U" << "Grid1" << "Label6" << "に戻しました。";
    QTest::newRow("Alt+C") << "Alt+C" << "" << "" << "";
    QTest::newRow("Esc") << "Esc" << "" << "" << "";
    // ("scan" starts a scan again, which runs until the events are handled.)
    // The scan stops at once or has just ended: either way the window stays.
    QTest::newRow("Esc while a scan runs stops it") << "scan Esc" << "open" << "" << "";
    QTest::newRow("Enter on a folder row") << "Ctrl+Space Return" << "Grid1" << "Grid2" << "1";
    QTest::newRow("Enter on a picture row") << "Alt+P Home Return" << "Grid2" << "memo" << "1";
  }

  void keyboard() {
    QFETCH(QString, keys);
    QFETCH(QString, focus);
    QFETCH(QString, what);
    QFETCH(QString, text);
    testing_support::MainWindowFixture f;
    QByteArray list1, list2;
    write_two_memos(f, list1, list2);
    Main_form& form = f.load();
    // An earlier re-pointing of memo 1's picture, still undoable.
    f.state->last_repoint = {QStringLiteral("/old/"), kWin, {{"1", 1, "/old/a.jpg", list1.split('\r').first()}}};
    F_syozai w(*f.state, f.messages, form);
    w.choose_folder = [](QWidget*, const QString&) { return QStringLiteral("/picked"); };
    w.start_scan();
    user_input::show_active(&w);
    w.wait_for_work();
    QCOMPARE(QApplication::focusWidget(), w.Grid1);
    for (const QString& k : keys.split(QLatin1Char(' '))) {
      if (k == QLatin1String("scan")) {
        w.start_scan();
        QVERIFY(w.busy());
        continue;
      }
      const QKeyCombination c = QKeySequence::fromString(k)[0];
      user_input::key(c.key(), c.keyboardModifiers());
      w.wait_for_work();
      w.wait_for_work();
    }
    if (focus.isEmpty() || focus == QLatin1String("open")) {
      QTRY_COMPARE(w.isVisible(), !focus.isEmpty());
      return;
    }
    const auto look = [&]() -> QString {
      if (what == QLatin1String("message")) return f.messages.log.isEmpty() ? QString() : f.messages.log.last().text;
      if (what == QLatin1String("memo")) return form.current_memo_no();
      if (what == QLatin1String("Check1")) return w.Check1->isChecked() ? "checked" : "";
      if (what == QLatin1String("Grid2")) return QString::number(w.Grid2->rowCount());
      return shown(w.findChild<QLabel*>(what));
    };
    // A button is pressed a moment after its key, as it shows itself down.
    if (!what.isEmpty()) QTRY_VERIFY2(look().contains(text), qPrintable(look()));
    w.wait_for_work();
    QCOMPARE(QApplication::focusWidget()->objectName(), focus);
  }

  // Each button, the check box and each label naming a box or table has
  // an access key, no two alike.
  void access_keys_are_all_different() {
    testing_support::MainWindowFixture f;
    Main_form& form = f.load();
    F_syozai w(*f.state, f.messages, form);
    QSet<QString> keys;
    for (QAbstractButton* b : w.findChildren<QAbstractButton*>(QRegularExpression("^(Command|Check)"))) {
      keys << QKeySequence::mnemonic(b->text()).toString();
    }
    for (QLabel* l : w.findChildren<QLabel*>()) {
      if (l->buddy()) keys << QKeySequence::mnemonic(l->text()).toString();
    }
    QVERIFY(!keys.contains(QString()));
    QCOMPARE(keys.size(), 9);  // 5 buttons, the check box, 3 labels
  }

  // At its minimum size, in the default font and in a large one, no two
  // controls overlap and every text fits.
  void nothing_overlaps_at_the_minimum_size_data() {
    QTest::addColumn<int>("points");
    QTest::newRow("default font") << 0;
    QTest::newRow("14 pt") << 14;
  }

  void nothing_overlaps_at_the_minimum_size() {
    QFETCH(int, points);
    const testing_support::ScopedAppFont font(points);
    testing_support::MainWindowFixture f;
    Main_form& form = f.load();
    F_syozai w(*f.state, f.messages, form);
    w.Label6->setText(QStringLiteral("「C:\\Users\\hanako\\Pictures\\」の画像 12 枚を「/home/hanako/写真」に付け替えました。"));
    user_input::show_active(&w);
    w.resize(1, 1);
    QCOMPARE(w.size(), w.minimumSize());
    QVERIFY(w.minimumWidth() < 900 && w.minimumHeight() < 700);
    QCOMPARE(testing_support::layout_fault(&w, true), QString());
  }
};

QTEST_MAIN(TestFSyozai)
#include "test_f_syozai.moc"
