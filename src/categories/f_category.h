#pragma once
// The category list editors: F_basyo edits the locations and F_hinsyu the
// varieties. Both are one dialog, configured by the texts, colour, list,
// file and main-window filter box that tell them apart. Each is created for
// one opening, shown modally and destroyed when it closes.

#include <QColor>
#include <QDialog>
#include <QStringList>

#include "store/diary/app_state.h"
#include "store/diary/category_edit.h"
#include "ui/main_window_host.h"
#include "ui/message_service.h"

class QFrame;
class QLineEdit;
class QListWidget;
class QPushButton;

// Everything that differs between the location and the variety editor.
struct CategoryEditorConfig {
  QString object_name;
  store::Category category;
  QString caption;
  QColor background;
  QString add_caption;               // Command6
  QString delete_caption;            // Command3
  QString delete_question_prefix;    // the name is quoted after it
  QString memo_deletion_paragraph;   // last paragraph of the メモ削除 warning
  // Refills the main window's filter box for this list.
  void (ui::MainWindowHost::*set_filter_names)(const QStringList&);

  static CategoryEditorConfig locations();
  static CategoryEditorConfig varieties();
};

class F_category : public QDialog {
  Q_OBJECT

 public:
  F_category(const CategoryEditorConfig& config, store::AppState& state, ui::MessageService& messages,
             ui::MainWindowHost& main);

  const CategoryEditorConfig& config() const { return config_; }
  // The selected list position (from 0), -1 when nothing is selected.
  int selected_position() const;

  // Closing by Esc or by the window frame finishes like "終了".
  void reject() override;

 public Q_SLOTS:
  void Command1_Click();  // ↑一つ上に
  void Command2_Click();  // ↓一つ下に
  void Command3_Click();  // delete the name
  void Command4_Click();  // 終了
  void Command5_Click();  // メモ削除
  void Command6_Click();  // add a name

 private:
  void build_controls();
  void install_hints();
  void rebuild_list(int select);
  const store::CategoryList& list() const;
  void refill_filter_box();

  CategoryEditorConfig config_;
  store::AppState& state_;
  ui::MessageService& messages_;
  ui::MainWindowHost& main_;

 public:
  // Controls, named as in the design.
  QLineEdit* Text1 = nullptr;
  QPushButton* Command6 = nullptr;
  QListWidget* List1 = nullptr;
  QPushButton* Command1 = nullptr;
  QPushButton* Command2 = nullptr;
  QPushButton* Command3 = nullptr;
  QPushButton* Command4 = nullptr;
  QPushButton* Command5 = nullptr;
  QFrame* Line1 = nullptr;
};

// The location editor.
class F_basyo : public F_category {
  Q_OBJECT

 public:
  F_basyo(store::AppState& state, ui::MessageService& messages, ui::MainWindowHost& main);
};

// The variety editor.
class F_hinsyu : public F_category {
  Q_OBJECT

 public:
  F_hinsyu(store::AppState& state, ui::MessageService& messages, ui::MainWindowHost& main);
};
