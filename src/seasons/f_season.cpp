#include "seasons/f_season.h"

#include <QApplication>
#include <QFontMetrics>
#include <QSet>
#include <QHeaderView>
#include <QPushButton>
#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>

#include "seasons/thumbnail_loader.h"
#include "seasons/tile_delegate.h"
#include "ui/form_controls.h"
#include "store/seasons/season_album.h"

namespace seasons {

namespace {

constexpr int kWindowDays = 10;
constexpr int kTile = 64;

}  // namespace

F_season::F_season(store::AppState& state, ui::MainWindowHost& main, ThumbnailLoader& loader, QDate today, QWidget* parent)
    : QWidget(parent, Qt::Window), state_(state), main_(main), loader_(loader), today_(today) {
  setObjectName(QStringLiteral("F_season"));
  setWindowTitle(QStringLiteral("この時期の記録"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  Label1 = new QLabel(this);
  Label1->setObjectName(QStringLiteral("Label1"));
  layout->addWidget(Label1);
  Grid1 = new QTableView(this);
  Grid1->setObjectName(QStringLiteral("Grid1"));
  Grid1->setModel(&model_);
  Grid1->setSelectionBehavior(QAbstractItemView::SelectRows);
  Grid1->setSelectionMode(QAbstractItemView::SingleSelection);
  Grid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Grid1->setWordWrap(false);
  Grid1->verticalHeader()->hide();
  Grid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  Grid1->verticalHeader()->setDefaultSectionSize(kTile + 6);
  Grid1->horizontalHeader()->setStretchLastSection(true);
  Grid1->setItemDelegateForColumn(SeasonModel::Picture, new TileDelegate(loader_, QSize(kTile + 6, kTile + 6), Grid1));
  Grid1->setColumnWidth(SeasonModel::Picture, kTile + 8);
  layout->addWidget(Grid1, 1);
  Command1 = ui::add_close_row(this, layout);
  connect(Grid1, &QTableView::clicked, this, &F_season::Grid1_Click);
  // The arrow keys move the current row, and the main window follows as it
  // does a click. A click makes its row current too, and runs Grid1_Click
  // when it is released: the row's memo is shown once then.
  connect(Grid1->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this](const QModelIndex& index) {
    if (!listing_ && QApplication::mouseButtons() == Qt::NoButton) Grid1_Click(index);
  });
  // The list is the first control and has the focus on opening; Tab goes
  // on to 閉じる.
  Grid1->setTabKeyNavigation(false);
  setTabOrder(Grid1, Command1);
  Grid1->setFocus(Qt::OtherFocusReason);
  connect(&loader_, &ThumbnailLoader::ready, Grid1->viewport(), qOverload<>(&QWidget::update));
  resize(720, 560);
  // The label, the header and two rows of the list, and the button row.
  setMinimumSize(420, 300);
  list_memos();
}

F_season::~F_season() { reader_.abandon(); }

void F_season::list_memos() {
  reader_.abandon();
  const store::MemoTable& table = state_.memo_table;
  const std::vector<int> slots = store::season_slots(table, today_, kWindowDays);
  std::vector<SeasonRow> rows;
  rows.reserve(slots.size());
  QStringList memo_nos;
  memo_nos.reserve(static_cast<qsizetype>(slots.size()));
  for (const int slot : slots) {
    const size_t i = static_cast<size_t>(slot - 1);
    rows.push_back({table.text(i, store::MemoField::MemoNo), table.text(i, store::MemoField::Date),
                    table.text(i, store::MemoField::Location), table.text(i, store::MemoField::Variety),
                    table.text(i, store::MemoField::Title), QString()});
    memo_nos << rows.back().memo_no;
  }
  listing_ = true;
  model_.set_rows(std::move(rows));
  // The first row current, without showing it in the main window yet.
  if (model_.rowCount() > 0) {
    Grid1->selectionModel()->setCurrentIndex(model_.index(0, SeasonModel::Date),
                                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  }
  listing_ = false;
  fit_columns();
  Label1->setText(slots.empty() ? QStringLiteral("前の年の%1月%2日の前後%3日の記録はありません。")
                                      .arg(today_.month())
                                      .arg(today_.day())
                                      .arg(kWindowDays)
                                : QStringLiteral("前の年の%1月%2日の前後%3日の記録 %4 件")
                                      .arg(today_.month())
                                      .arg(today_.day())
                                      .arg(kWindowDays)
                                      .arg(slots.size()));
  // The first pictures are read beside the interface thread.
  reader_.start([this, dir = state_.data_dir, memo_nos] { first_pictures_ = store::shown_pictures(dir, memo_nos); },
                [this] { model_.set_first_pictures(std::exchange(first_pictures_, {})); });
}

void F_season::fit_columns() {
  // Each column as wide as its content, as resizeColumnToContents() makes
  // it, with the delegate asked only about the widest text of each column:
  // asking it about every one of a thousand rows took longer than listing
  // them. The title takes what is left.
  const QFontMetrics metrics(Grid1->font());
  for (const int column : {static_cast<int>(SeasonModel::Date), static_cast<int>(SeasonModel::Location),
                           static_cast<int>(SeasonModel::Variety)}) {
    QSet<QString> measured;
    int widest = -1;
    int widest_row = -1;
    for (int row = 0; row < model_.rowCount(); ++row) {
      const QString text = model_.index(row, column).data().toString();
      if (measured.contains(text)) continue;
      const int width = metrics.horizontalAdvance(text);
      measured.insert(text);
      if (width > widest) {
        widest = width;
        widest_row = row;
      }
    }
    int width = Grid1->horizontalHeader()->sectionSizeHint(column);
    if (widest_row >= 0) {
      width = std::max(width, Grid1->sizeHintForIndex(model_.index(widest_row, column)).width() +
                                  (Grid1->showGrid() ? 1 : 0));
    }
    Grid1->setColumnWidth(column, width);
  }
}

void F_season::Grid1_Click(const QModelIndex& index) {
  if (!index.isValid()) return;
  main_.show_memo_of(model_.rows()[static_cast<size_t>(index.row())].memo_no);
}

}  // namespace seasons
