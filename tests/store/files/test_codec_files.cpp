// windows-31j conversion, line handling, atomic file writes, number fields,
// memo file paths, memo bodies, picture lists and flower.ini.

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <limits>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "store/diary/memo_files.h"
#include "store/diary/memo_index.h"
#include "store/diary/settings.h"
#include "store/files/codec.h"
#include "store/files/text_file.h"
#include "store_test_util.h"

using namespace testutil;
Q_DECLARE_METATYPE(store::Settings)

namespace {
enum Direction { Both, DecodeOnly, EncodeOnly };
enum WriteFault { ReadOnlyDir, FileSizeLimit, LargeFileSizeLimit, Unencodable, ParentIsFile };
const store::Settings kDefaults{3, 1, 100, 200, 480, 640, 300};
}  // namespace

class CodecFilesTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void initTestCase() { std::signal(SIGXFSZ, SIG_IGN); }

  void codecVectors_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("direction");
    QTest::newRow("wave dash 8160") << hex("8160") << QStringLiteral("\uFF5E") << int(Both);
    QTest::newRow("parallel 8161") << hex("8161") << QStringLiteral("\u2225") << int(Both);
    QTest::newRow("minus 817C") << hex("817C") << QStringLiteral("\uFF0D") << int(Both);
    QTest::newRow("not sign 81CA") << hex("81CA") << QStringLiteral("\uFFE2") << int(Both);
    QTest::newRow("backslash 5C") << hex("5C") << QStringLiteral("\\") << int(Both);
    QTest::newRow("circled one 8740") << hex("8740") << QStringLiteral("①") << int(Both);
    QTest::newRow("roman one 8754") << hex("8754") << QStringLiteral("Ⅰ") << int(Both);
    QTest::newRow("small roman one FA40") << hex("FA40") << QStringLiteral("ⅰ") << int(Both);
    QTest::newRow("ibm kanji FB5C") << hex("FB5C") << QStringLiteral("\u72BE") << int(Both);
    QTest::newRow("half-width a B1") << hex("B1") << QStringLiteral("ｱ") << int(Both);
    QTest::newRow("trail 5C in text") << hex("61 955C 835C 945C 62") << QStringLiteral("a表ソ能b") << int(Both);
    QTest::newRow("nec selected ED40") << hex("ED40") << QStringLiteral("\u7E8A") << int(DecodeOnly);
    QTest::newRow("nearly equal 81E0") << hex("81E0") << QStringLiteral("\u2252") << int(EncodeOnly);
    QTest::newRow("line ends kept") << hex("89D49264 0D0A 0A") << QStringLiteral("花壇\r\n\n") << int(Both);
    QTest::newRow("raw lead byte before a character with two codes")
        << hex("EE EE81") << (QString(QChar(0xF7EE)) + QChar(0xFA1F)) << int(Both);
  }
  void codecVectors() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(int, direction);
    if (direction != EncodeOnly) QCOMPARE(store::decode_cp932(bytes), text);
    if (direction != DecodeOnly) {
      bool ok = false;
      QCOMPARE(store::encode_cp932(text, &ok).toHex(' '), bytes.toHex(' '));
      QVERIFY(ok);
      QVERIFY(store::representable_in_cp932(text));
    }
  }

  void unencodable_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("accent") << QStringLiteral("caf\u00E9");
    QTest::newRow("emoji after kanji") << QStringLiteral("花壇\U0001F33B");
    QTest::newRow("lone surrogate") << QString(QChar(0xD800));
  }
  void unencodable() {
    QFETCH(QString, text);
    bool ok = true;
    store::encode_cp932(text, &ok);
    QVERIFY(!ok);
    QVERIFY(!store::representable_in_cp932(text));
  }

  // Invalid bytes become a substitute: nothing before them is lost and
  // they do not vanish.
  void invalidBytes_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("validPrefix");
    QTest::newRow("FF") << hex("FF") << QString();
    QTest::newRow("lead then FF") << hex("61 81FF") << QStringLiteral("a");
    QTest::newRow("lead then control") << hex("89D4 8109") << QStringLiteral("花");
    QTest::newRow("lone lead byte at end") << hex("61 81") << QStringLiteral("a");
  }
  void invalidBytes() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, validPrefix);
    const QString text = store::decode_cp932(bytes);
    QVERIFY2(text.startsWith(validPrefix), qPrintable(text));
    QVERIFY2(text.size() > validPrefix.size(), "an invalid byte was dropped instead of substituted");
  }

  void splitLines_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("crlf") << QStringLiteral("a\r\nb\r\n") << QStringList{"a", "b"};
    QTest::newRow("bare lf") << QStringLiteral("a\nb\n") << QStringList{"a", "b"};
    QTest::newRow("mixed, last without end") << QStringLiteral("a\nb\r\nc") << QStringList{"a", "b", "c"};
    QTest::newRow("empty") << QString() << QStringList{};
    QTest::newRow("empty last line") << QStringLiteral("a\r\n\r\n") << QStringList{"a", ""};
    QTest::newRow("only crlf") << QStringLiteral("\r\n") << QStringList{""};
    QTest::newRow("bare cr is content") << QStringLiteral("a\rb\r\n") << QStringList{"a\rb"};
  }
  void splitLines() {
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    QCOMPARE(store::split_lines(text), lines);
  }

  // join_lines_cp932, write_text_lines and read_text_lines agree on the bytes.
  void writeLines_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("two") << QStringList{"a", "b"} << QByteArray("a\r\nb\r\n");
    QTest::newRow("none") << QStringList{} << QByteArray();
    QTest::newRow("one empty") << QStringList{""} << QByteArray("\r\n");
    QTest::newRow("japanese") << QStringList{"花壇", "", "表ソ"} << hex("89D49264 0D0A 0D0A 955C835C 0D0A");
  }
  void writeLines() {
    QFETCH(QStringList, lines);
    QFETCH(QByteArray, bytes);
    bool ok = false;
    QCOMPARE(store::join_lines_cp932(lines, &ok), bytes);
    QVERIFY(ok);
    QTemporaryDir tmp;
    const QString path = tmp.filePath(QStringLiteral("list.dat"));
    QVERIFY(write_raw(path, "old content that is longer than the new one\r\n"));
    QVERIFY(store::write_text_lines(path, lines).ok);
    QCOMPARE(read_raw(path), bytes);
    const store::ReadLinesResult back = store::read_text_lines(path);
    QCOMPARE(back.status, store::ReadStatus::Read);
    QCOMPARE(back.lines, lines);
  }

  void writeFailureKeepsOldFile_data() {
    QTest::addColumn<int>("fault");
    QTest::newRow("read-only directory") << int(ReadOnlyDir);
    QTest::newRow("file size limit") << int(FileSizeLimit);
    QTest::newRow("file size limit, large file") << int(LargeFileSizeLimit);
    QTest::newRow("character windows-31j lacks") << int(Unencodable);
    QTest::newRow("parent is a regular file") << int(ParentIsFile);
  }
  void writeFailureKeepsOldFile() {
    QFETCH(int, fault);
    QTemporaryDir tmp;
    const QString old_path = tmp.filePath(QStringLiteral("flower.dat"));
    const QByteArray old_bytes = hex("89D49264 0D0A 61 0D0A");
    QVERIFY(write_raw(old_path, old_bytes));
    QString target = old_path;
    QStringList lines(200, QStringLiteral("新しい内容の行"));
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    switch (fault) {
      case ReadOnlyDir:
        if (geteuid() == 0) QSKIP("permission bits do not stop root");
        QVERIFY(chmod(QFile::encodeName(tmp.path()).constData(), 0555) == 0);
        break;
      case LargeFileSizeLimit: lines = QStringList(3000, QStringLiteral("新しい内容の行")); [[fallthrough]];
      case FileSizeLimit: {
        // Writes stop at 64 bytes, as on a full disk.
        rlimit small = saved;
        small.rlim_cur = 64;
        QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
        break;
      }
      case Unencodable: lines = {QStringLiteral("花壇"), QStringLiteral("\U0001F33B")}; break;
      case ParentIsFile: target = old_path + QStringLiteral("/inner.dat"); break;
    }
    const store::FileResult result = store::write_text_lines(target, lines);
    setrlimit(RLIMIT_FSIZE, &saved);
    chmod(QFile::encodeName(tmp.path()).constData(), 0755);
    QVERIFY(!result.ok);
    QVERIFY2(result.message.contains(target), qPrintable(result.message));
    QVERIFY2(has_japanese(result.message), qPrintable(result.message));
    QCOMPARE(read_raw(old_path), old_bytes);
    QCOMPARE(QDir(tmp.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{"flower.dat"});
  }

  void removeFile() {
    QTemporaryDir tmp;
    const QString path = tmp.filePath(QStringLiteral("g0000001.txt"));
    QVERIFY(store::remove_file(path).ok);
    QVERIFY(write_raw(path, "x\r\n"));
    QVERIFY(store::remove_file(path).ok);
    QVERIFY(!QFile::exists(path));
  }

  void formatNumberField_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("asFloat");
    QTest::addColumn<QString>("field");
    QTest::newRow("42") << 42.0 << false << " 42 ";
    QTest::newRow("0") << 0.0 << false << " 0 ";
    QTest::newRow("-5") << -5.0 << false << "-5 ";
    QTest::newRow("1234567") << 1234567.0 << false << " 1234567 ";
    QTest::newRow("float 9450") << 9450.0 << true << " 9450 ";
    QTest::newRow("float 12.5") << 12.5 << true << " 12.5 ";
    QTest::newRow("float 0") << 0.0 << true << " 0 ";
    QTest::newRow("float -7.25") << -7.25 << true << "-7.25 ";
    QTest::newRow("float needing eight digits") << 1.0000001 << true << " 1.0000001 ";
    QTest::newRow("float beyond 1e15") << 3.4028235e38 << true << " 3.4028235e+38 ";
  }
  void formatNumberField() {
    QFETCH(double, value);
    QFETCH(bool, asFloat);
    QFETCH(QString, field);
    QCOMPARE(asFloat ? store::format_number_field(static_cast<float>(value))
                     : store::format_number_field(static_cast<qint64>(value)),
             field);
  }

  void numericValue_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("value");
    QTest::newRow("field") << " 12 " << qint64(12);
    QTest::newRow("bare") << "12" << qint64(12);
    QTest::newRow("letters") << "abc" << qint64(0);
    QTest::newRow("empty") << "" << qint64(0);
    QTest::newRow("negative") << "-5" << qint64(-5);
    QTest::newRow("negative field") << "-5 " << qint64(-5);
    QTest::newRow("digits then letters") << "12abc" << qint64(12);
    QTest::newRow("exponent is not read") << "1e9" << qint64(1);
    QTest::newRow("30 digits saturate") << QString(30, QLatin1Char('9')) << std::numeric_limits<qint64>::max();
  }
  void numericValue() {
    QFETCH(QString, text);
    QFETCH(qint64, value);
    QCOMPARE(store::numeric_value(text), value);
  }

  // The digits of the memo file names; hostile numbers (no expected
  // digits) must at least keep the files inside memo/.
  void memoPaths_data() {
    QTest::addColumn<QString>("memoNo");
    QTest::addColumn<QString>("digits");
    QTest::newRow("field") << " 12 " << "0000012";
    QTest::newRow("bare") << "12" << "0000012";
    QTest::newRow("seven digits") << "1234567" << "1234567";
    QTest::newRow("exponent") << "1e9" << "0000001";
    QTest::newRow("parent") << "../x" << "";
    QTest::newRow("negative") << "-5" << "";
    QTest::newRow("30 digits") << QString(30, QLatin1Char('9')) << "";
    QTest::newRow("negative 30 digits") << QStringLiteral("-") + QString(30, QLatin1Char('9')) << "";
    QTest::newRow("absolute") << "/etc/passwd" << "";
    QTest::newRow("digits and slash") << " 12/../../x " << "";
  }
  void memoPaths() {
    QFETCH(QString, memoNo);
    QFETCH(QString, digits);
    const QString dir = QStringLiteral("/data/verdalis/");
    const QString body = store::memo_body_path(dir, memoNo), images = store::memo_images_path(dir, memoNo);
    if (!digits.isEmpty()) {
      QCOMPARE(body, dir + "memo/m" + digits + ".txt");
      QCOMPARE(images, dir + "memo/g" + digits + ".txt");
    }
    for (const QString& path : {body, images}) {
      QVERIFY2(path.startsWith(dir + "memo/"), qPrintable(path));
      const QString name = path.mid(dir.size() + 5);
      QVERIFY2(!name.contains(u'/') && !name.contains(u'\\') && !name.startsWith(u'.'), qPrintable(path));
    }
  }

  // Body file bytes and the text they hold. Rows marked saved are also
  // what save_memo_body writes for the text; "missing" has no file.
  void memoBody_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("saved");
    QTest::newRow("one line") << QByteArray("text\r\n") << "text" << true;
    QTest::newRow("only line end") << QByteArray("\r\n") << "" << true;
    QTest::newRow("last line empty") << QByteArray("a\r\n\r\n") << "a\r\n" << true;
    QTest::newRow("cp932 lines") << hex("89D49264 0D0A 8740 955C 0D0A") << "花壇\r\n①表" << true;
    QTest::newRow("without line end") << QByteArray("a\r\nb") << "a\r\nb" << false;
    QTest::newRow("missing") << QByteArray() << "" << false;
  }
  void memoBody() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(bool, saved);
    QTemporaryDir tmp;
    const QString dir = tmp.path() + "/";
    QVERIFY(QDir(dir).mkdir("memo"));
    if (!bytes.isNull()) QVERIFY(write_raw(dir + "memo/m0000012.txt", bytes));
    const store::BodyResult body = store::load_memo_body(dir, QStringLiteral(" 12 "));
    QCOMPARE(body.text, text);
    QVERIFY(body.message.isEmpty());
    if (saved) {
      QVERIFY(store::save_memo_body(dir, QStringLiteral("7"), text).ok);
      QCOMPARE(read_raw(dir + "memo/m0000007.txt"), bytes);
    }
  }

  // Picture lists: expected entries flattened as path, title, path, title...
  void imageList_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("flat");
    QTest::newRow("three") << crlf({"/p/1.jpg", "one", "/p/2.jpg", "", "/p/3.jpg", "three"})
                           << QStringList{"/p/1.jpg", "one", "/p/2.jpg", "", "/p/3.jpg", "three"};
    QTest::newRow("missing") << QByteArray() << QStringList{};
    QTest::newRow("odd line count") << crlf({"/p/1.jpg", "one", "/p/2.jpg"})
                                    << QStringList{"/p/1.jpg", "one", "/p/2.jpg", ""};
    QTest::newRow("cp932 with 5C") << hex("433a5c8eca905e5c955c2e6a7067 0D0A E551 0D0A")
                                   << QStringList{"C:\\写真\\表.jpg", "蕾"};
  }
  void imageList() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, flat);
    QTemporaryDir tmp;
    store::AppState state(tmp.path() + "/");
    QVERIFY(QDir(state.data_dir).mkdir("memo"));
    if (!bytes.isNull()) QVERIFY(write_raw(state.data_dir + "memo/g0000003.txt", bytes));
    std::vector<store::ImageEntry> expected;
    for (qsizetype i = 0; i < flat.size(); i += 2) expected.push_back({flat[i], flat[i + 1]});
    const store::ImageListResult read = store::read_image_list(state.data_dir, QStringLiteral(" 3 "));
    QVERIFY(read.message.isEmpty());
    QVERIFY(read.images == expected);
    state.current_images = {{"/stale.jpg", "stale"}};
    QVERIFY(store::load_image_list(state, QStringLiteral("3")).isEmpty());
    QVERIFY(state.current_images == expected);
  }

  void saveImageList() {
    QTemporaryDir tmp;
    const QString dir = tmp.path() + "/";
    QVERIFY(QDir(dir).mkdir("memo"));
    const std::vector<store::ImageEntry> images{{"C:\\写真\\表.jpg", "蕾"}, {"D:\\庭\\ソ.png", ""}};
    QVERIFY(store::save_image_list(dir, QStringLiteral(" 12 "), images).ok);
    QCOMPARE(read_raw(dir + "memo/g0000012.txt").toHex(' '),
             hex("433a5c8eca905e5c955c2e6a7067 0D0A E551 0D0A 443a5c92eb5c835c2e706e67 0D0A 0D0A").toHex(' '));
    QVERIFY(store::read_image_list(dir, QStringLiteral("12")).images == images);
  }

  void settingsRoundTrip() {
    QTemporaryDir tmp;
    const QString path = tmp.filePath(QStringLiteral("flower.ini"));
    const store::Settings saved{41, 2, 10.5f, 20, 480, 640.25f, 200};
    QVERIFY(store::save_settings(path, saved).ok);
    QCOMPARE(read_raw(path), QByteArray(" 41 \r\n 2 \r\n 10.5 \r\n 20 \r\n 480 \r\n 640.25 \r\n 200 \r\n"));
    store::Settings loaded = kDefaults;
    QCOMPARE(store::load_settings(path, loaded).status, store::ReadStatus::Read);
    QCOMPARE(loaded, saved);
  }

  // A damaged flower.ini keeps the caller's defaults for exactly the lines
  // that are missing or not numbers.
  void settingsDamaged_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<store::Settings>("expected");
    const store::Settings d = kDefaults;
    QTest::newRow("empty") << QByteArray() << d;
    QTest::newRow("two lines") << QByteArray(" 9 \r\n 2 \r\n") << store::Settings{9, 2, d.window_top, d.window_left,
                                                                                d.window_height, d.window_width,
                                                                                d.grid_height};
    QTest::newRow("letters in line 4") << QByteArray(" 9 \r\n 2 \r\n 1 \r\n x \r\n 5 \r\n 6 \r\n 7 \r\n")
                                       << store::Settings{9, 2, 1, d.window_left, 5, 6, 7};
    QTest::newRow("letters in line 1") << QByteArray("abc\n 0 \n 1 \n 2 \n 5 \n 6 \n 7 \n")
                                       << store::Settings{d.highest_memo_no, 0, 1, 2, 5, 6, 7};
    const float largest = std::numeric_limits<float>::max();
    QTest::newRow("largest float as written, and one beyond")
        << QByteArray(" 9 \r\n 0 \r\n 3.4028235e+38 \r\n-3.4028235e+38 \r\n 1e39 \r\n 6 \r\n 7 \r\n")
        << store::Settings{9, 0, largest, -largest, d.window_height, 6, 7};
    for (const char* state : {" 3 ", "-1", " 1.5 ", ""}) {
      QTest::addRow("window state '%s'", state)
          << QByteArray(" 9 \r\n") + state + "\r\n 1 \r\n 2 \r\n 5 \r\n 6 \r\n 7 \r\n"
          << store::Settings{9, d.window_state, 1, 2, 5, 6, 7};
    }
  }
  void settingsDamaged() {
    QFETCH(QByteArray, bytes);
    QFETCH(store::Settings, expected);
    QTemporaryDir tmp;
    const QString path = tmp.filePath(QStringLiteral("flower.ini"));
    QVERIFY(write_raw(path, bytes));
    store::Settings loaded = kDefaults;
    store::load_settings(path, loaded);
    QCOMPARE(loaded, expected);
  }
};

QTEST_GUILESS_MAIN(CodecFilesTest)
#include "test_codec_files.moc"
