#pragma once
// The desktop's shared thumbnail cache: where a picture's thumbnail lives,
// and when a thumbnail found there still stands for the picture. The
// cache is $XDG_CACHE_HOME/thumbnails (~/.cache/thumbnails when the
// variable is unset, empty or not an absolute path), with "normal" (at
// most 128 pixels a side) and "large" (256) folders; a thumbnail is a PNG
// named by the MD5 of the picture's file URI, carrying that URI and the
// picture's modification time (whole seconds) as the texts "Thumb::URI"
// and "Thumb::MTime". File managers write the same files, so a picture is
// decoded once for the whole desktop.

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>

namespace store {

enum class ThumbnailSize { Normal, Large };

// 128 or 256.
int thumbnail_pixels(ThumbnailSize size);

// The file URI of an absolute path: "file://" and the path's bytes, every
// byte outside the letters, digits and "!$&'()*+,-./:=@_~" written as
// "%" and two upper-case hex digits (as the GNOME desktop writes it).
QByteArray thumbnail_uri(const QString& absolute_path);

// "<lower-case hex MD5 of the URI>.png".
QString thumbnail_file_name(const QByteArray& uri);

// The cache's root folder as the environment gives it, without a trailing
// "/".
QString thumbnail_root();
// The folder of one size and the full path of a picture's thumbnail in it.
QString thumbnail_dir(const QString& root, ThumbnailSize size);
QString thumbnail_path(const QString& root, ThumbnailSize size, const QString& absolute_path);

// A thumbnail stands for the picture when its URI text is the picture's URI
// and its modification time text is the picture's, as whole seconds in
// decimal. Anything else (a missing text, another time, a time with blanks
// or a fraction) makes it stale.
bool thumbnail_is_fresh(const QByteArray& stored_uri, const QString& stored_mtime, const QByteArray& uri,
                        qint64 mtime_seconds);

// The text chunks of PNG bytes (tEXt, and zTXt as file managers may write
// them), key to value, read without decoding the picture. Damaged bytes
// give the chunks read before the damage. Compressed texts are kept only
// while small (at most 1 KB compressed, 64 KB inflated in all).
QHash<QByteArray, QByteArray> png_texts(QByteArrayView png);

// The PNG bytes with tEXt chunks added right after the header chunk.
// Bytes that are not a PNG starting with a whole header chunk are returned
// unchanged.
QByteArray with_png_texts(const QByteArray& png, const QList<QPair<QByteArray, QByteArray>>& texts);

// True when the path lies inside the thumbnail cache: such files are never
// thumbnailed themselves.
bool is_inside_thumbnail_cache(const QString& root, const QString& absolute_path);

// Writes the bytes as the file `name` in `dir` through a temporary file in
// the same folder and a rename, so that no reader ever sees half a file;
// every missing folder of the path is made readable by the owner only
// (0700), and the file is readable by the owner only. False when anything
// fails (a read-only cache); nothing is left behind then.
bool write_thumbnail_file(const QString& dir, const QString& name, const QByteArray& bytes);

}  // namespace store
