#pragma once
// The memo editor: writes a new memo or corrects the memo on the main
// list's current row, with its ordered list of titled pictures. It is
// created for one opening, shown modally with exec() and destroyed when it
// closes.

#include <QDialog>
#include <QList>
#include <QUrl>
#include <functional>

#include "store/diary/app_state.h"
#include "store/diary/memo_save.h"
#include "ui/click_list.h"
#include "ui/main_window_host.h"
#include "ui/message_service.h"
#include "ui/pick_combo.h"

class QComboBox;
class QImage;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

class F_kinyu : public QDialog {
  Q_OBJECT

 public:
  // Opens for a new memo when state.EditMode is "sinki", otherwise for the
  // memo on the main list's current row. The parent defaults to the main
  // window.
  F_kinyu(store::AppState& state, ui::MessageService& messages, ui::MainWindowHost& main,
          QWidget* parent = nullptr);
  ~F_kinyu() override;

  // Shows picture k (1-based position in state.current_images) fitted to
  // the picture area, or tells the user that its file is missing.
  void show_editor_picture(int k);

  bool is_new_memo() const { return new_memo_; }
  // The memo_table slot being corrected (0 in new mode, or when the main
  // list had no memo row).
  int edit_slot() const { return edit_slot_; }

  // The picture area for the window's current size: the largest size a
  // picture is shown at, in twips.
  float picture_area_width() const;
  float picture_area_height() const;

  // The outer size in twips, as the layout rules use it.
  double outer_width_twips() const;
  double outer_height_twips() const;

  // Runs a modal window (the picture picker, the title change). Tests
  // replace it to drive the window instead.
  std::function<int(QDialog&)> run_modal;

  // Picture files brought in by a drop or a paste: inserted at 0-based
  // position `at` (-1: the end) by the picker's rules, the first one added
  // chosen and shown, and what could not be added named in one message.
  // Returns the number added.
  int add_picture_files(const QList<QUrl>& urls, int at);
  // The date box takes the earliest shooting date of the memo's pictures,
  // when any of them has one.
  void date_from_pictures();
  // Ctrl+V and "貼り付け(&P)" in the picture list: files copied in a file
  // manager, or an image without a file, which is first saved where the
  // user chooses.
  void paste_pictures();
  // Asks where to save a JPEG copy (a pasted image, or a picture file of
  // another format), proposing `proposed`; "" when the user cancels. Tests
  // replace it, and the folder below which copies are proposed (the user's
  // picture folder).
  std::function<QString(QWidget*, const QString& caption, const QString& proposed)> choose_image_file;
  QString pictures_folder;

  // True when the fields, the body or the pictures differ from what they
  // held when the editor opened.
  bool has_unsaved_changes() const;

 public Q_SLOTS:
  void Command1_Click();  // 登録
  void Command2_Click();  // 中止
  void Command3_Click();  // 今日
  void Combo1_Click();    // an entry of the location list was chosen
  void Combo2_Click();    // an entry of the variety list was chosen
  void List1_Click();     // a picture title was chosen
  void List1_DblClick();  // change the chosen picture's title
  void Command4_Click();  // 画像削除
  void Command5_Click();  // 画像追加
  void Command6_Click();  // ↓一つ下
  void Command7_Click();  // ↑一つ上
  // 中止, Esc and the window's close button: unsaved changes are thrown
  // away only when the user agrees.
  void reject() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  void Form_Load();
  void Form_Resize();
  void build_controls();
  void set_fonts();
  void set_tab_order();
  void install_hints();
  void install_file_drops();
  void save_pasted_image(const QImage& image);
  // Saves `image` as a JPEG copy where the user chooses. `path` is the
  // place chosen ("" when the user cancels); `why` says why the copy was
  // not saved there ("" when it was).
  struct SavedCopy {
    QString path;
    QString why;
  };
  SavedCopy save_copy(const QImage& image, const QString& caption, const QString& proposed);
  // The JPEG copy of a picture file of another format, for the drop and
  // paste rules: written into the pictures folder's year folder.
  QString copy_as_jpeg(const QString& source, QString* why);
  // Shows the picture at current_image_path fitted to the picture area.
  // Unless `reload`, it is decoded again only when its shown size changes.
  void fit_shown_picture(bool reload);
  void show_first_picture();
  void move_picture(int from, int to);
  // The 1-based position of the selected picture title, 0 when none is
  // selected.
  int selected_picture() const;
  void fill_categories(QComboBox* combo, const store::CategoryList& list, const QString& text);
  void load_memo();
  void list_pictures();
  void remove_picture();
  void set_picture_path_label(const QString& path);
  store::MemoInput read_input() const;
  // The body as the store keeps it: lines separated by CR LF.
  QString body_text() const;
  // Asks about characters that cannot be stored. False when the user
  // wants to go back to editing; otherwise `input` is ready to save.
  bool settle_unencodable(store::MemoInput& input);
  void save(store::MemoInput input);

  store::AppState& state_;
  ui::MessageService& messages_;
  ui::MainWindowHost& main_;
  bool new_memo_ = true;
  int edit_slot_ = 0;
  // What the memo held when the editor opened, as the save would read it.
  store::MemoInput opened_with_;

 public:
  // Controls, named as in the design.
  QLabel* Label1 = nullptr;
  ui::PickCombo* Combo1 = nullptr;
  QLabel* Label3 = nullptr;
  ui::PickCombo* Combo2 = nullptr;
  QLabel* Label6 = nullptr;
  QLineEdit* Text2 = nullptr;
  QLabel* Label2 = nullptr;
  QLineEdit* Text1 = nullptr;
  QPushButton* Command3 = nullptr;
  QLabel* Label5 = nullptr;
  QPlainTextEdit* Text3 = nullptr;
  ui::ClickList* List1 = nullptr;
  QPushButton* Command6 = nullptr;
  QPushButton* Command7 = nullptr;
  QPushButton* Command4 = nullptr;
  QPushButton* Command5 = nullptr;
  QLabel* Image1 = nullptr;
  QLabel* Label4 = nullptr;
  QPushButton* Command2 = nullptr;
  QPushButton* Command1 = nullptr;
};
