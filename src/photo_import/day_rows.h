#pragma once
// The rows of the import window's table, one per shooting day: the date as
// the row's header (it stays in sight when the table scrolls sideways), a
// check box, the number of photos, a strip of thumbnails, the location and
// variety and the title. Rows come while the folder is still being read
// and are brought up to date as its days grow; what the user changed in a
// row (the check, the title) is kept. The cells are plain items drawn and
// edited by delegates, so that sixty rows cost no more than sixty lines.

#include <QStringList>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <functional>

#include "store/pictures/photo_import.h"

class QAbstractItemModel;

namespace photo_import {

enum Column { Take, Count, Photos, Location, Variety, Title, kColumns };

// The table of days. Tab and Shift+Tab go through each row's check box,
// location, variety and title in reading order (also from an open box)
// and leave the table after the last or before the first; coming in by
// Tab starts at the first row's check box, by Shift+Tab at the last title.
// A double-click on a thumbnail, or Enter on a strip, opens a photo. The
// strip's column takes the width the others leave.
class DayTable : public QTableWidget {
 public:
  // `tile_side`: the strips' thumbnail size in pixels.
  DayTable(int tile_side, QWidget* parent);

  // Called with the row and the strip's photo (0-based) to open: the
  // photo double-clicked, the first the 「+n」 tile counts, or on Enter the
  // strip's first.
  std::function<void(int row, int photo)> open_photo;

  // The size of a row's header, wide enough for any date with its mark.
  QSize day_header_size() const { return header_size_; }

 protected:
  QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
  void focusInEvent(QFocusEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool viewportEvent(QEvent* event) override;

 private:
  // The stop after (or before) `index`; invalid past the ends.
  QModelIndex stop_from(const QModelIndex& index, bool forward) const;
  // The strip photo under `at` (viewport pixels), -1 when none.
  int photo_at(const QModelIndex& index, const QPoint& at) const;
  void measure_header();
  // The strip takes the width the other columns leave, and never less
  // than a photo and a 「+n」 tile.
  void fit_strip();

  int tile_side_;
  QSize header_size_;
};

// The location or the variety, edited in a drop-down of the list's names
// that also takes a new name.
class CategoryDelegate : public QStyledItemDelegate {
 public:
  CategoryDelegate(QAbstractItemModel* names, QObject* parent) : QStyledItemDelegate(parent), names_(names) {}
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  void setEditorData(QWidget* editor, const QModelIndex& index) const override;
  void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

 private:
  QAbstractItemModel* names_;
};

// The title, edited in a line box. A row brought up to date while its
// title is being typed must not take the typing away: the box is filled
// once, when it opens, and gives its text back only when the user changed
// it, so that an untouched title keeps following the day's count.
class TitleDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void setEditorData(QWidget* editor, const QModelIndex& index) const override;
  void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
};

// The 取り込む check box. The current cell's focus mark covers the whole
// cell, as in the other columns; the style's own mark would cover only the
// empty space beside the box, which looked like a second, empty cell.
class CheckDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// The photos a row's strip shows: those not yet in the diary.
QStringList strip_paths(const QTableWidget& grid, int row);

// Inserts a row for `day` at `row`, with the location and variety given.
void insert_day_row(DayTable& grid, int row, const store::ImportDay& day, const QString& location,
                    const QString& variety);
// Brings row `row` up to `day` (the same date, perhaps more photos). A day
// with no photo new to the diary cannot be checked.
void update_day_row(QTableWidget& grid, int row, const store::ImportDay& day);

}  // namespace photo_import
