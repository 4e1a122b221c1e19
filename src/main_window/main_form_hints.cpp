// Hints: moving the mouse over a control (or giving a filter box the focus)
// writes one line about it into the hint box. The window's own filter also
// takes the bare surface's mouse events (the divider), the double-click on
// the picture and the keys of the filter boxes.

#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

#include "main_window/main_form.h"
#include "main_window/memo_grid.h"
#include "ui/hint_filter.h"
#include "ui/twips.h"

void Main_form::install_hints() {
  auto* hints = new ui::HintFilter([this](const QString& text) { set_hint(text); }, this);
  // Over the list, the body and the picture titles the pointer is no longer
  // the divider's.
  auto hint = [this, hints](QWidget* w, const QString& text, bool resets_pointer) {
    hints->add(w, text, resets_pointer ? std::function<void()>([this] { set_divider_pointer(false); }) : nullptr);
  };
  const QString location = QStringLiteral("指定した場所の項目だけを表示します。");
  const QString variety = QStringLiteral("指定した品種の項目だけを表示します。");
  hint(Label1, location, false);
  hint(Label2, variety, false);
  hint(Command2, QStringLiteral("場所・品種の選択を解除します。"), false);
  hint(Command6, QStringLiteral("新しい項目を登録します。"), false);
  hint(Command7, QStringLiteral("現在選択されている項目を削除します。"), false);
  hint(Command8, QStringLiteral("現在選択されている項目を訂正します。"), false);
  hint(Grid1->viewport(), QStringLiteral("クリックした項目のメモ･画像を表示します。(ﾀﾞﾌﾞﾙｸﾘｯｸで訂正)"), true);
  hint(List1->viewport(), QStringLiteral("クリックするとその画像を表示します。(ﾀﾞﾌﾞﾙｸﾘｯｸで原寸表示)"), true);
  hint(Text2->viewport(), QStringLiteral("上のリストで選択した項目のメモを表示するエリアです。"), true);
  hint(Image1, QStringLiteral("画像を表示するエリアです。(ﾀﾞﾌﾞﾙｸﾘｯｸで原寸表示)"), false);
  hint(Text1, QStringLiteral("【Verdalis】の機能・使用法のガイダンスを表示します。"), false);
  // Image1 is double-clicked and Text1 hands on its focus (eventFilter).
  Image1->installEventFilter(this);
  Text1->installEventFilter(this);
  // The bare surface of the window: the divider (see Form_MouseMove).
  centralWidget()->setMouseTracking(true);
  centralWidget()->installEventFilter(this);

  // The filter boxes show their hints when they get the focus.
  for (QComboBox* combo : {Combo1, Combo2}) {
    combo->installEventFilter(this);
    combo->lineEdit()->installEventFilter(this);
  }
}

bool Main_form::eventFilter(QObject* watched, QEvent* event) {
  if (watched == centralWidget()) {
    switch (event->type()) {
      case QEvent::MouseMove:
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonDblClick:
      case QEvent::MouseButtonRelease: {
        // Events that a control did not take reach the window surface too;
        // only those over the bare surface itself count, except while the
        // divider is dragged, when the surface follows the pointer anywhere.
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const QPointF at = mouse->position();
        if (!dragging_ && centralWidget()->childAt(at.toPoint()) != nullptr) break;
        const double y = at.y() * ui::kTwipsPerPixel;
        if (event->type() == QEvent::MouseMove) {
          Form_MouseMove(y, mouse->buttons() != Qt::NoButton);
        } else if (event->type() == QEvent::MouseButtonRelease) {
          Form_MouseUp(y);
        } else {
          Form_MouseDown(y);
        }
        return true;
      }
      default:
        return QMainWindow::eventFilter(watched, event);
    }
    return QMainWindow::eventFilter(watched, event);
  }

  switch (event->type()) {
    case QEvent::MouseButtonDblClick:
      if (watched == Image1) {
        Image1_DblClick();
        return true;
      }
      break;
    case QEvent::FocusIn:
      if (watched == Combo1 || watched == Combo1->lineEdit()) {
        set_hint(QStringLiteral("指定した場所の項目だけを表示します。"));
      } else if (watched == Combo2 || watched == Combo2->lineEdit()) {
        set_hint(QStringLiteral("指定した品種の項目だけを表示します。"));
      } else if (watched == Text1) {
        // The hint box only displays: the focus goes on to "登録".
        Command6->setFocus(Qt::OtherFocusReason);
      }
      break;
    case QEvent::KeyPress:
      // A carriage return typed into a filter box is swallowed: typed text
      // takes effect only when an entry is chosen.
      if (watched == Combo1->lineEdit() || watched == Combo2->lineEdit()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) return true;
      }
      break;
    default:
      break;
  }
  return QMainWindow::eventFilter(watched, event);
}
