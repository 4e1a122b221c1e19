#pragma once
// Which body and picture list file belongs to which version of a memo when
// a sync tool kept one version under the file's name and renamed the other.
// The files carry no memo identity, but a sync tool keeps each file's
// modification time, and a memo's files are written the moment its
// correction stamp is taken. Where the save was recorded (with tags of its
// files' bytes) the tags tell; otherwise a file goes with the version whose
// stamp it follows most closely. Where that cannot tell them apart (both saved in
// the same second), the file under the memo's name goes with the diary's
// version and a copy with the copy's, as the sync tool kept them.

#include <QByteArrayList>
#include <QString>
#include <map>
#include <vector>

namespace store {

// Absolute paths; "" when the version has no such file.
struct MemoVersionFiles {
  QString body;
  QString pictures;
};

// A copy of a body (or picture list) file that no version claimed.
struct OrphanCopy {
  qint64 no = 0;
  bool body = true;
  QString path;
};

// One version of a memo: its correction stamp ("yyyy/mm/dd hh:nn:ss", local
// time) and whether it comes from a conflict copy of flower.dat.
struct MemoVersion {
  QString corrected;
  bool in_copy = false;
  // Tags of the bytes its saves gave its files, when they were recorded
  // ("-": no such file), latest first; empty when not known.
  QByteArrayList body_tags;
  QByteArrayList pictures_tags;
};

class MemoCandidates {
 public:
  void add_copy(bool body, qint64 no, const QString& path);
  // The numbers that have copies of their files.
  std::vector<qint64> numbers() const;

  // Decides which file of memo `no` goes with which of its versions.
  void plan(const QString& data_dir, qint64 no, const std::vector<MemoVersion>& versions);

  // The files of one version: as planned, or (for a number without copies)
  // the files under the memo's name.
  MemoVersionFiles files_of(const QString& data_dir, qint64 no, const QString& corrected, bool copy_version) const;

  // True when the files of that version were decided by plan().
  bool planned(qint64 no, const QString& corrected, bool copy_version) const {
    return planned_.count({no, corrected, copy_version}) != 0;
  }

  // The copies no version was given.
  std::vector<OrphanCopy> unclaimed() const;

 private:
  struct Copy {
    QString path;
    bool claimed = false;
  };
  void plan_kind(std::vector<Copy>* copies, const QString& current, const std::vector<MemoVersion>& versions,
                 bool body, std::vector<QString>& out);
  std::map<qint64, std::vector<Copy>> body_;
  std::map<qint64, std::vector<Copy>> pictures_;
  // (number, stamp, from a copy) -> files
  std::map<std::tuple<qint64, QString, bool>, MemoVersionFiles> planned_;
};

// True when both files hold the same bytes; a missing file (or "") counts
// as empty.
bool same_content(const QString& a, const QString& b);

}  // namespace store
