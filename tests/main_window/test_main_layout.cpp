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
#include "store/memo_files.h"

using main_layout::Box;
using main_layout::DividerLayout;
using testing_support::write_bytes;

Q_DECLARE_METATYPE(DividerLayout)

namespace {

const QString kDividerHint = QStringLiteral("マウスでドラッグして表示エリアのサイズを変更できます。");

class Fixture {
 public:
  Fixture() { dir_path = dir.path() + QLatin1Char('/'); }

  Main_form& open() {
    form.reset();
    state = std::make_unique<store::AppState>(dir_path);
    form = std::make_unique<Main_form>(*state, messages);
    loaded = form->Form_Load();
    return *form;
  }

  QString picture(const QString& name, int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    const QString path = dir_path + name;
    image.save(path, "PNG");
    return path;
  }

  QTemporaryDir dir;
  QString dir_path;
  RecordingMessages messages;
  std::unique_ptr<store::AppState> state;
  std::unique_ptr<Main_form> form;
  bool loaded = false;
};

// A mouse event on the window's bare surface at height y (twips).
void surface_event(Main_form& form, QEvent::Type type, double y, Qt::MouseButtons held) {
  QWidget* surface = form.centralWidget();
  // Between the body box and the picture column nothing covers the surface.
  const QPointF at(form.Text2->geometry().right() + 2, y / 15);
  const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
  QMouseEvent event(type, at, surface->mapToGlobal(at), button, held, Qt::NoModifier);
  QApplication::sendEvent(surface, &event);
}

void drag_divider(Main_form& form, double from, double to) {
  surface_event(form, QEvent::MouseMove, from, Qt::NoButton);
  surface_event(form, QEvent::MouseButtonPress, from, Qt::LeftButton);
  surface_event(form, QEvent::MouseMove, to, Qt::LeftButton);
  surface_event(form, QEvent::MouseButtonRelease, to, Qt::NoButton);
}

// The divider's middle, in twips: between the list's bottom and the body box.
double divider_y(const Main_form& form) {
  return (form.Grid1->geometry().bottom() + 1 + form.Text2->y()) / 2.0 * 15;
}

QRect px(const Box& b) {
  auto p = [](double t) { return static_cast<int>(std::lround(t / 15)); };
  return {p(b.left), p(b.top), p(b.width), p(b.height)};
}

}  // namespace

class TestMainLayout : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void widths_data() {
    QTest::addColumn<double>("W");
    QTest::addColumn<double>("laid_out_for");
    QTest::addColumn<double>("combo2_left");
    QTest::addColumn<double>("combo2_width");
    QTest::addColumn<double>("column_left");
    QTest::addColumn<double>("column_width");
    QTest::addColumn<double>("text2_width");
    QTest::addColumn<double>("d");
    QTest::newRow("the design width") << 9450.0 << 9450.0 << 4380.0 << 3915.0 << 5640.0 << 3675.0 << 5535.0 << 0.0;
    QTest::newRow("10450: d = 1000") << 10450.0 << 10450.0 << 4880.0 << 4415.0 << 6140.0 << 4175.0 << 6035.0
                                     << 1000.0;
    QTest::newRow("9000 snaps to 9450") << 9000.0 << 9450.0 << 4380.0 << 3915.0 << 5640.0 << 3675.0 << 5535.0
                                        << 0.0;
    QTest::newRow("an odd d") << 9465.0 << 9465.0 << 4387.5 << 3922.5 << 5647.5 << 3682.5 << 5542.5 << 15.0;
  }

  void widths() {
    QFETCH(double, W);
    QFETCH(double, laid_out_for);
    QFETCH(double, combo2_left);
    QFETCH(double, combo2_width);
    QFETCH(double, column_left);
    QFETCH(double, column_width);
    QFETCH(double, text2_width);
    QFETCH(double, d);
    const main_layout::MainLayout l = main_layout::layout_main(W, 6975, 2295);
    QCOMPARE(l.outer_width, laid_out_for);
    QCOMPARE(l.Combo1.width, d / 2 + 3315);
    QCOMPARE(l.Label2_left, d / 2 + 3830);
    QCOMPARE(l.Combo2.left, combo2_left);
    QCOMPARE(l.Combo2.width, combo2_width);
    QCOMPARE(l.Command2.left, d + 8400);
    QCOMPARE(l.Grid1.width, d + 9315);
    // The picture column: titles, path and picture area share left and width.
    QCOMPARE(l.List1.left, column_left);
    QCOMPARE(l.List1.width, column_width);
    QCOMPARE(l.Image1.left, column_left);
    QCOMPARE(l.Image1.width, column_width);
    QCOMPARE(l.Label3_left, column_left + 60);
    QCOMPARE(l.Text2.width, text2_width);
    QCOMPARE(l.Text1.width, d + 5895);
    QCOMPARE(l.Command7.left, d + 6000);
    QCOMPARE(l.Command8.left, d + 7080);
    QCOMPARE(l.Command6.left, d + 8160);
  }

  void heights_data() {
    QTest::addColumn<double>("H");
    QTest::addColumn<double>("GH");
    QTest::addColumn<double>("grid_height");
    QTest::addColumn<double>("text2_height");
    QTest::addColumn<double>("e");
    QTest::newRow("the design size") << 6975.0 << 2295.0 << 2295.0 << 3005.0 << 0.0;
    QTest::newRow("a 5000 list in a 9000 window") << 9000.0 << 5000.0 << 5000.0 << 2325.0 << 2025.0;
    QTest::newRow("made 7000 high: the list floor") << 7000.0 << 5000.0 << 4275.0 << 1050.0 << 25.0;
    QTest::newRow("just at the floor") << 9000.0 << 6275.0 << 6275.0 << 1050.0 << 2025.0;
    QTest::newRow("6000 snaps to 6975") << 6000.0 << 2295.0 << 2295.0 << 3005.0 << 0.0;
    QTest::newRow("6000 with a tall list") << 6000.0 << 5000.0 << 4250.0 << 1050.0 << 0.0;
  }

  void heights() {
    QFETCH(double, H);
    QFETCH(double, GH);
    QFETCH(double, grid_height);
    QFETCH(double, text2_height);
    QFETCH(double, e);
    const main_layout::MainLayout l = main_layout::layout_main(9450, H, GH);
    QCOMPARE(l.outer_height, std::max(H, 6975.0));
    QCOMPARE(l.grid_height, grid_height);
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
    // In a 6975-high window: the divider moves between 1470 and 4725.
    QTest::newRow("in between") << 3000.0 << DividerLayout{2530, 3055, 2720, 3055, 3775, 2000};
    QTest::newRow("at the top bound") << 1470.0 << DividerLayout{1000, 1525, 4250, 1525, 2245, 3530};
    QTest::newRow("above it: the list stays 1000") << 900.0 << DividerLayout{1000, 1525, 4250, 1525, 2245, 3530};
    QTest::newRow("outside the window") << -300.0 << DividerLayout{1000, 1525, 4250, 1525, 2245, 3530};
    QTest::newRow("at the bottom bound") << 4725.0 << DividerLayout{4255, 4780, 995, 4780, 5500, 275};
    QTest::newRow("below it: the body box keeps 1000") << 4726.0
                                                       << DividerLayout{4250, 4775, 1000, 4775, 5495, 280};
    QTest::newRow("far below") << 20000.0 << DividerLayout{4250, 4775, 1000, 4775, 5495, 280};
  }

  void divider() {
    QFETCH(double, Y);
    QFETCH(DividerLayout, expected);
    QCOMPARE(main_layout::divider_at(6975, Y), expected);
  }

  void over_the_divider_data() {
    QTest::addColumn<double>("Y");
    QTest::addColumn<bool>("over");
    // A 2295 list above a body box at 2830.
    QTest::newRow("the list's lower edge region") << 2716.0 << true;
    QTest::newRow("just above the body box") << 2829.0 << true;
    QTest::newRow("at GH + 420") << 2715.0 << false;
    QTest::newRow("at the body box") << 2830.0 << false;
    QTest::newRow("the filter row") << 100.0 << false;
  }

  void over_the_divider() {
    QFETCH(double, Y);
    QFETCH(bool, over);
    QCOMPARE(main_layout::over_divider(2295, 2830, Y), over);
  }

  // A real window, offscreen.

  void a_resized_window_lays_out_its_controls() {
    Fixture f;
    Main_form& form = f.open();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    // d = 1020: whole pixels for the window and for d / 2.
    form.set_outer_size_twips(10470, 9000);
    QTRY_COMPARE(form.outer_width_twips(), 10470.0);
    QTRY_COMPARE(form.outer_height_twips(), 9000.0);
    const main_layout::MainLayout l = main_layout::layout_main(10470, 9000, 2295);
    QCOMPARE(form.Combo2->geometry(), QRect(326, 4, 295, 21));  // left 4890, 4425 wide
    QCOMPARE(form.List1->geometry(), px(l.List1));
    QCOMPARE(form.List1->x(), 410);                             // 6150
    QCOMPARE(form.List1->width(), 279);                         // 4185
    QCOMPARE(form.Text2->geometry(), QRect(4, 189, 403, 335));  // 6045 wide, 5030 high
    QCOMPARE(form.Grid1->geometry(), px(l.Grid1));
    QCOMPARE(form.Command6->geometry(), px(l.Command6));
    QCOMPARE(form.Text1->geometry(), px(l.Text1));
    QCOMPARE(form.Label3->pos(), QPoint(414, 503));
    // The title column fills the list.
    const int columns = form.Grid1->columnWidth(0) + form.Grid1->columnWidth(1) + form.Grid1->columnWidth(2) +
                        form.Grid1->columnWidth(3);
    QCOMPARE(columns, form.Grid1->viewport()->width());

    // Too small snaps back to the minimum size.
    form.set_outer_size_twips(9000, 6000);
    QTRY_COMPARE(form.outer_width_twips(), 9450.0);
    QTRY_COMPARE(form.outer_height_twips(), 6975.0);
    QCOMPARE(form.Combo2->geometry(), QRect(292, 4, 261, 21));
  }

  void the_list_floor_when_the_window_is_made_shorter() {
    Fixture f;
    Main_form& form = f.open();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.set_outer_size_twips(9450, 9000);
    QTRY_COMPARE(form.outer_height_twips(), 9000.0);
    drag_divider(form, divider_y(form), 5470);
    QCOMPARE(form.Grid1->height(), 5000 / 15);
    // 7005: the whole-pixel height nearest to 7000.
    form.set_outer_size_twips(9450, 7005);
    QTRY_COMPARE(form.outer_height_twips(), 7005.0);
    QCOMPARE(form.Grid1->height(), 285);  // 4280
    QCOMPARE(form.Text2->height(), 70);   // 1055
  }

  void dragging_the_divider() {
    Fixture f;
    Main_form& form = f.open();
    form.Text1->setText(QStringLiteral("before"));
    const double on = divider_y(form);
    surface_event(form, QEvent::MouseMove, on, Qt::NoButton);
    QCOMPARE(form.centralWidget()->cursor().shape(), Qt::SizeVerCursor);
    QCOMPARE(form.Text1->text(), kDividerHint);
    surface_event(form, QEvent::MouseButtonPress, on, Qt::LeftButton);

    // The list follows the pointer, the lower pane shrinks or grows.
    surface_event(form, QEvent::MouseMove, 3000, Qt::LeftButton);
    QCOMPARE(form.Grid1->height(), 169);  // 2530
    QCOMPARE(form.Text2->geometry(), QRect(4, 204, 369, 181));
    QCOMPARE(form.List1->y(), 204);
    QCOMPARE(form.Image1->y(), 252);
    QCOMPARE(form.Text1->text(), kDividerHint);
    // Above the top bound the list stays 1000 high.
    surface_event(form, QEvent::MouseMove, 600, Qt::LeftButton);
    QCOMPARE(form.Grid1->height(), 67);
    // The pointer and hint stay while the drag lasts.
    QCOMPARE(form.centralWidget()->cursor().shape(), Qt::SizeVerCursor);
    QCOMPARE(form.Text1->text(), kDividerHint);
    // Below the bottom bound the body box keeps 1000.
    surface_event(form, QEvent::MouseMove, 6000, Qt::LeftButton);
    QCOMPARE(form.Grid1->height(), 283);  // 4250
    QCOMPARE(form.Text2->height(), 67);

    // The release sets the list and body box from where it happens.
    surface_event(form, QEvent::MouseButtonRelease, 2000, Qt::NoButton);
    QCOMPARE(form.Grid1->height(), 102);  // 1530
    QCOMPARE(form.Text2->y(), 137);       // 2055
    QCOMPARE(form.Text2->height(), 248);  // 3720
    QVERIFY(form.centralWidget()->cursor().shape() != Qt::SizeVerCursor);
    // The drag is over: moving with a button held moves nothing.
    surface_event(form, QEvent::MouseMove, 3000, Qt::LeftButton);
    QCOMPARE(form.Grid1->height(), 102);
  }

  void a_press_away_from_the_divider_starts_no_drag() {
    Fixture f;
    Main_form& form = f.open();
    const int grid = form.Grid1->height();
    const double below = form.Text2->geometry().center().y() * 15.0;
    surface_event(form, QEvent::MouseMove, below, Qt::NoButton);
    QVERIFY(form.centralWidget()->cursor().shape() != Qt::SizeVerCursor);
    surface_event(form, QEvent::MouseButtonPress, below, Qt::LeftButton);
    // Over the list now, button held.
    const QPointF at(50, 100);
    QMouseEvent move(QEvent::MouseMove, at, form.centralWidget()->mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(form.centralWidget(), &move);
    surface_event(form, QEvent::MouseMove, 1500, Qt::LeftButton);
    QCOMPARE(form.Grid1->height(), grid);
  }

  void a_list_pointer_reset_ends_the_divider_pointer() {
    Fixture f;
    Main_form& form = f.open();
    const int grid = form.Grid1->height();
    surface_event(form, QEvent::MouseMove, divider_y(form), Qt::NoButton);
    QCOMPARE(form.centralWidget()->cursor().shape(), Qt::SizeVerCursor);
    // Moving onto the list sets the pointer back; a press then starts nothing.
    QMouseEvent over_list(QEvent::MouseMove, QPointF(5, 5), form.Grid1->viewport()->mapToGlobal(QPointF(5, 5)),
                          Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(form.Grid1->viewport(), &over_list);
    QVERIFY(form.centralWidget()->cursor().shape() != Qt::SizeVerCursor);
    surface_event(form, QEvent::MouseButtonPress, divider_y(form), Qt::LeftButton);
    surface_event(form, QEvent::MouseMove, form.Text2->geometry().center().y() * 15.0, Qt::LeftButton);
    QCOMPARE(form.Grid1->height(), grid);
  }

  void the_picture_is_refitted() {
    Fixture f;
    Main_form& form = f.open();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    // 400 × 150 pixels: 6000 × 2250 twips.
    const QString path = f.picture(QStringLiteral("p.png"), 400, 150);
    QVERIFY(store::save_image_list(f.dir_path, QStringLiteral(" 1 "), {{path, QStringLiteral("t")}}).ok);
    form.Grid1->setCurrentIndex(form.list_model()->index(0, 0));
    form.Grid1_Click();
    QCOMPARE(form.Image1->size(), QSize(245, 92));  // scaled by 3675 / 6000

    // Wide enough: the 6952.5 × 3340 area takes the picture at its own size.
    form.set_outer_size_twips(16005, 8010);
    QTRY_COMPARE(form.Image1->size(), QSize(400, 150));
    QCOMPARE(form.Image1->pixmap().size(), QSize(400, 150));

    // A taller list leaves a 6952.5 × 1300 area: scaled by 1300 / 2250.
    drag_divider(form, divider_y(form), 4800);
    QCOMPARE(form.Grid1->height(), 289);  // 4335
    QCOMPARE(form.Image1->size(), QSize(231, 87));
    QCOMPARE(form.Image1->pixmap().size(), QSize(231, 87));

    // Back at the design size it is scaled down to fit again.
    form.set_outer_size_twips(9450, 6975);
    QTRY_COMPARE(form.outer_height_twips(), 6975.0);
    QCOMPARE(form.Grid1->height(), 283);  // the floor: 4245 in whole pixels
    // A 3675 × 355 area: scaled by 355 / 2250.
    QCOMPARE(form.Image1->size(), QSize(63, 24));
  }

  void the_list_height_survives_a_restart_data() {
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<int>("height");
    QTest::newRow("a stored height") << QByteArray(" 3000 ") << 200;
    QTest::newRow("below the floor") << QByteArray(" 15 ") << 67;
    QTest::newRow("taller than the window allows") << QByteArray(" 1E+30 ") << 283;
    QTest::newRow("none") << QByteArray(" 0 ") << 153;
  }

  void the_list_height_survives_a_restart() {
    QFETCH(QByteArray, stored);
    QFETCH(int, height);
    Fixture f;
    f.open();
    f.form.reset();
    QVERIFY(write_bytes(f.dir_path + QStringLiteral("flower.ini"),
                        " 1 \r\n 0 \r\n 1500 \r\n 3000 \r\n 6975 \r\n 9450 \r\n" + stored + "\r\n"));
    Main_form& form = f.open();
    QCOMPARE(form.Grid1->height(), height);

    // Dragged, shut down and started again: the same height.
    drag_divider(form, divider_y(form), 4000);
    QCOMPARE(form.Grid1->height(), 235);  // 3530
    QVERIFY(form.shut_down());
    QCOMPARE(f.open().Grid1->height(), 235);
  }
};

QTEST_MAIN(TestMainLayout)
#include "test_main_layout.moc"
