#include "store/pictures/phone_folder.h"

#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

#include "store/pictures/other_formats.h"
#include "store/pictures/picture_pick.h"

namespace store {

namespace {

bool suffix_in(const QString& file_name, const QStringList& suffixes) {
  const qsizetype dot = file_name.lastIndexOf(QLatin1Char('.'));
  if (dot < 0) return false;
  const QString suffix = file_name.mid(dot + 1).toLower();
  return suffixes.contains(suffix);
}

}  // namespace

FolderFileKind folder_file_kind(const QString& file_name) {
  static const QStringList kVideos{QStringLiteral("mov"),  QStringLiteral("mp4"), QStringLiteral("m4v"),
                                   QStringLiteral("3gp"),  QStringLiteral("avi"), QStringLiteral("mts"),
                                   QStringLiteral("m2ts"), QStringLiteral("mkv"), QStringLiteral("webm"),
                                   QStringLiteral("wmv"),  QStringLiteral("mpg"), QStringLiteral("mpeg")};
  static const QStringList kOtherPictures{QStringLiteral("gif"), QStringLiteral("dng"), QStringLiteral("cr2"),
                                          QStringLiteral("cr3"), QStringLiteral("nef"), QStringLiteral("arw"),
                                          QStringLiteral("orf"), QStringLiteral("rw2"), QStringLiteral("raf"),
                                          QStringLiteral("avif"), QStringLiteral("jxl")};
  if (is_picture_file_name(file_name)) return FolderFileKind::Picture;
  if (is_convertible_name(file_name)) return FolderFileKind::Convertible;
  if (suffix_in(file_name, kVideos)) return FolderFileKind::Video;
  if (suffix_in(file_name, {QStringLiteral("aae")})) return FolderFileKind::EditFile;
  // A picture suffix the picker refuses for another reason (a name it
  // cannot hold) is still a picture that cannot come in.
  if (suffix_in(file_name, kOtherPictures) ||
      suffix_in(file_name, {QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("bmp")})) {
    return FolderFileKind::OtherPicture;
  }
  return FolderFileKind::Other;
}

QSet<QString> superseded_originals(const QStringList& photo_paths) {
  static const QRegularExpression edited(QStringLiteral("^IMG_E(\\d+)$"), QRegularExpression::CaseInsensitiveOption);
  // "folder/img_1234" (lower case) of every edited copy.
  QSet<QString> originals;
  for (const QString& path : photo_paths) {
    const QFileInfo info(path);
    const QRegularExpressionMatch m = edited.match(info.completeBaseName());
    if (m.hasMatch()) originals.insert(info.path().toLower() + QStringLiteral("/img_") + m.captured(1));
  }
  QSet<QString> superseded;
  if (originals.isEmpty()) return superseded;
  for (const QString& path : photo_paths) {
    const QFileInfo info(path);
    if (originals.contains(info.path().toLower() + QLatin1Char('/') + info.completeBaseName().toLower())) {
      superseded.insert(path);
    }
  }
  return superseded;
}

}  // namespace store
