#include "main_window/search_mark_delegate.h"

#include <QApplication>
#include <QPainter>
#include <QTextLayout>
#include <algorithm>

SearchMarkDelegate::SearchMarkDelegate(const QColor& mark, QObject* parent) : QStyledItemDelegate(parent), mark_(mark) {}

void SearchMarkDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const QList<QPoint> marks = index.data(kMarksRole).value<QList<QPoint>>();
  if (marks.isEmpty()) {
    QStyledItemDelegate::paint(painter, option, index);
    return;
  }
  QStyleOptionViewItem opt(option);
  initStyleOption(&opt, index);
  const QWidget* widget = opt.widget;
  const QStyle* style = widget ? widget->style() : QApplication::style();
  const QString text = opt.text;
  // The same text area and inner margin as the style's own item drawing.
  const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
  const QRect area = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget).adjusted(margin, 0, -margin, 0);

  // The background, the selection and the focus frame, without the text.
  opt.text.clear();
  style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

  QTextCharFormat marked;
  marked.setBackground(mark_);
  marked.setForeground(QColor(Qt::black));
  QList<QTextLayout::FormatRange> ranges;
  for (const QPoint& m : marks) {
    const int start = std::clamp(m.x(), 0, static_cast<int>(text.size()));
    const int end = std::clamp(m.x() + m.y(), start, static_cast<int>(text.size()));
    if (end > start) ranges.append({start, end - start, marked});
  }
  QTextLayout layout(text, opt.font, painter->device());
  QTextOption one_line;
  one_line.setWrapMode(QTextOption::NoWrap);
  layout.setTextOption(one_line);
  layout.setFormats(ranges);
  layout.beginLayout();
  const QTextLine line = layout.createLine();
  layout.endLayout();
  if (!line.isValid()) return;

  const bool selected = opt.state.testFlag(QStyle::State_Selected);
  QPalette::ColorGroup group = opt.state.testFlag(QStyle::State_Enabled) ? QPalette::Normal : QPalette::Disabled;
  if (group == QPalette::Normal && !opt.state.testFlag(QStyle::State_Active)) group = QPalette::Inactive;
  painter->save();
  painter->setClipRect(area, Qt::IntersectClip);
  painter->setPen(opt.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
  layout.draw(painter, QPointF(area.left(), area.top() + (area.height() - line.height()) / 2));
  painter->restore();
}
