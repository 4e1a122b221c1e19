#include "main_window/memo_row_delegate.h"

#include <QApplication>
#include <QPainter>

void MemoRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const bool selected = option.state.testFlag(QStyle::State_Selected);
  const QPalette::ColorGroup group = option.state.testFlag(QStyle::State_Enabled)
                                         ? (option.state.testFlag(QStyle::State_Active) ? QPalette::Active : QPalette::Inactive)
                                         : QPalette::Disabled;
  if (selected) painter->fillRect(option.rect, option.palette.brush(group, QPalette::Highlight));
  const QString text = index.data(Qt::DisplayRole).toString();
  if (text.isEmpty()) return;
  // The same inner margin as the general item drawing leaves.
  const QStyle* style = option.widget ? option.widget->style() : QApplication::style();
  const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, option.widget) + 1;
  const QRect area = option.rect.adjusted(margin, 0, -margin, 0);
  const QString shown = option.fontMetrics.elidedText(text, Qt::ElideRight, area.width());
  painter->save();
  painter->setPen(option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
  painter->setFont(option.font);
  painter->drawText(area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
  painter->restore();
}
