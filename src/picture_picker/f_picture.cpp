#include "picture_picker/f_picture.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTreeWidget>
#include <algorithm>

#include "ui/busy_cursor.h"
#include "ui/picture.h"
#include "ui/form_controls.h"
#include "ui/twips.h"

using ui::place;
using ui::px;

namespace {

// The client area as designed, in twips.
constexpr double kClientWidth = 9330;
constexpr double kClientHeight = 6540;

// The preview box as designed.
constexpr double kImageLeft = 2640;
constexpr double kImageTop = 0;

const QColor kLightGreen(192, 255, 192);

const QString kDriveNotReady = QStringLiteral("ドライブの準備ができていません。");

}  // namespace

F_picture::F_picture(store::AppState& state, ui::MessageService& messages, QWidget& editor, QListWidget& titles,
                     const QStringList& drives)
    : QDialog(&editor), state_(state), messages_(messages), titles_(titles), drives_(drives) {
  setObjectName(QStringLiteral("F_picture"));
  if (drives_.isEmpty()) drives_ << QStringLiteral("/");
  build_controls();
  move(editor.pos());
  Form_Load();
}

F_picture::~F_picture() = default;

void F_picture::build_controls() {
  // A fixed-size dialog without minimise and maximise buttons.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(px(kClientWidth), px(kClientHeight));
  setAutoFillBackground(true);
  QPalette green = palette();
  green.setColor(QPalette::Window, kLightGreen);
  setPalette(green);

  File1 = new ui::ClickList(this);
  File1->setObjectName(QStringLiteral("File1"));
  place(File1, 0, 2280, 2595, 3795);

  Dir1 = new QTreeWidget(this);
  Dir1->setObjectName(QStringLiteral("Dir1"));
  Dir1->setHeaderHidden(true);
  Dir1->setRootIsDecorated(false);
  Dir1->setItemsExpandable(false);
  Dir1->setExpandsOnDoubleClick(false);
  Dir1->setIndentation(10);
  // Every level is always open, so no branch can be folded: no arrows.
  Dir1->setStyleSheet(QStringLiteral("QTreeView::branch { image: none; border-image: none; }"));
  Dir1->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  Dir1->header()->setStretchLastSection(false);
  place(Dir1, 0, 360, 2595, 1890);

  Drive1 = new QComboBox(this);
  Drive1->setObjectName(QStringLiteral("Drive1"));
  place(Drive1, 0, 0, 2595, 315);

  Label1 = new QLabel(QStringLiteral("画像のﾀｲﾄﾙ"), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  place(Label1, 0, 6240, 1005, 195);
  Label1->resize(std::max(Label1->width(), Label1->sizeHint().width()),
                 std::max(Label1->height(), Label1->sizeHint().height()));

  Text1 = new QLineEdit(this);
  Text1->setObjectName(QStringLiteral("Text1"));
  place(Text1, 1020, 6180, 6135, 315);

  Command1 = ui::make_button(this, "Command1", QStringLiteral("中止"));
  place(Command1, 7920, 6180, 675, 315);
  Command2 = ui::make_button(this, "Command2", QStringLiteral("登録"));
  place(Command2, 8640, 6180, 675, 315);
  Command3 = ui::make_button(this, "Command3", QStringLiteral("削除"));
  place(Command3, 7200, 6180, 675, 315);
  // Enter in the title box presses no button: registering is a click.
  for (QPushButton* b : {Command1, Command2, Command3}) b->setAutoDefault(false);

  Image1 = new QLabel(this);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setFrameShape(QFrame::Box);
  Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  clear_preview();

  QWidget::setTabOrder(File1, Dir1);
  QWidget::setTabOrder(Dir1, Drive1);
  QWidget::setTabOrder(Drive1, Text1);
  QWidget::setTabOrder(Text1, Command1);
  QWidget::setTabOrder(Command1, Command2);
  QWidget::setTabOrder(Command2, Command3);

  // A click on a file, or a key that selects another one, previews it.
  connect(File1, &ui::ClickList::item_clicked, this, &F_picture::File1_Click);
  connect(Dir1, &QTreeWidget::itemActivated, this,
          [this](QTreeWidgetItem* item) { set_dir_path(item->data(0, Qt::UserRole).toString()); });
  connect(Command1, &QPushButton::clicked, this, &F_picture::Command1_Click);
  connect(Command2, &QPushButton::clicked, this, &F_picture::Command2_Click);
  connect(Command3, &QPushButton::clicked, this, &F_picture::Command3_Click);
}

void F_picture::Form_Load() {
  setWindowTitle(QStringLiteral("登録する画像ファイルを選択して、タイトルを入力して下さい。"));

  // The drive list starts on the volume of the current directory.
  {
    const QSignalBlocker quiet(Drive1);
    Drive1->addItems(drives_);
    Drive1->setCurrentIndex(std::max(0, store::volume_holding(drives_, QDir::currentPath())));
  }
  connect(Drive1, &QComboBox::currentIndexChanged, this, &F_picture::Drive1_Change);
  last_good_drive_ = Drive1->currentIndex();

  // A remembered volume that is no longer mounted is ignored.
  const int saved_drive = state_.picker_saved_drive.isEmpty() ? -1 : drives_.indexOf(state_.picker_saved_drive);
  if (saved_drive >= 0) Drive1->setCurrentIndex(saved_drive);

  if (!state_.picker_saved_dir.isEmpty()) {
    const QString dir = store::nearest_listable_directory(state_.picker_saved_dir);
    if (dir.isEmpty() || !set_dir_path(dir)) show_drive(Drive1->currentIndex());
  } else if (!show_drive(Drive1->currentIndex())) {
    set_dir_path(store::nearest_listable_directory(QDir::currentPath()));
  }
  Text1->clear();
}

// Dir1 goes to the directory of the drive at `position`: the directory last
// shown when it lies on that volume, otherwise the current directory when
// that does, otherwise the volume's root. False when the root cannot be
// listed (the drive is not ready).
bool F_picture::show_drive(int position) {
  if (position < 0 || position >= drives_.size()) return false;
  const QString root = drives_.at(position);
  if (!store::is_listable_directory(root)) return false;
  QString target = root;
  if (store::volume_holding(drives_, state_.picker_saved_dir) == position) {
    target = state_.picker_saved_dir;
  } else if (store::volume_holding(drives_, QDir::currentPath()) == position) {
    target = QDir::currentPath();
  }
  const QString dir = store::nearest_listable_directory(target);
  return set_dir_path(dir.isEmpty() ? root : dir);
}

void F_picture::Drive1_Change() {
  const int position = Drive1->currentIndex();
  if (position < 0) return;
  if (!show_drive(position)) {
    QApplication::beep();
    messages_.inform(this, kDriveNotReady, store::kAppName);
    // Back to the last drive that worked, which runs this handler for it.
    if (position != last_good_drive_ && !reverting_drive_) {
      reverting_drive_ = true;
      Drive1->setCurrentIndex(last_good_drive_);
      reverting_drive_ = false;
    }
  }
  last_good_drive_ = Drive1->currentIndex();
  state_.picker_saved_drive = drives_.at(last_good_drive_);
}

bool F_picture::set_dir_path(const QString& dir) {
  const QString path = QDir::cleanPath(dir);
  if (!store::is_listable_directory(path)) {
    messages_.inform(this, QStringLiteral("フォルダを開けません。\n") + path, store::kAppTitle);
    return false;
  }
  const bool changed = path != dir_path_;
  dir_path_ = path;
  fill_dir_list();
  if (changed) Dir1_Change();
  return true;
}

// The chain from "/" down to the directory shown, then its sub-directories.
void F_picture::fill_dir_list() {
  Dir1->clear();
  const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
  const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
  QTreeWidgetItem* parent = nullptr;
  for (const QString& dir : store::directory_chain(dir_path_)) {
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(Dir1);
    item->setText(0, dir == QStringLiteral("/") ? dir : QDir(dir).dirName());
    item->setData(0, Qt::UserRole, dir);
    item->setIcon(0, open);
    parent = item;
  }
  const QString base = store::with_trailing_separator(dir_path_);
  for (const QString& name : store::sub_directory_names(dir_path_)) {
    auto* item = new QTreeWidgetItem(parent);
    item->setText(0, name);
    item->setData(0, Qt::UserRole, base + name);
    item->setIcon(0, closed);
  }
  Dir1->expandAll();
  Dir1->setCurrentItem(parent);
  Dir1->scrollToItem(parent);
}

void F_picture::Dir1_Change() {
  fill_file_list();
  state_.picker_dir = store::with_trailing_separator(dir_path_);
  state_.picker_saved_dir = state_.picker_dir;
}

// Every file of the directory shown, none selected.
void F_picture::fill_file_list() {
  const QSignalBlocker quiet(File1);
  File1->clear();
  File1->addItems(store::file_names(dir_path_));
  File1->setCurrentRow(-1);
}

QString F_picture::selected_file_name() const {
  const int row = File1->selected_row();
  return row < 0 ? QString() : File1->item(row)->text();
}

void F_picture::File1_Click() {
  const QString name = selected_file_name();
  if (!store::is_picture_file_name(name)) return;
  state_.picker_dir = store::with_trailing_separator(dir_path_);
  const QString path = state_.picker_dir + name;
  show_preview(path);
  Text1->setText(name);
  setWindowTitle(QStringLiteral("画像ﾌｧｲﾙの日付：") + store::file_date_text(path));
}

void F_picture::clear_preview() {
  Image1->clear();
  place(Image1, kImageLeft, kImageTop, store::kPreviewMaxWidth, store::kPreviewMaxHeight);
}

// The picture at its own size, or shrunk to the preview box; a file that
// cannot be decoded, or is cut short, leaves the box empty.
void F_picture::show_preview(const QString& path) {
  clear_preview();
  // The hourglass while the picture is decoded.
  const ui::BusyCursor busy;
  const ui::PictureProbe probe = ui::probe_picture(path);
  // A truncated JPEG would decode as a partly grey picture: none is shown.
  if (!probe.readable || !store::picture_file_is_complete(path)) return;
  const store::PreviewSize size = store::preview_size(static_cast<float>(ui::twips(probe.size.width())),
                                                      static_cast<float>(ui::twips(probe.size.height())));
  const QSize shown(std::max(1, px(size.width)), std::max(1, px(size.height)));
  const QPixmap picture = ui::load_picture(path, size.scaled ? shown : QSize());
  if (picture.isNull()) return;
  Image1->setPixmap(picture);
  // The border lies around the picture.
  const int border = Image1->frameWidth();
  Image1->setGeometry(px(kImageLeft), px(kImageTop), picture.width() + 2 * border, picture.height() + 2 * border);
}

void F_picture::Command1_Click() { reject(); }

void F_picture::Command2_Click() {
  const store::PictureRegistration done =
      store::register_picture(state_, state_.picker_dir, selected_file_name(), Text1->text());
  if (!done.ok) {
    messages_.inform(this, done.text, done.title);
    if (done.to_title) Text1->setFocus(Qt::OtherFocusReason);
    return;
  }
  titles_.addItem(done.entry.title);
  clear_preview();
  Text1->clear();
  // The file list reads its directory again (where it was scrolled to) and
  // takes the focus for the next choice.
  const int scrolled = File1->verticalScrollBar()->value();
  fill_file_list();
  File1->verticalScrollBar()->setValue(scrolled);
  File1->setFocus(Qt::OtherFocusReason);
}

void F_picture::Command3_Click() {
  const QString name = selected_file_name();
  if (name.isEmpty()) return;
  if (!messages_.ask(this, QStringLiteral("この画像ファイルを削除して良いですか?"), store::kAppTitle, false)) return;
  const QString path = state_.picker_dir + name;
  if (store::delete_picture_file(path) == store::FileDeletion::Refused) {
    QApplication::beep();
    messages_.inform(this, store::cannot_delete_message(path), store::kAppTitle);
    return;
  }
  // Deleted, or already gone: either way the file leaves the list.
  clear_preview();
  const int scrolled = File1->verticalScrollBar()->value();
  fill_file_list();
  File1->verticalScrollBar()->setValue(scrolled);
  setWindowTitle(store::kAppTitle);
}
