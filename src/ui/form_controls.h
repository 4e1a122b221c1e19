#pragma once
// Building the windows whose controls are placed in code: a control put at
// its box in twips, and buttons, boxes and menu items named as the design
// names them.

#include <QString>

#include "ui/twips.h"

class QAction;
class QBoxLayout;
class QPushButton;
class QWidget;

namespace ui {

class PickCombo;

// Puts the control at its box, converted once to pixels; never at a
// negative size, whatever the layout arithmetic gives.
void place(QWidget* w, const BasicTwipsBox<double>& box);
void place(QWidget* w, const BasicTwipsBox<float>& box);
inline void place(QWidget* w, double left, double top, double width, double height) {
  place(w, TwipsBox{left, top, width, height});
}

// A push button of `parent` with the object name `name`.
QPushButton* make_button(QWidget* parent, const char* name, const QString& text);

// The last row of a tool window: a "閉じる(&C)" button (object name
// Command1) at its right, and Esc closing the window as it does.
QPushButton* add_close_row(QWidget* window, QBoxLayout* layout);

// An editable box whose typed text is only a choice once it is picked from
// its drop-down list: no completion, nothing inserted, 20 entries in view.
PickCombo* make_pick_combo(QWidget* parent, const char* name);

// An item added to a menu or a menu bar, with the object name `name`.
QAction* add_action(QWidget* menu, const char* name, const QString& text);

}  // namespace ui
