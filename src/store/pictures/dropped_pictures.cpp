#include "store/pictures/dropped_pictures.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <algorithm>

#include "store/diary/field_formats.h"
#include "store/files/posix_file.h"
#include "store/pictures/picture_pick.h"

namespace store {

namespace {

// At most this many files are named one by one in the message.
constexpr int kNamedAtMost = 15;

const QString kAlreadyThere = QStringLiteral("このメモにすでに追加されています");
const QString kListFull = QStringLiteral("画像の数が限界(100)を越えます");

// Two paths name the same picture when they lead to the same file, through
// links or "." and ".." alike; a missing file is compared by its cleaned
// path.
QString same_file_key(const QString& path) {
  const QString canonical = QFileInfo(path).canonicalFilePath();
  return canonical.isEmpty() ? QDir::cleanPath(path) : canonical;
}

QSet<QString> keys_of(const AppState& state) {
  QSet<QString> keys;
  for (const ImageEntry& e : state.current_images) keys.insert(same_file_key(e.path));
  return keys;
}

// Room in the list and a path the picture list file can hold; "" when the
// file can join.
QString room_and_path_refusal(const AppState& state, const QString& path) {
  QString lost;
  switch (check_picture_path(state, path, &lost)) {
    case PictureRefusal::ListFull:
      return kListFull;
    case PictureRefusal::Unencodable:
      return QStringLiteral("ファイルの場所に保存できない文字（%1）が含まれています").arg(lost);
    case PictureRefusal::LineBreak:
      return QStringLiteral("ファイルの場所に改行が含まれています");
    case PictureRefusal::None:
      break;
  }
  return {};
}

// How a dropped or pasted file can join the list.
enum class Joining { AsIs, AsCopy, Not };

// Checks what the file is: where it lies, whether it is a file, and whether
// its name is a picture name or one of a format copied as JPEG. `why` says
// why it cannot join at all.
Joining kind_of(const QUrl& url, const QString& path, const PictureCopying& copying, QString* why) {
  if (!url.isLocalFile()) {
    *why = QStringLiteral("このコンピュータのファイルではありません");
    return Joining::Not;
  }
  const QFileInfo info(path);
  if (info.isDir()) {
    *why = QStringLiteral("フォルダです");
    return Joining::Not;
  }
  Joining kind = Joining::AsIs;
  if (!is_picture_file_name(info.fileName())) {
    if (!copying.copy || !copying.suffixes.contains(info.suffix().toLower())) {
      *why = QStringLiteral("画像のファイル名ではありません（bmp・jpg・jpeg）");
      return Joining::Not;
    }
    kind = Joining::AsCopy;
  }
  // A copy reads the file, which must not be a FIFO or a device.
  if (kind == Joining::AsCopy ? !regular_file_found(path) : !info.isFile()) {
    *why = QStringLiteral("ファイルがありません");
    return Joining::Not;
  }
  return kind;
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

QString picture_path_refusal(const AppState& state, const QString& path) {
  if (keys_of(state).contains(same_file_key(path))) return kAlreadyThere;
  return room_and_path_refusal(state, path);
}

AddedPictures add_picture_files(AppState& state, const QList<QUrl>& urls, int at, const PictureCopying& copying) {
  AddedPictures result;
  int next = at >= 0 && at <= state.current_image_count() ? at : state.current_image_count();
  QSet<QString> held = keys_of(state);
  // Once the user declines one copy, the batch's other copies are not
  // offered either.
  bool copies_declined = false;
  for (const QUrl& url : urls) {
    const QString given = url.isLocalFile() ? url.toLocalFile() : url.toDisplayString();
    QString path = given;
    QString why;
    const Joining kind = kind_of(url, path, copying, &why);
    if (kind == Joining::AsCopy) {
      if (state.current_image_count() >= kPictureCapacity) {
        why = kListFull;
      } else if (copies_declined) {
        continue;
      } else {
        path = copying.copy(path, &why);
        if (path.isEmpty() && why.isEmpty()) {
          copies_declined = true;
          continue;
        }
      }
    }
    if (why.isEmpty()) why = held.contains(same_file_key(path)) ? kAlreadyThere : room_and_path_refusal(state, path);
    if (!why.isEmpty()) {
      result.refused << QStringLiteral("%1（%2）").arg(as_one_line(given), why);
      continue;
    }
    state.current_images.insert(state.current_images.begin() + next, {path, as_one_line(QFileInfo(path).fileName())});
    held.insert(same_file_key(path));
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

QString copy_name(const QString& source_path, const QDateTime& now) {
  const QString base = QFileInfo(source_path).completeBaseName();
  return base.isEmpty() ? pasted_image_name(now) : base + QStringLiteral(".jpg");
}

QString with_picture_suffix(const QString& path) {
  return is_picture_file_name(QFileInfo(path).fileName()) ? path : path + QStringLiteral(".jpg");
}

ProposedPlace split_at_existing_folder(const QString& path) {
  const QString clean = QDir::cleanPath(path);
  QString dir = QFileInfo(clean).path();
  while (!QFileInfo(dir).isDir()) {
    const QString up = QFileInfo(dir).path();
    if (up == dir) break;
    dir = up;
  }
  const QString folder = with_trailing_separator(dir);
  return {folder, clean.startsWith(folder) ? clean.mid(folder.size()) : QFileInfo(clean).fileName()};
}

bool make_folders_for(const QString& path, QString* topmost_made) {
  topmost_made->clear();
  const QString dir = QFileInfo(QDir::cleanPath(path)).path();
  if (QFileInfo(dir).isDir()) return true;
  const ProposedPlace place = split_at_existing_folder(path);
  *topmost_made = place.folder + place.rest.section(QLatin1Char('/'), 0, 0);
  if (QDir().mkpath(dir)) return true;
  remove_empty_folders(path, *topmost_made);
  topmost_made->clear();
  return false;
}

void remove_empty_folders(const QString& path, const QString& topmost) {
  if (topmost.isEmpty()) return;
  QString dir = QFileInfo(QDir::cleanPath(path)).path();
  while (dir == topmost || dir.startsWith(topmost + QLatin1Char('/'))) {
    // rmdir removes only an empty folder; one that holds anything stays.
    if (!QDir().rmdir(dir) && QFileInfo(dir).exists()) return;
    if (dir == topmost) return;
    dir = QFileInfo(dir).path();
  }
}

}  // namespace store
