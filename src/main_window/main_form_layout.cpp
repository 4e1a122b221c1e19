// The main window's layout at any size, and the divider between the memo
// list and the lower pane that the user drags to share the height.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <algorithm>

#include "main_window/main_form.h"
#include "main_window/main_layout.h"
#include "main_window/memo_grid.h"
#include "ui/form_controls.h"
#include "ui/twips.h"

using ui::place;
using ui::px;

namespace {

// Sets a control's top and height, keeping its left and width.
void set_top_and_height(QWidget* w, double top, double height) {
  w->setGeometry(w->x(), px(top), w->width(), px(height));
}

}  // namespace

void Main_form::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  Form_Resize();
}

void Main_form::Form_Resize() {
  if (isMinimized()) return;
  const double width = outer_width_twips();
  const double height = outer_height_twips();
  // The minimum size (the client area's) keeps the window from being made
  // smaller. Where nothing enforces it (no window manager), the window is
  // set back to it; meanwhile the controls are laid out for it.
  if ((width < main_layout::kMinOuterWidth || height < main_layout::kMinOuterHeight) &&
      windowState() == Qt::WindowNoState) {
    set_outer_size_twips(std::max(width, main_layout::kMinOuterWidth), std::max(height, main_layout::kMinOuterHeight));
  }
  const main_layout::MainLayout l = main_layout::layout_main(width, height, ui::twips(Grid1->height()));
  place(Combo1, l.Combo1);
  Label2->move(px(l.Label2_left), Label2->y());
  place(Combo2, l.Combo2);
  place(Command2, l.Command2);
  // The title column stretches to the list's width, so the list never
  // needs a horizontal scroll bar.
  place(Grid1, l.Grid1);
  place(Text2, l.Text2);
  place(List1, l.List1);
  place(Image1, l.Image1);
  Label3->move(px(l.Label3_left), px(l.Label3_top));
  place(Text1, l.Text1);
  place(Command7, l.Command7);
  place(Command8, l.Command8);
  place(Command6, l.Command6);
  // The picture shown is fitted to the new picture area: scaled down when
  // it no longer fits, back to its own size when it fits again.
  if (!picture_file_.isEmpty()) fit_picture();
}

void Main_form::set_divider_pointer(bool on) {
  divider_pointer_ = on;
  if (on) {
    centralWidget()->setCursor(Qt::SizeVerCursor);
  } else {
    centralWidget()->unsetCursor();
  }
}

void Main_form::Form_MouseMove(double y, bool button_held) {
  set_hint(QString());
  // While the divider is dragged the pointer stays the sizing arrow, even
  // when a quick move takes it past the strip before the list follows.
  const bool on_divider =
      dragging_ || main_layout::over_divider(ui::twips(Grid1->height()), ui::twips(Text2->y()), y);
  set_divider_pointer(on_divider);
  if (on_divider) set_hint(QStringLiteral("マウスでドラッグして表示エリアのサイズを変更できます。"));
  if (!dragging_) return;
  if (!button_held) {
    // The button was let go where the window did not hear it: the drag
    // ends here rather than following a pointer with no button down.
    Form_MouseUp(y);
    return;
  }
  const main_layout::DividerLayout d = main_layout::divider_at(outer_height_twips(), y);
  Grid1->resize(Grid1->width(), px(d.grid_height));
  set_top_and_height(Text2, d.Text2_top, d.Text2_height);
  List1->move(List1->x(), px(d.List1_top));
  if (picture_file_.isEmpty()) {
    set_top_and_height(Image1, d.Image1_top, d.Image1_height);
  } else {
    // A picture keeps its proportions: the picture already decoded is
    // scaled to the area's new size; the release decodes it afresh.
    Image1->move(Image1->x(), px(d.Image1_top));
    Image1->resize(fitted_picture_size());
  }
}

void Main_form::Form_MouseDown(double) {
  if (divider_pointer_) dragging_ = true;
}

void Main_form::Form_MouseUp(double y) {
  if (!dragging_) return;
  const main_layout::DividerLayout d = main_layout::divider_at(outer_height_twips(), y);
  Grid1->resize(Grid1->width(), px(d.grid_height));
  set_top_and_height(Text2, d.Text2_top, d.Text2_height);
  dragging_ = false;
  set_divider_pointer(false);
  if (!picture_file_.isEmpty()) fit_picture();
}
