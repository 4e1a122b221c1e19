#pragma once
// The picture picker's data logic: which file names are pictures, the size
// of the preview, walking volumes and directories, registering a picture in
// the picture list being edited and deleting a picture file.

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include "store/diary/app_state.h"
#include "store/diary/field_formats.h"

namespace store {

// True when the name ends in "bmp", "jpg", "BMP", "JPG", "jpeg" or "JPEG":
// the trailing characters only, compared exactly ("x.Jpg" is not a
// picture name, "xjpg" is).
bool is_picture_file_name(const QString& name);

// The preview box, in twips.
inline constexpr float kPreviewMaxWidth = 6675.0F;
inline constexpr float kPreviewMaxHeight = 6135.0F;

// The size (twips) a picture of its own width × height is previewed at:
// unchanged when neither side exceeds the preview box, otherwise shrunk by
// the smaller of 6135 / height and 6675 / width, in single precision.
struct PreviewSize {
  float width = 0;
  float height = 0;
  bool scaled = false;
};
PreviewSize preview_size(float width, float height);

// False when the data is a JPEG whose compressed picture stops before its
// end-of-image marker (a truncated file), or whose structure is broken;
// true for a whole JPEG and for anything that is not a JPEG at all.
bool jpeg_data_is_complete(QByteArrayView data);
// The same for a file. A file that cannot be read counts as complete here:
// decoding it will fail anyway.
bool picture_file_is_complete(const QString& path);

// The directory with one "/" at its end ("/" stays "/").
QString with_trailing_separator(const QString& dir);

// Root directories of the mounted volumes: "/" first, then the others in
// path order. Mount points that are not directories are left out.
QStringList mounted_volume_roots();

// The position in `roots` of the volume holding `dir`: the longest root
// that is `dir` itself or one of its ancestors; -1 when none is.
int volume_holding(const QStringList& roots, const QString& dir);

// True when the directory exists and its entries can be listed.
bool is_listable_directory(const QString& dir);

// `dir` itself when it can be listed, otherwise its nearest ancestor that
// can; "" when not even the root can.
QString nearest_listable_directory(const QString& dir);

// "/a/b" gives "/", "/a", "/a/b".
QStringList directory_chain(const QString& dir);

// Names of the directory's sub-directories and of its files (hidden ones
// left out), each sorted by name ignoring letter case.
QStringList sub_directory_names(const QString& dir);
QStringList file_names(const QString& dir);

// The last-modification time of a file as the picker's caption shows it,
// "2026/05/20 9:03:05"; "" when the file has none.
QString file_date_text(const QString& path);

// The characters of `text` that windows-31j cannot hold, each once.
QString unencodable_characters(const QString& text);

// The checks every way of adding a picture file shares once its name is a
// picture name: room in the list (100 pictures) and a path that the picture
// list file can hold (windows-31j, no line break). On Unencodable, `lost`
// holds the characters that cannot be stored.
enum class PictureRefusal { None, ListFull, Unencodable, LineBreak };
PictureRefusal check_picture_path(const AppState& state, const QString& path, QString* lost);

// Appending a picture to state.current_images. When refused, nothing was
// appended and `text` / `title` are the message box to show; `to_title`
// asks for the focus to go to the title box.
struct PictureRegistration {
  bool ok = true;
  QString text;
  QString title;
  bool to_title = false;
  ImageEntry entry;  // what was appended
};

// Registers the file `name` of directory `dir` (ending in "/") under
// `title`. Checked in order: a title must be given; a file with a picture
// name must be chosen (`name` is "" when none is); the list must have room
// (100 pictures); the full path must be storable in the picture list file
// (windows-31j, no line break). The title is stored as one line.
PictureRegistration register_picture(AppState& state, const QString& dir, const QString& name, const QString& title);

// Deleting a file from disk.
enum class FileDeletion {
  Deleted,
  Gone,     // there was no file to delete
  Refused,  // the system refused (permission, read-only, busy, ...)
};
FileDeletion delete_picture_file(const QString& path);

// The message shown when a file cannot be deleted.
QString cannot_delete_message(const QString& path);

}  // namespace store
