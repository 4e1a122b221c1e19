#pragma once
// Draws the cells of the memo list: one line of text, cut short with "…"
// when it does not fit, on the selection colour for the chosen row. This
// is all a cell of the list ever shows, and drawing it directly is several
// times quicker than the general item drawing, which lays out every cell's
// text for icons, check boxes and wrapping the list never has.

#include <QStyledItemDelegate>

class MemoRowDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
