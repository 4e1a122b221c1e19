// The full-size viewer opened from a real main window over a temporary
// data directory: its size around the picture, paging, and closing.

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>
#include <memory>

#include "data_dir.h"
#include "main_window/main_form.h"
#include "main_window/memo_grid.h"
#include "main_window/memo_list_model.h"
#include "picture_viewer/f_gensun.h"
#include "recording_messages.h"
#include "store/diary/memo_files.h"
#include "user_input.h"

namespace {

// The welcome memo of a first start, given the pictures a test needs.
struct Fixture {
  Fixture() : dir_path(dir.path() + QLatin1Char('/')), state(dir_path), form(state, messages) {
    form.Form_Load();
    form.run_modal = [this](QDialog& dialog) {
      ++opened;
      if (auto* viewer = qobject_cast<F_gensun*>(&dialog); viewer && script) script(*viewer);
      return dialog.result();
    };
  }

  QString picture(const QString& name, int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    image.save(dir_path + name, "PNG");
    return dir_path + name;
  }

  // Shows the memo with these pictures (path, title) in the main window.
  void show_memo_with(const std::vector<store::ImageEntry>& images) {
    QVERIFY(store::save_image_list(dir_path, QStringLiteral(" 1 "), images).ok);
    if (!form.isVisible()) user_input::show_active(&form);
    user_input::click_row(form.Grid1, 0);
  }

  // Double-clicks the main window's picture and runs `steps` on the viewer
  // while it is open.
  void open_viewer(std::function<void(F_gensun&)> steps) {
    const int before = opened;
    script = std::move(steps);
    QTest::mouseDClick(form.Image1, Qt::LeftButton);
    script = nullptr;
    QCOMPARE(opened, before + 1);
  }

  QTemporaryDir dir;
  QString dir_path;
  RecordingMessages messages;
  store::AppState state;
  Main_form form;
  int opened = 0;
  std::function<void(F_gensun&)> script;
};

void send_mouse(QWidget* w, QEvent::Type type, Qt::MouseButtons held) {
  const QPointF at(2, 2);
  QMouseEvent event(type, at, w->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
  QApplication::sendEvent(w, &event);
}

}  // namespace

class TestFGensun : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void the_window_fits_the_picture_data() {
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("text1_width");
    // 5200 twips are 347 pixels (5205 twips); the title box is 1100 twips
    // narrower than the window.
    QTest::newRow("narrower than the minimum") << QSize(60, 40) << 347 << 274;
    QTest::newRow("wider than the minimum") << QSize(400, 300) << 400 << 327;
  }

  void the_window_fits_the_picture() {
    QFETCH(QSize, picture);
    QFETCH(int, width);
    QFETCH(int, text1_width);
    Fixture f;
    const QString path = f.picture(QStringLiteral("p.png"), picture.width(), picture.height());
    f.show_memo_with({{path, QStringLiteral("春の花壇")}});
    f.open_viewer([&](F_gensun& v) {
      QCOMPARE(v.windowTitle(), path + QStringLiteral("\u3000（画像をクリックすると閉じます）"));
      QCOMPARE(v.Text1->toPlainText(), QStringLiteral("春の花壇"));
      QCOMPARE(f.form.Text1->text(), QStringLiteral("画像を原寸表示しています。(画像をクリックすると閉じます)"));
      QCOMPARE(v.Image1->size(), picture);
      QCOMPARE(v.width(), width);
      // The title row: directly below the picture, at the window's bottom.
      QCOMPARE(v.Text1->geometry(), QRect(0, picture.height(), text1_width, 37));
      QCOMPARE(v.Command3->geometry(), QRect(text1_width + 33, picture.height(), 33, 37));
      QCOMPARE(v.height(), v.Text1->parentWidget()->y() + picture.height() + 37);
      QCOMPARE(v.pos(), f.form.pos());
    });
    QCOMPARE(f.opened, 1);
  }

  void a_picture_larger_than_the_screen_scrolls() {
    Fixture f;
    const QRect avail = f.form.screen()->availableGeometry();
    const QSize big(avail.width() + 300, avail.height() + 200);
    f.show_memo_with({{f.picture(QStringLiteral("big.png"), big.width(), big.height()), QStringLiteral("大")}});
    f.open_viewer([&](F_gensun& v) {
      v.show();
      QVERIFY(QTest::qWaitForWindowExposed(&v));
      QCOMPARE(v.Image1->size(), big);
      QTRY_VERIFY(avail.contains(v.frameGeometry()));
      QTRY_VERIFY(v.picture_area->horizontalScrollBar()->maximum() > 0);
      QVERIFY(v.picture_area->verticalScrollBar()->maximum() > 0);
      // The title, "前" and "次" stay in view.
      const QWidget* client = v.Text1->parentWidget();
      QCOMPARE(v.Text1->geometry().bottom(), client->height() - 1);
      QVERIFY(v.Command3->geometry().right() < client->width());
      v.close();
    });
  }

  void paging_past_either_end_data() {
    QTest::addColumn<int>("pictures");
    QTest::addColumn<int>("start");
    QTest::addColumn<bool>("next");
    QTest::newRow("one picture, next") << 1 << 1 << true;
    QTest::newRow("one picture, previous") << 1 << 1 << false;
    QTest::newRow("last of three, next") << 3 << 3 << true;
    QTest::newRow("first of three, previous") << 3 << 1 << false;
  }

  void paging_past_either_end() {
    QFETCH(int, pictures);
    QFETCH(int, start);
    QFETCH(bool, next);
    Fixture f;
    std::vector<store::ImageEntry> images;
    for (int i = 1; i <= pictures; ++i) {
      images.push_back({f.picture(QStringLiteral("p%1.png").arg(i), 20 * i, 10 * i), QStringLiteral("t%1").arg(i)});
    }
    f.show_memo_with(images);
    user_input::click_item(f.form.List1, start - 1);
    f.open_viewer([&](F_gensun& v) {
      const QSize size = v.size();
      // The button and the menu entry answer alike.
      next ? v.Command3->click() : v.Command2->click();
      next ? v.gensun_menu_tugi->trigger() : v.gensun_menyu_mae->trigger();
      QCOMPARE(f.messages.log.size(), 2);
      for (const RecordedMessage& m : f.messages.log) {
        QCOMPARE(m.text, next ? QStringLiteral("次の画像はありません") : QStringLiteral("前の画像はありません"));
        QCOMPARE(m.title, QStringLiteral("【Verdalis】Ver.3.0"));
      }
      QCOMPARE(f.state.current_image_no, start);
      QCOMPARE(v.Image1->size(), QSize(20 * start, 10 * start));
      QCOMPARE(v.Text1->toPlainText(), QStringLiteral("t%1").arg(start));
      QCOMPARE(v.size(), size);
    });
  }

  void paging_onto_a_picture_that_cannot_be_shown_data() {
    QTest::addColumn<bool>("missing");
    QTest::newRow("a missing file") << true;
    QTest::newRow("a file that cannot be decoded") << false;
  }

  void paging_onto_a_picture_that_cannot_be_shown() {
    QFETCH(bool, missing);
    Fixture f;
    const QString p1 = f.picture(QStringLiteral("p1.png"), 500, 200);
    const QString p2 = f.dir_path + QStringLiteral("p2.png");
    if (!missing) QVERIFY(testing_support::write_bytes(p2, "\x89PNG\r\n\x1a\n not really a picture"));
    const QString p3 = f.picture(QStringLiteral("p3.png"), 30, 20);
    f.show_memo_with({{p1, QStringLiteral("一")}, {p2, QStringLiteral("二")}, {p3, QStringLiteral("三")}});
    f.open_viewer([&](F_gensun& v) {
      const QSize size = v.size();
      v.Command3_Click();
      if (missing) {
        QCOMPARE(f.messages.log.size(), 1);
        QCOMPARE(f.messages.log[0].text, p2 + QStringLiteral("がありません。"));
        QCOMPARE(f.messages.log[0].title, QStringLiteral("Verdalis"));
        QCOMPARE(v.Text1->toPlainText(), QString());
      } else {
        QVERIFY(f.messages.log.isEmpty());
        QCOMPARE(v.Text1->toPlainText(), QStringLiteral("二"));
        QCOMPARE(v.windowTitle(), p2 + F_gensun::caption_suffix());
      }
      QVERIFY(v.Image1->pixmap().isNull());
      QCOMPARE(v.size(), size);
      QCOMPARE(f.state.current_image_no, 2);
      QCOMPARE(f.state.current_image_path, p2);

      // Paging goes on from there, both ways.
      v.Command3_Click();
      QCOMPARE(v.Image1->size(), QSize(30, 20));
      QCOMPARE(v.Text1->toPlainText(), QStringLiteral("三"));
      QCOMPARE(v.windowTitle(), p3 + F_gensun::caption_suffix());
      QCOMPARE(v.width(), 347);
      v.Command2_Click();
      v.Command2_Click();
      QCOMPARE(f.state.current_image_no, 1);
      QCOMPARE(v.width(), 500);
    });
  }

  void closing_after_paging_hands_picture_3_back() {
    Fixture f;
    const QString p3 = f.picture(QStringLiteral("p3.png"), 800, 300);
    f.show_memo_with({{f.picture(QStringLiteral("p1.png"), 40, 20), QStringLiteral("一")},
                      {f.picture(QStringLiteral("p2.png"), 50, 20), QStringLiteral("二")},
                      {p3, QStringLiteral("三")}});
    f.open_viewer([&](F_gensun& v) {
      v.Command3_Click();
      v.gensun_menu_tugi->trigger();
      v.gensun_menu_tojiru->trigger();
    });
    QCOMPARE(f.state.current_image_no, 3);
    // Picture 3, fitted to the 3675 × 2305 twip area: scaled by 3675 / 12000.
    QCOMPARE(f.form.Image1->size(), QSize(245, 92));
    QCOMPARE(f.form.Image1->pixmap().size(), QSize(245, 92));
    QCOMPARE(f.form.Label3->text(), p3);
    // The title list still marks the picture that was double-clicked.
    QCOMPARE(f.form.List1->currentRow(), 0);
  }

  void ways_of_closing_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("hands_back");
    QTest::newRow("閉じる(&C)") << "menu" << true;
    QTest::newRow("Esc") << "escape" << true;
    QTest::newRow("a click on the picture") << "picture" << false;
    QTest::newRow("the window frame") << "frame" << false;
  }

  void ways_of_closing() {
    QFETCH(QString, how);
    QFETCH(bool, hands_back);
    Fixture f;
    const QString p1 = f.picture(QStringLiteral("p1.png"), 40, 20);
    const QString p2 = f.picture(QStringLiteral("p2.png"), 60, 30);
    f.show_memo_with({{p1, QStringLiteral("一")}, {p2, QStringLiteral("二")}});
    f.open_viewer([&](F_gensun& v) {
      v.show();
      QVERIFY(QTest::qWaitForWindowExposed(&v));
      // The release of the double-click that opened the viewer is no click.
      send_mouse(v.Image1, QEvent::MouseButtonRelease, Qt::NoButton);
      QVERIFY(v.isVisible());
      v.Command3_Click();
      if (how == QLatin1String("menu")) v.gensun_menu_tojiru->trigger();
      if (how == QLatin1String("escape")) QTest::keyClick(v.Text1, Qt::Key_Escape);
      if (how == QLatin1String("picture")) {
        send_mouse(v.Image1, QEvent::MouseButtonPress, Qt::LeftButton);
        send_mouse(v.Image1, QEvent::MouseButtonRelease, Qt::NoButton);
      }
      if (how == QLatin1String("frame")) v.close();
      QVERIFY(!v.isVisible());
    });
    QCOMPARE(f.state.current_image_no, 2);
    QCOMPARE(f.form.Label3->text(), hands_back ? p2 : p1);
    QCOMPARE(f.form.Image1->size(), hands_back ? QSize(60, 30) : QSize(40, 20));

    // Each opening starts from the picture the main window shows.
    f.open_viewer([&](F_gensun& v) {
      QCOMPARE(v.Text1->toPlainText(), hands_back ? QStringLiteral("二") : QStringLiteral("一"));
    });

    // A click on the title still marked shows its picture again.
    QCOMPARE(f.form.List1->selected_row(), 0);
    user_input::click_item(f.form.List1, 0);
    QCOMPARE(f.form.Label3->text(), p1);
    QCOMPARE(f.form.Image1->size(), QSize(40, 20));
    QCOMPARE(f.state.current_image_no, 1);
  }

  void double_clicks_open_only_when_a_picture_is_shown() {
    Fixture f;
    const QString there = f.picture(QStringLiteral("p.png"), 40, 20);
    // The first picture is missing: none is shown.
    f.show_memo_with({{f.dir_path + QStringLiteral("gone.png"), QStringLiteral("無い")}, {there, QStringLiteral("有")}});
    QTest::mouseDClick(f.form.Image1, Qt::LeftButton);
    f.messages.log.clear();
    user_input::double_click_item(f.form.List1, 0);
    QCOMPARE(f.opened, 0);
    // The double click's first click reports the missing file, once.
    QCOMPARE(f.messages.log.size(), 1);

    user_input::double_click_item(f.form.List1, 1);
    QCOMPARE(f.opened, 1);

    // Closing on a picture whose file has gone empties the main picture.
    f.open_viewer([&](F_gensun& v) {
      QVERIFY(QFile::remove(there));
      v.Command1_Click();
    });
    QVERIFY(f.form.Image1->pixmap().isNull());
    QTest::mouseDClick(f.form.Image1, Qt::LeftButton);
    QCOMPARE(f.opened, 2);
  }
};

QTEST_MAIN(TestFGensun)
#include "test_f_gensun.moc"
