// verdalis.ini: what a missing, damaged or odd file reads as, that a round
// trip keeps the keys of other tools, and that a file that cannot be
// written is reported once.

#include <QTemporaryDir>
#include <QtTest>

#include "immutable_dir.h"
#include "store/diary/own_settings.h"
#include "store_test_util.h"

using namespace testutil;

class TestOwnSettings : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void reading_data() {
    QTest::addColumn<QByteArray>("bytes");  // "<missing>", "<dir>" or the file's bytes
    QTest::addColumn<QString>("expected");  // the value of "album.geometry"
    QTest::addColumn<int>("keys");
    QTest::newRow("missing file") << QByteArray("<missing>") << QString() << 0;
    QTest::newRow("a folder in its place") << QByteArray("<dir>") << QString() << 0;
    QTest::newRow("empty") << QByteArray() << QString() << 0;
    QTest::newRow("CR LF") << crlf({"album.geometry=1,2,3,4", "x=y"}) << "1,2,3,4" << 2;
    QTest::newRow("bare LF, no last line end") << QByteArray("x=1\nalbum.geometry=5,6,7,8") << "5,6,7,8" << 2;
    QTest::newRow("damaged lines skipped")
        << crlf({"no equals sign", "=no key", "  =blank key", "\xff\xfe=not UTF-8", "album.geometry=\xe3\x81", "ok=1"})
        << QString() << 1;
    QTest::newRow("binary garbage") << QByteArray("\x01\x02=\x00\n\x89PNG\x1a\n", 10) << QString() << 1;
    QTest::newRow("last one wins, value kept as is")
        << crlf({"album.geometry=old", " album.geometry = 庭=花 "}) << " 庭=花 " << 1;
  }
  void reading() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    QFETCH(int, keys);
    QTemporaryDir tmp;
    const QString path = store::OwnSettings::path_in(tmp.path() + QLatin1Char('/'));
    QCOMPARE(QFileInfo(path).fileName(), QStringLiteral("verdalis.ini"));
    if (bytes == "<dir>") {
      QVERIFY(QDir().mkpath(path));
    } else if (bytes != "<missing>") {
      QVERIFY(write_raw(path, bytes));
    }
    store::OwnSettings settings(path);
    settings.load();
    QCOMPARE(settings.value(QStringLiteral("album.geometry"), QStringLiteral("default")),
             expected.isNull() ? QStringLiteral("default") : expected);
    int found = 0;
    for (const QString key : {"album.geometry", "x", "ok", "\x01\x02"}) found += settings.contains(key) ? 1 : 0;
    QCOMPARE(found, keys);
  }

  void round_trip_keeps_other_keys() {
    QTemporaryDir tmp;
    const QString path = store::OwnSettings::path_in(tmp.path() + QLatin1Char('/'));
    QVERIFY(write_raw(path, QByteArray("later.feature=庭\nbroken line\nalbum.geometry=0,0,1,1\n")));
    store::OwnSettings album(path);
    album.load();
    store::OwnSettings other(path);
    other.load();
    QVERIFY(album.set_value(QStringLiteral("album.geometry"), QStringLiteral("10,20,700,500")));
    QVERIFY(!album.set_value(QStringLiteral("bad=key"), QStringLiteral("1")));
    QVERIFY(!album.set_value(QStringLiteral("key"), QStringLiteral("two\r\nlines")));
    QVERIFY(album.save());
    // A second tool saving its own key keeps the album's new value.
    QVERIFY(other.set_value(QStringLiteral("other"), QStringLiteral("値")));
    QVERIFY(other.save());
    QCOMPARE(read_raw(path), crlf({"album.geometry=10,20,700,500", "later.feature=庭", "other=値"}));
    store::OwnSettings again(path);
    again.load();
    QCOMPARE(again.value(QStringLiteral("album.geometry")), QStringLiteral("10,20,700,500"));
  }

  void a_failed_write_is_reported_once() {
    QTemporaryDir tmp;
    const QString path = store::OwnSettings::path_in(tmp.path() + QLatin1Char('/'));
    QVERIFY(write_raw(path, crlf({"album.geometry=1,1,1,1"})));
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner));
    ImmutableDir locked;
    if (!locked.protect(tmp.path())) QSKIP("the folder cannot be made read-only here");
    store::OwnSettings settings(path);
    settings.load();
    QVERIFY(settings.set_value(QStringLiteral("album.geometry"), QStringLiteral("2,2,2,2")));
    const QString first = settings.save_reporting_once();
    QVERIFY(first.contains(path) && has_japanese(first));
    QCOMPARE(settings.save_reporting_once(), QString());
    QCOMPARE(read_raw(path), crlf({"album.geometry=1,1,1,1"}));
    locked.release();
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
    QCOMPARE(settings.save_reporting_once(), QString());
    QCOMPARE(read_raw(path), crlf({"album.geometry=2,2,2,2"}));
  }
};

QTEST_GUILESS_MAIN(TestOwnSettings)
#include "test_own_settings.moc"
