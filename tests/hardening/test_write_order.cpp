// The order of a save's file work: the per-memo files a corrected memo no
// longer needs (no body, no pictures) are deleted only after flower.dat has
// been written, so that an index naming them never finds them gone; one
// that cannot be deleted then does not undo the save, it is named.

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include "data_dir.h"
#include "store/diary/memo_files.h"
#include "store/diary/memo_save.h"
#include "store/diary/startup.h"

using testing_support::read_bytes;
using testing_support::write_bytes;

namespace {

// One memo, number 7, with a body and a picture list.
struct Store {
  Store() {
    QDir().mkpath(data + QStringLiteral("memo"));
    write_bytes(data + QStringLiteral("flower.dat"),
                testing_support::cp932_lines({QStringLiteral("2026/05/01"), QStringLiteral("花壇"), QStringLiteral("パンジー"),
                                              QStringLiteral("題"), QStringLiteral(" 7 "), QStringLiteral("2026/05/01 10:00:00"),
                                              QStringLiteral("2026/05/01 10:00:00")}));
    store::save_memo_body(data, QStringLiteral("7"), QStringLiteral("本文"));
    store::save_image_list(data, QStringLiteral("7"), {{QStringLiteral("/a.jpg"), QStringLiteral("a")}});
    if (!store::start_up_data(state, store::Settings{}).ok) qFatal("start-up failed");
  }
  // The correction that empties the body and drops every picture.
  store::MemoChange empty_it() {
    const store::MemoInput input{QStringLiteral("2026/05/02"), QStringLiteral("花壇"), QStringLiteral("パンジー"),
                                 QStringLiteral("直した題"), QString(), {}};
    return store::save_memo(state, input, 1, QDateTime(QDate(2026, 5, 2), QTime(9, 0)));
  }

  QTemporaryDir dir;
  QString data = dir.path() + QStringLiteral("/");
  store::AppState state{data};
  QString body = store::memo_body_path(data, QStringLiteral("7"));
  QString images = store::memo_images_path(data, QStringLiteral("7"));
};

}  // namespace

class WriteOrderTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void files_stay_when_the_index_cannot_be_written() {
    Store s;
    const auto files = testing_support::snapshot(s.data);
    QVERIFY(QFile::remove(s.state.flower_dat_path()));
    QVERIFY(QDir().mkdir(s.state.flower_dat_path()));
    QVERIFY(!s.empty_it().ok);
    QCOMPARE(read_bytes(s.body), files.value(QStringLiteral("memo/m0000007.txt")));
    QCOMPARE(read_bytes(s.images), files.value(QStringLiteral("memo/g0000007.txt")));
  }

  void a_file_that_cannot_be_deleted_is_named_after_the_save() {
    Store s;
    // Something that is not a plain file stands where the body is.
    QVERIFY(QFile::remove(s.body));
    QVERIFY(QDir().mkpath(s.body + QStringLiteral("/inner")));
    const store::MemoChange change = s.empty_it();
    QVERIFY2(change.ok, qPrintable(change.text));
    QVERIFY2(change.warning.contains(s.body), qPrintable(change.warning));
    QVERIFY(read_bytes(s.state.flower_dat_path()).contains(testing_support::cp932_lines({QStringLiteral("直した題")})));
    QVERIFY(!QFile::exists(s.images));
  }
};

QTEST_GUILESS_MAIN(WriteOrderTest)
#include "test_write_order.moc"
