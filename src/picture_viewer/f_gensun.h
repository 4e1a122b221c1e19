#pragma once
// The full-size picture viewer: the picture the main window shows, at its
// own size with its title underneath, paging through the memo's other
// pictures. Created for one opening, shown modally, destroyed on closing.

#include <QDialog>
#include <QSize>

#include "store/diary/app_state.h"
#include "ui/main_window_host.h"
#include "ui/message_service.h"

class QAction;
class QLabel;
class QMenuBar;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;

class F_gensun : public QDialog {
  Q_OBJECT

 public:
  // Opens on state.current_image_path (picture state.current_image_no of
  // state.current_images), at the main window's top left corner.
  F_gensun(store::AppState& state, ui::MessageService& messages, ui::MainWindowHost& main,
           QWidget* parent = nullptr);
  ~F_gensun() override;

  // True when the viewer was closed through "閉じる" (or Esc): the main
  // window then shows the picture the viewer showed last. A click on the
  // picture or the window frame closes it without that.
  bool hands_back() const { return hands_back_; }

  // The own size (pixels) of the picture on show; empty when none is.
  QSize picture_size() const { return picture_size_; }

  // The caption's suffix; it begins with an ideographic space.
  static QString caption_suffix();

  QMenuBar* menu_bar = nullptr;
  QAction* gensun_menyu_mae = nullptr;
  QAction* gensun_menu_tugi = nullptr;
  QAction* gensun_menu_file = nullptr;
  QAction* gensun_menu_tojiru = nullptr;
  QScrollArea* picture_area = nullptr;
  QLabel* Image1 = nullptr;
  QPlainTextEdit* Text1 = nullptr;
  QPushButton* Command1 = nullptr;
  QPushButton* Command2 = nullptr;
  QPushButton* Command3 = nullptr;

 public Q_SLOTS:
  void Command1_Click();  // close_viewer
  void Command2_Click();  // previous picture
  void Command3_Click();  // next picture
  void gensun_menu_file_Click();
  void Image1_Click();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void moveEvent(QMoveEvent* event) override;

 private:
  void Form_Load();
  void build_controls();
  // Loads a picture file into Image1 at its own size. False (and Image1
  // empty) when it cannot be decoded.
  bool load_picture_file(const QString& path);
  void remove_picture();
  void set_caption(const QString& path);
  QString title_of(int no) const;
  void page(int step);
  // Sizes the window around the picture loaded and keeps it on the screen,
  // its top left corner at `top_left` when there is room.
  void layout_viewer(QPoint top_left);
  void place_controls();
  int menu_bar_height(int width) const;
  QSize frame_extent() const;
  void refit_to_frame();

  store::AppState& state_;
  ui::MessageService& messages_;
  ui::MainWindowHost& main_;
  QWidget* client_ = nullptr;
  QSize picture_size_;
  // The window manager's frame the window was last sized for.
  QSize frame_used_;
  bool hands_back_ = false;
  bool pressed_on_picture_ = false;
};
