#include "picture_check/f_syozai.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "ui/form_controls.h"
#include "ui/twips.h"

namespace {

const QString kCaption = QStringLiteral("画像の所在確認");

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
  return table;
}

// A button that Enter does not press unless it has the focus.
QPushButton* plain_button(QWidget* parent, const char* name, const QString& text) {
  QPushButton* b = ui::make_button(parent, name, text);
  b->setAutoDefault(false);
  return b;
}

void set_row(QTableWidget* table, int row, const QStringList& cells) {
  for (int c = 0; c < cells.size(); ++c) table->setItem(row, c, new QTableWidgetItem(cells[c]));
}

}  // namespace

F_syozai::F_syozai(store::AppState& state, ui::MessageService& messages, ui::MainWindowHost& main)
    : QDialog(main.host_widget()), state_(state), messages_(messages), main_(main) {
  setObjectName(QStringLiteral("F_syozai"));
  setWindowTitle(kCaption);
  choose_folder = [](QWidget* parent, const QString& start) {
    return QFileDialog::getExistingDirectory(parent, QStringLiteral("画像の新しいフォルダを選んで下さい"), start);
  };
  build_controls();
  connect(&job_, &ui::BackgroundJob::tick, this, [this] { ProgressBar1->setValue(progress_.load()); });
  connect(&job_, &ui::BackgroundJob::running_changed, this, &F_syozai::set_running);
  const QRectF m = main.outer_geometry_twips();
  resize(760, 560);
  move(ui::px(m.left()), ui::px(m.top()));
}

F_syozai::~F_syozai() { stop_work(); }

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
  Command1 = plain_button(this, "Command1", QStringLiteral("中止"));
  progress_row->addWidget(ProgressBar1, 1);
  progress_row->addWidget(Command1);
  top->addLayout(progress_row);

  Grid1 = make_table(this, "Grid1", {QStringLiteral("フォルダ"), QStringLiteral("枚数"), QStringLiteral("メモ数"),
                                     QStringLiteral("最新の日付")});
  Grid1->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
  Grid1->horizontalHeader()->setStretchLastSection(false);
  top->addWidget(Grid1, 1);
  Grid2 = make_table(this, "Grid2", {QStringLiteral("年/月/日"), QStringLiteral("タイトル"),
                                     QStringLiteral("画像のタイトル"), QStringLiteral("パス")});
  Grid2->setToolTip(QStringLiteral("ダブルクリックでメイン画面のそのメモを選択します。"));
  top->addWidget(Grid2, 1);

  auto* repoint = new QGridLayout;
  Label2 = new QLabel(QStringLiteral("元のフォルダ"), this);
  Label2->setObjectName(QStringLiteral("Label2"));
  Combo1 = new QComboBox(this);
  Combo1->setObjectName(QStringLiteral("Combo1"));
  Command2 = plain_button(this, "Command2", QStringLiteral("新しいフォルダ..."));
  Label3 = new QLabel(this);
  Label3->setObjectName(QStringLiteral("Label3"));
  Check1 = new QCheckBox(QStringLiteral("見つからない画像を新しいフォルダの下でファイル名で探す"), this);
  Check1->setObjectName(QStringLiteral("Check1"));
  repoint->addWidget(Label2, 0, 0);
  repoint->addWidget(Combo1, 0, 1);
  repoint->addWidget(Command2, 1, 0);
  repoint->addWidget(Label3, 1, 1);
  repoint->addWidget(Check1, 2, 1);
  repoint->setColumnStretch(1, 1);
  top->addLayout(repoint);

  auto* buttons = new QHBoxLayout;
  Command3 = plain_button(this, "Command3", QStringLiteral("付け替え"));
  Command4 = plain_button(this, "Command4", QStringLiteral("元に戻す"));
  Command5 = plain_button(this, "Command5", QStringLiteral("閉じる"));
  buttons->addWidget(Command3);
  buttons->addWidget(Command4);
  buttons->addStretch(1);
  buttons->addWidget(Command5);
  top->addLayout(buttons);

  connect(Command1, &QPushButton::clicked, this, &F_syozai::Command1_Click);
  connect(Command2, &QPushButton::clicked, this, &F_syozai::Command2_Click);
  connect(Command3, &QPushButton::clicked, this, &F_syozai::Command3_Click);
  connect(Command4, &QPushButton::clicked, this, &F_syozai::Command4_Click);
  connect(Command5, &QPushButton::clicked, this, &F_syozai::Command5_Click);
  // A folder is chosen by a click on its row or by a key that moves to it.
  connect(Grid1, &QTableWidget::itemSelectionChanged, this, &F_syozai::Grid1_Click);
  connect(Grid2, &QTableWidget::cellDoubleClicked, this, &F_syozai::Grid2_DblClick);
  set_running(false);
}

void F_syozai::set_running(bool running) {
  if (!running) ProgressBar1->setValue(progress_.load());
  Command1->setEnabled(running);
  for (QWidget* w : std::initializer_list<QWidget*>{Grid1, Grid2, Combo1, Command2, Check1, Command3})
    w->setEnabled(!running);
  Command4->setEnabled(!running && !journal_.empty());
}

void F_syozai::run_in_background(const QString& what, int total, std::function<void()> work,
                                 std::function<void()> done) {
  cancel_ = false;
  progress_ = 0;
  ProgressBar1->setRange(0, std::max(total, 0));
  ProgressBar1->setValue(0);
  Label1->setText(what);
  job_.start(std::move(work), std::move(done));
}

void F_syozai::wait_for_work() { job_.wait(); }

void F_syozai::start_scan() {
  if (job_.running()) return;
  memos_ = store::memos_to_check(state_.memo_table);
  const QString dir = state_.data_dir;
  run_in_background(
      QStringLiteral("画像リストを確認しています…"), static_cast<int>(memos_.size()),
      [this, dir] { scan_ = store::scan_pictures(dir, memos_, cancel_, [this](int n) { progress_ = n; }); },
      [this] { show_scan(); });
}

QString F_syozai::scan_text() const {
  QString text = store::scan_summary(scan_);
  for (const store::UnreadableList& u : scan_.unreadable) text += QLatin1Char('\n') + u.message;
  return text;
}

void F_syozai::show_scan() {
  groups_ = store::group_by_folder(scan_, memos_);
  Label1->setText(scan_text());
  {
    const QSignalBlocker quiet(Grid1);
    Grid1->setRowCount(static_cast<int>(groups_.size()));
    for (int r = 0; r < static_cast<int>(groups_.size()); ++r) {
      const store::FolderGroup& g = groups_[static_cast<size_t>(r)];
      set_row(Grid1, r, {g.folder.isEmpty() ? QStringLiteral("（フォルダなし）") : g.folder,
                         QString::number(g.items.size()), QString::number(g.memos), g.newest_date});
    }
    Grid1->clearSelection();
  }
  // The first folder is chosen, so that its pictures and folders show and
  // 付け替え acts on what the window shows.
  if (Grid1->rowCount() > 0) {
    Grid1->selectRow(0);
  } else {
    Grid2->setRowCount(0);
    Combo1->clear();
  }
}

int F_syozai::selected_group() const {
  const QList<QTableWidgetItem*> items = Grid1->selectedItems();
  return items.isEmpty() ? -1 : items.first()->row();
}

void F_syozai::Grid1_Click() {
  show_group_pictures();
  Combo1->clear();
  const int g = selected_group();
  if (g >= 0) Combo1->addItems(store::folder_and_ancestors(groups_[static_cast<size_t>(g)].folder));
}

void F_syozai::show_group_pictures() {
  const int g = selected_group();
  Grid2->setRowCount(0);
  if (g < 0) return;
  const std::vector<int>& items = groups_[static_cast<size_t>(g)].items;
  Grid2->setRowCount(static_cast<int>(items.size()));
  for (int r = 0; r < static_cast<int>(items.size()); ++r) {
    const store::MissingPicture& p = scan_.missing[static_cast<size_t>(items[static_cast<size_t>(r)])];
    const store::CheckedMemo& m = memos_[static_cast<size_t>(p.memo)];
    set_row(Grid2, r, {m.date, m.title, p.title, p.path});
  }
}

void F_syozai::Grid2_DblClick() {
  const int g = selected_group();
  const int r = Grid2->currentRow();
  if (g < 0 || r < 0) return;
  const std::vector<int>& items = groups_[static_cast<size_t>(g)].items;
  if (r >= static_cast<int>(items.size())) return;
  const store::MissingPicture& p = scan_.missing[static_cast<size_t>(items[static_cast<size_t>(r)])];
  main_.select_memo_no(memos_[static_cast<size_t>(p.memo)].memo_no);
}

void F_syozai::Command1_Click() { cancel_ = true; }

void F_syozai::Command2_Click() {
  const QString chosen = choose_folder(this, new_folder_.isEmpty() ? QDir::homePath() : new_folder_);
  if (chosen.isEmpty()) return;
  new_folder_ = chosen;
  Label3->setText(chosen);
}

void F_syozai::Command3_Click() {
  if (job_.running()) return;
  if (selected_group() < 0 || Combo1->currentText().isEmpty()) {
    messages_.inform(this, QStringLiteral("付け替えるフォルダを上の一覧で選んで下さい。"), kCaption);
    return;
  }
  if (new_folder_.isEmpty()) {
    messages_.inform(this, QStringLiteral("「新しいフォルダ...」で画像の今の場所を選んで下さい。"), kCaption);
    return;
  }
  const store::RepointRequest request{Combo1->currentText(), new_folder_, Check1->isChecked()};
  run_in_background(
      QStringLiteral("新しいフォルダで画像を探しています…"), 0,
      [this, request] { plan_ = store::plan_repoint(scan_, request, cancel_, [this](int n) { progress_ = n; }); },
      [this] { plan_done(); });
}

void F_syozai::plan_done() {
  // The scan is unchanged: the folder chosen stays chosen.
  Label1->setText(scan_text());
  if (plan_.cancelled) {
    Label1->setText(QStringLiteral("中止しました。") + Label1->text());
    return;
  }
  if (!plan_.message.isEmpty()) {
    messages_.inform(this, plan_.message, kCaption);
    return;
  }
  const QString summary = store::plan_summary(scan_, plan_);
  if (plan_.count(store::RepointOutcome::Found) == 0) {
    messages_.inform(this, summary, kCaption);
    return;
  }
  if (!messages_.ask(this, summary + QStringLiteral("\n\n画像リストを書き換えますか？"), kCaption, false)) return;
  write_plan();
}

void F_syozai::write_plan() {
  // A new re-pointing replaces what "元に戻す" would undo.
  journal_ = store::FileJournal();
  const QString dir = state_.data_dir;
  run_in_background(
      QStringLiteral("画像リストを書き換えています…"), 0,
      [this, dir] { written_ = store::write_repoint(dir, memos_, scan_, plan_, journal_); },
      [this] {
        if (!written_.ok) {
          messages_.inform(this, QStringLiteral("画像リストを書き換えられませんでした。何も変更していません。\n") +
                                     written_.message,
                           kCaption);
        } else {
          messages_.inform(this,
                           QStringLiteral("%1件のメモの画像リストで、%2枚の画像を付け替えました。")
                               .arg(written_.files)
                               .arg(written_.pictures),
                           kCaption);
        }
        start_scan();
      });
}

void F_syozai::Command4_Click() {
  if (job_.running() || journal_.empty()) return;
  const QStringList failures = journal_.rollback();
  if (!failures.isEmpty()) messages_.inform(this, failures.join(QLatin1Char('\n')), kCaption);
  start_scan();
}

void F_syozai::Command5_Click() {
  stop_work();
  QDialog::reject();
}

// Closing stops the work at once; its result is not shown any more.
void F_syozai::stop_work() {
  cancel_ = true;
  job_.abandon();
}

void F_syozai::reject() { Command5_Click(); }
