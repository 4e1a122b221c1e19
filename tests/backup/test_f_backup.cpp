// "バックアップ" and "バックアップから復元" from the main window's ツール
// menu, opened with the mouse: the archive is written, a restore into the
// diary's own folder or a folder that is not empty asks for another one, a
// restore into a new folder gives a complete diary whose picture lists name
// the extracted pictures, and the restored program is started beside the
// running window when the user says yes. A wrong archive is refused before
// a folder is asked; a failed backup says why and offers the save dialog
// again; the outcome shows whole at any font size; the keyboard reaches
// every button.

#include <QDate>
#include <QDir>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "../store/backup/crafted_zip.h"
#include "backup/f_backup.h"
#include "backup/restored_copy.h"
#include "immutable_dir.h"
#include "main_window_fixture.h"
#include "main_window/tools_menu.h"
#include "store/backup/backup_names.h"
#include "layout_check.h"
#include "user_input.h"

using testing_support::cp932_lines;
using testing_support::read_bytes;
using testing_support::write_bytes;

namespace {

// Opens the ツール menu and clicks one of its items, as the mouse does.
void click_tool_item(Main_form& form, QAction* item) {
  QMenuBar* bar = form.menuBar();
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(form.tools().Menu_tool->menuAction()).center());
  QTRY_VERIFY(form.tools().Menu_tool->isVisible());
  QTest::mouseClick(form.tools().Menu_tool, Qt::LeftButton, {}, form.tools().Menu_tool->actionGeometry(item).center());
}

const QStringList kMemo{"2026/05/01", "花壇", "バラ", "咲いた", "1", "2026/05/01 10:00:00", "2026/05/01 10:00:00"};

// A backup of a one-memo diary, written by the store, for the restores.
QString backup_of(const testing_support::MainWindowFixture& f, const QString& where) {
  const std::atomic_bool go_on{false};
  const store::BackupPlan plan = store::plan_backup(f.dir_path, {{"1", "2026/05/01", "咲いた"}}, go_on);
  const QString zip = where + QStringLiteral("/backup.zip");
  return store::write_backup(plan, zip, go_on).ok ? zip : QString();
}

}  // namespace

class TestFBackup : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // At the default font and at a larger one, every line of each outcome
  // shows, at the window's first size and at its minimum size, and no
  // control overlaps another.
  void backing_up_and_restoring_through_the_menu_data() {
    QTest::addColumn<int>("points");
    QTest::newRow("9 pt") << 9;
    QTest::newRow("14 pt") << 14;
  }
  void backing_up_and_restoring_through_the_menu() {
    QFETCH(int, points);
    const testing_support::ScopedAppFont font(points);
    testing_support::MainWindowFixture f;
    QVERIFY(f.write_index({"2026/05/01", "花壇", "バラ", "咲いた", "1", "2026/05/01 10:00:00", "2026/05/01 10:00:00"}));
    QTemporaryDir elsewhere;
    const QString picture = elsewhere.filePath(QStringLiteral("庭/バラ.jpg"));
    QVERIFY(QDir().mkpath(QFileInfo(picture).path()));
    QVERIFY(write_bytes(picture, "jpeg bytes"));
    const QStringList gone{QStringLiteral("/なくなった/庭.jpg"), QStringLiteral("x")};
    QVERIFY(write_bytes(f.dir_path + "memo/g0000001.txt", cp932_lines(QStringList{picture, QStringLiteral("満開")} + gone)));
    Main_form& form = f.load();
    user_input::show_active(&form);
    const QByteArray index = read_bytes(f.state->flower_dat_path());

    const QString archive = elsewhere.filePath(QStringLiteral("b.zip"));
    QString proposed;
    form.tools().backup_choosers.save_archive = [&](QWidget*, const QString& p) {
      proposed = p;
      return elsewhere.filePath(QStringLiteral("b"));  // ".zip" is added
    };
    const QString restored = elsewhere.filePath(QStringLiteral("復元"));
    const QString full = elsewhere.filePath(QStringLiteral("庭"));
    QStringList folders{f.dir_path, full, restored};
    form.tools().backup_choosers.open_archive = [&](QWidget*) { return archive; };
    form.tools().backup_choosers.restore_folder = [&](QWidget*) { return folders.isEmpty() ? QString() : folders.takeFirst(); };
    QStringList started;
    form.tools().backup_choosers.start_program = [&](const QString& program, const QStringList& arguments,
                                                     const QString& folder) {
      started << program << arguments << folder;
      return true;
    };
    QStringList results;
    QList<bool> whole;
    form.run_modal = [&](QDialog& d) {
      auto* w = qobject_cast<F_backup*>(&d);
      if (!w) return 0;
      user_input::show_active(w);
      w->wait_for_work();
      results << w->Label1->text();
      // The layout follows the new text when the event loop runs.
      whole << QTest::qWaitFor([&] { return testing_support::layout_fault(w).isEmpty(); });
      w->resize(w->minimumSize());
      whole << QTest::qWaitFor([&] { return w->size() == w->minimumSize() && testing_support::layout_fault(w).isEmpty(); });
      user_input::click(w->Command2);
      return d.result();
    };

    click_tool_item(form, form.tools().Menu_backup);
    QCOMPARE(proposed, QDir::home().filePath(store::default_backup_name(QDate::currentDate())));
    QCOMPARE(results.size(), 1);
    QVERIFY2(results[0].startsWith(QStringLiteral("バックアップを作成しました：\n") + archive), qPrintable(results[0]));
    QVERIFY2(results[0].endsWith(QStringLiteral("\n見つからなかった写真：1枚（写真一覧.txt に記録しました）")), qPrintable(results[0]));
    QVERIFY(QFileInfo(archive).size() > 0);

    // The diary's own folder and a folder that is not empty are refused
    // before anything runs, each time with the folder dialog again.
    f.messages.answers = {true};
    click_tool_item(form, form.tools().Menu_restore);
    QVERIFY(folders.isEmpty());
    QCOMPARE(results.size(), 2);
    QVERIFY2(results[1].startsWith(QStringLiteral("「%1」に復元しました。").arg(restored)), qPrintable(results[1]));
    QCOMPARE(f.messages.log.size(), 3);
    QVERIFY(f.messages.log[0].text.contains(QStringLiteral("実行中の Verdalis のフォルダ")));
    QCOMPARE(f.messages.log[1].text, QStringLiteral("「%1」は空ではありません。空のフォルダか新しいフォルダを選んで下さい。").arg(full));
    QVERIFY(f.messages.log[2].question);
    // Started beside the running window, not over it.
    const QPoint beside = form.pos() + QPoint(restored_copy::kOffset, restored_copy::kOffset);
    QCOMPARE(started, QStringList{restored + QLatin1Char('/') + QFileInfo(QCoreApplication::applicationFilePath()).fileName()}
                          << restored_copy::arguments_for(beside) << restored);
    QCOMPARE(restored_copy::position_in(started), std::optional<QPoint>(beside));
    QCOMPARE(read_bytes(restored + QStringLiteral("/flower.dat")), index);
    const QString copy = restored + QLatin1Char('/') + store::picture_archive_name(picture);
    QCOMPARE(read_bytes(restored + QStringLiteral("/memo/g0000001.txt")), cp932_lines(QStringList{copy, QStringLiteral("満開")} + gone));
    QCOMPARE(read_bytes(copy), QByteArray("jpeg bytes"));
    QCOMPARE(read_bytes(f.state->flower_dat_path()), index);
    QCOMPARE(whole, QList<bool>(4, true));
  }

  // Esc while a backup runs stops it, and the window stays to say so.
  void esc_stops_a_running_backup() {
    testing_support::MainWindowFixture f;
    QVERIFY(f.write_index({"2026/05/01", "花壇", "バラ", "咲いた", "1", "2026/05/01 10:00:00", "2026/05/01 10:00:00"}));
    QTemporaryDir elsewhere;
    // A picture of 8 GB (sparse: it takes no room) keeps the backup busy.
    const QString picture = elsewhere.filePath(QStringLiteral("big.jpg"));
    QFile big(picture);
    QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(qint64(8) << 30));
    big.close();
    QVERIFY(write_bytes(f.dir_path + "memo/g0000001.txt", cp932_lines({picture, QStringLiteral("大きい")})));
    Main_form& form = f.load();
    user_input::show_active(&form);
    const QString archive = elsewhere.filePath(QStringLiteral("b.zip"));
    form.tools().backup_choosers.save_archive = [&](QWidget*, const QString&) { return archive; };
    QString shown;
    bool busy = false;
    bool stayed = false;
    form.run_modal = [&](QDialog& d) {
      auto* w = qobject_cast<F_backup*>(&d);
      if (!w) return 0;
      user_input::show_active(w);
      busy = w->busy();
      QTest::keyClick(w, Qt::Key_Escape);
      w->wait_for_work();
      stayed = w->isVisible();
      shown = w->Label1->text();
      user_input::click(w->Command2);
      return d.result();
    };
    click_tool_item(form, form.tools().Menu_backup);
    QVERIFY(busy);
    QVERIFY(stayed);
    QCOMPARE(shown, QStringLiteral("バックアップを中止しました。ファイルは作成していません。"));
    QVERIFY(!QFileInfo::exists(archive));
    QVERIFY(f.messages.log.isEmpty());
  }
  // A wrong archive is named as soon as it is chosen, and the open dialog
  // comes again (here the user then gives up); damage inside an entry's
  // data shows when the restore reads it, in the window.
  void restoring_a_wrong_archive_data() {
    QTest::addColumn<QByteArray>("zip");
    QTest::addColumn<bool>("early");
    QTest::addColumn<QString>("said");
    const Craft::Item index{"Verdalis/flower.dat", QByteArray(3000, 'i')};
    QTest::newRow("not a ZIP") << QByteArray("2026/05/01\r\n") << true << QStringLiteral("」は ZIP ファイルではありません。");
    QTest::newRow("not a Verdalis backup") << Craft::zip({{"温室/", "", AE_IFDIR}, {"温室/a.txt", "a"}}) << true
                                           << QStringLiteral("」は Verdalis のバックアップではありません");
    QByteArray corrupt = Craft::zip({index});
    corrupt[corrupt.indexOf(QByteArray(3000, 'i')) + 10] = 'j';
    QTest::newRow("bad CRC") << corrupt << false
                             << QStringLiteral("理由：「Verdalis/flower.dat」が壊れています（検査値が合いません）");
  }
  void restoring_a_wrong_archive() {
    QFETCH(QByteArray, zip);
    QFETCH(bool, early);
    QFETCH(QString, said);
    testing_support::MainWindowFixture f;
    QVERIFY(f.write_index(kMemo));
    Main_form& form = f.load();
    user_input::show_active(&form);
    QTemporaryDir elsewhere;
    const QString archive = elsewhere.filePath(QStringLiteral("a.zip"));
    QVERIFY(write_bytes(archive, zip));
    QStringList archives{archive, QString()};
    form.tools().backup_choosers.open_archive = [&](QWidget*) { return archives.takeFirst(); };
    int folders_asked = 0;
    const QString to = elsewhere.filePath(QStringLiteral("new"));
    form.tools().backup_choosers.restore_folder = [&](QWidget*) { return ++folders_asked == 1 ? to : QString(); };
    QString shown;
    form.run_modal = [&](QDialog& d) {
      auto* w = qobject_cast<F_backup*>(&d);
      if (!w) return 0;
      user_input::show_active(w);
      w->wait_for_work();
      shown = w->Label1->text();
      QTest::keyClick(w, Qt::Key_Escape);
      return d.result();
    };
    click_tool_item(form, form.tools().Menu_restore);
    QCOMPARE(folders_asked, early ? 0 : 1);
    QCOMPARE(archives.size(), early ? 0 : 1);
    QCOMPARE(f.messages.log.size(), early ? 1 : 0);
    const QString text = early ? f.messages.log[0].text : shown;
    QVERIFY2(text.contains(said) && text.contains(archive), qPrintable(text));
    QVERIFY(!QFileInfo::exists(to));
  }

  // The keyboard in each state of the window: the first useful button has
  // the focus, Tab goes through the buttons that can be pressed in reading
  // order and back to the first, every button has its own access key, Alt
  // with it presses the button, and Esc or Alt+C closes the window once
  // the work has ended. A backup into a folder that refuses new files says
  // why (and claims no older file), and 保存先を選び直す gives the save
  // dialog again, where another place then works.
  void keyboard_data() {
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("said");
    QTest::addColumn<QStringList>("tab_order");
    QTest::addColumn<int>("closing_key");
    QTest::newRow("backup running") << "running" << "バックアップを作成しています" << QStringList{"Command1"} << int(Qt::Key_Escape);
    QTest::newRow("backup refused") << "refused" << "理由：フォルダ「%1」への書き込みが許可されていません\n\n"
                                    << QStringList{"Command3", "Command2"} << int(Qt::Key_C);
    QTest::newRow("restore done") << "restored" << "」に復元しました。" << QStringList{"Command2"} << int(Qt::Key_Escape);
  }
  void keyboard() {
    QFETCH(QString, state);
    QFETCH(QString, said);
    QFETCH(QStringList, tab_order);
    QFETCH(int, closing_key);
    testing_support::MainWindowFixture f;
    QVERIFY(f.write_index(kMemo));
    QTemporaryDir elsewhere;
    const QString locked = elsewhere.filePath(QStringLiteral("鍵"));
    QVERIFY(QDir().mkpath(locked));
    ImmutableDir guard;
    if (state == "refused" && !guard.protect(locked)) QSKIP("this file system lets the test's user write anywhere");
    if (state == "running") {
      // A picture of 8 GB (sparse: it takes no room) keeps the backup busy.
      QFile big(elsewhere.filePath(QStringLiteral("big.jpg")));
      QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(qint64(8) << 30));
      QVERIFY(write_bytes(f.dir_path + "memo/g0000001.txt", cp932_lines({big.fileName(), QStringLiteral("大きい")})));
    }
    const QString archive = state == "restored" ? backup_of(f, elsewhere.path()) : QString();
    QCOMPARE(archive.isEmpty(), state != "restored");
    Main_form& form = f.load();
    user_input::show_active(&form);
    QStringList targets{(state == "refused" ? locked : elsewhere.path()) + QStringLiteral("/b.zip"),
                        elsewhere.filePath(QStringLiteral("b.zip"))};
    form.tools().backup_choosers.save_archive = [&](QWidget*, const QString&) { return targets.takeFirst(); };
    form.tools().backup_choosers.open_archive = [&](QWidget*) { return archive; };
    form.tools().backup_choosers.restore_folder = [&](QWidget*) { return elsewhere.filePath(QStringLiteral("to")); };
    QStringList focus_path;
    QStringList pressed;
    QStringList mnemonics;
    QStringList shown;
    bool closed = false;
    form.run_modal = [&](QDialog& d) {
      auto* w = qobject_cast<F_backup*>(&d);
      if (!w) return 0;
      user_input::show_active(w);
      if (state != "running") w->wait_for_work();
      shown << w->Label1->text();
      for (int i = 0; i <= tab_order.size(); ++i) {
        focus_path << QApplication::focusWidget()->objectName();
        user_input::key(Qt::Key_Tab);
      }
      for (QPushButton* b : w->findChildren<QPushButton*>())
        if (b->isVisible()) mnemonics << QKeySequence::mnemonic(b->text()).toString();
      for (const QString& name : tab_order) {
        auto* b = w->findChild<QPushButton*>(name);
        if (name == "Command2") continue;
        QSignalSpy spy(b, &QPushButton::clicked);
        user_input::key(QKeySequence::mnemonic(b->text())[0].key(), Qt::AltModifier);
        // An access key presses the button as a short animation does.
        if (QTest::qWaitFor([&] { return spy.size() == 1; })) pressed << name;
      }
      w->wait_for_work();
      shown << w->Label1->text();
      user_input::key(Qt::Key(closing_key), closing_key == Qt::Key_C ? Qt::AltModifier : Qt::NoModifier);
      closed = QTest::qWaitFor([&] { return !w->isVisible(); });
      return d.result();
    };
    click_tool_item(form, state == "restored" ? form.tools().Menu_restore : form.tools().Menu_backup);
    QCOMPARE(focus_path, tab_order + QStringList{tab_order.first()});
    QCOMPARE(QSet<QString>(mnemonics.begin(), mnemonics.end()).size(), mnemonics.size());
    QVERIFY(!mnemonics.contains(QString()));
    QStringList expected_presses = tab_order;
    expected_presses.removeAll(QStringLiteral("Command2"));
    QCOMPARE(pressed, expected_presses);
    QVERIFY(closed);
    QVERIFY2(shown[0].contains(QString(said).replace(QStringLiteral("%1"), locked)), qPrintable(shown[0]));
    QVERIFY2(!shown[0].contains(QStringLiteral("以前の内容")), qPrintable(shown[0]));
    QCOMPARE(targets.size(), state == "restored" ? 2 : state == "refused" ? 0 : 1);
    if (state == "refused") QVERIFY2(shown[1].startsWith(QStringLiteral("バックアップを作成しました")), qPrintable(shown[1]));
  }
};

QTEST_MAIN(TestFBackup)
#include "test_f_backup.moc"
