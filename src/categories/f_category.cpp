#include "categories/f_category.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "ui/form_controls.h"
#include "ui/hint_filter.h"
#include "ui/twips.h"

using ui::place;
using ui::px;

namespace {

constexpr double kClientWidth = 4320;  // twips
constexpr double kClientHeight = 5100;
// Outer size minus client size of a fixed dialog, as the centring uses it.
constexpr double kFrameWidth = 120;
constexpr double kFrameHeight = 405;

const QString kWarningHeading = QStringLiteral("■■　重要な注意事項です。良く読んで下さい　■■");
const QString kNoUndo = QStringLiteral("削除したメモを復活させる方法はありません。");
// The paragraphs of the warning are separated by two carriage returns.
const QString kParagraphBreak = QStringLiteral("\r\r");

}  // namespace

CategoryEditorConfig CategoryEditorConfig::locations() {
  return {QStringLiteral("F_basyo"),
          store::Category::Location,
          QStringLiteral("場所の編集"),
          QColor(192, 255, 192),
          QStringLiteral("場所追加"),
          QStringLiteral("場所削除"),
          QStringLiteral("場所『"),
          QStringLiteral("選択した場所の全部のメモを本当に削除して良いですか?"),
          &ui::MainWindowHost::set_location_filter_names};
}

CategoryEditorConfig CategoryEditorConfig::varieties() {
  return {QStringLiteral("F_hinsyu"),
          store::Category::Variety,
          QStringLiteral("品種の編集"),
          QColor(192, 255, 255),
          QStringLiteral("品種追加"),
          QStringLiteral("品種削除"),
          QStringLiteral("分類『"),
          QStringLiteral("選択した品種の全部のメモを本当に削除して良いですか?"),
          &ui::MainWindowHost::set_variety_filter_names};
}

F_category::F_category(const CategoryEditorConfig& config, store::AppState& state, ui::MessageService& messages,
                       ui::MainWindowHost& main)
    : QDialog(main.host_widget()), config_(config), state_(state), messages_(messages), main_(main) {
  setObjectName(config_.object_name);
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(px(kClientWidth), px(kClientHeight));
  QPalette colours = palette();
  colours.setColor(QPalette::Window, config_.background);
  setPalette(colours);
  setAutoFillBackground(true);
  build_controls();
  install_hints();

  // Centred over the main window.
  const QRectF m = main.outer_geometry_twips();
  const double width = kClientWidth + kFrameWidth;
  const double height = kClientHeight + kFrameHeight;
  move(px(m.left() + (m.width() - width) / 2), px(m.top() + (m.height() - height) / 2));
  setWindowTitle(config_.caption);
  rebuild_list(-1);
  Text1->clear();
  Text1->setFocus();
}

void F_category::build_controls() {
  // Created in tab order.
  Text1 = new QLineEdit(this);
  Text1->setObjectName(QStringLiteral("Text1"));
  place(Text1, 60, 60, 2835, 375);
  Command6 = ui::make_button(this, "Command6", config_.add_caption);
  place(Command6, 3000, 60, 1215, 435);
  // Enter in the name box adds the name.
  Command6->setDefault(true);

  List1 = new QListWidget(this);
  List1->setObjectName(QStringLiteral("List1"));
  List1->setSelectionMode(QAbstractItemView::SingleSelection);
  List1->setSortingEnabled(false);
  place(List1, 60, 660, 2835, 4350);

  const auto button = [this](const char* name, const QString& caption, double top) {
    QPushButton* b = ui::make_button(this, name, caption);
    place(b, 3000, top, 1215, 495);
    return b;
  };
  Command1 = button("Command1", QStringLiteral("↑一つ上に"), 660);
  Command2 = button("Command2", QStringLiteral("↓一つ下に"), 1260);
  Command3 = button("Command3", config_.delete_caption, 1860);
  Command4 = button("Command4", QStringLiteral("終了"), 4500);
  Command5 = button("Command5", QStringLiteral("メモ削除"), 2460);

  // The grey rule under the add row.
  Line1 = new QFrame(this);
  Line1->setObjectName(QStringLiteral("Line1"));
  Line1->setFrameShape(QFrame::NoFrame);
  Line1->setStyleSheet(QStringLiteral("background-color: rgb(128, 128, 128);"));
  Line1->setGeometry(px(60), px(540), px(4200) - px(60), 1);

  connect(Command1, &QPushButton::clicked, this, &F_category::Command1_Click);
  connect(Command2, &QPushButton::clicked, this, &F_category::Command2_Click);
  connect(Command3, &QPushButton::clicked, this, &F_category::Command3_Click);
  connect(Command4, &QPushButton::clicked, this, &F_category::Command4_Click);
  connect(Command5, &QPushButton::clicked, this, &F_category::Command5_Click);
  connect(Command6, &QPushButton::clicked, this, &F_category::Command6_Click);
}

void F_category::install_hints() {
  auto* hints = new ui::HintFilter([this](const QString& text) { main_.set_hint(text); }, this);
  const auto hint = [hints](QWidget* w, const QString& text) { hints->add(w, text); };
  // A move over a control without a hint of its own (the name box, the add
  // button) reaches the dialog too; only its bare surface counts.
  hints->add(this, QStringLiteral("分類の整理中です。"), {}, true);
  hint(List1->viewport(), QStringLiteral("クリックして分類を選択して下さい。"));
  hint(Command1, QStringLiteral("選択した分類を、一つ上に移動します。"));
  hint(Command2, QStringLiteral("選択した分類を、一つ下に移動します。"));
  hint(Command3, QStringLiteral("選択した分類を、削除します。(メモは消えません）"));
  hint(Command4, QStringLiteral("分類の整理を終了します。"));
  hint(Command5, QStringLiteral("選択した分類のメモを全部削除します。"));
}

const store::CategoryList& F_category::list() const { return store::category_list(state_, config_.category); }

int F_category::selected_position() const {
  const QList<QListWidgetItem*> items = List1->selectedItems();
  return items.isEmpty() ? -1 : List1->row(items.first());
}

void F_category::rebuild_list(int select) {
  List1->clear();
  List1->addItems(list().names);
  if (select >= 0) List1->setCurrentRow(select, QItemSelectionModel::ClearAndSelect);
}

void F_category::refill_filter_box() { (main_.*config_.set_filter_names)(list().names); }

void F_category::Command1_Click() {
  const store::CategoryChange change =
      store::move_category_up(store::category_list(state_, config_.category), selected_position());
  if (!change.ok) {
    messages_.inform(this, change.text, change.title);
    return;
  }
  rebuild_list(change.selected);
}

void F_category::Command2_Click() {
  const store::CategoryChange change =
      store::move_category_down(store::category_list(state_, config_.category), selected_position());
  if (!change.ok) {
    messages_.inform(this, change.text, change.title);
    return;
  }
  rebuild_list(change.selected);
}

void F_category::Command3_Click() {
  const int i = selected_position();
  if (i < 0) {
    messages_.inform(this, store::kNoNameToRemove, store::kAppTitle);
    return;
  }
  const QString question =
      config_.delete_question_prefix + list().names.at(i) + QStringLiteral("』を本当に削除して良いですか?");
  if (!messages_.ask(this, question, store::kAppTitle, false)) return;
  const store::CategoryChange change = store::remove_category_name(store::category_list(state_, config_.category), i);
  if (!change.ok) {
    messages_.inform(this, change.text, change.title);
    return;
  }
  rebuild_list(change.selected);
}

void F_category::Command4_Click() {
  const store::CategoryChange saved = store::save_category_edit(state_, config_.category);
  if (saved.outside_changed) {
    // The other machine's changes were taken in first: the main window
    // lists its memos.
    main_.refresh_memo_list();
    main_.update_main_caption();
  }
  if (!saved.ok) messages_.inform(this, saved.text, saved.title);
  // Emptying the filter text does not rebuild the main list.
  refill_filter_box();
  QDialog::reject();
}

void F_category::reject() { Command4_Click(); }

void F_category::Command5_Click() {
  const int i = selected_position();
  if (i < 0) {
    messages_.inform(this, store::kNoCategoryToEmpty, store::kAppTitle);
    return;
  }
  const QString question =
      kWarningHeading + kParagraphBreak + kNoUndo + kParagraphBreak + config_.memo_deletion_paragraph;
  if (!messages_.ask(this, question, store::kAppTitle, false)) return;

  // Deleting thousands of files takes a while: show the busy pointer.
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  const store::CategoryDeletion done = store::delete_category_memos(state_, config_.category, i);
  QGuiApplication::restoreOverrideCursor();
  if (!done.ok) {
    messages_.inform(this, done.text, done.title);
    return;
  }
  main_.reset_memo_list();
  rebuild_list(-1);
  // The deleted name is no longer offered by the main window's filter box.
  refill_filter_box();
  main_.update_main_caption();
  if (!done.warning.isEmpty()) messages_.inform(this, done.warning, store::kAppTitle);
  accept();
}

void F_category::Command6_Click() {
  const QString name = Text1->text();
  const store::CategoryChange change = store::add_category_name(state_, config_.category, name);
  if (change.outside_changed) {
    // The other machine's changes were taken in first (even when the name
    // was then refused): the list holds its names too, and the main window
    // lists its memos.
    rebuild_list(-1);
    main_.refresh_memo_list();
    main_.update_main_caption();
  }
  if (!change.ok) {
    messages_.inform(this, change.text, change.title);
    return;
  }
  if (!change.outside_changed) List1->addItem(name);
  Text1->clear();
}

F_basyo::F_basyo(store::AppState& state, ui::MessageService& messages, ui::MainWindowHost& main)
    : F_category(CategoryEditorConfig::locations(), state, messages, main) {}

F_hinsyu::F_hinsyu(store::AppState& state, ui::MessageService& messages, ui::MainWindowHost& main)
    : F_category(CategoryEditorConfig::varieties(), state, messages, main) {}
