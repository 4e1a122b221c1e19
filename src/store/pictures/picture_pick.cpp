#include "store/pictures/picture_pick.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "store/files/codec.h"

namespace store {

namespace {

const QString kNoPictureTitle = QStringLiteral("画像のタイトルを入力してください。");
const QString kNoPictureFile = QStringLiteral("画像ファイルを指定してください。");

// True when `root` is `dir` or one of its ancestors.
bool holds(const QString& root, const QString& dir) {
  if (root == QStringLiteral("/")) return dir.startsWith(QLatin1Char('/'));
  return dir == root || dir.startsWith(root + QLatin1Char('/'));
}

QString clean(const QString& dir) { return QDir::cleanPath(dir); }

PictureRegistration refused(const QString& text, const QString& title, bool to_title = false) {
  PictureRegistration r;
  r.ok = false;
  r.text = text;
  r.title = title;
  r.to_title = to_title;
  return r;
}

QStringList sorted_entries(const QString& dir, QDir::Filters filters) {
  return QDir(dir).entryList(filters | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
}

}  // namespace

bool is_picture_file_name(const QString& name) {
  for (const char* end : {"bmp", "jpg", "BMP", "JPG", "jpeg", "JPEG"}) {
    if (name.endsWith(QLatin1String(end), Qt::CaseSensitive)) return true;
  }
  return false;
}

PreviewSize preview_size(float width, float height) {
  if (!(height > kPreviewMaxHeight || width > kPreviewMaxWidth)) return {width, height, false};
  const float height_ratio = kPreviewMaxHeight / height;
  const float width_ratio = kPreviewMaxWidth / width;
  const float factor = height_ratio < width_ratio ? height_ratio : width_ratio;
  return {width * factor, height * factor, true};
}

bool jpeg_data_is_complete(QByteArrayView data) {
  const qsizetype n = data.size();
  const auto at = [&](qsizetype i) { return static_cast<unsigned char>(data[i]); };
  if (n < 2 || at(0) != 0xFF || at(1) != 0xD8) return true;  // not a JPEG
  qsizetype i = 2;
  while (i + 1 < n) {
    if (at(i) != 0xFF) return false;  // a marker was expected here
    const unsigned char marker = at(i + 1);
    if (marker == 0xFF) {  // fill byte before a marker
      ++i;
      continue;
    }
    i += 2;
    if (marker == 0xD9) return true;                                     // end of image
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no length
    if (i + 1 >= n) return false;
    const int length = (at(i) << 8) | at(i + 1);
    if (length < 2) return false;
    i += length;
    if (marker != 0xDA) continue;
    // Compressed data follows a start of scan, up to the next marker that is
    // neither a stuffed 0xFF nor a restart marker.
    while (i + 1 < n) {
      if (at(i) != 0xFF) {
        // Straight to the next 0xFF: a photo's scan data is most of it.
        const void* ff = std::memchr(data.data() + i, 0xFF, static_cast<size_t>(n - i));
        if (!ff) return false;
        i = static_cast<const char*>(ff) - data.data();
        continue;
      }
      const unsigned char next = at(i + 1);
      if (next == 0x00 || (next >= 0xD0 && next <= 0xD7)) {
        i += 2;
      } else if (next == 0xFF) {
        ++i;
      } else {
        break;
      }
    }
  }
  return false;
}

bool picture_file_is_complete(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return true;
  if (const uchar* mapped = file.map(0, file.size())) {
    const bool complete = jpeg_data_is_complete(QByteArrayView(mapped, file.size()));
    file.unmap(const_cast<uchar*>(mapped));
    return complete;
  }
  return jpeg_data_is_complete(file.readAll());
}

QString with_trailing_separator(const QString& dir) {
  return dir.endsWith(QLatin1Char('/')) ? dir : dir + QLatin1Char('/');
}

QStringList mounted_volume_roots() {
  QStringList others;
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    const QString root = clean(volume.rootPath());
    if (root.isEmpty() || root == QStringLiteral("/") || others.contains(root)) continue;
    if (!QFileInfo(root).isDir()) continue;
    others << root;
  }
  others.sort();
  return QStringList{QStringLiteral("/")} + others;
}

int volume_holding(const QStringList& roots, const QString& dir) {
  if (dir.isEmpty()) return -1;
  const QString path = clean(dir);
  int best = -1;
  for (int i = 0; i < roots.size(); ++i) {
    const QString root = clean(roots.at(i));
    if (holds(root, path) && (best < 0 || root.size() > clean(roots.at(best)).size())) best = i;
  }
  return best;
}

bool is_listable_directory(const QString& dir) {
  const QFileInfo info(dir);
  return !dir.isEmpty() && info.isDir() && info.isReadable() && info.isExecutable();
}

QString nearest_listable_directory(const QString& dir) {
  QString path = clean(dir);
  while (!path.isEmpty()) {
    if (is_listable_directory(path)) return path;
    if (path == QStringLiteral("/")) break;
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0) break;
    path = slash == 0 ? QStringLiteral("/") : path.left(slash);
  }
  return {};
}

QStringList directory_chain(const QString& dir) {
  const QString path = clean(dir);
  QStringList chain{QStringLiteral("/")};
  QString walked;
  for (const QString& part : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
    walked += QLatin1Char('/') + part;
    chain << walked;
  }
  return chain;
}

QStringList sub_directory_names(const QString& dir) { return sorted_entries(dir, QDir::Dirs); }

QStringList file_names(const QString& dir) { return sorted_entries(dir, QDir::Files); }

QString file_date_text(const QString& path) {
  const QDateTime modified = QFileInfo(path).lastModified();
  if (!modified.isValid()) return {};
  return modified.toString(QStringLiteral("yyyy/MM/dd H:mm:ss"));
}

QString unencodable_characters(const QString& text) {
  QString found;
  if (representable_in_cp932(text)) return found;
  for (qsizetype i = 0; i < text.size();) {
    const bool pair = text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
    const QString ch = text.mid(i, pair ? 2 : 1);
    if (!representable_in_cp932(ch) && !found.contains(ch)) found += ch;
    i += ch.size();
  }
  return found;
}

PictureRefusal check_picture_path(const AppState& state, const QString& path, QString* lost) {
  if (state.current_image_count() >= kPictureCapacity) return PictureRefusal::ListFull;
  *lost = unencodable_characters(path);
  if (!lost->isEmpty()) return PictureRefusal::Unencodable;
  if (path.contains(QLatin1Char('\n')) || path.contains(QLatin1Char('\r'))) return PictureRefusal::LineBreak;
  return PictureRefusal::None;
}

PictureRegistration register_picture(AppState& state, const QString& dir, const QString& name, const QString& title) {
  if (title.isEmpty()) return refused(kNoPictureTitle, kAppName, true);
  if (name.isEmpty() || !is_picture_file_name(name)) return refused(kNoPictureFile, kAppName);
  const QString path = with_trailing_separator(dir) + name;
  QString lost;
  switch (check_picture_path(state, path, &lost)) {
    case PictureRefusal::ListFull:
      return refused(QStringLiteral("これ以上画像を登録できません。"), QStringLiteral("画像の数が限界(100)を越えます"));
    case PictureRefusal::Unencodable:
      return refused(QStringLiteral("ファイルの場所に保存できない文字（%1）が含まれているため、"
                                    "この画像は登録できません。\n%2")
                         .arg(lost, path),
                     kAppTitle);
    case PictureRefusal::LineBreak:
      return refused(
          QStringLiteral("ファイルの場所に改行が含まれているため、この画像は登録できません。\n%1").arg(as_one_line(path)),
          kAppTitle);
    case PictureRefusal::None:
      break;
  }
  PictureRegistration done;
  done.entry = {path, as_one_line(title)};
  state.current_images.push_back(done.entry);
  return done;
}

FileDeletion delete_picture_file(const QString& path) {
  const std::filesystem::path file(QFile::encodeName(path).toStdString());
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::symlink_status(file, error);
  if (!std::filesystem::exists(status)) return FileDeletion::Gone;
  // Only a file (or a link) is deleted, never a directory.
  if (std::filesystem::is_directory(status)) return FileDeletion::Refused;
  const bool removed = std::filesystem::remove(file, error);
  if (error) return error == std::errc::no_such_file_or_directory ? FileDeletion::Gone : FileDeletion::Refused;
  return removed ? FileDeletion::Deleted : FileDeletion::Gone;
}

QString cannot_delete_message(const QString& path) { return QStringLiteral("ファイルを削除できません。\n") + path; }

}  // namespace store
