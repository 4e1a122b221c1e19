#include "editor/picture_copy.h"

#include <QBuffer>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include "store/files/durable_file.h"
#include "store/files/error_texts.h"
#include "store/files/posix_file.h"
#include "store/pictures/dropped_pictures.h"

namespace editor {

namespace {

// A JPEG has no transparency: what was see-through is laid on white, the
// background a picture with transparency is usually meant for, rather than
// the black its empty pixels would turn into.
QImage on_white(const QImage& image) {
  if (!image.hasAlphaChannel()) return image;
  QImage flat(image.size(), QImage::Format_RGB32);
  flat.fill(Qt::white);
  QPainter painter(&flat);
  painter.drawImage(0, 0, image);
  painter.end();
  return flat;
}

bool is_bmp(const QString& path) {
  return QFileInfo(path).suffix().compare(QStringLiteral("bmp"), Qt::CaseInsensitive) == 0;
}

QString write_file(const QImage& image, const QString& path) {
  QBuffer encoded;
  encoded.open(QIODevice::WriteOnly);
  QImageWriter writer(&encoded, is_bmp(path) ? QByteArrayLiteral("bmp") : QByteArrayLiteral("jpg"));
  if (!is_bmp(path)) writer.setQuality(90);
  if (!writer.write(is_bmp(path) ? image : on_white(image))) return QStringLiteral("画像を書き出せませんでした");
  // The memo will name this picture: it is on disk, with its name, before
  // the memo can be saved.
  const store::DurableWrite written = store::replace_durably(path, encoded.data());
  return written.error == 0 ? QString() : store::errno_reason(written.error);
}

// Syncs the folders made for `path` (the topmost one `made`) into their
// parents, so that the file's path survives a power cut. 0 or errno.
int sync_made_folders(const QString& path, const QString& made) {
  if (made.isEmpty()) return 0;
  const QString top = store::folder_of(made);
  for (QString folder = store::folder_of(store::folder_of(path)); folder.size() >= top.size();
       folder = store::folder_of(folder)) {
    if (const int error = store::sync_directory(folder)) return error;
    if (folder.size() == top.size() || folder == QStringLiteral("/")) break;
  }
  return 0;
}

}  // namespace

QStringList readable_picture_suffixes() {
  QStringList suffixes;
  for (const QByteArray& format : QImageReader::supportedImageFormats()) suffixes << QString::fromLatin1(format).toLower();
  suffixes << QStringLiteral("heic") << QStringLiteral("heif");
  return suffixes;
}

QImage read_picture(const QString& path, QString* why) {
  QImageReader reader(path);
  reader.setAutoTransform(true);
  QImage image = reader.read();
  if (image.isNull()) *why = QStringLiteral("画像として読み込めませんでした");
  return image;
}

QString write_picture(const QImage& image, const QString& path) {
  QString made;
  if (!store::make_folders_for(path, &made)) {
    return QStringLiteral("フォルダ「%1」を作れませんでした").arg(QFileInfo(path).path());
  }
  QString why = write_file(image, path);
  if (why.isEmpty()) {
    if (const int error = sync_made_folders(path, made)) why = store::errno_reason(error);
  }
  if (!why.isEmpty()) store::remove_empty_folders(path, made);
  return why;
}

QString write_picture_bytes(const QByteArray& jpeg, const QString& path) {
  QString made;
  if (!store::make_folders_for(path, &made)) {
    return QStringLiteral("フォルダ「%1」を作れませんでした").arg(QFileInfo(path).path());
  }
  // A new file only: a picture that appeared there meanwhile is never
  // written over. A write that fails leaves no part of the file. The
  // bytes, the name and any folder made for it are synced: the memo that
  // will name the picture must not outlive it after a power cut.
  const QByteArray native = store::native_path(path);
  QString why;
  store::Fd fd(::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
  int error = fd ? 0 : errno;
  if (fd) {
    if (!store::write_all(fd.get(), jpeg.constData(), jpeg.size()) || ::fdatasync(fd.get()) != 0) error = errno;
    if (!fd.close() && error == 0) error = errno;
    if (error == 0) error = store::sync_directory(store::folder_of(path));
    if (error == 0) error = sync_made_folders(path, made);
    if (error != 0) ::unlink(native.constData());
  }
  if (error == EEXIST) {
    why = QStringLiteral("同じ名前のファイルがあります");
  } else if (error != 0) {
    why = store::errno_reason(error);
  }
  if (!why.isEmpty()) store::remove_empty_folders(path, made);
  return why;
}

QString ask_where_to_save(QWidget* parent, const QString& caption, const QString& proposed) {
  const store::ProposedPlace place = store::split_at_existing_folder(proposed);
  // Qt's own dialog, which takes a name with folders that do not exist yet;
  // they are made when the file is written.
  QFileDialog dialog(parent, caption, place.folder, QStringLiteral("JPEG 画像 (*.jpg)"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QStringLiteral("jpg"));
  dialog.selectFile(place.rest);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().constFirst();
}

}  // namespace editor
