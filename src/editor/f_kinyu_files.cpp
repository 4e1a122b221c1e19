// Pictures brought into the editor the desktop's ways: files dropped from a
// file manager on the picture list or the picture area, and files or an
// image pasted from the clipboard. The files join the list by the picture
// picker's rules and are referred to where they lie.

#include <QAction>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFileDialog>
#include <QGuiApplication>
#include <QImageWriter>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTimer>

#include "editor/f_kinyu.h"
#include "store/files/error_texts.h"
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
  choose_image_file = [](QWidget* parent, const QString& proposed) {
    return QFileDialog::getSaveFileName(parent, QStringLiteral("貼り付けた画像の保存先"), proposed,
                                        QStringLiteral("JPEG 画像 (*.jpg)"));
  };
}

int F_kinyu::add_picture_files(const QList<QUrl>& urls, int at) {
  const store::AddedPictures added = store::add_picture_files(state_, urls, at);
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

// An image without a file (copied from a browser or an image editor) is
// saved as a JPEG where the user chooses, then attached like any file.
void F_kinyu::save_pasted_image(const QImage& image) {
  const QString folder = store::pasted_images_folder(pictures_folder, QDate::currentDate());
  QDir().mkpath(folder);
  QString path = choose_image_file(this, folder + store::pasted_image_name(QDateTime::currentDateTime()));
  if (path.isEmpty()) return;
  path = store::with_picture_suffix(path);
  QSaveFile file(path);
  QImageWriter writer(&file, QFileInfo(path).suffix().compare(QStringLiteral("bmp"), Qt::CaseInsensitive) == 0
                                 ? QByteArrayLiteral("bmp")
                                 : QByteArrayLiteral("jpg"));
  const bool opened = file.open(QIODevice::WriteOnly);
  if (!opened || !writer.write(image) || !file.commit()) {
    const QString reason = opened && file.error() == QFileDevice::NoError
                               ? QStringLiteral("画像を書き出せませんでした")
                               : store::file_error_reason(file.error(), QString());
    messages_.inform(this, QStringLiteral("貼り付けた画像をファイル「%1」に保存できませんでした。\n理由：%2").arg(path, reason),
                     store::kAppTitle);
    return;
  }
  add_picture_files({QUrl::fromLocalFile(path)}, -1);
}
