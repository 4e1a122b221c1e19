#pragma once
// The album's two headers: the year names down its left side and the month
// names along its top.

#include <QScrollArea>
#include <QWidget>
#include <vector>

class QPaintEvent;
class QWheelEvent;

namespace seasons {

// The year names at the left of the album's viewport: they stay in sight
// when the grid is scrolled sideways and move with it up and down.
class YearRuler : public QWidget {
 public:
  YearRuler(std::vector<int> years, int cell_height, QWidget* viewport);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::vector<int> years_;
  int cell_height_;
};

// The month names above the columns, with the current month marked. It
// is drawn moved by the grid's sideways scrolling (set_offset), and the
// corner above the year names stays still, so no part of a month name is
// ever seen above the years.
class MonthHeader : public QWidget {
 public:
  MonthHeader(int current_month, QWidget* parent);
  void set_offset(int x);
  int offset() const { return offset_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  // The wheel over the names scrolls the grid below them.
  void wheelEvent(QWheelEvent* event) override;

 private:
  int current_month_;
  int offset_ = 0;
};

// The album's scrolling area: the grid in its viewport and the month names
// in a margin above it, inside the same frame, as a table view keeps its
// header. The names take no focus and scroll only with the grid; the
// wheel over them scrolls the grid.
class AlbumBody : public QScrollArea {
 public:
  AlbumBody(int current_month, QWidget* parent);
  MonthHeader* header() const { return header_; }

 protected:
  bool viewportEvent(QEvent* event) override;

 private:
  void place_header();
  MonthHeader* header_;
};

}  // namespace seasons
