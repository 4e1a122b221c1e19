// Deleting one memo through the confirmation window, and the main window's
// commands that lead to it.

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "data_dir.h"
#include "main_window_fixture.h"
#include "main_window/disk_watch.h"
#include "main_window/main_form.h"
#include "main_window/memo_grid.h"
#include "main_window/memo_list_model.h"
#include "memo_deletion/f_sakujo.h"
#include "store/diary/memo_files.h"

using testing_support::cp932_lines;
using testing_support::read_bytes;
using testing_support::snapshot;
using testing_support::write_bytes;

namespace {

struct Fixture : testing_support::MainWindowFixture {
  Fixture() {
    QStringList lines;
    const char* rows[][3] = {{"2026/06/03", "花壇", " 3 "}, {"2026/06/02", "温室", " 2 "}, {"2026/06/01", "花壇", " 1 "}};
    for (const auto& r : rows) {
      lines << QString::fromUtf8(r[0]) << QString::fromUtf8(r[1]) << QStringLiteral("パンジー")
            << QStringLiteral("メモ") + QString::fromUtf8(r[2]).trimmed() << QString::fromUtf8(r[2])
            << QStringLiteral("2026/06/01 10:00:00") << QStringLiteral("2026/06/01 10:00:00");
    }
    write_index(lines);
    load();
  }
};

}  // namespace

class TestFSakujo : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void commands_without_a_selected_memo_data() {
    QTest::addColumn<int>("clicked_row");
    QTest::addColumn<bool>("correct");
    QTest::addColumn<QString>("message");
    QTest::newRow("delete right after start-up") << 0 << false << QStringLiteral("削除する項目が選択されていません。");
    QTest::newRow("correct right after start-up") << 0 << true << QStringLiteral("訂正する項目が選択されていません。");
    QTest::newRow("correct on the blank row") << 4 << true << QStringLiteral("訂正する項目が選択されていません。");
    QTest::newRow("delete on the blank row") << 4 << false << QStringLiteral("削除する項目が選択されていません。");
  }

  void commands_without_a_selected_memo() {
    QFETCH(int, clicked_row);
    QFETCH(bool, correct);
    QFETCH(QString, message);
    Fixture f;
    QVERIFY(f.loaded);
    int opened = 0;
    f.form->run_modal = [&](QDialog&) { return ++opened, 0; };
    if (clicked_row > 0) f.click_row(clicked_row);
    correct ? f.form->Command8_Click() : f.form->Command7_Click();
    QCOMPARE(opened, 0);
    QCOMPARE(f.messages.log.size(), 1);
    QCOMPARE(f.messages.log[0].text, message);
    QCOMPARE(f.messages.log[0].title, QStringLiteral("【Verdalis】Ver.3.0"));
  }

  void confirming_deletes_under_the_filter() {
    Fixture f;
    QVERIFY(store::save_memo_body(f.dir_path, QStringLiteral(" 3 "), QStringLiteral("本文")).ok);
    f.form->Combo1->setEditText(QStringLiteral("花壇"));
    f.form->Combo1_Click();
    QCOMPARE(f.titles(), (QStringList{QStringLiteral("メモ3"), QStringLiteral("メモ1")}));
    f.click_row(1);
    QString hint_while_open;
    QString caption;
    f.form->run_modal = [&](QDialog& dialog) {
      auto& deletion = dynamic_cast<F_sakujo&>(dialog);
      hint_while_open = f.form->Text1->text();
      caption = deletion.windowTitle();
      deletion.Command1_Click();
      return deletion.result();
    };
    f.form->Command7_Click();
    QCOMPARE(caption, QStringLiteral("メモの削除"));
    QCOMPARE(hint_while_open, QStringLiteral("[いいよ]ボタンで、選択中のメモを削除します。"));
    QCOMPARE(f.titles(), QStringList{QStringLiteral("メモ1")});
    QCOMPARE(f.state->listed_count, 1);
    QCOMPARE(f.form->windowTitle(), QStringLiteral("【Verdalis】Ver.3.0 (2件)"));
    QVERIFY(!QFile::exists(f.dir_path + QStringLiteral("memo/m0000003.txt")));
    QVERIFY(!read_bytes(f.dir_path + QStringLiteral("flower.dat")).contains("\r\n 3 \r\n"));
    QCOMPARE(f.form->Text1->text(), QString());  // the viewer pane was cleared
    QVERIFY(f.messages.log.isEmpty());
  }

  void cancelling_changes_nothing() {
    Fixture f;
    const auto files = snapshot(f.dir_path);
    f.click_row(2);
    f.form->run_modal = [&](QDialog& dialog) {
      auto& deletion = dynamic_cast<F_sakujo&>(dialog);
      QTest::keyClick(&deletion, Qt::Key_Escape);
      return deletion.result();
    };
    f.form->Command7_Click();
    QCOMPARE(snapshot(f.dir_path), files);
    QCOMPARE(f.state->memo_count(), 3);
    QCOMPARE(f.titles().size(), 3);
  }

  void a_deletion_that_cannot_be_written_is_reported() {
    Fixture f;
    // The folder watch looks at the folder once right after start-up; let
    // that look pass before flower.dat is broken, so that only the deletion
    // reports it.
    QTRY_COMPARE(f.form->disk_watch()->looks(), 1);
    QVERIFY(f.messages.log.isEmpty());
    const QString dat = f.dir_path + QStringLiteral("flower.dat");
    QVERIFY(QFile::remove(dat));
    QVERIFY(QDir().mkdir(dat));
    f.click_row(1);
    f.form->run_modal = [&](QDialog& dialog) {
      dynamic_cast<F_sakujo&>(dialog).Command1_Click();
      return dialog.result();
    };
    f.form->Command7_Click();
    QCOMPARE(f.messages.log.size(), 1);
    QVERIFY(f.messages.log[0].text.contains(dat));
    QCOMPARE(f.state->memo_count(), 3);
    QCOMPARE(f.titles().size(), 3);
    QCOMPARE(f.form->windowTitle(), QStringLiteral("【Verdalis】Ver.3.0 (3件)"));
  }
};

QTEST_MAIN(TestFSakujo)
#include "test_f_sakujo.moc"
