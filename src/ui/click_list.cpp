#include "ui/click_list.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace ui {

namespace {

bool is_navigation_key(int key) {
  switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
      return true;
    default:
      return false;
  }
}

}  // namespace

int ClickList::selected_row() const {
  const QList<QListWidgetItem*> items = selectedItems();
  return items.isEmpty() ? -1 : row(items.first());
}

void ClickList::mousePressEvent(QMouseEvent* event) {
  pressed_on_item_ = event->button() == Qt::LeftButton && itemAt(event->position().toPoint()) != nullptr;
  QListWidget::mousePressEvent(event);
}

// A press that selected an item and a release over the item selected: the
// release of a double click comes without a press of its own, so a double
// click counts as one click.
void ClickList::mouseReleaseEvent(QMouseEvent* event) {
  const bool pressed = pressed_on_item_;
  pressed_on_item_ = false;
  QListWidget::mouseReleaseEvent(event);
  if (!pressed || event->button() != Qt::LeftButton) return;
  const QListWidgetItem* item = itemAt(event->position().toPoint());
  if (item && item->isSelected()) Q_EMIT item_clicked();
}

void ClickList::keyPressEvent(QKeyEvent* event) {
  const int before = selected_row();
  QListWidget::keyPressEvent(event);
  // The focus makes the first row current without selecting it; a moving
  // key that Qt finds nothing to move for (Home on that row) selects it.
  QListWidgetItem* current = currentItem();
  if (current && !current->isSelected() && is_navigation_key(event->key())) {
    setCurrentItem(current, QItemSelectionModel::ClearAndSelect);
  }
  const int after = selected_row();
  if (after >= 0 && after != before) Q_EMIT item_clicked();
}

}  // namespace ui
