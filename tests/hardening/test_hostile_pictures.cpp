// Picture files that are not pictures, or that lie about themselves: a FIFO,
// a device, a directory named x.jpg, an empty file, a truncated JPEG or
// BMP, headers declaring 60000 × 60000 pixels, a symbolic link loop. The
// loading functions and every window that shows pictures leave the picture
// empty within a second, without hanging or crashing; a whole picture still
// shows.

#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>
#include <sys/stat.h>
#include <unistd.h>

#include "data_dir.h"
#include "editor/f_kinyu.h"
#include "main_window/main_form.h"
#include "main_window/memo_grid.h"
#include "main_window/memo_list_model.h"
#include "picture_picker/f_picture.h"
#include "picture_viewer/f_gensun.h"
#include "recording_messages.h"
#include "user_input.h"
#include "store/diary/memo_files.h"
#include "ui/picture.h"

namespace {

constexpr qint64 kPatienceMs = 1000;

QByteArray encoded(int w, int h, const char* format) {
  QImage image(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) image.setPixel(x, y, qRgb(x * 7 % 256, y * 5 % 256, (x ^ y) % 256));
  }
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format);
  return bytes;
}

// The JPEG with the size of its frame header (SOF0) set to w × h.
QByteArray jpeg_declaring(int w, int h) {
  QByteArray bytes = encoded(64, 48, "JPG");
  const qsizetype sof = bytes.indexOf(QByteArray::fromHex("FFC0"));
  if (sof < 0) return {};
  qToBigEndian<quint16>(static_cast<quint16>(h), bytes.data() + sof + 5);
  qToBigEndian<quint16>(static_cast<quint16>(w), bytes.data() + sof + 7);
  return bytes;
}

// A 24-bit BMP header declaring w × h pixels, followed by `pixels` bytes.
QByteArray bmp_declaring(qint32 w, qint32 h, int pixels) {
  QByteArray bytes = encoded(4, 4, "BMP");
  qToLittleEndian<qint32>(w, bytes.data() + 18);
  qToLittleEndian<qint32>(h, bytes.data() + 22);
  bytes.resize(54 + pixels);
  return bytes;
}

enum class Kind { Fifo, Device, Directory, Empty, TruncatedJpeg, TruncatedBmp, HugeBmp, HugeJpeg, LinkLoop, Whole };

// Makes the hostile entry x.jpg in `dir`; returns its path.
QString make(Kind kind, const QString& dir) {
  const QString path = dir + QStringLiteral("x.jpg");
  const QByteArray native = QFile::encodeName(path);
  switch (kind) {
    case Kind::Fifo: mkfifo(native.constData(), 0600); break;
    case Kind::Device: QFile::link(QStringLiteral("/dev/zero"), path); break;
    case Kind::Directory: QDir().mkdir(path); break;
    case Kind::Empty: testing_support::write_bytes(path, {}); break;
    case Kind::TruncatedJpeg: {
      const QByteArray whole = encoded(200, 150, "JPG");
      testing_support::write_bytes(path, whole.left(whole.size() / 2));
      break;
    }
    case Kind::TruncatedBmp: {
      const QByteArray whole = encoded(200, 150, "BMP");
      testing_support::write_bytes(path, whole.left(whole.size() / 2));
      break;
    }
    case Kind::HugeBmp: testing_support::write_bytes(path, bmp_declaring(60000, 60000, 4096)); break;
    case Kind::HugeJpeg: testing_support::write_bytes(path, jpeg_declaring(60000, 60000)); break;
    case Kind::LinkLoop:
      QFile::link(dir + QStringLiteral("y.jpg"), path);
      QFile::link(path, dir + QStringLiteral("y.jpg"));
      break;
    case Kind::Whole: testing_support::write_bytes(path, encoded(120, 90, "JPG")); break;
  }
  return path;
}

}  // namespace

Q_DECLARE_METATYPE(Kind)

class HostilePicturesTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void init() {
    QFETCH(Kind, kind);
    QVERIFY(tmp_.isValid());
    dir_ = tmp_.path() + QLatin1Char('/');
    path_ = make(kind, dir_);
    shows_ = kind == Kind::Whole;
  }
  void cleanup() {
    form_.reset();
    state_.reset();
    messages_.log.clear();
    QDir(tmp_.path()).removeRecursively();
    QDir().mkpath(tmp_.path());
  }

  void loading_functions_data() { rows(); }
  void loading_functions() {
    QElapsedTimer t;
    t.start();
    const ui::PictureProbe probe = ui::probe_picture(path_);
    const QPixmap own = ui::load_picture(path_);
    const QPixmap scaled = ui::load_picture(path_, QSize(40, 30));
    QVERIFY2(t.elapsed() < kPatienceMs, qPrintable(QString::number(t.elapsed())));
    // A truncated file has a whole header: only decoding it fails.
    QFETCH(Kind, kind);
    QCOMPARE(probe.readable, shows_ || kind == Kind::TruncatedJpeg || kind == Kind::TruncatedBmp);
    QCOMPARE(own.isNull(), !shows_);
    QCOMPARE(scaled.isNull(), !shows_);
    if (shows_) QCOMPARE(own.size(), QSize(120, 90));
  }

  // The viewer pane of the main window, for a memo whose picture list
  // names the file.
  void main_window_viewer_data() { rows(); }
  void main_window_viewer() {
    Main_form& form = main_window();
    QElapsedTimer t;
    t.start();
    form.Grid1->setCurrentIndex(form.list_model()->index(0, 0));
    form.Grid1_Click();
    QVERIFY(t.elapsed() < kPatienceMs);
    QCOMPARE(form.Image1->pixmap().isNull(), !shows_);
    QCOMPARE(form.List1->count(), 1);  // the title is listed all the same
  }

  void full_size_viewer_data() { rows(); }
  void full_size_viewer() {
    Main_form& form = main_window();
    state_->current_images = {{path_, QStringLiteral("題")}};
    state_->current_image_no = 1;
    state_->current_image_path = path_;
    QElapsedTimer t;
    t.start();
    F_gensun viewer(*state_, messages_, form);
    QVERIFY(t.elapsed() < kPatienceMs);
    QCOMPARE(viewer.Image1->pixmap().isNull(), !shows_);
    QCOMPARE(viewer.picture_size().isEmpty(), !shows_);
  }

  // The editor opened to correct the memo: it shows the first picture.
  void editor_data() { rows(); }
  void editor() {
    Main_form& form = main_window();
    form.Grid1->setCurrentIndex(form.list_model()->index(0, 0));
    state_->EditMode = QStringLiteral("teisei");
    QElapsedTimer t;
    t.start();
    F_kinyu editor(*state_, messages_, form);
    QVERIFY(t.elapsed() < kPatienceMs);
    QCOMPARE(editor.Image1->pixmap().isNull(), !shows_);
  }

  // The picture picker over the directory: the file is either not offered
  // at all, or its preview stays empty.
  void picker_preview_data() { rows(); }
  void picker_preview() {
    QDialog editor;
    QListWidget titles;
    store::AppState state(QStringLiteral("/nowhere/"));
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir_);
    QElapsedTimer t;
    t.start();
    F_picture picker(state, messages_, editor, titles, {QStringLiteral("/")});
    QDir::setCurrent(previous);
    QCOMPARE(picker.dir_path() + QLatin1Char('/'), dir_);
    const auto found = picker.File1->findItems(QStringLiteral("x.jpg"), Qt::MatchExactly);
    if (found.isEmpty()) {
      QVERIFY(!shows_);
    } else {
      user_input::show_active(&picker);
      user_input::click_item(picker.File1, picker.File1->row(found.first()));
    }
    QVERIFY(t.elapsed() < kPatienceMs);
    QCOMPARE(picker.Image1->pixmap().isNull(), !shows_);
  }

 private:
  static void rows() {
    QTest::addColumn<Kind>("kind");
    QTest::newRow("FIFO") << Kind::Fifo;
    QTest::newRow("link to /dev/zero") << Kind::Device;
    QTest::newRow("directory x.jpg") << Kind::Directory;
    QTest::newRow("zero-byte file") << Kind::Empty;
    QTest::newRow("truncated JPEG") << Kind::TruncatedJpeg;
    QTest::newRow("truncated BMP") << Kind::TruncatedBmp;
    QTest::newRow("BMP declaring 60000 x 60000") << Kind::HugeBmp;
    QTest::newRow("JPEG declaring 60000 x 60000") << Kind::HugeJpeg;
    QTest::newRow("symbolic link loop") << Kind::LinkLoop;
    QTest::newRow("a whole JPEG shows") << Kind::Whole;
  }

  // A main window over one memo whose only picture is the file.
  Main_form& main_window() {
    const QString data = dir_ + QStringLiteral("data/");
    QDir().mkpath(data + QStringLiteral("memo"));
    testing_support::write_bytes(
        data + QStringLiteral("flower.dat"),
        testing_support::cp932_lines({QStringLiteral("2026/05/01"), QStringLiteral("花壇"), QStringLiteral("パンジー"),
                                      QStringLiteral("題"), QStringLiteral(" 1 "), QStringLiteral("2026/05/01 10:00:00"),
                                      QStringLiteral("2026/05/01 10:00:00")}));
    store::save_image_list(data, QStringLiteral(" 1 "), {{path_, QStringLiteral("題")}});
    state_ = std::make_unique<store::AppState>(data);
    form_ = std::make_unique<Main_form>(*state_, messages_);
    if (!form_->Form_Load()) qFatal("the main window did not start");
    return *form_;
  }

  QTemporaryDir tmp_;
  QString dir_;
  QString path_;
  bool shows_ = false;
  RecordingMessages messages_;
  std::unique_ptr<store::AppState> state_;
  std::unique_ptr<Main_form> form_;
};

QTEST_MAIN(HostilePicturesTest)
#include "test_hostile_pictures.moc"
