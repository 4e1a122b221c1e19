// Qt's own texts speak Japanese: the message boxes label their buttons
// themselves, and with Qt's Japanese translations installed the context
// menus of the text boxes do too.

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTimer>
#include <QtTest>
#include <memory>

#include "ui/message_service.h"
#include "ui/translations.h"

namespace {

QStringList menu_texts(QMenu* menu) {
  QStringList out;
  for (const QAction* a : menu->actions()) {
    if (!a->isSeparator()) out << a->text().section(QLatin1Char('\t'), 0, 0);
  }
  delete menu;
  return out;
}

}  // namespace

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

    ui::QtMessageService messages;
    auto seen = std::make_shared<QStringList>();
    const auto watch = [seen](const QString& answer) {
      QTimer::singleShot(0, [seen, answer] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        for (QAbstractButton* b : box->buttons()) *seen << b->text();
        for (QAbstractButton* b : box->buttons()) {
          if (b->text() == answer) b->click();
        }
      });
    };
    watch(QStringLiteral("いいえ(&N)"));
    QVERIFY(!messages.ask(nullptr, QStringLiteral("終了しますか？"), QStringLiteral("Verdalis"), true));
    watch(QStringLiteral("はい(&Y)"));
    QVERIFY(messages.ask(nullptr, QStringLiteral("削除しますか？"), QStringLiteral("Verdalis"), false));
    watch(QStringLiteral("OK"));
    messages.inform(nullptr, QStringLiteral("がありません。"), QStringLiteral("Verdalis"));
    seen->sort();
    QCOMPARE(*seen, (QStringList{"OK", "いいえ(&N)", "いいえ(&N)", "はい(&Y)", "はい(&Y)"}));

    if (!translated) return;
    QLineEdit line;
    const QStringList line_menu = menu_texts(line.createStandardContextMenu());
    QPlainTextEdit body;
    const QStringList body_menu = menu_texts(body.createStandardContextMenu());
    for (const QStringList& menu : {line_menu, body_menu}) {
      QVERIFY2(menu.contains(QStringLiteral("コピー(&C)")), qPrintable(menu.join(QLatin1Char('|'))));
      QVERIFY2(menu.contains(QStringLiteral("貼り付け(&P)")), qPrintable(menu.join(QLatin1Char('|'))));
      for (const QString& text : menu) {
        for (const char* english : {"Copy", "Paste", "Select All", "Undo", "Redo", "Cu&t", "Delete"}) {
          QVERIFY2(!text.contains(QLatin1String(english)), qPrintable(text));
        }
      }
    }
  }
};

QTEST_MAIN(TestQtTexts)
#include "test_qt_texts.moc"
