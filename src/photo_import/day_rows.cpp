#include "photo_import/day_rows.h"

#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionHeader>
#include <QTableWidget>
#include <algorithm>
#include <array>

#include "photo_import/photo_strip.h"

namespace photo_import {

namespace {

// The cells Tab stops at, in each row.
constexpr std::array kStops{Take, Location, Variety, Title};

// The mark of a day dated by its files' times, on the header's second line.
const QString kFileTimeMark = QStringLiteral("（ファイルの日時）");
const QString kNameDateMark = QStringLiteral("（ファイル名の日付）");
const QString kNothingNew = QStringLiteral("新しい写真はありません");

// A cell's text or check as the window proposed it, so that a later update
// changes only what the user has left as it was.
constexpr int kProposedRole = Qt::UserRole + 2;

QTableWidgetItem* fixed_item() {
  auto* item = new QTableWidgetItem;
  item->setFlags(Qt::ItemIsEnabled);
  return item;
}

QTableWidgetItem* editable_item(const QString& text) {
  auto* item = new QTableWidgetItem(text);
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsEditable);
  return item;
}

void propose_check(QTableWidgetItem& item, Qt::CheckState state) {
  const QVariant proposed = item.data(kProposedRole);
  if (proposed.isNull() || item.checkState() == proposed.value<Qt::CheckState>()) item.setCheckState(state);
  item.setData(kProposedRole, state);
}

// The 取り込む cell: a check box named by its day, or, for a day whose
// photos are all in the diary, no check box at all (neither a click nor
// Space can check it).
void set_take(QTableWidgetItem& item, const QString& date, bool can_take) {
  if (can_take) {
    item.setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    propose_check(item, Qt::Checked);
    item.setData(Qt::AccessibleTextRole, QStringLiteral("%1 を取り込む").arg(date));
  } else {
    item.setFlags(Qt::ItemIsEnabled);
    item.setData(Qt::CheckStateRole, QVariant());
    item.setData(kProposedRole, QVariant());
    item.setData(Qt::AccessibleTextRole, QStringLiteral("%1（%2）").arg(date, kNothingNew));
  }
}

void propose_text(QTableWidgetItem& item, const QString& text) {
  const QVariant proposed = item.data(kProposedRole);
  if (proposed.isNull() || item.text() == proposed.toString()) item.setText(text);
  item.setData(kProposedRole, text);
}

}  // namespace

DayTable::DayTable(int tile_side, QWidget* parent) : QTableWidget(0, kColumns, parent), tile_side_(tile_side) {
  setTabKeyNavigation(true);
  verticalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  verticalHeader()->setSectionsClickable(false);
  verticalHeader()->setDefaultSectionSize(tile_side + 10);
  measure_header();
  horizontalHeader()->setSectionResizeMode(Photos, QHeaderView::Fixed);
  connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column) {
    if (column != Photos) fit_strip();
  });
}

void DayTable::fit_strip() {
  int others = 0;
  for (int column = 0; column < columnCount(); ++column) {
    if (column != Photos) others += columnWidth(column);
  }
  const int least = tile_rect({}, 2, tile_side_).left();
  setColumnWidth(Photos, std::max(least, viewport()->width() - others));
}

bool DayTable::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::Resize) fit_strip();
  return QTableWidget::viewportEvent(event);
}

// Every row's header gets the size of the widest date with its mark, so
// that the header's width is known without measuring each row's text (a
// day in the middle of a long list would otherwise be cut short).
void DayTable::measure_header() {
  QHeaderView* header = verticalHeader();
  QStyleOptionHeader option;
  option.initFrom(header);
  QFont font = header->font();
  font.setBold(true);  // as wide as the style may draw it
  option.fontMetrics = QFontMetrics(font);
  // The longer of the two marks.
  option.text = QStringLiteral("0000/00/00\n") + kNameDateMark;
  const QSize text = header->style()->sizeFromContents(QStyle::CT_HeaderSection, &option, QSize(), header);
  header_size_ = QSize(text.width() + 8, tile_side_ + 10);
  for (int row = 0; row < rowCount(); ++row) {
    if (QTableWidgetItem* item = verticalHeaderItem(row)) item->setSizeHint(header_size_);
  }
}

void DayTable::changeEvent(QEvent* event) {
  QTableWidget::changeEvent(event);
  if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) measure_header();
}

int DayTable::photo_at(const QModelIndex& index, const QPoint& at) const {
  if (!index.isValid() || index.column() != Photos) return -1;
  const QRect cell = visualRect(index);
  const int photos = static_cast<int>(index.data(kPathsRole).toStringList().size());
  const int tile = tile_at(at.x() - cell.left(), tile_side_);
  if (tile < 0 || !tile_rect(cell, tile, tile_side_).contains(at)) return -1;
  const int photo = photo_of_tile(tile, strip_layout(cell.width(), tile_side_, photos));
  return photo < photos ? photo : -1;
}

void DayTable::mouseDoubleClickEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  const QModelIndex index = indexAt(at);
  const int photo = event->button() == Qt::LeftButton ? photo_at(index, at) : -1;
  if (photo < 0 || !open_photo) {
    QTableWidget::mouseDoubleClickEvent(event);
    return;
  }
  event->accept();
  open_photo(index.row(), photo);
}

void DayTable::keyPressEvent(QKeyEvent* event) {
  const QModelIndex current = currentIndex();
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (enter && open_photo && current.column() == Photos && state() != EditingState &&
      !current.data(kPathsRole).toStringList().isEmpty()) {
    event->accept();
    open_photo(current.row(), 0);
    return;
  }
  QTableWidget::keyPressEvent(event);
  // Enter in the table stays in the table: left to the dialog, it would
  // press 取り込む and make memos of every checked day at once.
  if (enter) event->accept();
}

QModelIndex DayTable::stop_from(const QModelIndex& index, bool forward) const {
  const int stops = static_cast<int>(kStops.size());
  int at = -1;  // before the first stop
  if (index.isValid()) {
    const auto column = std::find(kStops.begin(), kStops.end(), index.column());
    // A cell between two stops counts as the stop before it.
    const int k = column != kStops.end() ? static_cast<int>(column - kStops.begin())
                                         : static_cast<int>(std::upper_bound(kStops.begin(), kStops.end(), index.column()) -
                                                            kStops.begin()) - (forward ? 1 : 0);
    at = index.row() * stops + k;
  } else if (!forward) {
    at = rowCount() * stops;
  }
  at += forward ? 1 : -1;
  if (at < 0 || at >= rowCount() * stops) return {};
  return model()->index(at / stops, kStops[static_cast<size_t>(at % stops)]);
}

QModelIndex DayTable::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
  if (action == MoveNext || action == MovePrevious) return stop_from(currentIndex(), action == MoveNext);
  return QTableWidget::moveCursor(action, modifiers);
}

void DayTable::focusInEvent(QFocusEvent* event) {
  if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason) {
    const QModelIndex first = stop_from({}, event->reason() == Qt::TabFocusReason);
    if (first.isValid()) setCurrentIndex(first);
  }
  QTableWidget::focusInEvent(event);
}

QWidget* CategoryDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const {
  auto* combo = new QComboBox(parent);
  combo->setEditable(true);
  combo->setInsertPolicy(QComboBox::NoInsert);
  // One list for every row: a thousand names are not copied for each.
  combo->setModel(names_);
  return combo;
}

void CategoryDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
  static_cast<QComboBox*>(editor)->setEditText(index.data().toString());
}

void CategoryDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const {
  model->setData(index, static_cast<QComboBox*>(editor)->currentText());
}

namespace {
// The text a title box opened with.
constexpr char kOpenedWith[] = "verdalis_opened_with";
}  // namespace

void TitleDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
  if (editor->property(kOpenedWith).isValid()) return;
  QStyledItemDelegate::setEditorData(editor, index);
  editor->setProperty(kOpenedWith, index.data());
}

void TitleDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const {
  const auto* box = qobject_cast<QLineEdit*>(editor);
  if (box != nullptr && box->text() == editor->property(kOpenedWith).toString()) return;
  QStyledItemDelegate::setModelData(editor, model, index);
}

void CheckDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QStyleOptionViewItem box(option);
  box.state &= ~QStyle::State_HasFocus;
  QStyledItemDelegate::paint(painter, box, index);
  if (option.state & QStyle::State_HasFocus) paint_cell_focus(*painter, option);
}

QStringList strip_paths(const QTableWidget& grid, int row) { return grid.item(row, Photos)->data(kPathsRole).toStringList(); }

void insert_day_row(DayTable& grid, int row, const store::ImportDay& day, const QString& location,
                    const QString& variety) {
  grid.insertRow(row);
  auto* header = new QTableWidgetItem;
  header->setSizeHint(grid.day_header_size());
  grid.setVerticalHeaderItem(row, header);
  grid.setItem(row, Take, fixed_item());
  grid.setItem(row, Count, fixed_item());
  grid.setItem(row, Photos, fixed_item());
  grid.setItem(row, Location, editable_item(location));
  grid.setItem(row, Variety, editable_item(variety));
  grid.setItem(row, Title, editable_item(QString()));
  update_day_row(grid, row, day);
}

void update_day_row(QTableWidget& grid, int row, const store::ImportDay& day) {
  const int fresh = day.fresh();
  const int known = static_cast<int>(day.photos.size()) - fresh;
  const QString date = day.day.toString(QStringLiteral("yyyy/MM/dd"));
  // A day some of whose photos have no shooting time says where the day
  // came from: the file's time (which copying changes) comes first, as the
  // less certain.
  const auto any = [&day](bool store::ImportPhoto::*mark) {
    return std::any_of(day.photos.begin(), day.photos.end(), [mark](const store::ImportPhoto& p) { return p.*mark; });
  };
  const QString mark = any(&store::ImportPhoto::from_file)   ? kFileTimeMark
                       : any(&store::ImportPhoto::from_name) ? kNameDateMark
                                                             : QString();
  grid.verticalHeaderItem(row)->setText(mark.isEmpty() ? date : date + QLatin1Char('\n') + mark);
  set_take(*grid.item(row, Take), date, fresh > 0);
  grid.item(row, Count)->setText(known > 0 ? QStringLiteral("%1 枚\n（%2 枚は登録済み）").arg(day.photos.size()).arg(known)
                                           : QStringLiteral("%1 枚").arg(day.photos.size()));
  QStringList paths;
  QStringList names;
  for (const store::ImportPhoto& p : day.photos) {
    if (p.already) continue;
    paths << p.path;
    names << p.path.section(QLatin1Char('/'), -1);
  }
  QTableWidgetItem& strip = *grid.item(row, Photos);
  strip.setData(kPathsRole, paths);
  // What the thumbnails show, for a screen reader and as the hover hint.
  // A day with nothing new says so on screen too, where the strip would be.
  strip.setText(names.isEmpty() ? kNothingNew : QString());
  strip.setData(Qt::AccessibleTextRole, names.isEmpty() ? kNothingNew : names.join(QStringLiteral("、")));
  strip.setToolTip(names.join(QLatin1Char('\n')));
  // A day whose photos are all in the diary already adds nothing: no title
  // is proposed for it.
  propose_text(*grid.item(row, Title), fresh > 0 ? store::day_title(fresh) : QString());
}

}  // namespace photo_import
