#include "store/pictures/dropped_pictures.h"

#include <QFileInfo>
#include <algorithm>

#include "store/diary/field_formats.h"
#include "store/pictures/picture_pick.h"

namespace store {

namespace {

// At most this many files are named one by one in the message.
constexpr int kNamedAtMost = 15;

// The reason a file cannot join the list; "" when it can.
QString refusal(const AppState& state, const QUrl& url, const QString& path) {
  if (!url.isLocalFile()) return QStringLiteral("このコンピュータのファイルではありません");
  const QFileInfo info(path);
  if (info.isDir()) return QStringLiteral("フォルダです");
  if (!is_picture_file_name(info.fileName())) return QStringLiteral("画像のファイル名ではありません（bmp・jpg・jpeg）");
  if (!info.isFile()) return QStringLiteral("ファイルがありません");
  QString lost;
  switch (check_picture_path(state, path, &lost)) {
    case PictureRefusal::ListFull:
      return QStringLiteral("画像の数が限界(100)を越えます");
    case PictureRefusal::Unencodable:
      return QStringLiteral("ファイルの場所に保存できない文字（%1）が含まれています").arg(lost);
    case PictureRefusal::LineBreak:
      return QStringLiteral("ファイルの場所に改行が含まれています");
    case PictureRefusal::None:
      break;
  }
  return {};
}

}  // namespace

QList<QUrl> urls_of_copied_files(QByteArrayView bytes) {
  QList<QUrl> urls;
  const QList<QByteArray> lines = QByteArray(bytes.data(), bytes.size()).split('\n');
  for (qsizetype i = 1; i < lines.size(); ++i) {
    const QByteArray line = lines[i].trimmed();
    if (!line.isEmpty()) urls << QUrl::fromEncoded(line);
  }
  return urls;
}

AddedPictures add_picture_files(AppState& state, const QList<QUrl>& urls, int at) {
  AddedPictures result;
  int next = at >= 0 && at <= state.current_image_count() ? at : state.current_image_count();
  for (const QUrl& url : urls) {
    const QString path = url.isLocalFile() ? url.toLocalFile() : url.toDisplayString();
    const QString why = refusal(state, url, path);
    if (!why.isEmpty()) {
      result.refused << QStringLiteral("%1（%2）").arg(as_one_line(path), why);
      continue;
    }
    state.current_images.insert(state.current_images.begin() + next, {path, as_one_line(QFileInfo(path).fileName())});
    if (result.first < 0) result.first = next;
    ++next;
    ++result.added;
  }
  return result;
}

QString refused_pictures_message(const AddedPictures& added) {
  if (added.refused.isEmpty()) return {};
  QString text = QStringLiteral("次のファイルは画像として追加できませんでした。");
  const qsizetype named = std::min<qsizetype>(added.refused.size(), kNamedAtMost);
  for (qsizetype i = 0; i < named; ++i) text += QStringLiteral("\n・") + added.refused[i];
  if (added.refused.size() > named) text += QStringLiteral("\nほか%1個のファイル").arg(added.refused.size() - named);
  return text;
}

QString pasted_images_folder(const QString& pictures_dir, const QDate& today) {
  return with_trailing_separator(pictures_dir) + QStringLiteral("Verdalis/") + QString::number(today.year()) +
         QLatin1Char('/');
}

QString pasted_image_name(const QDateTime& now) { return now.toString(QStringLiteral("yyyyMMdd-HHmmss")) + QStringLiteral(".jpg"); }

QString with_picture_suffix(const QString& path) {
  return is_picture_file_name(QFileInfo(path).fileName()) ? path : path + QStringLiteral(".jpg");
}

}  // namespace store
