#pragma once
// Reading and writing whole data files, with failures described in Japanese
// so that every window can show them to the user as they are.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace store {

// The outcome of a file operation. On failure `message` is a complete
// Japanese sentence naming the file and the reason, ready for a message box.
struct FileResult {
  bool ok = true;
  QString message;

  static FileResult success() { return {}; }
  static FileResult failure(QString text) { return {false, std::move(text)}; }
  explicit operator bool() const { return ok; }
};

// What a read found.
enum class ReadStatus { Read, Missing, Failed };

struct ReadResult {
  ReadStatus status = ReadStatus::Missing;
  QByteArray bytes;
  QString message;  // set when status is Failed
};

// Reads the whole file. A missing file is not a failure: many data files are
// optional. Anything that is not a regular file (a directory, a device, a
// FIFO) is reported as a failure instead of being read.
ReadResult read_file_bytes(const QString& path);

// Reads a text file as lines (windows-31j, CR LF or LF).
struct ReadLinesResult {
  ReadStatus status = ReadStatus::Missing;
  QStringList lines;
  QString message;
};
ReadLinesResult read_text_lines(const QString& path);

// Replaces the file with the given bytes atomically and durably: the old
// file stays complete until the new one is fully on disk, and once this
// reports success the new bytes and the name survive a power cut.
FileResult write_file_bytes(const QString& path, const QByteArray& bytes);

// Writes the lines (each followed by CR LF) in windows-31j. Characters the
// code page cannot hold are refused before anything is written.
FileResult write_text_lines(const QString& path, const QStringList& lines);

// Deletes the file and syncs its folder. A file that is already gone
// counts as deleted.
FileResult remove_file(const QString& path);

// The lines of file bytes, without their line ends (CR LF or a bare LF),
// kept as bytes so that rewriting one line leaves the others untouched.
QList<QByteArray> split_raw_lines(const QByteArray& bytes);

// Japanese wording for the failures above; used by the functions here and
// by callers that report their own file work.
QString write_failure_message(const QString& path, const QString& reason);
QString read_failure_message(const QString& path, const QString& reason);
QString unencodable_message(const QString& path);

}  // namespace store
