#include "seasons/album_headers.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include "seasons/album_grid.h"
#include "seasons/flat_scroll_bar.h"

namespace seasons {

YearRuler::YearRuler(std::vector<int> years, int cell_height, QWidget* viewport)
    : QWidget(viewport), years_(std::move(years)), cell_height_(cell_height) {
  setObjectName(QStringLiteral("album_years"));
  setAttribute(Qt::WA_TransparentForMouseEvents);
  resize(AlbumGrid::kYearWidth, cell_height_ * static_cast<int>(years_.size()));
}

void YearRuler::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().window());
  QFont bold = font();
  bold.setBold(true);
  painter.setFont(bold);
  for (size_t row = 0; row < years_.size(); ++row) {
    const int y = static_cast<int>(row) * cell_height_;
    painter.setPen(kAlbumLines);
    painter.drawLine(0, y + cell_height_ - 1, width(), y + cell_height_ - 1);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QRect(0, y, width(), cell_height_), Qt::AlignCenter, QStringLiteral("%1年").arg(years_[row]));
  }
  painter.setPen(kAlbumLines);
  painter.drawLine(width() - 1, 0, width() - 1, height());
}

MonthHeader::MonthHeader(int current_month, QWidget* parent) : QWidget(parent), current_month_(current_month) {
  setObjectName(QStringLiteral("album_header"));
  setFocusPolicy(Qt::NoFocus);
  setFixedHeight(AlbumGrid::kHeaderHeight);
}

void MonthHeader::set_offset(int x) {
  if (x == offset_) return;
  offset_ = x;
  update();
}

void MonthHeader::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().window());
  // The months only right of the year names' column.
  painter.save();
  painter.setClipRect(QRect(AlbumGrid::kYearWidth, 0, width() - AlbumGrid::kYearWidth, height()));
  for (int m = 1; m <= 12; ++m) {
    const QRect cell(AlbumGrid::column_x(m) - offset_, 0, AlbumGrid::kCellWidth, height());
    QFont f = font();
    f.setBold(m == current_month_);
    painter.setFont(f);
    if (m == current_month_) painter.fillRect(cell, QColor(255, 215, 0));
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(cell, Qt::AlignCenter, QStringLiteral("%1月").arg(m));
  }
  painter.restore();
  painter.setPen(kAlbumLines);
  painter.drawLine(AlbumGrid::kYearWidth - 1, 0, AlbumGrid::kYearWidth - 1, height());
  painter.drawLine(0, height() - 1, width(), height() - 1);
}

void MonthHeader::wheelEvent(QWheelEvent* event) {
  if (auto* area = qobject_cast<QAbstractScrollArea*>(parentWidget())) {
    QCoreApplication::sendEvent(area->viewport(), event);
  } else {
    QWidget::wheelEvent(event);
  }
}

AlbumBody::AlbumBody(int current_month, QWidget* parent)
    : QScrollArea(parent), header_(new MonthHeader(current_month, this)) {
  setViewportMargins(0, AlbumGrid::kHeaderHeight, 0, 0);
  setHorizontalScrollBar(new FlatScrollBar(Qt::Horizontal, this));
  setVerticalScrollBar(new FlatScrollBar(Qt::Vertical, this));
  connect(horizontalScrollBar(), &QScrollBar::valueChanged, header_, &MonthHeader::set_offset);
}

bool AlbumBody::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::Resize) place_header();
  return QScrollArea::viewportEvent(event);
}

void AlbumBody::place_header() {
  const QRect v = viewport()->geometry();
  header_->setGeometry(v.left(), v.top() - AlbumGrid::kHeaderHeight, v.width(), AlbumGrid::kHeaderHeight);
}

}  // namespace seasons
