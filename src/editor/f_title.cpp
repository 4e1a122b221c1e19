#include "editor/f_title.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "store/diary/app_state.h"
#include "store/diary/field_formats.h"
#include "ui/form_controls.h"
#include "ui/twips.h"

using ui::place;
using ui::px;

namespace {

// The client area, in twips.
constexpr double kClientWidth = 6600;
constexpr double kClientHeight = 1380;

}  // namespace

F_title::F_title(const QString& title, const QString& path, ui::MessageService& messages, QWidget* parent)
    : QDialog(parent), messages_(messages) {
  setObjectName(QStringLiteral("F_title"));
  setWindowTitle(QStringLiteral("画像のタイトルを変更して下さい。"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(px(kClientWidth), px(kClientHeight));
  setAutoFillBackground(true);
  QPalette cyan = palette();
  cyan.setColor(QPalette::Window, QColor(192, 255, 255));
  setPalette(cyan);

  Label1 = new QLabel(QStringLiteral("画像のﾀｲﾄﾙ"), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  place(Label1, 120, 180, 1005, 225);
  Text1 = new QLineEdit(title, this);
  Text1->setObjectName(QStringLiteral("Text1"));
  place(Text1, 1140, 120, 5340, 345);
  Text1->selectAll();

  // The file, so that the user sees which picture is being renamed; a long
  // path is shortened in the middle.
  Label2 = new QLabel(this);
  Label2->setObjectName(QStringLiteral("Label2"));
  place(Label2, 120, 570, 6360, 225);
  Label2->setText(Label2->fontMetrics().elidedText(path, Qt::ElideMiddle, Label2->width()));
  Label2->setToolTip(path);

  Command1 = ui::make_button(this, "Command1", QStringLiteral("中止"));
  place(Command1, 4320, 900, 1020, 375);
  Command2 = ui::make_button(this, "Command2", QStringLiteral("変更"));
  place(Command2, 5460, 900, 1020, 375);
  // Enter in the title box confirms; Esc cancels.
  Command1->setAutoDefault(false);
  Command2->setDefault(true);

  connect(Command1, &QPushButton::clicked, this, &F_title::Command1_Click);
  connect(Command2, &QPushButton::clicked, this, &F_title::Command2_Click);
  Text1->setFocus(Qt::OtherFocusReason);
}

QString F_title::title() const { return store::as_one_line(Text1->text()); }

void F_title::Command1_Click() { reject(); }

void F_title::Command2_Click() {
  if (Text1->text().isEmpty()) {
    messages_.inform(this, QStringLiteral("画像のタイトルを入力してください。"), store::kAppName);
    Text1->setFocus(Qt::OtherFocusReason);
    return;
  }
  accept();
}
