#pragma once
// Draws the picture titles of the viewer pane with the search's marks:
// every occurrence of the keyword in a title gets the mark colour behind
// dark text, over the selection's colour too, so that a hit stays visible
// on the title that is selected. Titles without marks are drawn as the
// list draws any item.

#include <QColor>
#include <QList>
#include <QPoint>
#include <QStyledItemDelegate>

class SearchMarkDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  // The item data role holding an item's marks: a QList<QPoint> of (start,
  // length) in the item's text, in order.
  static constexpr int kMarksRole = Qt::UserRole + 17;

  SearchMarkDelegate(const QColor& mark, QObject* parent);

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  QColor mark_;
};
