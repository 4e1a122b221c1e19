// 写真の取り込み driven with the mouse: a folder holding three days of
// photos, one of them already in the diary, lists three days with that one
// unchecked; 取り込む creates two memos with the days' dates and their photos
// titled by time, and the main list shows them.

#include <QComboBox>
#include <QTableWidget>
#include <QtTest>

#include "exif_picture.h"
#include "main_window/tools_menu.h"
#include "main_window_fixture.h"
#include "photo_import/f_import.h"
#include "store/diary/memo_files.h"
#include "user_input.h"

class TestFImport : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void importing_three_days() {
    testing_support::MainWindowFixture f;
    const QString photos = f.dir_path + QStringLiteral("DCIM/");
    QVERIFY(QDir().mkpath(photos));
    const QStringList taken{"2026:05:20 10:32:00", "2026:05:20 09:15:00", "2026:05:21 07:00:00", "2026:05:22 18:00:00"};
    for (int i = 0; i < taken.size(); ++i) {
      QVERIFY(testing_support::write_exif_picture(photos + QStringLiteral("IMG_%1.JPG").arg(i + 1), taken[i]));
    }
    // The diary already holds the photo of the 22nd.
    QVERIFY(f.write_index({"2026/05/22", "花壇", "バラ", "夕方", " 1 ", "2026/05/22 19:00:00", "2026/05/22 19:00:00"}));
    QVERIFY(store::save_image_list(f.dir_path, QStringLiteral(" 1 "), {{photos + QStringLiteral("IMG_4.JPG"), "夕方"}}).ok);
    Main_form& form = f.load();
    QVERIFY(f.loaded);
    user_input::show_active(&form);
    form.tools().import_folder = [&](QWidget*) { return photos; };
    QStringList rows;
    const auto drive = [&](F_import& w) {
      user_input::show_active(&w);
      w.wait_for_scan();
      for (int r = 0; r < w.Grid1->rowCount(); ++r) {
        rows << w.Grid1->item(r, F_import::Day)->text() + QLatin1Char(' ') + w.Grid1->item(r, F_import::Count)->text() +
                    (w.Grid1->item(r, F_import::Take)->checkState() == Qt::Checked ? " ✓" : "");
      }
      QCOMPARE(static_cast<QComboBox*>(w.Grid1->cellWidget(0, F_import::Location))->currentText(), QStringLiteral("花壇"));
      user_input::click(w.Command1);
    };
    form.run_modal = [&](QDialog& d) {
      drive(static_cast<F_import&>(d));
      return d.result();
    };

    form.tools().Menu_import->trigger();

    QCOMPARE(rows, (QStringList{"2026/05/22 1 枚（1 枚は登録済み）", "2026/05/21 1 枚 ✓", "2026/05/20 2 枚 ✓"}));
    QCOMPARE(f.titles(), (QStringList{"夕方", "写真 1 枚", "写真 2 枚"}));
    QCOMPARE(f.state->settings.highest_memo_no, 3);
    const store::ImageListResult day20 = store::read_image_list(f.dir_path, f.state->memo_table.text(2, store::MemoField::MemoNo));
    QCOMPARE(day20.images.size(), size_t(2));
    QCOMPARE(day20.images[0].title, QStringLiteral("09:15"));
    QCOMPARE(f.state->memo_table.text(2, store::MemoField::Date), QStringLiteral("2026/05/20"));
    QVERIFY(f.messages.log.back().text.startsWith(QStringLiteral("2 件のメモに写真 3 枚を取り込みました。")));
  }
};

QTEST_MAIN(TestFImport)
#include "test_f_import.moc"
