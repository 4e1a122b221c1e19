// The record of JPEG copies beside the data (read back, damaged lines
// skipped, written whole) and the content keys that find a photo again.

#include <QtTest>
#include <sys/stat.h>

#include "store/pictures/content_key.h"
#include "store/pictures/copy_records.h"
#include "store_test_util.h"

using testutil::read_raw;
using testutil::write_raw;

namespace {

// Bytes that differ at every position, so that any change shows.
QByteArray varied_bytes(qsizetype n) {
  QByteArray bytes(n, '\0');
  quint32 x = 12345;
  for (char& c : bytes) {
    x = x * 1103515245U + 12345U;
    c = static_cast<char>(x >> 24);
  }
  return bytes;
}

}  // namespace

class TestCopyRecords : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void round_trip() {
    QTemporaryDir dir;
    const QString data = dir.path() + QLatin1Char('/');
    const std::vector<store::CopyRecord> records{
        {QStringLiteral("/home/u/写真/Verdalis/2026/IMG_1.jpg"), QStringLiteral("/media/カード/IMG_1.HEIC"), "\x01\xFF"},
        {QStringLiteral("/p/b.jpg"), QStringLiteral("/c/tab\there.png"), "\x05"},  // left out: the line
        {QStringLiteral("/p/c.jpg"), QStringLiteral("/c/line\nbreak.png"), "\x06"},  // cannot hold these
        {QStringLiteral("/p/a (2).jpg"), QStringLiteral("/c/a.png"), QByteArray(28, '\x7F')}};
    QCOMPARE(store::append_copy_records(data, {records[0]}), QString());
    QCOMPARE(store::append_copy_records(data, {records[1], records[2], records[3]}), QString());
    const QByteArray bytes = read_raw(data + store::kCopyRecordFile);
    QCOMPARE(bytes.count("\r\n"), 2);
    QCOMPARE(bytes.count('\n'), 2);
    const std::vector<store::CopyRecord> read = store::read_copy_records(data);
    QCOMPARE(read.size(), size_t(2));
    for (const auto& [got, wanted] : {std::pair{read[0], records[0]}, std::pair{read[1], records[3]}}) {
      QCOMPARE(got.copy, wanted.copy);
      QCOMPARE(got.source, wanted.source);
      QCOMPARE(got.key, wanted.key);
    }
    const store::CopyIndex index(read);
    QCOMPARE(index.by_source.value(records[0].source), records[0].copy);
    QCOMPARE(index.by_key.value(records[3].key), records[3].copy);
  }

  void damaged_lines_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("copies");
    const QByteArray good = "/p/a.jpg\t/c/a.heic\t0a0b\r\n";
    QTest::newRow("bare LF and no last line end") << QByteArray("/p/a.jpg\t/c/a.heic\t0a0b\n/p/b.jpg\t/c/b.png\tff")
                                                  << QStringList{"/p/a.jpg", "/p/b.jpg"};
    QTest::newRow("too few fields") << QByteArray("/p/x.jpg\t/c/x.heic\r\n") + good << QStringList{"/p/a.jpg"};
    QTest::newRow("too many fields") << QByteArray("/p/x.jpg\t/c/x\t0a\textra\r\n") + good << QStringList{"/p/a.jpg"};
    QTest::newRow("key not hex") << QByteArray("/p/x.jpg\t/c/x.heic\tzz\r\n") + good << QStringList{"/p/a.jpg"};
    QTest::newRow("key of odd length") << good + "/p/x.jpg\t/c/x.heic\tabc\r\n" << QStringList{"/p/a.jpg"};
    QTest::newRow("empty path") << QByteArray("\t/c/x.heic\t0a\r\n") + good << QStringList{"/p/a.jpg"};
    QTest::newRow("not UTF-8") << QByteArray("/p/\x82\xA0.jpg\t/c/x.heic\t0a\r\n") + good << QStringList{"/p/a.jpg"};
    QTest::newRow("empty lines and NUL bytes") << QByteArray("\r\n\0\0\0\r\n", 7) + good << QStringList{"/p/a.jpg"};
  }

  void damaged_lines() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, copies);
    QTemporaryDir dir;
    const QString data = dir.path() + QLatin1Char('/');
    QVERIFY(write_raw(data + store::kCopyRecordFile, bytes));
    QStringList read;
    for (const store::CopyRecord& r : store::read_copy_records(data)) read << r.copy;
    QCOMPARE(read, copies);
    // A new record keeps what could be read before it.
    QCOMPARE(store::append_copy_records(data, {{"/p/new.jpg", "/c/new.heic", "\x01"}}), QString());
    read.clear();
    for (const store::CopyRecord& r : store::read_copy_records(data)) read << r.copy;
    QCOMPARE(read, copies + QStringList{"/p/new.jpg"});
  }

  void missing_or_unwritable() {
    QTemporaryDir dir;
    const QString data = dir.path() + QStringLiteral("/no such folder/");
    QVERIFY(store::read_copy_records(data).empty());
    const QString message = store::append_copy_records(data, {{"/p/a.jpg", "/c/a.heic", "\x01"}});
    QVERIFY(message.contains(store::kCopyRecordFile));
    QVERIFY(testutil::has_japanese(message));
    // A folder in the record's place reads as no records.
    const QString other = dir.path() + QStringLiteral("/other/");
    QVERIFY(QDir().mkpath(other + store::kCopyRecordFile));
    QVERIFY(store::read_copy_records(other).empty());
  }

  void content_keys_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("changed_at");  // -1: a byte appended
    QTest::addColumn<bool>("same");
    const int large = 1024 * 1024;
    QTest::newRow("small file, a byte changed") << 1000 << 500 << false;
    QTest::newRow("large, first byte") << large << 0 << false;
    QTest::newRow("large, last byte of the head") << large << 65535 << false;
    QTest::newRow("large, first byte of the tail") << large << large - 65536 << false;
    QTest::newRow("large, last byte") << large << large - 1 << false;
    QTest::newRow("large, a byte appended") << large << -1 << false;
    QTest::newRow("between head and tail: by design the same") << large << large / 2 << true;
    QTest::newRow("exactly 128 KB, hashed whole") << 131072 << 65536 << false;
    QTest::newRow("128 KB and one byte, the byte between") << 131073 << 65536 << true;
  }

  void content_keys() {
    QFETCH(int, size);
    QFETCH(int, changed_at);
    QFETCH(bool, same);
    QTemporaryDir dir;
    const QByteArray bytes = varied_bytes(size);
    QVERIFY(write_raw(dir.filePath(QStringLiteral("a.heic")), bytes));
    QVERIFY(write_raw(dir.filePath(QStringLiteral("copy of a.HEIC")), bytes));
    QByteArray changed = bytes;
    if (changed_at < 0) changed += 'x';
    else changed[changed_at] = static_cast<char>(changed[changed_at] ^ 1);
    QVERIFY(write_raw(dir.filePath(QStringLiteral("b.heic")), changed));
    const QByteArray key = store::content_key(dir.filePath(QStringLiteral("a.heic")));
    QVERIFY(!key.isEmpty());
    QCOMPARE(store::content_key(dir.filePath(QStringLiteral("copy of a.HEIC"))), key);
    QCOMPARE(store::content_key(dir.filePath(QStringLiteral("b.heic"))) == key, same);
  }

  void content_key_of_what_is_no_file() {
    QTemporaryDir dir;
    QVERIFY(store::content_key(dir.filePath(QStringLiteral("missing.heic"))).isEmpty());
    QVERIFY(store::content_key(dir.path()).isEmpty());
    QVERIFY(::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("fifo"))).constData(), 0600) == 0);
    QVERIFY(store::content_key(dir.filePath(QStringLiteral("fifo"))).isEmpty());
    // An empty file has a key, unlike every file of another size.
    QVERIFY(write_raw(dir.filePath(QStringLiteral("empty")), {}));
    QVERIFY(write_raw(dir.filePath(QStringLiteral("one")), QByteArray(1, '\0')));
    const QByteArray empty = store::content_key(dir.filePath(QStringLiteral("empty")));
    QVERIFY(!empty.isEmpty());
    QVERIFY(empty != store::content_key(dir.filePath(QStringLiteral("one"))));
  }
};

QTEST_GUILESS_MAIN(TestCopyRecords)
#include "test_copy_records.moc"
