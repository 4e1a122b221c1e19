#include "ui/pick_combo.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QTimer>

namespace ui {

PickCombo::PickCombo(QWidget* parent) : QComboBox(parent) {
  // view() creates the drop-down list, whose own filter takes the release
  // and the Enter key that choose an item. Filters installed later run
  // first, so this one sees them before the item is taken.
  QAbstractItemView* list = view();
  list->installEventFilter(this);
  list->viewport()->installEventFilter(this);
  connect(this, &QComboBox::activated, this, [this](int index) {
    if (!pick_pending_) return;
    pick_pending_ = false;
    Q_EMIT picked(index);
  });
}

void PickCombo::showPopup() {
  pick_pending_ = false;
  QComboBox::showPopup();
}

void PickCombo::append_keeping_text(const QString& name) {
  const QString text = currentText();
  const int index = currentIndex();
  const QSignalBlocker quiet(this);
  addItem(name);
  if (currentIndex() != index) {
    setCurrentIndex(index);
    if (index < 0) setEditText(text);
  }
}

void PickCombo::arm() {
  pick_pending_ = true;
  // A release the list did not take (on no item) must not turn a later
  // loss of focus into a pick.
  QTimer::singleShot(0, this, [this] { pick_pending_ = false; });
}

bool PickCombo::eventFilter(QObject* watched, QEvent* event) {
  QAbstractItemView* list = view();
  if (!list->isVisible()) return QComboBox::eventFilter(watched, event);
  if (watched == list->viewport() && event->type() == QEvent::MouseButtonRelease) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::LeftButton && list->indexAt(mouse->position().toPoint()).isValid()) arm();
  } else if (watched == list && (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)) {
    // The list takes Enter already as a shortcut override, before the key
    // press itself.
    const int key = static_cast<QKeyEvent*>(event)->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && list->currentIndex().isValid()) arm();
  }
  return QComboBox::eventFilter(watched, event);
}

}  // namespace ui
