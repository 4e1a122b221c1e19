#pragma once
// A list box whose click stands for what the user did: a left click on an
// item (every time, also on the item already selected) or a key that
// selects another item. Focus alone, or a row that is only current, never
// counts; "the selected item" is an item that is selected.

#include <QListWidget>

namespace ui {

class ClickList : public QListWidget {
  Q_OBJECT

 public:
  using QListWidget::QListWidget;

  // The row of the selected item, or -1 when no item is selected.
  int selected_row() const;

 Q_SIGNALS:
  // A click on an item, or a key press that selected another item.
  void item_clicked();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  bool pressed_on_item_ = false;
};

}  // namespace ui
