// The controls of 画像の所在確認 and their layout, in reading order, with
// an access key for each; the window's minimum size keeps them apart.

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "picture_check/f_syozai.h"
#include "ui/form_controls.h"

namespace {

QTableWidget* make_table(QWidget* parent, const char* name, const QStringList& headers) {
  auto* table = new QTableWidget(0, static_cast<int>(headers.size()), parent);
  table->setObjectName(QLatin1String(name));
  table->setHorizontalHeaderLabels(headers);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->setSelectionMode(QAbstractItemView::SingleSelection);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->verticalHeader()->hide();
  table->horizontalHeader()->setStretchLastSection(true);
  table->setWordWrap(false);
  // Tab leaves the table after one stop; the arrows move inside it.
  table->setTabKeyNavigation(false);
  return table;
}

// The columns named keep the width their header and `sample` need in the
// table's font; the others share the rest.
void fit_columns(QTableWidget* table, std::initializer_list<int> columns, const QString& sample) {
  const int sample_width = table->fontMetrics().horizontalAdvance(sample) + 16;
  for (int c : columns) {
    table->setColumnWidth(c, std::max(table->horizontalHeader()->sectionSizeHint(c), sample_width));
  }
}

// A button that Enter does not press unless it has the focus.
QPushButton* plain_button(QWidget* parent, const char* name, const QString& text) {
  QPushButton* b = ui::make_button(parent, name, text);
  b->setAutoDefault(false);
  return b;
}

// A label for what the window did or would do: it wraps, may break a path
// after each separator, and never widens the window.
QLabel* status_label(QWidget* parent, const char* name) {
  auto* label = new QLabel(parent);
  label->setObjectName(QLatin1String(name));
  label->setWordWrap(true);
  label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  return label;
}

// A caption whose access key gives the focus to `buddy`.
QLabel* caption(QWidget* parent, const char* name, const QString& text, QWidget* buddy) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QLatin1String(name));
  label->setBuddy(buddy);
  return label;
}

}  // namespace

void F_syozai::build_controls() {
  auto* top = new QVBoxLayout(this);
  Label1 = new QLabel(this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setWordWrap(true);
  top->addWidget(Label1);

  auto* progress_row = new QHBoxLayout;
  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
  ProgressBar1->setFormat(QStringLiteral("%v / %m"));
  Command1 = plain_button(this, "Command1", QStringLiteral("中止(&S)"));
  progress_row->addWidget(ProgressBar1, 1);
  progress_row->addWidget(Command1);
  top->addLayout(progress_row);

  build_tables(top);
  build_repoint_rows(top);
  build_button_row(top);

  connect(Command1, &QPushButton::clicked, this, &F_syozai::Command1_Click);
  connect(Command2, &QPushButton::clicked, this, &F_syozai::Command2_Click);
  connect(Command3, &QPushButton::clicked, this, &F_syozai::Command3_Click);
  connect(Command4, &QPushButton::clicked, this, &F_syozai::Command4_Click);
  connect(Command5, &QPushButton::clicked, this, &F_syozai::Command5_Click);
  // A folder is chosen by a click on its row, a key that moves to it, or
  // Enter on it.
  connect(Grid1, &QTableWidget::itemSelectionChanged, this, &F_syozai::Grid1_Click);
  connect(Grid2, &QTableWidget::cellDoubleClicked, this, &F_syozai::Grid2_DblClick);
  Grid1->installEventFilter(this);
  Grid2->installEventFilter(this);
  // Reading order: the rows top to bottom, each left to right.
  const QList<QWidget*> order{Command1, Grid1, Grid2, Combo1, Command2, Check1, Command3, Command4, Command5};
  for (qsizetype i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
  show_undo_offer();
  set_running(false);
}

void F_syozai::build_tables(QVBoxLayout* top) {
  Grid1 = make_table(this, "Grid1", {QStringLiteral("フォルダ"), QStringLiteral("枚数"), QStringLiteral("メモ数"),
                                     QStringLiteral("最新の日付")});
  Grid1->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
  Grid1->horizontalHeader()->setStretchLastSection(false);
  fit_columns(Grid1, {1, 2, 3}, QStringLiteral("0000/00/00"));
  Label4 = caption(this, "Label4", QStringLiteral("画像が見つからないフォルダ(&F)"), Grid1);
  top->addWidget(Label4);
  top->addWidget(Grid1, 1);
  Grid2 = make_table(this, "Grid2", {QStringLiteral("年/月/日"), QStringLiteral("タイトル"),
                                     QStringLiteral("画像のタイトル"), QStringLiteral("パス")});
  fit_columns(Grid2, {0, 1, 2}, QStringLiteral("0000/00/00"));
  Grid2->setToolTip(QStringLiteral("ダブルクリックか Enter でメイン画面のそのメモを選択します。"));
  Label5 = caption(this, "Label5", QStringLiteral("そのフォルダの見つからない画像(&P)"), Grid2);
  top->addWidget(Label5);
  top->addWidget(Grid2, 1);
}

void F_syozai::build_repoint_rows(QVBoxLayout* top) {
  auto* repoint = new QGridLayout;
  Combo1 = new QComboBox(this);
  Combo1->setObjectName(QStringLiteral("Combo1"));
  // A long folder name never widens the window: the box shows its start.
  Combo1->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  Combo1->setMinimumContentsLength(20);
  Label2 = caption(this, "Label2", QStringLiteral("元のフォルダ(&O)"), Combo1);
  Command2 = plain_button(this, "Command2", QStringLiteral("新しいフォルダ(&N)..."));
  Label3 = status_label(this, "Label3");
  Check1 = new QCheckBox(QStringLiteral("見つからない画像を新しいフォルダの下でファイル名で探す(&M)"), this);
  Check1->setObjectName(QStringLiteral("Check1"));
  repoint->addWidget(Label2, 0, 0);
  repoint->addWidget(Combo1, 0, 1);
  repoint->addWidget(Command2, 1, 0);
  repoint->addWidget(Label3, 1, 1);
  repoint->addWidget(Check1, 2, 1);
  repoint->setColumnStretch(1, 1);
  top->addLayout(repoint);
}

void F_syozai::build_button_row(QVBoxLayout* top) {
  Label6 = status_label(this, "Label6");
  top->addWidget(Label6);
  auto* buttons = new QHBoxLayout;
  Command3 = plain_button(this, "Command3", QStringLiteral("付け替え(&R)"));
  Command4 = plain_button(this, "Command4", QStringLiteral("元に戻す(&U)"));
  Label7 = status_label(this, "Label7");
  Command5 = plain_button(this, "Command5", QStringLiteral("閉じる(&C)"));
  buttons->addWidget(Command3);
  buttons->addWidget(Command4);
  buttons->addWidget(Label7, 1);
  buttons->addWidget(Command5);
  top->addLayout(buttons);
}

// The tables keep their header and three rows, the status lines two lines
// each; the rest is what the layout needs, in the window's font.
void F_syozai::set_minimum_size() {
  for (QTableWidget* table : {Grid1, Grid2}) {
    const int row = table->verticalHeader()->defaultSectionSize();
    table->setMinimumHeight(table->horizontalHeader()->sizeHint().height() + 3 * row + 2 * table->frameWidth() +
                            table->horizontalScrollBar()->sizeHint().height());
  }
  for (QLabel* label : {Label1, Label3, Label6, Label7}) label->setMinimumHeight(2 * label->fontMetrics().lineSpacing());
  layout()->activate();
  setMinimumSize(layout()->minimumSize());
}
