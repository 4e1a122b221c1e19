#pragma once
// The rows of the import window's table, one per shooting day: a check box,
// the date, the number of photos, a strip of thumbnails, the location and
// variety and the title. Rows come while the folder is still being read
// and are brought up to date as its days grow; what the user changed in a
// row (the check, the title) is kept. The cells are plain items drawn and
// edited by delegates, so that sixty rows cost no more than sixty lines.

#include <QStringList>
#include <QStyledItemDelegate>
#include <QTableWidget>

#include "store/pictures/photo_import.h"

class QAbstractItemModel;

namespace seasons {
class ThumbnailLoader;
}

namespace photo_import {

enum Column { Take, Day, Count, Photos, Location, Variety, Title, kColumns };

// The table of days. Tab and Shift+Tab go through each row's check box,
// location, variety and title in reading order (also from an open box)
// and leave the table after the last or before the first; coming in by
// Tab starts at the first row's check box, by Shift+Tab at the last title.
class DayTable : public QTableWidget {
 public:
  DayTable(int rows, int columns, QWidget* parent) : QTableWidget(rows, columns, parent) { setTabKeyNavigation(true); }

 protected:
  QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
  void focusInEvent(QFocusEvent* event) override;

 private:
  // The stop after (or before) `index`; invalid past the ends.
  QModelIndex stop_from(const QModelIndex& index, bool forward) const;
};

// A day's photos as a row of thumbnails, redrawn as they arrive. While
// the folder is read the tiles are plain and no thumbnail is asked for:
// making one reads the whole photo, which on a card or a phone competes
// with reading the heads of all the others.
class StripDelegate : public QStyledItemDelegate {
 public:
  StripDelegate(seasons::ThumbnailLoader& loader, QObject* parent);
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  void hold_thumbnails(bool hold) { hold_ = hold; }

 private:
  seasons::ThumbnailLoader& loader_;
  bool hold_ = false;
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
void insert_day_row(QTableWidget& grid, int row, const store::ImportDay& day, const QString& location,
                    const QString& variety);
// Brings row `row` up to `day` (the same date, perhaps more photos).
void update_day_row(QTableWidget& grid, int row, const store::ImportDay& day);

}  // namespace photo_import
