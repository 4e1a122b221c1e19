#pragma once
// An editable combo box that tells a pick from its drop-down list apart
// from everything else. QComboBox::activated also fires when the box loses
// the focus (or gets Enter) holding a text that its list holds; `picked`
// fires only when the user chose an item in the open list, with the mouse
// or with Enter.

#include <QComboBox>

namespace ui {

class PickCombo : public QComboBox {
  Q_OBJECT

 public:
  explicit PickCombo(QWidget* parent = nullptr);

  void showPopup() override;

  // Appends a name to the list without changing the box's text: on an
  // empty list addItem would make the new name the current text.
  void append_keeping_text(const QString& name);

 Q_SIGNALS:
  void picked(int index);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void arm();
  // True from a release or Enter in the open list until the activation it
  // causes, which follows at once when the list takes the item.
  bool pick_pending_ = false;
};

}  // namespace ui
