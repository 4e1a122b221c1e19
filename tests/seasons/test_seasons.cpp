// The seasons windows: thumbnails of awkward pictures and the desktop's
// thumbnail cache (a file manager's thumbnail used, a stale or damaged one
// made again, a read-only cache tolerated), and the album and the season
// list driven with the mouse from the main window's menu.

#include <QAccessible>
#include <QImage>
#include <QBuffer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QListView>
#include <QMenuBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QtTest>
#include <fcntl.h>
#include <sys/stat.h>

#include "immutable_dir.h"
#include "main_window_fixture.h"
#include "main_window/tools_menu.h"
#include "seasons/album_grid.h"
#include "seasons/album_headers.h"
#include "seasons/f_album.h"
#include "seasons/f_season.h"
#include "seasons/thumbnail_loader.h"
#include "seasons/tile_delegate.h"
#include "seasons/window_place.h"
#include "store/seasons/thumbnail_cache.h"
#include "ui/click_list.h"

using testing_support::cp932_lines;
using testing_support::write_bytes;

namespace {

bool write_jpeg(const QString& path, QColor colour, QSize size = QSize(400, 300)) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(colour);
  return image.save(path, "JPEG", 90);
}

// A thumbnail as a file manager leaves it: one colour, the two texts.
bool write_cached(const QString& root, const QString& picture, QColor colour, const QString& mtime) {
  QImage image(100, 75, QImage::Format_RGB32);
  image.fill(colour);
  QBuffer png;
  png.open(QIODevice::WriteOnly);
  if (!image.save(&png, "PNG")) return false;
  const QString path = store::thumbnail_path(root, store::ThumbnailSize::Normal, picture);
  QDir().mkpath(QFileInfo(path).path());
  return write_bytes(path, store::with_png_texts(png.data(), {{"Thumb::URI", store::thumbnail_uri(picture)},
                                                              {"Thumb::MTime", mtime.toLatin1()}}));
}

QString mtime_of(const QString& path) { return QString::number(QFileInfo(path).lastModified().toSecsSinceEpoch()); }

void click_tool_item(Main_form& form, QAction* item) {
  QMenuBar* bar = form.menuBar();
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(form.tools().Menu_tool->menuAction()).center());
  QTRY_VERIFY(form.tools().Menu_tool->isVisible());
  QTest::mouseClick(form.tools().Menu_tool, Qt::LeftButton, {}, form.tools().Menu_tool->actionGeometry(item).center());
}

// As the mouse's wheel delivers it: a spontaneous event, which Qt hands
// on to the parents while no widget takes it.
void wheel(QWidget* w, QPoint delta, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QWheelEvent e(QPointF(w->rect().center()), QPointF(w->mapToGlobal(w->rect().center())), QPoint(), delta,
                Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
  QSpontaneKeyEvent::setSpontaneous(&e);
  QApplication::sendEvent(w, &e);
}

QListView* cell(seasons::F_album* album, int year, int month) {
  return album->findChild<QListView*>(QStringLiteral("cell_%1_%2").arg(year).arg(month));
}

// Memos of three years, all listed, with pictures (row 0 is 2025):
// 2025/05/03 three pictures, 2025/07/10 one, 2024/05/20 one, 2024/02/01
// one, 2023/11/30 one; and two memos of earlier years near today for
// この時期の記録.
Main_form& years_of_pictures(testing_support::MainWindowFixture& f, QTemporaryDir& pictures) {
  qputenv("XDG_CACHE_HOME", pictures.filePath(QStringLiteral("cache")).toUtf8());
  const auto near_today = [](int years, int days) {
    return QDate::currentDate().addYears(-years).addDays(days).toString(QStringLiteral("yyyy/MM/dd"));
  };
  const QString t = QStringLiteral("2020/01/01 00:00:00");
  const QStringList memos{near_today(1, -2), "花壇", "バラ", "去年", "6", t, t,
                          near_today(2, 3),  "花壇", "バラ", "一昨年", "7", t, t,
                          "2025/07/10", "花壇", "バラ", "7月", "2", t, t,
                          "2025/05/03", "花壇", "バラ", "5月", "1", t, t,
                          "2024/05/20", "花壇", "バラ", "前年5月", "3", t, t,
                          "2024/02/01", "花壇", "バラ", "前年2月", "4", t, t,
                          "2023/11/30", "花壇", "バラ", "11月", "5", t, t};
  f.write_index(memos);
  const auto picture = [&](int n) {
    const QString path = pictures.filePath(QStringLiteral("p%1.png").arg(n));
    QImage image(120, 90, QImage::Format_RGB32);
    image.fill(QColor::fromHsv(n * 40 % 360, 200, 220));
    image.save(path, "PNG");
    return path;
  };
  write_bytes(f.dir_path + "memo/g0000001.txt", cp932_lines({picture(1), "一枚目", picture(2), "二枚目", picture(3), "三枚目"}));
  write_bytes(f.dir_path + "memo/g0000002.txt", cp932_lines({picture(4), "七月"}));
  write_bytes(f.dir_path + "memo/g0000003.txt", cp932_lines({picture(5), "前年"}));
  write_bytes(f.dir_path + "memo/g0000004.txt", cp932_lines({picture(6), "二月"}));
  write_bytes(f.dir_path + "memo/g0000005.txt", cp932_lines({picture(7), "十一月"}));
  Main_form& form = f.load();
  user_input::show_active(&form);
  return form;
}

seasons::F_album* open_album(Main_form& form) {
  click_tool_item(form, form.tools().Menu_album);
  if (!QTest::qWaitFor([&] { return form.tools().album() && form.tools().album()->grid() && !form.tools().album()->busy(); })) {
    return nullptr;
  }
  user_input::show_active(form.tools().album());
  return form.tools().album();
}

seasons::F_season* open_season(Main_form& form) {
  click_tool_item(form, form.tools().Menu_season);
  if (!form.tools().season()) return nullptr;
  user_input::show_active(form.tools().season());
  return form.tools().season();
}

int row_of(seasons::F_album* album, int year) {
  for (size_t i = 0; i < album->years().size(); ++i) {
    if (album->years()[i].year == year) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace

class TestSeasons : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void pictures_without_a_thumbnail_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing") << "missing";
    QTest::newRow("FIFO") << "fifo";
    QTest::newRow("directory") << "dir";
    QTest::newRow("empty file") << "empty";
    QTest::newRow("truncated JPEG") << "truncated";
    QTest::newRow("60000 x 60000 header") << "huge";
    QTest::newRow("not a picture") << "text";
  }
  void pictures_without_a_thumbnail() {
    QFETCH(QString, kind);
    QTemporaryDir tmp;
    const QString path = tmp.filePath(QStringLiteral("p.jpg"));
    const QString root = tmp.filePath(QStringLiteral("thumbnails"));
    if (kind == QLatin1String("fifo")) QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    if (kind == QLatin1String("dir")) QVERIFY(QDir().mkpath(path));
    if (kind == QLatin1String("empty")) QVERIFY(write_bytes(path, {}));
    if (kind == QLatin1String("text")) QVERIFY(write_bytes(path, "no picture here"));
    if (kind == QLatin1String("truncated")) {
      QVERIFY(write_jpeg(path, Qt::red));
      QVERIFY(QFile::resize(path, QFileInfo(path).size() / 2));
    }
    if (kind == QLatin1String("huge")) {
      // A BMP header declaring 60000 × 60000 pixels, with no pixels.
      QByteArray bmp(54, '\0');
      bmp[0] = 'B';
      bmp[1] = 'M';
      qToLittleEndian<quint32>(54, bmp.data() + 10);
      qToLittleEndian<quint32>(40, bmp.data() + 14);
      qToLittleEndian<qint32>(60000, bmp.data() + 18);
      qToLittleEndian<qint32>(60000, bmp.data() + 22);
      qToLittleEndian<quint16>(1, bmp.data() + 26);
      qToLittleEndian<quint16>(24, bmp.data() + 28);
      QVERIFY(write_bytes(path, bmp));
    }
    QVERIFY(seasons::make_thumbnail(path, 72, root).isNull());
    QVERIFY(!QFileInfo::exists(store::thumbnail_path(root, store::ThumbnailSize::Normal, path)));
  }

  void the_desktops_thumbnail_cache() {
    QTemporaryDir tmp;
    const QString picture = tmp.filePath(QStringLiteral("庭 の/バラ.jpg"));
    const QString root = tmp.filePath(QStringLiteral("cache/thumbnails"));
    QVERIFY(QDir().mkpath(QFileInfo(picture).path()));
    QVERIFY(write_jpeg(picture, Qt::red, QSize(600, 300)));
    const struct timespec times[2] = {{1700000000, 0}, {1700000000, 750000000}};
    QVERIFY(::utimensat(AT_FDCWD, QFile::encodeName(picture).constData(), times, 0) == 0);
    const QString cached = store::thumbnail_path(root, store::ThumbnailSize::Normal, picture);

    // Made once and written for the whole desktop, at most 128 pixels,
    // compressed (its raw pixels alone would take 24 KB), with the
    // picture's whole seconds since the epoch.
    QImage made = seasons::make_thumbnail(picture, 72, root);
    QCOMPARE(made.size(), QSize(72, 36));
    const QByteArray bytes = testing_support::read_bytes(cached);
    const auto written = store::png_texts(bytes);
    QCOMPARE(written.value("Thumb::URI"), store::thumbnail_uri(picture));
    QCOMPARE(written.value("Thumb::MTime"), QByteArray("1700000000"));
    QCOMPARE(QImage(cached).size(), QSize(128, 64));
    QVERIFY2(bytes.size() < 4096, QByteArray::number(bytes.size()).constData());

    // A file manager's fresh thumbnail is used as it is.
    QVERIFY(write_cached(root, picture, Qt::blue, mtime_of(picture)));
    QCOMPARE(seasons::make_thumbnail(picture, 72, root).pixelColor(5, 5), QColor(Qt::blue));
    // A stale one (the picture changed since) is made again.
    QVERIFY(write_cached(root, picture, Qt::blue, QStringLiteral("12345")));
    QVERIFY(seasons::make_thumbnail(picture, 72, root).pixelColor(5, 5).red() > 200);
    QCOMPARE(QString::fromLatin1(store::png_texts(testing_support::read_bytes(cached)).value("Thumb::MTime")),
             mtime_of(picture));
    // A damaged one too.
    QVERIFY(write_bytes(cached, QByteArray("\x89PNG\r\n\x1a\n broken", 16)));
    QVERIFY(seasons::make_thumbnail(picture, 72, root).pixelColor(5, 5).red() > 200);
    QVERIFY(!QImage(cached).isNull());
    // A cache that refuses writing still gives the thumbnail.
    QVERIFY(QFile::remove(cached));
    ImmutableDir locked;
    if (!locked.protect(QFileInfo(cached).path())) QSKIP("the cache cannot be made read-only here");
    QVERIFY(!seasons::make_thumbnail(picture, 72, root).isNull());
    QVERIFY(!QFileInfo::exists(cached));
  }

  // Thumbnails that finish while the interface thread is busy are taken a
  // few milliseconds per turn: every one arrives once, and idle comes once,
  // after the last.
  void thumbnails_finished_in_a_burst_data() {
    QTest::addColumn<int>("pictures");
    QTest::addColumn<int>("missing");
    QTest::newRow("pictures") << 300 << 0;
    QTest::newRow("pictures and missing files") << 200 << 200;
  }
  void thumbnails_finished_in_a_burst() {
    QFETCH(int, pictures);
    QFETCH(int, missing);
    QTemporaryDir tmp;
    const QString root = tmp.filePath(QStringLiteral("thumbnails"));
    const QString original = tmp.filePath(QStringLiteral("original.jpg"));
    QVERIFY(write_jpeg(original, Qt::green, QSize(160, 120)));
    QStringList paths;
    for (int i = 0; i < pictures; ++i) {
      paths << tmp.filePath(QStringLiteral("p%1.jpg").arg(i));
      QCOMPARE(::link(QFile::encodeName(original).constData(), QFile::encodeName(paths.back()).constData()), 0);
    }
    for (int i = 0; i < missing; ++i) paths << tmp.filePath(QStringLiteral("gone%1.jpg").arg(i));
    seasons::ThumbnailLoader loader(72, root);
    QSignalSpy ready(&loader, &seasons::ThumbnailLoader::ready);
    QSignalSpy idle(&loader, &seasons::ThumbnailLoader::idle);
    loader.prefetch(paths);
    // Each picture's cache file is written after its thumbnail was handed
    // over; until they are all there, no event is taken here.
    QDeadlineTimer limit(60000);
    const auto all_written = [&] {
      for (int i = 0; i < pictures; ++i) {
        if (!QFileInfo::exists(store::thumbnail_path(root, store::ThumbnailSize::Normal, paths[i]))) return false;
      }
      return true;
    };
    while (!all_written() && !limit.hasExpired()) QThread::yieldCurrentThread();
    QVERIFY(all_written());
    QTRY_COMPARE(idle.count(), 1);
    QCOMPARE(ready.count(), pictures + missing);
    QSet<QString> arrived;
    for (const QList<QVariant>& args : ready) arrived.insert(args.at(0).toString());
    QCOMPARE(arrived.size(), pictures + missing);
    QVERIFY(!loader.busy());
    for (int i = 0; i < pictures + missing; ++i) {
      QCOMPARE(loader.state(paths[i]), i < pictures ? seasons::ThumbnailLoader::State::Ready
                                                    : seasons::ThumbnailLoader::State::NoPicture);
    }
  }

  void album_and_season_list_with_the_mouse() {
    testing_support::MainWindowFixture f;
    QTemporaryDir elsewhere;
    qputenv("XDG_CACHE_HOME", elsewhere.filePath(QStringLiteral("cache")).toUtf8());
    const QString a1 = elsewhere.filePath(QStringLiteral("a1.jpg"));
    const QString a2 = elsewhere.filePath(QStringLiteral("a2.jpg"));
    const QString c1 = elsewhere.filePath(QStringLiteral("c1.jpg"));
    const QString fifo = elsewhere.filePath(QStringLiteral("fifo.jpg"));
    QVERIFY(write_jpeg(a1, Qt::red) && write_jpeg(a2, Qt::green) && write_jpeg(c1, Qt::blue));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString last_year = QDate::currentDate().addYears(-1).addDays(-3).toString(QStringLiteral("yyyy/MM/dd"));
    const QStringList memos{last_year,    "温室", "バラ", "去年の今ごろ", "4", "2020/01/01 00:00:00", "2020/01/01 00:00:00",
                            "2025/06/01", "温室", "バラ", "温室の6月",   "3", "2020/01/01 00:00:00", "2020/01/01 00:00:00",
                            "2025/05/03", "花壇", "バラ", "花壇の5月",   "1", "2020/01/01 00:00:00", "2020/01/01 00:00:00",
                            "2024/5/10",  "花壇", "バラ", "日付が変",    "5", "2020/01/01 00:00:00", "2020/01/01 00:00:00",
                            "2024/05/10", "花壇", "バラ", "花壇の前年",  "2", "2020/01/01 00:00:00", "2020/01/01 00:00:00"};
    QVERIFY(f.write_index(memos));
    // Five pictures in May 2025: more than the cell shows at once.
    QStringList may_pictures{a1, "一枚目", a2, "二枚目"};
    for (int i = 3; i <= 5; ++i) {
      may_pictures << elsewhere.filePath(QStringLiteral("a%1.jpg").arg(i)) << QStringLiteral("%1枚目").arg(i);
      QVERIFY(write_jpeg(may_pictures[may_pictures.size() - 2], Qt::yellow));
    }
    QVERIFY(write_bytes(f.dir_path + "memo/g0000001.txt", cp932_lines(may_pictures)));
    QVERIFY(write_bytes(f.dir_path + "memo/g0000002.txt", cp932_lines({fifo, "FIFO"})));
    QVERIFY(write_bytes(f.dir_path + "memo/g0000003.txt", cp932_lines({c1, "温室"})));
    QVERIFY(write_bytes(f.dir_path + "memo/g0000004.txt", cp932_lines({c1, "去年"})));
    QVERIFY(write_bytes(f.dir_path + "memo/g0000005.txt", cp932_lines({a1, "変"})));
    QVERIFY(write_bytes(f.dir_path + "basyo.dat", cp932_lines({"花壇", "温室"})));
    Main_form& form = f.load();
    QVERIFY(f.loaded);
    const auto files_before = testing_support::snapshot(f.dir_path);
    user_input::show_active(&form);
    user_input::pick(form.Combo1, 0);  // 花壇
    QCOMPARE(f.state->listed_count, 3);

    click_tool_item(form, form.tools().Menu_album);
    QTRY_VERIFY(form.tools().album() && form.tools().album()->grid() && !form.tools().album()->busy());
    seasons::F_album* album = form.tools().album();
    QVERIFY(album->isVisible() && !album->isModal());
    QCOMPARE(album->years().size(), 2u);  // the memo dated "2024/5/10" is skipped
    QCOMPARE(album->years()[0].year, 2025);
    album->body()->horizontalScrollBar()->setValue(0);  // January to June in sight
    QTRY_VERIFY(cell(album, 2025, 5) && cell(album, 2024, 5));
    QListView* may = cell(album, 2025, 5);
    QVERIFY(!cell(album, 2025, 6));
    QTRY_COMPARE(album->visible_waiting(), 0);
    QCOMPARE(album->loader().state(a1), seasons::ThumbnailLoader::State::Ready);
    QCOMPARE(album->loader().state(fifo), seasons::ThumbnailLoader::State::NoPicture);
    QCOMPARE(may->model()->index(1, 0).data(Qt::ToolTipRole).toString(), QStringLiteral("二枚目\n2025/05/03"));

    // A click on the second picture: its memo and that picture in the pane.
    const QPoint second = user_input::item_centre(may, may->model()->index(1, 0));
    QTest::mouseClick(may->viewport(), Qt::LeftButton, {}, second);
    QCOMPARE(form.current_memo_no(), QStringLiteral("1"));
    QCOMPARE(form.List1->selected_row(), 1);
    QCOMPARE(form.Label3->text(), a2);
    QCOMPARE(f.state->current_image_no, 2);

    // A double-click on the first opens the full-size viewer on it.
    QString viewer_caption;
    form.run_modal = [&](QDialog& d) {
      viewer_caption = d.windowTitle();
      return 0;
    };
    const QPoint first = user_input::item_centre(may, may->model()->index(0, 0));
    QTest::mouseClick(may->viewport(), Qt::LeftButton, {}, first);
    QTest::mouseDClick(may->viewport(), Qt::LeftButton, {}, first);
    QTRY_VERIFY(viewer_caption.startsWith(a1));
    QCOMPARE(f.state->current_image_no, 1);

    // The cell scrolled to its end with its arrow: the tiles in sight are
    // the last ones, and they are the ones drawn when thumbnails come.
    QScrollBar* across = may->horizontalScrollBar();
    QVERIFY(across->isVisible());
    for (int i = 0; i < 8; ++i) QTest::mouseClick(across, Qt::LeftButton, {}, QPoint(across->width() - 4, across->height() / 2));
    QCOMPARE(across->value(), across->maximum());
    QStringList in_sight;
    for (int row = 0; row < may->model()->rowCount(); ++row) {
      const QModelIndex index = may->model()->index(row, 0);
      const QRect tile = may->visualRect(index).intersected(may->viewport()->rect());
      const QRect in_album(may->viewport()->mapTo(album->body()->viewport(), tile.topLeft()), tile.size());
      if (!tile.isEmpty() && in_album.intersects(album->body()->viewport()->rect())) {
        in_sight << index.data(seasons::kPathRole).toString();
      }
    }
    QVERIFY(in_sight.size() >= 2 && !in_sight.contains(a1) && !in_sight.contains(a2));
    const QStringList album_sight = album->visible_paths();
    for (const QString& path : in_sight) QVERIFY(album_sight.contains(path));
    QVERIFY(!album_sight.contains(a1) && !album_sight.contains(a2));

    // The album follows the main window's filter.
    user_input::pick(form.Combo1, 1);  // 温室
    QTRY_VERIFY(!album->busy() && cell(album, 2025, 6));
    QVERIFY(!cell(album, 2025, 5));

    // この時期の記録: last year's memo near today; a click shows it.
    click_tool_item(form, form.tools().Menu_season);
    QTRY_VERIFY(form.tools().season());
    seasons::F_season* season = form.tools().season();
    QCOMPARE(season->model().rows().size(), 1u);
    QCOMPARE(season->model().rows()[0].title, QStringLiteral("去年の今ごろ"));
    QTRY_COMPARE(season->model().rows()[0].first_picture, c1);
    user_input::click_row(season->Grid1, 0, seasons::SeasonModel::Title);
    QCOMPARE(form.current_memo_no(), QStringLiteral("4"));
    QCOMPARE(form.Text2->toPlainText(), QString());
    QCOMPARE(form.List1->count(), 1);

    // The month names never take the focus; Esc closes この時期の記録 and
    // 閉じる the album.
    QCOMPARE(album->findChild<QWidget*>(QStringLiteral("album_header"))->focusPolicy(), Qt::NoFocus);
    user_input::show_active(season);
    QTest::keyClick(season, Qt::Key_Escape);
    QTRY_VERIFY(!form.tools().season());
    user_input::show_active(album);
    user_input::click(album->Command1);
    QTRY_VERIFY(!form.tools().album());

    // Only the album's place was written, into our own settings file.
    auto files_after = testing_support::snapshot(f.dir_path);
    QVERIFY(files_after.take(QStringLiteral("verdalis.ini")).startsWith("album.geometry="));
    QCOMPARE(files_after, files_before);
  }

  void album_keyboard_data() {
    QTest::addColumn<QPoint>("start");  // year, month; then the tile below
    QTest::addColumn<int>("start_index");
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<QPoint>("end");
    QTest::addColumn<int>("end_index");
    QTest::addColumn<QString>("memo");  // the memo and picture the main window shows
    QTest::addColumn<int>("picture");
    using K = QList<int>;
    QTest::newRow("Right in the month") << QPoint(2025, 5) << 0 << K{Qt::Key_Right} << QPoint(2025, 5) << 1 << "1" << 2;
    QTest::newRow("Right over months") << QPoint(2025, 5) << 2 << K{Qt::Key_Right} << QPoint(2025, 7) << 0 << "2" << 1;
    QTest::newRow("Right into the next year") << QPoint(2024, 5) << 0 << K{Qt::Key_Right} << QPoint(2025, 5) << 0 << "1" << 1;
    QTest::newRow("Left into the year before") << QPoint(2025, 5) << 1 << K{Qt::Key_Left, Qt::Key_Left}
                                               << QPoint(2024, 5) << 0 << "3" << 1;
    QTest::newRow("Left over months") << QPoint(2024, 5) << 0 << K{Qt::Key_Left} << QPoint(2024, 2) << 0 << "4" << 1;
    QTest::newRow("Left at the first stays") << QPoint(2023, 11) << 0 << K{Qt::Key_Left} << QPoint(2023, 11) << 0 << "5" << 1;
    QTest::newRow("Down, same month, position kept within it") << QPoint(2025, 5) << 2 << K{Qt::Key_Down}
                                                               << QPoint(2024, 5) << 0 << "3" << 1;
    QTest::newRow("Down to the nearest month: the last of an earlier one")
        << QPoint(2025, 7) << 0 << K{Qt::Key_Down} << QPoint(2024, 5) << 0 << "3" << 1;
    QTest::newRow("Down twice, then Up") << QPoint(2024, 2) << 0 << K{Qt::Key_Down, Qt::Key_Up, Qt::Key_Up}
                                         << QPoint(2025, 5) << 0 << "1" << 1;
    QTest::newRow("End and Home of the year") << QPoint(2025, 5) << 1 << K{Qt::Key_End} << QPoint(2025, 7) << 0 << "2" << 1;
    QTest::newRow("Home") << QPoint(2025, 7) << 0 << K{Qt::Key_Home} << QPoint(2025, 5) << 0 << "1" << 1;
    QTest::newRow("Enter opens the viewer") << QPoint(2024, 2) << 0 << K{Qt::Key_Return} << QPoint(2024, 2) << 0 << "4" << 1;
  }
  void album_keyboard() {
    QFETCH(QPoint, start);
    QFETCH(int, start_index);
    QFETCH(QList<int>, keys);
    QFETCH(QPoint, end);
    QFETCH(int, end_index);
    QFETCH(QString, memo);
    QFETCH(int, picture);
    testing_support::MainWindowFixture f;
    QTemporaryDir pictures;
    Main_form& form = years_of_pictures(f, pictures);
    seasons::F_album* album = open_album(form);
    QVERIFY(album);
    QString viewer_caption;
    form.run_modal = [&](QDialog& d) {
      viewer_caption = d.windowTitle();
      return 0;
    };
    // A click on the starting tile makes it current and gives the grid the focus.
    seasons::AlbumGrid* grid = album->grid();
    const int row = row_of(album, start.x());
    album->body()->ensureVisible(grid->cell_rect(row, start.y()).center().x(), grid->cell_rect(row, start.y()).center().y(),
                                 seasons::AlbumGrid::kCellWidth, 20);
    QTRY_VERIFY(cell(album, start.x(), start.y()));
    QListView* from = cell(album, start.x(), start.y());
    QTest::mouseClick(from->viewport(), Qt::LeftButton, {}, user_input::item_centre(from, from->model()->index(start_index, 0)));
    QVERIFY(grid->hasFocus());
    for (const int k : keys) user_input::key(Qt::Key(k));
    QCOMPARE(grid->current(), (store::AlbumPlace{row_of(album, end.x()), end.y(), end_index}));
    QCOMPARE(form.current_memo_no(), memo);
    QCOMPARE(f.state->current_image_no, picture);
    // The current tile is in its cell's view, selected, and in sight right of the year names.
    QListView* now = cell(album, end.x(), end.y());
    QVERIFY(now && now->selectionModel()->isSelected(now->model()->index(end_index, 0)));
    const QRect tile = grid->tile_rect(grid->current()).translated(-album->body()->horizontalScrollBar()->value(),
                                                                    -album->body()->verticalScrollBar()->value());
    QVERIFY2(QRect(seasons::AlbumGrid::kYearWidth, 0, album->body()->viewport()->width() - seasons::AlbumGrid::kYearWidth,
                   album->body()->viewport()->height())
                 .contains(tile.center()),
             "the current picture is not in sight");
    if (keys.contains(Qt::Key_Return)) {
      QTRY_VERIFY(viewer_caption.startsWith(pictures.filePath(QStringLiteral("p6.png"))));
    } else {
      QVERIFY(viewer_caption.isEmpty());
    }
  }

  void album_for_a_screen_reader() {
    testing_support::MainWindowFixture f;
    QTemporaryDir pictures;
    Main_form& form = years_of_pictures(f, pictures);
    seasons::F_album* album = open_album(form);
    QVERIFY(album);
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(album->grid());
    QVERIFY(table);
    QCOMPARE(table->role(), QAccessible::Table);
    QStringList months;
    for (int i = 0; i < table->childCount(); ++i) months << table->child(i)->text(QAccessible::Name);
    QCOMPARE(months, (QStringList{"2025年5月", "2025年7月", "2024年2月", "2024年5月", "2023年11月"}));
    QAccessibleInterface* may = table->child(0);
    QCOMPARE(may->role(), QAccessible::Cell);
    QCOMPARE(may->parent(), table);
    QCOMPARE(may->childCount(), 3);
    QAccessibleInterface* second = may->child(1);
    QCOMPARE(second->role(), QAccessible::Graphic);
    QCOMPARE(second->text(QAccessible::Name), QStringLiteral("2025年5月3日 二枚目"));
    QCOMPARE(second->parent(), may);
    QCOMPARE(may->indexOfChild(second), 1);
    QCOMPARE(table->indexOfChild(may), 0);
    // The keyboard's picture is the one selected and focused. The views
    // beyond the first screen are made in a later turn.
    QTRY_VERIFY(cell(album, 2025, 5));
    QListView* view = cell(album, 2025, 5);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, user_input::item_centre(view, view->model()->index(0, 0)));
    user_input::key(Qt::Key_Right);
    QVERIFY(second->state().selected && second->state().focused);
    QVERIFY(!may->child(0)->state().selected);
    QVERIFY(table->childAt(second->rect().center().x(), second->rect().center().y()) == may);
  }

  void headers_stay_over_their_columns_data() {
    QTest::addColumn<QString>("act");
    QTest::newRow("wheel over the month names") << "header wheel";
    QTest::newRow("sideways wheel over the month names") << "header sideways";
    QTest::newRow("keys to the year's end") << "End";
  }
  void headers_stay_over_their_columns() {
    QFETCH(QString, act);
    testing_support::MainWindowFixture f;
    QTemporaryDir pictures;
    Main_form& form = years_of_pictures(f, pictures);
    seasons::F_album* album = open_album(form);
    QVERIFY(album);
    album->resize(album->minimumSize());
    QScrollBar* across = album->body()->horizontalScrollBar();
    QScrollBar* down = album->body()->verticalScrollBar();
    QTRY_VERIFY(across->maximum() > 0 && down->maximum() > 0);
    across->setValue(0);
    down->setValue(0);
    auto* header = album->findChild<QWidget*>(QStringLiteral("album_header"));
    QWidget* years = album->findChild<QWidget*>(QStringLiteral("album_years"));
    QVERIFY(header && years);
    if (act == QLatin1String("header wheel")) wheel(header, QPoint(0, -120));
    if (act == QLatin1String("header sideways")) wheel(header, QPoint(-50, 0));
    if (act == QLatin1String("End")) {
      user_input::key(Qt::Key_Tab);  // to 閉じる, and Shift+Tab back to the pictures
      user_input::key(Qt::Key_Backtab);
      QVERIFY(album->grid()->hasFocus());
      user_input::key(Qt::Key_Home);
      user_input::key(Qt::Key_End);
    }
    QVERIFY2(across->value() != 0 || down->value() != 0, "nothing scrolled");
    QCOMPARE(static_cast<seasons::MonthHeader*>(header)->offset(), across->value());
    QCOMPARE(years->y(), -down->value());
    QCOMPARE(header->mapTo(album, QPoint(0, 0)).x(), album->body()->viewport()->mapTo(album, QPoint(0, 0)).x());
    // Above the year names only the plain corner, whatever part of a month is scrolled under it.
    across->setValue(across->value() + seasons::AlbumGrid::kCellWidth / 2 + 7);
    const QImage corner = header->grab(QRect(0, 0, seasons::AlbumGrid::kYearWidth - 2, header->height() - 2)).toImage();
    for (int y = 0; y < corner.height(); ++y) {
      for (int x = 0; x < corner.width(); ++x) QCOMPARE(corner.pixelColor(x, y), corner.pixelColor(0, 0));
    }
  }

  // Over a cell the wheel scrolls the album up and down, as anywhere over
  // the grid; turned sideways or with Shift, it scrolls the cell's tiles.
  void wheel_over_a_cell_data() {
    QTest::addColumn<QPoint>("turn");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("album_scrolls");
    QTest::newRow("wheel") << QPoint(0, -120) << int(Qt::NoModifier) << true;
    QTest::newRow("Shift and wheel") << QPoint(0, -120) << int(Qt::ShiftModifier) << false;
    QTest::newRow("sideways wheel") << QPoint(-120, 0) << int(Qt::NoModifier) << false;
  }
  void wheel_over_a_cell() {
    QFETCH(QPoint, turn);
    QFETCH(int, modifiers);
    QFETCH(bool, album_scrolls);
    testing_support::MainWindowFixture f;
    QTemporaryDir pictures;
    seasons::F_album* album = open_album(years_of_pictures(f, pictures));
    QVERIFY(album);
    album->resize(album->minimumSize());
    QScrollBar* down = album->body()->verticalScrollBar();
    QTRY_VERIFY(down->maximum() > 0);
    down->setValue(0);
    QTRY_VERIFY(cell(album, 2025, 5));
    QScrollBar* tiles = cell(album, 2025, 5)->horizontalScrollBar();
    QVERIFY(tiles->maximum() > 0);  // three pictures, two in sight
    wheel(cell(album, 2025, 5)->viewport(), turn, Qt::KeyboardModifiers(modifiers));
    QCOMPARE(down->value() > 0, album_scrolls);
    QCOMPARE(tiles->value() > 0, !album_scrolls);
  }

  void placement_data() {
    QTest::addColumn<QRect>("main");
    QTest::addColumn<QRect>("expected");
    const QRect screen(0, 0, 1400, 900);
    Q_UNUSED(screen);
    QTest::newRow("room at the right") << QRect(0, 0, 640, 480) << QRect(640, 0, 760, 640);
    QTest::newRow("room at the left only") << QRect(760, 100, 640, 480) << QRect(0, 100, 760, 640);
    QTest::newRow("no room beside: over the lower half") << QRect(300, 200, 800, 480) << QRect(136, 440, 1264, 460);
    QTest::newRow("low on the screen: the minimum height kept") << QRect(300, 600, 800, 300) << QRect(136, 600, 1264, 300);
  }
  void placement() {
    QFETCH(QRect, main);
    QFETCH(QRect, expected);
    QCOMPARE(seasons::place_beside(QSize(1264, 640), QSize(440, 300), main, QRect(0, 0, 1400, 900)), expected);
  }

  void keyboard_of_both_windows_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("act");
    for (const char* window : {"album", "season"}) {
      for (const char* act : {"Tab", "Esc", "Alt+C", "arrows"}) {
        QTest::addRow("%s %s", window, act) << QString::fromLatin1(window) << QString::fromLatin1(act);
      }
    }
  }
  void keyboard_of_both_windows() {
    QFETCH(QString, window);
    QFETCH(QString, act);
    testing_support::MainWindowFixture f;
    QTemporaryDir pictures;
    Main_form& form = years_of_pictures(f, pictures);
    const bool album = window == QLatin1String("album");
    QWidget* w = album ? static_cast<QWidget*>(open_album(form)) : open_season(form);
    QVERIFY(w);
    // The first control has the focus and a current item.
    QWidget* first = album ? static_cast<QWidget*>(form.tools().album()->grid()) : form.tools().season()->Grid1;
    QPushButton* close = album ? form.tools().album()->Command1 : form.tools().season()->Command1;
    QCOMPARE(QApplication::focusWidget(), first);
    QVERIFY(album ? form.tools().album()->grid()->current().valid() : form.tools().season()->Grid1->currentIndex().isValid());
    if (act == QLatin1String("Tab")) {
      user_input::key(Qt::Key_Tab);
      QCOMPARE(QApplication::focusWidget(), close);
      user_input::key(Qt::Key_Tab);
      QCOMPARE(QApplication::focusWidget(), first);
    } else if (act == QLatin1String("arrows")) {
      if (album) {
        user_input::key(Qt::Key_Left);
        const store::AlbumPicture* p = store::album_picture(form.tools().album()->years(), form.tools().album()->grid()->current());
        QVERIFY(p);
        QCOMPARE(form.current_memo_no(), p->memo_no);
      } else {
        // The main window follows the current row, as it follows a click.
        user_input::key(Qt::Key_Down);
        QCOMPARE(form.current_memo_no(), form.tools().season()->model().rows()[1].memo_no);
        user_input::key(Qt::Key_Up);
        QCOMPARE(form.current_memo_no(), form.tools().season()->model().rows()[0].memo_no);
      }
    } else {
      user_input::key(act == QLatin1String("Esc") ? Qt::Key_Escape : Qt::Key_C,
                      act == QLatin1String("Esc") ? Qt::NoModifier : Qt::AltModifier);
      QTRY_VERIFY(album ? !form.tools().album() : !form.tools().season());
    }
  }
};

QTEST_MAIN(TestSeasons)
#include "test_seasons.moc"
