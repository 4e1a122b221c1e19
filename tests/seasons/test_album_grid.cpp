// The album's grid on its own: a cell it draws before its view is made
// looks exactly as the view draws it, and the mouse reaches a cell whose
// view is not made yet.

#include <QListView>
#include <QtTest>

#include "seasons/album_grid.h"
#include "seasons/thumbnail_loader.h"

// May 2025 holds `in_may` pictures (two fit in a cell), July 2025 one
// whose file is missing, May 2024 one.
struct Album {
  explicit Album(int in_may) {
    const auto picture = [&](int n) {
      QImage image(120, 90, QImage::Format_RGB32);
      image.fill(QColor::fromHsv(n * 50 % 360, 200, 220));
      image.save(dir.filePath(QStringLiteral("p%1.png").arg(n)), "PNG");
      return dir.filePath(QStringLiteral("p%1.png").arg(n));
    };
    std::vector<store::AlbumPicture> pictures{{"2", QDate(2025, 7, 1), 1, dir.filePath("gone.png"), "七月"},
                                              {"3", QDate(2024, 5, 9), 1, picture(9), "前年"}};
    for (int i = 1; i <= in_may; ++i) pictures.push_back({"1", QDate(2025, 5, 3), i, picture(i), "五月"});
    years = store::group_album(std::move(pictures));
    grid = std::make_unique<seasons::AlbumGrid>(years, 7, loader);
    grid->show();
  }
  QTemporaryDir dir;
  seasons::ThumbnailLoader loader{seasons::AlbumTileSide, dir.filePath(QStringLiteral("cache"))};
  std::vector<store::AlbumYear> years;
  std::unique_ptr<seasons::AlbumGrid> grid;
};

class TestAlbumGrid : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void a_cell_looks_the_same_once_its_view_is_made_data() {
    QTest::addColumn<int>("in_may");
    QTest::addColumn<QPoint>("cell");  // row, month
    QTest::newRow("two pictures, no scroll bar") << 2 << QPoint(0, 5);
    QTest::newRow("five pictures, a scroll bar") << 5 << QPoint(0, 5);
    QTest::newRow("a missing picture") << 1 << QPoint(0, 7);
    QTest::newRow("a picture a year before") << 1 << QPoint(1, 5);
  }
  void a_cell_looks_the_same_once_its_view_is_made() {
    QFETCH(int, in_may);
    QFETCH(QPoint, cell);
    Album album(in_may);
    QVERIFY(QTest::qWaitForWindowExposed(album.grid.get()));
    album.loader.prefetch(album.grid->paths_in(album.grid->rect()));
    QTRY_VERIFY(!album.loader.busy());
    const QRect area = album.grid->cell_rect(cell.x(), cell.y());
    const QImage drawn = album.grid->grab(area).toImage();
    QVERIFY(album.grid->cells().empty());
    album.grid->make_cells_near(area);
    QCOMPARE(album.grid->cells().size(), 1u);
    QTRY_COMPARE(album.grid->grab(area).toImage(), drawn);
  }

  void the_mouse_over_a_cell_without_its_view_data() {
    QTest::addColumn<bool>("moved_first");
    QTest::addColumn<int>("tile");
    QTest::newRow("pointer moved over the cell, then a click") << true << 1;
    QTest::newRow("a click with no move before it") << false << 0;
  }
  void the_mouse_over_a_cell_without_its_view() {
    QFETCH(bool, moved_first);
    QFETCH(int, tile);
    Album album(3);
    QVERIFY(QTest::qWaitForWindowExposed(album.grid.get()));
    QSignalSpy clicked(album.grid.get(), &seasons::AlbumGrid::picture_clicked);
    const QPoint at = album.grid->tile_rect({0, 5, tile}).center();
    if (moved_first) {
      QTest::mouseMove(album.grid.get(), at);
      QTRY_VERIFY(album.grid->findChild<QListView*>(QStringLiteral("cell_2025_5")));
    }
    QTest::mouseClick(album.grid.get(), Qt::LeftButton, {}, at);
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(clicked.at(0).at(0).value<store::AlbumPicture>().picture_no, tile + 1);
    QCOMPARE(album.grid->current(), (store::AlbumPlace{0, 5, tile}));
    QCOMPARE(album.grid->cells().size(), 1u);
  }
};

QTEST_MAIN(TestAlbumGrid)
#include "test_album_grid.moc"
