#pragma once
// Which body and picture list file belongs to which version of a memo when
// a sync tool kept one version under the file's name and renamed the other.
// The files carry no memo identity, but a sync tool keeps each file's
// modification time, and a memo's files are written the moment its
// correction stamp is taken: the file written closest after the stamp is
// that version's.

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

class MemoCandidates {
 public:
  void add_copy(bool body, qint64 no, const QString& path);

  // The files of the version of memo `no` corrected at `corrected`
  // ("yyyy/mm/dd hh:nn:ss", local time): among the file under the memo's
  // name and its copies, the one modified from 2 s before to 2 min after
  // the stamp, closest to it. Without such a file: a copy not yet claimed
  // for the copy's version, the file under the memo's name for the
  // diary's. A copy given out is claimed.
  MemoVersionFiles files_of(const QString& data_dir, qint64 no, const QString& corrected, bool copy_version);

  // The copies no version claimed.
  std::vector<OrphanCopy> unclaimed() const;

 private:
  struct Copy {
    QString path;
    qint64 mtime = 0;
    bool claimed = false;
  };
  QString choose(std::vector<Copy>* copies, const QString& current, qint64 stamp, bool copy_version);
  std::map<qint64, std::vector<Copy>> body_;
  std::map<qint64, std::vector<Copy>> pictures_;
};

// True when both files hold the same bytes; a missing file (or "") counts
// as empty.
bool same_content(const QString& a, const QString& b);

}  // namespace store
