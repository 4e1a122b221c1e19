#include "search/f_zenbun.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <memory>

#include "store/files/worker_threads.h"
#include "store/search/full_text_search.h"
#include "store/search/search_run.h"
#include "ui/busy_cursor.h"
#include "ui/form_controls.h"
#include "ui/twips.h"

using ui::px;

namespace {

constexpr double kWidth = 6600;  // outer size, twips
constexpr double kHeight = 2520;
constexpr double kFrameWidth = 120;
constexpr double kFrameHeight = 405;

const QString kIdleCaption = QStringLiteral("全文検索（すべてのメモ）");
// The caption when the user chose to compare folded, so that it is plain
// which way the window compares.
const QString kFoldedCaption = QStringLiteral("全文検索（すべてのメモ・かな／全角半角を区別しない）");

QString progress_caption(int count, int slot) {
  return QString::number(count) + QStringLiteral(" ﾌｧｲﾙ中 ") + QString::number(slot) +
         QStringLiteral(" ﾌｧｲﾙ目を検索中");
}

}  // namespace

F_zenbun::F_zenbun(store::AppState& state, ui::MainWindowHost& main)
    : QDialog(main.host_widget()), state_(state), main_(main) {
  setObjectName(QStringLiteral("F_zenbun"));
  setWindowTitle(idle_caption());
  setFixedSize(px(kWidth - kFrameWidth), px(kHeight - kFrameHeight));

  Label1 = new QLabel(QStringLiteral("すべてのメモの中から、指定したキーワードを含むものを検索します。"), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setGeometry(px(120), px(120), px(6240), px(300));
  Label2 = new QLabel(QStringLiteral("キーワード"), this);
  Label2->setObjectName(QStringLiteral("Label2"));
  Label2->setGeometry(px(120), px(660), px(1000), px(330));
  Text1 = new QLineEdit(this);
  Text1->setObjectName(QStringLiteral("Text1"));
  Text1->setGeometry(px(1140), px(630), px(5220), px(390));
  Command1 = ui::make_button(this, "Command1", QStringLiteral("全文検索開始"));
  Command1->setGeometry(px(2160), px(1320), px(2000), px(450));
  Command1->setDefault(true);
  Command2 = ui::make_button(this, "Command2", QStringLiteral("終了"));
  Command2->setGeometry(px(4360), px(1320), px(2000), px(450));
  Command2->setAutoDefault(false);

  connect(Command1, &QPushButton::clicked, this, &F_zenbun::Command1_Click);
  connect(Command2, &QPushButton::clicked, this, &F_zenbun::Command2_Click);

  // Centred over the main window.
  const QRectF m = main.outer_geometry_twips();
  move(px(m.left() + (m.width() - kWidth) / 2), px(m.top() + (m.height() - kHeight) / 2));
  main.set_hint(state.fold_search
                    ? QStringLiteral("すべてのメモを、かな・全角半角を区別せずに検索中です。")
                    : QStringLiteral("すべてのメモを対象に全文検索中です。"));
  Text1->clear();
  Text1->setFocus();
}

F_zenbun::~F_zenbun() { stop(); }

void F_zenbun::Command1_Click() {
  stop();
  const int mine = generation_;
  const int this_search = ++searches_;
  ++running_;
  const ui::BusyCursor busy;
  main_.begin_listing();

  QElapsedTimer since_yield;
  since_yield.start();
  const auto keep_answering = [&](int count, int slot) {
    if (since_yield.elapsed() < yield_interval_ms) return;
    setWindowTitle(progress_caption(count, slot));
    QCoreApplication::processEvents();
    since_yield.restart();
  };
  // Waits for a worker no longer than the time left until the next turn.
  const auto wait_ms = [&] { return static_cast<int>(std::max<qint64>(1, yield_interval_ms - since_yield.elapsed())); };
  const int count = state_.memo_count();
  std::unique_ptr<store::SearchRun> run;
  // The picture list read last becomes the shared list when the search
  // ends, stopped or not, unless a newer search took over.
  store::MemoSearch last_list;
  for (int slot = 1; slot <= count && mine == generation_; ++slot) {
    // The keyword is read for every memo, as the user may still be typing:
    // when it has changed, the workers start again from this memo with it.
    const auto at = static_cast<size_t>(slot - 1);
    if (const QString keyword = Text1->text(); !run || run->keyword() != keyword) {
      run.reset();
      const store::Matching matching = state_.fold_search ? store::Matching::Fold : store::Matching::IgnoreCase;
      run = std::make_unique<store::SearchRun>(state_.data_dir, state_.memo_table, keyword, at,
                                               store::worker_threads(), matching);
      active_ = run.get();
      main_.mark_search_hits(keyword, state_.fold_search);
    }
    const store::MemoSearch* found = nullptr;
    while (mine == generation_ && (found = run->result(at, wait_ms())) == nullptr) keep_answering(count, slot);
    if (found == nullptr) break;
    if (found->images_read) last_list = *found;
    if (found->found) main_.list_memo(slot);
    keep_answering(count, slot);
  }
  if (last_list.images_read && this_search == searches_) state_.current_images = store::images_of(last_list);
  if (active_ == run.get()) active_ = nullptr;
  --running_;
  if (mine == generation_) setWindowTitle(idle_caption());
}

QString F_zenbun::idle_caption() const { return state_.fold_search ? kFoldedCaption : kIdleCaption; }

void F_zenbun::stop() {
  ++generation_;
  if (active_ != nullptr) active_->cancel();
}

void F_zenbun::Command2_Click() { reject(); }

void F_zenbun::reject() {
  stop();
  QDialog::reject();
}

void F_zenbun::closeEvent(QCloseEvent* event) {
  stop();
  QDialog::closeEvent(event);
}
