// The seasons album's data: strict memo dates, pictures grouped by year and
// month, the ten days around today's date in earlier years (across the
// year's end and 29 February), and the thumbnail cache's names and rules.

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>

#include "immutable_dir.h"
#include "store/diary/memo_files.h"
#include "store/seasons/season_album.h"
#include "store/seasons/thumbnail_cache.h"

namespace {

QDate day(const char* text) { return QDate::fromString(QString::fromLatin1(text), QStringLiteral("yyyy/MM/dd")); }

store::MemoRecord memo(const QString& date, const QString& no) {
  return {date, QStringLiteral("花壇"), QStringLiteral("バラ"), QStringLiteral("t"), no,
          QStringLiteral("2020/01/01 00:00:00"), QStringLiteral("2020/01/01 00:00:00")};
}

// "2026:5[a1 a2] 2025:12[b1]": years as grouped, each month's pictures as
// memo number and picture number.
QString layout(const std::vector<store::AlbumYear>& years) {
  QStringList out;
  for (const store::AlbumYear& y : years) {
    for (int m = 0; m < 12; ++m) {
      if (y.months[static_cast<size_t>(m)].empty()) continue;
      QStringList tiles;
      for (const store::AlbumPicture& p : y.months[static_cast<size_t>(m)]) tiles << p.memo_no + QString::number(p.picture_no);
      out << QStringLiteral("%1:%2[%3]").arg(y.year).arg(m + 1).arg(tiles.join(u' '));
    }
  }
  return out.join(u' ');
}

}  // namespace

class TestSeasonAlbum : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // A memo shows the first of its pictures that is there.
  void shown_pictures_data() {
    QTest::addColumn<QStringList>("listed");  // "+name": the file is there
    QTest::addColumn<QString>("shown");
    QTest::newRow("the first is there") << QStringList{"+a.jpg", "+b.jpg"} << "a.jpg";
    QTest::newRow("the first is missing") << QStringList{"a.jpg", "+b.jpg"} << "b.jpg";
    QTest::newRow("none is there") << QStringList{"a.jpg", "b.jpg"} << "a.jpg";
    QTest::newRow("a folder is no picture") << QStringList{"dir", "+b.jpg"} << "b.jpg";
    QTest::newRow("no pictures") << QStringList{} << "";
  }

  void shown_pictures() {
    QFETCH(QStringList, listed);
    QFETCH(QString, shown);
    QTemporaryDir dir;
    const QString data = dir.path() + QStringLiteral("/");
    QVERIFY(QDir().mkpath(data + QStringLiteral("memo")));
    QVERIFY(QDir().mkpath(data + QStringLiteral("dir")));
    std::vector<store::ImageEntry> images;
    for (QString name : listed) {
      if (name.startsWith(u'+')) {
        name.remove(0, 1);
        QFile f(data + name);
        QVERIFY(f.open(QIODevice::WriteOnly));
      }
      images.push_back({data + name, name});
    }
    QVERIFY(store::save_image_list(data, QStringLiteral("7"), images).ok);
    const QStringList paths = store::shown_pictures(data, {QStringLiteral("7"), QStringLiteral("8")});
    QCOMPARE(paths, (QStringList{shown.isEmpty() ? QString() : data + shown, QString()}));
  }

  void memo_dates_are_read_strictly_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << "2026/05/03" << "2026-05-03";
    QTest::newRow("leap day") << "2024/02/29" << "2024-02-29";
    QTest::newRow("no leap day") << "2026/02/29" << "";
    QTest::newRow("short parts") << "2026/5/3" << "";
    QTest::newRow("era name") << "令和8年" << "";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("30 characters") << "2026/05/03xxxxxxxxxxxxxxxxxxxx" << "";
    QTest::newRow("dashes") << "2026-05-03" << "";
    QTest::newRow("month 13") << "2026/13/01" << "";
    QTest::newRow("day 0") << "2026/05/00" << "";
    QTest::newRow("full-width digits") << "２０２６/05/03" << "";
    QTest::newRow("blank inside") << "2026/05/ 3" << "";
  }
  void memo_dates_are_read_strictly() {
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(store::parse_memo_date(text).toString(Qt::ISODate), expected);
    // The table's bytes give the same answer as the text.
    const store::MemoTable table{memo(text, QStringLiteral("1"))};
    QCOMPARE(store::album_memos(table, {1}).size(), expected.isEmpty() ? 0u : 1u);
  }

  void pictures_group_by_year_and_month_data() {
    QTest::addColumn<QStringList>("pictures");  // "date memo_no picture_no", in the order given
    QTest::addColumn<QString>("expected");
    QTest::newRow("newest year first, months in order")
        << QStringList{"2024/12/01 a 1", "2026/05/03 b 1", "2026/01/09 c 1"} << "2026:1[c1] 2026:5[b1] 2024:12[a1]";
    QTest::newRow("date order in a month")
        << QStringList{"2025/07/30 a 1", "2025/07/02 b 1", "2025/07/15 c 1"} << "2025:7[b1 c1 a1]";
    QTest::newRow("one day keeps the order given")
        << QStringList{"2025/07/02 a 1", "2025/07/02 a 2", "2025/07/02 b 1"} << "2025:7[a1 a2 b1]";
    QTest::newRow("empty years left out") << QStringList{"2020/03/01 a 1", "2023/03/01 b 1"} << "2023:3[b1] 2020:3[a1]";
    QTest::newRow("nothing") << QStringList{} << "";
  }
  void pictures_group_by_year_and_month() {
    QFETCH(QStringList, pictures);
    QFETCH(QString, expected);
    std::vector<store::AlbumPicture> given;
    for (const QString& p : pictures) {
      const QStringList f = p.split(u' ');
      given.push_back({f[1], day(f[0].toLatin1().constData()), f[2].toInt(), QStringLiteral("/p"), QString()});
    }
    QCOMPARE(layout(store::group_album(given)), expected);
  }

  void reading_the_album_writes_nothing() {
    QTemporaryDir tmp;
    const QString dir = tmp.path() + QLatin1Char('/');
    QVERIFY(QDir().mkpath(dir + QStringLiteral("memo")));
    QVERIFY(store::save_image_list(dir, QStringLiteral("1"), {{QStringLiteral("/a.jpg"), QStringLiteral("a")},
                                                              {QString(), QStringLiteral("no path")},
                                                              {QStringLiteral("/c.jpg"), QStringLiteral("c")}}));
    QVERIFY(store::save_image_list(dir, QStringLiteral("2"), {{QStringLiteral("/b.jpg"), QStringLiteral("b")}}));
    const QStringList before = QDir(dir + QStringLiteral("memo")).entryList(QDir::Files);
    // The list runs newest first: memo 2 was made later on the same day.
    const auto years = store::read_album(dir, {{QStringLiteral("2"), day("2025/06/01")},
                                                {QStringLiteral("1"), day("2025/06/01")},
                                                {QStringLiteral("3"), day("2025/06/02")}});
    QCOMPARE(layout(years), QStringLiteral("2025:6[11 13 21]"));
    QCOMPARE(QDir(dir + QStringLiteral("memo")).entryList(QDir::Files), before);
  }

  // The album reads many lists at once, in several threads; what it finds
  // must be what reading each list alone finds, in the same order.
  void reading_the_album_matches_each_list_read_alone_data() {
    QTest::addColumn<int>("memos");
    QTest::addColumn<int>("days");
    QTest::newRow("awkward list files") << 12 << 3;
    QTest::newRow("many memos on few days, read in several threads") << 1500 << 7;
  }

  void reading_the_album_matches_each_list_read_alone() {
    QFETCH(int, memos);
    QFETCH(int, days);
    QTemporaryDir tmp;
    const QString dir = tmp.path() + QLatin1Char('/');
    QVERIFY(QDir().mkpath(dir + QStringLiteral("memo")));
    std::vector<store::AlbumMemo> listed;
    for (int i = memos; i >= 1; --i) {
      const QString no = QString::number(i);
      listed.push_back({no, QDate(2020 + i % 3, 1 + i % 12, 1 + (i / 12) % days)});
      std::vector<store::ImageEntry> images;
      for (int p = 0; p < i % 4; ++p) images.push_back({QStringLiteral("/写真/%1-%2.jpg").arg(i).arg(p), QStringLiteral("題%1").arg(p)});
      if (i % 4 != 0) QVERIFY(store::save_image_list(dir, no, images));
    }
    const auto path = [&](int no) { return store::memo_images_path(dir, QString::number(no)); };
    // A list of many pictures (more than one read's worth), one with bare
    // LF line ends and an odd last line, a FIFO, a folder and a device.
    std::vector<store::ImageEntry> long_list;
    for (int p = 0; p < 100; ++p) long_list.push_back({QStringLiteral("/長い/%1/").arg(p) + QString(200, u'x'), QString()});
    QVERIFY(store::save_image_list(dir, QStringLiteral("1"), long_list));
    QFile bare(path(2));
    QVERIFY(bare.open(QIODevice::WriteOnly | QIODevice::Truncate));
    bare.write("/lf/a.jpg\na\n/lf/b.jpg");
    bare.close();
    QFile::remove(path(3));
    QCOMPARE(::mkfifo(QFile::encodeName(path(3)).constData(), 0600), 0);
    QFile::remove(path(5));
    QVERIFY(QDir().mkpath(path(5)));
    QFile::remove(path(6));
    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path(6)));

    std::vector<store::AlbumPicture> alone;
    for (auto m = listed.rbegin(); m != listed.rend(); ++m) {
      int no = 0;
      for (const store::ImageEntry& e : store::read_image_list(dir, m->memo_no).images) {
        ++no;
        if (!e.path.isEmpty()) alone.push_back({m->memo_no, m->date, no, e.path, e.title});
      }
    }
    QVERIFY(alone.size() > static_cast<size_t>(memos));
    const auto expected = store::group_album(alone);
    const auto years = store::read_album(dir, listed);
    QCOMPARE(layout(years), layout(expected));
    QStringList got;
    QStringList want;
    for (const auto* ys : {&years, &expected}) {
      QStringList& out = ys == &years ? got : want;
      for (const store::AlbumYear& y : *ys) {
        for (const auto& month : y.months) {
          for (const store::AlbumPicture& p : month) out << p.path + u'|' + p.title;
        }
      }
    }
    QCOMPARE(got, want);
  }

  void ten_days_around_today_in_earlier_years_data() {
    QTest::addColumn<QString>("today");
    QTest::addColumn<QString>("date");
    QTest::addColumn<bool>("listed");
    QTest::newRow("same day last year") << "2026/06/15" << "2025/06/15" << true;
    QTest::newRow("10 days after") << "2026/06/15" << "2020/06/25" << true;
    QTest::newRow("11 days after") << "2026/06/15" << "2020/06/26" << false;
    QTest::newRow("10 days before") << "2026/06/15" << "2020/06/05" << true;
    QTest::newRow("this year is not earlier") << "2026/06/15" << "2026/06/12" << false;
    QTest::newRow("later this year") << "2026/06/15" << "2026/06/20" << false;
    QTest::newRow("year end: December before a January day") << "2027/01/03" << "2025/12/28" << true;
    QTest::newRow("year end: last week is this season") << "2027/01/03" << "2026/12/28" << false;
    QTest::newRow("year end: January after a December day") << "2026/12/30" << "2025/01/05" << true;
    QTest::newRow("year end: 11 days across") << "2026/12/30" << "2025/01/10" << false;
    QTest::newRow("29 Feb today, 28 Feb of a common year") << "2028/02/29" << "2027/02/28" << true;
    QTest::newRow("29 Feb today, 10 March of a common year") << "2028/02/29" << "2027/03/10" << true;
    QTest::newRow("29 Feb today, 11 March of a common year") << "2028/02/29" << "2027/03/11" << false;
    QTest::newRow("29 Feb today, 18 Feb of a common year") << "2028/02/29" << "2027/02/18" << true;
    QTest::newRow("29 Feb today, 17 Feb of a common year") << "2028/02/29" << "2027/02/17" << false;
    QTest::newRow("29 Feb memo, 10 March today") << "2027/03/10" << "2024/02/29" << true;
    QTest::newRow("29 Feb memo, 11 March today") << "2027/03/11" << "2024/02/29" << false;
    QTest::newRow("short date skipped") << "2026/06/15" << "2025/6/15" << false;
    QTest::newRow("era date skipped") << "2026/06/15" << "令和7年6月15日" << false;
  }
  void ten_days_around_today_in_earlier_years() {
    QFETCH(QString, today);
    QFETCH(QString, date);
    QFETCH(bool, listed);
    const store::MemoTable table{memo(QStringLiteral("2001/04/01"), QStringLiteral("1")), memo(date, QStringLiteral("2"))};
    const std::vector<int> slots = store::season_slots(table, day(today.toLatin1().constData()));
    QCOMPARE(slots, listed ? std::vector<int>{2} : std::vector<int>{});
  }

  void thumbnail_names_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("uri");
    QTest::newRow("plain") << "/home/jens/photos/me.png" << "file:///home/jens/photos/me.png";
    QTest::newRow("blank, hash, percent") << "/tmp/a b#c%.jpg" << "file:///tmp/a%20b%23c%25.jpg";
    QTest::newRow("japanese") << "/写真/1.jpg" << "file:///%E5%86%99%E7%9C%9F/1.jpg";
    QTest::newRow("kept and escaped signs") << "/x/!$&'()*+,-.:=@_~;[]?" << "file:///x/!$&'()*+,-.:=@_~%3B%5B%5D%3F";
  }
  void thumbnail_names() {
    QFETCH(QString, path);
    QFETCH(QString, uri);
    QCOMPARE(QString::fromLatin1(store::thumbnail_uri(path)), uri);
    const QString name = store::thumbnail_file_name(uri.toLatin1());
    QCOMPARE(name.size(), 36);
    QVERIFY(name.endsWith(QLatin1String(".png")));
    QCOMPARE(store::thumbnail_path(QStringLiteral("/c/thumbnails"), store::ThumbnailSize::Large, path),
             QStringLiteral("/c/thumbnails/large/") + name);
  }
  void the_desktops_example_name() {
    QCOMPARE(store::thumbnail_file_name("file:///home/jens/photos/me.png"),
             QStringLiteral("c6ee772d9e49320e97ec29a7eb5b1697.png"));
  }

  void cache_root_from_the_environment_data() {
    QTest::addColumn<QString>("variable");
    QTest::addColumn<QString>("root");
    QTest::newRow("set") << "/x/cache" << "/x/cache/thumbnails";
    QTest::newRow("trailing slash") << "/x/cache/" << "/x/cache/thumbnails";
    QTest::newRow("empty") << "" << QDir::homePath() + "/.cache/thumbnails";
    QTest::newRow("relative is ignored") << "cache" << QDir::homePath() + "/.cache/thumbnails";
  }
  void cache_root_from_the_environment() {
    QFETCH(QString, variable);
    QFETCH(QString, root);
    const QByteArray saved = qgetenv("XDG_CACHE_HOME");
    qputenv("XDG_CACHE_HOME", variable.toUtf8());
    const QString got = store::thumbnail_root();
    qputenv("XDG_CACHE_HOME", saved);
    QCOMPARE(got, root);
  }

  void staleness_data() {
    QTest::addColumn<QByteArray>("stored_uri");
    QTest::addColumn<QString>("stored_mtime");
    QTest::addColumn<bool>("fresh");
    QTest::newRow("same") << QByteArray("file:///a.jpg") << "1700000000" << true;
    QTest::newRow("picture changed") << QByteArray("file:///a.jpg") << "1700000001" << false;
    QTest::newRow("no time") << QByteArray("file:///a.jpg") << "" << false;
    QTest::newRow("blank before the time") << QByteArray("file:///a.jpg") << " 1700000000" << false;
    QTest::newRow("fraction") << QByteArray("file:///a.jpg") << "1700000000.5" << false;
    QTest::newRow("another picture") << QByteArray("file:///b.jpg") << "1700000000" << false;
    QTest::newRow("no uri") << QByteArray() << "1700000000" << false;
  }
  void staleness() {
    QFETCH(QByteArray, stored_uri);
    QFETCH(QString, stored_mtime);
    QFETCH(bool, fresh);
    QCOMPARE(store::thumbnail_is_fresh(stored_uri, stored_mtime, "file:///a.jpg", 1700000000), fresh);
  }

  // Texts of a cache file from any program: plain and compressed ones are
  // read, a compressed one that inflates past the bound is dropped (no
  // memory spent on it), and a chunk running past the end ends the reading.
  void png_texts_data() {
    QTest::addColumn<QByteArray>("chunks");
    QTest::addColumn<QByteArray>("uri");
    QTest::addColumn<QByteArray>("mtime");
    const auto chunk = [](const QByteArray& type, const QByteArray& data) {
      QByteArray out;
      for (int b = 3; b >= 0; --b) out += char((data.size() >> (8 * b)) & 0xFF);
      return out + type + data + QByteArray(4, '\0');
    };
    const auto z = [&](const QByteArray& key, const QByteArray& value) {
      return chunk("zTXt", key + QByteArray(2, '\0') + qCompress(value).sliced(4));
    };
    const QByteArray uri = chunk("tEXt", QByteArrayLiteral("Thumb::URI\0file:///a.jpg"));
    QByteArray noise(3000, '\0');
    quint32 seed = 1;
    for (char& c : noise) c = char((seed = seed * 1103515245U + 12345U) >> 24);
    QTest::newRow("plain") << uri + chunk("tEXt", QByteArrayLiteral("Thumb::MTime\0" "17")) << QByteArray("file:///a.jpg")
                           << QByteArray("17");
    QTest::newRow("compressed") << uri + z("Thumb::MTime", "17") << QByteArray("file:///a.jpg") << QByteArray("17");
    QTest::newRow("inflates past 64 KB") << z("Thumb::URI", QByteArray(200000, 'a')) + z("Thumb::MTime", "17")
                                         << QByteArray() << QByteArray("17");
    QTest::newRow("compressed past 1 KB") << uri + z("Thumb::MTime", noise)
                                          << QByteArray("file:///a.jpg") << QByteArray();
    QTest::newRow("length past the end") << uri + chunk("tEXt", QByteArrayLiteral("Thumb::MTime\0" "17")).chopped(6)
                                         << QByteArray("file:///a.jpg") << QByteArray();
  }
  void png_texts() {
    QFETCH(QByteArray, chunks);
    QFETCH(QByteArray, uri);
    QFETCH(QByteArray, mtime);
    const QByteArray png = QByteArray("\x89PNG\r\n\x1a\n", 8) + chunks;
    const auto texts = store::png_texts(png);
    QCOMPARE(texts.value("Thumb::URI"), uri);
    QCOMPARE(texts.value("Thumb::MTime"), mtime);
  }

  // Every folder the write makes is 0700, the cache folder itself too; a
  // folder already there keeps its permissions.
  void thumbnails_are_written_whole_and_private_data() {
    QTest::addColumn<QString>("existing");
    QTest::newRow("nothing there") << QString();
    QTest::newRow("cache folder there") << QStringLiteral("cache");
    QTest::newRow("thumbnails there") << QStringLiteral("cache/thumbnails");
  }
  void thumbnails_are_written_whole_and_private() {
    QFETCH(QString, existing);
    QTemporaryDir tmp;
    if (!existing.isEmpty()) {
      QVERIFY(QDir(tmp.path()).mkpath(existing));
      for (const QString& rel : {QStringLiteral("cache"), existing})
        QVERIFY(::chmod(QFile::encodeName(tmp.filePath(rel)).constData(), 0755) == 0);
    }
    const QString dir = tmp.path() + QStringLiteral("/cache/thumbnails/normal");
    QVERIFY(store::write_thumbnail_file(dir, QStringLiteral("x.png"), "first"));
    for (const QString& rel : {QStringLiteral("cache"), QStringLiteral("cache/thumbnails"),
                              QStringLiteral("cache/thumbnails/normal")}) {
      struct stat st {};
      QVERIFY(::stat(QFile::encodeName(tmp.filePath(rel)).constData(), &st) == 0);
      const bool made = existing.isEmpty() || !existing.startsWith(rel);
      QCOMPARE(st.st_mode & 07777, made ? 0700U : 0755U);
    }
    QVERIFY(store::write_thumbnail_file(dir, QStringLiteral("x.png"), "second"));
    QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("x.png")});
    QFile f(dir + QStringLiteral("/x.png"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("second"));
    QVERIFY(!(f.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteOther)));
    QVERIFY(!(QFileInfo(dir).permissions() & (QFileDevice::ReadOther | QFileDevice::ExeOther)));
    ImmutableDir locked;
    if (!locked.protect(dir)) QSKIP("the directory cannot be made read-only here");
    QVERIFY(!store::write_thumbnail_file(dir, QStringLiteral("y.png"), "third"));
  }
};

QTEST_GUILESS_MAIN(TestSeasonAlbum)
#include "test_season_album.moc"
