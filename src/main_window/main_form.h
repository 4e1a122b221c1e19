#pragma once
// The main window: the memo list with its two filters, the viewer pane,
// the hint box and the command buttons.

#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QSize>
#include <QUrl>
#include <functional>
#include <memory>

#include "store/diary/app_state.h"
#include "store/search/keyword_match.h"
#include "ui/click_list.h"
#include "ui/main_window_host.h"
#include "ui/message_service.h"
#include "ui/pick_combo.h"

class QAction;
class QComboBox;
class QDialog;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class MemoGrid;
class MemoListModel;
class ToolsMenu;
class F_kinyu;
class F_douki;
class DiskWatch;

namespace store {
class InstanceLock;
struct DiskSync;
}

class Main_form : public QMainWindow, public ui::MainWindowHost {
  Q_OBJECT

 public:
  Main_form(store::AppState& state, ui::MessageService& messages, QWidget* parent = nullptr);
  ~Main_form() override;

  // Start-up. Returns false when the program must end at once (another copy
  // is running, or the data directory cannot be used); the reason has
  // already been shown.
  bool Form_Load();
  // Shows the window in the state start-up restored.
  void show_restored();

  // Shut-down: stores the geometry and writes every index file. Returns
  // false when a file could not be written and the user chose to stay.
  bool shut_down();

  // What the other windows use (see ui::MainWindowHost).
  void set_hint(const QString& text) override;
  QString current_memo_no() override;
  void refresh_memo_list() override;
  void reset_memo_list() override;
  void update_main_caption() override;
  void add_location_filter_name(const QString& name) override;
  void add_variety_filter_name(const QString& name) override;
  void set_location_filter_names(const QStringList& names) override;
  void set_variety_filter_names(const QStringList& names) override;
  void begin_listing() override;
  void list_memo(int slot) override;
  void mark_search_hits(const QString& keyword, bool folded) override;
  // The search's keyword in the body shown: F3 / Shift+F3 select the
  // next / previous occurrence, past the memo's last (before its first)
  // the next (previous) memo found, at its first (last) occurrence.
  void next_search_hit(int step);
  bool select_memo_no(const QString& memo_no) override;
  QRectF outer_geometry_twips() const override;
  QWidget* host_widget() override { return this; }
  std::vector<int> listed_slots() const override;
  bool show_memo_of(const QString& memo_no) override;
  bool show_picture_of(const QString& memo_no, int picture_no) override;

  // The ツール menu and the windows it opens.
  ToolsMenu& tools() const { return *tools_; }

  void clear_viewer_pane();

  // The viewer pane.
  void show_memo();
  void show_memo_picture(int k);
  void fit_picture();

  // Opens the full-size viewer on the picture shown, when one is shown.
  void open_full_size_viewer() override;

  // Lays the controls out for the window's size and refits the picture.
  void Form_Resize();

  // The main window's outer size in twips, as the layout rules use it.
  double outer_width_twips() const;
  double outer_height_twips() const;
  void set_outer_size_twips(double width, double height);

  MemoListModel* list_model() const { return model_; }

  // Changes made to the data folder from outside (a sync tool): the watch
  // that notices them, one look at the folder that takes them in, and the
  // window that reports conflict copies merged back (while it is open).
  DiskWatch* disk_watch() const { return disk_watch_; }
  void look_at_disk();
  F_douki* sync_report() const;

  // Runs a modal window. Tests replace it to drive the window instead.
  std::function<int(QDialog&)> run_modal;

 public Q_SLOTS:
  void Combo1_Click();
  void Combo2_Click();
  void Command2_Click();
  void Grid1_Click();
  void List1_Click();
  void Grid1_DblClick();
  void Image1_DblClick();
  void List1_DblClick();
  void Command6_Click();
  void Command7_Click();
  void Command8_Click();
  void Menu_zenbun_Click();
  void Menu_basyo_Click();
  void Menu_hinsyu_Click();
  void menu_tukaikata_Click();
  void Menu_file_quit_Click();
  void Menu_quit_Click();

 Q_SIGNALS:
  // The memo rows listed changed (a filter, a refresh, a search).
  void listed_memos_changed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // The bare client surface's mouse events (y in twips): the divider.
  void Form_MouseMove(double y, bool button_held);
  void Form_MouseDown(double y);
  void Form_MouseUp(double y);
  void set_divider_pointer(bool on);
  void show_picture_file(const QString& path);
  // Steps of show_memo: the body and the picture titles of memo n.
  void load_viewer_pane(const QString& n);
  // The size the picture loaded is shown at in the picture area (pixels).
  QSize fitted_picture_size() const;
  void take_back_picture();
  void build_controls();
  void build_filter_row(QWidget* client);
  void build_viewer_pane(QWidget* client);
  void build_bottom_row(QWidget* client);
  void connect_controls();
  void build_menu_bar();
  void set_up_grid();
  store::Settings current_geometry() const;
  int menu_bar_height() const;
  void restore_geometry();
  void fill_list(const std::vector<int>& slots);
  void empty_list();
  void remove_picture();
  void quit_from_menu();
  void install_hints();
  // Runs the editor; a cancel gives the viewer pane back its picture list.
  // `prepare`, when given, fills the editor before it is shown and may
  // decide that it is not shown at all.
  void run_editor(const std::function<bool(F_kinyu&)>& prepare = {});
  // "登録": the editor for a new memo, filled first by `prepare` when given.
  void open_new_memo(const std::function<bool(F_kinyu&)>& prepare);
  // Picture files dropped on the list or the viewer pane: a new memo with
  // them, dated by the earliest of their shooting dates.
  void new_memo_with_files(const QList<QUrl>& urls);
  void install_file_drops();
  // Marks the search's keyword in the body and the picture titles shown.
  void show_search_marks();
  // Forgets the marks of the body (its text is gone or replaced).
  void drop_body_marks();
  // Makes occurrence i of the body the one F3 selected.
  void select_body_hit(int i);
  // Shows the memo found `step` rows after (before) the one shown, as a
  // click on its row does. False when there is none.
  bool show_next_memo_found(int step);
  void install_search_keys();

  // Steps of look_at_disk (main_form_sync.cpp). `current_no` is the memo of
  // the current row before the look, `found_nos` the memos listed when the
  // list is a search's result.
  void take_in_disk_changes(const QString& current_no, const QStringList& found_nos);
  void relist_after_disk_change(const QStringList& found_nos);
  // The drop-down lists of the filter boxes as the category lists now are;
  // what is typed in the boxes stays.
  void refresh_filter_names();
  // The body or the picture list file of the memo shown differs from what
  // the pane shows (it arrived or changed after the memo was shown).
  bool shown_memo_files_changed() const;
  // Shows the current row's memo again, on the same picture when it can.
  void show_memo_again();
  // The watch follows the files of the memo shown.
  void watch_shown_memo();
  void show_merge_report(const store::DiskSync& sync);
  void report_disk_problem(const QString& text);

  store::AppState& state_;
  ui::MessageService& messages_;
  std::unique_ptr<store::InstanceLock> lock_;
  bool finished_ = false;

  // The picture now loaded into Image1: its path and its own size (pixels).
  QString picture_file_;
  QSize picture_own_size_;
  // Which entry of current_images Image1 shows (0 when unknown).
  int shown_image_no_ = 0;

  // True from a mouse-down on the divider to the next mouse-up.
  bool dragging_ = false;
  // The pointer over the bare surface is the vertical sizing arrow.
  bool divider_pointer_ = false;

  MemoListModel* model_ = nullptr;

  // The search whose result is listed, while it is; the occurrences of its
  // keyword in the body shown, and the one F3 last selected (-1: none).
  std::unique_ptr<store::KeywordMatch> search_marks_;
  std::vector<store::KeywordMatch::Hit> body_hits_;
  int body_hit_ = -1;
  // The number of the memo whose body the pane shows ("" when none), and
  // the body and pictures read for it.
  QString shown_memo_no_;
  QString shown_body_;
  std::vector<store::ImageEntry> shown_images_;

  // The filters the list was last built with, or true when it holds a
  // search's result (listed memo by memo).
  QString listed_location_;
  QString listed_variety_;
  bool listed_search_ = false;

  DiskWatch* disk_watch_ = nullptr;
  QPointer<F_douki> sync_report_;
  // The last problem with the folder reported, so that each is shown once.
  QString disk_problem_shown_;

  std::unique_ptr<ToolsMenu> tools_;

 public:
  // Controls, named as in the design.
  QLabel* Label1 = nullptr;
  ui::PickCombo* Combo1 = nullptr;
  QLabel* Label2 = nullptr;
  ui::PickCombo* Combo2 = nullptr;
  QPushButton* Command2 = nullptr;
  MemoGrid* Grid1 = nullptr;
  QPlainTextEdit* Text2 = nullptr;
  ui::ClickList* List1 = nullptr;
  QLabel* Image1 = nullptr;
  QLabel* Label3 = nullptr;
  QLineEdit* Text1 = nullptr;
  QPushButton* Command7 = nullptr;
  QPushButton* Command8 = nullptr;
  QPushButton* Command6 = nullptr;
  QMenu* Menu_file = nullptr;
  QAction* Menu_file_quit = nullptr;
  QAction* Menu_zenbun = nullptr;
  QMenu* Menu_bunrui_edit = nullptr;
  QAction* Menu_basyo = nullptr;
  QAction* Menu_hinsyu = nullptr;
  QAction* menu_tukaikata = nullptr;
  QAction* Menu_quit = nullptr;
};
