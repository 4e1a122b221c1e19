#include "memo_deletion/f_sakujo.h"

#include <QLabel>
#include <QPushButton>

#include "store/diary/memo_index.h"
#include "store/diary/memo_save.h"
#include "ui/form_controls.h"
#include "ui/twips.h"

using ui::px;

namespace {
constexpr double kWidth = 4200;   // outer size, twips
constexpr double kHeight = 2100;
constexpr double kFrameWidth = 120;
constexpr double kFrameHeight = 405;
}  // namespace

F_sakujo::F_sakujo(store::AppState& state, ui::MessageService& messages, ui::MainWindowHost& main)
    : QDialog(main.host_widget()), state_(state), messages_(messages), main_(main) {
  setObjectName(QStringLiteral("F_sakujo"));
  setWindowTitle(QStringLiteral("メモの削除"));
  setFixedSize(px(kWidth - kFrameWidth), px(kHeight - kFrameHeight));

  Label2 = new QLabel(QStringLiteral("本当に削除してよろしいですか？"), this);
  Label2->setObjectName(QStringLiteral("Label2"));
  Label2->setAlignment(Qt::AlignCenter);
  Label2->setGeometry(px(120), px(180), px(kWidth - kFrameWidth - 240), px(300));
  Label1 = new QLabel(QStringLiteral("削除したメモは復活できません。"), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setAlignment(Qt::AlignCenter);
  Label1->setStyleSheet(QStringLiteral("color: rgb(255, 0, 0);"));
  Label1->setGeometry(px(120), px(540), px(kWidth - kFrameWidth - 240), px(300));

  Command1 = ui::make_button(this, "Command1", QStringLiteral("いいよ"));
  Command1->setGeometry(px(360), px(1020), px(1560), px(450));
  Command2 = ui::make_button(this, "Command2", QStringLiteral("やっぱりダメ"));
  Command2->setGeometry(px(2160), px(1020), px(1560), px(450));
  // Nothing is deleted by just pressing Enter: the safe answer is the default.
  Command2->setDefault(true);
  Command2->setFocus();

  connect(Command1, &QPushButton::clicked, this, &F_sakujo::Command1_Click);
  connect(Command2, &QPushButton::clicked, this, &F_sakujo::Command2_Click);

  // Centred over the main window.
  const QRectF m = main.outer_geometry_twips();
  move(px(m.left() + (m.width() - kWidth) / 2), px(m.top() + (m.height() - kHeight) / 2));
  main.set_hint(QStringLiteral("[いいよ]ボタンで、選択中のメモを削除します。"));
}

void F_sakujo::Command1_Click() {
  const int slot = store::find_memo_by_no(state_.memo_table, main_.current_memo_no());
  const store::MemoChange change = store::delete_memo(state_, slot);
  if (!change.ok) {
    // Not deleted, but the other machine's changes were taken in.
    if (change.outside_changed) {
      main_.refresh_memo_list();
      main_.update_main_caption();
    }
    messages_.inform(this, change.text, change.title);
    reject();
    return;
  }
  main_.refresh_memo_list();
  main_.update_main_caption();
  if (!change.warning.isEmpty()) messages_.inform(this, change.warning, store::kAppTitle);
  accept();
}

void F_sakujo::Command2_Click() { reject(); }
