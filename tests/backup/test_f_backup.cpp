// "バックアップ" and "バックアップから復元" from the main window's ツール
// menu, opened with the mouse: the archive is written, a restore into the
// diary's own folder is refused, a restore into a new folder gives a
// complete diary whose picture lists name the extracted pictures, and the
// restored program is started when the user says yes.

#include <QDate>
#include <QDir>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "backup/f_backup.h"
#include "main_window_fixture.h"
#include "main_window/tools_menu.h"
#include "store/backup/backup_names.h"
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

}  // namespace

class TestFBackup : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void backing_up_and_restoring_through_the_menu() {
    testing_support::MainWindowFixture f;
    QVERIFY(f.write_index({"2026/05/01", "花壇", "バラ", "咲いた", "1", "2026/05/01 10:00:00", "2026/05/01 10:00:00"}));
    QTemporaryDir elsewhere;
    const QString picture = elsewhere.filePath(QStringLiteral("庭/バラ.jpg"));
    QVERIFY(QDir().mkpath(QFileInfo(picture).path()));
    QVERIFY(write_bytes(picture, "jpeg bytes"));
    QVERIFY(write_bytes(f.dir_path + "memo/g0000001.txt", cp932_lines({picture, QStringLiteral("満開")})));
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
    QStringList folders{f.dir_path, restored};
    form.tools().backup_choosers.open_archive = [&](QWidget*) { return archive; };
    form.tools().backup_choosers.restore_folder = [&](QWidget*) { return folders.takeFirst(); };
    QStringList started;
    form.tools().backup_choosers.start_program = [&](const QString& program, const QString& folder) {
      started << program << folder;
      return true;
    };
    QStringList results;
    form.run_modal = [&](QDialog& d) {
      auto* w = qobject_cast<F_backup*>(&d);
      if (!w) return 0;
      user_input::show_active(w);
      w->wait_for_work();
      results << w->Label1->text();
      user_input::click(w->Command2);
      return d.result();
    };

    click_tool_item(form, form.tools().Menu_backup);
    QCOMPARE(proposed, QDir::home().filePath(store::default_backup_name(QDate::currentDate())));
    QCOMPARE(results.size(), 1);
    QVERIFY2(results[0].startsWith(QStringLiteral("バックアップを作成しました：") + archive), qPrintable(results[0]));
    QVERIFY(QFileInfo(archive).size() > 0);

    // The diary's own folder is refused before anything runs.
    click_tool_item(form, form.tools().Menu_restore);
    QCOMPARE(results.size(), 1);
    QCOMPARE(f.messages.log.size(), 1);
    QVERIFY(f.messages.log[0].text.contains(QStringLiteral("実行中の Verdalis のフォルダ")));

    f.messages.answers = {true};
    click_tool_item(form, form.tools().Menu_restore);
    QCOMPARE(results.size(), 2);
    QVERIFY2(results[1].startsWith(QStringLiteral("「%1」に復元しました。").arg(restored)), qPrintable(results[1]));
    QCOMPARE(f.messages.log.size(), 2);
    QVERIFY(f.messages.log[1].question);
    QCOMPARE(started, (QStringList{restored + QLatin1Char('/') + QFileInfo(QCoreApplication::applicationFilePath()).fileName(),
                                   restored}));
    QCOMPARE(read_bytes(restored + QStringLiteral("/flower.dat")), index);
    const QString copy = restored + QLatin1Char('/') + store::picture_archive_name(picture);
    QCOMPARE(read_bytes(restored + QStringLiteral("/memo/g0000001.txt")), cp932_lines({copy, QStringLiteral("満開")}));
    QCOMPARE(read_bytes(copy), QByteArray("jpeg bytes"));
    QCOMPARE(read_bytes(f.state->flower_dat_path()), index);
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
};

QTEST_MAIN(TestFBackup)
#include "test_f_backup.moc"
