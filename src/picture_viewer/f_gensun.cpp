#include "picture_viewer/f_gensun.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <algorithm>

#include "picture_viewer/viewer_layout.h"
#include "ui/picture.h"
#include "ui/form_controls.h"
#include "ui/twips.h"

using ui::place;
using ui::px;

namespace {

const QString kShowingHint = QStringLiteral("画像を原寸表示しています。(画像をクリックすると閉じます)");

}  // namespace

QString F_gensun::caption_suffix() { return QStringLiteral("\u3000（画像をクリックすると閉じます）"); }

F_gensun::F_gensun(store::AppState& state, ui::MessageService& messages, ui::MainWindowHost& main, QWidget* parent)
    : QDialog(parent ? parent : main.host_widget()), state_(state), messages_(messages), main_(main) {
  setObjectName(QStringLiteral("F_gensun"));
  setModal(true);
  build_controls();
  Form_Load();

  const QString path = state_.current_image_path;
  load_picture_file(path);
  set_caption(path);
  Text1->setPlainText(title_of(state_.current_image_no));
  const QWidget* host = main_.host_widget();
  layout_viewer(host ? host->pos() : QPoint());
}

F_gensun::~F_gensun() = default;

void F_gensun::build_controls() {
  menu_bar = new QMenuBar(this);
  menu_bar->setObjectName(QStringLiteral("menu_bar"));
  gensun_menyu_mae = ui::add_action(menu_bar, "gensun_menyu_mae", QStringLiteral("前の画像(&P)"));
  gensun_menu_tugi = ui::add_action(menu_bar, "gensun_menu_tugi", QStringLiteral("次の画像(&N)"));
  gensun_menu_file = ui::add_action(menu_bar, "gensun_menu_file", QStringLiteral("ファイル名確認(&F)"));
  gensun_menu_tojiru = ui::add_action(menu_bar, "gensun_menu_tojiru", QStringLiteral("閉じる(&C)"));

  client_ = new QWidget(this);
  client_->setObjectName(QStringLiteral("client"));

  // The picture at its own size; when it is larger than the screen allows,
  // it scrolls inside the area while the title row stays in view.
  picture_area = new QScrollArea(client_);
  picture_area->setObjectName(QStringLiteral("picture_area"));
  picture_area->setFrameShape(QFrame::NoFrame);
  picture_area->setWidgetResizable(false);
  picture_area->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Image1 = new QLabel;
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setScaledContents(false);
  Image1->setMouseTracking(true);
  Image1->installEventFilter(this);
  picture_area->setWidget(Image1);

  Text1 = new QPlainTextEdit(client_);
  Text1->setObjectName(QStringLiteral("Text1"));
  Text1->setLineWrapMode(QPlainTextEdit::NoWrap);
  Text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  // The title is only shown here: nothing typed into it would be kept.
  Text1->setReadOnly(true);

  Command2 = ui::make_button(client_, "Command2", QStringLiteral("前"));
  Command3 = ui::make_button(client_, "Command3", QStringLiteral("次"));
  // The button Esc presses; it is never seen.
  Command1 = ui::make_button(client_, "Command1", QStringLiteral("Command1"));
  Command1->setFocusPolicy(Qt::NoFocus);
  Command1->setAutoDefault(false);

  connect(Command1, &QPushButton::clicked, this, &F_gensun::Command1_Click);
  connect(Command2, &QPushButton::clicked, this, &F_gensun::Command2_Click);
  connect(Command3, &QPushButton::clicked, this, &F_gensun::Command3_Click);
  connect(gensun_menyu_mae, &QAction::triggered, this, &F_gensun::Command2_Click);
  connect(gensun_menu_tugi, &QAction::triggered, this, &F_gensun::Command3_Click);
  connect(gensun_menu_file, &QAction::triggered, this, &F_gensun::gensun_menu_file_Click);
  connect(gensun_menu_tojiru, &QAction::triggered, this, &F_gensun::Command1_Click);
}

void F_gensun::Form_Load() {
  Command1->move(px(-1000), px(-1000));
  main_.set_hint(kShowingHint);
}

bool F_gensun::load_picture_file(const QString& path) {
  const QPixmap pixmap = ui::load_picture(path);
  if (pixmap.isNull()) {
    remove_picture();
    return false;
  }
  Image1->setPixmap(pixmap);
  Image1->resize(pixmap.size());
  picture_size_ = pixmap.size();
  return true;
}

void F_gensun::remove_picture() {
  Image1->clear();
  Image1->resize(0, 0);
  picture_size_ = QSize();
}

void F_gensun::set_caption(const QString& path) { setWindowTitle(path + caption_suffix()); }

QString F_gensun::title_of(int no) const {
  if (no < 1 || no > state_.current_image_count()) return {};
  return state_.current_images[static_cast<size_t>(no - 1)].title;
}

int F_gensun::menu_bar_height(int width) const {
  const int h = menu_bar->heightForWidth(width);
  return h > 0 ? h : menu_bar->sizeHint().height();
}

QSize F_gensun::frame_extent() const {
  // The window manager's frame is known once the window is shown; until
  // then it is taken to be as thick as the main window's.
  const QWidget* host = main_.host_widget();
  const QWidget* w = testAttribute(Qt::WA_WState_Created) || !host ? this : host;
  return w->frameGeometry().size() - w->geometry().size();
}

void F_gensun::layout_viewer(QPoint top_left) {
  // The screen's available area, less the window manager's frame and the
  // menu bar.
  const QWidget* host = main_.host_widget();
  QScreen* screen = host ? host->screen() : QGuiApplication::primaryScreen();
  const QRect avail = screen ? screen->availableGeometry() : QRect();
  const QSize frame = frame_extent();
  frame_used_ = frame;
  const double scroll_bar = ui::twips(style()->pixelMetric(QStyle::PM_ScrollBarExtent));
  const double pw = ui::twips(picture_size_.width());
  const double ph = ui::twips(picture_size_.height());

  // The menu bar may wrap onto a second line in a narrow window: the window
  // is made taller by what it takes, within the screen.
  int bar = menu_bar->sizeHint().height();
  picture_viewer::WindowSize size;
  for (int round = 0; round < 2; ++round) {
    double max_width = 0;
    double max_height = 0;
    if (!avail.isEmpty()) {
      max_width = ui::twips(avail.width() - frame.width());
      max_height = ui::twips(avail.height() - frame.height() - bar) + picture_viewer::kFrameHeight;
    }
    size = picture_viewer::viewer_window_size(pw, ph, max_width, max_height, scroll_bar);
    const int wrapped = menu_bar_height(px(size.width));
    if (wrapped <= bar) break;
    bar = wrapped;
  }
  const int width = px(size.width);
  const int client_height = px(size.height - picture_viewer::kFrameHeight);
  setMinimumSize(std::min(width, px(picture_viewer::kMinWindowWidth)), bar + px(picture_viewer::kTitleRowHeight));
  resize(width, bar + client_height);
  place_controls();

  QPoint corner = top_left;
  if (!avail.isEmpty()) {
    const picture_viewer::Point p = picture_viewer::keep_inside(
        {static_cast<double>(top_left.x()), static_cast<double>(top_left.y())},
        width + frame.width(), bar + client_height + frame.height(),
        {static_cast<double>(avail.x()), static_cast<double>(avail.y()), static_cast<double>(avail.width()),
         static_cast<double>(avail.height())});
    corner = QPoint(static_cast<int>(p.x), static_cast<int>(p.y));
  }
  move(corner);
}

void F_gensun::place_controls() {
  const int bar = menu_bar_height(width());
  menu_bar->setGeometry(0, 0, width(), bar);
  client_->setGeometry(0, bar, width(), std::max(0, height() - bar));
  const picture_viewer::ViewerControls c =
      picture_viewer::viewer_controls(ui::twips(client_->width()), ui::twips(client_->height()));
  // The picture area keeps whole pixels up to the title row.
  picture_area->setGeometry(0, 0, client_->width(), px(c.Text1.top));
  place(Text1, c.Text1);
  place(Command2, c.Command2);
  place(Command3, c.Command3);
}

void F_gensun::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  QTimer::singleShot(0, this, &F_gensun::refit_to_frame);
}

void F_gensun::moveEvent(QMoveEvent* event) {
  QDialog::moveEvent(event);
  refit_to_frame();
}

// A frame that turns out thicker or thinner than the one the window was
// sized for: the window is sized again, so it stays on the screen.
void F_gensun::refit_to_frame() {
  if (!isVisible() || frame_extent() == frame_used_) return;
  layout_viewer(pos());
}

void F_gensun::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  place_controls();
}

void F_gensun::page(int step) {
  const int count = state_.current_image_count();
  const int no = state_.current_image_no;
  // A position left outside the list steps back into it from its nearer end.
  const int next = step > 0 ? std::max(no, 0) + 1 : std::min(no, count + 1) - 1;
  if (next < 1 || next > count) {
    messages_.inform(this, step > 0 ? QStringLiteral("次の画像はありません") : QStringLiteral("前の画像はありません"),
                     store::kAppTitle);
    return;
  }
  state_.current_image_no = next;
  const QString path = state_.current_images[static_cast<size_t>(next - 1)].path;
  state_.current_image_path = path;

  if (path.isEmpty() || !QFileInfo::exists(path)) {
    messages_.inform(this, path + QStringLiteral("がありません。"), store::kAppName);
    // The window keeps its size; the next command goes on from here.
    remove_picture();
    Text1->setPlainText(QString());
    return;
  }
  // A file that cannot be decoded shows an empty picture area with its
  // title, in the window as it is.
  if (load_picture_file(path)) layout_viewer(pos());
  set_caption(path);
  Text1->setPlainText(title_of(next));
}

void F_gensun::Command2_Click() { page(-1); }

void F_gensun::Command3_Click() { page(+1); }

void F_gensun::gensun_menu_file_Click() { messages_.inform(this, state_.current_image_path, store::kAppTitle); }

void F_gensun::Command1_Click() {
  hands_back_ = true;
  accept();
}

void F_gensun::Image1_Click() {
  hands_back_ = false;
  reject();
}

void F_gensun::keyPressEvent(QKeyEvent* event) {
  // Esc presses the cancel button, Command1.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    Command1_Click();
    return;
  }
  QDialog::keyPressEvent(event);
}

bool F_gensun::eventFilter(QObject* watched, QEvent* event) {
  if (watched != Image1) return QDialog::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::MouseMove:
      main_.set_hint(kShowingHint);
      break;
    case QEvent::MouseButtonPress:
      // A click is a press and a release both on the picture: the release
      // of the double-click that opened the viewer does not close it.
      pressed_on_picture_ = static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
      break;
    case QEvent::MouseButtonRelease: {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      const bool click = pressed_on_picture_ && mouse->button() == Qt::LeftButton &&
                         Image1->rect().contains(mouse->position().toPoint());
      pressed_on_picture_ = false;
      if (click) {
        Image1_Click();
        return true;
      }
      break;
    }
    default:
      break;
  }
  return QDialog::eventFilter(watched, event);
}
