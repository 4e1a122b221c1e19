// The seasons windows: thumbnails of awkward pictures and the desktop's
// thumbnail cache (a file manager's thumbnail used, a stale or damaged one
// made again, a read-only cache tolerated), and the album and the season
// list driven with the mouse from the main window's menu.

#include <QImage>
#include <QBuffer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QListView>
#include <QMenuBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QtTest>
#include <sys/stat.h>

#include "immutable_dir.h"
#include "main_window_fixture.h"
#include "main_window/tools_menu.h"
#include "seasons/f_album.h"
#include "seasons/f_season.h"
#include "seasons/thumbnail_loader.h"
#include "seasons/tile_delegate.h"
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

QListView* cell(seasons::F_album* album, int year, int month) {
  return album->findChild<QListView*>(QStringLiteral("cell_%1_%2").arg(year).arg(month));
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
    const QString cached = store::thumbnail_path(root, store::ThumbnailSize::Normal, picture);

    // Made once and written for the whole desktop, at most 128 pixels.
    QImage made = seasons::make_thumbnail(picture, 72, root);
    QCOMPARE(made.size(), QSize(72, 36));
    const auto written = store::png_texts(testing_support::read_bytes(cached));
    QCOMPARE(written.value("Thumb::URI"), store::thumbnail_uri(picture));
    QCOMPARE(QString::fromLatin1(written.value("Thumb::MTime")), mtime_of(picture));
    QCOMPARE(QImage(cached).size(), QSize(128, 64));

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
    QListView* may = cell(album, 2025, 5);
    QVERIFY(may && cell(album, 2024, 5) && !cell(album, 2025, 6));
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
    QCOMPARE(album->findChild<QScrollArea*>(QStringLiteral("header"))->focusPolicy(), Qt::NoFocus);
    user_input::show_active(season);
    QTest::keyClick(season, Qt::Key_Escape);
    QTRY_VERIFY(!form.tools().season());
    user_input::show_active(album);
    user_input::click(album->Command1);
    QTRY_VERIFY(!form.tools().album());

    QCOMPARE(testing_support::snapshot(f.dir_path), files_before);
  }
};

QTEST_MAIN(TestSeasons)
#include "test_seasons.moc"
