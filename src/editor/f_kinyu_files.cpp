// Pictures brought into the editor the desktop's ways: files dropped from a
// file manager on the picture list or the picture area, and files or an
// image pasted from the clipboard. The files join the list by the picture
// picker's rules and are referred to where they lie; an image without a
// file and files of other picture formats join as JPEG copies saved where
// the user chooses.

#include <QAction>
#include <QClipboard>
#include <QDateTime>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QStandardPaths>
#include <QTimer>

#include "editor/f_kinyu.h"
#include "editor/picture_copy.h"
#include "store/convert/import_copies.h"
#include "store/convert/jpeg_copy.h"
#include "store/pictures/content_key.h"
#include "store/pictures/copy_records.h"
#include "store/pictures/dropped_pictures.h"
#include "store/pictures/shooting_time.h"
#include "ui/file_drop.h"

void F_kinyu::install_file_drops() {
  new ui::FileDropTarget(
      List1->viewport(), [this](const QList<QUrl>& urls, int at) { add_picture_files(urls, at); }, List1);
  new ui::FileDropTarget(Image1, [this](const QList<QUrl>& urls, int) { add_picture_files(urls, -1); });

  auto* paste = new QAction(QStringLiteral("貼り付け(&P)"), List1);
  paste->setObjectName(QStringLiteral("paste_pictures"));
  paste->setShortcut(QKeySequence::Paste);
  paste->setShortcutContext(Qt::WidgetShortcut);
  List1->addAction(paste);
  List1->setContextMenuPolicy(Qt::ActionsContextMenu);
  // Always offered: asking the clipboard what it holds can wait on another
  // program, so it is only asked when the user pastes.
  connect(paste, &QAction::triggered, this, &F_kinyu::paste_pictures);

  pictures_folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
  choose_image_file = &editor::ask_where_to_save;
}

int F_kinyu::add_picture_files(const QList<QUrl>& urls, int at) {
  // Pictures of other formats join as JPEG copies, each saved where the
  // user chooses.
  const store::PictureCopying copying{editor::readable_picture_suffixes(),
                                      [this](const QString& path, QString* why) { return copy_as_jpeg(path, why); }};
  const store::AddedPictures added = store::add_picture_files(state_, urls, at, copying);
  if (added.added > 0) {
    list_pictures();
    List1->setCurrentRow(added.first, QItemSelectionModel::ClearAndSelect);
    // The titles show at once; the picture is decoded after them.
    QTimer::singleShot(0, this, [this, k = added.first + 1] { show_editor_picture(k); });
  }
  if (const QString refused = store::refused_pictures_message(added); !refused.isEmpty()) {
    messages_.inform(this, refused, store::kAppTitle);
  }
  return added.added;
}

void F_kinyu::date_from_pictures() {
  QStringList paths;
  for (const store::ImageEntry& e : state_.current_images) paths << e.path;
  if (const QString date = store::earliest_shooting_date(paths); !date.isEmpty()) Text1->setText(date);
}

void F_kinyu::paste_pictures() {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  if (!data) return;
  if (const QList<QUrl> urls = ui::file_urls(*data); !urls.isEmpty()) {
    add_picture_files(urls, -1);
    return;
  }
  if (!data->hasImage()) return;
  const QImage image = qvariant_cast<QImage>(data->imageData());
  if (!image.isNull()) save_pasted_image(image);
}

F_kinyu::SavedCopy F_kinyu::save_copy(const QImage& image, const QString& caption, const QString& proposed) {
  SavedCopy saved;
  // A full list takes no copy: the user is not asked where to save one.
  if (state_.current_image_count() >= store::kPictureCapacity) {
    saved.why = QStringLiteral("画像の数が限界(100)を越えます");
    return saved;
  }
  saved.path = choose_image_file(this, caption, proposed);
  if (saved.path.isEmpty()) return saved;
  saved.path = store::with_picture_suffix(saved.path);
  // Checked before writing, so that no copy is left that the list refuses.
  if (const QString refusal = store::picture_path_refusal(state_, saved.path); !refusal.isEmpty()) {
    saved.why = QStringLiteral("保存先「%1」は%2").arg(saved.path, refusal);
  } else if (const QString failure = editor::write_picture(image, saved.path); !failure.isEmpty()) {
    saved.why = QStringLiteral("「%1」に保存できませんでした：%2").arg(saved.path, failure);
  }
  return saved;
}

QString F_kinyu::copy_as_jpeg(const QString& source, QString* why) {
  // An original copied before (found by its path or its content) is not
  // copied again: the list takes the copy that exists.
  const store::CopyIndex copies(store::read_copy_records(state_.data_dir));
  const QByteArray key = store::content_key(source);
  QString earlier = copies.by_source.value(source);
  if (earlier.isEmpty() || !QFileInfo(earlier).isFile()) earlier = copies.by_key.value(key);
  if (!earlier.isEmpty() && QFileInfo(earlier).isFile()) return earlier;
  const store::JpegCopy copy = store::make_jpeg_copy(source);
  if (copy.bytes.isEmpty()) {
    *why = copy.why.isEmpty() ? QStringLiteral("画像として読み込めませんでした") : copy.why;
    return {};
  }
  // Written once into the year folder of the day it was taken, under a
  // name no other picture there has, as the photo import puts its copies:
  // a drop of thirty phone photos asks nothing thirty times.
  std::vector<store::CopyJob> place{{source, store::exif_shooting_time(QByteArrayView(copy.bytes)).date(), {}}};
  store::plan_copies(place, pictures_folder);
  SavedCopy saved{place.front().target, {}};
  if (const QString refusal = store::picture_path_refusal(state_, saved.path); !refusal.isEmpty()) {
    saved.why = QStringLiteral("保存先「%1」は%2").arg(saved.path, refusal);
  } else if (const QString failure = editor::write_picture_bytes(copy.bytes, saved.path); !failure.isEmpty()) {
    saved.why = QStringLiteral("「%1」に保存できませんでした：%2").arg(saved.path, failure);
  }
  *why = saved.why;
  if (!saved.why.isEmpty() || saved.path.isEmpty()) return {};
  // Remembered, so that the same original brought in again finds it; a
  // record that cannot be written only loses that.
  if (!key.isEmpty()) store::append_copy_records(state_.data_dir, {{saved.path, source, key}});
  return saved.path;
}

// An image without a file (copied from a browser or an image editor) is
// saved as a JPEG where the user chooses, then attached like any file.
void F_kinyu::save_pasted_image(const QImage& image) {
  const QDateTime now = QDateTime::currentDateTime();
  const SavedCopy saved =
      save_copy(image, QStringLiteral("貼り付けた画像の保存先"),
                store::pasted_images_folder(pictures_folder, now.date()) + store::pasted_image_name(now));
  if (!saved.why.isEmpty()) {
    messages_.inform(this, QStringLiteral("貼り付けた画像を保存できませんでした。\n%1").arg(saved.why), store::kAppTitle);
    return;
  }
  if (!saved.path.isEmpty()) add_picture_files({QUrl::fromLocalFile(saved.path)}, -1);
}
