// The platform the program starts on: xcb in a Wayland session that has an
// X server too, Qt's own choice otherwise, and the user's choice always.

#include <QtTest>

#include "ui/platform_choice.h"

class TestPlatformChoice : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void chosen_platform_data() {
    QTest::addColumn<QByteArray>("qpa_platform");
    QTest::addColumn<QByteArray>("wayland_display");
    QTest::addColumn<QByteArray>("display");
    QTest::addColumn<QList<QByteArray>>("arguments");
    QTest::addColumn<QByteArray>("chosen");
    const QList<QByteArray> plain{"verdalis"};
    QTest::newRow("wayland with xwayland") << QByteArray() << QByteArray("wayland-0") << QByteArray(":0") << plain
                                           << QByteArray("xcb;wayland");
    QTest::newRow("wayland alone") << QByteArray() << QByteArray("wayland-0") << QByteArray() << plain << QByteArray();
    QTest::newRow("x11 alone") << QByteArray() << QByteArray() << QByteArray(":0") << plain << QByteArray();
    QTest::newRow("neither") << QByteArray() << QByteArray() << QByteArray() << plain << QByteArray();
    QTest::newRow("user asks wayland") << QByteArray("wayland") << QByteArray("wayland-0") << QByteArray(":0")
                                       << plain << QByteArray();
    QTest::newRow("user asks offscreen") << QByteArray("offscreen") << QByteArray("wayland-0") << QByteArray(":0")
                                         << plain << QByteArray();
    QTest::newRow("-platform on the command line")
        << QByteArray() << QByteArray("wayland-0") << QByteArray(":0")
        << QList<QByteArray>{"verdalis", "-platform", "wayland"} << QByteArray();
    QTest::newRow("--platform on the command line")
        << QByteArray() << QByteArray("wayland-0") << QByteArray(":0")
        << QList<QByteArray>{"verdalis", "--platform", "wayland"} << QByteArray();
    // Only an argument counts, not the program's own name.
    QTest::newRow("program named -platform") << QByteArray() << QByteArray("wayland-0") << QByteArray(":0")
                                             << QList<QByteArray>{"-platform"} << QByteArray("xcb;wayland");
  }
  void chosen_platform() {
    QFETCH(QByteArray, qpa_platform);
    QFETCH(QByteArray, wayland_display);
    QFETCH(QByteArray, display);
    QFETCH(QList<QByteArray>, arguments);
    QFETCH(QByteArray, chosen);
    QCOMPARE(ui::chosen_platform(qpa_platform, wayland_display, display, arguments), chosen);
  }

  // The choice reaches the environment Qt reads; the user's value stays.
  void the_environment_carries_the_choice() {
    char name[] = "verdalis";
    char* argv[] = {name, nullptr};
    qputenv("WAYLAND_DISPLAY", "wayland-0");
    qputenv("DISPLAY", ":0");
    qunsetenv("QT_QPA_PLATFORM");
    ui::choose_platform(1, argv);
    QCOMPARE(qgetenv("QT_QPA_PLATFORM"), QByteArray("xcb;wayland"));
    qputenv("QT_QPA_PLATFORM", "wayland");
    ui::choose_platform(1, argv);
    QCOMPARE(qgetenv("QT_QPA_PLATFORM"), QByteArray("wayland"));
  }
};

QTEST_GUILESS_MAIN(TestPlatformChoice)
#include "test_platform_choice.moc"
