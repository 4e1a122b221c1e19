#pragma once
// The memo list view. Besides a mouse click, moving the current row with
// the keyboard also shows that row's memo.

#include <QTableView>

class MemoGrid : public QTableView {
  Q_OBJECT

 public:
  using QTableView::QTableView;

  // The 1-based grid row of the current cell (0 when no row is current,
  // which stands for the header row).
  int current_grid_row() const;

 Q_SIGNALS:
  void row_chosen_by_keyboard();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};
