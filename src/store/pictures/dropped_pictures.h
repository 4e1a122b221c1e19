#pragma once
// Pictures brought in the desktop's ways: files dropped from a file manager
// or copied there and pasted. They join the picture list being edited by
// the picker's rules (picture names only, 100 pictures, paths the picture
// list file can hold), each titled with its file name as the picker
// proposes; what cannot join is named with its reason. The files are
// referred to where they lie, never copied.

#include <QByteArrayView>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

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

// Inserts the files at 0-based position `at` of state.current_images (the
// end when `at` is out of range), in the order given.
AddedPictures add_picture_files(AppState& state, const QList<QUrl>& urls, int at);

// The message naming what could not be added; "" when everything was.
QString refused_pictures_message(const AddedPictures& added);

// Where an image pasted without a file is saved: the folder
// "<pictures>/Verdalis/yyyy/" of the user's picture folder, a name from the
// date and time ("20261209-101530.jpg"), and a chosen name that lacks a
// picture suffix gets ".jpg", so that the picker's rules accept it.
QString pasted_images_folder(const QString& pictures_dir, const QDate& today);
QString pasted_image_name(const QDateTime& now);
QString with_picture_suffix(const QString& path);

}  // namespace store
