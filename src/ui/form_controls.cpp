#include "ui/form_controls.h"

#include <QAction>
#include <QBoxLayout>
#include <QPushButton>
#include <QShortcut>
#include <algorithm>

#include "ui/pick_combo.h"

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

PickCombo* make_pick_combo(QWidget* parent, const char* name) {
  auto* combo = new PickCombo(parent);
  combo->setObjectName(QLatin1String(name));
  combo->setEditable(true);
  combo->setInsertPolicy(QComboBox::NoInsert);
  combo->setCompleter(nullptr);
  combo->setMaxVisibleItems(20);
  return combo;
}

QAction* add_action(QWidget* menu, const char* name, const QString& text) {
  auto* action = new QAction(text, menu);
  action->setObjectName(QLatin1String(name));
  menu->addAction(action);
  return action;
}

QPushButton* add_close_row(QWidget* window, QBoxLayout* layout) {
  auto* row = new QHBoxLayout;
  row->addStretch();
  QPushButton* close = make_button(window, "Command1", QStringLiteral("閉じる(&C)"));
  row->addWidget(close);
  layout->addLayout(row);
  QObject::connect(close, &QPushButton::clicked, window, &QWidget::close);
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
  QObject::connect(escape, &QShortcut::activated, window, &QWidget::close);
  return close;
}

}  // namespace ui
