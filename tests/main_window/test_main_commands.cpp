// The main window's hints, menu bar, usage guide and quit items.

#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QDesktopServices>
#include <QUrl>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "data_dir.h"
#include "main_window/main_form.h"
#include "main_window/tools_menu.h"
#include "main_window/memo_grid.h"
#include "recording_messages.h"

namespace {

struct Fixture {
  Fixture() : state(dir.path() + QLatin1Char('/')), form(state, messages) { loaded = form.Form_Load(); }
  QTemporaryDir dir;
  RecordingMessages messages;
  store::AppState state;
  Main_form form;
  bool loaded = false;
};

void move_mouse_over(QWidget* w) {
  QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), w->mapToGlobal(QPointF(2, 2)), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QApplication::sendEvent(w, &move);
}

// Stands in for the desktop: records the files it is asked to open.
class OpenedFiles : public QObject {
  Q_OBJECT
 public Q_SLOTS:
  void open(const QUrl& url) { urls.append(url); }

 public:
  QList<QUrl> urls;
};

}  // namespace

class TestMainCommands : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void hints_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("hint");
    QTest::addColumn<QString>("spoken");  // what a screen reader names it, where it has no label
    QTest::newRow("Label1") << "Label1" << QStringLiteral("指定した場所の項目だけを表示します。") << QString();
    QTest::newRow("Label2") << "Label2" << QStringLiteral("指定した品種の項目だけを表示します。") << QString();
    QTest::newRow("Command2") << "Command2" << QStringLiteral("場所・品種の選択を解除します。") << QString();
    QTest::newRow("Command6") << "Command6" << QStringLiteral("新しい項目を登録します。") << QString();
    QTest::newRow("Command7") << "Command7" << QStringLiteral("現在選択されている項目を削除します。") << QString();
    QTest::newRow("Command8") << "Command8" << QStringLiteral("現在選択されている項目を訂正します。") << QString();
    QTest::newRow("Grid1") << "Grid1" << QStringLiteral("クリックした項目のメモ･画像を表示します。(ﾀﾞﾌﾞﾙｸﾘｯｸで訂正)") << QStringLiteral("メモの一覧");
    QTest::newRow("List1") << "List1" << QStringLiteral("クリックするとその画像を表示します。(ﾀﾞﾌﾞﾙｸﾘｯｸで原寸表示)") << QStringLiteral("画像のタイトル");
    QTest::newRow("Text2") << "Text2" << QStringLiteral("上のリストで選択した項目のメモを表示するエリアです。") << QStringLiteral("メモの本文");
    QTest::newRow("Image1") << "Image1" << QStringLiteral("画像を表示するエリアです。(ﾀﾞﾌﾞﾙｸﾘｯｸで原寸表示)") << QStringLiteral("画像");
    QTest::newRow("Text1") << "Text1" << QStringLiteral("【Verdalis】の機能・使用法のガイダンスを表示します。") << QStringLiteral("ヒント");
    QTest::newRow("bare surface") << "client" << QString() << QString();
  }

  void hints() {
    QFETCH(QString, control);
    QFETCH(QString, hint);
    QFETCH(QString, spoken);
    Fixture f;
    f.form.Text1->setText(QStringLiteral("before"));
    QWidget* w = f.form.findChild<QWidget*>(control);
    QVERIFY(w);
    if (!spoken.isEmpty()) QCOMPARE(QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name), spoken);
    // Scrolling views receive the mouse in their viewport.
    if (auto* area = qobject_cast<QAbstractScrollArea*>(w)) w = area->viewport();
    move_mouse_over(w);
    QCOMPARE(f.form.Text1->text(), hint);
  }

  // The hint, and what a screen reader says of the box with the focus.
  void filter_boxes_hint_and_speak_on_focus() {
    Fixture f;
    f.form.show();
    QVERIFY(QTest::qWaitForWindowActive(&f.form));
    const auto spoken = [] {
      const QAccessibleInterface* box = QAccessible::queryAccessibleInterface(QApplication::focusWidget());
      return box->text(QAccessible::Name) + u'|' + box->text(QAccessible::Description);
    };
    f.form.Combo2->setFocus();
    QCOMPARE(f.form.Text1->text(), QStringLiteral("指定した品種の項目だけを表示します。"));
    QCOMPARE(spoken(), QStringLiteral("品種|指定した品種の項目だけを表示します。"));
    f.form.Combo1->setFocus();
    QCOMPARE(f.form.Text1->text(), QStringLiteral("指定した場所の項目だけを表示します。"));
    QCOMPARE(spoken(), QStringLiteral("場所|指定した場所の項目だけを表示します。"));
    // The hint box hands its focus on to "登録".
    f.form.Text1->setFocus();
    QCOMPARE(QApplication::focusWidget(), f.form.Command6);
  }

  void the_menu_bar() {
    Fixture f;
    QStringList top;
    for (QAction* a : f.form.menuBar()->actions()) top << a->text();
    QCOMPARE(top, (QStringList{QStringLiteral("ﾌｧｲﾙ(&F)"), QStringLiteral("全文検索(&Z)"),
                               QStringLiteral("場所･品種の編集(&E)"), QStringLiteral("ツール(&T)"),
                               QStringLiteral("使い方(&U)"), QStringLiteral("終了(&Q)")}));
    QCOMPARE(f.form.tools().Menu_tool->actions().first()->text(), QStringLiteral("画像の所在確認(&L)..."));
    QCOMPARE(f.form.Menu_file->actions().first()->text(), QStringLiteral("終了(&Q)"));
    QStringList categories;
    for (QAction* a : f.form.Menu_bunrui_edit->actions()) categories << a->text();
    QCOMPARE(categories, (QStringList{QStringLiteral("場所の編集(&B)"), QStringLiteral("品種の編集(&H)")}));
  }

  void a_missing_usage_guide_is_named() {
    Fixture f;
    QTemporaryDir elsewhere;
    const QString before = QDir::currentPath();
    QDir::setCurrent(elsewhere.path());
    f.form.menu_tukaikata_Click();
    QDir::setCurrent(before);
    QCOMPARE(f.messages.log.size(), 1);
    QCOMPARE(f.messages.log[0].text, QStringLiteral("hana.docファイルが無いので、使い方を表示できません。"));
    QCOMPARE(f.messages.log[0].title, QStringLiteral("Verdalis"));
  }

  // The guide is found by its bare name in the current directory, which is
  // the program's folder when it is started from the menu or by run.sh, and
  // handed to the desktop to open; where the data lives does not matter.
  void the_usage_guide_is_opened_from_the_current_directory_data() {
    QTest::addColumn<bool>("in_current_dir");
    QTest::addColumn<bool>("in_data_dir");
    QTest::newRow("current directory") << true << false;
    QTest::newRow("data directory only") << false << true;
  }

  void the_usage_guide_is_opened_from_the_current_directory() {
    QFETCH(bool, in_current_dir);
    QFETCH(bool, in_data_dir);
    Fixture f;
    QTemporaryDir current;
    if (in_current_dir) QVERIFY(testing_support::write_bytes(current.filePath(QStringLiteral("hana.doc")), "{\\rtf1}"));
    if (in_data_dir) QVERIFY(testing_support::write_bytes(f.state.data_dir + QStringLiteral("hana.doc"), "{\\rtf1}"));
    OpenedFiles desktop;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &desktop, "open");
    const QString before = QDir::currentPath();
    QDir::setCurrent(current.path());
    f.form.menu_tukaikata->trigger();
    QDir::setCurrent(before);
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    if (in_current_dir) {
      QCOMPARE(desktop.urls, QList<QUrl>{QUrl::fromLocalFile(current.filePath(QStringLiteral("hana.doc")))});
      QVERIFY(f.messages.log.isEmpty());
    } else {
      QVERIFY(desktop.urls.isEmpty());
      QCOMPARE(f.messages.log.size(), 1);
    }
  }

  void both_quit_items_write_the_files_once() {
    for (const bool file_menu : {true, false}) {
      Fixture f;
      const QString ini = f.state.data_dir + QStringLiteral("flower.ini");
      QVERIFY(QFile::remove(ini));
      file_menu ? f.form.Menu_file_quit->trigger() : f.form.Menu_quit->trigger();
      QVERIFY(QFile::exists(ini));
      // A close after the quit item does not write again.
      QVERIFY(QFile::remove(ini));
      f.form.close();
      QVERIFY(!QFile::exists(ini));
    }
  }
};

QTEST_MAIN(TestMainCommands)
#include "test_main_commands.moc"
