#pragma once
// Pictures brought in the desktop's ways: files dropped from a file manager
// or copied there and pasted. They join the picture list being edited by
// the picker's rules (picture names only, 100 pictures, paths the picture
// list file can hold), each titled with its file name as the picker
// proposes; a file already in the list does not join a second time. Files
// of other picture formats (PNG and the like) join as JPEG copies that the
// caller makes; what cannot join is named with its reason. The files
// themselves are referred to where they lie, never copied.

#include <QByteArrayView>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>

#include "store/diary/app_state.h"

namespace store {

// The files of GNOME's clipboard format x-special/gnome-copied-files: a
// first line "copy" or "cut", then one URL per line.
QList<QUrl> urls_of_copied_files(QByteArrayView bytes);

struct AddedPictures {
  int added = 0;
  int first = -1;        // 0-based position of the first picture added
  QStringList refused;   // "path（reason）", in the order given
};

// Files whose names the picker does not take but whose pictures can still
// be read join as JPEG copies. `suffixes` are the lower-case suffixes of
// such files ("png", "gif", ...). `copy` makes the copy of one file and
// returns the copy's path; it returns "" with `why` left empty when the user
// chose not to make it (then no later file of the same batch is copied
// either), or "" with `why` saying what failed.
struct PictureCopying {
  QStringList suffixes;
  std::function<QString(const QString& path, QString* why)> copy;
};

// Inserts the files at 0-based position `at` of state.current_images (the
// end when `at` is out of range), in the order given.
AddedPictures add_picture_files(AppState& state, const QList<QUrl>& urls, int at, const PictureCopying& copying = {});

// Why a picture file at `path` cannot join state.current_images: already
// there, no room, or a path the picture list file cannot hold. "" when it
// can. Used before a copy is written, so that no copy is made in vain.
QString picture_path_refusal(const AppState& state, const QString& path);

// The message naming what could not be added; "" when everything was.
QString refused_pictures_message(const AddedPictures& added);

// Where an image pasted without a file, or the JPEG copy of a file, is
// proposed: the folder "<pictures>/Verdalis/yyyy/" of the user's picture
// folder, a name from the date and time ("20261209-101530.jpg") or the
// file's own base name ("rose.png" gives "rose.jpg"); a chosen name that
// lacks a picture suffix gets ".jpg", so that the picker's rules accept it.
QString pasted_images_folder(const QString& pictures_dir, const QDate& today);
QString pasted_image_name(const QDateTime& now);
QString copy_name(const QString& source_path, const QDateTime& now);
QString with_picture_suffix(const QString& path);

// A proposed file path split for a save dialog: the deepest folder of it
// that exists, and the rest below that folder ("Verdalis/2026/a.jpg"),
// so that the dialog can open in a real folder and no folder is made
// before a file is written.
struct ProposedPlace {
  QString folder;  // ends in "/"
  QString rest;
};
ProposedPlace split_at_existing_folder(const QString& path);

// Makes the missing folders above `path` and returns the topmost folder it
// made ("" when none was needed); false when one cannot be made.
bool make_folders_for(const QString& path, QString* topmost_made);
// Removes `topmost` and the folders below it on the way to `path`, from the
// deepest up, as long as they are empty: a failed write leaves no empty
// folder behind.
void remove_empty_folders(const QString& path, const QString& topmost);

}  // namespace store
