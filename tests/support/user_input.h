#pragma once
// Drives widgets the way a user does, through real input events: mouse
// clicks on a widget or on an item inside a view's viewport, keys typed
// into the focused box, and picks from a combo box's drop-down list.
// Handlers then run because the event reached them, not because a test
// called them.

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

namespace user_input {

// Shows the window and makes it the active one, so that clicks move the
// keyboard focus as they do on a desktop.
inline void show_active(QWidget* window) {
  window->show();
  QApplication::setActiveWindow(window);
  QVERIFY(QTest::qWaitForWindowActive(window));
}

// A left click in the middle of the widget (a button, a box to focus). The
// click goes to the innermost child under that point, as the mouse's would
// (the line edit of an editable combo box, the viewport of a view).
inline void click(QWidget* w) {
  const QPoint centre = w->rect().center();
  QWidget* target = w->childAt(centre);
  if (!target) target = w;
  QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, target->mapFrom(w, centre));
}

inline QPoint item_centre(QAbstractItemView* view, const QModelIndex& index) {
  view->scrollTo(index);
  return view->visualRect(index).center();
}

// A left click on row `row` of a list box.
inline void click_item(QListWidget* list, int row) {
  const QPoint at = item_centre(list, list->model()->index(row, 0));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

// A double click as the mouse makes it: press, release, then the second
// press that Qt reports as a double click, and its release.
inline void double_click_item(QAbstractItemView* view, const QModelIndex& index) {
  const QPoint at = item_centre(view, index);
  QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
  QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

inline void double_click_item(QListWidget* list, int row) { double_click_item(list, list->model()->index(row, 0)); }

// A left click on a row of a table (0-based model row).
inline void click_row(QTableView* table, int row, int column = 0) {
  const QPoint at = item_centre(table, table->model()->index(row, column));
  QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

// Clicks into a text box, then types the text key by key (each key press
// carries its character, as a keyboard layout or an input method's commit
// of a single character delivers it).
// Types the text key by key into the widget that has the focus (or `box`).
inline void type_text(const QString& text, QWidget* box = nullptr) {
  QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : box;
  QVERIFY2(target, "no widget has the focus");
  for (const QChar c : text) QTest::sendKeyEvent(QTest::Click, target, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

inline void type_into(QWidget* box, const QString& text) {
  click(box);
  type_text(text, box);
}

inline void key(Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QWidget* target = QApplication::focusWidget();
  QVERIFY2(target, "no widget has the focus");
  QTest::keyClick(target, k, modifiers);
}

// Clicks into a text box, selects all of its text with Ctrl+A and types the
// new text over it.
inline void retype(QWidget* box, const QString& text) {
  click(box);
  key(Qt::Key_A, Qt::ControlModifier);
  type_text(text, box);
}

// Opens the drop-down list of the combo box and clicks item `row` in it.
inline void pick(QComboBox* combo, int row) {
  combo->showPopup();
  QAbstractItemView* list = combo->view();
  QVERIFY2(list->isVisible(), "the drop-down list did not open");
  const QPoint at = item_centre(list, combo->model()->index(row, 0));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

// Opens the drop-down list with the keyboard, walks to item `row` and
// takes it with Enter.
inline void pick_by_keys(QComboBox* combo, int row) {
  combo->setFocus(Qt::TabFocusReason);
  QTest::keyClick(combo, Qt::Key_F4);
  QAbstractItemView* list = combo->view();
  QVERIFY2(list->isVisible(), "the drop-down list did not open");
  QTest::keyClick(list, Qt::Key_Home);
  for (int i = 0; i < row; ++i) QTest::keyClick(list, Qt::Key_Down);
  QTest::keyClick(list, Qt::Key_Return);
}

// Files dragged from a file manager and dropped at `at` of `target` (for a
// view, its viewport): the drag enters, moves there, and drops. Returns the
// action the drop was taken with (Qt::IgnoreAction when it was refused).
inline Qt::DropAction drop_files(QWidget* target, const QPoint& at, const QList<QUrl>& urls) {
  QMimeData data;
  data.setUrls(urls);
  const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
  QDragEnterEvent enter(at, offered, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &enter);
  if (!enter.isAccepted()) return Qt::IgnoreAction;
  QDragMoveEvent move(at, offered, &data, Qt::LeftButton, Qt::NoModifier);
  move.setDropAction(Qt::MoveAction);  // what a file manager proposes on one disk
  QCoreApplication::sendEvent(target, &move);
  QDropEvent drop(QPointF(at), offered, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &drop);
  return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
}

}  // namespace user_input
