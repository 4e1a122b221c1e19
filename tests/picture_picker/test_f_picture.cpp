// The picture picker window over a scratch directory tree: opening where it
// was left, walking drives and directories, previews, registering into the
// editor's list, deleting files, and damaged pictures.

#include <QBuffer>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QImageWriter>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

#include "immutable_dir.h"
#include "picture_picker/f_picture.h"
#include "recording_messages.h"
#include "user_input.h"

namespace {

const QString kAppTitle = QStringLiteral("【Verdalis】Ver.3.0");
const QString kOpeningCaption = QStringLiteral("登録する画像ファイルを選択して、タイトルを入力して下さい。");

QByteArray jpeg_bytes(int w, int h) {
  QImage image(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) image.setPixel(x, y, qRgb(x % 256, y % 256, (x * y) % 256));
  }
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "JPG");
  return bytes;
}

bool write_file(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QStringList items(const QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

// A scratch tree:
//   photos/   a.jpg (30 × 20), wide.JPG, tall.jpg, exact.jpg, c.Jpg,
//             notes.txt, 2025/, 2026/
//   vol/      a second volume, with v.jpg and album/
//   gone      a volume that is not mounted (not ready)
struct Fixture {
  Fixture() {
    root = dir.path();
    photos = root + QStringLiteral("/photos");
    vol = root + QStringLiteral("/vol");
    for (const QString& d : {photos, photos + QStringLiteral("/2025"), photos + QStringLiteral("/2026"),
                             vol + QStringLiteral("/album")}) {
      QDir().mkpath(d);
    }
    add_picture(QStringLiteral("a.jpg"), 30, 20);
    // 13350 × 6135 twips, 6000 × 12270 and exactly the preview box.
    add_picture(QStringLiteral("wide.JPG"), 890, 409);
    add_picture(QStringLiteral("tall.jpg"), 400, 818);
    add_picture(QStringLiteral("exact.jpg"), 445, 409);
    add_picture(QStringLiteral("c.Jpg"), 30, 20);
    write_file(photos + QStringLiteral("/notes.txt"), "memo");
    write_file(vol + QStringLiteral("/v.jpg"), jpeg_bytes(10, 10));
    drives = {QStringLiteral("/"), vol, root + QStringLiteral("/gone")};
    // The picker starts on the current directory when nothing is saved.
    previous_dir = QDir::currentPath();
    QDir::setCurrent(photos);
    titles.addItems({QStringLiteral("前から1"), QStringLiteral("前から2")});
    state.current_images = {{QStringLiteral("/x/1.jpg"), QStringLiteral("前から1")},
                            {QStringLiteral("/x/2.jpg"), QStringLiteral("前から2")}};
    editor.move(40, 30);
  }
  ~Fixture() { QDir::setCurrent(previous_dir); }

  void add_picture(const QString& name, int w, int h) { write_file(photos + QLatin1Char('/') + name, jpeg_bytes(w, h)); }

  F_picture& open() {
    picker.reset();
    picker = std::make_unique<F_picture>(state, messages, editor, titles, drives);
    return *picker;
  }

  // A mouse click on a file of File1.
  void click(const QString& name) {
    const auto found = picker->File1->findItems(name, Qt::MatchExactly);
    QVERIFY2(found.size() == 1, qPrintable(name));
    if (!picker->isVisible()) user_input::show_active(picker.get());
    user_input::click_item(picker->File1, picker->File1->row(found.first()));
  }

  QTemporaryDir dir;
  QString root, photos, vol, previous_dir;
  QStringList drives;
  QDialog editor;
  QListWidget titles;
  RecordingMessages messages;
  store::AppState state{QStringLiteral("/nowhere/")};
  std::unique_ptr<F_picture> picker;
};

const QStringList kPhotoFiles{"a.jpg", "c.Jpg", "exact.jpg", "notes.txt", "tall.jpg", "wide.JPG"};

}  // namespace

class TestFPicture : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void first_opening() {
    Fixture f;
    F_picture& p = f.open();
    QCOMPARE(p.windowTitle(), kOpeningCaption);
    QCOMPARE(p.pos(), QPoint(40, 30));
    QCOMPARE(p.size(), QSize(622, 436));  // 9330 × 6540 twips
    QCOMPARE(p.minimumSize(), p.maximumSize());
    QCOMPARE(p.Drive1->currentIndex(), 0);
    QCOMPARE(p.dir_path(), f.photos);
    QCOMPARE(items(p.File1), kPhotoFiles);
    QCOMPARE(p.File1->currentRow(), -1);
    QCOMPARE(p.Text1->text(), QString());
    QVERIFY(p.Image1->pixmap().isNull());
    QCOMPARE(f.state.picker_dir, f.photos + QLatin1Char('/'));
    QCOMPARE(f.state.picker_saved_dir, f.photos + QLatin1Char('/'));
    // Dir1: the chain down to the directory, open, then its sub-directories.
    QTreeWidgetItem* current = p.Dir1->currentItem();
    QVERIFY(current);
    QCOMPARE(current->data(0, Qt::UserRole).toString(), f.photos);
    QCOMPARE(current->childCount(), 2);
    QCOMPARE(current->child(1)->text(0), QStringLiteral("2026"));
    int depth = 0;
    for (QTreeWidgetItem* up = current; up; up = up->parent()) ++depth;
    QCOMPARE(depth, QDir::cleanPath(f.photos).count(QLatin1Char('/')) + 1);
    QCOMPARE(p.Dir1->topLevelItem(0)->text(0), QStringLiteral("/"));
  }

  void clicking_files_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("preview");  // px; empty: no picture
    QTest::newRow("small picture, own size") << "a.jpg" << QSize(30, 20);
    QTest::newRow("exactly the box, own size") << "exact.jpg" << QSize(445, 409);
    QTest::newRow("twice as wide, halved") << "wide.JPG" << QSize(445, 205);  // 6675 × 3067.5 twips
    QTest::newRow("twice as high, halved") << "tall.jpg" << QSize(200, 409);  // 3000 × 6135 twips
    QTest::newRow("text named .jpg") << "fake.jpg" << QSize();
    QTest::newRow("truncated JPEG") << "cut.jpg" << QSize();
    QTest::newRow("only a header") << "header.jpg" << QSize();
    QTest::newRow("declares 60000 × 60000") << "huge.jpg" << QSize();
    QTest::newRow("empty file") << "empty.bmp" << QSize();
  }

  void clicking_files() {
    QFETCH(QString, name);
    QFETCH(QSize, preview);
    Fixture f;
    const QString path = f.photos + QLatin1Char('/') + name;
    const QByteArray whole = jpeg_bytes(600, 400);
    if (name == QStringLiteral("fake.jpg")) write_file(path, "this is not a picture\r\n");
    if (name == QStringLiteral("cut.jpg")) write_file(path, whole.left(whole.size() / 2));
    if (name == QStringLiteral("header.jpg")) write_file(path, whole.left(700));
    if (name == QStringLiteral("empty.bmp")) write_file(path, QByteArray());
    if (name == QStringLiteral("huge.jpg")) {
      QByteArray bytes = jpeg_bytes(64, 64);
      const qsizetype sof = bytes.indexOf("\xFF\xC0");
      QVERIFY(sof > 0);
      for (int k : {5, 7}) {
        bytes[sof + k] = char(60000 >> 8);
        bytes[sof + k + 1] = char(60000 & 0xFF);
      }
      write_file(path, bytes);
    }
    QFile stamp(path);
    QVERIFY(stamp.open(QIODevice::ReadWrite));
    QVERIFY(stamp.setFileTime(QDateTime(QDate(2025, 4, 3), QTime(14, 5, 6)), QFileDevice::FileModificationTime));
    stamp.close();

    F_picture& p = f.open();
    QElapsedTimer timer;
    timer.start();
    f.click(name);
    QVERIFY(timer.elapsed() < 5000);
    QCOMPARE(p.Text1->text(), name);
    QCOMPARE(p.windowTitle(), QStringLiteral("画像ﾌｧｲﾙの日付：2025/04/03 14:05:06"));
    QCOMPARE(f.state.picker_dir, f.photos + QLatin1Char('/'));
    if (preview.isEmpty()) {
      QVERIFY(p.Image1->pixmap().isNull());
    } else {
      QCOMPARE(p.Image1->pixmap().size(), preview);
      // The box keeps its corner and frames the picture.
      QCOMPARE(p.Image1->pos(), QPoint(176, 0));
      QCOMPARE(p.Image1->contentsRect().size(), preview);
    }
    // The rest of the window stays usable: another file still previews.
    f.click(QStringLiteral("a.jpg"));
    QCOMPARE(p.Image1->pixmap().size(), QSize(30, 20));
    QVERIFY(f.messages.log.isEmpty());
  }

  void whole_and_cut_jpegs_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("complete");
    const QByteArray whole = jpeg_bytes(300, 200);
    QByteArray progressive;
    {
      QBuffer buffer(&progressive);
      buffer.open(QIODevice::WriteOnly);
      QImageWriter writer(&buffer, "jpeg");
      writer.setProgressiveScanWrite(true);
      QImage image(300, 200, QImage::Format_RGB32);
      image.fill(Qt::darkGreen);
      QVERIFY(writer.write(image));
    }
    // A metadata segment holding a whole small JPEG (as a thumbnail does)
    // must not end the picture early.
    const QByteArray thumbnail = QByteArray("Exif\0\0", 6) + jpeg_bytes(8, 8);
    QByteArray segment("\xFF\xE1");
    segment += char((thumbnail.size() + 2) >> 8);
    segment += char((thumbnail.size() + 2) & 0xFF);
    segment += thumbnail;
    const QByteArray with_thumbnail = whole.left(2) + segment + whole.mid(2);
    QTest::newRow("whole") << whole << true;
    QTest::newRow("progressive") << progressive << true;
    QTest::newRow("bytes after the end") << whole + QByteArray(100, 'x') << true;
    QTest::newRow("with a thumbnail") << with_thumbnail << true;
    QTest::newRow("cut in the picture data") << whole.left(whole.size() - 10) << false;
    QTest::newRow("cut, with a thumbnail") << with_thumbnail.left(with_thumbnail.size() / 2) << false;
    QTest::newRow("cut in the header") << whole.left(20) << false;
    QTest::newRow("not a JPEG") << QByteArray("BM\x10\x00") << true;
    QTest::newRow("empty") << QByteArray() << true;
  }

  void whole_and_cut_jpegs() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, complete);
    QCOMPARE(store::jpeg_data_is_complete(bytes), complete);
  }

  void a_name_that_is_not_a_picture_changes_nothing_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("mixed case") << "c.Jpg";
    QTest::newRow("text") << "notes.txt";
  }

  void a_name_that_is_not_a_picture_changes_nothing() {
    QFETCH(QString, name);
    Fixture f;
    F_picture& p = f.open();
    f.click(QStringLiteral("a.jpg"));
    const QString caption = p.windowTitle();
    p.Text1->setText(QStringLiteral("題"));
    f.click(name);
    QCOMPARE(p.Text1->text(), QStringLiteral("題"));
    QCOMPARE(p.windowTitle(), caption);
    QCOMPARE(p.Image1->pixmap().size(), QSize(30, 20));
    // Registering it is refused.
    p.Command2_Click();
    QCOMPARE(f.messages.log.size(), 1);
    QCOMPARE(f.messages.log[0].text, QStringLiteral("画像ファイルを指定してください。"));
    QCOMPARE(f.titles.count(), 2);
  }

  // Two registrations in one opening fill slots 3 and 4 in order.
  void two_registrations() {
    Fixture f;
    F_picture& p = f.open();
    f.click(QStringLiteral("a.jpg"));
    const QString caption = p.windowTitle();
    p.Text1->setText(QStringLiteral("朝顔"));
    user_input::click(p.Command2);
    QCOMPARE(items(&f.titles).size(), 3);
    QCOMPARE(f.state.current_image_count(), 3);
    QCOMPARE(f.state.current_images[2], (store::ImageEntry{f.photos + QStringLiteral("/a.jpg"), QStringLiteral("朝顔")}));
    // Ready for the next one: no preview, no title, no file chosen; the
    // caption keeps the date.
    QVERIFY(p.Image1->pixmap().isNull());
    QCOMPARE(p.Text1->text(), QString());
    QCOMPARE(p.File1->selected_row(), -1);
    QCOMPARE(items(p.File1), kPhotoFiles);
    QCOMPARE(p.windowTitle(), caption);

    // The file list has the focus: Home previews its first file, and a
    // click on another one then proposes that one's name.
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("File1"));
    user_input::key(Qt::Key_Home);
    QCOMPARE(p.Text1->text(), QStringLiteral("a.jpg"));
    QCOMPARE(p.Image1->pixmap().size(), QSize(30, 20));
    f.click(QStringLiteral("wide.JPG"));
    QCOMPARE(p.Text1->text(), QStringLiteral("wide.JPG"));
    user_input::click(p.Command2);
    QCOMPARE(items(&f.titles), (QStringList{QStringLiteral("前から1"), QStringLiteral("前から2"),
                                            QStringLiteral("朝顔"), QStringLiteral("wide.JPG")}));
    QCOMPARE(f.state.current_images[3],
             (store::ImageEntry{f.photos + QStringLiteral("/wide.JPG"), QStringLiteral("wide.JPG")}));
    QVERIFY(f.messages.log.isEmpty());
    // Closing keeps them.
    p.Command1_Click();
    QCOMPARE(p.result(), int(QDialog::Rejected));
    QCOMPARE(f.state.current_image_count(), 4);
  }

  void refused_registrations_data() {
    QTest::addColumn<QString>("file");   // "" none chosen
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("already");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("box_title");
    QTest::newRow("no title and no file") << "" << "" << 2 << "画像のタイトルを入力してください。" << "Verdalis";
    QTest::newRow("a 101st picture") << "a.jpg" << "花" << 100 << "これ以上画像を登録できません。"
                                     << "画像の数が限界(100)を越えます";
    QTest::newRow("a name the list file cannot hold") << "Blüte.jpg" << "花" << 2 << "ü" << "【Verdalis】Ver.3.0";
  }

  void refused_registrations() {
    QFETCH(QString, file);
    QFETCH(QString, title);
    QFETCH(int, already);
    QFETCH(QString, message);
    QFETCH(QString, box_title);
    Fixture f;
    f.add_picture(QStringLiteral("Blüte.jpg"), 10, 10);
    while (f.state.current_image_count() < already) {
      f.state.current_images.push_back({QStringLiteral("/x/more.jpg"), QStringLiteral("他")});
      f.titles.addItem(QStringLiteral("他"));
    }
    F_picture& p = f.open();
    p.show();
    QApplication::setActiveWindow(&p);
    QVERIFY(QTest::qWaitForWindowActive(&p));
    if (!file.isEmpty()) f.click(file);
    p.Text1->setText(title);
    p.Command3->setFocus();
    p.Command2_Click();
    QCOMPARE(f.messages.log.size(), 1);
    QVERIFY2(f.messages.log[0].text.contains(message), qPrintable(f.messages.log[0].text));
    QCOMPARE(f.messages.log[0].title, box_title);
    QCOMPARE(f.titles.count(), already);
    QCOMPARE(f.state.current_image_count(), already);
    QCOMPARE(p.Text1->text(), title);
    if (title.isEmpty()) QCOMPARE(QApplication::focusWidget(), p.Text1);
  }

  void reopening_shows_the_directory_last_listed() {
    Fixture f;
    {
      F_picture& p = f.open();
      QTreeWidgetItem* year = p.Dir1->currentItem()->child(1);
      Q_EMIT p.Dir1->itemActivated(year, 0);
      QCOMPARE(p.dir_path(), f.photos + QStringLiteral("/2026"));
      QCOMPARE(p.File1->count(), 0);
    }
    QDir::setCurrent(f.root);
    F_picture& again = f.open();
    QCOMPARE(again.dir_path(), f.photos + QStringLiteral("/2026"));
    QCOMPARE(f.state.picker_saved_dir, f.photos + QStringLiteral("/2026/"));

    // Up the chain by activating an ancestor.
    Q_EMIT again.Dir1->itemActivated(again.Dir1->currentItem()->parent(), 0);
    QCOMPARE(again.dir_path(), f.photos);
    QCOMPARE(items(again.File1), kPhotoFiles);

    // A remembered directory that has gone: its nearest existing ancestor.
    f.state.picker_saved_dir = f.photos + QStringLiteral("/2024/06/");
    QCOMPARE(f.open().dir_path(), f.photos);
  }

  void a_directory_that_has_gone_is_not_entered() {
    Fixture f;
    F_picture& p = f.open();
    QTreeWidgetItem* year = p.Dir1->currentItem()->child(0);
    QVERIFY(QDir(f.photos + QStringLiteral("/2025")).removeRecursively());
    Q_EMIT p.Dir1->itemActivated(year, 0);
    QCOMPARE(f.messages.log.size(), 1);
    QCOMPARE(f.messages.log[0].text, QStringLiteral("フォルダを開けません。\n") + f.photos + QStringLiteral("/2025"));
    QCOMPARE(p.dir_path(), f.photos);
    QCOMPARE(items(p.File1), kPhotoFiles);
  }

  void changing_drives_data() {
    QTest::addColumn<QString>("saved_drive");  // as remembered from an earlier opening
    QTest::addColumn<QString>("saved_dir");
    QTest::addColumn<int>("opens_on_drive");
    QTest::addColumn<QString>("opens_in");
    QTest::addColumn<int>("choose");
    QTest::addColumn<QString>("then_in");
    QTest::addColumn<int>("then_drive");
    QTest::addColumn<bool>("not_ready");
    // Paths: "P" the photos directory (also the current directory), "V"
    // the second volume, "G" the volume that is not ready.
    QTest::newRow("to another volume: its root") << "" << "" << 0 << "P" << 1 << "V" << 1 << false;
    QTest::newRow("back: the current directory") << "V" << "V" << 1 << "V" << 0 << "P" << 0 << false;
    QTest::newRow("to the volume of the directory last shown") << "/" << "V/album" << 0 << "V/album" << 1
                                                                << "V/album" << 1 << false;
    QTest::newRow("remembered sub-directory") << "/" << "P/2025" << 0 << "P/2025" << 1 << "V" << 1 << false;
    QTest::newRow("not ready: back to the last drive") << "" << "" << 0 << "P" << 2 << "P" << 0 << true;
    QTest::newRow("not ready from the other volume") << "V" << "V" << 1 << "V" << 2 << "V" << 1 << true;
    QTest::newRow("remembered volume no longer mounted") << "/media/gone" << "P/2026" << 0 << "P/2026" << 1
                                                           << "V" << 1 << false;
    QTest::newRow("remembered volume not ready") << "G" << "P" << 0 << "P" << 1 << "V" << 1 << true;
  }

  void changing_drives() {
    QFETCH(QString, saved_drive);
    QFETCH(QString, saved_dir);
    QFETCH(int, opens_on_drive);
    QFETCH(QString, opens_in);
    QFETCH(int, choose);
    QFETCH(QString, then_in);
    QFETCH(int, then_drive);
    QFETCH(bool, not_ready);
    Fixture f;
    const auto path = [&](const QString& s) {
      if (s.startsWith(QLatin1Char('P'))) return f.photos + s.mid(1);
      if (s.startsWith(QLatin1Char('V'))) return f.vol + s.mid(1);
      if (s.startsWith(QLatin1Char('G'))) return f.drives[2] + s.mid(1);
      return s;
    };
    f.state.picker_saved_drive = path(saved_drive);
    if (!saved_dir.isEmpty()) f.state.picker_saved_dir = path(saved_dir) + QLatin1Char('/');

    F_picture& p = f.open();
    QCOMPARE(p.Drive1->currentIndex(), opens_on_drive);
    QCOMPARE(p.dir_path(), path(opens_in));
    const bool notice_at_opening = !f.messages.log.isEmpty();
    f.messages.log.clear();

    p.Drive1->setCurrentIndex(choose);
    QCOMPARE(p.Drive1->currentIndex(), then_drive);
    QCOMPARE(p.dir_path(), path(then_in));
    QCOMPARE(f.state.picker_saved_drive, f.drives[then_drive]);
    QCOMPARE(f.state.picker_saved_dir, path(then_in) + QLatin1Char('/'));
    if (saved_drive == QStringLiteral("G")) {
      // The remembered drive was tried at opening and refused there.
      QVERIFY(notice_at_opening);
      QVERIFY(f.messages.log.isEmpty());
    } else if (not_ready) {
      QCOMPARE(f.messages.log.size(), 1);
      QCOMPARE(f.messages.log[0].text, QStringLiteral("ドライブの準備ができていません。"));
      QCOMPARE(f.messages.log[0].title, QStringLiteral("Verdalis"));
    } else {
      QVERIFY(f.messages.log.isEmpty());
    }
  }

  void deleting_data() {
    QTest::addColumn<QString>("file");  // "" none chosen
    QTest::addColumn<bool>("answer");
    QTest::addColumn<QString>("how");   // "", "protected", "gone"
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("deleted");
    QTest::addColumn<QString>("message");
    QTest::newRow("Yes") << "a.jpg" << true << "" << true << true << "";
    QTest::newRow("No") << "a.jpg" << false << "" << true << false << "";
    QTest::newRow("nothing chosen") << "" << true << "" << false << false << "";
    QTest::newRow("not a picture") << "notes.txt" << true << "" << true << true << "";
    QTest::newRow("already gone") << "a.jpg" << true << "gone" << true << true << "";
    QTest::newRow("refused by the system") << "a.jpg" << true << "protected" << true << false
                                           << "ファイルを削除できません。\n";
  }

  void deleting() {
    QFETCH(QString, file);
    QFETCH(bool, answer);
    QFETCH(QString, how);
    QFETCH(bool, asked);
    QFETCH(bool, deleted);
    QFETCH(QString, message);
    Fixture f;
    F_picture& p = f.open();
    const QString path = f.photos + QLatin1Char('/') + file;
    if (!file.isEmpty()) f.click(file);
    p.Text1->setText(QStringLiteral("題"));
    const QString caption = p.windowTitle();
    const bool previewing = !p.Image1->pixmap().isNull();
    ImmutableDir guard;
    if (how == QStringLiteral("protected") && !guard.protect(f.photos)) {
      QSKIP("this system cannot protect a directory against the test's user");
    }
    if (how == QStringLiteral("gone")) QVERIFY(QFile::remove(path));
    f.messages.answers = {answer};

    p.Command3_Click();
    guard.release();

    QCOMPARE(f.messages.log.size() >= 1, asked);
    if (asked) {
      QCOMPARE(f.messages.log[0].text, QStringLiteral("この画像ファイルを削除して良いですか?"));
      QCOMPARE(f.messages.log[0].title, kAppTitle);
      QVERIFY(f.messages.log[0].question);
    }
    QCOMPARE(f.messages.log.size(), message.isEmpty() ? (asked ? 1 : 0) : 2);
    if (!message.isEmpty()) {
      QCOMPARE(f.messages.log[1].text, message + path);
      QCOMPARE(f.messages.log[1].title, kAppTitle);
    }
    QCOMPARE(p.Text1->text(), QStringLiteral("題"));
    if (deleted) {
      QVERIFY(!QFileInfo::exists(path));
      QVERIFY(!items(p.File1).contains(file));
      QCOMPARE(p.File1->count(), kPhotoFiles.size() - 1);
      QVERIFY(p.Image1->pixmap().isNull());
      QCOMPARE(p.windowTitle(), kAppTitle);
    } else {
      if (!file.isEmpty()) QVERIFY(QFileInfo::exists(path));
      QCOMPARE(items(p.File1), kPhotoFiles);
      QCOMPARE(p.windowTitle(), caption);
      QCOMPARE(!p.Image1->pixmap().isNull(), previewing);
    }
  }
};

QTEST_MAIN(TestFPicture)
#include "test_f_picture.moc"
