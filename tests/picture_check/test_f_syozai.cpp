// "画像の所在確認" from the main window's menu, driven with the mouse:
// memos brought over from Windows, their photos copied into one folder
// with some names in another letter case; one re-pointing of the common
// parent folder finds them all, and "元に戻す" gives the old files back.

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include "main_window_fixture.h"
#include "main_window/tools_menu.h"
#include "picture_check/f_syozai.h"
#include "store/files/codec.h"
#include "user_input.h"

using testing_support::cp932_lines;
using testing_support::read_bytes;
using testing_support::write_bytes;

class TestFSyozai : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void repointing_a_parent_folder_and_undoing_it() {
    testing_support::MainWindowFixture f;
    QStringList index;
    for (int no = 1; no <= 2; ++no) {
      index << QStringLiteral("2019/05/0%1").arg(no) << (no == 1 ? QStringLiteral("花壇") : QStringLiteral("温室"))
            << QStringLiteral("バラ")
            << QStringLiteral("メモ%1").arg(no) << QString::number(no) << QStringLiteral("2019/05/01 10:00:00")
            << QStringLiteral("2019/05/01 10:00:00");
    }
    QVERIFY(f.write_index(index));
    const QString win = QStringLiteral("C:\\Users\\hanako\\Pictures\\");
    const QByteArray list1 = cp932_lines({win + "2019\\IMG_0012.JPG", QStringLiteral("全景")});
    const QByteArray list2 = cp932_lines({win + "2020\\春\\IMG_0100.JPG", QStringLiteral("つぼみ")});
    QVERIFY(write_bytes(f.dir_path + "memo/g0000001.txt", list1));
    QVERIFY(write_bytes(f.dir_path + "memo/g0000002.txt", list2));
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
      user_input::click(w->Command4);
      w->wait_for_work();
      seen << w->Label1->text();
      QCOMPARE(read_bytes(f.dir_path + "memo/g0000001.txt"), list1);
      QCOMPARE(read_bytes(f.dir_path + "memo/g0000002.txt"), list2);
      user_input::click(w->Command5);
    };
    form.run_modal = [&](QDialog& d) {
      auto* w = qobject_cast<F_syozai*>(&d);
      if (w) drive(w);
      return d.result();
    };
    form.tools().Menu_syozai->trigger();
    QCOMPARE(seen, (QStringList{QStringLiteral("2枚中2枚の画像（2件のメモ）が見つかりません。"),
                                QStringLiteral("2枚の画像はすべて見つかりました。"),
                                QStringLiteral("2枚中2枚の画像（2件のメモ）が見つかりません。")}));
    // The question named what would be found before anything was written.
    QVERIFY(!f.messages.log.isEmpty());
    QVERIFY(f.messages.log[0].question);
    QVERIFY(f.messages.log[0].text.startsWith(QStringLiteral("2枚の画像が新しいフォルダで見つかります。")));
    QCOMPARE(read_bytes(f.state->flower_dat_path()), dat);
  }
};

QTEST_MAIN(TestFSyozai)
#include "test_f_syozai.moc"
