#pragma once
// Building the windows whose controls are placed in code: a control put at
// its box in twips, and a push button named as the design names it.

#include <QString>

#include "ui/twips.h"

class QPushButton;
class QWidget;

namespace ui {

// Puts the control at its box, converted once to pixels; never at a
// negative size, whatever the layout arithmetic gives.
void place(QWidget* w, const BasicTwipsBox<double>& box);
void place(QWidget* w, const BasicTwipsBox<float>& box);
inline void place(QWidget* w, double left, double top, double width, double height) {
  place(w, TwipsBox{left, top, width, height});
}

// A push button of `parent` with the object name `name`.
QPushButton* make_button(QWidget* parent, const char* name, const QString& text);

}  // namespace ui
