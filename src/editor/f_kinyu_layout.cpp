// The memo editor's layout for the window's size, its fonts and tab order,
// and the hints it writes into the main window's hint box.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>

#include "editor/editor_layout.h"
#include "editor/f_kinyu.h"
#include "ui/picture.h"
#include "ui/form_controls.h"
#include "ui/hint_filter.h"
#include "ui/twips.h"

using ui::place;
using ui::px;

namespace {

// A label gets its design box, grown where the font needs more room.
void place_label(QLabel* label, const editor::Box& b) {
  const QSize need = label->sizeHint();
  label->setGeometry(px(b.left), px(b.top), std::max(px(b.width), need.width()), std::max(px(b.height), need.height()));
}

void set_point_size(QWidget* w, double points, bool bold = false) {
  QFont font = w->font();
  font.setPointSizeF(points);
  font.setBold(bold);
  w->setFont(font);
}

}  // namespace

void F_kinyu::set_fonts() {
  for (QWidget* w :
       std::initializer_list<QWidget*>{Combo1, Combo2, Text1, Text2, Text3, List1, Command1, Command2, Command3}) {
    set_point_size(w, 11.25);
  }
  for (QWidget* w : {Command4, Command5, Command6, Command7}) set_point_size(w, 9.75);
  set_point_size(Label4, 9, true);
}

void F_kinyu::set_tab_order() {
  QWidget* const order[] = {Combo1, Text1, Text2,    Command1, Command2, Command3, Text3,
                            Combo2, List1, Command4, Command5, Command6, Command7};
  for (size_t i = 0; i + 1 < std::size(order); ++i) QWidget::setTabOrder(order[i], order[i + 1]);
}

float F_kinyu::picture_area_width() const {
  return editor::editor_layout(static_cast<float>(outer_width_twips()), static_cast<float>(outer_height_twips()))
      .Image1.width;
}

float F_kinyu::picture_area_height() const {
  return editor::editor_layout(static_cast<float>(outer_width_twips()), static_cast<float>(outer_height_twips()))
      .Image1.height;
}

void F_kinyu::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  Form_Resize();
}

// Every control placed for the window's size (never below the least size),
// and the picture on show fitted to the picture area again.
void F_kinyu::Form_Resize() {
  const editor::EditorLayout l =
      editor::editor_layout(static_cast<float>(outer_width_twips()), static_cast<float>(outer_height_twips()));
  place_label(Label1, l.Label1);
  place(Combo1, l.Combo1);
  place_label(Label3, l.Label3);
  place(Combo2, l.Combo2);
  place_label(Label6, l.Label6);
  place(Text2, l.Text2);
  place_label(Label2, l.Label2);
  place(Text1, l.Text1);
  place(Command3, l.Command3);
  place_label(Label5, l.Label5);
  place(Text3, l.Text3);
  place(List1, l.List1);
  place(Command6, l.Command6);
  place(Command7, l.Command7);
  place(Command4, l.Command4);
  place(Command5, l.Command5);
  if (Image1->pixmap().isNull()) {
    place(Image1, l.Image1);
  } else {
    Image1->move(px(l.Image1.left), px(l.Image1.top));
    fit_shown_picture(false);
  }
  Label4->move(px(l.Label4.left), px(l.Label4.top));
  Label4->raise();
  place(Command2, l.Command2);
  place(Command1, l.Command1);
}

void F_kinyu::fit_shown_picture(bool reload) {
  const QString& path = state_.current_image_path;
  const ui::PictureProbe probe = ui::probe_picture(path);
  if (!probe.readable) {
    // The file can no longer be read: the picture box is left empty.
    remove_picture();
    return;
  }
  const ui::FittedSize fitted =
      ui::fit_size(static_cast<float>(ui::twips(probe.size.width())),
                   static_cast<float>(ui::twips(probe.size.height())), picture_area_width(), picture_area_height());
  const QSize shown(std::max(1, px(fitted.width)), std::max(1, px(fitted.height)));
  if (!reload && !Image1->pixmap().isNull() && Image1->pixmap().size() == shown) return;
  const QPixmap pixmap = ui::load_picture(path, fitted.scaled ? shown : QSize());
  if (pixmap.isNull()) {
    remove_picture();
    return;
  }
  const editor::EditorLayout l =
      editor::editor_layout(static_cast<float>(outer_width_twips()), static_cast<float>(outer_height_twips()));
  Image1->setGeometry(px(l.Image1.left), px(l.Image1.top), shown.width(), shown.height());
  Image1->setPixmap(pixmap);
  Label4->raise();
}

void F_kinyu::install_hints() {
  auto* hints = new ui::HintFilter([this](const QString& text) { main_.set_hint(text); }, this);
  const auto hint = [hints](QWidget* w, const QString& text) { hints->add(w, text); };
  const QString date = QStringLiteral("デフォルトでは、メモの登録日となります。");
  hint(Command1, QStringLiteral("現在の内容でメモを登録します。"));
  hint(Command2, QStringLiteral("メモの登録・訂正を中止してメイン画面に戻ります。"));
  hint(Command3, QStringLiteral("今日の日付を記入します。"));
  hint(Command4, QStringLiteral("リストでタイトルを指定した画像を削除します。"));
  hint(Command5, QStringLiteral("新しい画像を追加します。"));
  hint(Command6, QStringLiteral("選択した画像を、一つ下に移動します。"));
  hint(Command7, QStringLiteral("選択した画像を、一つ上に移動します。"));
  hint(Image1, QStringLiteral("画像を表示するエリアです。"));
  hint(Label1, QStringLiteral("場所を選択または入力して下さい。"));
  hint(Label3, QStringLiteral("品種を選択または入力して下さい。"));
  hint(Label2, date);
  hint(Text1, date);
  hint(Text2, QStringLiteral("登録するメモのタイトルを入力して下さい。"));
  hint(Text3->viewport(), QStringLiteral("作業内容や観察の記録などを記入するスペースです。"));
  hint(List1->viewport(), QStringLiteral("クリックで画像表示。ダブルクリックで画像タイトル変更。"));
  // The bare window surface has a hint of its own (mouseMoveEvent).
  setMouseTracking(true);
}

void F_kinyu::mouseMoveEvent(QMouseEvent* event) {
  // A move that a control passed on reaches the window too; only a move
  // over the bare surface counts here.
  if (childAt(event->position().toPoint()) == nullptr) {
    main_.set_hint(QStringLiteral("メモの登録・訂正の画面です。"));
  }
  QDialog::mouseMoveEvent(event);
}
