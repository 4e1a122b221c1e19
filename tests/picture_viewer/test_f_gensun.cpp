// The full-size viewer opened from a real main window over a temporary
// data directory: its size around the picture, paging, and closing.

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
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
#include "store/memo_files.h"

using testing_support::write_bytes;

namespace {

const QString kShowingHint = QStringLiteral("画像を原寸表示しています。(画像をクリックすると閉じます)");

// The welcome memo of a first start, given the pictures a test needs.
class Fixture {
 public:
  Fixture() {
    dir_path = dir.path() + QLatin1Char('/');
    state = std::make_unique<store::AppState>(dir_path);
    form = std::make_unique<Main_form>(*state, messages);
    loaded = form->Form_Load();
    form->run_modal = [this](QDialog& dialog) {
      ++opened;
      auto* viewer = qobject_cast<F_gensun*>(&dialog);
      if (viewer && script) script(*viewer);
      return dialog.result();
    };
  }

  QString picture(const QString& name, int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    const QString path = dir_path + name;
    image.save(path, "PNG");
    return path;
  }

  QString broken(const QString& name) {
    const QString path = dir_path + name;
    write_bytes(path, QByteArray("\x89PNG\r\n\x1a\n not really a picture"));
    return path;
  }

  // Shows the memo with these pictures (path, title) in the main window.
  void show_memo_with(const std::vector<store::ImageEntry>& images) {
    QVERIFY(store::save_image_list(dir_path, QStringLiteral(" 1 "), images).ok);
    form->Grid1->setCurrentIndex(form->list_model()->index(0, 0));
    form->Grid1_Click();
  }

  // Opens the viewer from the main window's picture and runs `steps` on it
  // while it is open.
  void open_viewer(std::function<void(F_gensun&)> steps) {
    script = std::move(steps);
    form->Image1_DblClick();
    script = nullptr;
  }

  QTemporaryDir dir;
  QString dir_path;
  RecordingMessages messages;
  std::unique_ptr<store::AppState> state;
  std::unique_ptr<Main_form> form;
  bool loaded = false;
  int opened = 0;
  std::function<void(F_gensun&)> script;
};

void click(QWidget* w) {
  const QPointF at(2, 2);
  QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(w, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QApplication::sendEvent(w, &release);
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
    // narrower.
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
    f.form->Text1->setText(QStringLiteral("before"));
    f.open_viewer([&](F_gensun& v) {
      QCOMPARE(v.windowTitle(), path + QStringLiteral("\u3000（画像をクリックすると閉じます）"));
      QCOMPARE(v.Text1->toPlainText(), QStringLiteral("春の花壇"));
      QCOMPARE(f.form->Text1->text(), kShowingHint);
      QCOMPARE(v.Image1->size(), picture);
      QCOMPARE(v.width(), width);
      const QWidget* client = v.Text1->parentWidget();
      // The title row sits directly below the picture, at the window's bottom.
      QCOMPARE(v.Text1->geometry(), QRect(0, picture.height(), text1_width, 37));
      QCOMPARE(v.Command2->geometry(), QRect(text1_width, picture.height(), 33, 37));
      QCOMPARE(v.Command3->geometry(), QRect(text1_width + 33, picture.height(), 33, 37));
      QCOMPARE(client->height(), picture.height() + 37);
      QCOMPARE(v.height(), client->y() + client->height());
      QVERIFY(v.Command1->x() < 0 && v.Command1->y() < 0);
      QCOMPARE(v.pos(), f.form->pos());
    });
    QCOMPARE(f.opened, 1);
  }

  void a_picture_larger_than_the_screen_scrolls() {
    Fixture f;
    const QRect avail = f.form->screen()->availableGeometry();
    const QSize big(avail.width() + 300, avail.height() + 200);
    const QString path = f.picture(QStringLiteral("big.png"), big.width(), big.height());
    f.show_memo_with({{path, QStringLiteral("大きい")}});
    f.open_viewer([&](F_gensun& v) {
      v.show();
      QVERIFY(QTest::qWaitForWindowExposed(&v));
      // The picture keeps its own size inside a window that stays on the screen.
      QCOMPARE(v.picture_size(), big);
      QCOMPARE(v.Image1->size(), big);
      QTRY_VERIFY(avail.contains(v.frameGeometry()));
      QTRY_VERIFY(v.picture_area->horizontalScrollBar()->maximum() > 0);
      QTRY_VERIFY(v.picture_area->verticalScrollBar()->maximum() > 0);
      // The title, "前" and "次" stay in view.
      const QWidget* client = v.Text1->parentWidget();
      QCOMPARE(v.Text1->geometry().bottom(), client->height() - 1);
      QVERIFY(v.Command3->geometry().right() < client->width());
      QCOMPARE(v.Text1->toPlainText(), QStringLiteral("大きい"));
      v.close();
    });
  }

  void paging_past_either_end_data() {
    QTest::addColumn<int>("pictures");
    QTest::addColumn<int>("start");
    QTest::addColumn<bool>("next");
    QTest::addColumn<QString>("message");
    const QString no_next = QStringLiteral("次の画像はありません");
    const QString no_previous = QStringLiteral("前の画像はありません");
    QTest::newRow("one picture, next") << 1 << 1 << true << no_next;
    QTest::newRow("one picture, previous") << 1 << 1 << false << no_previous;
    QTest::newRow("last of three, next") << 3 << 3 << true << no_next;
    QTest::newRow("first of three, previous") << 3 << 1 << false << no_previous;
  }

  void paging_past_either_end() {
    QFETCH(int, pictures);
    QFETCH(int, start);
    QFETCH(bool, next);
    QFETCH(QString, message);
    Fixture f;
    std::vector<store::ImageEntry> images;
    for (int i = 1; i <= pictures; ++i) {
      images.push_back({f.picture(QStringLiteral("p%1.png").arg(i), 20 * i, 10 * i), QStringLiteral("t%1").arg(i)});
    }
    f.show_memo_with(images);
    f.form->List1->setCurrentRow(start - 1);
    const QString shown = images[static_cast<size_t>(start - 1)].path;
    f.open_viewer([&](F_gensun& v) {
      const QSize size = v.size();
      // Both the button and the menu entry answer the same.
      next ? v.Command3->click() : v.Command2->click();
      next ? v.gensun_menu_tugi->trigger() : v.gensun_menyu_mae->trigger();
      QCOMPARE(f.messages.log.size(), 2);
      for (const RecordedMessage& m : f.messages.log) {
        QCOMPARE(m.text, message);
        QCOMPARE(m.title, QStringLiteral("【Verdalis】Ver.3.0"));
      }
      QCOMPARE(f.state->current_image_no, start);
      QCOMPARE(f.state->current_image_path, shown);
      QCOMPARE(v.picture_size(), QSize(20 * start, 10 * start));
      QCOMPARE(v.Text1->toPlainText(), QStringLiteral("t%1").arg(start));
      QCOMPARE(v.size(), size);
    });
  }

  void paging_onto_a_missing_file_and_on() {
    Fixture f;
    const QString p1 = f.picture(QStringLiteral("p1.png"), 500, 200);
    const QString gone = f.dir_path + QStringLiteral("gone.jpg");
    const QString p3 = f.picture(QStringLiteral("p3.png"), 30, 20);
    f.show_memo_with({{p1, QStringLiteral("一")}, {gone, QStringLiteral("二")}, {p3, QStringLiteral("三")}});
    f.open_viewer([&](F_gensun& v) {
      const QSize size = v.size();
      v.Command3_Click();
      QCOMPARE(f.messages.log.size(), 1);
      QCOMPARE(f.messages.log[0].text, gone + QStringLiteral("がありません。"));
      QCOMPARE(f.messages.log[0].title, QStringLiteral("Verdalis"));
      QVERIFY(v.Image1->pixmap().isNull());
      QCOMPARE(v.Text1->toPlainText(), QString());
      QCOMPARE(v.size(), size);
      QCOMPARE(f.state->current_image_no, 2);
      QCOMPARE(f.state->current_image_path, gone);

      // The file name check names the missing file.
      v.gensun_menu_file->trigger();
      QCOMPARE(f.messages.log.last().text, gone);
      QCOMPARE(f.messages.log.last().title, QStringLiteral("【Verdalis】Ver.3.0"));

      v.Command3_Click();
      QCOMPARE(f.messages.log.size(), 2);
      QCOMPARE(f.state->current_image_no, 3);
      QCOMPARE(v.picture_size(), QSize(30, 20));
      QVERIFY(!v.Image1->pixmap().isNull());
      QCOMPARE(v.Text1->toPlainText(), QStringLiteral("三"));
      QCOMPARE(v.windowTitle(), p3 + F_gensun::caption_suffix());
      QCOMPARE(v.width(), 347);

      // And back over the missing one to the first.
      v.Command2_Click();
      QCOMPARE(f.messages.log.size(), 3);
      v.Command2_Click();
      QCOMPARE(f.state->current_image_no, 1);
      QCOMPARE(v.Text1->toPlainText(), QStringLiteral("一"));
      QCOMPARE(v.width(), 500);
    });
  }

  void an_undecodable_picture_shows_its_title() {
    Fixture f;
    const QString p1 = f.picture(QStringLiteral("p1.png"), 40, 30);
    const QString bad = f.broken(QStringLiteral("bad.png"));
    const QString p3 = f.picture(QStringLiteral("p3.png"), 50, 30);
    f.show_memo_with({{p1, QStringLiteral("一")}, {bad, QStringLiteral("壊れ")}, {p3, QStringLiteral("三")}});
    f.open_viewer([&](F_gensun& v) {
      const QSize size = v.size();
      v.Command3_Click();
      QVERIFY(f.messages.log.isEmpty());
      QVERIFY(v.Image1->pixmap().isNull());
      QCOMPARE(v.picture_size(), QSize());
      QCOMPARE(v.Text1->toPlainText(), QStringLiteral("壊れ"));
      QCOMPARE(v.windowTitle(), bad + F_gensun::caption_suffix());
      QCOMPARE(v.size(), size);
      v.Command3_Click();
      QCOMPARE(v.picture_size(), QSize(50, 30));
      QCOMPARE(v.Text1->toPlainText(), QStringLiteral("三"));
    });
  }

  void closing_after_paging_hands_picture_3_back() {
    Fixture f;
    const QString p1 = f.picture(QStringLiteral("p1.png"), 40, 20);
    const QString p2 = f.picture(QStringLiteral("p2.png"), 50, 20);
    const QString p3 = f.picture(QStringLiteral("p3.png"), 800, 300);
    f.show_memo_with({{p1, QStringLiteral("一")}, {p2, QStringLiteral("二")}, {p3, QStringLiteral("三")}});
    QCOMPARE(f.form->Image1->size(), QSize(40, 20));
    f.open_viewer([&](F_gensun& v) {
      v.Command3_Click();
      v.gensun_menu_tugi->trigger();
      QCOMPARE(v.picture_size(), QSize(800, 300));
      v.gensun_menu_tojiru->trigger();
    });
    QVERIFY(f.messages.log.isEmpty());
    QCOMPARE(f.state->current_image_no, 3);
    QCOMPARE(f.state->current_image_path, p3);
    // Picture 3, fitted to the 3675 × 2305 twip area: scaled by 3675 / 12000.
    QVERIFY(!f.form->Image1->pixmap().isNull());
    QCOMPARE(f.form->Image1->size(), QSize(245, 92));
    QCOMPARE(f.form->Label3->text(), p3);
    // The title list still marks the picture that was double-clicked.
    QCOMPARE(f.form->List1->currentRow(), 0);

    // The next opening starts from picture 3.
    f.open_viewer([&](F_gensun& v) { QCOMPARE(v.Text1->toPlainText(), QStringLiteral("三")); });
  }

  void ways_of_closing_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("hands_back");
    QTest::newRow("閉じる(&C)") << "menu" << true;
    QTest::newRow("Esc") << "escape" << true;
    QTest::newRow("the cancel button") << "button" << true;
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
    bool closed = false;
    f.open_viewer([&](F_gensun& v) {
      v.show();
      QVERIFY(QTest::qWaitForWindowExposed(&v));
      v.Command3_Click();
      if (how == QLatin1String("menu")) {
        v.gensun_menu_tojiru->trigger();
      } else if (how == QLatin1String("escape")) {
        QTest::keyClick(v.Text1, Qt::Key_Escape);
      } else if (how == QLatin1String("button")) {
        v.Command1->click();
      } else if (how == QLatin1String("picture")) {
        click(v.Image1);
      } else {
        v.close();
      }
      closed = !v.isVisible();
    });
    QVERIFY(closed);
    QCOMPARE(f.state->current_image_no, 2);
    QCOMPARE(f.state->current_image_path, p2);
    QCOMPARE(f.form->Label3->text(), hands_back ? p2 : p1);
    QCOMPARE(f.form->Image1->size(), hands_back ? QSize(60, 30) : QSize(40, 20));

    // Each opening starts from the picture the main window shows.
    f.open_viewer([&](F_gensun& v) {
      QCOMPARE(v.Text1->toPlainText(), hands_back ? QStringLiteral("二") : QStringLiteral("一"));
      QCOMPARE(v.windowTitle(), (hands_back ? p2 : p1) + F_gensun::caption_suffix());
    });
    QCOMPARE(f.state->current_image_no, hands_back ? 2 : 1);
  }

  void the_release_of_the_opening_double_click_does_not_close() {
    Fixture f;
    const QString p1 = f.picture(QStringLiteral("p1.png"), 40, 20);
    f.show_memo_with({{p1, QStringLiteral("一")}});
    f.open_viewer([&](F_gensun& v) {
      v.show();
      QVERIFY(QTest::qWaitForWindowExposed(&v));
      const QPointF at(2, 2);
      QMouseEvent release(QEvent::MouseButtonRelease, at, v.Image1->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                          Qt::NoModifier);
      QApplication::sendEvent(v.Image1, &release);
      QVERIFY(v.isVisible());
      v.close();
    });
  }

  void a_missing_file_on_closing_empties_the_main_picture() {
    Fixture f;
    const QString p1 = f.picture(QStringLiteral("p1.png"), 40, 20);
    const QString gone = f.dir_path + QStringLiteral("gone.png");
    f.show_memo_with({{p1, QStringLiteral("一")}, {gone, QStringLiteral("二")}});
    f.open_viewer([&](F_gensun& v) {
      v.Command3_Click();
      v.Command1_Click();
    });
    QVERIFY(f.form->Image1->pixmap().isNull());
    // With no picture shown a double-click opens nothing.
    f.form->Image1_DblClick();
    QCOMPARE(f.opened, 1);
  }

  void double_clicks_open_only_when_a_picture_is_shown() {
    Fixture f;
    const QString p1 = f.picture(QStringLiteral("p1.png"), 40, 20);
    const QString gone = f.dir_path + QStringLiteral("gone.png");
    // A memo whose only picture is missing: no picture shown.
    f.show_memo_with({{gone, QStringLiteral("無い")}, {p1, QStringLiteral("一")}});
    QVERIFY(f.form->Image1->pixmap().isNull());
    QTest::mouseDClick(f.form->Image1, Qt::LeftButton);
    QCOMPARE(f.opened, 0);

    f.form->List1->setCurrentRow(1);
    QTest::mouseDClick(f.form->Image1, Qt::LeftButton);
    QCOMPARE(f.opened, 1);
    Q_EMIT f.form->List1->itemDoubleClicked(f.form->List1->item(1));
    QCOMPARE(f.opened, 2);
  }

  void the_picture_hint() {
    Fixture f;
    const QString p1 = f.picture(QStringLiteral("p1.png"), 40, 20);
    f.show_memo_with({{p1, QStringLiteral("一")}});
    f.open_viewer([&](F_gensun& v) {
      f.form->Text1->setText(QStringLiteral("before"));
      const QPointF at(3, 3);
      QMouseEvent move(QEvent::MouseMove, at, v.Image1->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                       Qt::NoModifier);
      QApplication::sendEvent(v.Image1, &move);
      QCOMPARE(f.form->Text1->text(), kShowingHint);
    });
  }

  void the_menu_bar() {
    Fixture f;
    const QString p1 = f.picture(QStringLiteral("p1.png"), 40, 20);
    f.show_memo_with({{p1, QStringLiteral("一")}});
    f.open_viewer([&](F_gensun& v) {
      QStringList entries;
      for (QAction* a : v.menu_bar->actions()) entries << a->text();
      QCOMPARE(entries, (QStringList{QStringLiteral("前の画像(&P)"), QStringLiteral("次の画像(&N)"),
                                     QStringLiteral("ファイル名確認(&F)"), QStringLiteral("閉じる(&C)")}));
      v.gensun_menu_file->trigger();
      QCOMPARE(f.messages.log.size(), 1);
      QCOMPARE(f.messages.log[0].text, p1);
      QCOMPARE(f.messages.log[0].title, QStringLiteral("【Verdalis】Ver.3.0"));
    });
  }
};

QTEST_MAIN(TestFGensun)
#include "test_f_gensun.moc"
