// A camera folder brought in: pictures grouped by the camera's day, newest
// first, in shooting order; photos without EXIF by their file time; those
// the diary holds (by path, or a copy by name, size and time) marked; other
// formats, empty files, FIFOs and link loops handled; the day's memo.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <ctime>
#include <sys/stat.h>
#include <unistd.h>

#include "data_dir.h"
#include "exif_picture.h"
#include "store/diary/memo_files.h"
#include "store/pictures/content_key.h"
#include "store/pictures/copy_records.h"
#include "store/pictures/photo_import.h"

class TestPhotoImport : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // Times without a zone are this machine's: the order within a day below
  // assumes UTC for them.
  void initTestCase() {
    qputenv("TZ", "UTC");
    ::tzset();
  }

  void scanning_a_folder() {
    QTemporaryDir dir;
    const QString root = dir.path() + QStringLiteral("/DCIM/");
    QVERIFY(QDir().mkpath(root + QStringLiteral("100CANON")));
    QVERIFY(QDir().mkpath(root + QStringLiteral("101CANON")));
    const auto photo = [&](const QString& name, const QString& taken, const QString& offset = {}) {
      QVERIFY(testing_support::write_exif_picture(root + name, taken, offset));
    };
    photo(QStringLiteral("100CANON/IMG_1.JPG"), QStringLiteral("2026:05:20 10:32:00"));
    photo(QStringLiteral("100CANON/IMG_2.JPG"), QStringLiteral("2026:05:20 09:15:00"));
    // 23:30 in Tokyo is still the 20th there, whatever this machine's zone.
    photo(QStringLiteral("101CANON/IMG_3.JPG"), QStringLiteral("2026:05:20 23:30:00"), QStringLiteral("+09:00"));
    photo(QStringLiteral("101CANON/IMG_4.JPG"), QStringLiteral("2026:05:22 07:00:00"));
    photo(QStringLiteral("101CANON/IMG_5.JPG"), QStringLiteral("2026:05:21 12:00:00"));
    photo(QStringLiteral("plain.jpg"), QString());  // no EXIF: its file time
    QFile plain(root + QStringLiteral("plain.jpg"));
    QVERIFY(plain.open(QIODevice::ReadWrite));
    QVERIFY(plain.setFileTime(QDateTime(QDate(2026, 5, 19), QTime(8, 0)), QFileDevice::FileModificationTime));
    plain.close();
    QVERIFY(testing_support::write_bytes(root + QStringLiteral("IMG_6.HEIC"), "ftypheic"));
    QVERIFY(testing_support::write_bytes(root + QStringLiteral("IMG_7.JPG"), QByteArray("\0\0\0\x18" "ftypheic", 12)));
    QVERIFY(testing_support::write_bytes(root + QStringLiteral("empty.jpg"), QByteArray()));
    QVERIFY(testing_support::write_bytes(root + QStringLiteral("._IMG_1.JPG"), "mac"));
    QCOMPARE(::mkfifo(QFile::encodeName(root + QStringLiteral("fifo.jpg")).constData(), 0600), 0);
    QCOMPARE(::symlink("..", QFile::encodeName(root + QStringLiteral("101CANON/loop")).constData()), 0);
    // The diary holds IMG_5 where it lies, and a copy of IMG_4 elsewhere.
    const QString elsewhere = dir.path() + QStringLiteral("/old/IMG_4.JPG");
    QVERIFY(QDir().mkpath(dir.path() + QStringLiteral("/old")));
    QVERIFY(QFile::copy(root + QStringLiteral("101CANON/IMG_4.JPG"), elsewhere));
    const QString data = dir.path() + QStringLiteral("/data/");
    QVERIFY(QDir().mkpath(data + QStringLiteral("memo")));
    QVERIFY(store::save_image_list(data, QStringLiteral("1"), {{root + QStringLiteral("101CANON/IMG_5.JPG"), "a"}}).ok);
    QVERIFY(store::save_image_list(data, QStringLiteral("3"), {{QString(), "b"}, {elsewhere, "c"}}).ok);
    const std::vector<QString> memos{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")};
    const store::KnownPictures known = store::known_pictures(data, memos);
    // Asked for some names only, the diary keeps only the pictures of those.
    const QSet<QString> names{QStringLiteral("IMG_4.JPG"), QStringLiteral("IMG_9.JPG")};
    const store::KnownPictures some = store::known_pictures(data, memos, &names);
    QCOMPARE(some.paths, QSet<QString>{elsewhere});
    QCOMPARE(some.by_name.values(QStringLiteral("IMG_4.JPG")), QList<QString>{elsewhere});

    const std::atomic_bool cancel{false};
    const store::ImportScan scan = store::scan_photo_folder(root, known, cancel);

    QVERIFY(scan.message.isEmpty());
    QStringList days;
    for (const store::ImportDay& d : scan.days) {
      QStringList names;
      for (const store::ImportPhoto& p : d.photos) names << QFileInfo(p.path).fileName() + (p.already ? "*" : "");
      days << d.day.toString(QStringLiteral("MM/dd")) + QLatin1Char(' ') + names.join(QLatin1Char(','));
    }
    QCOMPARE(days, (QStringList{"05/22 IMG_4.JPG*", "05/21 IMG_5.JPG*", "05/20 IMG_2.JPG,IMG_1.JPG,IMG_3.JPG",
                                "05/19 plain.jpg"}));
    QVERIFY(scan.days.back().photos.front().from_file);
    QCOMPARE(scan.days[0].fresh(), 0);
    // A HEIC named as a JPEG cannot be shown; a HEIC that is none is
    // named with the reason it cannot be read.
    QCOMPARE(scan.unsupported, QStringList{root + QStringLiteral("IMG_7.JPG")});
    QCOMPARE(scan.unreadable.size(), 2);
    for (const QString& name : {QStringLiteral("IMG_6.HEIC（"), QStringLiteral("empty.jpg（")}) {
      QVERIFY2(std::any_of(scan.unreadable.begin(), scan.unreadable.end(),
                           [&](const QString& u) { return u.startsWith(root + name) && u.size() > root.size() + name.size() + 2; }),
               qPrintable(scan.unreadable.join(' ')));
    }

    const store::MemoInput memo = store::day_memo(scan.days[2], QStringLiteral("花壇"), QStringLiteral("バラ"),
                                                  store::day_title(scan.days[2].fresh()), true);
    QCOMPARE(memo.date, QStringLiteral("2026/05/20"));
    QCOMPARE(memo.title, QStringLiteral("写真 3 枚"));
    QStringList titles;
    for (const store::ImageEntry& e : memo.images) titles << e.title;
    QCOMPARE(titles, (QStringList{"09:15", "10:32", "23:30"}));
    QCOMPARE(store::day_memo(scan.days[3], "a", "b", "c", true).images.front().title, QStringLiteral("plain.jpg"));
    QVERIFY(store::day_memo(scan.days[0], "a", "b", "c", true).images.empty());

    const store::ImportScan missing = store::scan_photo_folder(dir.path() + QStringLiteral("/nothing"), known, cancel);
    QVERIFY(missing.message.contains(QStringLiteral("nothing")));
  }

  // A phone's and a messenger's folders: days from the names where the
  // photo has no EXIF time, in name order within a day; PNGs listed as
  // copies to be made; videos, edit files and the original of an edited
  // photo left out and counted; photos the record of imports knows, by
  // their original's path or by their content under another name, marked.
  void phone_and_messenger_folders() {
    QTemporaryDir dir;
    const QString root = dir.path() + QStringLiteral("/phone/");
    QVERIFY(QDir().mkpath(root + QStringLiteral("DCIM")));
    QVERIFY(QDir().mkpath(root + QStringLiteral("WhatsApp")));
    const auto photo = [&](const QString& name, const QString& taken) {
      QVERIFY(testing_support::write_exif_picture(root + name, taken));
      if (!taken.isEmpty()) return;
      QFile f(root + name);  // no EXIF, copied on June 1st
      QVERIFY(f.open(QIODevice::ReadWrite));
      QVERIFY(f.setFileTime(QDateTime(QDate(2025, 6, 1), QTime(8, 0)), QFileDevice::FileModificationTime));
    };
    photo(QStringLiteral("WhatsApp/IMG-20250504-WA0003.jpg"), {});
    photo(QStringLiteral("WhatsApp/IMG-20250504-WA0001.jpg"), {});
    photo(QStringLiteral("S__12345678.jpg"), {});
    photo(QStringLiteral("DCIM/IMG_0007.JPG"), QStringLiteral("2025:05:03 10:00:00"));
    photo(QStringLiteral("DCIM/IMG_E0007.JPG"), QStringLiteral("2025:05:03 10:00:00"));
    photo(QStringLiteral("DCIM/IMG_0010.JPG"), QStringLiteral("2025:05:03 09:00:00"));
    // Two pictures, not one under two names.
    for (const char* name : {"DCIM/IMG_20250502_101530.png", "DCIM/Screenshot_20250501-080000.png"}) {
      QImage png(8, 8, QImage::Format_RGB32);
      png.fill(name[5] == 'I' ? Qt::green : Qt::blue);
      QVERIFY(png.save(root + QString::fromLatin1(name)));
    }
    for (const char* name : {"DCIM/IMG_0007.MOV", "DCIM/clip.mp4", "DCIM/IMG_0007.AAE"}) {
      QVERIFY(testing_support::write_bytes(root + QString::fromLatin1(name), "x"));
    }
    // The diary holds the PNG's copy, and IMG_0010 under another name.
    const QString data = dir.path() + QStringLiteral("/data/");
    const QString copy = dir.path() + QStringLiteral("/Pictures/IMG_20250502_101530.jpg");
    const QString renamed = dir.path() + QStringLiteral("/old/garden.jpg");
    QVERIFY(QDir().mkpath(data + QStringLiteral("memo")));
    QVERIFY(QDir().mkpath(dir.path() + QStringLiteral("/old")));
    QVERIFY(QFile::copy(root + QStringLiteral("DCIM/IMG_0010.JPG"), renamed));
    QVERIFY(store::save_image_list(data, QStringLiteral("1"), {{copy, "a"}, {renamed, "b"}}).ok);
    QVERIFY(store::append_copy_records(data, {{copy, root + QStringLiteral("DCIM/IMG_20250502_101530.png"),
                                               store::content_key(root + QStringLiteral("DCIM/IMG_20250502_101530.png"))},
                                              {renamed, QStringLiteral("/media/card/P1.JPG"), store::content_key(renamed)}})
                .isEmpty());
    const store::KnownSource known = [&](const QSet<QString>& names) {
      return store::known_pictures_and_copies(data, {QStringLiteral("1")}, names);
    };
    const std::atomic_bool cancel{false};
    const store::ImportScan scan = store::scan_photo_folder(root, known, cancel);

    QStringList days;
    for (const store::ImportDay& d : scan.days) {
      QStringList names;
      for (const store::ImportPhoto& p : d.photos) {
        names << QFileInfo(p.path).fileName() + (p.already ? "*" : "") + (p.from_name ? "~" : "") +
                     (p.from_file ? "?" : "") + (p.convert ? "+" : "");
      }
      days << d.day.toString(QStringLiteral("MM/dd")) + QLatin1Char(' ') + names.join(QLatin1Char(','));
    }
    QCOMPARE(days, (QStringList{"06/01 S__12345678.jpg?", "05/04 IMG-20250504-WA0001.jpg~,IMG-20250504-WA0003.jpg~",
                                "05/03 IMG_0010.JPG*,IMG_E0007.JPG", "05/02 IMG_20250502_101530.png*~+",
                                "05/01 Screenshot_20250501-080000.png~+"}));
    QCOMPARE(scan.superseded, QStringList{root + QStringLiteral("DCIM/IMG_0007.JPG")});
    QCOMPARE(scan.videos.size(), 2);
    QCOMPARE(scan.edit_files, QStringList{root + QStringLiteral("DCIM/IMG_0007.AAE")});
    QVERIFY(scan.unsupported.isEmpty() && scan.unreadable.isEmpty());
    // A day from a name alone titles its photos by name; a known photo
    // taken again is its diary's picture.
    QCOMPARE(store::day_memo(scan.days[1], "a", "b", "c", true).images.front().title,
             QStringLiteral("IMG-20250504-WA0001.jpg"));
    QCOMPARE(store::day_memo(scan.days[2], "a", "b", "c", true, true).images.front().path, renamed);
    QCOMPARE(store::day_memo(scan.days[4], "a", "b", "c", true).images.front().title, QStringLiteral("08:00"));
  }

  // A large folder shows its first days before the scan ends, and all of
  // them before the diary's pictures are read; every later look only adds
  // photos and days, in the final order.
  void first_days_while_scanning() {
    QTemporaryDir dir;
    const QString root = dir.path() + QLatin1Char('/');
    for (int i = 0; i < 150; ++i) {
      QVERIFY(testing_support::write_exif_picture(root + QStringLiteral("P%1.JPG").arg(i, 3, 10, QLatin1Char('0')),
                                                  QStringLiteral("2026:06:%1 10:00:00").arg(1 + i % 3, 2, 10, QLatin1Char('0'))));
    }
    // The diary's pictures are asked for once the folder is listed, with
    // the names of its photos; the result marks the photo they hold.
    QSet<QString> asked;
    const store::KnownSource known = [&](const QSet<QString>& names) {
      asked = names;
      store::KnownPictures k;
      k.paths.insert(root + QStringLiteral("P000.JPG"));
      return k;
    };
    std::vector<std::vector<store::ImportDay>> looks;
    const std::atomic_bool cancel{false};
    const store::ImportScan scan = store::scan_photo_folder(root, known, cancel, [&](int, const std::vector<store::ImportDay>* days) {
      if (days != nullptr) looks.push_back(*days);
    });
    QCOMPARE(scan.days.size(), size_t(3));
    QCOMPARE(scan.days[2].fresh(), 49);
    QCOMPARE(asked.size(), 150);
    QVERIFY(asked.contains(QStringLiteral("P149.JPG")));
    QVERIFY(!looks.empty());
    size_t first = 0;
    for (const store::ImportDay& d : looks.front()) first += d.photos.size();
    QVERIFY2(first < 150, "the first look came only at the end");
    // The whole folder is shown before the diary is waited for.
    size_t last = 0;
    for (const store::ImportDay& d : looks.back()) last += d.photos.size() - static_cast<size_t>(d.fresh());
    QCOMPARE(last, size_t(0));
    for (const store::ImportDay& d : looks.back()) last += d.photos.size();
    QCOMPARE(last, size_t(150));
    for (const std::vector<store::ImportDay>& look : looks) {
      size_t at = 0;
      for (const store::ImportDay& d : look) {
        while (at < scan.days.size() && scan.days[at].day != d.day) ++at;
        QVERIFY(at < scan.days.size());
        QVERIFY(d.photos.size() <= scan.days[at].photos.size());
      }
    }
  }
};

QTEST_GUILESS_MAIN(TestPhotoImport)
#include "test_photo_import.moc"
