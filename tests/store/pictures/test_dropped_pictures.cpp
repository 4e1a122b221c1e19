// Pictures that come as files from the desktop: the picker's rules for each
// file, the place they are inserted at, GNOME's clipboard list, and the
// shooting time read from EXIF or, failing that, the file's own time.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>

#include "exif_picture.h"
#include "store/pictures/dropped_pictures.h"
#include "store/pictures/shooting_time.h"

namespace {

void touch(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly)) qFatal("cannot create %s", qPrintable(path));
}

}  // namespace

class TestDroppedPictures : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // Each row: the files given ("name" below the folder, "http:…" as a URL,
  // "!name" not created), the insert position, the pictures already in the
  // list, then the titles expected and the reasons expected, in order.
  void adding_files_data() {
    QTest::addColumn<QStringList>("given");
    QTest::addColumn<int>("at");
    QTest::addColumn<int>("already");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QStringList>("reasons");
    QTest::newRow("in order at the end") << QStringList{"a.jpg", "b.JPG", "c.jpeg"} << -1 << 2
                                         << QStringList{"0", "1", "a.jpg", "b.JPG", "c.jpeg"} << QStringList{};
    QTest::newRow("between two") << QStringList{"a.jpg", "b.bmp"} << 1 << 2 << QStringList{"0", "a.jpg", "b.bmp", "1"}
                                 << QStringList{};
    QTest::newRow("what the picker refuses")
        << QStringList{"x.png", "x.Jpg", "sub", "http://example.com/y.jpg", "!gone.jpg", "ok.jpg"} << -1 << 0
        << QStringList{"ok.jpg"}
        << QStringList{"画像のファイル名ではありません", "画像のファイル名ではありません", "フォルダです",
                       "このコンピュータのファイルではありません", "ファイルがありません"};
    QTest::newRow("the hundredth fits, the next does not")
        << QStringList{"a.jpg", "b.jpg"} << -1 << 99 << QStringList{"a.jpg"} << QStringList{"画像の数が限界(100)を越えます"};
    QTest::newRow("characters windows-31j cannot hold") << QStringList{"🌷.jpg", "薔薇.jpg"} << -1 << 0
                                                        << QStringList{"薔薇.jpg"}
                                                        << QStringList{"保存できない文字（🌷）"};
    QTest::newRow("a line break in the name") << QStringList{"a\nb.jpg"} << -1 << 0 << QStringList{}
                                              << QStringList{"改行"};
    QTest::newRow("the same file twice in one batch") << QStringList{"a.jpg", "b.jpg", "a.jpg"} << -1 << 0
                                                      << QStringList{"a.jpg", "b.jpg"} << QStringList{"すでに追加"};
    QTest::newRow("the same file by another way") << QStringList{"a.jpg", "sub/../a.jpg", "./a.jpg"} << -1 << 0
                                                  << QStringList{"a.jpg"}
                                                  << QStringList{"すでに追加", "すでに追加"};
  }

  void adding_files() {
    QFETCH(QStringList, given);
    QFETCH(int, at);
    QFETCH(int, already);
    QFETCH(QStringList, titles);
    QFETCH(QStringList, reasons);
    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    QDir().mkdir(folder + QStringLiteral("sub"));
    QList<QUrl> urls;
    for (const QString& g : given) {
      if (g.startsWith(QStringLiteral("http"))) {
        urls << QUrl(g);
        continue;
      }
      const QString name = g.startsWith(QLatin1Char('!')) ? g.mid(1) : g;
      if (!g.startsWith(QLatin1Char('!')) && name != QStringLiteral("sub") && !QFile::exists(folder + name)) {
        touch(folder + name);
      }
      urls << QUrl::fromLocalFile(folder + name);
    }
    store::AppState state(folder);
    for (int i = 0; i < already; ++i) state.current_images.push_back({QStringLiteral("/p/%1.jpg").arg(i), QString::number(i)});

    const store::AddedPictures added = store::add_picture_files(state, urls, at);

    QStringList got;
    for (const store::ImageEntry& e : state.current_images) got << e.title;
    if (already >= 99) got = got.mid(already);  // only what was added to a full list
    QCOMPARE(got, titles);
    QCOMPARE(added.added, titles.size() - (already < 99 ? already : 0));
    QCOMPARE(added.refused.size(), reasons.size());
    for (qsizetype i = 0; i < reasons.size(); ++i) QVERIFY2(added.refused[i].contains(reasons[i]), qPrintable(added.refused[i]));
    const QString message = store::refused_pictures_message(added);
    QCOMPARE(message.isEmpty(), reasons.isEmpty());
    for (const store::ImageEntry& e : state.current_images) {
      if (!e.path.startsWith(QStringLiteral("/p/"))) QVERIFY(e.path.startsWith(folder));
    }
  }

  // Files of other formats join as copies the caller makes, in their place.
  // Each row: the files given ("!name" missing, "|name" a FIFO), the
  // pictures already listed, the copier's answers in turn ("ok", "no" when
  // the user declines, otherwise a failure), the titles expected, the files
  // the copier was asked about and the reasons expected.
  void copying_other_formats_data() {
    QTest::addColumn<QStringList>("given");
    QTest::addColumn<int>("already");
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QStringList>("asked");
    QTest::addColumn<QStringList>("reasons");
    QTest::newRow("in its place, any case") << QStringList{"a.jpg", "B.PNG", "c.jpg"} << 0 << QStringList{"ok"}
                                            << QStringList{"a.jpg", "B-copy.jpg", "c.jpg"} << QStringList{"B.PNG"}
                                            << QStringList{};
    QTest::newRow("a failure named, then declined for the rest")
        << QStringList{"b.png", "c.gif", "d.png", "e.jpg"} << 0 << QStringList{"壊れています", "no"}
        << QStringList{"e.jpg"} << QStringList{"b.png", "c.gif"} << QStringList{"壊れています"};
    QTest::newRow("never read: missing, a FIFO, no reader")
        << QStringList{"!gone.png", "|pipe.png", "x.heic"} << 0 << QStringList{} << QStringList{} << QStringList{}
        << QStringList{"ファイルがありません", "ファイルがありません", "画像のファイル名ではありません"};
    QTest::newRow("a full list asks for no copy") << QStringList{"b.png"} << 100 << QStringList{} << QStringList{}
                                                  << QStringList{} << QStringList{"限界(100)"};
  }

  void copying_other_formats() {
    QFETCH(QStringList, given);
    QFETCH(int, already);
    QFETCH(QStringList, answers);
    QFETCH(QStringList, titles);
    QFETCH(QStringList, asked);
    QFETCH(QStringList, reasons);
    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    QList<QUrl> urls;
    for (const QString& g : given) {
      const QString path = folder + (g.startsWith(QLatin1Char('!')) || g.startsWith(QLatin1Char('|')) ? g.mid(1) : g);
      if (g.startsWith(QLatin1Char('|'))) QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
      if (!g.startsWith(QLatin1Char('|')) && !g.startsWith(QLatin1Char('!'))) touch(path);
      urls << QUrl::fromLocalFile(path);
    }
    store::AppState state(folder);
    for (int i = 0; i < already; ++i) state.current_images.push_back({QStringLiteral("/p/%1.jpg").arg(i), QString()});
    QStringList asked_for;
    const store::PictureCopying copying{{"png", "gif", "jpg"}, [&](const QString& path, QString* why) {
                                          asked_for << QFileInfo(path).fileName();
                                          const QString answer = answers.value(asked_for.size() - 1);
                                          if (answer != QStringLiteral("ok")) {
                                            if (answer != QStringLiteral("no")) *why = answer;
                                            return QString();
                                          }
                                          touch(folder + QFileInfo(path).completeBaseName() + "-copy.jpg");
                                          return folder + QFileInfo(path).completeBaseName() + "-copy.jpg";
                                        }};

    const store::AddedPictures added = store::add_picture_files(state, urls, -1, copying);

    QStringList got;
    for (const store::ImageEntry& e : state.current_images) got << e.title;
    QCOMPARE(got.mid(already), titles);
    QCOMPARE(asked_for, asked);
    QCOMPARE(added.refused.size(), reasons.size());
    for (qsizetype i = 0; i < reasons.size(); ++i) QVERIFY2(added.refused[i].contains(reasons[i]), qPrintable(added.refused[i]));
  }

  void gnome_copied_files_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("paths");
    QTest::newRow("copy") << QByteArray("copy\nfile:///a/b.jpg\nfile:///a/%E8%96%94%E8%96%87.jpg")
                          << QStringList{"/a/b.jpg", "/a/薔薇.jpg"};
    QTest::newRow("cut, CR LF, trailing line") << QByteArray("cut\r\nfile:///x.jpg\r\n\r\n") << QStringList{"/x.jpg"};
    QTest::newRow("nothing after the verb") << QByteArray("copy") << QStringList{};
  }

  void gnome_copied_files() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, paths);
    QStringList got;
    for (const QUrl& url : store::urls_of_copied_files(bytes)) got << url.toLocalFile();
    QCOMPARE(got, paths);
  }

  void exif_time_text_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("offset");
    QTest::addColumn<QString>("date");  // "" when refused
    QTest::addColumn<int>("zone");      // seconds east of UTC; -1: local time
    QTest::newRow("local") << "2026:05:20 09:03:05" << "" << "2026/05/20" << -1;
    QTest::newRow("with its zone") << "2026:05:20 23:30:00" << "-05:00" << "2026/05/20" << -5 * 3600;
    QTest::newRow("east of UTC") << "2026:05:20 06:00:00" << "+09:30" << "2026/05/20" << 9 * 3600 + 1800;
    QTest::newRow("all zero") << "0000:00:00 00:00:00" << "" << "" << -1;
    QTest::newRow("blank") << "    :  :     :  :  " << "" << "" << -1;
    QTest::newRow("no such day") << "2026:02:30 10:00:00" << "" << "" << -1;
    QTest::newRow("the future") << "2099:01:01 10:00:00" << "" << "" << -1;
    QTest::newRow("tomorrow is still allowed") << "2026:12:10 10:00:00" << "" << "2026/12/10" << -1;
    QTest::newRow("garbage") << "yesterday" << "" << "" << -1;
    QTest::newRow("a zone out of range is ignored") << "2026:05:20 09:03:05" << "+99:00" << "2026/05/20" << -1;
  }

  void exif_time_text() {
    QFETCH(QString, text);
    QFETCH(QString, offset);
    QFETCH(QString, date);
    QFETCH(int, zone);
    const QDateTime now(QDate(2026, 12, 9), QTime(10, 0));
    const QDateTime t = store::parse_exif_time(text, offset, now);
    QCOMPARE(t.isValid() ? t.toString(QStringLiteral("yyyy/MM/dd")) : QString(), date);
    const store::CameraClock clock = store::parse_exif_clock(text, offset, now.date());
    QCOMPARE(clock.valid(), t.isValid());
    QCOMPARE(clock.offset.value_or(-1), zone);
    if (t.isValid()) QCOMPARE(t.timeSpec(), zone == -1 ? Qt::LocalTime : Qt::OffsetFromUTC);
  }

  // Files with EXIF give their shooting time, others their file time; the
  // earliest shooting date keeps the camera's own date.
  void shooting_times() {
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("a.jpg"));
    const QString b = dir.filePath(QStringLiteral("b.jpg"));
    const QString plain = dir.filePath(QStringLiteral("plain.jpg"));
    const QString broken = dir.filePath(QStringLiteral("broken.jpg"));
    QVERIFY(testing_support::write_exif_picture(a, QStringLiteral("2026:05:20 23:30:00"), QStringLiteral("+09:00")));
    QVERIFY(testing_support::write_exif_picture(b, QStringLiteral("2026:05:21 08:00:00")));
    QVERIFY(testing_support::write_exif_picture(plain, QString()));
    // A camera's EXIF with a thumbnail runs past the first few kilobytes.
    const QString thumbnailed = dir.filePath(QStringLiteral("thumbnailed.jpg"));
    QImage noise(200, 150, QImage::Format_RGB32);
    for (int y = 0; y < noise.height(); ++y) {
      for (int x = 0; x < noise.width(); ++x) noise.setPixel(x, y, static_cast<QRgb>((x * 7919 + y * 104729) * 2654435761U));
    }
    QVERIFY(testing_support::write_exif_picture(thumbnailed, QStringLiteral("2026:05:19 06:00:00")));
    QVERIFY(testing_support::add_exif_thumbnail(thumbnailed, noise));
    QVERIFY(QFileInfo(thumbnailed).size() > 8 * 1024);
    QFile f(broken);
    QVERIFY(f.open(QIODevice::WriteOnly));
    // A JPEG whose EXIF block claims 32 KB and stops after its first IFD's
    // offset.
    f.write(QByteArray::fromHex("FFD8FFE17FFF457869660000" "4D4D002A00000008FFFF"));
    f.close();

    const store::ShootingTime ta = store::shooting_time(a);
    QVERIFY(!ta.from_file);
    QCOMPARE(ta.when.offsetFromUtc(), 9 * 3600);
    QCOMPARE(ta.when.time(), QTime(23, 30));
    QVERIFY(store::shooting_time(plain).from_file);
    QVERIFY(!store::exif_shooting_time(broken).isValid());
    QVERIFY(store::shooting_time(broken).from_file);
    QCOMPARE(store::earliest_shooting_date({b, a}), QStringLiteral("2026/05/20"));
    QCOMPARE(store::earliest_shooting_date({b, thumbnailed, a}), QStringLiteral("2026/05/19"));
    QCOMPARE(store::earliest_shooting_date({dir.filePath(QStringLiteral("none.jpg"))}), QString());
    // A FIFO is not opened: it would block.
    const QString fifo = dir.filePath(QStringLiteral("fifo.jpg"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QVERIFY(!store::exif_shooting_time(fifo).isValid());
  }

  void pasted_image_place() {
    QCOMPARE(store::pasted_images_folder(QStringLiteral("/home/u/Pictures"), QDate(2026, 12, 9)),
             QStringLiteral("/home/u/Pictures/Verdalis/2026/"));
    const QDateTime now(QDate(2026, 12, 9), QTime(7, 5, 3));
    QCOMPARE(store::pasted_image_name(now), QStringLiteral("20261209-070503.jpg"));
    QCOMPARE(store::copy_name(QStringLiteral("/x/バラ.v2.png"), now), QStringLiteral("バラ.v2.jpg"));
    QCOMPARE(store::copy_name(QStringLiteral("/x/.png"), now), QStringLiteral("20261209-070503.jpg"));
    QCOMPARE(store::with_picture_suffix(QStringLiteral("/a/花")), QStringLiteral("/a/花.jpg"));
    QCOMPARE(store::with_picture_suffix(QStringLiteral("/a/b.jpeg")), QStringLiteral("/a/b.jpeg"));
  }

  // A save dialog opens in the deepest folder of a proposal that exists;
  // the folders below it are made only for a file, and a failed write takes
  // away the empty ones it made, never one that was there before.
  void folders_only_for_a_written_file() {
    QTemporaryDir dir;
    const QString base = dir.path() + QLatin1Char('/');
    QVERIFY(QDir().mkdir(base + QStringLiteral("P")));
    const QString path = base + QStringLiteral("P/x/../Verdalis/2026/a.jpg");
    const store::ProposedPlace place = store::split_at_existing_folder(path);
    QCOMPARE(place.folder + place.rest, base + QStringLiteral("P/Verdalis/2026/a.jpg"));
    QCOMPARE(place.rest, QStringLiteral("Verdalis/2026/a.jpg"));
    QString made;
    QVERIFY(store::make_folders_for(path, &made));
    QCOMPARE(made, base + QStringLiteral("P/Verdalis"));
    QVERIFY(QFileInfo(base + QStringLiteral("P/Verdalis/2026")).isDir());
    store::remove_empty_folders(path, made);
    QCOMPARE(QDir(base + QStringLiteral("P")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{});
    // A file standing where a folder is needed: nothing is made.
    touch(base + QStringLiteral("F"));
    QVERIFY(!store::make_folders_for(base + QStringLiteral("F/Verdalis/a.jpg"), &made));
    QVERIFY(QFileInfo(base + QStringLiteral("F")).isFile());
  }
};

QTEST_GUILESS_MAIN(TestDroppedPictures)
#include "test_dropped_pictures.moc"
