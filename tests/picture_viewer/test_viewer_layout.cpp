// The full-size viewer's geometry: the window around a picture, the title
// row, and keeping the window on the screen.

#include <QtTest>

#include "picture_viewer/viewer_layout.h"

using picture_viewer::Box;
using picture_viewer::Point;

Q_DECLARE_METATYPE(Box)
Q_DECLARE_METATYPE(Point)

namespace {

// A 1280 × 1024 pixel screen, in twips, and a 16-pixel scroll bar.
constexpr double kScreenWidth = 1280 * 15;
constexpr double kScreenHeight = 1024 * 15;
constexpr double kBar = 16 * 15;

}  // namespace

class TestViewerLayout : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void window_around_a_picture_data() {
    QTest::addColumn<double>("pw");
    QTest::addColumn<double>("ph");
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("height");
    QTest::addColumn<double>("text1_width");
    // With no screen limit the window is as the picture asks.
    QTest::newRow("1000 x 800 twips: the minimum width") << 1000.0 << 800.0 << 5200.0 << 2035.0 << 4100.0;
    QTest::newRow("3000 x 2000 pixels: as wide as the picture")
        << 3000.0 * 15 << 2000.0 * 15 << 3000.0 * 15 << 2000.0 * 15 + 1235 << 3000.0 * 15 - 1100;
    QTest::newRow("exactly the minimum width") << 5200.0 << 100.0 << 5200.0 << 1335.0 << 4100.0;
    QTest::newRow("no picture") << 0.0 << 0.0 << 5200.0 << 1235.0 << 4100.0;
  }

  void window_around_a_picture() {
    QFETCH(double, pw);
    QFETCH(double, ph);
    QFETCH(double, width);
    QFETCH(double, height);
    QFETCH(double, text1_width);
    const picture_viewer::WindowSize size = picture_viewer::viewer_window_size(pw, ph);
    QCOMPARE(size.width, width);
    QCOMPARE(size.height, height);
    QVERIFY(!size.scrolls);
    // The client area is as wide as the window and 680 less tall; the title
    // row sits directly below the picture.
    const picture_viewer::ViewerControls c =
        picture_viewer::viewer_controls(size.width, size.height - picture_viewer::kFrameHeight);
    QCOMPARE(c.picture_area, (Box{0, 0, width, ph}));
    QCOMPARE(c.Text1, (Box{0, ph, text1_width, 555}));
    QCOMPARE(c.Command2, (Box{text1_width, ph, 495, 555}));
    QCOMPARE(c.Command3, (Box{text1_width + 495, ph, 495, 555}));
  }

  void window_stops_at_the_screen_data() {
    QTest::addColumn<double>("pw");
    QTest::addColumn<double>("ph");
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("height");
    QTest::addColumn<bool>("scrolls");
    QTest::newRow("fits") << 6000.0 << 3000.0 << 6000.0 << 4235.0 << false;
    QTest::newRow("fits exactly") << kScreenWidth << kScreenHeight - 1235 << kScreenWidth << kScreenHeight << false;
    QTest::newRow("3000 x 2000 pixels on a 1280 x 1024 screen")
        << 3000.0 * 15 << 2000.0 * 15 << kScreenWidth << kScreenHeight << true;
    // A vertical scroll bar needs room beside the picture.
    QTest::newRow("too tall: wider by the scroll bar") << 6000.0 << 20000.0 << 6000.0 + kBar << kScreenHeight << true;
    QTest::newRow("too tall and narrow: the minimum width has room")
        << 3000.0 << 20000.0 << 5200.0 << kScreenHeight << true;
    // A horizontal one needs room below it.
    QTest::newRow("too wide: taller by the scroll bar") << 30000.0 << 3000.0 << kScreenWidth << 3000.0 + kBar + 1235
                                                       << true;
    QTest::newRow("too wide, and then too tall for its scroll bar")
        << 30000.0 << kScreenHeight - 1235 - 100 << kScreenWidth << kScreenHeight << true;
    QTest::newRow("one bar's width too wide once the other bar is there")
        << kScreenWidth - 100 << 20000.0 << kScreenWidth << kScreenHeight << true;
  }

  void window_stops_at_the_screen() {
    QFETCH(double, pw);
    QFETCH(double, ph);
    QFETCH(double, width);
    QFETCH(double, height);
    QFETCH(bool, scrolls);
    const picture_viewer::WindowSize size =
        picture_viewer::viewer_window_size(pw, ph, kScreenWidth, kScreenHeight, kBar);
    QCOMPARE(size.width, width);
    QCOMPARE(size.height, height);
    QCOMPARE(size.scrolls, scrolls);
    // The title row stays inside the window.
    const picture_viewer::ViewerControls c =
        picture_viewer::viewer_controls(size.width, size.height - picture_viewer::kFrameHeight);
    QCOMPARE(c.Text1.top + c.Text1.height, size.height - picture_viewer::kFrameHeight);
    QVERIFY(c.Command3.left + c.Command3.width <= size.width);
  }

  void keep_inside_data() {
    QTest::addColumn<Point>("wanted");
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("height");
    QTest::addColumn<Point>("expected");
    // A 1280 x 1000 area below a 24-pixel panel.
    QTest::newRow("room enough") << Point{100, 80} << 600.0 << 400.0 << Point{100, 80};
    QTest::newRow("past the right edge") << Point{900, 80} << 600.0 << 400.0 << Point{680, 80};
    QTest::newRow("past the bottom edge") << Point{100, 800} << 600.0 << 400.0 << Point{100, 624};
    QTest::newRow("above the area") << Point{100, 0} << 600.0 << 400.0 << Point{100, 24};
    QTest::newRow("as large as the area") << Point{300, 300} << 1280.0 << 1000.0 << Point{0, 24};
    QTest::newRow("larger than the area") << Point{300, 300} << 2000.0 << 1500.0 << Point{0, 24};
  }

  void keep_inside() {
    QFETCH(Point, wanted);
    QFETCH(double, width);
    QFETCH(double, height);
    QFETCH(Point, expected);
    QCOMPARE(picture_viewer::keep_inside(wanted, width, height, Box{0, 24, 1280, 1000}), expected);
  }
};

QTEST_GUILESS_MAIN(TestViewerLayout)
#include "test_viewer_layout.moc"
