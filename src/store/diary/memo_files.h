#pragma once
// The per-memo files in the memo sub-directory: the body file
// memo/m0000012.txt and the picture list file memo/g0000012.txt.

#include <QString>
#include <vector>

#include "store/diary/app_state.h"
#include "store/files/posix_file.h"
#include "store/files/text_file.h"

namespace store {

// The seven digits of the file names: the numeric value of the memo number,
// zero-padded ("12" and " 12 " both give "0000012").
QString memo_file_digits(const QString& memo_no);

// The names of the two files within the memo sub-directory:
// "m0000012.txt" and "g0000012.txt".
QString memo_body_name(const QString& memo_no);
QString memo_images_name(const QString& memo_no);

QString memo_body_path(const QString& data_dir, const QString& memo_no);
QString memo_images_path(const QString& data_dir, const QString& memo_no);

// The body text: the file's content without its final CR LF, or "" when
// there is no body file. An unreadable file gives "" and a message.
struct BodyResult {
  QString text;
  QString message;  // set when the file exists but could not be read
};
BodyResult load_memo_body(const QString& data_dir, const QString& memo_no);

// Writes the text followed by CR LF, replacing the body file.
FileResult save_memo_body(const QString& data_dir, const QString& memo_no, const QString& text);

// Reads the picture list (path line, title line per picture). A missing
// file is an empty list; an odd last line (a path without its title) is
// kept with an empty title so that no picture is lost.
struct ImageListResult {
  std::vector<ImageEntry> images;
  QString message;  // set when the file exists but could not be read
};
ImageListResult read_image_list(const QString& data_dir, const QString& memo_no);
// The pictures of a picture list file's bytes, by the same rules.
std::vector<ImageEntry> parse_image_list(QByteArrayView bytes);

// Reads many picture lists of one data directory into a buffer used again
// for every file (the album, the photo import). A list that is missing,
// unreadable or no regular file counts as empty; nothing blocks on a FIFO.
// One reader per thread.
class ImageListFiles {
 public:
  explicit ImageListFiles(const QString& data_dir);
  std::vector<ImageEntry> read(const QString& memo_no);

 private:
  const OpenFolder memo_;
  std::vector<char> buffer_;
};

// Fills state.current_images from the memo's picture list file.
QString load_image_list(AppState& state, const QString& memo_no);

FileResult save_image_list(const QString& data_dir, const QString& memo_no,
                           const std::vector<ImageEntry>& images);

}  // namespace store
