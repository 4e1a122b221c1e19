#include "store/diary/outside_changes.h"

#include <QFile>
#include <QFileInfo>
#include <dirent.h>

#include "store/diary/category_list.h"
#include "store/diary/field_formats.h"
#include "store/diary/index_merge.h"
#include "store/diary/memo_files.h"
#include "store/diary/memo_index.h"
#include "store/files/codec.h"
#include "store/files/file_journal.h"

namespace store {

namespace {

template <class State>
auto& known_file(State& state, const QString& path) {
  if (path == state.flower_dat_path()) return state.disk.flower_dat;
  if (path == state.basyo_dat_path()) return state.disk.basyo_dat;
  if (path == state.hinsyu_dat_path()) return state.disk.hinsyu_dat;
  return state.disk.flower_ini;
}

void remember(KnownFile& known, const QString& path, const QByteArray& bytes) {
  known.stamp = stamp_of(path);
  known.bytes = known.stamp.exists ? bytes : QByteArray();
}

// The file's bytes when they differ from what was last read or written;
// nullopt-like: `changed` false when nothing new is on disk.
struct Fresh {
  bool changed = false;
  bool failed = false;
  QString message;
  QByteArray bytes;
};

Fresh fresh_content(KnownFile& known, const QString& path) {
  Fresh fresh;
  const FileStamp now = stamp_of(path);
  if (now == known.stamp) return fresh;
  // A file gone from disk is not taken as an empty diary: the next write
  // puts it back from memory.
  if (!now.exists) return fresh;
  ReadResult read = read_file_bytes(path);
  if (read.status == ReadStatus::Failed) {
    fresh.failed = true;
    fresh.message = read.message;
    return fresh;
  }
  if (read.status == ReadStatus::Missing) return fresh;
  // The stamp read before the bytes: a change after the read is seen next time.
  known.stamp = now;
  if (read.bytes == known.bytes) return fresh;
  known.bytes = read.bytes;
  fresh.changed = true;
  fresh.bytes = std::move(read.bytes);
  return fresh;
}

void fail(OutsideChange& out, const QString& path, const QString& message) {
  out.ok = false;
  out.message += (out.message.isEmpty() ? QString() : QStringLiteral("\n\n")) + message;
  out.failed_paths << path;
}

bool take_memos(AppState& state, OutsideChange& out) {
  Fresh fresh = fresh_content(state.disk.flower_dat, state.flower_dat_path());
  if (fresh.failed) {
    fail(out, state.flower_dat_path(), fresh.message);
    return false;
  }
  if (!fresh.changed) return true;
  MemoTable theirs;
  theirs.reserve(kMemoCapacity);
  const MemoTable::Adopted adopted = theirs.adopt_file_bytes(std::move(fresh.bytes));
  if (adopted.highest_memo_no > state.settings.highest_memo_no) state.settings.highest_memo_no = adopted.highest_memo_no;
  out.memos = true;
  if (state.memo_table.shares_storage_with(state.disk.memos) || state.memo_table == state.disk.memos) {
    // Nothing changed here since: the disk's version is the diary. The
    // remembered copy keeps its room, so no memory is touched afresh.
    state.disk.memos = theirs;
    state.memo_table = std::move(theirs);
    return true;
  }
  std::vector<MemoRecord> others;
  MemoTable merged = merge_memo_tables(state.disk.memos, state.memo_table, theirs, &others);
  state.disk.memos = theirs;
  if (others.empty()) {
    state.memo_table = std::move(merged);
    return true;
  }
  // Changed on both sides: the other version becomes a memo of its own,
  // with copies of the files its number names now.
  FileJournal journal(state.data_dir);
  for (const MemoRecord& other : others) {
    MemoRecord record = other;
    record.title = other_version_title(record.title);
    const CopiedMemo copy = add_memo_copy(state, merged, record, memo_body_path(state.data_dir, other.memo_no),
                                          memo_images_path(state.data_dir, other.memo_no), journal);
    if (!copy.result) {
      journal.rollback();
      fail(out, state.flower_dat_path(), copy.result.message);
      return false;
    }
  }
  merged.sort_display_order();
  if (FileResult written = write_memo_index(state, merged, &journal); !written) {
    journal.rollback();
    fail(out, state.flower_dat_path(), written.message);
    return false;
  }
  state.memo_table = std::move(merged);
  return true;
}

bool take_names(AppState& state, const QString& path, QStringList& base, CategoryList& list, bool& changed,
                OutsideChange& out) {
  Fresh fresh = fresh_content(known_file(state, path), path);
  if (fresh.failed) {
    fail(out, path, fresh.message);
    return false;
  }
  if (!fresh.changed) return true;
  const QStringList theirs = split_lines(decode_cp932(fresh.bytes));
  const QStringList merged = merge_category_names(base, list.names, theirs);
  changed = merged != list.names;
  list.names = merged;
  base = theirs;
  return true;
}

bool take_settings(AppState& state, OutsideChange& out) {
  Fresh fresh = fresh_content(state.disk.flower_ini, state.flower_ini_path());
  if (fresh.failed) {
    fail(out, state.flower_ini_path(), fresh.message);
    return false;
  }
  if (!fresh.changed) return true;
  const QStringList lines = split_lines(decode_cp932(fresh.bytes));
  const qint64 theirs = lines.isEmpty() ? 0 : numeric_value(lines.first());
  state.disk.ini_highest_memo_no = theirs;
  if (theirs > state.settings.highest_memo_no) state.settings.highest_memo_no = theirs;
  return true;
}

// The largest number among the memo folder's file names ("m0000012.txt",
// "g0000012.txt", and the copies a sync tool made of them).
qint64 highest_file_number(const QString& memo_dir) {
  qint64 highest = 0;
  DIR* dir = ::opendir(QFile::encodeName(memo_dir).constData());
  if (!dir) return 0;
  while (const dirent* entry = ::readdir(dir)) {
    const char* name = entry->d_name;
    if (name[0] != 'm' && name[0] != 'g') continue;
    qint64 no = 0;
    int digits = 0;
    for (const char* p = name + 1; *p >= '0' && *p <= '9' && digits < 18; ++p, ++digits) no = no * 10 + (*p - '0');
    if (digits >= 7 && no > highest) highest = no;
  }
  ::closedir(dir);
  return highest;
}

}  // namespace

void remember_index_files(AppState& state) {
  DiskBase& disk = state.disk;
  for (const QString& path :
       {state.flower_dat_path(), state.basyo_dat_path(), state.hinsyu_dat_path(), state.flower_ini_path()}) {
    const ReadResult read = read_file_bytes(path);
    remember(known_file(state, path), path, read.bytes);
  }
  disk.memos.reserve(kMemoCapacity);
  disk.memos = state.memo_table;
  disk.locations = state.location_list.names;
  disk.varieties = state.variety_list.names;
  const QStringList ini = split_lines(decode_cp932(read_file_bytes(state.flower_ini_path()).bytes));
  disk.ini_highest_memo_no = ini.isEmpty() ? 0 : numeric_value(ini.first());
}

OutsideChange take_outside_changes(AppState& state) {
  // Each file on its own: one that cannot be read does not keep the
  // others' changes out.
  OutsideChange out;
  take_memos(state, out);
  take_names(state, state.basyo_dat_path(), state.disk.locations, state.location_list, out.locations, out);
  take_names(state, state.hinsyu_dat_path(), state.disk.varieties, state.variety_list, out.varieties, out);
  take_settings(state, out);
  return out;
}

FileResult write_memo_index(AppState& state, const MemoTable& table, FileJournal* journal) {
  const QString path = state.flower_dat_path();
  const QByteArray bytes = table.file_bytes();
  // With a journal, the index is the file that ends its save.
  const FileResult written = journal ? journal->commit_with(path, bytes) : write_file_bytes(path, bytes);
  if (!written) return written;
  remember(state.disk.flower_dat, path, bytes);
  state.disk.memos = table;
  return written;
}

namespace {

FileResult write_names(AppState& state, const QString& path, QStringList& base, const QStringList& names,
                       FileJournal* journal) {
  bool ok = false;
  const QByteArray bytes = join_lines_cp932(names, &ok);
  if (!ok) return FileResult::failure(unencodable_message(path));
  const FileResult written = journal ? journal->write_bytes(path, bytes) : write_file_bytes(path, bytes);
  if (!written) return written;
  remember(known_file(state, path), path, bytes);
  base = names;
  return written;
}

}  // namespace

FileResult write_location_file(AppState& state, const QStringList& names, FileJournal* journal) {
  return write_names(state, state.basyo_dat_path(), state.disk.locations, names, journal);
}

FileResult write_variety_file(AppState& state, const QStringList& names, FileJournal* journal) {
  return write_names(state, state.hinsyu_dat_path(), state.disk.varieties, names, journal);
}

FileResult write_settings_file(AppState& state, const Settings& settings) {
  const QString path = state.flower_ini_path();
  const FileResult written = save_settings(path, settings);
  if (!written) return written;
  remember(state.disk.flower_ini, path, read_file_bytes(path).bytes);
  state.disk.ini_highest_memo_no = settings.highest_memo_no;
  return written;
}

bool index_file_differs(const AppState& state, const QString& path, const QByteArray& bytes) {
  const KnownFile& known = known_file(state, path);
  if (stamp_of(path) != known.stamp || !known.stamp.exists) return true;
  return bytes != known.bytes;
}

qint64 next_memo_number(AppState& state) {
  qint64 highest = std::max(state.settings.highest_memo_no, state.disk.ini_highest_memo_no);
  // The folder's names are counted once a run (tens of thousands of them);
  // after that, a number whose body or picture list file has arrived since
  // (before its index line) is stepped over.
  if (!state.disk.memo_dir.exists) {
    state.disk.memo_dir_highest = highest_file_number(state.memo_dir_path());
    state.disk.memo_dir = stamp_of(state.memo_dir_path());
  }
  qint64 no = std::max(highest, state.disk.memo_dir_highest) + 1;
  while (QFileInfo::exists(memo_body_path(state.data_dir, format_number_field(no))) ||
         QFileInfo::exists(memo_images_path(state.data_dir, format_number_field(no)))) {
    ++no;
  }
  return no;
}

void note_own_memo_files(AppState& state, qint64 highest) {
  if (!state.disk.memo_dir.exists) return;  // never counted yet: the count reads the folder
  state.disk.memo_dir_highest = std::max(state.disk.memo_dir_highest, highest);
}

QString other_version_title(const QString& title) {
  return title.endsWith(kOtherMachineSuffix) ? title : title + kOtherMachineSuffix;
}

CopiedMemo add_memo_copy(AppState& state, MemoTable& table, MemoRecord record, const QString& body,
                         const QString& pictures, FileJournal& journal) {
  CopiedMemo copy;
  const qint64 no = next_memo_number(state);
  state.settings.highest_memo_no = no;
  record.memo_no = format_number_field(no);
  const QString sources[2] = {body, pictures};
  const QString targets[2] = {memo_body_path(state.data_dir, record.memo_no),
                              memo_images_path(state.data_dir, record.memo_no)};
  for (int k = 0; k < 2; ++k) {
    if (sources[k].isEmpty() || !QFileInfo::exists(sources[k])) continue;
    copy.result = journal.copy_file(sources[k], targets[k]);
    if (!copy.result) return copy;
  }
  note_own_memo_files(state, no);
  table.push_back(record);
  copy.memo_no = record.memo_no;
  return copy;
}

}  // namespace store
