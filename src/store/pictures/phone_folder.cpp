#include "store/pictures/phone_folder.h"

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
  static const QRegularExpression edited(QStringLiteral("IMG_E(\\d+)\\."), QRegularExpression::CaseInsensitiveOption);
  // "folder/img_1234" (lower case) of every edited copy. Only names that
  // begin "IMG_E" are matched: a camera's folder holds thousands of others.
  const auto name_at = [](const QString& path) { return path.lastIndexOf(QLatin1Char('/')) + 1; };
  QSet<QString> originals;
  for (const QString& path : photo_paths) {
    const qsizetype name = name_at(path);
    if (!QStringView(path).mid(name).startsWith(QLatin1String("IMG_E"), Qt::CaseInsensitive)) continue;
    const QRegularExpressionMatch m = edited.match(path, name, QRegularExpression::NormalMatch,
                                                   QRegularExpression::AnchorAtOffsetMatchOption);
    if (m.hasMatch()) originals.insert(path.left(name).toLower() + QStringLiteral("img_") + m.captured(1));
  }
  QSet<QString> superseded;
  if (originals.isEmpty()) return superseded;
  for (const QString& path : photo_paths) {
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot > name_at(path) && originals.contains(path.left(dot).toLower())) superseded.insert(path);
  }
  return superseded;
}

}  // namespace store
