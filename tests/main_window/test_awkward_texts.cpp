// Very long names and titles, tabs (the list's row text is tab-separated),
// line breaks and other control characters: a memo holding them is saved as
// one 7-line record, comes back unchanged after a restart, and its row in
// the list keeps its columns and its memo number.

#include <QComboBox>
#include <QPlainTextEdit>
#include <QtTest>

#include "main_window_fixture.h"
#include "store/diary/category_edit.h"
#include "store/diary/category_list.h"
#include "store/diary/memo_save.h"
#include "store/files/text_file.h"

using testing_support::MainWindowFixture;

namespace {

QString long_text(int length) {
  QString text;
  while (text.size() < length) text += QStringLiteral("長いタイトル");
  return text.left(length);
}

QString shown(QString text) {
  for (QChar& c : text) {
    if (c == u'\t' || c == u'\r' || c == u'\n') c = u' ';
  }
  return text;
}

int line_count(const QByteArray& bytes) { return int(bytes.count("\r\n")); }

}  // namespace

class AwkwardTextsTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void aMemoKeepsItsRecordAndRow_data() {
    QTest::addColumn<QString>("location");
    QTest::addColumn<QString>("variety");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("storedTitle");
    QTest::newRow("10000-character title") << "花壇" << "パンジー" << long_text(10000) << long_text(10000);
    QTest::newRow("tabs in title and names")
        << "花\t壇" << "\tパンジー" << "植え\t替え\t" << "植え\t替え\t";
    QTest::newRow("control characters") << "花壇\x01" << "\x1fパンジー" << "a\x07\x7f b" << "a\x07\x7f b";
    QTest::newRow("line breaks become blanks") << "花壇" << "パンジー" << "一行目\r\n二行目\r三\n"
                                               << "一行目  二行目 三 ";
    QTest::newRow("10000-character names") << long_text(10000) << long_text(9999) << "題" << "題";
  }
  void aMemoKeepsItsRecordAndRow() {
    QFETCH(QString, location);
    QFETCH(QString, variety);
    QFETCH(QString, title);
    QFETCH(QString, storedTitle);
    MainWindowFixture f;
    f.load();
    QVERIFY(f.loaded);
    const store::MemoInput input{QStringLiteral("2026/06/01"), location, variety, title, QStringLiteral("本文"), {}};
    QVERIFY(store::save_memo(*f.state, input, 0).ok);
    f.form.reset();  // shuts down and lets the next start take the folder

    // The index is whole: seven lines for each of the two memos.
    QCOMPARE(line_count(store::read_file_bytes(f.dir_path + "flower.dat").bytes), 14);

    MainWindowFixture again;
    again.dir_path = f.dir_path;
    again.load();
    QVERIFY(again.loaded);
    QCOMPARE(again.state->memo_count(), 2);
    // The first run's welcome memo is number 1; ours is number 2.
    const int slot = store::find_memo_by_no(again.state->memo_table, QStringLiteral(" 2 "));
    QVERIFY(slot > 0);
    const store::MemoRecord saved = again.state->memo_table[size_t(slot - 1)];
    QCOMPARE(saved.title, storedTitle);
    QCOMPARE(saved.location, location);
    QCOMPARE(saved.variety, variety);

    // The row keeps its columns, shows tabs as blanks and still knows its
    // memo number.
    const MemoListModel* model = again.form->list_model();
    QCOMPARE(model->data(model->index(slot - 1, 1)).toString(), shown(location));
    QCOMPARE(model->data(model->index(slot - 1, 2)).toString(), shown(variety));
    QCOMPARE(model->data(model->index(slot - 1, 3)).toString(), shown(storedTitle));
    again.click_row(slot);
    QCOMPARE(again.form->current_memo_no(), saved.memo_no);
    QCOMPARE(again.form->Text2->toPlainText(), QStringLiteral("本文"));

    // The memo's own location filters it.
    again.form->Combo1->setEditText(location);
    again.form->refresh_memo_list();
    QCOMPARE(again.titles(), QStringList{storedTitle});
  }

  // Category names with tabs, control characters or 10000 characters are
  // kept as they are in the list file.
  void categoryNamesKeepTheirLines_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("tab") << "花\t壇";
    QTest::newRow("control character") << "花壇\x01";
    QTest::newRow("10000 characters") << long_text(10000);
  }
  void categoryNamesKeepTheirLines() {
    QFETCH(QString, name);
    MainWindowFixture f;
    f.load();
    QVERIFY(f.loaded);
    const int before = f.state->location_list.count();
    QVERIFY(store::add_category_name(*f.state, store::Category::Location, name).ok);
    store::CategoryList reread;
    store::load_category_list(f.state->basyo_dat_path(), reread);
    QCOMPARE(reread.count(), before + 1);
    QCOMPARE(reread.names.last(), name);
  }
};

QTEST_MAIN(AwkwardTextsTest)
#include "test_awkward_texts.moc"
