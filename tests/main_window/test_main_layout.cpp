// The main window's layout at any size and its divider: the arithmetic
// with the documented examples, then a real window resized and dragged.

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "data_dir.h"
#include "main_window/main_form.h"
#include "main_window/main_layout.h"
#include "main_window/memo_grid.h"
#include "main_window/memo_list_model.h"
#include "recording_messages.h"
#include "store/diary/memo_files.h"

using main_layout::Box;
using main_layout::DividerLayout;

Q_DECLARE_METATYPE(Box)
Q_DECLARE_METATYPE(DividerLayout)

namespace {

struct Fixture {
  Fixture() : dir_path(dir.path() + QLatin1Char('/')) { open(); }

  Main_form& open() {
    form.reset();
    state = std::make_unique<store::AppState>(dir_path);
    form = std::make_unique<Main_form>(*state, messages);
    form->Form_Load();
    return *form;
  }

  QTemporaryDir dir;
  QString dir_path;
  RecordingMessages messages;
  std::unique_ptr<store::AppState> state;
  std::unique_ptr<Main_form> form;
};

// A mouse event on the window's bare surface, between the body box and the
// picture column, at height y (twips).
void on_surface(Main_form& form, QEvent::Type type, double y, Qt::MouseButtons held = Qt::LeftButton) {
  const QPointF at(form.Text2->geometry().right() + 2, y / 15);
  QMouseEvent event(type, at, form.centralWidget()->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
  QApplication::sendEvent(form.centralWidget(), &event);
}

// The divider's middle (twips): between the list's bottom and the body box.
double divider_y(const Main_form& form) { return (form.Grid1->geometry().bottom() + 1 + form.Text2->y()) * 7.5; }

void drag_divider(Main_form& form, double to) {
  const double from = divider_y(form);
  on_surface(form, QEvent::MouseMove, from, Qt::NoButton);
  on_surface(form, QEvent::MouseButtonPress, from);
  on_surface(form, QEvent::MouseMove, to);
  on_surface(form, QEvent::MouseButtonRelease, to, Qt::NoButton);
}

bool sizing_pointer(const Main_form& form) { return form.centralWidget()->cursor().shape() == Qt::SizeVerCursor; }

}  // namespace

class TestMainLayout : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void widths_data() {
    QTest::addColumn<double>("W");
    QTest::addColumn<double>("laid_out_for");
    QTest::addColumn<Box>("combo2");
    QTest::addColumn<Box>("picture_column");  // List1's left and width; Image1 shares them
    QTest::addColumn<double>("text2_width");
    QTest::addColumn<double>("command6_left");
    QTest::newRow("the design width") << 9450.0 << 9450.0 << Box{4380, 60, 3915, 315} << Box{5640, 0, 3675, 0}
                                      << 5535.0 << 8160.0;
    QTest::newRow("10450: d = 1000") << 10450.0 << 10450.0 << Box{4880, 60, 4415, 315} << Box{6140, 0, 4175, 0}
                                     << 6035.0 << 9160.0;
    QTest::newRow("9000 snaps to 9450") << 9000.0 << 9450.0 << Box{4380, 60, 3915, 315} << Box{5640, 0, 3675, 0}
                                        << 5535.0 << 8160.0;
  }

  void widths() {
    QFETCH(double, W);
    QFETCH(double, laid_out_for);
    QFETCH(Box, combo2);
    QFETCH(Box, picture_column);
    QFETCH(double, text2_width);
    QFETCH(double, command6_left);
    const main_layout::MainLayout l = main_layout::layout_main(W, 6975, 2295);
    QCOMPARE(l.outer_width, laid_out_for);
    QCOMPARE(l.Combo2, combo2);
    QCOMPARE(l.List1.left, picture_column.left);
    QCOMPARE(l.List1.width, picture_column.width);
    QCOMPARE(l.Image1.left, picture_column.left);
    QCOMPARE(l.Image1.width, picture_column.width);
    QCOMPARE(l.Text2.width, text2_width);
    QCOMPARE(l.Command6.left, command6_left);
  }

  void heights_data() {
    QTest::addColumn<double>("H");
    QTest::addColumn<double>("GH");
    QTest::addColumn<double>("grid_height");
    QTest::addColumn<double>("text2_height");
    QTest::newRow("the design size") << 6975.0 << 2295.0 << 2295.0 << 3005.0;
    QTest::newRow("a 5000 list in a 9000 window") << 9000.0 << 5000.0 << 5000.0 << 2325.0;
    QTest::newRow("made 7000 high: the list floor") << 7000.0 << 5000.0 << 4275.0 << 1050.0;
    QTest::newRow("just at the floor") << 9000.0 << 6275.0 << 6275.0 << 1050.0;
    QTest::newRow("6000 snaps to 6975") << 6000.0 << 5000.0 << 4250.0 << 1050.0;
  }

  void heights() {
    QFETCH(double, H);
    QFETCH(double, GH);
    QFETCH(double, grid_height);
    QFETCH(double, text2_height);
    const main_layout::MainLayout l = main_layout::layout_main(9450, H, GH);
    const double e = l.outer_height - 6975;
    QCOMPARE(l.outer_height, std::max(H, 6975.0));
    QCOMPARE(l.Grid1, (Box{0, 480, 9315, grid_height}));
    const double below = 480 + grid_height + 55;
    QCOMPARE(l.Text2, (Box{60, below, 5535, text2_height}));
    QCOMPARE(l.List1, (Box{5640, below, 3675, 645}));
    QCOMPARE(l.Image1, (Box{5640, below + 700, 3675, text2_height - 700}));
    QCOMPARE(l.Label3_top, e + 5520);
    QCOMPARE(l.Text1.top, e + 5880);
    for (const Box& b : {l.Command7, l.Command8, l.Command6}) QCOMPARE(b.top, e + 5820);
  }

  void divider_data() {
    QTest::addColumn<double>("Y");
    QTest::addColumn<DividerLayout>("expected");
    // In a 6975-high window the divider moves between 1470 and 4725.
    const DividerLayout top{1000, 1525, 4250, 1525, 2245, 3530};
    const DividerLayout bottom{4250, 4775, 1000, 4775, 5495, 280};
    QTest::newRow("in between") << 3000.0 << DividerLayout{2530, 3055, 2720, 3055, 3775, 2000};
    QTest::newRow("at the top bound") << 1470.0 << top;
    QTest::newRow("above it: the list stays 1000") << 900.0 << top;
    QTest::newRow("at the bottom bound") << 4725.0 << DividerLayout{4255, 4780, 995, 4780, 5500, 275};
    QTest::newRow("below it: the body box keeps 1000") << 4726.0 << bottom;
    QTest::newRow("far below") << 20000.0 << bottom;
  }

  void divider() {
    QFETCH(double, Y);
    QFETCH(DividerLayout, expected);
    QCOMPARE(main_layout::divider_at(6975, Y), expected);
  }

  // A real window, offscreen.

  void a_resized_window_lays_out_its_controls() {
    Fixture f;
    Main_form& form = *f.form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    // d = 1020: whole pixels for the window and for d / 2.
    form.set_outer_size_twips(10470, 9000);
    QTRY_COMPARE(form.outer_width_twips(), 10470.0);
    QTRY_COMPARE(form.outer_height_twips(), 9000.0);
    QCOMPARE(form.Combo2->geometry(), QRect(326, 4, 295, 21));  // left 4890, 4425 wide
    QCOMPARE(form.List1->geometry(), QRect(410, 189, 279, 43));  // left 6150, 4185 wide
    QCOMPARE(form.Text2->geometry(), QRect(4, 189, 403, 335));  // 6045 wide, 5030 high
    QCOMPARE(form.Command6->geometry(), QRect(612, 523, 77, 29));
    QCOMPARE(form.Label3->pos(), QPoint(414, 503));
    // The title column fills the list.
    int columns = 0;
    for (int c = 0; c < 4; ++c) columns += form.Grid1->columnWidth(c);
    QCOMPARE(columns, form.Grid1->viewport()->width());

    // Too small snaps back to the minimum size.
    form.set_outer_size_twips(9000, 6000);
    QTRY_COMPARE(form.outer_width_twips(), 9450.0);
    QTRY_COMPARE(form.outer_height_twips(), 6975.0);
    QCOMPARE(form.Combo2->geometry(), QRect(292, 4, 261, 21));
  }

  void dragging_the_divider() {
    Fixture f;
    Main_form& form = *f.form;
    const QString hint = QStringLiteral("マウスでドラッグして表示エリアのサイズを変更できます。");
    on_surface(form, QEvent::MouseMove, divider_y(form), Qt::NoButton);
    QVERIFY(sizing_pointer(form));
    QCOMPARE(form.Text1->text(), hint);
    on_surface(form, QEvent::MouseButtonPress, divider_y(form));

    // The list follows the pointer; the lower pane gives or takes the height.
    on_surface(form, QEvent::MouseMove, 3000);
    QCOMPARE(form.Grid1->height(), 169);                           // 2530
    QCOMPARE(form.Text2->geometry(), QRect(4, 204, 369, 181));     // 3055, 2720 high
    QCOMPARE(form.List1->y(), 204);
    QCOMPARE(form.Image1->y(), 252);                               // 3775
    on_surface(form, QEvent::MouseMove, 600);
    QCOMPARE(form.Grid1->height(), 67);                            // 1000
    on_surface(form, QEvent::MouseMove, 6000);
    QCOMPARE(form.Text2->height(), 67);                            // 1000
    // The pointer and hint stay while the drag lasts.
    QVERIFY(sizing_pointer(form));
    QCOMPARE(form.Text1->text(), hint);

    // The release sets the list and body box from where it happens.
    on_surface(form, QEvent::MouseButtonRelease, 2000, Qt::NoButton);
    QCOMPARE(form.Grid1->height(), 102);                           // 1530
    QCOMPARE(form.Text2->geometry(), QRect(4, 137, 369, 248));     // 2055, 3720 high
    QVERIFY(!sizing_pointer(form));
    on_surface(form, QEvent::MouseMove, 3000);
    QCOMPARE(form.Grid1->height(), 102);
  }

  void a_press_away_from_the_divider_starts_no_drag() {
    Fixture f;
    Main_form& form = *f.form;
    const int grid = form.Grid1->height();
    const double below = form.Text2->geometry().center().y() * 15.0;
    on_surface(form, QEvent::MouseMove, below, Qt::NoButton);
    QVERIFY(!sizing_pointer(form));
    on_surface(form, QEvent::MouseButtonPress, below);
    on_surface(form, QEvent::MouseMove, divider_y(form));
    on_surface(form, QEvent::MouseMove, below);
    QCOMPARE(form.Grid1->height(), grid);
  }

  void the_picture_is_refitted() {
    Fixture f;
    Main_form& form = *f.form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    // 400 × 150 pixels: 6000 × 2250 twips.
    QImage image(400, 150, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    const QString path = f.dir_path + QStringLiteral("p.png");
    QVERIFY(image.save(path));
    QVERIFY(store::save_image_list(f.dir_path, QStringLiteral(" 1 "), {{path, QStringLiteral("t")}}).ok);
    form.Grid1->setCurrentIndex(form.list_model()->index(0, 0));
    form.Grid1_Click();
    QCOMPARE(form.Image1->size(), QSize(245, 92));  // scaled by 3675 / 6000

    // The 6952.5 × 3340 area takes the picture at its own size.
    form.set_outer_size_twips(16005, 8010);
    QTRY_COMPARE(form.Image1->size(), QSize(400, 150));
    QCOMPARE(form.Image1->pixmap().size(), QSize(400, 150));

    // A taller list leaves a 6952.5 × 1300 area: scaled by 1300 / 2250.
    drag_divider(form, 4800);
    QCOMPARE(form.Image1->size(), QSize(231, 87));
    QCOMPARE(form.Image1->pixmap().size(), QSize(231, 87));

    // At the design size the list floor leaves a 3675 × 355 area.
    form.set_outer_size_twips(9450, 6975);
    QTRY_COMPARE(form.outer_height_twips(), 6975.0);
    QCOMPARE(form.Grid1->height(), 283);
    QCOMPARE(form.Image1->size(), QSize(63, 24));
  }

  void the_list_height_survives_a_restart_data() {
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<int>("height");
    QTest::newRow("a stored height") << QByteArray(" 3000 ") << 200;
    QTest::newRow("below the floor") << QByteArray(" 15 ") << 67;
    QTest::newRow("taller than the window allows") << QByteArray(" 1E+30 ") << 283;
  }

  void the_list_height_survives_a_restart() {
    QFETCH(QByteArray, stored);
    QFETCH(int, height);
    Fixture f;
    f.form.reset();
    QVERIFY(testing_support::write_bytes(f.dir_path + QStringLiteral("flower.ini"),
                                         " 1 \r\n 0 \r\n 1500 \r\n 3000 \r\n 6975 \r\n 9450 \r\n" + stored + "\r\n"));
    QCOMPARE(f.open().Grid1->height(), height);

    drag_divider(*f.form, 4000);
    QCOMPARE(f.form->Grid1->height(), 235);  // 3530
    QVERIFY(f.form->shut_down());
    QCOMPARE(f.open().Grid1->height(), 235);
  }
};

QTEST_MAIN(TestMainLayout)
#include "test_main_layout.moc"
