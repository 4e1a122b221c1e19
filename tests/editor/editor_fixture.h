#pragma once
// The memo editor over a real main window and data directory: three memos,
// one of them (grid row 2, memo " 4 ") with a body and three pictures.

#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "data_dir.h"
#include "editor/f_kinyu.h"
#include "main_window/main_form.h"
#include "main_window/memo_grid.h"
#include "main_window/memo_list_model.h"
#include "recording_messages.h"
#include "store/diary/memo_files.h"

namespace editor_testing {

using testing_support::cp932_lines;
using testing_support::read_bytes;
using testing_support::snapshot;
using testing_support::write_bytes;

// Also notes whether "登録" was enabled while a box was up, and which
// answer a question offered as its default.
class ProbingMessages : public RecordingMessages {
 public:
  void inform(QWidget* parent, const QString& text, const QString& title) override {
    if (button) enabled_during_box = button->isEnabled();
    RecordingMessages::inform(parent, text, title);
  }
  bool ask(QWidget* parent, const QString& text, const QString& title, bool default_yes) override {
    if (button) enabled_during_box = button->isEnabled();
    last_default_yes = default_yes;
    return RecordingMessages::ask(parent, text, title, default_yes);
  }
  QPushButton* button = nullptr;
  bool last_default_yes = true;
  bool enabled_during_box = true;
};

struct Fixture {
  // Three memos; memo " 4 " (grid row 2) has a body and three pictures.
  Fixture() {
    dir_path = dir.path() + QLatin1Char('/');
    QStringList lines;
    for (const char* m : {"2026/06/01|花壇|パンジー|植え付け| 5 ", "2026/05/20|温室|トマト|芽が出た| 4 ",
                          "2026/05/10|花壇|チューリップ|球根掘り| 3 "}) {
      lines << QString::fromUtf8(m).split(QLatin1Char('|')) << QStringLiteral("2026/01/01 10:00:00")
            << QStringLiteral("2026/01/01 10:00:00");
    }
    QDir().mkdir(dir_path + QStringLiteral("memo"));
    write_bytes(dir_path + QStringLiteral("flower.dat"), cp932_lines(lines));
    write_bytes(dir_path + QStringLiteral("basyo.dat"), cp932_lines({QStringLiteral("花壇"), QStringLiteral("温室")}));
    write_bytes(dir_path + QStringLiteral("hinsyu.dat"),
                cp932_lines({QStringLiteral("パンジー"), QStringLiteral("トマト"), QStringLiteral("チューリップ")}));
    for (int i = 1; i <= 3; ++i) pictures << picture(QStringLiteral("p%1.png").arg(i), 30 * i, 20);
    store::save_memo_body(dir_path, QStringLiteral(" 4 "), QStringLiteral("一行目\r\n二行目"));
    store::save_image_list(dir_path, QStringLiteral(" 4 "),
                           {{pictures[0], QStringLiteral("全景")}, {pictures[1], QStringLiteral("葉")},
                            {pictures[2], QStringLiteral("花")}});
    state = std::make_unique<store::AppState>(dir_path);
    form = std::make_unique<Main_form>(*state, messages);
    if (!form->Form_Load()) qFatal("the main window did not start");
  }

  // Opens the editor as the main window does: for grid row `row`, or for a
  // new memo when row is 0.
  F_kinyu& open_editor(int row = 0) {
    state->EditMode = row ? QStringLiteral("teisei") : QStringLiteral("sinki");
    if (row) form->Grid1->setCurrentIndex(form->list_model()->index(row - 1, 0));
    editor = std::make_unique<F_kinyu>(*state, messages, *form);
    messages.button = editor->Command1;
    return *editor;
  }

  QString picture(const QString& name, int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    image.save(dir_path + name, "PNG");
    return dir_path + name;
  }

  void fill(const QString& location, const QString& variety, const QString& title, const QString& body) {
    editor->Combo1->setEditText(location);
    editor->Combo2->setEditText(variety);
    editor->Text2->setText(title);
    editor->Text3->setPlainText(body);
  }

  QTemporaryDir dir;
  QString dir_path;
  QStringList pictures;
  ProbingMessages messages;
  std::unique_ptr<store::AppState> state;
  std::unique_ptr<Main_form> form;
  std::unique_ptr<F_kinyu> editor;
};

inline QStringList titles(const QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

}  // namespace editor_testing
