// 写真の取り込み driven with the mouse and the keyboard: a folder holding
// three days of photos, one of them already in the diary, lists three days
// with that one unable to be checked; 取り込む creates two memos with the
// days' dates and their photos titled by time, and the main list shows
// them. Thumbnails open in the full-size viewer; the window's size and the
// folder are kept for the next opening.

#include <QAccessible>
#include <QComboBox>
#include <QImageReader>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QtTest>
#include <future>

#include "exif_picture.h"
#include "layout_check.h"
#include "main_window/tools_menu.h"
#include "main_window_fixture.h"
#include "photo_import/f_import.h"
#include "photo_import/photo_strip.h"
#include "picture_viewer/f_gensun.h"
#include "seasons/thumbnail_loader.h"
#include "store/diary/memo_files.h"
#include "store/pictures/copy_records.h"
#include "store/diary/own_settings.h"
#include "user_input.h"

namespace {

// Whether the cell shows something dark (text) in `box` (cell pixels; the
// whole cell when empty).
bool dark_in(QTableView* view, const QModelIndex& index, QRect box = {}) {
  const QImage cell = view->viewport()->grab(view->visualRect(index)).toImage();
  if (box.isEmpty()) box = cell.rect();
  for (int y = box.top(); y <= box.bottom(); ++y) {
    for (int x = box.left(); x <= box.right(); ++x) {
      if (cell.pixelColor(x, y).lightness() < 80) return true;
    }
  }
  return false;
}

// A day of `photos` photos taken at 09:00, 09:01 ... in `folder`.
store::ImportDay day_of(int d, int photos, const QString& folder = QStringLiteral("/p/")) {
  store::ImportDay day{QDate(2026, 6, d), {}};
  for (int i = 0; i < photos; ++i) {
    store::ImportPhoto photo;
    photo.path = QStringLiteral("%1%2_%3.JPG").arg(folder).arg(d).arg(i);
    photo.taken = QDateTime(day.day, QTime(9, i));
    photo.size = 1;
    day.photos.push_back(photo);
  }
  return day;
}

}  // namespace

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
    // A screenshot without EXIF has its day in its name; as a PNG it comes
    // in as a JPEG copy. A video is left out.
    QImage screenshot(40, 30, QImage::Format_RGB32);
    screenshot.fill(Qt::darkGreen);
    QVERIFY(screenshot.save(photos + QStringLiteral("Screenshot_20260521-080000.png")));
    QVERIFY(testing_support::write_bytes(photos + QStringLiteral("IMG_1.MOV"), "video"));
    const QString copy = f.dir_path + QStringLiteral("Pictures/Verdalis/2026/Screenshot_20260521-080000.jpg");
    // The diary already holds the photo of the 22nd.
    QVERIFY(f.write_index({"2026/05/22", "花壇", "バラ", "夕方", " 1 ", "2026/05/22 19:00:00", "2026/05/22 19:00:00"}));
    QVERIFY(store::save_image_list(f.dir_path, QStringLiteral(" 1 "), {{photos + QStringLiteral("IMG_4.JPG"), "夕方"}}).ok);
    Main_form& form = f.load();
    QVERIFY(f.loaded);
    user_input::show_active(&form);
    form.tools().import_folder = [&](QWidget*, const QString&) { return photos; };
    QStringList rows;
    QStringList spoken;
    const auto drive = [&](F_import& w) {
      w.pictures_folder = f.dir_path + QStringLiteral("Pictures");
      user_input::show_active(&w);
      w.wait_for_scan();
      QAccessibleInterface* table = QAccessible::queryAccessibleInterface(w.Grid1);
      spoken << table->text(QAccessible::Name);
      for (int r = 0; r < w.Grid1->rowCount(); ++r) {
        rows << w.Grid1->verticalHeaderItem(r)->text() + QLatin1Char(' ') + w.Grid1->item(r, F_import::Count)->text() +
                    (w.Grid1->item(r, F_import::Take)->checkState() == Qt::Checked ? " ✓" : "");
        QAccessibleInterface* take = table->tableInterface()->cellAt(r, F_import::Take);
        spoken << take->text(QAccessible::Name) + (take->state().checkable ? " ☐" : "");
      }
      QCOMPARE(w.Grid1->item(0, F_import::Location)->text(), QStringLiteral("花壇"));
      // A click opens the location's drop-down box; a new name is typed.
      user_input::click_row(w.Grid1, 1, F_import::Location);
      QVERIFY(qobject_cast<QComboBox*>(QApplication::focusWidget()));
      user_input::key(Qt::Key_A, Qt::ControlModifier);
      user_input::type_text(QStringLiteral("温室"));
      user_input::key(Qt::Key_Return);
      QTRY_COMPARE(w.Grid1->item(1, F_import::Location)->text(), QStringLiteral("温室"));
      // The day already in the diary proposes no title, says on screen that
      // it has nothing new, and neither a click nor Space checks it.
      QCOMPARE(w.Grid1->item(0, F_import::Title)->text(), QString());
      const QModelIndex strip = w.Grid1->model()->index(0, F_import::Photos);
      QVERIFY(dark_in(w.Grid1, strip));
      user_input::click_row(w.Grid1, 0, F_import::Take);
      user_input::key(Qt::Key_Space);
      QCOMPARE(w.Grid1->item(0, F_import::Take)->checkState(), Qt::Unchecked);
      QCOMPARE(w.Label2->text(), QStringLiteral("取り込まないもの：動画 1 個"));
      user_input::click(w.Command1);
      // The copy is made in the background; the memos are saved after it.
      w.wait_for_scan();
    };
    form.run_modal = [&](QDialog& d) {
      drive(static_cast<F_import&>(d));
      return d.result();
    };

    form.tools().Menu_import->trigger();

    QCOMPARE(rows, (QStringList{"2026/05/22 1 枚\n（1 枚は登録済み）", "2026/05/21\n（ファイル名の日付） 2 枚 ✓",
                                "2026/05/20 2 枚 ✓"}));
    QCOMPARE(spoken, (QStringList{"取り込む日の一覧", "2026/05/22（新しい写真はありません）", "2026/05/21 を取り込む ☐",
                                  "2026/05/20 を取り込む ☐"}));
    QCOMPARE(f.titles(), (QStringList{"夕方", "写真 2 枚", "写真 2 枚"}));
    QCOMPARE(f.state->memo_table.text(1, store::MemoField::Location), QStringLiteral("温室"));
    QVERIFY(f.state->location_list.names.contains(QStringLiteral("温室")));
    QCOMPARE(f.state->settings.highest_memo_no, 3);
    const store::ImageListResult day20 = store::read_image_list(f.dir_path, f.state->memo_table.text(2, store::MemoField::MemoNo));
    QCOMPARE(day20.images.size(), size_t(2));
    QCOMPARE(day20.images[0].title, QStringLiteral("09:15"));
    QCOMPARE(f.state->memo_table.text(2, store::MemoField::Date), QStringLiteral("2026/05/20"));
    QVERIFY(f.messages.log.back().text.startsWith(QStringLiteral("2 件のメモに写真 4 枚を取り込みました。")));
    // The day of the 21st refers to the JPEG copy, made where pictures go,
    // and the record of imports knows where it came from.
    const store::ImageListResult day21 = store::read_image_list(f.dir_path, f.state->memo_table.text(1, store::MemoField::MemoNo));
    QCOMPARE(day21.images.size(), size_t(2));
    QCOMPARE(day21.images[1].path, copy);
    QCOMPARE(QImageReader(copy).format(), QByteArray("jpeg"));
    QCOMPARE(store::CopyIndex(store::read_copy_records(f.dir_path)).by_source.value(photos + QStringLiteral("Screenshot_20260521-080000.png")),
             copy);
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
    // At the usual size every box of a row is in sight without scrolling.
    if (points == 0) QCOMPARE(w.Grid1->horizontalScrollBar()->maximum(), 0);
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
    // The strip still holds a photo and a 「+n」 tile.
    QVERIFY(w.Grid1->columnWidth(F_import::Photos) >= 2 * (seasons::AlbumTileSide + 4));

    // Enter on a check box or a closed box imports nothing.
    user_input::click_row(w.Grid1, 0, F_import::Take);
    user_input::key(Qt::Key_Return);
    user_input::click_row(w.Grid1, 1, F_import::Title);
    user_input::key(Qt::Key_Enter);
    QTRY_COMPARE(QApplication::focusWidget(), w.Grid1);  // the title's box closes a moment later
    QVERIFY(w.isVisible());
    QCOMPARE(f.state->memo_count(), 1);

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
    const auto day = [](int d, int photos) { return day_of(d, photos); };
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
    QCOMPARE(w.Grid1->verticalHeaderItem(0)->text(), QStringLiteral("2026/06/03"));
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
  // A double-click on a thumbnail (or Enter on a strip) shows the photo in
  // the viewer, titled as it would be imported, and 次 pages through the
  // day. A wide window shows more than eight; the usual one ends its strip
  // in a 「+n」 tile (tile -1: the last in the cell) that opens the first
  // photo it counts.
  void opening_photos_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("photos");
    QTest::addColumn<int>("tile");  // -2: Enter on the strip
    QTest::addColumn<QStringList>("seen");
    QTest::newRow("wide window, tenth tile") << 1600 << 12 << 9 << QStringList{"09:09", "09:10"};
    QTest::newRow("usual size, +n tile") << 980 << 30 << -1 << QStringList{};
    QTest::newRow("last photo of the day") << 1600 << 3 << 2 << QStringList{"09:02", "09:02", "次の画像はありません"};
    QTest::newRow("Enter on the strip") << 980 << 3 << -2 << QStringList{"09:00", "09:01"};
  }

  void opening_photos() {
    QFETCH(int, width);
    QFETCH(int, photos);
    QFETCH(int, tile);
    QFETCH(QStringList, seen);
    testing_support::MainWindowFixture f;
    Main_form& form = f.load();
    seasons::ThumbnailLoader thumbnails(seasons::AlbumTileSide, f.dir_path + QStringLiteral("cache"));
    F_import w(*f.state, f.messages, form, thumbnails, &form);
    const store::ImportDay day = day_of(1, photos, f.dir_path);
    for (const store::ImportPhoto& photo : day.photos) QVERIFY(QFile(photo.path).open(QIODevice::WriteOnly));
    w.scan_folder = [&](const QString&, const store::KnownSource&, const std::atomic_bool&, const store::ScanProgress&) {
      store::ImportScan scan;
      scan.days = {day};
      return scan;
    };
    QStringList viewed;
    w.run_viewer = [&](QDialog& d) {
      auto& viewer = static_cast<F_gensun&>(d);
      const auto messages = f.messages.log.size();
      viewer.show();
      viewed << viewer.Text1->toPlainText();
      user_input::click(viewer.Command3);
      viewed << viewer.Text1->toPlainText();
      if (f.messages.log.size() > messages) viewed << f.messages.log.back().text;
      return 0;
    };
    w.resize(width, 520);
    user_input::show_active(&w);
    w.start_scan(f.dir_path);
    w.wait_for_scan();
    const QModelIndex strip = w.Grid1->model()->index(0, F_import::Photos);
    const QRect cell = w.Grid1->visualRect(strip);
    if (tile == -2) {
      // The strip made current by the mouse is marked as current.
      const QColor corner = w.Grid1->viewport()->grab(cell).toImage().pixelColor(1, 1);
      user_input::click_row(w.Grid1, 0, F_import::Photos);
      QVERIFY(w.Grid1->viewport()->grab(cell).toImage().pixelColor(1, 1) != corner);
      user_input::key(Qt::Key_Return);
    } else {
      if (tile == -1) {
        while (photo_import::tile_rect(cell, tile + 1, seasons::AlbumTileSide).right() <= cell.right()) ++tile;
        // It reads 「+n」 (dark text); the photo tile before it does not.
        const QRect last = photo_import::tile_rect(cell, tile, seasons::AlbumTileSide).translated(-cell.topLeft());
        QVERIFY(dark_in(w.Grid1, strip, last));
        QVERIFY(!dark_in(w.Grid1, strip, last.translated(-last.width() - 4, 0)));
        for (const int photo : {tile, tile + 1}) seen << QStringLiteral("09:%1").arg(photo, 2, 10, QLatin1Char('0'));
      }
      const QPoint at = photo_import::tile_rect(cell, tile, seasons::AlbumTileSide).center();
      QTest::mouseClick(w.Grid1->viewport(), Qt::LeftButton, Qt::NoModifier, at);
      QTest::mouseDClick(w.Grid1->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    }
    QTRY_COMPARE(viewed, seen);
  }

  // The folder dialog opens at the folder chosen last (or the nearest one
  // above it still there, else home) and the window at its last size, both
  // kept in verdalis.ini beside other tools' keys; a file that cannot be
  // written is named once, and the choice holds for the run.
  void kept_between_openings_data() {
    QTest::addColumn<QString>("kept");  // %1: the data folder; "/": verdalis.ini is a folder
    QTest::addColumn<QString>("start");
    QTest::addColumn<QSize>("size");  // empty: the window's minimum
    const QString home = QDir::homePath();
    QTest::newRow("nothing kept") << "" << home << QSize(980, 520);
    QTest::newRow("folder and size") << "import.folder=%1/DCIM\r\nimport.size=700,450" << "%1/DCIM" << QSize(700, 450);
    QTest::newRow("card taken out") << "import.folder=%1/card/DCIM/100" << "%1" << QSize(980, 520);
    QTest::newRow("not a size") << "import.size=700;450" << home << QSize(980, 520);
    QTest::newRow("below the minimum") << "import.size=10,10" << home << QSize();
    QTest::newRow("file unwritable") << "/" << home << QSize(980, 520);
  }

  void kept_between_openings() {
    QFETCH(QString, kept);
    QFETCH(QString, start);
    QFETCH(QSize, size);
    testing_support::MainWindowFixture f;
    const QString ini = f.dir_path + QStringLiteral("verdalis.ini"), photos = f.dir_path + QStringLiteral("DCIM");
    QVERIFY(QDir().mkpath(photos));
    QVERIFY(kept == "/" ? QDir().mkpath(ini)
                        : testing_support::write_bytes(ini, "search.fold=1\r\n" + kept.replace("%1", f.dir.path()).toUtf8()));
    Main_form& form = f.load();
    user_input::show_active(&form);
    QStringList starts;
    form.tools().import_folder = [&](QWidget*, const QString& from) {
      starts << from;
      return photos;
    };
    QList<QSize> sizes{QSize()};  // the first: the window's minimum
    form.run_modal = [&](QDialog& d) {
      user_input::show_active(&d);
      static_cast<F_import&>(d).wait_for_scan();
      sizes << d.size();
      sizes[0] = d.minimumSize();
      d.resize(720, 480);
      user_input::key(Qt::Key_Escape);
      return d.result();
    };
    form.tools().Menu_import->trigger();
    form.tools().Menu_import->trigger();

    QCOMPARE(starts, (QStringList{start.replace("%1", f.dir.path()), photos}));
    QCOMPARE(sizes.mid(1), (QList<QSize>{size.isEmpty() ? sizes[0] : size, QSize(720, 480)}));
    QCOMPARE(f.messages.log.size(), kept == "/" ? 1 : 0);
    if (kept == "/") QVERIFY(f.messages.log[0].text.contains(QStringLiteral("verdalis.ini")));
    store::OwnSettings settings(ini);
    settings.load();
    QCOMPARE(settings.value(QStringLiteral("search.fold")), kept == "/" ? QString() : QStringLiteral("1"));
  }
};

QTEST_MAIN(TestFImport)
#include "test_f_import.moc"
