// Fitting a picture into the picture area, and reading pictures safely.

#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

#include "ui/picture.h"

class TestPictureFit : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void fit_data() {
    QTest::addColumn<float>("pw");
    QTest::addColumn<float>("ph");
    QTest::addColumn<float>("bw");
    QTest::addColumn<float>("bh");
    QTest::addColumn<float>("width");
    QTest::addColumn<float>("height");
    QTest::addColumn<bool>("scaled");
    QTest::newRow("fits: own size") << 200.F << 100.F << 1000.F << 1000.F << 200.F << 100.F << false;
    QTest::newRow("exactly the area") << 2000.F << 1000.F << 2000.F << 1000.F << 2000.F << 1000.F << false;
    QTest::newRow("too wide: halved") << 4000.F << 1500.F << 2000.F << 1000.F << 2000.F << 750.F << true;
    QTest::newRow("too tall: a third") << 1000.F << 3000.F << 2000.F << 1000.F << 1000.F / 3.F << 1000.F << true;
    QTest::newRow("too tall only") << 500.F << 2000.F << 3675.F << 1000.F << 250.F << 1000.F << true;
  }

  void fit() {
    QFETCH(float, pw);
    QFETCH(float, ph);
    QFETCH(float, bw);
    QFETCH(float, bh);
    QFETCH(float, width);
    QFETCH(float, height);
    QFETCH(bool, scaled);
    const ui::FittedSize fitted = ui::fit_size(pw, ph, bw, bh);
    QCOMPARE(fitted.scaled, scaled);
    QVERIFY(qAbs(fitted.width - width) < 0.01F);
    QVERIFY(qAbs(fitted.height - height) < 0.01F);
    QVERIFY(fitted.width <= bw + 0.01F || !scaled);
    QVERIFY(fitted.height <= bh + 0.01F || !scaled);
  }

  void picture_area_of_the_design_window() {
    QCOMPARE(ui::picture_area_width(9450.F), 3675.F);
    QCOMPARE(ui::picture_area_width(10450.F), 4175.F);
    QCOMPARE(ui::picture_area_height(6975.F, 2295.F), 2305.F);
  }

  void only_decodable_regular_files_load() {
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("good.jpg"));
    QImage image(300, 200, QImage::Format_RGB32);
    image.fill(Qt::red);
    QVERIFY(image.save(good, "JPEG"));
    const ui::PictureProbe probe = ui::probe_picture(good);
    QVERIFY(probe.readable);
    QCOMPARE(probe.size, QSize(300, 200));
    QCOMPARE(ui::load_picture(good, QSize(150, 100)).size(), QSize(150, 100));

    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.jpg")));
    QFile empty(dir.filePath(QStringLiteral("empty.jpg")));
    QVERIFY(empty.open(QIODevice::WriteOnly));
    empty.close();
    for (const QString& bad : {dir.filePath(QStringLiteral("folder.jpg")), dir.filePath(QStringLiteral("empty.jpg")),
                               dir.filePath(QStringLiteral("missing.jpg"))}) {
      QVERIFY2(!ui::probe_picture(bad).readable, qPrintable(bad));
      QVERIFY2(ui::load_picture(bad).isNull(), qPrintable(bad));
    }
  }
};

QTEST_MAIN(TestPictureFit)
#include "test_picture_fit.moc"
