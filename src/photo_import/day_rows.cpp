#include "photo_import/day_rows.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPainter>
#include <QTableWidget>
#include <algorithm>
#include <array>
#include <QFocusEvent>

#include "seasons/thumbnail_loader.h"
#include "seasons/tile_delegate.h"

namespace photo_import {

namespace {

constexpr int kStripTiles = 8;

// The strip's photos, in the item of the Photos column.
constexpr int kPathsRole = Qt::UserRole + 1;
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

void propose_text(QTableWidgetItem& item, const QString& text) {
  const QVariant proposed = item.data(kProposedRole);
  if (proposed.isNull() || item.text() == proposed.toString()) item.setText(text);
  item.setData(kProposedRole, text);
}

}  // namespace

namespace {
constexpr std::array kStops{Take, Location, Variety, Title};
}  // namespace

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

StripDelegate::StripDelegate(seasons::ThumbnailLoader& loader, QObject* parent)
    : QStyledItemDelegate(parent), loader_(loader) {}

void StripDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const QStringList paths = index.data(kPathsRole).toStringList();
  const int side = loader_.side();
  painter->save();
  painter->setClipRect(option.rect);
  for (int i = 0; i < std::min<int>(kStripTiles, static_cast<int>(paths.size())); ++i) {
    const QRect tile(option.rect.left() + 2 + i * (side + 4), option.rect.top() + 2, side, side);
    if (hold_) {
      painter->fillRect(tile, QColor(232, 232, 228));
    } else {
      seasons::paint_tile(*painter, tile, loader_, paths[i]);
    }
  }
  painter->restore();
  if (option.state & QStyle::State_HasFocus) {
    QStyleOptionFocusRect focus;
    focus.QStyleOption::operator=(option);
    const QStyle* style = option.widget != nullptr ? option.widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, option.widget);
  }
}

QSize StripDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const {
  const int side = loader_.side();
  const auto tiles = std::min<qsizetype>(kStripTiles, index.data(kPathsRole).toStringList().size());
  return {static_cast<int>(std::max<qsizetype>(1, tiles)) * (side + 4), side + 4};
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
  if (!(option.state & QStyle::State_HasFocus)) return;
  // Drawn as the style draws an item's focus, over the whole cell.
  QStyleOptionFocusRect mark;
  mark.QStyleOption::operator=(option);
  mark.state |= QStyle::State_KeyboardFocusChange | QStyle::State_Item;
  const QPalette::ColorGroup group = (option.state & QStyle::State_Enabled) ? QPalette::Normal : QPalette::Disabled;
  mark.backgroundColor =
      option.palette.color(group, (option.state & QStyle::State_Selected) ? QPalette::Highlight : QPalette::Window);
  QStyle* style = option.widget != nullptr ? option.widget->style() : QApplication::style();
  style->drawPrimitive(QStyle::PE_FrameFocusRect, &mark, painter, option.widget);
}

QStringList strip_paths(const QTableWidget& grid, int row) { return grid.item(row, Photos)->data(kPathsRole).toStringList(); }

void insert_day_row(QTableWidget& grid, int row, const store::ImportDay& day, const QString& location,
                    const QString& variety) {
  grid.insertRow(row);
  auto* take = new QTableWidgetItem;
  take->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
  grid.setItem(row, Take, take);
  grid.setItem(row, Day, fixed_item());
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
  propose_check(*grid.item(row, Take), fresh > 0 ? Qt::Checked : Qt::Unchecked);
  const bool file_time = std::any_of(day.photos.begin(), day.photos.end(), [](const store::ImportPhoto& p) { return p.from_file; });
  grid.item(row, Day)->setText(day.day.toString(QStringLiteral("yyyy/MM/dd")) +
                               (file_time ? QStringLiteral("（ファイルの日時）") : QString()));
  grid.item(row, Count)->setText(known > 0 ? QStringLiteral("%1 枚（%2 枚は登録済み）").arg(day.photos.size()).arg(known)
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
  strip.setData(Qt::AccessibleTextRole, names.isEmpty() ? QStringLiteral("新しい写真はありません") : names.join(QStringLiteral("、")));
  strip.setToolTip(names.join(QLatin1Char('\n')));
  // A day whose photos are all in the diary already adds nothing: no title
  // is proposed for it.
  propose_text(*grid.item(row, Title), fresh > 0 ? store::day_title(fresh) : QString());
}

}  // namespace photo_import
