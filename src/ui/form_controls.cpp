#include "ui/form_controls.h"

#include <QPushButton>
#include <algorithm>

namespace ui {

namespace {

template <typename T>
void place_box(QWidget* w, const BasicTwipsBox<T>& b) {
  w->setGeometry(px(b.left), px(b.top), std::max(0, px(b.width)), std::max(0, px(b.height)));
}

}  // namespace

void place(QWidget* w, const BasicTwipsBox<double>& box) { place_box(w, box); }
void place(QWidget* w, const BasicTwipsBox<float>& box) { place_box(w, box); }

QPushButton* make_button(QWidget* parent, const char* name, const QString& text) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(QLatin1String(name));
  return button;
}

}  // namespace ui
