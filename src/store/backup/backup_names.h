#pragma once
// The names inside a backup archive. Everything lies under one top folder
// "Verdalis/": the data files, the files of memo/, and the pictures under
// "写真/" by their original paths. The list "写真一覧.txt" pairs each
// original path with its place in the archive; restoring reads it back to
// link the extracted pictures.

#include <QString>
#include <vector>

namespace store {

inline constexpr char16_t kBackupTop[] = u"Verdalis/";
inline constexpr char16_t kPictureFolder[] = u"写真/";
inline constexpr char16_t kPictureListName[] = u"写真一覧.txt";

// The data files of the data directory that a backup holds, besides memo/.
const std::vector<QString>& backup_data_files();

// The place of a picture below "写真/", from its stored path:
// "/home/hanako/a.jpg" → "写真/home/hanako/a.jpg",
// "C:\Users\a.jpg" → "写真/C/Users/a.jpg", "\\server\share\a.jpg" →
// "写真/server/share/a.jpg". "." and empty components are dropped, ".."
// and characters Windows cannot hold in a name become "_", so the name is
// safe to extract anywhere.
QString picture_archive_name(const QString& stored_path);

// The same name with " (n)" before the extension, for a second file that
// would take the same place.
QString numbered_archive_name(const QString& name, int n);

struct PictureListEntry {
  QString original;  // the path as the memos store it
  QString archived;  // "写真/…", relative to the top folder
};

// The text of 写真一覧.txt (UTF-8, CR LF): the stored pictures, one per line
// as original path, TAB, place in the archive; then the missing ones.
QByteArray picture_list_text(const std::vector<PictureListEntry>& stored, const std::vector<QString>& missing,
                             const QString& made_at);
// The stored pictures of such a text. Lines that are not a pair are skipped.
std::vector<PictureListEntry> parse_picture_list(const QByteArray& text);

// Why an entry name may not be restored ("" when it may): a name outside
// the top folder, absolute, with "..", ".", an empty component, a drive
// letter or a backslash, or a place that a backup never uses.
QString refused_entry_name(const QString& name, bool is_directory);

}  // namespace store
