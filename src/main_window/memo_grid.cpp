#include "main_window/memo_grid.h"

#include <QKeyEvent>

int MemoGrid::current_grid_row() const {
  const QModelIndex current = currentIndex();
  return current.isValid() ? current.row() + 1 : 0;
}

void MemoGrid::keyPressEvent(QKeyEvent* event) {
  const int before = current_grid_row();
  QTableView::keyPressEvent(event);
  if (current_grid_row() != before) Q_EMIT row_chosen_by_keyboard();
}
