// Qt's own texts speak Japanese: the message boxes label their buttons
// themselves, and with Qt's Japanese translations installed the context
// menus of the text boxes do too, and the file dialogs name folders and
// file types in Japanese.

#include <QAbstractButton>
#include <QAbstractFileIconProvider>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "ui/message_service.h"
#include "ui/translations.h"

class TestQtTexts : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void texts_data() {
    QTest::addColumn<bool>("translated");
    // Rows run in order: the translations are installed for the second.
    QTest::newRow("Qt's translations not loaded") << false;
    QTest::newRow("Qt's translations loaded") << true;
  }

  void texts() {
    QFETCH(bool, translated);
    if (translated) QVERIFY2(!ui::install_japanese_translations(*qApp).isEmpty(), "qtbase_ja.qm not found");

    // Notes the buttons of the box about to open and presses `answer`.
    QStringList seen;
    const auto answer_with = [&seen](const QString& answer) {
      QTimer::singleShot(0, [&seen, answer] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        for (QAbstractButton* b : box->buttons()) seen << b->text();
        for (QAbstractButton* b : box->buttons()) {
          if (b->text() == answer) b->click();
        }
      });
    };
    ui::QtMessageService messages;
    answer_with(QStringLiteral("いいえ(&N)"));
    QVERIFY(!messages.ask(nullptr, QStringLiteral("終了しますか？"), QStringLiteral("Verdalis"), true));
    answer_with(QStringLiteral("はい(&Y)"));
    QVERIFY(messages.ask(nullptr, QStringLiteral("削除しますか？"), QStringLiteral("Verdalis"), false));
    answer_with(QStringLiteral("OK"));
    messages.inform(nullptr, QStringLiteral("がありません。"), QStringLiteral("Verdalis"));
    QCOMPARE(seen, (QStringList{"はい(&Y)", "いいえ(&N)", "はい(&Y)", "いいえ(&N)", "OK"}));

    if (!translated) return;
    QLineEdit line;
    QPlainTextEdit body;
    for (QMenu* menu : {line.createStandardContextMenu(), body.createStandardContextMenu()}) {
      QStringList texts;
      for (const QAction* a : menu->actions()) texts << a->text().section(QLatin1Char('\t'), 0, 0);
      delete menu;
      QVERIFY2(texts.contains(QStringLiteral("コピー(&C)")), qPrintable(texts.join(QLatin1Char('|'))));
      QVERIFY2(texts.contains(QStringLiteral("すべてを選択")), qPrintable(texts.join(QLatin1Char('|'))));
    }

    // The file dialogs' type column, which Qt's own translations miss.
    QTemporaryDir dir;
    QFile photo(dir.filePath(QStringLiteral("rose.jpg")));
    QVERIFY(photo.open(QIODevice::WriteOnly));
    photo.close();
    const QAbstractFileIconProvider types;
    QCOMPARE(types.type(QFileInfo(dir.path())), QStringLiteral("フォルダ"));
    QVERIFY2(types.type(QFileInfo(photo.fileName())).startsWith(QStringLiteral("JPEG 画像")),
             qPrintable(types.type(QFileInfo(photo.fileName()))));
  }
};

QTEST_MAIN(TestQtTexts)
#include "test_qt_texts.moc"
