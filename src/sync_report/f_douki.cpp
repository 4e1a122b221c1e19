#include "sync_report/f_douki.h"

#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "ui/form_controls.h"

namespace {

enum Column { Kind, Date, Title, kColumns };

// "No.12" for the number field " 12 ".
QString numbered(const QString& memo_no) { return QStringLiteral("No.") + memo_no.trimmed(); }

// 「」 around each text, joined by 、.
QString quoted_list(const QStringList& texts) {
  QStringList quoted;
  for (const QString& t : texts) quoted << QStringLiteral("「") + t + QStringLiteral("」");
  return quoted.join(QStringLiteral("、"));
}

QTableWidgetItem* cell(const QString& text) {
  auto* item = new QTableWidgetItem(text);
  item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
  item->setToolTip(text);
  return item;
}

}  // namespace

F_douki::F_douki(ui::MainWindowHost& main, ui::MessageService& messages, const QString& data_dir, QWidget* parent)
    : QDialog(parent), main_(main), messages_(messages), data_dir_(data_dir) {
  setObjectName(QStringLiteral("F_douki"));
  setWindowTitle(QStringLiteral("同期の競合の取り込み"));
  setModal(false);
  build_controls();
  // Smaller than the main window, so that the memo 表示 shows there can be
  // seen beside it.
  resize(560, 300);
  setMinimumSize(420, 240);
}

void F_douki::build_controls() {
  auto* layout = new QVBoxLayout(this);
  Label1 = new QLabel(this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setWordWrap(true);
  Label1->setTextInteractionFlags(Qt::TextSelectableByMouse);
  Label1->setAccessibleName(QStringLiteral("競合コピーの取り込みの説明"));
  layout->addWidget(Label1);

  Grid1 = new QTableWidget(0, kColumns, this);
  Grid1->setObjectName(QStringLiteral("Grid1"));
  Grid1->setHorizontalHeaderLabels({QStringLiteral("種類"), QStringLiteral("日付"), QStringLiteral("タイトル")});
  Grid1->setSelectionBehavior(QAbstractItemView::SelectRows);
  Grid1->setSelectionMode(QAbstractItemView::SingleSelection);
  Grid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Grid1->setWordWrap(false);
  Grid1->setTabKeyNavigation(false);
  Grid1->verticalHeader()->hide();
  Grid1->horizontalHeader()->setStretchLastSection(true);
  Grid1->setAccessibleName(QStringLiteral("取り込んだメモの一覧"));
  Grid1->setAccessibleDescription(QStringLiteral("ダブルクリックかEnterで、そのメモをメイン画面に表示します。"));
  layout->addWidget(Grid1, 1);

  Label2 = new QLabel(this);
  Label2->setObjectName(QStringLiteral("Label2"));
  Label2->setWordWrap(true);
  Label2->setTextInteractionFlags(Qt::TextSelectableByMouse);
  QPalette red = Label2->palette();
  red.setColor(QPalette::WindowText, QColor(176, 0, 0));
  Label2->setPalette(red);
  Label2->setAccessibleName(QStringLiteral("注意"));
  Label2->hide();
  layout->addWidget(Label2);

  auto* row = new QHBoxLayout;
  row->addStretch();
  Command1 = ui::make_button(this, "Command1", QStringLiteral("表示(&V)"));
  Command1->setAccessibleName(QStringLiteral("表示"));
  Command1->setAccessibleDescription(QStringLiteral("選んだメモをメイン画面に表示します。"));
  Command1->setDefault(true);
  Command1->setEnabled(false);
  row->addWidget(Command1);
  Command2 = ui::make_button(this, "Command2", QStringLiteral("閉じる(&C)"));
  Command2->setAccessibleName(QStringLiteral("閉じる"));
  row->addWidget(Command2);
  layout->addLayout(row);

  // The list first: Tab goes on to 表示, then 閉じる.
  setTabOrder(Grid1, Command1);
  setTabOrder(Command1, Command2);

  connect(Command1, &QPushButton::clicked, this, &F_douki::Command1_Click);
  connect(Command2, &QPushButton::clicked, this, &QDialog::close);
  // Enter in the list presses 表示, the default button.
  connect(Grid1, &QTableWidget::doubleClicked, this, &F_douki::Command1_Click);
  connect(Grid1->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { Command1->setEnabled(Grid1->selectionModel()->hasSelection()); });
}

QString F_douki::kind_text(const store::MergedMemo& memo) {
  switch (memo.kind) {
    case store::MergedMemo::Kind::AddedBack:
      return QStringLiteral("取り戻したメモ");
    case store::MergedMemo::Kind::Renumbered:
      return QStringLiteral("番号を変えて取り戻したメモ（%1 → %2）")
          .arg(numbered(memo.old_memo_no), numbered(memo.memo_no));
    case store::MergedMemo::Kind::KeptTwice:
      return QStringLiteral("両方で訂正されたメモ（2つとも残しました）");
  }
  return {};
}

void F_douki::add(const store::DiskSync& sync) {
  const QDir data(data_dir_);
  if (!sync.moved_to.isEmpty()) {
    const QString relative = QDir::isAbsolutePath(sync.moved_to) ? data.relativeFilePath(sync.moved_to) : sync.moved_to;
    const QString shown = QDir::toNativeSeparators(QDir::cleanPath(relative));
    if (!folders_.contains(shown)) folders_ << shown;
  }
  for (const QString& copy : sync.merged_copies) {
    const QString relative = QDir::isAbsolutePath(copy) ? data.relativeFilePath(copy) : copy;
    copies_ << QDir::toNativeSeparators(relative);
  }
  for (const QString& warning : sync.warnings) {
    if (!warnings_.contains(warning)) warnings_ << warning;
  }

  const bool first = memos_.empty();
  for (const store::MergedMemo& memo : sync.merged) {
    const int r = Grid1->rowCount();
    Grid1->insertRow(r);
    Grid1->setItem(r, Kind, cell(kind_text(memo)));
    Grid1->setItem(r, Date, cell(memo.date));
    Grid1->setItem(r, Title, cell(memo.title));
    memos_.push_back(memo);
  }
  Grid1->resizeColumnToContents(Kind);
  Grid1->resizeColumnToContents(Date);
  if (first && Grid1->rowCount() > 0) {
    Grid1->selectRow(0);
    Grid1->setFocus(Qt::OtherFocusReason);
  }
  update_texts();
}

void F_douki::update_texts() {
  QString text = QStringLiteral(
      "同期ツールが、2台の端末で同じころに変えられたデータファイルの競合コピーを作りました。"
      "Verdalisはその内容をこの日記に取り込みました。");
  if (!folders_.isEmpty()) {
    text += QStringLiteral("競合コピーはデータのフォルダの中の%1フォルダに移してあります。").arg(quoted_list(folders_));
  }
  if (!copies_.isEmpty()) text += QStringLiteral("\n取り込んだ競合コピー：") + copies_.join(QStringLiteral("、"));
  text += QStringLiteral("\n取り込んだメモ：%1 件").arg(memos_.size());
  Label1->setText(text);
  Label2->setText(warnings_.join(QLatin1Char('\n')));
  Label2->setVisible(!warnings_.isEmpty());
}

void F_douki::Command1_Click() {
  const QModelIndexList rows = Grid1->selectionModel()->selectedRows();
  if (rows.isEmpty()) return;
  const int r = rows.front().row();
  if (r < 0 || r >= static_cast<int>(memos_.size())) return;
  const store::MergedMemo& memo = memos_[static_cast<size_t>(r)];
  if (!main_.show_memo_of(memo.memo_no)) {
    messages_.inform(this,
                     QStringLiteral("%1「%2」は、もう日記にありません。").arg(numbered(memo.memo_no), memo.title),
                     store::kAppTitle);
  }
}
