// 「同期の競合の取り込み」: the memos a merge of conflict copies brought in,
// and each of them shown in the main window by 表示, a double-click or Enter.

#include <QLabel>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QtTest>

#include "main_window_fixture.h"
#include "store/diary/memo_files.h"
#include "sync_report/f_douki.h"

using testing_support::cp932_lines;
using testing_support::write_bytes;
using Kind = store::MergedMemo::Kind;

namespace {

struct Fixture : testing_support::MainWindowFixture {
  Fixture() {
    QStringList lines;
    QDir().mkdir(dir_path + "memo");
    const QStringList memos[] = {{"2026/06/01", "花壇", "植え付け", " 5 "},
                                 {"2026/05/20", "温室", "芽が出た", " 4 "},
                                 {"2026/05/10", "花壇", "球根掘り（別の端末の版）", " 3 "}};
    for (const QStringList& m : memos) {
      lines << m[0] << m[1] << "パンジー" << m[2] << m[3] << "2026/01/01 10:00:00" << "2026/01/01 10:00:00";
      write_bytes(store::memo_body_path(dir_path, m[3]), cp932_lines({"本文" + m[3].trimmed()}));
    }
    write_index(lines);
    write_bytes(dir_path + "basyo.dat", cp932_lines({"花壇", "温室"}));
    load();
    user_input::show_active(form.get());
    sync.moved_to = dir_path + "同期の競合/20261210-101500";
    sync.merged_copies = {"flower.sync-conflict-20261210-101500-ABCDEFG.dat"};
    sync.merged = {{Kind::AddedBack, " 5 ", "", "2026/06/01", "植え付け"},
                   {Kind::Renumbered, " 4 ", " 2 ", "2026/05/20", "芽が出た"},
                   {Kind::KeptTwice, " 3 ", " 3 ", "2026/05/10", "球根掘り（別の端末の版）"},
                   {Kind::AddedBack, " 9 ", "", "2026/05/01", "もう無いメモ"}};
    sync.warnings = {"「memo/m0000002.sync-conflict.txt」を移せませんでした。"};
    report = new F_douki(*form, messages, dir_path, form.get());
    report->add(sync);
    user_input::show_active(report);
  }
  QString cell(int row, int column) const { return report->Grid1->item(row, column)->text(); }

  store::DiskSync sync;
  F_douki* report = nullptr;
};

}  // namespace

class TestFDouki : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void lists_the_memos_merged() {
    Fixture f;
    QCOMPARE(f.report->Grid1->rowCount(), 4);
    QCOMPARE(f.cell(0, 0), QStringLiteral("取り戻したメモ"));
    QCOMPARE(f.cell(1, 0), QStringLiteral("番号を変えて取り戻したメモ（No.2 → No.4）"));
    QCOMPARE(QStringList({f.cell(2, 0), f.cell(2, 1), f.cell(2, 2)}),
             QStringList({"両方で訂正されたメモ（2つとも残しました）", "2026/05/10", "球根掘り（別の端末の版）"}));
    const QString told = f.report->Label1->text();
    QVERIFY2(told.contains(QStringLiteral("「同期の競合/20261210-101500」フォルダに移して")), qPrintable(told));
    QVERIFY2(told.contains(QStringLiteral("flower.sync-conflict-20261210-101500-ABCDEFG.dat")), qPrintable(told));
    QVERIFY(f.report->Label2->isVisible());
    QCOMPARE(f.report->Label2->text(), f.sync.warnings[0]);

    // The keyboard: the list, 表示, 閉じる; Esc closes.
    QCOMPARE(QApplication::focusWidget(), f.report->Grid1);
    user_input::key(Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), f.report->Command1);
    user_input::key(Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), f.report->Command2);
    user_input::key(Qt::Key_Escape);
    QTRY_VERIFY(!f.report->isVisible());
  }

  void shows_a_memo_in_the_main_window_data() {
    QTest::addColumn<QString>("way");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("memo");  // the main window's current memo ("" none)
    QTest::newRow("表示") << "button" << 2 << "3";
    QTest::newRow("double-click") << "double" << 1 << "4";
    QTest::newRow("Enter") << "enter" << 0 << "5";
    QTest::newRow("a memo no longer there") << "button" << 3 << "";
  }

  void shows_a_memo_in_the_main_window() {
    QFETCH(QString, way);
    QFETCH(int, row);
    QFETCH(QString, memo);
    Fixture f;
    // A filter that hides memo 3 and 5: they are shown all the same.
    user_input::pick(f.form->Combo1, 1);
    QCOMPARE(f.titles(), QStringList{"芽が出た"});
    user_input::show_active(f.report);
    user_input::click_row(f.report->Grid1, row);
    if (way == "button") user_input::click(f.report->Command1);
    if (way == "double") user_input::double_click_item(f.report->Grid1, f.report->Grid1->model()->index(row, 2));
    if (way == "enter") user_input::key(Qt::Key_Return);
    QCOMPARE(f.form->current_memo_no().trimmed(), memo);
    QCOMPARE(f.form->Text2->toPlainText(), memo.isEmpty() ? QString() : "本文" + memo);
    QCOMPARE(f.messages.log.size(), memo.isEmpty() ? 1 : 0);
    if (memo.isEmpty()) QVERIFY(f.messages.log[0].text.contains(QStringLiteral("もう日記にありません")));
    QVERIFY(f.report->isVisible());
  }
};

QTEST_MAIN(TestFDouki)
#include "test_f_douki.moc"
