#pragma once
// JPEG copies of pictures the picture list does not take as they are: an
// image pasted without a file, or a file of another format (PNG and the
// like). The picture is read upright, written where the user chose, and
// the folders above the new file are made only when it is written.

#include <QImage>
#include <QString>
#include <QStringList>

class QWidget;

namespace editor {

// The lower-case suffixes of the picture formats Qt's image plug-ins read
// on this machine ("png", "gif", "webp" when its plug-in is installed...),
// and HEIC/HEIF, read with libheif.
QStringList readable_picture_suffixes();

// The picture of a file, turned upright as phones store it; a null image
// when it cannot be read, with `why` saying so.
QImage read_picture(const QString& path, QString* why);

// Writes the image to `path` as a JPEG (as a BMP when the name ends in
// ".bmp"); transparent parts become white. Missing folders above it are
// made, and removed again when the write fails. "" when written, otherwise
// the reason, in Japanese.
QString write_picture(const QImage& image, const QString& path);

// Writes a JPEG file's bytes to `path` as a new file (never over one that
// is there), with its folders made the same way. "" when written.
QString write_picture_bytes(const QByteArray& jpeg, const QString& path);

// The save dialog for a copy, opened in the deepest existing folder of
// `proposed` with the rest of the path as the file name, so that it shows
// the proposal without making any folder. "" when the user cancels.
QString ask_where_to_save(QWidget* parent, const QString& caption, const QString& proposed);

}  // namespace editor
