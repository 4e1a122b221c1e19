// The full-size viewer's geometry: the window around a picture, the title
// row, and keeping the window on the screen.

#include <QtTest>

#include "picture_viewer/viewer_layout.h"

using picture_viewer::Box;
using picture_viewer::Point;

namespace {

// A 1280 × 1024 pixel screen, in twips, and a 16-pixel scroll bar.
constexpr double kScreenWidth = 1280 * 15;
constexpr double kScreenHeight = 1024 * 15;
constexpr double kBar = 16 * 15;

}  // namespace

class TestViewerLayout : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void window_size_data() {
    QTest::addColumn<double>("pw");
    QTest::addColumn<double>("ph");
    QTest::addColumn<bool>("on_screen");
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("height");
    QTest::addColumn<bool>("scrolls");
    const double px3000 = 3000 * 15;
    const double px2000 = 2000 * 15;
    QTest::newRow("1000 x 800 twips: the minimum width") << 1000.0 << 800.0 << false << 5200.0 << 2035.0 << false;
    QTest::newRow("3000 x 2000 pixels: as wide as the picture")
        << px3000 << px2000 << false << px3000 << px2000 + 1235 << false;
    // Stopped at the screen, the picture scrolls.
    QTest::newRow("3000 x 2000 pixels on a 1280 x 1024 screen")
        << px3000 << px2000 << true << kScreenWidth << kScreenHeight << true;
    QTest::newRow("fits the screen exactly")
        << kScreenWidth << kScreenHeight - 1235 << true << kScreenWidth << kScreenHeight << false;
    // A scroll bar along one side needs room across the other.
    QTest::newRow("too tall: wider by the scroll bar") << 6000.0 << 20000.0 << true << 6000.0 + kBar << kScreenHeight
                                                      << true;
    QTest::newRow("too wide: taller by the scroll bar")
        << 30000.0 << 3000.0 << true << kScreenWidth << 3000.0 + kBar + 1235 << true;
    QTest::newRow("too tall, then too wide for the scroll bar")
        << kScreenWidth - 100 << 20000.0 << true << kScreenWidth << kScreenHeight << true;
  }

  void window_size() {
    QFETCH(double, pw);
    QFETCH(double, ph);
    QFETCH(bool, on_screen);
    QFETCH(double, width);
    QFETCH(double, height);
    QFETCH(bool, scrolls);
    const picture_viewer::WindowSize size =
        on_screen ? picture_viewer::viewer_window_size(pw, ph, kScreenWidth, kScreenHeight, kBar)
                  : picture_viewer::viewer_window_size(pw, ph);
    QCOMPARE(size.width, width);
    QCOMPARE(size.height, height);
    QCOMPARE(size.scrolls, scrolls);
    // The client area is as wide as the window and 680 less tall; the title
    // row is at its bottom, directly below the picture when nothing scrolls.
    const picture_viewer::ViewerControls c = picture_viewer::viewer_controls(width, height - 680);
    const double row = height - 680 - 555;
    if (!scrolls) QCOMPARE(row, ph);
    QCOMPARE(c.picture_area, (Box{0, 0, width, row}));
    QCOMPARE(c.Text1, (Box{0, row, width - 1100, 555}));
    QCOMPARE(c.Command2, (Box{width - 1100, row, 495, 555}));
    QCOMPARE(c.Command3, (Box{width - 605, row, 495, 555}));
  }

  void keep_inside() {
    // A 1280 x 1000 area below a 24-pixel panel.
    const Box area{0, 24, 1280, 1000};
    QCOMPARE(picture_viewer::keep_inside({100, 80}, 600, 400, area), (Point{100, 80}));
    QCOMPARE(picture_viewer::keep_inside({900, 800}, 600, 400, area), (Point{680, 624}));
    QCOMPARE(picture_viewer::keep_inside({100, 0}, 600, 400, area), (Point{100, 24}));
    QCOMPARE(picture_viewer::keep_inside({300, 300}, 2000, 1500, area), (Point{0, 24}));
  }
};

QTEST_GUILESS_MAIN(TestViewerLayout)
#include "test_viewer_layout.moc"
