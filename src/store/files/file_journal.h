#pragma once
// Groups the file changes of one save so that, whatever part of them a
// power cut lets reach the disk, the save is found either whole or not at
// all.
//
// Before a file that the data already has (or names) is changed, its old
// version gets a second, hidden name beside it and a line in the save's
// record file in the data folder; both are synced before the change. The
// save ends with commit(), which syncs every folder changed and then marks
// the record "committed". A record found without that mark at the next
// start (recover_unfinished_saves) has its files put back as they were.
// Files that nothing refers to until the save ends (the files of a new
// memo number) need no record: they are written and synced at once, and a
// save that does not end leaves them unused.

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

#include "store/files/posix_file.h"
#include "store/files/text_file.h"

namespace store {

class FileJournal {
 public:
  // `data_dir` is the folder (with its trailing "/") the save's record
  // goes to.
  explicit FileJournal(QString data_dir);
  // A journal neither committed nor rolled back is rolled back.
  ~FileJournal();
  FileJournal(const FileJournal&) = delete;
  FileJournal& operator=(const FileJournal&) = delete;

  // Replaces the file with the lines (windows-31j, CR LF).
  FileResult write_lines(const QString& path, const QStringList& lines);
  // Replaces the file with the bytes as they are.
  FileResult write_bytes(const QString& path, const QByteArray& bytes);
  // Replaces many files at once, with one record entry and one sync of
  // their folder for all of them.
  FileResult write_files(const std::vector<std::pair<QString, QByteArray>>& files);
  // Writes a file that no data file refers to until this save ends.
  FileResult create_lines(const QString& path, const QStringList& lines);
  FileResult create_bytes(const QString& path, const QByteArray& bytes);
  // Makes `to` a copy of the file `from` (which must stay unchanged: data files are only ever replaced by
  // a rename, never written in place). A hard link where the file system
  // has them, so nothing is read or written twice.
  FileResult copy_file(const QString& from, const QString& to);
  // Deletes the file when it exists.
  FileResult remove(const QString& path);
  // Writes the file that makes the save complete (the index), then commits.
  // When nothing else the data refer to was changed, the rename of that one
  // file is the commit and no record is needed.
  FileResult commit_with(const QString& path, const QByteArray& bytes);
  // Ends the save: every change is on disk and stays.
  FileResult commit();
  // True when no file has been changed since the last rollback or commit.
  bool empty() const { return changed_.empty() && created_.isEmpty(); }
  // Before commit: puts every changed file back as it was, newest change
  // first. Returns a message for each file that could not be restored.
  QStringList rollback();

 private:
  struct Change {
    QString path;
    bool existed = false;
  };
  int log_changes(const std::vector<Change>& changes);
  bool knows(const QString& path) const;
  int append_record(const QByteArray& line);
  void forget();

  QString data_dir_;
  QString record_path_;
  Fd record_;
  std::vector<Change> changed_;
  QStringList created_;
  QSet<QString> folders_;  // folders whose names changed since their last sync
};

// Finishes what an interrupted save left in the data folder: the files of
// a save that did not commit are put back, the second names of a committed
// one are removed. Records written on another machine (a sync tool may
// bring one) are left alone. Returns a message for each file that could not
// be put back.
QStringList recover_unfinished_saves(const QString& data_dir);

}  // namespace store
