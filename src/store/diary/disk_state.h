#pragma once
// What Verdalis last read from or wrote to each index file. A sync tool may
// replace any of them while the program runs; comparing the file on disk
// with what is remembered here tells such a change apart from our own, and
// the remembered content is the common ancestor a merge starts from.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "store/diary/memo_table.h"

namespace store {

// What stat tells of a file: enough to see that it was replaced or changed.
struct FileStamp {
  bool exists = false;
  qint64 size = -1;
  qint64 mtime_ns = 0;
  quint64 inode = 0;
  friend bool operator==(const FileStamp&, const FileStamp&) = default;
};
FileStamp stamp_of(const QString& path);

// One index file as last read or written.
struct KnownFile {
  FileStamp stamp;
  // The bytes, to tell a rewrite with the same content (or a touch) from a
  // real change. Shared with the table read from them, so keeping them
  // costs no memory for flower.dat as loaded.
  QByteArray bytes;
};

struct DiskBase {
  KnownFile flower_dat;
  KnownFile basyo_dat;
  KnownFile hinsyu_dat;
  KnownFile flower_ini;
  // The content as last read or written.
  MemoTable memos;
  QStringList locations;
  QStringList varieties;
  qint64 ini_highest_memo_no = 0;  // flower.ini's first line
  // The memo folder's stamp when its highest file number was counted.
  FileStamp memo_dir;
  qint64 memo_dir_highest = 0;
  // The two folders' stamps when they were last looked through for a sync
  // tool's conflict copies (a folder that did not change holds no new one).
  FileStamp data_dir_scanned;
  FileStamp memo_dir_scanned;
};

}  // namespace store
