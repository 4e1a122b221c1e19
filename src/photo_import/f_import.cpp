#include "photo_import/f_import.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStandardPaths>
#include <QStringListModel>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <string_view>
#include <tuple>

#include "photo_import/photo_strip.h"
#include "picture_viewer/f_gensun.h"
#include "seasons/thumbnail_loader.h"
#include "store/diary/memo_save.h"
#include "ui/form_controls.h"

namespace {

// The location and variety of the memo written last: the day memos' first
// guess. The times ("yyyy/mm/dd hh:nn:ss") are compared as their bytes,
// which sort as the text does: decoding 30000 of them would hold up the
// window's start.
std::pair<QString, QString> last_used(const store::MemoTable& table) {
  const auto created = [&table](size_t i) {
    const QByteArrayView b = table.bytes(i, store::MemoField::Created);
    return std::string_view(b.data(), static_cast<size_t>(b.size()));
  };
  size_t newest = table.size();
  for (size_t i = 0; i < table.size(); ++i) {
    if (newest == table.size() || created(i) > created(newest)) newest = i;
  }
  if (newest == table.size()) return {};
  return {table.text(newest, store::MemoField::Location), table.text(newest, store::MemoField::Variety)};
}

// The memo numbers, for the picture lists' names; plain ASCII digits as a
// rule, taken without decoding.
std::vector<QString> memo_numbers(const store::MemoTable& table) {
  std::vector<QString> numbers;
  numbers.reserve(table.size());
  for (size_t i = 0; i < table.size(); ++i) {
    const QByteArrayView b = table.bytes(i, store::MemoField::MemoNo);
    const bool ascii = std::all_of(b.begin(), b.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    numbers.push_back(ascii ? QString::fromLatin1(b) : table.text(i, store::MemoField::MemoNo));
  }
  return numbers;
}

}  // namespace

F_import::F_import(store::AppState& state, ui::MessageService& messages, ui::MainWindowHost& main,
                   seasons::ThumbnailLoader& thumbnails, QWidget* parent)
    : QDialog(parent), state_(state), messages_(messages), main_(main), thumbnails_(thumbnails), job_(100, this) {
  setObjectName(QStringLiteral("F_import"));
  setWindowTitle(QStringLiteral("写真の取り込み"));
  build_controls();
  scan_folder = [](const QString& folder, const store::KnownSource& known, const std::atomic_bool& cancel,
                   const store::ScanProgress& progress) { return store::scan_photo_folder(folder, known, cancel, progress); };
  run_viewer = [](QDialog& viewer) { return viewer.exec(); };
  pictures_folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
  connect(&job_, &ui::BackgroundJob::tick, this, &F_import::show_progress);
  connect(&job_, &ui::BackgroundJob::running_changed, this, &F_import::set_running);
}

F_import::~F_import() {
  cancel_ = true;
  job_.abandon();
  // Copies made for memos that were never saved are taken back.
  if (import_ && import_->run.ok) store::remove_copies(import_->run);
}

void F_import::build_controls() {
  Label1 = new QLabel(this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setWordWrap(true);
  Grid1 = new photo_import::DayTable(thumbnails_.side(), this);
  Grid1->setObjectName(QStringLiteral("Grid1"));
  Grid1->setAccessibleName(QStringLiteral("取り込む日の一覧"));
  locations_ = new QStringListModel(state_.location_list.names, this);
  varieties_ = new QStringListModel(state_.variety_list.names, this);
  Grid1->setHorizontalHeaderLabels({QStringLiteral("取り込む"), QStringLiteral("枚数"), QStringLiteral("写真"),
                                    QStringLiteral("場所"), QStringLiteral("品種"), QStringLiteral("タイトル")});
  // The location, variety and title get room for a name and the strip
  // the rest, so that at the window's usual size every box is in sight;
  // in a narrower one the table scrolls sideways under the dates.
  Grid1->setColumnWidth(Location, 120);
  Grid1->setColumnWidth(Variety, 120);
  Grid1->setColumnWidth(Title, 160);
  Grid1->open_photo = [this](int row, int photo) { open_photo(row, photo); };
  Grid1->setSelectionMode(QAbstractItemView::NoSelection);
  // Tab goes through each row's boxes; the arrows move too, Space checks a
  // day, and F2, typing or a click opens the location, variety or title.
  Grid1->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                         QAbstractItemView::AnyKeyPressed);
  connect(Grid1, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
    if (index.flags() & Qt::ItemIsEditable) Grid1->edit(index);
  });
  strip_ = new photo_import::StripDelegate(thumbnails_, Grid1);
  Grid1->setItemDelegateForColumn(Take, new photo_import::CheckDelegate(Grid1));
  Grid1->setItemDelegateForColumn(Photos, strip_);
  Grid1->setItemDelegateForColumn(Location, new photo_import::CategoryDelegate(locations_, Grid1));
  Grid1->setItemDelegateForColumn(Variety, new photo_import::CategoryDelegate(varieties_, Grid1));
  Grid1->setItemDelegateForColumn(Title, new photo_import::TitleDelegate(Grid1));
  connect(&thumbnails_, &seasons::ThumbnailLoader::ready, Grid1->viewport(), qOverload<>(&QWidget::update));
  Option1 = new QRadioButton(QStringLiteral("写真のタイトルを撮影時刻にする(&T)"), this);
  Option1->setObjectName(QStringLiteral("Option1"));
  Option1->setChecked(true);
  Option2 = new QRadioButton(QStringLiteral("写真のタイトルをファイル名にする(&N)"), this);
  Option2->setObjectName(QStringLiteral("Option2"));
  Label2 = new QLabel(this);
  Label2->setObjectName(QStringLiteral("Label2"));
  Label2->setWordWrap(true);
  Command1 = ui::make_button(this, "Command1", QStringLiteral("取り込む(&I)"));
  Command2 = ui::make_button(this, "Command2", QStringLiteral("閉じる(&C)"));
  Command3 = ui::make_button(this, "Command3", QStringLiteral("一覧(&L)…"));
  Command3->setVisible(false);
  connect(Command3, &QPushButton::clicked, this, &F_import::show_left_out_list);
  // In reading order: the list of what is left out stands before 取り込む.
  setTabOrder(Command3, Command1);
  setTabOrder(Command1, Command2);
  Command1->setEnabled(false);
  connect(Command1, &QPushButton::clicked, this, &F_import::Command1_Click);
  connect(Command2, &QPushButton::clicked, this, &F_import::Command2_Click);

  auto* options = new QHBoxLayout;
  options->addWidget(Option1);
  options->addWidget(Option2);
  options->addStretch();
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Label2, 1);
  buttons->addWidget(Command3);
  buttons->addWidget(Command1);
  buttons->addWidget(Command2);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Label1);
  layout->addWidget(Grid1, 1);
  layout->addLayout(options);
  layout->addLayout(buttons);
  // Small enough for a small screen, never so small that the options and
  // buttons overlap (larger fonts need more).
  setMinimumSize(QSize(560, 300).expandedTo(layout->minimumSize()));
  resize(980, 520);
}

void F_import::start_scan(const QString& folder) {
  folder_ = folder;
  std::tie(first_location_, first_variety_) = last_used(state_.memo_table);
  // A diary without memos yet offers the first names of its lists.
  if (first_location_.isEmpty()) first_location_ = state_.location_list.names.value(0);
  if (first_variety_.isEmpty()) first_variety_ = state_.variety_list.names.value(0);
  cancel_ = false;
  // The table's bytes are shared, not copied; its memo numbers are taken
  // in the worker, only when the folder has been listed.
  store::MemoTable table = state_.memo_table;
  auto result = std::make_shared<store::ImportScan>();
  const auto progress = [this](int files, const std::vector<store::ImportDay>* days) {
    files_seen_ = files;
    if (days == nullptr) return;
    {
      const std::lock_guard lock(pending_mutex_);
      pending_days_ = *days;
    }
    // Shown at once rather than at the next tick; the window may be gone
    // by then, and the call with it.
    QMetaObject::invokeMethod(this, &F_import::show_progress, Qt::QueuedConnection);
  };
  job_.start(
      [this, result, folder, progress, scan = scan_folder, data_dir = state_.data_dir, table = std::move(table)] {
        // The diary's pictures are read once the folder is listed: read
        // beside it, they would slow the listing down by half on a
        // two-core machine, and the user sees the folder first.
        const store::KnownSource known = [&](const QSet<QString>& names) {
          return store::known_pictures_and_copies(data_dir, memo_numbers(table), names);
        };
        *result = scan(folder, known, cancel_, progress);
      },
      [this, result] {
        scan_ = std::move(*result);
        show_result();
      });
}

void F_import::set_running(bool running) {
  strip_->hold_thumbnails(running);
  Grid1->viewport()->update();
  Command2->setText(running ? QStringLiteral("中止(&C)") : QStringLiteral("閉じる(&C)"));
  Command1->setEnabled(!running && Grid1->rowCount() > 0);
}

void F_import::show_progress() {
  if (import_) {
    Label1->setText(QStringLiteral("写真を取り込んでいます…（%1 / %2）").arg(steps_done_.load()).arg(steps_total_.load()));
    return;
  }
  Label1->setText(QStringLiteral("「%1」を調べています…（%2 個のファイル）").arg(folder_).arg(files_seen_.load()));
  std::optional<std::vector<store::ImportDay>> days;
  {
    const std::lock_guard lock(pending_mutex_);
    days.swap(pending_days_);
  }
  if (days) show_days(*days);
}

void F_import::show_days(const std::vector<store::ImportDay>& days) {
  // The scan's days only grow and keep their order: each is either the
  // row at its place already, or new there.
  for (size_t i = 0; i < days.size(); ++i) {
    const int row = static_cast<int>(i);
    if (i < days_.size() && days_[i].day == days[i].day) {
      photo_import::update_day_row(*Grid1, row, days[i]);
    } else {
      photo_import::insert_day_row(*Grid1, row, days[i], first_location_, first_variety_);
      days_.insert(days_.begin() + static_cast<std::ptrdiff_t>(i), store::ImportDay{});
    }
    days_[i] = days[i];
  }
  Grid1->resizeColumnToContents(Take);
  Grid1->resizeColumnToContents(Count);
  if (Grid1->currentRow() < 0 && Grid1->rowCount() > 0) Grid1->setCurrentCell(0, Take);
}

int F_import::listed_photos() const {
  int photos = 0;
  for (const store::ImportDay& day : days_) photos += static_cast<int>(day.photos.size());
  return photos;
}

bool F_import::thumbnails_busy() const { return thumbnails_.busy(); }

void F_import::show_result() {
  if (!scan_.message.isEmpty()) {
    Label1->setText(scan_.message);
    return;
  }
  {
    const std::lock_guard lock(pending_mutex_);
    pending_days_.reset();
  }
  show_days(scan_.days);
  Label1->setText(scan_.cancelled ? QStringLiteral("中止しました。見つかった分だけを表示しています。")
                                  : QStringLiteral("「%1」：%2 日分の写真 %3 枚").arg(folder_).arg(days_.size()).arg(listed_photos()));
  show_left_out();
  Command1->setEnabled(Grid1->rowCount() > 0);
}

void F_import::Command1_Click() {
  if (job_.running()) return;
  std::vector<store::MemoInput> memos;
  for (int row = 0; row < Grid1->rowCount(); ++row) {
    // A day chosen whose photos are all in the diary adds nothing and asks
    // for nothing.
    if (Grid1->item(row, Take)->checkState() != Qt::Checked || days_[static_cast<size_t>(row)].fresh() == 0) continue;
    // A chosen day without a location, variety or title is named, and the
    // empty cell opened for it.
    for (const int column : {static_cast<int>(Location), static_cast<int>(Variety), static_cast<int>(Title)}) {
      if (!Grid1->item(row, column)->text().isEmpty()) continue;
      messages_.inform(this,
                       QStringLiteral("%1 の%2を入力して下さい。")
                           .arg(days_[static_cast<size_t>(row)].day.toString(QStringLiteral("yyyy/MM/dd")),
                                Grid1->horizontalHeaderItem(column)->text()),
                       store::kAppTitle);
      Grid1->setFocus();
      Grid1->setCurrentCell(row, column);
      Grid1->edit(Grid1->currentIndex());
      return;
    }
    store::MemoInput memo = store::day_memo(days_[static_cast<size_t>(row)], Grid1->item(row, Location)->text(),
                                            Grid1->item(row, Variety)->text(), Grid1->item(row, Title)->text(),
                                            Option1->isChecked());
    if (memo.images.empty()) continue;
    memos.push_back(std::move(memo));
  }
  if (memos.empty()) {
    messages_.inform(this, QStringLiteral("取り込む日が選ばれていません。"), store::kAppTitle);
    return;
  }
  // Photos of other formats get their JPEG copies, and every photo its
  // content key, in a worker; the memos are saved when that is done.
  import_ = std::make_shared<store::PhotoImport>(store::plan_photo_import(std::move(memos), pictures_folder));
  steps_done_ = 0;
  steps_total_ = import_->total_steps();
  cancel_ = false;
  Grid1->setEnabled(false);
  show_progress();
  job_.start([this, work = import_] { store::prepare_photo_import(*work, cancel_, [this](int done, int) { steps_done_ = done; }); },
             [this, work = import_] { finish_import(*work); });
}

void F_import::finish_import(store::PhotoImport& work) {
  Grid1->setEnabled(true);
  if (!work.run.ok) {
    import_.reset();
    Label1->setText(work.run.cancelled ? QStringLiteral("取り込みを中止しました。写真もメモも追加していません。")
                                       : QStringLiteral("取り込めませんでした。写真もメモも追加していません。"));
    if (!work.run.cancelled) messages_.inform(this, work.run.message, store::kAppTitle);
    return;
  }
  const store::MemoChange change = store::finish_photo_import(state_, work);
  import_.reset();
  if (!change.ok) {
    Label1->setText(QStringLiteral("取り込めませんでした。写真もメモも追加していません。"));
    // Nothing was imported, but the other machine's changes were taken in.
    if (change.outside_changed) {
      main_.set_location_filter_names(state_.location_list.names);
      main_.set_variety_filter_names(state_.variety_list.names);
      main_.reset_memo_list();
      main_.update_main_caption();
    }
    messages_.inform(this, change.text, change.title);
    return;
  }
  main_.set_location_filter_names(state_.location_list.names);
  main_.set_variety_filter_names(state_.variety_list.names);
  main_.reset_memo_list();
  main_.update_main_caption();
  int pictures = 0;
  for (const store::MemoInput& memo : work.memos) pictures += static_cast<int>(memo.images.size());
  QString text = QStringLiteral("%1 件のメモに写真 %2 枚を取り込みました。").arg(work.memos.size()).arg(pictures);
  if (!work.jobs.empty()) {
    text += QStringLiteral("\nそのうち %1 枚は JPEG 画像にして「%2」に保存しました。")
                .arg(work.jobs.size())
                .arg(QFileInfo(work.jobs.front().target).path());
  }
  if (!change.warning.isEmpty()) text += QStringLiteral("\n\n") + change.warning;
  messages_.inform(this, text, store::kAppTitle);
  accept();
}

void F_import::open_photo(int row, int photo) {
  // The viewer opens once the input event is done, so that its modal loop
  // does not run inside it.
  QTimer::singleShot(0, this, [this, row, photo] {
    if (row < 0 || static_cast<size_t>(row) >= days_.size()) return;
    // The photos as the memo would get them, titled the way chosen below.
    std::vector<store::ImageEntry> images =
        store::day_memo(days_[static_cast<size_t>(row)], {}, {}, {}, Option1->isChecked()).images;
    if (photo < 0 || static_cast<size_t>(photo) >= images.size()) return;
    // The viewer pages through these photos only; the main window's memo
    // and its pictures stay as they are.
    store::AppState shown(state_.data_dir);
    shown.current_image_no = photo + 1;
    shown.current_image_path = images[static_cast<size_t>(photo)].path;
    shown.current_images = std::move(images);
    F_gensun viewer(shown, messages_, main_, this);
    run_viewer(viewer);
  });
}

void F_import::resize_to_kept(const std::optional<QSize>& kept) {
  if (!kept) return;
  const QScreen* screen = parentWidget() != nullptr ? parentWidget()->screen() : this->screen();
  QSize size = kept->expandedTo(minimumSize());
  if (screen != nullptr) size = size.boundedTo(screen->availableGeometry().size());
  resize(size);
}

void F_import::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Cancel) && job_.running()) {
    Command2_Click();
    return;
  }
  QDialog::keyPressEvent(event);
}

void F_import::Command2_Click() {
  if (job_.running()) {
    cancel_ = true;
    return;
  }
  reject();
}
