// The memo editor: building the window, opening it in either mode, the
// keyboard moves between the entry fields, cancelling and the picture on
// show. The layout and hints are in f_kinyu_layout.cpp, the picture list
// commands in f_kinyu_pictures.cpp, saving in f_kinyu_save.cpp.

#include "editor/f_kinyu.h"

#include <QComboBox>
#include <QDateTime>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

#include "editor/editor_layout.h"
#include "store/diary/field_formats.h"
#include "store/diary/memo_files.h"
#include "store/diary/memo_index.h"
#include "ui/form_controls.h"
#include "ui/twips.h"

using ui::px;

namespace {

// The window as designed: its outer size around a client area of
// 9330 × 6570 twips.
constexpr double kFrameWidth = ui::kDesignOuterWidth - 9330;
constexpr double kFrameHeight = ui::kDesignOuterHeight - 6570;
// The editor leaves this much of the main window uncovered at the bottom,
// so that the hint box stays visible.
constexpr double kUncoveredBottom = 500;

const QColor kLightCyan(192, 255, 255);

QString missing_picture_message(const QString& path) { return path + QStringLiteral("がありません。"); }

// The store keeps bodies with CR LF; the text box works with bare line feeds.
QString for_display(QString text) { return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }

bool is_return(const QKeyEvent* key) { return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter; }

bool is_tab(const QKeyEvent* key) {
  return key->key() == Qt::Key_Tab && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
}

}  // namespace

F_kinyu::F_kinyu(store::AppState& state, ui::MessageService& messages, ui::MainWindowHost& main, QWidget* parent)
    : QDialog(parent ? parent : main.host_widget()), state_(state), messages_(messages), main_(main) {
  setObjectName(QStringLiteral("F_kinyu"));
  run_modal = [](QDialog& dialog) { return dialog.exec(); };
  build_controls();
  set_fonts();
  set_tab_order();
  install_hints();
  install_file_drops();
  Form_Load();
}

F_kinyu::~F_kinyu() {
  // ~QDialog hides an editor still shown; the focus leaving a combo box
  // then emits activated() into this editor's slots when its members are
  // already gone. The controls are cut off from it first.
  for (QObject* control : findChildren<QObject*>()) control->disconnect(this);
}

// The controls; where they go is decided by the layout (Form_Resize).
void F_kinyu::build_controls() {
  setAutoFillBackground(true);
  QPalette cyan = palette();
  cyan.setColor(QPalette::Window, kLightCyan);
  setPalette(cyan);

  auto make_label = [this](const char* name, const QString& text, bool tinted) {
    auto* label = new QLabel(text, this);
    label->setObjectName(QLatin1String(name));
    if (tinted) {
      label->setAutoFillBackground(true);
      QPalette p = label->palette();
      p.setColor(QPalette::Window, kLightCyan);
      label->setPalette(p);
    }
    return label;
  };
  auto make_combo = [this](const char* name) {
    ui::PickCombo* combo = ui::make_pick_combo(this, name);
    // Enter and Tab reach the combo box itself; a key sent straight to its
    // line edit is caught there.
    combo->installEventFilter(this);
    combo->lineEdit()->installEventFilter(this);
    return combo;
  };
  auto make_line = [this](const char* name) {
    auto* line = new QLineEdit(this);
    line->setObjectName(QLatin1String(name));
    line->installEventFilter(this);
    return line;
  };

  Label1 = make_label("Label1", QStringLiteral("場所"), true);
  Combo1 = make_combo("Combo1");
  Label3 = make_label("Label3", QStringLiteral("品種"), true);
  Combo2 = make_combo("Combo2");

  Label6 = make_label("Label6", QStringLiteral("ﾀｲﾄﾙ"), true);
  Text2 = make_line("Text2");
  Label2 = make_label("Label2", QStringLiteral("年/月/日"), true);
  Text1 = make_line("Text1");
  Command3 = ui::make_button(this, "Command3", QStringLiteral("今日"));

  Label5 = make_label("Label5", QStringLiteral("作業や観察の記録などを自由に記入して下さい"), false);
  Text3 = new QPlainTextEdit(this);
  Text3->setObjectName(QStringLiteral("Text3"));
  Text3->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  // Tab leaves the body instead of being typed into it.
  Text3->setTabChangesFocus(true);

  List1 = new ui::ClickList(this);
  List1->setObjectName(QStringLiteral("List1"));

  Command6 = ui::make_button(this, "Command6", QStringLiteral("↓一つ下"));
  Command7 = ui::make_button(this, "Command7", QStringLiteral("↑一つ上"));
  Command4 = ui::make_button(this, "Command4", QStringLiteral("画像削除"));
  Command5 = ui::make_button(this, "Command5", QStringLiteral("画像追加"));

  Image1 = new QLabel(this);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setScaledContents(true);

  Label4 = make_label("Label4", QString(), false);
  QPalette blue = Label4->palette();
  blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
  Label4->setPalette(blue);

  Command2 = ui::make_button(this, "Command2", QStringLiteral("中止"));
  Command1 = ui::make_button(this, "Command1", QStringLiteral("登録"));
  // Enter in a field moves on, it never presses a button by itself.
  for (QPushButton* b : findChildren<QPushButton*>()) b->setAutoDefault(false);

  // Never smaller than the least size the layout allows.
  setMinimumSize(px(editor::kLeastOuterWidth - kFrameWidth), px(editor::kLeastOuterHeight - kFrameHeight));

  connect(Command1, &QPushButton::clicked, this, &F_kinyu::Command1_Click);
  connect(Command2, &QPushButton::clicked, this, &F_kinyu::Command2_Click);
  connect(Command3, &QPushButton::clicked, this, &F_kinyu::Command3_Click);
  connect(Command4, &QPushButton::clicked, this, &F_kinyu::Command4_Click);
  connect(Command5, &QPushButton::clicked, this, &F_kinyu::Command5_Click);
  connect(Command6, &QPushButton::clicked, this, &F_kinyu::Command6_Click);
  connect(Command7, &QPushButton::clicked, this, &F_kinyu::Command7_Click);
  // Only a pick from the drop-down list moves on to the title; leaving a
  // box that holds a known name does not.
  connect(Combo1, &ui::PickCombo::picked, this, &F_kinyu::Combo1_Click);
  connect(Combo2, &ui::PickCombo::picked, this, &F_kinyu::Combo2_Click);
  connect(List1, &ui::ClickList::item_clicked, this, &F_kinyu::List1_Click);
  connect(List1, &QListWidget::itemDoubleClicked, this, &F_kinyu::List1_DblClick);
}

double F_kinyu::outer_width_twips() const { return ui::twips(width()) + kFrameWidth; }

double F_kinyu::outer_height_twips() const { return ui::twips(height()) + kFrameHeight; }

void F_kinyu::Form_Load() {
  setWindowTitle(store::kAppTitle);

  // Over the main window, leaving its bottom strip (the hint box) uncovered.
  const QRectF main_geometry = main_.outer_geometry_twips();
  const double outer_height = main_geometry.height() - kUncoveredBottom;
  move(px(main_geometry.left()), px(main_geometry.top()));
  resize(px(main_geometry.width() - kFrameWidth), px(outer_height - kFrameHeight));
  Form_Resize();

  new_memo_ = state_.EditMode == QStringLiteral("sinki");
  if (new_memo_) {
    Text1->setText(store::format_date(QDateTime::currentDateTime()));
    fill_categories(Combo1, state_.location_list, QString());
    fill_categories(Combo2, state_.variety_list, QString());
    Text2->clear();
    Text3->clear();
    set_picture_path_label(QString());
    state_.current_images.clear();
    list_pictures();
  } else {
    load_memo();
  }

  main_.set_hint(QString());
  Combo1->setFocus(Qt::OtherFocusReason);
  opened_with_ = read_input();
}

void F_kinyu::fill_categories(QComboBox* combo, const store::CategoryList& list, const QString& text) {
  const QSignalBlocker quiet(combo);
  combo->clear();
  combo->addItems(list.names);
  combo->setCurrentIndex(-1);
  combo->setEditText(text);
}

void F_kinyu::load_memo() {
  edit_slot_ = store::find_memo_by_no(state_.memo_table, main_.current_memo_no());
  if (edit_slot_ < 1) {
    // No memo to correct: the fields stay empty and saving will refuse.
    fill_categories(Combo1, state_.location_list, QString());
    fill_categories(Combo2, state_.variety_list, QString());
    state_.current_images.clear();
    list_pictures();
    return;
  }
  const store::MemoRecord& record = state_.memo_table[static_cast<size_t>(edit_slot_ - 1)];
  Text1->setText(record.date);
  fill_categories(Combo1, state_.location_list, record.location);
  fill_categories(Combo2, state_.variety_list, record.variety);
  Text2->setText(record.title);

  const store::BodyResult body = store::load_memo_body(state_.data_dir, record.memo_no);
  Text3->setPlainText(for_display(body.text));
  if (!body.message.isEmpty()) messages_.inform(this, body.message, store::kAppTitle);

  const QString list_error = store::load_image_list(state_, record.memo_no);
  if (!list_error.isEmpty()) messages_.inform(this, list_error, store::kAppTitle);
  list_pictures();
  show_first_picture();
}

// List1 holds the titles of current_images, in order, none selected.
void F_kinyu::list_pictures() {
  const QSignalBlocker quiet(List1);
  List1->clear();
  for (const store::ImageEntry& e : state_.current_images) List1->addItem(e.title);
  List1->setCurrentRow(-1);
}

// The first picture and its path (the path even when its file is missing),
// or nothing at all for an empty list.
void F_kinyu::show_first_picture() {
  if (state_.current_images.empty()) {
    remove_picture();
    set_picture_path_label(QString());
    return;
  }
  show_editor_picture(1);
  set_picture_path_label(state_.current_images.front().path);
}

void F_kinyu::show_editor_picture(int k) {
  if (k < 1 || k > state_.current_image_count()) return;
  const QString path = state_.current_images[static_cast<size_t>(k - 1)].path;
  if (path.isEmpty() || !QFileInfo(path).isFile()) {
    messages_.inform(this, missing_picture_message(path), store::kAppName);
    remove_picture();
    return;
  }
  state_.current_image_path = path;
  fit_shown_picture(true);
  set_picture_path_label(path);
}

void F_kinyu::remove_picture() {
  Image1->clear();
  Form_Resize();
}

void F_kinyu::set_picture_path_label(const QString& path) {
  Label4->setText(path);
  Label4->adjustSize();
}

void F_kinyu::Command2_Click() { reject(); }

bool F_kinyu::has_unsaved_changes() const {
  const store::MemoInput now = read_input();
  return now.date != opened_with_.date || now.location != opened_with_.location ||
         now.variety != opened_with_.variety || now.title != opened_with_.title || now.body != opened_with_.body ||
         now.images != opened_with_.images;
}

void F_kinyu::reject() {
  // Esc and the close button come here too (a close that is refused keeps
  // the window open). "いいえ" is the default, so that a second Esc or an
  // Enter keeps the text.
  if (has_unsaved_changes() &&
      !messages_.ask(this, QStringLiteral("入力した内容を破棄しますか？"), store::kAppTitle, false)) {
    return;
  }
  QDialog::reject();
}

void F_kinyu::Command3_Click() {
  Text1->setText(store::format_date(QDateTime::currentDateTime()));
  Text2->setFocus(Qt::OtherFocusReason);
}

void F_kinyu::Combo1_Click() { Text2->setFocus(Qt::OtherFocusReason); }

void F_kinyu::Combo2_Click() { Text2->setFocus(Qt::OtherFocusReason); }

bool F_kinyu::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::FocusIn:
      if (watched == Combo1 || watched == Combo1->lineEdit()) {
        main_.set_hint(QStringLiteral("場所を選択または入力して下さい。"));
      } else if (watched == Combo2 || watched == Combo2->lineEdit()) {
        main_.set_hint(QStringLiteral("品種を選択または入力して下さい。"));
      }
      break;
    case QEvent::KeyPress: {
      const auto* key = static_cast<QKeyEvent*>(event);
      if (!is_return(key) && !is_tab(key)) break;
      // Enter and Tab are swallowed in these fields and move to the next one.
      QWidget* next = nullptr;
      if (watched == Text1) {
        next = Text2;
      } else if (watched == Text2) {
        next = Text3;
      } else if (watched == Combo1 || watched == Combo2 || watched == Combo1->lineEdit() ||
                 watched == Combo2->lineEdit()) {
        next = Text2;
      }
      if (!next) break;
      next->setFocus(Qt::OtherFocusReason);
      return true;
    }
    default:
      break;
  }
  return QDialog::eventFilter(watched, event);
}
