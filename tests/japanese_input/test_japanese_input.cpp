// Japanese text typed through an input method reaches every entry box of
// the editor and the dialogs. An input method composes the text (the
// pre-edit string, underlined while the user converts) and then commits it;
// it only talks to the focused widget, and only when that widget says it
// takes input-method text. The test does what the platform's input context
// does: it gives the box the focus, asks the focus object whether input
// methods are enabled, and sends it the composing and the commit events.

#include <QApplication>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QInputMethodQueryEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextLayout>
#include <QtTest>
#include <functional>
#include <memory>

#include "categories/f_category.h"
#include "editor/f_kinyu.h"
#include "editor/f_title.h"
#include "main_window_fixture.h"
#include "picture_picker/f_picture.h"
#include "search/f_zenbun.h"

namespace {

// The text a box shows, whatever kind of box it is.
QString text_of(QWidget* w) {
  if (auto* line = qobject_cast<QLineEdit*>(w)) return line->text();
  if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->currentText();
  if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) return plain->toPlainText();
  if (auto* rich = qobject_cast<QTextEdit*>(w)) return rich->toPlainText();
  return QStringLiteral("<not an entry box>");
}

// The pre-edit string a box is showing, where the box lets us see it.
QString preedit_of(QWidget* w) {
  QTextDocument* doc = nullptr;
  QTextCursor cursor;
  if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) cursor = plain->textCursor(), doc = plain->document();
  if (auto* rich = qobject_cast<QTextEdit*>(w)) cursor = rich->textCursor(), doc = rich->document();
  if (!doc) return QString();
  return cursor.block().layout()->preeditAreaText();
}

// The window as its opener builds it, over the fixture's main window.
std::unique_ptr<QDialog> open_window(const QString& name, testing_support::MainWindowFixture& f, QListWidget& titles) {
  store::AppState& state = *f.state;
  Main_form& main = *f.form;
  if (name == QStringLiteral("F_kinyu")) return std::make_unique<F_kinyu>(state, f.messages, main);
  if (name == QStringLiteral("F_basyo")) return std::make_unique<F_basyo>(state, f.messages, main);
  if (name == QStringLiteral("F_hinsyu")) return std::make_unique<F_hinsyu>(state, f.messages, main);
  if (name == QStringLiteral("F_zenbun")) return std::make_unique<F_zenbun>(state, main);
  if (name == QStringLiteral("F_title")) {
    return std::make_unique<F_title>(QStringLiteral("旧"), QStringLiteral("/tmp/a.jpg"), f.messages, &main);
  }
  if (name == QStringLiteral("F_picture")) {
    return std::make_unique<F_picture>(state, f.messages, main, titles, QStringList{QStringLiteral("/")});
  }
  return nullptr;
}

// Shows the window, makes it active and gives the box the keyboard focus, as
// a click would; returns the object that input methods now talk to (the
// box, or the line edit of a combo box), or null when that is not the box.
QObject* give_focus(QDialog& dialog, QWidget* w) {
  dialog.show();
  QApplication::setActiveWindow(&dialog);
  if (!QTest::qWaitForWindowActive(&dialog)) return nullptr;
  w->setFocus(Qt::OtherFocusReason);
  QObject* focus = QGuiApplication::focusObject();
  auto* combo = qobject_cast<QComboBox*>(w);
  if (focus == w || (combo && focus == combo->lineEdit())) return focus;
  qWarning("the focus is on %s", focus ? qPrintable(focus->objectName()) : "nothing");
  return nullptr;
}

bool input_method_enabled(QObject* focus) {
  QInputMethodQueryEvent query(Qt::ImEnabled);
  QCoreApplication::sendEvent(focus, &query);
  return query.value(Qt::ImEnabled).toBool();
}

}  // namespace

class TestJapaneseInput : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void typing_through_an_input_method_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("box");
    const std::pair<const char*, const char*> boxes[] = {
        {"F_kinyu", "Combo1"}, {"F_kinyu", "Combo2"}, {"F_kinyu", "Text1"},   {"F_kinyu", "Text2"},
        {"F_kinyu", "Text3"},  {"F_basyo", "Text1"},  {"F_hinsyu", "Text1"},  {"F_title", "Text1"},
        {"F_zenbun", "Text1"}, {"F_picture", "Text1"}};
    for (const auto& [window, box] : boxes) QTest::addRow("%s %s", window, box) << window << box;
  }

  void typing_through_an_input_method() {
    QFETCH(QString, window);
    QFETCH(QString, box);
    testing_support::MainWindowFixture f;
    f.load();
    QVERIFY(f.loaded);
    f.state->EditMode = QStringLiteral("sinki");
    QListWidget titles;
    const std::unique_ptr<QDialog> dialog = open_window(window, f, titles);
    QVERIFY(dialog);
    auto* w = dialog->findChild<QWidget*>(box);
    QVERIFY2(w, "no such box");
    QCOMPARE(w->window(), dialog.get());

    // Nothing in the window turns input methods off.
    QVERIFY(w->testAttribute(Qt::WA_InputMethodEnabled));
    QVERIFY(!(w->inputMethodHints() & (Qt::ImhLatinOnly | Qt::ImhDigitsOnly | Qt::ImhFormattedNumbersOnly |
                                       Qt::ImhDialableCharactersOnly | Qt::ImhEmailCharactersOnly |
                                       Qt::ImhUrlCharactersOnly | Qt::ImhHiddenText | Qt::ImhSensitiveData)));

    QObject* focus = give_focus(*dialog, w);
    QVERIFY(focus);
    QVERIFY(input_method_enabled(focus));
    // The cursor after the text already there, nothing selected (typing
    // would replace a selection, as it should).
    if (auto* combo = qobject_cast<QComboBox*>(w)) combo->lineEdit()->end(false);
    if (auto* line = qobject_cast<QLineEdit*>(w)) line->end(false);
    if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) plain->moveCursor(QTextCursor::End);
    const QString before = text_of(w);

    // Composing: the reading is shown but not yet part of the text.
    QList<QInputMethodEvent::Attribute> attributes;
    attributes << QInputMethodEvent::Attribute(QInputMethodEvent::Cursor, 3, 1);
    QInputMethodEvent composing(QStringLiteral("にわの"), attributes);
    QCoreApplication::sendEvent(focus, &composing);
    QCOMPARE(text_of(w), before);
    if (qobject_cast<QPlainTextEdit*>(w)) QCOMPARE(preedit_of(w), QStringLiteral("にわの"));

    // Converting and committing: the kanji replace the reading.
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("庭の花"));
    QCoreApplication::sendEvent(focus, &commit);
    QCOMPARE(text_of(w), before + QStringLiteral("庭の花"));
    if (qobject_cast<QPlainTextEdit*>(w)) QCOMPARE(preedit_of(w), QString());

    // A second word goes after the first.
    QInputMethodEvent second;
    second.setCommitString(QStringLiteral("、ひまわり"));
    QCoreApplication::sendEvent(focus, &second);
    QCOMPARE(text_of(w), before + QStringLiteral("庭の花、ひまわり"));
  }
};

QTEST_MAIN(TestJapaneseInput)
#include "test_japanese_input.moc"
