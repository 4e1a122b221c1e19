#pragma once
// The album's two headers: the year names down its left side and the month
// names along its top.

#include <QWidget>
#include <vector>

class QPaintEvent;

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

// The month names above the columns, with the current month marked.
class MonthHeader : public QWidget {
 public:
  MonthHeader(int current_month, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int current_month_;
};

}  // namespace seasons
