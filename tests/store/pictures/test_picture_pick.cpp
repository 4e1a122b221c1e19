// The picture picker's data logic without a window: picture names, preview
// sizes, volumes and directories, registering and deleting.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "immutable_dir.h"
#include "store/pictures/picture_pick.h"

class TestPicturePick : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void picture_file_names_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("picture");
    QTest::newRow("jpg") << "rose.jpg" << true;
    QTest::newRow("JPG") << "ROSE.JPG" << true;
    QTest::newRow("bmp") << "scan.bmp" << true;
    QTest::newRow("BMP") << "scan.BMP" << true;
    QTest::newRow("jpeg") << "lily.jpeg" << true;
    QTest::newRow("JPEG") << "lily.JPEG" << true;
    QTest::newRow("no dot") << "photojpg" << true;
    QTest::newRow("just the ending") << "bmp" << true;
    QTest::newRow("Jpg") << "rose.Jpg" << false;
    QTest::newRow("Bmp") << "scan.Bmp" << false;
    QTest::newRow("jPEG") << "lily.jPEG" << false;
    QTest::newRow("Jpeg") << "lily.Jpeg" << false;
    QTest::newRow("png") << "leaf.png" << false;
    QTest::newRow("gif") << "leaf.gif" << false;
    QTest::newRow("jpg inside") << "rose.jpg.txt" << false;
    QTest::newRow("jpe") << "rose.jpe" << false;
    QTest::newRow("trailing blank") << "rose.jpg " << false;
    QTest::newRow("empty") << "" << false;
  }

  void picture_file_names() {
    QFETCH(QString, name);
    QFETCH(bool, picture);
    QCOMPARE(store::is_picture_file_name(name), picture);
  }

  void preview_sizes_data() {
    QTest::addColumn<float>("width");
    QTest::addColumn<float>("height");
    QTest::addColumn<float>("shown_width");
    QTest::addColumn<float>("shown_height");
    QTest::addColumn<bool>("scaled");
    QTest::newRow("exactly the box") << 6675.0F << 6135.0F << 6675.0F << 6135.0F << false;
    QTest::newRow("smaller") << 1500.0F << 900.0F << 1500.0F << 900.0F << false;
    QTest::newRow("twice as wide") << 13350.0F << 6135.0F << 6675.0F << 3067.5F << true;
    QTest::newRow("twice as high") << 6000.0F << 12270.0F << 3000.0F << 6135.0F << true;
    QTest::newRow("one twip too wide") << 6676.0F << 15.0F << 6675.0F << 15.0F * (6675.0F / 6676.0F) << true;
    QTest::newRow("one twip too high") << 15.0F << 6136.0F << 15.0F * (6135.0F / 6136.0F) << 6135.0F << true;
    QTest::newRow("huge square") << 900000.0F << 900000.0F << 6135.0F << 6135.0F << true;
  }

  void preview_sizes() {
    QFETCH(float, width);
    QFETCH(float, height);
    QFETCH(float, shown_width);
    QFETCH(float, shown_height);
    QFETCH(bool, scaled);
    const store::PreviewSize s = store::preview_size(width, height);
    QCOMPARE(s.width, shown_width);
    QCOMPARE(s.height, shown_height);
    QCOMPARE(s.scaled, scaled);
  }

  void directories_data() {
    QTest::addColumn<QString>("dir");
    QTest::addColumn<QString>("terminated");
    QTest::addColumn<QStringList>("chain");
    QTest::addColumn<int>("volume");  // position in {"/", "/media/usb", "/media/usb/inner"}
    QTest::newRow("root") << "/" << "/" << QStringList{"/"} << 0;
    QTest::newRow("home") << "/home/hana" << "/home/hana/" << QStringList{"/", "/home", "/home/hana"} << 0;
    QTest::newRow("terminated") << "/home/hana/" << "/home/hana/" << QStringList{"/", "/home", "/home/hana"} << 0;
    QTest::newRow("volume root") << "/media/usb" << "/media/usb/" << QStringList{"/", "/media", "/media/usb"} << 1;
    QTest::newRow("on a volume") << "/media/usb/2026/花" << "/media/usb/2026/花/"
                                 << QStringList{"/", "/media", "/media/usb", "/media/usb/2026", "/media/usb/2026/花"}
                                 << 1;
    QTest::newRow("volume inside a volume") << "/media/usb/inner/a" << "/media/usb/inner/a/"
                                            << QStringList{"/", "/media", "/media/usb", "/media/usb/inner",
                                                           "/media/usb/inner/a"}
                                            << 2;
    QTest::newRow("a name that only starts alike") << "/media/usbx" << "/media/usbx/"
                                                   << QStringList{"/", "/media", "/media/usbx"} << 0;
  }

  void directories() {
    QFETCH(QString, dir);
    QFETCH(QString, terminated);
    QFETCH(QStringList, chain);
    QFETCH(int, volume);
    QCOMPARE(store::with_trailing_separator(dir), terminated);
    QCOMPARE(store::directory_chain(dir), chain);
    const QStringList roots{"/", "/media/usb", "/media/usb/inner"};
    QCOMPARE(store::volume_holding(roots, dir), volume);
    QCOMPARE(store::volume_holding(roots, QString()), -1);
  }

  void mounted_volumes_start_with_the_root() {
    const QStringList roots = store::mounted_volume_roots();
    QVERIFY(!roots.isEmpty());
    QCOMPARE(roots.first(), QStringLiteral("/"));
    QCOMPARE(roots.count(QStringLiteral("/")), 1);
    for (const QString& root : roots) QVERIFY2(QFileInfo(root).isDir(), qPrintable(root));
  }

  void listing_a_directory() {
    QTemporaryDir dir;
    const QString d = dir.path();
    for (const char* sub : {"b_dir", "A_dir", ".hidden_dir"}) QVERIFY(QDir(d).mkdir(QLatin1String(sub)));
    for (const char* file : {"b.jpg", "A.txt", "c.Jpg", ".hidden.jpg"}) {
      QFile f(d + QLatin1Char('/') + QLatin1String(file));
      QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QCOMPARE(store::sub_directory_names(d), (QStringList{"A_dir", "b_dir"}));
    QCOMPARE(store::file_names(d), (QStringList{"A.txt", "b.jpg", "c.Jpg"}));
    // A directory that has gone: its nearest existing ancestor.
    QCOMPARE(store::nearest_listable_directory(d + QStringLiteral("/gone/deeper/")), d);
    QCOMPARE(store::nearest_listable_directory(d + QStringLiteral("/b_dir")), d + QStringLiteral("/b_dir"));
    QVERIFY(!store::is_listable_directory(d + QStringLiteral("/b.jpg")));
  }

  void file_dates() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.jpg"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QVERIFY(f.setFileTime(QDateTime(QDate(2026, 5, 20), QTime(9, 3, 5)), QFileDevice::FileModificationTime));
    f.close();
    QCOMPARE(store::file_date_text(path), QStringLiteral("2026/05/20 9:03:05"));
    QCOMPARE(store::file_date_text(dir.filePath(QStringLiteral("none.jpg"))), QString());
  }

  void registering_data() {
    QTest::addColumn<QString>("dir");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("already");  // pictures in the list before
    QTest::addColumn<QString>("refusal");
    QTest::addColumn<QString>("refusal_title");
    QTest::addColumn<QString>("stored_path");
    QTest::addColumn<QString>("stored_title");
    const QString photos = QStringLiteral("/home/hana/photos/");
    const QString no_title = QStringLiteral("画像のタイトルを入力してください。");
    const QString no_file = QStringLiteral("画像ファイルを指定してください。");
    const QString v = QStringLiteral("Verdalis");
    QTest::newRow("registered") << photos << "rose.jpg" << "バラ" << 3 << "" << "" << photos + "rose.jpg" << "バラ";
    QTest::newRow("in the root") << "/" << "rose.jpg" << "バラ" << 0 << "" << "" << "/rose.jpg" << "バラ";
    QTest::newRow("blank title") << photos << "rose.jpg" << " " << 0 << "" << "" << photos + "rose.jpg" << " ";
    QTest::newRow("title with a line break") << photos << "rose.jpg" << "赤い\nバラ" << 0 << "" << ""
                                             << photos + "rose.jpg" << "赤い バラ";
    QTest::newRow("99 before") << photos << "rose.jpg" << "バラ" << 99 << "" << "" << photos + "rose.jpg"
                               << "バラ";
    QTest::newRow("no title, no file") << photos << "" << "" << 0 << no_title << v << "" << "";
    QTest::newRow("no file") << photos << "" << "バラ" << 0 << no_file << v << "" << "";
    QTest::newRow("mixed-case ending") << photos << "rose.Jpg" << "バラ" << 0 << no_file << v << "" << "";
    QTest::newRow("not a picture") << photos << "notes.txt" << "メモ" << 0 << no_file << v << "" << "";
    QTest::newRow("a 101st picture") << photos << "rose.jpg" << "バラ" << 100 << "これ以上画像を登録できません。"
                                     << "画像の数が限界(100)を越えます" << "" << "";
    QTest::newRow("accented letter") << photos << "café.jpg" << "カフェ" << 0
                                     << "ファイルの場所に保存できない文字（é）が含まれているため、"
                                        "この画像は登録できません。\n/home/hana/photos/café.jpg"
                                     << "【Verdalis】Ver.3.0" << "" << "";
    QTest::newRow("emoji in the folder") << "/home/hana/🌹/" << "rose.jpg" << "バラ" << 0
                                         << "ファイルの場所に保存できない文字（🌹）が含まれているため、"
                                            "この画像は登録できません。\n/home/hana/🌹/rose.jpg"
                                         << "【Verdalis】Ver.3.0" << "" << "";
    QTest::newRow("line break in the name") << photos << "a\nb.jpg" << "バラ" << 0
                                            << "ファイルの場所に改行が含まれているため、この画像は登録できません。\n"
                                               "/home/hana/photos/a b.jpg"
                                            << "【Verdalis】Ver.3.0" << "" << "";
  }

  void registering() {
    QFETCH(QString, dir);
    QFETCH(QString, name);
    QFETCH(QString, title);
    QFETCH(int, already);
    QFETCH(QString, refusal);
    QFETCH(QString, refusal_title);
    QFETCH(QString, stored_path);
    QFETCH(QString, stored_title);
    store::AppState state(QStringLiteral("/nowhere/"));
    for (int i = 0; i < already; ++i) state.current_images.push_back({QStringLiteral("/p/%1.jpg").arg(i), "t"});
    const std::vector<store::ImageEntry> before = state.current_images;

    const store::PictureRegistration r = store::register_picture(state, dir, name, title);
    QCOMPARE(r.ok, refusal.isEmpty());
    QCOMPARE(r.text, refusal);
    QCOMPARE(r.title, refusal_title);
    QCOMPARE(r.to_title, refusal == QStringLiteral("画像のタイトルを入力してください。"));
    if (!r.ok) {
      QCOMPARE(state.current_images, before);
      return;
    }
    QCOMPARE(state.current_image_count(), already + 1);
    const store::ImageEntry expected{stored_path, stored_title};
    QCOMPARE(state.current_images.back(), expected);
    QCOMPARE(r.entry, expected);
  }

  void deleting_files_data() {
    QTest::addColumn<QString>("what");
    QTest::addColumn<int>("outcome");
    QTest::newRow("a file") << "file" << int(store::FileDeletion::Deleted);
    QTest::newRow("a link (not its target)") << "link" << int(store::FileDeletion::Deleted);
    QTest::newRow("nothing there") << "nothing" << int(store::FileDeletion::Gone);
    QTest::newRow("a directory") << "directory" << int(store::FileDeletion::Refused);
    QTest::newRow("in a protected directory") << "protected" << int(store::FileDeletion::Refused);
  }

  void deleting_files() {
    QFETCH(QString, what);
    QFETCH(int, outcome);
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("target.jpg"));
    QFile original(target);
    QVERIFY(original.open(QIODevice::WriteOnly));
    original.close();
    QString path = dir.filePath(QStringLiteral("x.jpg"));
    if (what == QStringLiteral("file")) path = target;
    if (what == QStringLiteral("link")) QVERIFY(QFile::link(target, path));
    if (what == QStringLiteral("directory")) QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("x.jpg")));
    ImmutableDir guard;
    if (what == QStringLiteral("protected")) {
      path = target;
      if (!guard.protect(dir.path())) QSKIP("this system cannot protect a directory against the test's user");
    }
    QCOMPARE(int(store::delete_picture_file(path)), outcome);
    if (outcome == int(store::FileDeletion::Refused)) QVERIFY(QFileInfo::exists(path));
    if (outcome == int(store::FileDeletion::Deleted)) QVERIFY(!QFileInfo(path).exists() && !QFileInfo(path).isSymLink());
    // A link's target stays.
    if (what == QStringLiteral("link")) QVERIFY(QFileInfo::exists(target));
  }
};

QTEST_GUILESS_MAIN(TestPicturePick)
#include "test_picture_pick.moc"
