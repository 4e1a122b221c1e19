// Pictures brought into the editor the desktop's ways, through real Qt
// events: files dropped on the picture list (between two titles) and on the
// picture area, files pasted with Ctrl+V (twice), an image pasted without a
// file, PNG files joining as JPEG copies, and files dropped on the main
// window opening a new memo dated by them.

#include <QClipboard>
#include <QGuiApplication>
#include <QImageReader>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QtTest>

#include "editor_fixture.h"
#include "exif_picture.h"
#include "heic_file.h"
#include "user_input.h"

using namespace editor_testing;

namespace {

QList<QUrl> urls_of(const QStringList& paths) {
  QList<QUrl> urls;
  for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
  return urls;
}

QStringList paths_of(const store::AppState& state) {
  QStringList paths;
  for (const store::ImageEntry& e : state.current_images) paths << e.path;
  return paths;
}

}  // namespace

class TestEditorFiles : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // Dropped above the middle of a title, the files go before it; below the
  // last one, after it. The drop is taken as a copy whatever was proposed.
  void dropping_on_the_list_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("upper_half");
    QTest::addColumn<int>("first");  // 0-based place of the first file
    QTest::newRow("before the second") << 1 << true << 1;
    QTest::newRow("after the second") << 1 << false << 2;
    QTest::newRow("below the last") << 2 << false << 3;
  }

  void dropping_on_the_list() {
    QFETCH(int, row);
    QFETCH(bool, upper_half);
    QFETCH(int, first);
    Fixture f;
    F_kinyu& dlg = f.open_editor(2);
    user_input::show_active(&dlg);
    const QStringList files{f.picture(QStringLiteral("new1.jpg"), 10, 10), f.picture(QStringLiteral("new2.jpg"), 10, 10)};
    const QRect item = dlg.List1->visualRect(dlg.List1->model()->index(row, 0));
    const QPoint at(item.center().x(), upper_half ? item.top() + 1 : item.bottom() - 1);

    // While the files are dragged over the list, a line marks their place.
    QMimeData dragged;
    dragged.setUrls(urls_of(files));
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &dragged, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(dlg.List1->viewport(), &enter);
    auto* line = dlg.List1->viewport()->findChild<QWidget*>(QStringLiteral("drop_line"));
    QVERIFY(line && line->isVisible());
    QCOMPARE(dlg.List1->viewport()->grab().toImage().pixelColor(5, line->geometry().center().y()),
             dlg.List1->palette().color(QPalette::Text));
    const QRect place = dlg.List1->visualRect(dlg.List1->model()->index(std::min(first, 2), 0));
    QVERIFY2(qAbs(line->geometry().center().y() - (first > 2 ? place.bottom() : place.top())) <= 2,
             qPrintable(QStringLiteral("line at %1").arg(line->geometry().center().y())));
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(dlg.List1->viewport(), &leave);
    QVERIFY(!line->isVisible());

    QCOMPARE(user_input::drop_files(dlg.List1->viewport(), at, urls_of(files)), Qt::CopyAction);

    QStringList expected = f.pictures;
    expected.insert(first, files[1]);
    expected.insert(first, files[0]);
    QCOMPARE(paths_of(*f.state), expected);
    QCOMPARE(titles(dlg.List1).mid(first, 2), (QStringList{"new1.jpg", "new2.jpg"}));
    QCOMPARE(dlg.List1->selected_row(), first);
    QTRY_COMPARE(f.state->current_image_path, files[0]);
    QVERIFY(f.messages.log.isEmpty());
  }

  // What cannot be added is named in one message after the rest are added;
  // a file given twice joins once.
  void dropping_on_the_picture_area() {
    Fixture f;
    F_kinyu& dlg = f.open_editor();
    user_input::show_active(&dlg);
    const QString good = f.picture(QStringLiteral("good.jpg"), 10, 10);
    const QString text = f.dir_path + QStringLiteral("note.txt");
    QVERIFY(testing_support::write_bytes(text, "x"));
    QList<QUrl> urls = urls_of({text, good, good});
    urls << QUrl(QStringLiteral("https://example.com/rose.jpg"));

    QCOMPARE(user_input::drop_files(dlg.Image1, dlg.Image1->rect().center(), urls), Qt::CopyAction);

    QCOMPARE(paths_of(*f.state), QStringList{good});
    QCOMPARE(f.messages.log.size(), 1);
    QVERIFY(f.messages.log[0].text.contains(text));
    QVERIFY(f.messages.log[0].text.contains(good + QStringLiteral("（このメモにすでに追加されています）")));
    QVERIFY(f.messages.log[0].text.contains(QStringLiteral("https://example.com/rose.jpg")));
  }

  // Files copied in a file manager, then Ctrl+V in the picture list, twice:
  // the second paste adds nothing and says why in one message.
  void pasting_copied_files() {
    Fixture f;
    F_kinyu& dlg = f.open_editor(2);
    user_input::show_active(&dlg);
    const QString a = f.picture(QStringLiteral("a.jpg"), 10, 10);
    const QString b = f.picture(QStringLiteral("b.jpg"), 10, 10);
    auto* data = new QMimeData;
    data->setData(QStringLiteral("x-special/gnome-copied-files"),
                  "copy\n" + QUrl::fromLocalFile(a).toEncoded() + "\n" + QUrl::fromLocalFile(b).toEncoded());
    QGuiApplication::clipboard()->setMimeData(data);
    auto* paste = dlg.List1->findChild<QAction*>(QStringLiteral("paste_pictures"));
    QVERIFY(paste && paste->isEnabled());
    QCOMPARE(paste->text(), QStringLiteral("貼り付け(&P)"));
    QCOMPARE(dlg.List1->contextMenuPolicy(), Qt::ActionsContextMenu);

    user_input::click_item(dlg.List1, 0);
    QTest::keyClick(dlg.List1, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(paths_of(*f.state).mid(3), (QStringList{a, b}));
    QCOMPARE(titles(dlg.List1).mid(3), (QStringList{"a.jpg", "b.jpg"}));
    QVERIFY(f.messages.log.isEmpty());

    QTest::keyClick(dlg.List1, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(paths_of(*f.state).size(), 5);
    QCOMPARE(dlg.List1->count(), 5);
    QCOMPARE(f.messages.log.size(), 1);
    for (const QString& p : {a, b}) {
      QVERIFY(f.messages.log[0].text.contains(p + QStringLiteral("（このメモにすでに追加されています）")));
    }
  }

  // An image without a file is saved where the user chooses (a name without
  // a picture suffix gets ".jpg"), then attached. The proposed folder is
  // made only when the image is written into it.
  void pasting_an_image_data() {
    QTest::addColumn<QString>("chosen");  // "" cancels; "=" takes the proposal
    QTest::addColumn<QString>("saved");   // below the data folder, "" when none
    QTest::newRow("the place proposed") << "=" << "=";
    QTest::newRow("elsewhere, without a suffix") << "貼り付け" << "貼り付け.jpg";
    QTest::newRow("cancelled") << "" << "";
    QTest::newRow("a full list, not asked") << "full" << "";
  }

  void pasting_an_image() {
    QFETCH(QString, chosen);
    QFETCH(QString, saved);
    Fixture f;
    F_kinyu& dlg = f.open_editor();
    user_input::show_active(&dlg);
    QImage image(20, 10, QImage::Format_RGB32);
    image.fill(Qt::red);
    QGuiApplication::clipboard()->setImage(image);
    QString proposed;
    const bool full = chosen == QStringLiteral("full");
    for (int i = 0; full && i < 100; ++i) f.state->current_images.push_back({f.pictures[0], QString::number(i)});
    dlg.pictures_folder = f.dir_path + QStringLiteral("写真");
    dlg.choose_image_file = [&](QWidget*, const QString&, const QString& p) {
      proposed = p;
      return chosen == QStringLiteral("=") ? p : chosen.isEmpty() ? QString() : f.dir_path + chosen;
    };

    user_input::click(dlg.List1);
    QTest::keyClick(dlg.List1, Qt::Key_V, Qt::ControlModifier);

    QCOMPARE(QFileInfo::exists(f.dir_path + QStringLiteral("写真")), chosen == QStringLiteral("="));
    if (full) {
      QVERIFY(proposed.isEmpty());
      QCOMPARE(f.state->current_image_count(), 100);
      QCOMPARE(f.messages.log.size(), 1);
      QVERIFY(f.messages.log[0].text.contains(QStringLiteral("限界(100)")));
      return;
    }
    const QString folder = f.dir_path + QStringLiteral("写真/Verdalis/") + QString::number(QDate::currentDate().year()) + "/";
    QVERIFY2(proposed.startsWith(folder) && proposed.endsWith(QStringLiteral(".jpg")), qPrintable(proposed));
    const QString path = saved == QStringLiteral("=") ? proposed : saved.isEmpty() ? QString() : f.dir_path + saved;
    QCOMPARE(paths_of(*f.state), path.isEmpty() ? QStringList{} : QStringList{path});
    if (!path.isEmpty()) QCOMPARE(QImage(path).size(), QSize(20, 10));
    QVERIFY(f.messages.log.isEmpty());
  }

  // A PNG file (or another format Qt reads, or an iPhone's HEIC) dropped or
  // pasted joins as a JPEG copy written, without asking, into the picture
  // folder's year folder under the file's own name, made unique beside
  // another photo's copy; transparency turns white. Brought in again, the
  // same original takes the copy made then. A file that cannot be read is
  // named, and leaves no folder.
  void pictures_of_other_formats_data() {
    QTest::addColumn<bool>("pasted");
    QTest::addColumn<QString>("source");
    QTest::addColumn<bool>("taken");  // a flower.jpg is in the folder already
    QTest::newRow("pasted PNG") << true << "flower.png" << false;
    QTest::newRow("dropped XPM") << false << "flower.xpm" << false;
    QTest::newRow("dropped HEIC beside another flower.jpg") << false << "flower.heic" << true;
    QTest::newRow("dropped, not a picture inside") << false << "broken.png" << false;
  }

  void pictures_of_other_formats() {
    QFETCH(bool, pasted);
    QFETCH(QString, source);
    QFETCH(bool, taken);
    const bool heic = source.endsWith(QStringLiteral(".heic"));
    if (heic && !testing_support::heif_enc_found()) QSKIP("heif-enc is missing: install the Debian package libheif-examples");
    Fixture f;
    F_kinyu& dlg = f.open_editor();
    user_input::show_active(&dlg);
    const QString file = f.dir_path + source;
    const bool broken = source.startsWith(QStringLiteral("broken"));
    if (broken) {
      QVERIFY(testing_support::write_bytes(file, "not a picture"));
    } else {
      // Transparent on the left, opaque green on the right.
      QImage picture(40, 20, QImage::Format_ARGB32);
      picture.fill(Qt::transparent);
      QPainter(&picture).fillRect(20, 0, 20, 20, QColor(0, 160, 0));
      QVERIFY(heic ? testing_support::write_heic(picture, file) : picture.save(file));
    }
    dlg.pictures_folder = f.dir_path + QStringLiteral("写真");
    const QString year_folder =
        f.dir_path + QStringLiteral("写真/Verdalis/") + QString::number(QDate::currentDate().year()) + QLatin1Char('/');
    // Another photo's copy is never written over.
    if (taken) QVERIFY(QDir().mkpath(year_folder) && testing_support::write_bytes(year_folder + "flower.jpg", "other"));
    dlg.choose_image_file = [&](QWidget*, const QString&, const QString&) {
      QTest::qFail("asked where to save a copy of a file", __FILE__, __LINE__);
      return QString();
    };
    const auto bring_in = [&] {
      if (pasted) {
        auto* data = new QMimeData;
        data->setUrls(urls_of({file}));
        QGuiApplication::clipboard()->setMimeData(data);
        user_input::click(dlg.List1);
        QTest::keyClick(dlg.List1, Qt::Key_V, Qt::ControlModifier);
      } else {
        QCOMPARE(user_input::drop_files(dlg.List1->viewport(), dlg.List1->rect().center(), urls_of({file})),
                 Qt::CopyAction);
      }
    };
    bring_in();

    const QString copy = year_folder + QFileInfo(source).completeBaseName() + (taken ? " (2).jpg" : ".jpg");
    if (broken) {
      QCOMPARE(f.messages.log.size(), 1);
      QVERIFY2(f.messages.log[0].text.contains(file + QStringLiteral("（画像として読み込めませんでした")),
               qPrintable(f.messages.log[0].text));
      QVERIFY(!QFileInfo::exists(f.dir_path + QStringLiteral("写真")));
      QVERIFY(paths_of(*f.state).isEmpty());
      return;
    }
    QVERIFY(f.messages.log.isEmpty());
    QCOMPARE(paths_of(*f.state), QStringList{copy});
    QCOMPARE(titles(dlg.List1), QStringList{QFileInfo(copy).fileName()});
    QImageReader reader(copy);
    QCOMPARE(reader.format(), QByteArray("jpeg"));
    const QImage written = reader.read();
    QCOMPARE(written.size(), QSize(40, 20));
    QVERIFY(qGray(written.pixel(5, 10)) > 240);
    QVERIFY(qGreen(written.pixel(35, 10)) > 120 && qRed(written.pixel(35, 10)) < 60);
    QTRY_COMPARE(f.state->current_image_path, copy);
    // The same original again, in another memo: the copy made then.
    f.state->current_images.clear();
    bring_in();
    QCOMPARE(paths_of(*f.state), QStringList{copy});
    QCOMPARE(QDir(year_folder).entryList(QDir::Files).size(), taken ? 2 : 1);
  }

  // Dropped on the main window's list, the files open the editor for a new
  // memo dated by the earliest shooting time among them.
  void dropping_on_the_main_window() {
    Fixture f;
    user_input::show_active(f.form.get());
    const QString late = f.dir_path + QStringLiteral("late.jpg");
    const QString early = f.dir_path + QStringLiteral("early.jpg");
    QVERIFY(testing_support::write_exif_picture(late, QStringLiteral("2025:04:03 10:00:00")));
    QVERIFY(testing_support::write_exif_picture(early, QStringLiteral("2025:04:02 18:15:00")));
    QString date;
    QStringList attached;
    int opened = 0;
    f.form->run_modal = [&](QDialog& d) {
      auto& editor = static_cast<F_kinyu&>(d);
      ++opened;
      date = editor.Text1->text();
      attached = titles(editor.List1);
      return int(QDialog::Rejected);
    };

    QWidget* list = f.form->Grid1->viewport();
    QCOMPARE(user_input::drop_files(list, list->rect().center(), urls_of({late, early})), Qt::CopyAction);
    QCOMPARE(opened, 1);
    QVERIFY(f.state->EditMode == QStringLiteral("sinki"));
    QCOMPARE(date, QStringLiteral("2025/04/02"));
    QCOMPARE(attached, (QStringList{"late.jpg", "early.jpg"}));

    // Nothing that can be added: no editor, one message.
    const QString text = f.dir_path + QStringLiteral("note.txt");
    QVERIFY(testing_support::write_bytes(text, "x"));
    QCOMPARE(user_input::drop_files(list, list->rect().center(), urls_of({text})), Qt::CopyAction);
    QCOMPARE(opened, 1);
    QCOMPARE(f.messages.log.size(), 1);
  }
};

QTEST_MAIN(TestEditorFiles)
#include "test_editor_files.moc"
