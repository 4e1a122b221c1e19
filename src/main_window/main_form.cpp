#include "main_window/main_form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

#include "main_window/disk_watch.h"
#include "main_window/main_layout.h"
#include "main_window/memo_grid.h"
#include "main_window/memo_list_model.h"
#include "main_window/memo_row_delegate.h"
#include "main_window/tools_menu.h"
#include "store/diary/shutdown.h"
#include "store/diary/startup.h"
#include "ui/app_icon.h"
#include "ui/click_list.h"
#include "ui/form_controls.h"
#include "ui/pick_combo.h"
#include "ui/twips.h"

using ui::make_button;
using ui::place;
using ui::px;

namespace {

// The window as designed: its outer size around a client area of
// 9330 × 6285 twips below the menu bar.
using ui::kDesignOuterHeight;
using ui::kDesignOuterWidth;
constexpr double kFrameWidth = kDesignOuterWidth - 9330;
constexpr double kFrameHeight = kDesignOuterHeight - 6285;
constexpr double kDesignGridHeight = 2295;

QLabel* make_label(QWidget* parent, const char* name, const QString& text) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QLatin1String(name));
  return label;
}

void place_sized_to_text(QLabel* label, double left, double top) {
  label->adjustSize();
  label->move(px(left), px(top));
}

}  // namespace

Main_form::Main_form(store::AppState& state, ui::MessageService& messages, QWidget* parent)
    : QMainWindow(parent), state_(state), messages_(messages) {
  setObjectName(QStringLiteral("Main_form"));
  setWindowTitle(store::kAppTitle);
  setWindowIcon(ui::app_icon());
  run_modal = [](QDialog& dialog) { return dialog.exec(); };
  build_controls();
  build_menu_bar();
}

// The tools' windows go before the controls they use.
Main_form::~Main_form() { tools_.reset(); }

void Main_form::build_controls() {
  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("client"));
  setCentralWidget(client);
  // Never smaller than the designed client area.
  client->setMinimumSize(px(kDesignOuterWidth - kFrameWidth), px(kDesignOuterHeight - kFrameHeight));

  build_filter_row(client);
  build_viewer_pane(client);
  build_bottom_row(client);
  connect_controls();
  install_hints();
  install_file_drops();
  install_search_keys();
}

void Main_form::build_filter_row(QWidget* client) {
  // The boxes are named for screen readers after the labels beside them,
  // and described by their hints.
  auto make_combo = [this, client](const char* name, const QString& spoken, const QString& description) {
    ui::PickCombo* combo = ui::make_pick_combo(client, name);
    combo->lineEdit()->installEventFilter(this);
    combo->setAccessibleName(spoken);
    combo->setAccessibleDescription(description);
    return combo;
  };
  QPalette yellow;
  yellow.setColor(QPalette::Window, QColor(255, 255, 0));
  Label1 = make_label(client, "Label1", QStringLiteral("場所"));
  Label1->setAutoFillBackground(true);
  Label1->setPalette(yellow);
  place_sized_to_text(Label1, 0, 120);
  Combo1 = make_combo("Combo1", QStringLiteral("場所"), QStringLiteral("指定した場所の項目だけを表示します。"));
  place(Combo1, 540, 60, 3315, 315);
  Label2 = make_label(client, "Label2", QStringLiteral("品種"));
  Label2->setAutoFillBackground(true);
  Label2->setPalette(yellow);
  place_sized_to_text(Label2, 3840, 120);
  Combo2 = make_combo("Combo2", QStringLiteral("品種"), QStringLiteral("指定した品種の項目だけを表示します。"));
  place(Combo2, 4440, 60, 3795, 315);
  Command2 = make_button(client, "Command2", QStringLiteral("リセット"));
  place(Command2, 8400, 60, 855, 315);
}

void Main_form::build_viewer_pane(QWidget* client) {
  model_ = new MemoListModel(state_.memo_table, this);
  Grid1 = new MemoGrid(client);
  Grid1->setObjectName(QStringLiteral("Grid1"));
  Grid1->setModel(model_);
  place(Grid1, 0, 480, 9255, kDesignGridHeight);
  // The pane's controls carry names for screen readers; none has a label.
  Grid1->setAccessibleName(QStringLiteral("メモの一覧"));

  Text2 = new QPlainTextEdit(client);
  Text2->setObjectName(QStringLiteral("Text2"));
  // The pane only displays: the body can be selected and copied, not edited.
  Text2->setReadOnly(true);
  Text2->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  Text2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  place(Text2, 60, 2820, 5535, 2955);
  Text2->setAccessibleName(QStringLiteral("メモの本文"));

  List1 = new ui::ClickList(client);
  List1->setObjectName(QStringLiteral("List1"));
  place(List1, 5640, 2820, 3675, 645);
  List1->setAccessibleName(QStringLiteral("画像のタイトル"));

  Image1 = new QLabel(client);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setScaledContents(true);
  place(Image1, 5640, 3540, 3675, 2235);
  Image1->setAccessibleName(QStringLiteral("画像"));

  Label3 = make_label(client, "Label3", QString());
  QPalette blue = Label3->palette();
  blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
  Label3->setPalette(blue);
  QFont bold = Label3->font();
  bold.setBold(true);
  Label3->setFont(bold);
  place_sized_to_text(Label3, 5700, 5520);
  Label3->raise();
}

void Main_form::build_bottom_row(QWidget* client) {
  Text1 = new QLineEdit(client);
  Text1->setObjectName(QStringLiteral("Text1"));
  Text1->setReadOnly(true);
  QPalette hint = Text1->palette();
  hint.setColor(QPalette::Base, QColor(255, 255, 192));
  hint.setColor(QPalette::Text, QColor(0, 0, 255));
  Text1->setPalette(hint);
  place(Text1, 60, 5880, 5895, 315);
  Text1->setAccessibleName(QStringLiteral("ヒント"));

  Command7 = make_button(client, "Command7", QStringLiteral("削除"));
  place(Command7, 6000, 5820, 975, 435);
  Command8 = make_button(client, "Command8", QStringLiteral("訂正"));
  place(Command8, 7080, 5820, 975, 435);
  Command6 = make_button(client, "Command6", QStringLiteral("登録"));
  place(Command6, 8160, 5820, 1155, 435);
}

void Main_form::connect_controls() {
  // A filter is chosen by picking from the drop-down list; typing alone,
  // or leaving the box, filters nothing.
  connect(Combo1, &ui::PickCombo::picked, this, &Main_form::Combo1_Click);
  connect(Combo2, &ui::PickCombo::picked, this, &Main_form::Combo2_Click);
  connect(Command2, &QPushButton::clicked, this, &Main_form::Command2_Click);
  connect(Grid1, &QTableView::clicked, this, &Main_form::Grid1_Click);
  connect(Grid1, &MemoGrid::row_chosen_by_keyboard, this, &Main_form::Grid1_Click);
  connect(List1, &ui::ClickList::item_clicked, this, &Main_form::List1_Click);
  connect(Grid1, &QTableView::doubleClicked, this, &Main_form::Grid1_DblClick);
  connect(List1, &QListWidget::itemDoubleClicked, this, &Main_form::List1_DblClick);
  connect(Command6, &QPushButton::clicked, this, &Main_form::Command6_Click);
  connect(Command7, &QPushButton::clicked, this, &Main_form::Command7_Click);
  connect(Command8, &QPushButton::clicked, this, &Main_form::Command8_Click);
}

void Main_form::set_up_grid() {
  Grid1->setSelectionBehavior(QAbstractItemView::SelectRows);
  Grid1->setSelectionMode(QAbstractItemView::SingleSelection);
  Grid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Grid1->setWordWrap(false);
  Grid1->setItemDelegate(new MemoRowDelegate(Grid1));
  Grid1->setTabKeyNavigation(false);
  Grid1->verticalHeader()->hide();
  Grid1->verticalHeader()->setDefaultSectionSize(Grid1->fontMetrics().height() + 6);
  Grid1->horizontalHeader()->setHighlightSections(false);
  Grid1->horizontalHeader()->setStretchLastSection(false);
  const double widths[] = {1100, 1200, 1200};
  for (int c = 0; c < 3; ++c) Grid1->setColumnWidth(c, px(widths[c]));
  // A whole date always shows, whatever the font.
  const int date_width = Grid1->fontMetrics().horizontalAdvance(QStringLiteral("0000/00/00")) + 12;
  Grid1->setColumnWidth(0, std::max(Grid1->columnWidth(0), date_width));
  // The title column takes the rest of the list's width.
  Grid1->horizontalHeader()->setSectionResizeMode(3, QHeaderView::Stretch);
  // The memo-number column only carries the number each row stands for.
  Grid1->setColumnHidden(MemoListModel::kMemoNoColumn, true);
}

// The client area is the window less the menu bar. These work from the
// window's own size, which is right before the window is first shown too.
int Main_form::menu_bar_height() const {
  return menuBar()->isVisible() ? menuBar()->height() : menuBar()->sizeHint().height();
}

double Main_form::outer_width_twips() const { return ui::twips(width()) + kFrameWidth; }

double Main_form::outer_height_twips() const {
  return ui::twips(height() - menu_bar_height()) + kFrameHeight;
}

QRectF Main_form::outer_geometry_twips() const {
  return {ui::twips(pos().x()), ui::twips(pos().y()), outer_width_twips(), outer_height_twips()};
}

void Main_form::set_outer_size_twips(double width, double height) {
  resize(px(width - kFrameWidth), px(height - kFrameHeight) + menu_bar_height());
}

store::Settings Main_form::current_geometry() const {
  store::Settings g = state_.settings;
  g.window_state = isMinimized() ? 1 : isMaximized() ? 2 : 0;
  g.window_top = static_cast<float>(ui::twips(pos().y()));
  g.window_left = static_cast<float>(ui::twips(pos().x()));
  g.window_height = static_cast<float>(outer_height_twips());
  g.window_width = static_cast<float>(outer_width_twips());
  g.grid_height = static_cast<float>(ui::twips(Grid1->height()));
  return g;
}

bool Main_form::Form_Load() {
  // One running copy per data directory.
  lock_ = std::make_unique<store::InstanceLock>(state_.data_dir);
  switch (lock_->acquire()) {
    case store::InstanceLock::Outcome::Acquired:
      break;
    case store::InstanceLock::Outcome::AlreadyRunning:
      messages_.inform(nullptr, store::kAlreadyRunningMessage, store::kAppName);
      return false;
    case store::InstanceLock::Outcome::NotWritable:
      messages_.inform(nullptr, store::not_writable_message(lock_->unwritable_folder()), store::kAppTitle);
      return false;
  }

  // Centred on the screen at the design size.
  set_outer_size_twips(kDesignOuterWidth, kDesignOuterHeight);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect s = screen->geometry();
    move(s.x() + px((ui::twips(s.width()) - kDesignOuterWidth) / 2),
         s.y() + px((ui::twips(s.height()) - kDesignOuterHeight) / 2));
  }

  store::Settings defaults = current_geometry();
  defaults.window_state = 0;
  const store::StartupData data = store::start_up_data(state_, defaults);
  if (!data.ok) {
    messages_.inform(nullptr, data.message, store::kAppTitle);
    return false;
  }
  for (const QString& warning : data.warnings) messages_.inform(nullptr, warning, store::kAppTitle);

  restore_geometry();

  Combo1->addItems(state_.location_list.names);
  Combo1->setCurrentIndex(-1);
  Combo1->setEditText(QString());
  Combo2->addItems(state_.variety_list.names);
  Combo2->setCurrentIndex(-1);
  Combo2->setEditText(QString());

  set_up_grid();
  // Laid out at once, so the window is right before it is first shown.
  Form_Resize();
  std::vector<int> all(static_cast<size_t>(state_.memo_count()));
  for (int i = 0; i < state_.memo_count(); ++i) all[static_cast<size_t>(i)] = i + 1;
  fill_list(all);

  update_main_caption();
  Text1->clear();
  Text2->clear();
  Label3->clear();
  state_.current_images.clear();

  // From now on changes made to the folder from outside are taken in; a
  // first look at once, since conflict copies may be waiting.
  disk_watch_ = new DiskWatch(state_.data_dir, [this] {
    if (!finished_) look_at_disk();
  }, this);
  disk_watch_->look_soon();
  return true;
}

void Main_form::restore_geometry() {
  const store::Settings& s = state_.settings;
  // The list height as the divider leaves it: at least its floor. The
  // layout pass shortens a list too tall for the window. It is kept for a
  // window that opens maximised or minimised too, so the height the user
  // chose is not lost by one such session.
  if (s.grid_height > 0) {
    const double grid = std::clamp(static_cast<double>(s.grid_height), main_layout::kShortestGrid, 1.0e6);
    Grid1->resize(Grid1->width(), px(grid));
  }
  if (s.window_state != 0) return;
  const QRect wanted(px(s.window_left), px(s.window_top), px(s.window_width), px(s.window_height));
  // A position on a screen that is no longer attached would hide the
  // window; it then stays centred.
  bool visible = false;
  for (const QScreen* screen : QGuiApplication::screens()) {
    if (screen->geometry().intersects(wanted)) visible = true;
  }
  if (visible) move(wanted.topLeft());
  if (s.window_width > 0 && s.window_height > 0) set_outer_size_twips(s.window_width, s.window_height);
}

void Main_form::show_restored() {
  switch (state_.settings.window_state) {
    case 1: showMinimized(); break;
    case 2: showMaximized(); break;
    default: show(); break;
  }
}

bool Main_form::shut_down() {
  state_.settings = current_geometry();
  const QStringList failures = store::shut_down_data(state_);
  if (failures.isEmpty()) return true;
  const QString question = failures.join(QStringLiteral("\n\n")) +
                           QStringLiteral("\n\nこのまま終了しますか？\n"
                                          "「いいえ」を選ぶとVerdalisは終了しません。"
                                          "ディスクの空きなどを確かめてから、もう一度終了して下さい。");
  return messages_.ask(this, question, store::kAppTitle, false);
}

void Main_form::quit_from_menu() {
  if (finished_ || !shut_down()) return;
  finished_ = true;
  QCoreApplication::exit(0);
}

void Main_form::Menu_file_quit_Click() { quit_from_menu(); }

void Main_form::Menu_quit_Click() { quit_from_menu(); }

void Main_form::closeEvent(QCloseEvent* event) {
  if (finished_) {
    event->accept();
    return;
  }
  if (!shut_down()) {
    event->ignore();
    return;
  }
  finished_ = true;
  event->accept();
  QCoreApplication::exit(0);
}
