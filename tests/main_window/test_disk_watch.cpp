// Changes made to the data folder from outside while the main window is
// open, written the way a sync tool writes them (a new file renamed over
// the old one): the window shows them once the folder has settled, keeping
// the user's filters and the memo the user is on.

#include <QDialog>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QtTest>
#include <cstdio>

#include "main_window/disk_watch.h"
#include "main_window_fixture.h"
#include "store/diary/memo_files.h"
#include "sync_report/f_douki.h"

using testing_support::cp932_lines;
using testing_support::write_bytes;

namespace {

struct Memo {
  QString date, location, variety, title, no, updated;
};
const Memo kNewMemo = {"2026/06/05", "花壇", "パンジー", "水やり", " 6 ", "2026/06/05 10:00:00"};

const QList<Memo> kMemos = {
    {"2026/06/01", "花壇", "パンジー", "植え付け", " 5 ", "2026/06/01 10:00:00"},
    {"2026/05/20", "温室", "トマト", "芽が出た", " 4 ", "2026/05/20 10:00:00"},
    {"2026/05/10", "花壇", "チューリップ", "球根掘り", " 3 ", "2026/05/10 10:00:00"},
    {"2026/04/01", "花壇", "パンジー", "種まき", " 1 ", "2026/04/01 10:00:00"},
};

QStringList index_lines(const QList<Memo>& memos) {
  QStringList lines;
  for (const Memo& m : memos) {
    // The memo's number gives its own creation time, so that each is told apart.
    const QString created = QStringLiteral("2026/01/0%1 10:00:00").arg(m.no.trimmed());
    lines << m.date << m.location << m.variety << m.title << m.no << created << m.updated;
  }
  return lines;
}

// As a sync tool delivers a file: written beside it, then renamed over it.
bool deliver(const QString& path, const QByteArray& bytes) {
  const QString temporary = path + QStringLiteral(".sync-tmp");
  return write_bytes(temporary, bytes) &&
         std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()) == 0;
}

struct Fixture : testing_support::MainWindowFixture {
  Fixture() {
    write_index(index_lines(kMemos));
    write_bytes(dir_path + "basyo.dat", cp932_lines({"花壇", "温室"}));
    write_bytes(dir_path + "hinsyu.dat", cp932_lines({"パンジー", "トマト", "チューリップ"}));
    for (const Memo& m : kMemos) write_bytes(store::memo_body_path(dir_path, m.no), cp932_lines({"本文" + m.title}));
    load();
    user_input::show_active(form.get());
    // The look at start-up has run.
    QTRY_COMPARE(form->disk_watch()->looks(), 1);
  }
  void click_title(const QString& title) { click_row(static_cast<int>(titles().indexOf(title)) + 1); }
  QString current_no() { return form->current_memo_no().trimmed(); }
};

}  // namespace

Q_DECLARE_METATYPE(QList<Memo>)

class TestDiskWatch : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void outside_changes_are_shown_data() {
    QTest::addColumn<QString>("filter");      // the location picked first ("" none)
    QTest::addColumn<QString>("clicked");     // the memo clicked before the change
    QTest::addColumn<QList<Memo>>("memos");   // flower.dat as the sync tool delivers it
    QTest::addColumn<QStringList>("places");  // basyo.dat as delivered
    QTest::addColumn<QStringList>("titles");  // listed afterwards
    QTest::addColumn<QString>("current");     // the current memo afterwards ("" none)
    const QList<Memo> added = QList<Memo>{kNewMemo} + kMemos;
    QList<Memo> elsewhere = kMemos;
    elsewhere.prepend({"2026/06/05", "温室", "トマト", "支柱立て", " 6 ", "2026/06/05 10:00:00"});
    QList<Memo> corrected = kMemos;
    corrected[1].title = "本葉が出た";
    corrected[1].updated = "2026/06/02 08:00:00";
    QList<Memo> deleted = kMemos;
    deleted.removeAt(2);
    const QStringList places = {"花壇", "温室"};
    QTest::newRow("new memo under the filter")
        << "花壇" << "植え付け" << added << places << QStringList{"水やり", "植え付け", "球根掘り", "種まき"} << "5";
    QTest::newRow("new memo outside the filter")
        << "花壇" << "球根掘り" << elsewhere << places << QStringList{"植え付け", "球根掘り", "種まき"} << "3";
    QTest::newRow("corrected title")
        << "" << "芽が出た" << corrected << places << QStringList{"植え付け", "本葉が出た", "球根掘り", "種まき"} << "4";
    QTest::newRow("deleted memo that was shown")
        << "" << "球根掘り" << deleted << places << QStringList{"植え付け", "芽が出た", "種まき"} << "";
    QTest::newRow("location added")
        << "花壇" << "種まき" << kMemos << QStringList{"花壇", "温室", "畑"}
        << QStringList{"植え付け", "球根掘り", "種まき"} << "1";
  }

  void outside_changes_are_shown() {
    QFETCH(QString, filter);
    QFETCH(QString, clicked);
    QFETCH(QList<Memo>, memos);
    QFETCH(QStringList, places);
    QFETCH(QStringList, titles);
    QFETCH(QString, current);
    Fixture f;
    Main_form& form = *f.form;
    if (!filter.isEmpty()) user_input::pick(form.Combo1, form.Combo1->findText(filter));
    f.click_title(clicked);
    QCOMPARE(form.Text2->toPlainText(), "本文" + clicked);

    const int looks = form.disk_watch()->looks();
    QVERIFY(deliver(f.dir_path + "flower.dat", cp932_lines(index_lines(memos))));
    QVERIFY(deliver(f.dir_path + "basyo.dat", cp932_lines(places)));
    QTRY_VERIFY(form.disk_watch()->looks() > looks && !form.disk_watch()->pending());
    QCOMPARE(f.titles(), titles);
    QCOMPARE(form.Combo1->count(), places.size());
    for (int i = 0; i < places.size(); ++i) QCOMPARE(form.Combo1->itemText(i), places[i]);
    QCOMPARE(form.Combo1->currentText(), filter);
    QCOMPARE(f.current_no(), current);
    // The memo the user was on still shows; a memo gone leaves the pane empty.
    QCOMPARE(form.Text2->toPlainText(), current.isEmpty() ? QString() : "本文" + clicked);
    QCOMPARE(form.windowTitle(), store::main_caption(memos.size()));
    QVERIFY(f.messages.log.isEmpty());
  }

  // The index line came first; its body and picture list follow while the
  // memo is shown.
  void a_memo_shown_before_its_body_arrived_is_shown_again() {
    Fixture f;
    Main_form& form = *f.form;
    QVERIFY(deliver(f.dir_path + "flower.dat", cp932_lines(index_lines(QList<Memo>{kNewMemo} + kMemos))));
    QTRY_COMPARE(f.titles().value(0), QStringLiteral("水やり"));
    f.click_title("水やり");
    QCOMPARE(form.Text2->toPlainText(), QString());

    QVERIFY(deliver(store::memo_body_path(f.dir_path, " 6 "), cp932_lines({"朝に水をやった", "二行目"})));
    QTRY_COMPARE(form.Text2->toPlainText(), QStringLiteral("朝に水をやった\n二行目"));
    QVERIFY(deliver(store::memo_images_path(f.dir_path, " 6 "), cp932_lines({f.dir_path + "a.jpg", "花壇の様子"})));
    QTRY_COMPARE(form.List1->count(), 1);
    QCOMPARE(form.List1->item(0)->text(), QStringLiteral("花壇の様子"));
    QCOMPARE(f.current_no(), QStringLiteral("6"));
  }

  // A conflict copy planted by the sync tool is merged and reported.
  void a_conflict_copy_is_merged_and_reported() {
    Fixture f;
    QList<Memo> theirs = kMemos;
    theirs.prepend({"2026/06/07", "温室", "トマト", "脇芽かき", " 7 ", "2026/06/07 10:00:00"});
    QVERIFY(deliver(f.dir_path + "flower.sync-conflict-20261210-101500-ABCDEFG.dat", cp932_lines(index_lines(theirs))));
    QTRY_VERIFY(f.form->sync_report() && f.form->sync_report()->isVisible());
    F_douki* report = f.form->sync_report();
    QCOMPARE(report->Grid1->rowCount(), 1);
    QCOMPARE(report->Grid1->item(0, 2)->text(), QStringLiteral("脇芽かき"));
    QCOMPARE(f.titles().value(0), QStringLiteral("脇芽かき"));
    QVERIFY(!QFile::exists(f.dir_path + "flower.sync-conflict-20261210-101500-ABCDEFG.dat"));
    QTest::keyClick(report, Qt::Key_Escape);
    QTRY_VERIFY(!f.form->sync_report());
  }

  // A folder that cannot be read is reported once, not at every change.
  void a_problem_is_reported_once() {
    Fixture f;
    QVERIFY(QFile::remove(f.dir_path + "flower.dat"));
    QVERIFY(QDir().mkdir(f.dir_path + "flower.dat"));
    QTRY_COMPARE(f.messages.log.size(), 1);
    QVERIFY2(f.messages.log[0].text.contains("flower.dat"), qPrintable(f.messages.log[0].text));
    const int looks = f.form->disk_watch()->looks();
    QVERIFY(deliver(f.dir_path + "basyo.dat", cp932_lines({"花壇"})));
    QTRY_VERIFY(f.form->disk_watch()->looks() > looks && !f.form->disk_watch()->pending());
    QCOMPARE(f.messages.log.size(), 1);
    QCOMPARE(f.titles().size(), kMemos.size());
  }

  // While a modal window is open the list is left alone; the change shows
  // once it has closed.
  void a_modal_window_puts_the_change_off() {
    Fixture f;
    QDialog dialog(f.form.get());
    dialog.setModal(true);
    dialog.show();
    QList<Memo> memos = kMemos;
    memos.removeAt(0);
    QVERIFY(deliver(f.dir_path + "flower.dat", cp932_lines(index_lines(memos))));
    QTRY_VERIFY(f.form->disk_watch()->pending() && f.form->disk_watch()->waiting());
    QCOMPARE(f.titles().size(), kMemos.size());
    dialog.close();
    QTRY_COMPARE(f.titles().size(), memos.size());
    QVERIFY(!f.form->disk_watch()->pending());
  }
};

QTEST_MAIN(TestDiskWatch)
#include "test_disk_watch.moc"
