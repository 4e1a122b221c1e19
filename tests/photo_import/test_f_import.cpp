// 写真の取り込み driven with the mouse: a folder holding three days of
// photos, one of them already in the diary, lists three days with that one
// unchecked; 取り込む creates two memos with the days' dates and their photos
// titled by time, and the main list shows them.

#include <QComboBox>
#include <QLineEdit>
#include <QTableWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>
#include <future>

#include "exif_picture.h"
#include "layout_check.h"
#include "main_window/tools_menu.h"
#include "main_window_fixture.h"
#include "photo_import/f_import.h"
#include "seasons/thumbnail_loader.h"
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
      QCOMPARE(w.Grid1->item(0, F_import::Location)->text(), QStringLiteral("花壇"));
      // A click opens the location's drop-down box; a new name is typed.
      user_input::click_row(w.Grid1, 1, F_import::Location);
      QVERIFY(qobject_cast<QComboBox*>(QApplication::focusWidget()));
      user_input::key(Qt::Key_A, Qt::ControlModifier);
      user_input::type_text(QStringLiteral("温室"));
      user_input::key(Qt::Key_Return);
      QTRY_COMPARE(w.Grid1->item(1, F_import::Location)->text(), QStringLiteral("温室"));
      // The day already in the diary, chosen anyway, proposes no title and
      // adds nothing.
      QCOMPARE(w.Grid1->item(0, F_import::Title)->text(), QString());
      user_input::click_row(w.Grid1, 0, F_import::Day);
      user_input::key(Qt::Key_Home);
      user_input::key(Qt::Key_Space);
      QCOMPARE(w.Grid1->item(0, F_import::Take)->checkState(), Qt::Checked);
      user_input::click(w.Command1);
    };
    form.run_modal = [&](QDialog& d) {
      drive(static_cast<F_import&>(d));
      return d.result();
    };

    form.tools().Menu_import->trigger();

    QCOMPARE(rows, (QStringList{"2026/05/22 1 枚（1 枚は登録済み）", "2026/05/21 1 枚 ✓", "2026/05/20 2 枚 ✓"}));
    QCOMPARE(f.titles(), (QStringList{"夕方", "写真 1 枚", "写真 2 枚"}));
    QCOMPARE(f.state->memo_table.text(1, store::MemoField::Location), QStringLiteral("温室"));
    QVERIFY(f.state->location_list.names.contains(QStringLiteral("温室")));
    QCOMPARE(f.state->settings.highest_memo_no, 3);
    const store::ImageListResult day20 = store::read_image_list(f.dir_path, f.state->memo_table.text(2, store::MemoField::MemoNo));
    QCOMPARE(day20.images.size(), size_t(2));
    QCOMPARE(day20.images[0].title, QStringLiteral("09:15"));
    QCOMPARE(f.state->memo_table.text(2, store::MemoField::Date), QStringLiteral("2026/05/20"));
    QVERIFY(f.messages.log.back().text.startsWith(QStringLiteral("2 件のメモに写真 3 枚を取り込みました。")));
  }

  // The keyboard alone: Tab goes through each row's check box, location,
  // variety and title, also out of an open box, then round the window in
  // reading order, Shift+Tab back into the last title; the access keys
  // reach their controls, Esc closes;
  // at its minimum size, in the default font and in a large one, nothing
  // overlaps.
  void keyboard_and_minimum_size_data() {
    QTest::addColumn<int>("points");
    QTest::newRow("default font") << 0;
    QTest::newRow("14 pt") << 14;
  }

  void keyboard_and_minimum_size() {
    QFETCH(int, points);
    const testing_support::ScopedAppFont font(points);
    testing_support::MainWindowFixture f;
    Main_form& form = f.load();
    seasons::ThumbnailLoader thumbnails(seasons::AlbumTileSide, f.dir_path + QStringLiteral("cache"));
    F_import w(*f.state, f.messages, form, thumbnails, &form);
    const QString photos = f.dir_path + QStringLiteral("DCIM/");
    QVERIFY(QDir().mkpath(photos));
    for (const int d : {1, 2}) {
      QVERIFY(testing_support::write_exif_picture(photos + QStringLiteral("%1.JPG").arg(d), QStringLiteral("2026:06:0%1 09:00:00").arg(d)));
    }
    user_input::show_active(&w);
    w.start_scan(photos);
    w.wait_for_scan();
    QCOMPARE(QApplication::focusWidget(), w.Grid1);
    // The current check box's cell is marked whole, not only beside the box.
    const QRect take = w.Grid1->visualRect(w.Grid1->model()->index(0, F_import::Take));
    const QImage cell = w.Grid1->viewport()->grab(take).toImage();
    QCOMPARE(cell.pixelColor(3, 3), cell.pixelColor(cell.width() - 4, 3));
    QVERIFY(cell.pixelColor(3, 3) != w.Grid1->viewport()->grab(take.translated(0, take.height())).toImage().pixelColor(3, 3));
    const auto where = [&w] {
      QWidget* focus = QApplication::focusWidget();
      // A box open in the table: its cell, starred.
      const bool open = focus != nullptr && focus->parentWidget() == w.Grid1->viewport();
      if (focus == w.Grid1 || open) {
        return QStringLiteral("%1,%2%3").arg(w.Grid1->currentRow()).arg(w.Grid1->currentColumn()).arg(open ? "*" : "");
      }
      return focus != nullptr ? focus->objectName() : QStringLiteral("none");
    };
    QStringList walked{where()};
    for (int i = 0; i < 11; ++i) {
      user_input::key(Qt::Key_Tab);
      walked << where();
      if (i == 1) {  // the first row's variety opened: Tab opens the title
        user_input::key(Qt::Key_F2);
        QVERIFY(qobject_cast<QComboBox*>(QApplication::focusWidget()));
      }
    }
    for (int i = 0; i < 4; ++i) user_input::key(Qt::Key_Backtab);
    walked << where();
    const QString t = QString::number(F_import::Take), l = QString::number(F_import::Location),
                  v = QString::number(F_import::Variety), n = QString::number(F_import::Title);
    QCOMPARE(walked, (QStringList{"0," + t, "0," + l, "0," + v, "0," + n + "*", "1," + t, "1," + l, "1," + v, "1," + n, "Option1",
                                  "Command1", "Command2", "0," + t, "1," + n}));
    user_input::key(Qt::Key_N, Qt::AltModifier);
    QTRY_VERIFY(w.Option2->isChecked());  // a button pressed by its key is clicked a moment later
    user_input::key(Qt::Key_T, Qt::AltModifier);
    QTRY_VERIFY(w.Option1->isChecked());

    w.resize(1, 1);
    QCOMPARE(w.size(), w.minimumSize());
    QCOMPARE(testing_support::layout_fault(&w, true), QString());

    user_input::key(Qt::Key_Escape);
    QVERIFY(!w.isVisible());
  }

  // Rows come while the folder is still read: the first days at once, a
  // new day above them, a day growing. A row keeps what the user changed in
  // it (unchecked with Space, a title typed half-way while its day grew)
  // and takes the new count; an untouched row takes the new title too.
  // 取り込む and the thumbnails wait for the end of the scan; Esc stops it.
  void rows_listed_while_scanning() {
    testing_support::MainWindowFixture f;
    Main_form& form = f.load();
    QVERIFY(f.loaded);
    seasons::ThumbnailLoader thumbnails(seasons::AlbumTileSide, f.dir_path + QStringLiteral("cache"));
    F_import w(*f.state, f.messages, form, thumbnails, &form);
    const auto day = [](int d, int photos) {
      store::ImportDay day{QDate(2026, 6, d), {}};
      for (int i = 0; i < photos; ++i) day.photos.push_back({QStringLiteral("/p/%1_%2.JPG").arg(d).arg(i), QDateTime(day.day, QTime(9, i)), false, 1, false});
      return day;
    };
    // The scan waits at each gate until the test opens it (at the latest
    // when the test ends, before the window goes).
    struct Gate {
      std::promise<void> promise;
      std::shared_future<void> opened = promise.get_future().share();
      bool open = false;
      void let_go() { if (!std::exchange(open, true)) promise.set_value(); }
      ~Gate() { let_go(); }
    };
    Gate first, second;
    w.scan_folder = [&](const QString&, const store::KnownSource&, const std::atomic_bool& cancel, const store::ScanProgress& progress) {
      const std::vector<store::ImportDay> early{day(2, 2), day(1, 1)};
      progress(3, &early);
      first.opened.wait();
      const std::vector<store::ImportDay> later{day(3, 1), day(2, 3), day(1, 2)};
      progress(5, &later);
      second.opened.wait();
      store::ImportScan scan;
      scan.days = {day(3, 1), day(2, 3), day(1, 3)};
      scan.cancelled = cancel.load();
      return scan;
    };
    user_input::show_active(&w);
    w.start_scan(f.dir_path);
    QTRY_COMPARE(w.Grid1->rowCount(), 2);
    QVERIFY(w.scanning());
    QVERIFY(!w.Command1->isEnabled());
    // No thumbnail is made while the folder is read, only plain tiles.
    w.Grid1->viewport()->repaint();
    QCOMPARE(thumbnails.state(QStringLiteral("/p/2_0.JPG")), seasons::ThumbnailLoader::State::Absent);
    QCOMPARE(QApplication::focusWidget(), w.Grid1);
    user_input::key(Qt::Key_Space);  // the current cell: the first day's check box
    user_input::click_row(w.Grid1, 1, F_import::Title);
    QVERIFY(qobject_cast<QLineEdit*>(QApplication::focusWidget()));
    user_input::key(Qt::Key_A, Qt::ControlModifier);
    user_input::type_text(QStringLiteral("夕方の"));

    first.let_go();
    QTRY_COMPARE(w.Grid1->rowCount(), 3);
    QVERIFY(w.scanning());
    user_input::type_text(QStringLiteral("庭"));
    user_input::key(Qt::Key_Return);
    // The view commits and closes its editor on its next turn.
    QTRY_COMPARE(w.Grid1->item(2, F_import::Title)->text(), QStringLiteral("夕方の庭"));
    QCOMPARE(w.Grid1->item(0, F_import::Day)->text(), QStringLiteral("2026/06/03"));
    QCOMPARE(w.Grid1->item(1, F_import::Take)->checkState(), Qt::Unchecked);
    QCOMPARE(w.Grid1->item(1, F_import::Count)->text(), QStringLiteral("3 枚"));
    QCOMPARE(w.Grid1->item(1, F_import::Title)->text(), QStringLiteral("写真 3 枚"));
    QCOMPARE(photo_import::strip_paths(*w.Grid1, 1).size(), 3);
    QVERIFY(!w.Command1->isEnabled());
    // Esc stops the scan and keeps the window and its rows.
    user_input::key(Qt::Key_Escape);
    QVERIFY(w.isVisible());

    second.let_go();
    QTRY_VERIFY(!w.scanning());
    w.Grid1->viewport()->repaint();
    QVERIFY(thumbnails.state(QStringLiteral("/p/2_0.JPG")) != seasons::ThumbnailLoader::State::Absent);
    QVERIFY(w.scan().cancelled);
    QVERIFY(w.Label1->text().startsWith(QStringLiteral("中止しました")));
    QVERIFY(w.Command1->isEnabled());
    QCOMPARE(w.listed_photos(), 7);
    QCOMPARE(w.Grid1->item(2, F_import::Count)->text(), QStringLiteral("3 枚"));
    QCOMPARE(w.Grid1->item(2, F_import::Title)->text(), QStringLiteral("夕方の庭"));
    QCOMPARE(w.Grid1->item(2, F_import::Take)->checkState(), Qt::Checked);

    // A chosen day without a variety is named, and its cell opened.
    for (const int row : {0, 2}) {
      w.Grid1->item(row, F_import::Location)->setText(QStringLiteral("花壇"));
      w.Grid1->item(row, F_import::Variety)->setText(row == 0 ? QStringLiteral("バラ") : QString());
    }
    const auto memos = f.state->memo_count();
    user_input::click(w.Command1);
    QCOMPARE(f.messages.log.back().text, QStringLiteral("2026/06/01 の品種を入力して下さい。"));
    QCOMPARE(w.Grid1->currentColumn(), int(F_import::Variety));
    QVERIFY(qobject_cast<QComboBox*>(QApplication::focusWidget()));
    QCOMPARE(f.state->memo_count(), memos);
  }
};

QTEST_MAIN(TestFImport)
#include "test_f_import.moc"
