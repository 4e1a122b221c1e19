// JPEG copies of HEIC, PNG, WebP and TIFF pictures: pixels upright and
// transparency on white, the EXIF kept as the copy needs it, the colour
// profile kept, unreadable files refused with a Japanese reason. HEIC
// files are made with the real heif-enc.

#include <QBuffer>
#include <QColorSpace>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtConcurrent>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#include <libheif/heif.h>
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include "store/convert/jpeg_copy.h"
#include "store/pictures/heif_picture.h"
#include "store/pictures/other_formats.h"

namespace {

const QColor kTopLeft(Qt::red), kTopRight(Qt::green), kBottomLeft(Qt::blue), kBottomRight(Qt::yellow);

// An upright picture with one colour per quarter; `clear` makes the bottom
// right quarter transparent.
QImage quarters(int width, int height, bool clear = false, QImage::Format format = QImage::Format_ARGB32) {
  QImage image(width, height, format);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const bool right = x >= width / 2, bottom = y >= height / 2;
      QColor c = bottom ? (right ? kBottomRight : kBottomLeft) : (right ? kTopRight : kTopLeft);
      if (clear && right && bottom) c = QColor(0, 0, 0, 0);
      image.setPixelColor(x, y, c);
    }
  }
  return image;
}

void set_exif(const QString& path, int orientation) {
  Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(path.toStdString());
  Exiv2::ExifData exif;
  exif["Exif.Image.Model"] = "iPhone 13";
  exif["Exif.Image.PageName"] = "dropped";
  exif["Exif.Image.Orientation"] = uint16_t(orientation);
  exif["Exif.Photo.DateTimeOriginal"] = "2026:05:20 09:03:05";
  exif["Exif.Photo.OffsetTimeOriginal"] = "+09:00";
  exif["Exif.GPSInfo.GPSLatitudeRef"] = "N";
  image->setExifData(exif);
  image->writeMetadata();
}

Exiv2::ExifData exif_of(const QByteArray& bytes) {
  Exiv2::Image::AutoPtr image =
      Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte*>(bytes.constData()), long(bytes.size()));
  image->readMetadata();
  return image->exifData();
}

QString tag(const Exiv2::ExifData& exif, const char* key) {
  const auto found = exif.findKey(Exiv2::ExifKey(key));
  return found == exif.end() ? QString() : QString::fromStdString(found->toString());
}

// A HEIC whose colour is told by nclx primaries alone, as some Android
// phones write it. heif-enc 1.15 writes no nclx box for RGB input (a
// workaround for macOS), so the picture is encoded with libheif here.
bool write_nclx_heic(const QImage& rgb, int primaries, const QString& path) {
#if defined(__SANITIZE_ADDRESS__)
  // The x265 encoder keeps a block of its own for the rest of the process;
  // it is the encoder's, used here only to make the test picture, and is
  // not counted as this program's leak.
  const __lsan::ScopedDisabler encoder_blocks;
#endif
  heif_context* context = heif_context_alloc();
  heif_encoder* encoder = nullptr;
  heif_image* image = nullptr;
  heif_color_profile_nclx* nclx = heif_nclx_color_profile_alloc();
  heif_encoding_options* options = heif_encoding_options_alloc();
  bool ok = heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder).code == heif_error_Ok &&
            heif_image_create(rgb.width(), rgb.height(), heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image).code ==
                heif_error_Ok &&
            heif_image_add_plane(image, heif_channel_interleaved, rgb.width(), rgb.height(), 8).code == heif_error_Ok;
  if (ok) {
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    const QImage rows = rgb.convertToFormat(QImage::Format_RGB888);
    for (int y = 0; y < rows.height(); ++y) memcpy(plane + y * stride, rows.constScanLine(y), size_t(rows.width() * 3));
    nclx->color_primaries = heif_color_primaries(primaries);
    nclx->transfer_characteristics = heif_transfer_characteristic_IEC_61966_2_1;
    nclx->matrix_coefficients = heif_matrix_coefficients_ITU_R_BT_601_6;
    options->macOS_compatibility_workaround_no_nclx_profile = 0;
    options->output_nclx_profile = nclx;
    ok = heif_image_set_nclx_color_profile(image, nclx).code == heif_error_Ok &&
         heif_context_encode_image(context, image, encoder, options, nullptr).code == heif_error_Ok &&
         heif_context_write_to_file(context, path.toLocal8Bit().constData()).code == heif_error_Ok;
  }
  heif_encoding_options_free(options);
  heif_nclx_color_profile_free(nclx);
  if (image != nullptr) heif_image_release(image);
  if (encoder != nullptr) heif_encoder_release(encoder);
  heif_context_free(context);
  return ok;
}

class TestJpegCopy : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;

  QString path(const QString& name) const { return dir_.filePath(name); }

  void heif_enc(const QStringList& args, const QString& in, const QString& out) {
    QProcess p;
    p.start(QStringLiteral("heif-enc"), args + QStringList{QStringLiteral("-o"), out, in});
    QVERIFY(p.waitForFinished(60000));
    QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
  }

  // The pictures the tables name, made from `upright` (64 x 48 quarters).
  QString source(const QString& kind) {
    const QImage upright = quarters(64, 48);
    const QString out = path(kind);
    if (kind == QLatin1String("phone.heic") || kind == QLatin1String("exif-only.heic")) {
      // Stored on its side, as a phone's sensor gives it, with EXIF
      // Orientation 6. heif-enc 1.15 keeps the pixels and the EXIF as they
      // are and writes no rotation into the container; a phone writes an
      // irot box, which is put in here in place of the pixi box (same size,
      // not needed for decoding).
      const QString jpeg = path(kind + QStringLiteral(".jpg"));
      upright.transformed(QTransform().rotate(-90)).save(jpeg, "JPEG", 95);
      set_exif(jpeg, 6);
      heif_enc({QStringLiteral("-q"), QStringLiteral("90")}, jpeg, out);
      if (kind == QLatin1String("phone.heic")) {
        QFile f(out);
        f.open(QIODevice::ReadWrite);
        QByteArray bytes = f.readAll();
        const qsizetype at = bytes.indexOf("pixi");
        bytes.replace(at, 5, QByteArray("irot\x03", 5));  // 270 degrees anticlockwise
        f.seek(0);
        f.write(bytes);
      }
    } else if (kind == QLatin1String("10bit.heic")) {
      const QString png = path(QStringLiteral("16bit.png"));
      quarters(64, 48, false, QImage::Format_RGBX64).save(png);
      heif_enc({QStringLiteral("-b"), QStringLiteral("10"), QStringLiteral("--no-alpha")}, png, out);
    } else if (kind == QLatin1String("alpha.heic")) {
      const QString png = path(QStringLiteral("alpha-source.png"));
      quarters(64, 48, true).save(png);
      heif_enc({QStringLiteral("-q"), QStringLiteral("90")}, png, out);
    } else if (kind == QLatin1String("alpha.png")) {
      quarters(64, 48, true).save(out);
      set_exif(out, 1);
    } else if (kind == QLatin1String("jpeg.heic")) {
      upright.save(out, "JPEG", 95);
    } else {
      upright.save(out);  // .webp, .tiff: Qt's image plug-ins
    }
    return out;
  }

 private Q_SLOTS:
  void initTestCase() { QVERIFY(dir_.isValid()); }

  void init() {
    if (QTest::currentTestFunction() != QLatin1String("tiff_of_heif_exif") &&
        QStandardPaths::findExecutable(QStringLiteral("heif-enc")).isEmpty()) {
      QSKIP("heif-enc is missing: install the Debian package libheif-examples to make the HEIC test pictures");
    }
  }

  void copies_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QList<QColor>>("corners");  // top left, top right, bottom left, bottom right
    const QList<QColor> upright{kTopLeft, kTopRight, kBottomLeft, kBottomRight};
    QTest::newRow("HEIC turned by its container") << "phone.heic" << QSize(64, 48) << upright;
    // The EXIF orientation of a HEIC file only describes; libheif does not
    // turn it, so neither does the copy (nor does it turn it twice above).
    QTest::newRow("HEIC with EXIF orientation only")
        << "exif-only.heic" << QSize(48, 64) << QList<QColor>{kTopRight, kBottomRight, kTopLeft, kBottomLeft};
    QTest::newRow("10-bit HEIC") << "10bit.heic" << QSize(64, 48) << upright;
    const QList<QColor> on_white{kTopLeft, kTopRight, kBottomLeft, Qt::white};
    QTest::newRow("HEIC with alpha") << "alpha.heic" << QSize(64, 48) << on_white;
    QTest::newRow("PNG with alpha") << "alpha.png" << QSize(64, 48) << on_white;
    QTest::newRow("WebP") << "plain.webp" << QSize(64, 48) << upright;
    QTest::newRow("JPEG named .heic") << "jpeg.heic" << QSize(64, 48) << upright;
    QTest::newRow("TIFF") << "plain.tiff" << QSize(64, 48) << upright;
  }

  void copies() {
    QFETCH(QString, kind);
    QFETCH(QSize, size);
    QFETCH(QList<QColor>, corners);
    const store::JpegCopy copy = store::make_jpeg_copy(source(kind));
    QVERIFY2(copy.why.isEmpty(), qPrintable(copy.why));
    QVERIFY(copy.bytes.startsWith("\xFF\xD8\xFF"));
    // Read as stored: the copy must be upright without any turning.
    QBuffer buffer(const_cast<QByteArray*>(&copy.bytes));
    QImageReader reader(&buffer, "jpeg");
    reader.setAutoTransform(false);
    const QImage image = reader.read();
    QCOMPARE(image.size(), size);
    const int w = size.width(), h = size.height();
    const QPoint points[] = {{w / 4, h / 4}, {3 * w / 4, h / 4}, {w / 4, 3 * h / 4}, {3 * w / 4, 3 * h / 4}};
    for (int i = 0; i < 4; ++i) {
      const QColor got = image.pixelColor(points[i]), want = corners[i];
      const int off = qMax(qAbs(got.red() - want.red()), qMax(qAbs(got.green() - want.green()), qAbs(got.blue() - want.blue())));
      QVERIFY2(off < 40, qPrintable(QStringLiteral("corner %1: %2, want %3").arg(i).arg(got.name(), want.name())));
    }
  }

  void exif_kept_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QSize>("size");
    QTest::newRow("HEIC") << "phone.heic" << QSize(64, 48);
    QTest::newRow("PNG") << "alpha.png" << QSize(64, 48);
  }

  void exif_kept() {
    QFETCH(QString, kind);
    QFETCH(QSize, size);
    const QString original = source(kind);
    const store::PhotoHead head = store::read_convertible_head(original);
    QVERIFY(head.picture_data);
    QCOMPARE(head.size, QFileInfo(original).size());
    QCOMPARE(head.exif.when(), QDateTime(QDate(2026, 5, 20), QTime(9, 3, 5), Qt::OffsetFromUTC, 9 * 3600));

    const Exiv2::ExifData exif = exif_of(store::make_jpeg_copy(original).bytes);
    QCOMPARE(tag(exif, "Exif.Photo.DateTimeOriginal"), QStringLiteral("2026:05:20 09:03:05"));
    QCOMPARE(tag(exif, "Exif.Photo.OffsetTimeOriginal"), QStringLiteral("+09:00"));
    QCOMPARE(tag(exif, "Exif.Image.Model"), QStringLiteral("iPhone 13"));
    QCOMPARE(tag(exif, "Exif.GPSInfo.GPSLatitudeRef"), QStringLiteral("N"));
    QCOMPARE(tag(exif, "Exif.Image.Orientation"), QStringLiteral("1"));
    QCOMPARE(tag(exif, "Exif.Photo.PixelXDimension"), QString::number(size.width()));
    QCOMPARE(tag(exif, "Exif.Photo.PixelYDimension"), QString::number(size.height()));
    QCOMPARE(tag(exif, "Exif.Image.PageName"), QString());
    for (const Exiv2::Exifdatum& datum : exif) QVERIFY(datum.groupName() != "Thumbnail");
  }

  void colour_profile_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("heif_enc");  // empty: the PNG is converted itself; "nclx": see above
    QTest::newRow("HEIC with an ICC profile") << "p3-icc.heic" << QStringList{QStringLiteral("-q"), QStringLiteral("90")};
    QTest::newRow("HEIC with nclx primaries") << "p3-nclx.heic" << QStringList{QStringLiteral("nclx")};
    QTest::newRow("PNG with an ICC profile") << "p3.png" << QStringList();
  }

  void colour_profile() {
    QFETCH(QString, kind);
    QFETCH(QStringList, heif_enc);
    QImage p3 = quarters(64, 48, false, QImage::Format_RGB32);
    const QString png = path(kind + QStringLiteral(".png"));
    p3.setColorSpace(QColorSpace::DisplayP3);
    QVERIFY(p3.save(png));
    QString original = png;
    if (heif_enc == QStringList{QStringLiteral("nclx")}) {
      original = path(kind);
      QVERIFY(write_nclx_heic(p3, heif_color_primaries_SMPTE_EG_432_1, original));
    } else if (!heif_enc.isEmpty()) {
      original = path(kind);
      this->heif_enc(heif_enc, png, original);
    }
    const store::JpegCopy copy = store::make_jpeg_copy(original);
    QVERIFY2(copy.why.isEmpty(), qPrintable(copy.why));
    const QImage back = QImage::fromData(copy.bytes, "JPEG");
    QVERIFY(!back.colorSpace().iccProfile().isEmpty());
    QCOMPARE(back.colorSpace(), QColorSpace(QColorSpace::DisplayP3));
  }

  void unreadable_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");  // empty: the first half of a real HEIC
    QTest::addColumn<QString>("reason");    // a part of the reason
    QTest::newRow("HEIC cut short") << "cut.heic" << QByteArray() << QStringLiteral("途中で切れています");
    QTest::newRow("no picture named .heic") << "garbage.heic" << QByteArray(300, 'x') << QStringLiteral("読み込めませんでした");
    QTest::newRow("HEIF box, no HEIC inside")
        << "boxes.heic" << QByteArray("\0\0\0\x10" "ftypheic\0\0\0\0" "\0\0\0\x08" "mdat", 24) << QStringLiteral("読み込めませんでした");
    QTest::newRow("no PNG inside") << "garbage.png" << QByteArray("not a png") << QStringLiteral("読み込めませんでした");
  }

  void unreadable() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    if (bytes.isEmpty()) {
      QFile whole(source(QStringLiteral("phone.heic")));
      QVERIFY(whole.open(QIODevice::ReadOnly));
      bytes = whole.readAll();
      bytes.truncate(bytes.size() / 2);
    }
    QFile f(path(name));
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
    f.close();
    const store::JpegCopy copy = store::make_jpeg_copy(f.fileName());
    QVERIFY(copy.bytes.isEmpty());
    QVERIFY2(copy.why.contains(reason), qPrintable(copy.why));
    const store::PhotoHead head = store::read_convertible_head(f.fileName());
    QVERIFY(!head.picture_data);
    QVERIFY2(head.why.contains(reason), qPrintable(head.why));
    if (bytes.mid(4, 4) == "ftyp") QCOMPARE(store::read_heif_head(bytes).why, head.why);
  }

  void tiff_of_heif_exif_data() {
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<QByteArray>("tiff");
    const QByteArray tiff("MM\0*\0\0\0\x08rest", 12);
    QTest::newRow("offset right") << QByteArray("\0\0\0\x06" "Exif\0\0", 10) + tiff << tiff;
    QTest::newRow("offset wrong: searched") << QByteArray("\0\0\0\x02" "Exif\0\0", 10) + tiff << tiff;
    QTest::newRow("little-endian, offset past the end")
        << QByteArray("\0\0\x10\0" "II*\0\x08\0\0\0", 12) << QByteArray("II*\0\x08\0\0\0", 8);
    QTest::newRow("no header") << QByteArray("\0\0\0\0" "Exif\0\0MM\0", 13) << QByteArray();
    QTest::newRow("shorter than 4 bytes") << QByteArray("II*", 3) << QByteArray();
  }

  void tiff_of_heif_exif() {
    QFETCH(QByteArray, block);
    QFETCH(QByteArray, tiff);
    QCOMPARE(store::tiff_of_heif_exif(block), tiff);
  }

  // A picture above the limit is refused before its pixels are decoded.
  void pixel_limit() {
    const QString heic = source(QStringLiteral("alpha.heic"));
    const store::HeifPicture at_limit = store::decode_heif(heic, 64 * 48);
    QVERIFY2(at_limit.ok(), qPrintable(at_limit.why));
    QCOMPARE(QSize(at_limit.width, at_limit.height), QSize(64, 48));
    QVERIFY(at_limit.has_alpha);
    const store::HeifPicture above = store::decode_heif(heic, 64 * 48 - 1);
    QVERIFY(!above.ok());
    QVERIFY2(above.why.contains(QStringLiteral("大きすぎます")), qPrintable(above.why));
  }

  // Two worker threads convert at once: each copy as made alone.
  void parallel() {
    const QStringList sources{source(QStringLiteral("phone.heic")), source(QStringLiteral("alpha.png")),
                              source(QStringLiteral("alpha.heic")), source(QStringLiteral("plain.webp"))};
    QList<QByteArray> alone;
    for (const QString& s : sources) alone << store::make_jpeg_copy(s).bytes;
    QThreadPool pool;
    pool.setMaxThreadCount(2);
    for (int round = 0; round < 3; ++round) {
      const QList<QByteArray> together = QtConcurrent::blockingMapped<QList<QByteArray>>(
          &pool, sources, [](const QString& s) { return store::make_jpeg_copy(s).bytes; });
      QCOMPARE(together, alone);
    }
  }
};

}  // namespace

QTEST_GUILESS_MAIN(TestJpegCopy)
#include "test_jpeg_copy.moc"

#pragma GCC diagnostic pop
