// Every writer on a disk that is really full (a filled tmpfs) or that takes
// only small files (a file size limit): saving a new memo and a correction,
// deleting a memo, adding a category name, finishing the category editor,
// deleting every memo of a category, and shutting down. Each must show a
// Japanese message naming the file, report nothing as done, and leave the
// data files as they were.

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>
#include <memory>

#include "categories/f_category.h"
#include "data_dir.h"
#include "editor/f_kinyu.h"
#include "full_disk.h"
#include "main_window/main_form.h"
#include "main_window/memo_grid.h"
#include "main_window/memo_list_model.h"
#include "memo_deletion/f_sakujo.h"
#include "recording_messages.h"
#include "store/diary/memo_files.h"

using full_disk::Mode;

namespace {

enum class Writer { NewMemo, Correction, Deletion, AddName, FinishEdit, BulkDeletion, ShutDown };

constexpr int kMemos = 400;           // flower.dat of about 30 KB
constexpr qint64 kSmallRoom = 16384;  // room for a body or a list, not for flower.dat

bool has_japanese(const QString& text) {
  for (QChar c : text) {
    if (c.unicode() >= 0x3040 && c.unicode() <= 0x9FFF) return true;
  }
  return false;
}

// The data directory of the main window: kMemos memos, the newest of them
// (grid row 1, memo kMemos) with a body and two pictures.
void write_data(const QString& dir) {
  QStringList lines;
  for (int no = kMemos; no >= 1; --no) {
    const QString stamp = QStringLiteral("2026/%1/%2 10:00:00")
                              .arg(1 + no % 12, 2, 10, QLatin1Char('0'))
                              .arg(1 + no % 28, 2, 10, QLatin1Char('0'));
    lines << QStringLiteral("2026/12/31") << (no % 2 ? QStringLiteral("花壇") : QStringLiteral("温室"))
          << QStringLiteral("パンジー") << QStringLiteral("観察メモ%1").arg(no) << QStringLiteral(" %1 ").arg(no)
          << stamp << stamp;
  }
  testing_support::write_bytes(dir + QStringLiteral("flower.dat"), testing_support::cp932_lines(lines));
  testing_support::write_bytes(dir + QStringLiteral("basyo.dat"),
                               testing_support::cp932_lines({QStringLiteral("花壇"), QStringLiteral("温室")}));
  testing_support::write_bytes(dir + QStringLiteral("hinsyu.dat"), testing_support::cp932_lines({QStringLiteral("パンジー")}));
  const QString no = QString::number(kMemos);
  store::save_memo_body(dir, no, QStringLiteral("一行目\r\n二行目"));
  // The pictures lie beside the data directory.
  QImage picture(8, 6, QImage::Format_RGB32);
  picture.fill(Qt::darkGreen);
  const QString a = dir + QStringLiteral("../a.png");
  const QString b = dir + QStringLiteral("../b.png");
  picture.save(a);
  picture.save(b);
  store::save_image_list(dir, no, {{a, QStringLiteral("全景")}, {b, QStringLiteral("花")}});
}

}  // namespace

Q_DECLARE_METATYPE(Writer)
Q_DECLARE_METATYPE(Mode)

class FullDiskTest : public QObject {
  Q_OBJECT

 public:
  explicit FullDiskTest(bool private_mounts) : private_mounts_(private_mounts) {}

 private:
  bool private_mounts_;

  // Runs one writer through its window; returns false when the window
  // reported the work as done.
  static bool run_writer(Writer writer, Main_form& form, store::AppState& state, RecordingMessages& messages) {
    bool reported_done = false;
    const auto category_editor = [&](const std::function<void(F_category&)>& drive) {
      form.run_modal = [&](QDialog& dialog) {
        drive(dynamic_cast<F_category&>(dialog));
        return dialog.result();
      };
      form.Menu_basyo->trigger();
    };
    switch (writer) {
      case Writer::NewMemo:
      case Writer::Correction: {
        state.EditMode = writer == Writer::NewMemo ? QStringLiteral("sinki") : QStringLiteral("teisei");
        if (writer == Writer::Correction) form.Grid1->setCurrentIndex(form.list_model()->index(0, 0));
        F_kinyu editor(state, messages, form);
        editor.Combo1->setEditText(QStringLiteral("新しい場所"));
        editor.Combo2->setEditText(QStringLiteral("パンジー"));
        editor.Text2->setText(QStringLiteral("満開"));
        editor.Text3->setPlainText(writer == Writer::NewMemo ? QStringLiteral("本文") : QString());
        editor.Command1_Click();
        reported_done = editor.result() == QDialog::Accepted;
        break;
      }
      case Writer::Deletion:
        form.Grid1->setCurrentIndex(form.list_model()->index(0, 0));
        form.Grid1_Click();
        form.run_modal = [&](QDialog& dialog) {
          dynamic_cast<F_sakujo&>(dialog).Command1_Click();
          return dialog.result();
        };
        form.Command7_Click();
        break;
      case Writer::AddName:
        category_editor([&](F_category& dlg) {
          dlg.Text1->setText(QStringLiteral("ベランダ"));
          dlg.Command6_Click();
          reported_done = dlg.List1->count() != 2;
        });
        break;
      case Writer::FinishEdit:
        category_editor([&](F_category& dlg) {
          dlg.List1->setCurrentRow(0);
          dlg.Command2_Click();
          dlg.Command4_Click();
        });
        break;
      case Writer::BulkDeletion:
        messages.answers = {true};
        category_editor([&](F_category& dlg) {
          dlg.List1->setCurrentRow(0);
          dlg.Command5_Click();
          reported_done = dlg.List1->count() != 2;
        });
        break;
      case Writer::ShutDown: {
        // Shut-down writes only what changed: one memo differs in memory.
        store::MemoRecord changed = state.memo_table[0];
        changed.corrected = QStringLiteral("2099/01/01 00:00:00");
        state.memo_table.replace(0, changed);
        messages.answers = {false};  // "このまま終了しますか？" No
        form.Menu_file_quit->trigger();
        break;
      }
    }
    return !reported_done;
  }

 private Q_SLOTS:
  void a_failed_write_changes_nothing_data() {
    QTest::addColumn<Writer>("writer");
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<qint64>("room");
    const std::pair<const char*, Writer> writers[] = {
        {"new memo", Writer::NewMemo},     {"correction", Writer::Correction},
        {"deletion", Writer::Deletion},    {"category add", Writer::AddName},
        {"category editor finished", Writer::FinishEdit},
        {"bulk deletion", Writer::BulkDeletion}, {"shut-down", Writer::ShutDown}};
    for (const auto& [name, writer] : writers) {
      for (const qint64 room : {qint64(0), kSmallRoom}) {
        // The lists are small: with room left, they are written.
        if (room > 0 && (writer == Writer::AddName || writer == Writer::FinishEdit)) continue;
        const QByteArray how = room == 0 ? "full" : "16 KiB left";
        QTest::newRow(QByteArray(name).append(", tmpfs ").append(how).constData()) << writer << Mode::Tmpfs << room;
        QTest::newRow(QByteArray(name).append(", size limit ").append(how).constData())
            << writer << Mode::FileSizeLimit << room;
      }
    }
  }

  void a_failed_write_changes_nothing() {
    QFETCH(Writer, writer);
    QFETCH(Mode, mode);
    QFETCH(qint64, room);
    if (mode == Mode::Tmpfs && !private_mounts_) QSKIP("no mount namespace here; the size limit rows cover it");
    QTemporaryDir tmp;
    full_disk::Disk disk(tmp.path(), mode);
    QVERIFY(disk.ready());
    write_data(disk.data);
    store::AppState state(disk.data);
    RecordingMessages messages;
    Main_form form(state, messages);
    QVERIFY(form.Form_Load());
    const auto files = full_disk::all_files(disk.data);
    const QString caption = form.windowTitle();
    const QStringList locations = state.location_list.names;

    QVERIFY(disk.fill(room));
    const bool nothing_done = run_writer(writer, form, state, messages);
    disk.release();

    QVERIFY2(nothing_done, "the window reported the work as done");
    QStringList texts;
    for (const RecordedMessage& m : messages.log) texts << m.text;
    QVERIFY2(messages.log.size() == (writer == Writer::BulkDeletion ? 2 : 1), qPrintable(texts.join(" | ")));
    const RecordedMessage& shown = messages.log.last();
    QVERIFY2(shown.text.contains(disk.data) && has_japanese(shown.text), qPrintable(shown.text));
    QCOMPARE(shown.question, writer == Writer::ShutDown);
    // A disk without room is named as the reason.
    if (mode == Mode::Tmpfs) QVERIFY2(shown.text.contains(QStringLiteral("ディスクの空きが足りません")), qPrintable(shown.text));
    QCOMPARE(state.memo_count(), kMemos);
    QCOMPARE(form.windowTitle(), caption);
    QCOMPARE(form.list_model()->memo_rows(), kMemos);
    if (writer != Writer::FinishEdit) QCOMPARE(state.location_list.names, locations);
    const auto after = full_disk::all_files(disk.data);
    if (writer == Writer::ShutDown && room > 0) {
      // The small files fit and were written; flower.dat did not and was
      // left whole.
      QVERIFY2(shown.text.contains(disk.data + QStringLiteral("flower.dat")), qPrintable(shown.text));
      QCOMPARE(after.value(QStringLiteral("flower.dat")), files.value(QStringLiteral("flower.dat")));
      QCOMPARE(after.keys(), files.keys());
    } else {
      QCOMPARE(after.keys(), files.keys());
      for (const QString& name : files.keys()) QVERIFY2(after.value(name) == files.value(name), qPrintable(name));
    }
  }
};

int main(int argc, char** argv) {
  // Before Qt starts any thread.
  const bool private_mounts = full_disk::enter_private_mounts();
  QApplication app(argc, argv);
  FullDiskTest test(private_mounts);
  return QTest::qExec(&test, argc, argv);
}

#include "test_full_disk.moc"
