#pragma once
// The picture picker: walks volumes and directories, previews a picture
// file with its date, and registers it under a title in the picture list of
// the memo being edited. It can also delete the chosen file from disk.
// Created for one opening over the editor, shown modally, then destroyed;
// where it was left is kept in the state (picker_dir, picker_saved_drive,
// picker_saved_dir) so that the next opening starts there.

#include <QDialog>
#include <QStringList>

#include "store/diary/app_state.h"
#include "store/pictures/picture_pick.h"
#include "ui/click_list.h"
#include "ui/message_service.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class F_picture : public QDialog {
  Q_OBJECT

 public:
  // `editor` is the window the picker opens over (it takes its top-left
  // corner); `titles` is the editor's list of picture titles, which each
  // registration appends to together with state.current_images. `drives`
  // are the volume roots the drive list offers ("/" first).
  F_picture(store::AppState& state, ui::MessageService& messages, QWidget& editor, QListWidget& titles,
            const QStringList& drives = store::mounted_volume_roots());
  ~F_picture() override;

  // The directory Dir1 shows, without a trailing "/" (except "/").
  QString dir_path() const { return dir_path_; }
  // Sets the directory Dir1 shows, as a double click on it would: lists its
  // files and remembers it. False (with a message) when it cannot be listed.
  bool set_dir_path(const QString& dir);

 public Q_SLOTS:
  void Drive1_Change();
  void Dir1_Change();
  void File1_Click();
  void Command1_Click();  // 中止
  void Command2_Click();  // 登録
  void Command3_Click();  // 削除

 private:
  void build_controls();
  void Form_Load();
  void fill_dir_list();
  void fill_file_list();
  void clear_preview();
  void show_preview(const QString& path);
  bool show_drive(int position);
  QString selected_file_name() const;

  store::AppState& state_;
  ui::MessageService& messages_;
  QListWidget& titles_;
  QStringList drives_;
  QString dir_path_;
  int last_good_drive_ = 0;
  bool reverting_drive_ = false;

 public:
  // Controls, named as in the design.
  ui::ClickList* File1 = nullptr;
  QTreeWidget* Dir1 = nullptr;
  QComboBox* Drive1 = nullptr;
  QLabel* Label1 = nullptr;
  QLineEdit* Text1 = nullptr;
  QPushButton* Command1 = nullptr;
  QPushButton* Command2 = nullptr;
  QPushButton* Command3 = nullptr;
  QLabel* Image1 = nullptr;
};
