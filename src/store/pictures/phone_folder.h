#pragma once
// What a phone's or a camera's folder holds besides photos the diary takes:
// photos of other formats that come in as JPEG copies, videos (an iPhone's
// Live Photo keeps a short .MOV beside each photo), an iPhone's edit files
// (.AAE), and pictures of formats that cannot come in at all (RAW, GIF).
// An iPhone keeps an edited photo beside its original as IMG_E1234 next to
// IMG_1234: the edited one is what the user chose to keep.

#include <QSet>
#include <QString>
#include <QStringList>

namespace store {

enum class FolderFileKind {
  Picture,       // JPEG or BMP by its name: the diary takes it as it is
  Convertible,   // HEIC, HEIF, PNG, WebP, TIFF: taken as a JPEG copy
  Video,
  EditFile,      // .AAE
  OtherPicture,  // a picture format that cannot come in (RAW, GIF...)
  Other,
};

FolderFileKind folder_file_kind(const QString& file_name);

// Of the photo paths given, those whose edited copy is among them too:
// "…/IMG_1234.HEIC" when "…/IMG_E1234.HEIC" or "…/IMG_E1234.JPG" lies in
// the same folder. Names are compared without regard to case.
QSet<QString> superseded_originals(const QStringList& photo_paths);

}  // namespace store
