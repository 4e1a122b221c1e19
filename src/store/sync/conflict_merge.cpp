#include "store/sync/conflict_merge.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <map>
#include <set>
#include <unordered_map>

#include "store/diary/deleted_memos.h"
#include "store/diary/field_formats.h"
#include "store/diary/index_merge.h"
#include "store/diary/memo_files.h"
#include "store/diary/memo_index.h"
#include "store/diary/outside_changes.h"
#include "store/files/codec.h"
#include "store/files/durable_file.h"
#include "store/files/file_journal.h"
#include "store/sync/memo_versions.h"

namespace store {

namespace {

class Merge {
 public:
  Merge(AppState& state, const QDateTime& now) : state_(state), now_(now), table_(state.memo_table), journal_(state.data_dir) {
    locations_ = state.location_list;
    varieties_ = state.variety_list;
  }

  DiskSync run(const std::vector<ConflictCopy>& copies);

 private:
  bool read_copies(const std::vector<ConflictCopy>& copies);
  void add_names(CategoryList& list, const QByteArray& bytes, bool& changed);
  void drop_deleted();
  void plan_versions();
  MemoVersion version_of(const MemoTable& table, size_t i, bool in_copy) const;
  bool merge_index(const MemoTable& theirs);
  bool merge_memo(const MemoTable& theirs, size_t t);
  bool keep_orphan_copies();
  bool settle_diary_files();
  bool add_copy_of(MemoRecord record, const MemoVersionFiles& files, MergedMemo::Kind kind, const QString& old_no);
  bool write_files(const MemoRecord& record, const MemoVersionFiles& files);
  bool held_already(const MemoRecord& record, const MemoVersionFiles& files) const;
  int slot_of_identity(qint64 no, QByteArrayView created) const;
  bool number_taken(qint64 no) const { return numbers_.contains(no); }
  // Keeps the look-ups below in step with the table.
  void index_all();
  void index_last();
  bool fail(const QString& message);
  bool write_all();
  void move_copies(const std::vector<ConflictCopy>& copies);

  AppState& state_;
  const QDateTime now_;
  MemoTable table_;
  CategoryList locations_;
  CategoryList varieties_;
  bool locations_changed_ = false;
  bool varieties_changed_ = false;
  bool memos_changed_ = false;
  // The records of deleted and corrected memos: the file as it will be
  // written, its lines, and whether a copy added any.
  struct RecordFile {
    QString name;
    QByteArray bytes;
    QSet<QByteArray> lines;
    bool grew = false;
  };
  RecordFile records_[2] = {{kDeletedMemosName, {}, {}, false}, {kVersionsName, {}, {}, false}};
  bool read_record(RecordFile& record);
  void join_record(RecordFile& record, const QByteArray& copy);
  MemoHistory history_;
  std::vector<MemoTable> indexes_;
  MemoCandidates candidates_;
  FileJournal journal_;
  DiskSync out_;
  // The diary's memos by creation stamp (their 0-based positions), and the
  // numbers in use.
  std::unordered_map<size_t, std::vector<size_t>> by_created_;  // by a hash of the stamp's bytes
  QSet<qint64> numbers_;
  const std::vector<size_t>* with_created(QByteArrayView created) const;
};

const std::vector<size_t>* Merge::with_created(QByteArrayView created) const {
  const auto it = by_created_.find(qHash(created));
  return it == by_created_.end() ? nullptr : &it->second;
}

void Merge::index_all() {
  by_created_.clear();
  numbers_.clear();
  by_created_.reserve(table_.size() * 2);
  numbers_.reserve(static_cast<qsizetype>(table_.size()));
  for (size_t i = 0; i < table_.size(); ++i) {
    by_created_[qHash(table_.bytes(i, MemoField::Created))].push_back(i);
    numbers_.insert(numeric_value(table_.bytes(i, MemoField::MemoNo)));
  }
}

void Merge::index_last() {
  const size_t i = table_.size() - 1;
  by_created_[qHash(table_.bytes(i, MemoField::Created))].push_back(i);
  numbers_.insert(numeric_value(table_.bytes(i, MemoField::MemoNo)));
}

bool Merge::fail(const QString& message) {
  out_.ok = false;
  out_.message = message;
  return false;
}

void Merge::add_names(CategoryList& list, const QByteArray& bytes, bool& changed) {
  for (const QString& name : split_lines(decode_cp932(bytes))) {
    if (list.names.contains(name) || list.count() >= kCategoryCapacity - 1) continue;
    list.names << name;
    changed = true;
  }
}

bool Merge::read_record(RecordFile& record) {
  const ReadResult read = read_file_bytes(state_.data_dir + record.name);
  if (read.status == ReadStatus::Failed) return fail(read.message);
  record.bytes = read.bytes;
  for (const QByteArray& line : split_raw_lines(read.bytes)) record.lines.insert(line);
  return true;
}

void Merge::join_record(RecordFile& record, const QByteArray& copy) {
  for (const QByteArray& line : split_raw_lines(copy)) {
    if (line.isEmpty() || record.lines.contains(line)) continue;
    record.lines.insert(line);
    if (!record.bytes.isEmpty() && !record.bytes.endsWith('\n')) record.bytes += "\r\n";
    record.bytes += line + "\r\n";
    record.grew = true;
  }
}

bool Merge::read_copies(const std::vector<ConflictCopy>& copies) {
  if (!read_record(records_[0]) || !read_record(records_[1])) return false;
  for (const ConflictCopy& copy : copies) {
    const QString path = state_.data_dir + copy.path;
    if (copy.kind == DataFileKind::Body || copy.kind == DataFileKind::Pictures) {
      candidates_.add_copy(copy.kind == DataFileKind::Body, numeric_value(copy.original.mid(6, 7)), path);
      continue;
    }
    const ReadResult read = read_file_bytes(path);
    if (read.status == ReadStatus::Failed) return fail(read.message);
    switch (copy.kind) {
      case DataFileKind::Locations: add_names(locations_, read.bytes, locations_changed_); break;
      case DataFileKind::Varieties: add_names(varieties_, read.bytes, varieties_changed_); break;
      case DataFileKind::Settings: {
        const QStringList lines = split_lines(decode_cp932(read.bytes));
        const qint64 theirs = lines.isEmpty() ? 0 : numeric_value(lines.first());
        if (theirs > state_.settings.highest_memo_no) state_.settings.highest_memo_no = theirs;
        break;
      }
      case DataFileKind::DeletedMemos: join_record(records_[0], read.bytes); break;
      case DataFileKind::Versions: join_record(records_[1], read.bytes); break;
      case DataFileKind::MemoIndex: {
        MemoTable theirs;
        theirs.adopt_file_bytes(read.bytes);
        indexes_.push_back(std::move(theirs));
        break;
      }
      default: break;
    }
  }
  history_.add_deleted(records_[0].bytes);
  history_.add_versions(records_[1].bytes);
  return true;
}

// Memos deleted on one machine and left untouched on the other stay deleted.
// Their files are left where they are: a merge deletes nothing.
void Merge::drop_deleted() {
  const size_t before = table_.size();
  table_.keep_only([&](size_t i) {
    return !history_.deleted(numeric_value(table_.bytes(i, MemoField::MemoNo)), table_.bytes(i, MemoField::Created),
                             table_.bytes(i, MemoField::Corrected));
  });
  if (table_.size() != before) memos_changed_ = true;
}

MemoVersion Merge::version_of(const MemoTable& table, size_t i, bool in_copy) const {
  MemoVersion version{table.text(i, MemoField::Corrected), in_copy, {}, {}};
  for (const MemoVersionRecord* saved : history_.version(numeric_value(table.bytes(i, MemoField::MemoNo)),
                                                         table.bytes(i, MemoField::Created),
                                                         table.bytes(i, MemoField::Corrected))) {
    version.body_tags << saved->body_tag;
    version.pictures_tags << saved->pictures_tag;
  }
  return version;
}

// Decides, for each memo number whose files have conflict copies, which file
// goes with which version of the memos carrying that number.
void Merge::plan_versions() {
  // The numbers to decide: those with copies of their files, and those the
  // copies hold in a version the diary does not.
  std::set<std::pair<qint64, QByteArray>> in_diary;  // (number, correction stamp) of the diary's versions
  for (size_t i = 0; i < table_.size(); ++i) {
    in_diary.insert({numeric_value(table_.bytes(i, MemoField::MemoNo)), table_.bytes(i, MemoField::Corrected).toByteArray()});
  }
  std::map<qint64, std::vector<MemoVersion>> versions;
  for (const qint64 no : candidates_.numbers()) versions[no];
  for (const MemoTable& theirs : indexes_) {
    for (size_t i = 0; i < theirs.size(); ++i) {
      const qint64 no = numeric_value(theirs.bytes(i, MemoField::MemoNo));
      // A version the diary holds as it is needs no file of its own.
      if (in_diary.count({no, theirs.bytes(i, MemoField::Corrected).toByteArray()})) continue;
      versions[no].push_back(version_of(theirs, i, true));
    }
  }
  if (versions.empty()) return;
  for (size_t i = 0; i < table_.size(); ++i) {
    const auto it = versions.find(numeric_value(table_.bytes(i, MemoField::MemoNo)));
    if (it != versions.end()) it->second.push_back(version_of(table_, i, false));
  }
  for (const auto& [no, list] : versions) candidates_.plan(state_.data_dir, no, list);
}

int Merge::slot_of_identity(qint64 no, QByteArrayView created) const {
  const std::vector<size_t>* slots = with_created(created);
  if (!slots) return 0;
  for (const size_t i : *slots) {
    if (table_.bytes(i, MemoField::Created) == created && numeric_value(table_.bytes(i, MemoField::MemoNo)) == no) {
      return static_cast<int>(i) + 1;
    }
  }
  return 0;
}

// The same memo, already in the diary under this or another number: the
// same creation stamp and date, the title (perhaps marked as the other
// machine's version) and the same body and pictures.
bool Merge::held_already(const MemoRecord& record, const MemoVersionFiles& files) const {
  const QString marked = other_version_title(record.title);
  const QByteArray created = encode_cp932(record.created);
  const std::vector<size_t>* slots = with_created(created);
  if (!slots) return false;
  for (const size_t i : *slots) {
    if (table_.bytes(i, MemoField::Created) != QByteArrayView(created)) continue;
    const QString title = table_.text(i, MemoField::Title);
    if (table_.text(i, MemoField::Date) != record.date || (title != record.title && title != marked)) continue;
    const QString no = table_.text(i, MemoField::MemoNo);
    if (same_content(files.body, memo_body_path(state_.data_dir, no)) &&
        same_content(files.pictures, memo_images_path(state_.data_dir, no))) {
      return true;
    }
  }
  return false;
}

bool Merge::add_copy_of(MemoRecord record, const MemoVersionFiles& files, MergedMemo::Kind kind,
                        const QString& old_no) {
  if (kind == MergedMemo::Kind::KeptTwice) record.title = other_version_title(record.title);
  if (held_already(record, files)) return true;
  const CopiedMemo copy = add_memo_copy(state_, table_, record, files.body, files.pictures, journal_);
  if (!copy.result) return fail(copy.result.message);
  index_last();
  memos_changed_ = true;
  out_.merged.push_back({kind, copy.memo_no, old_no, record.date, record.title});
  return true;
}

// Puts the version's files under its own number.
bool Merge::write_files(const MemoRecord& record, const MemoVersionFiles& files) {
  const QString sources[2] = {files.body, files.pictures};
  const QString targets[2] = {memo_body_path(state_.data_dir, record.memo_no),
                              memo_images_path(state_.data_dir, record.memo_no)};
  for (int k = 0; k < 2; ++k) {
    if (sources[k] == targets[k]) continue;
    if (sources[k].isEmpty()) {
      if (const FileResult removed = journal_.remove(targets[k]); !removed) return fail(removed.message);
      continue;
    }
    if (const FileResult copied = journal_.copy_file(sources[k], targets[k]); !copied) return fail(copied.message);
  }
  return true;
}

bool Merge::merge_memo(const MemoTable& theirs, size_t t) {
  const qint64 no = numeric_value(theirs.bytes(t, MemoField::MemoNo));
  const QByteArrayView created = theirs.bytes(t, MemoField::Created);
  const QByteArrayView corrected = theirs.bytes(t, MemoField::Corrected);
  const int slot = slot_of_identity(no, created);
  if (slot > 0 && same_record(table_, static_cast<size_t>(slot - 1), theirs, t)) return true;
  const MemoRecord copy_version = theirs[t];
  const MemoVersionFiles copy_files = candidates_.files_of(state_.data_dir, no, copy_version.corrected, true);
  if (slot == 0) {
    if (history_.deleted(no, created, corrected)) return true;
    if (held_already(copy_version, copy_files)) return true;
    if (number_taken(no) || no <= 0) {
      return add_copy_of(copy_version, copy_files, MergedMemo::Kind::Renumbered, copy_version.memo_no);
    }
    if (!write_files(copy_version, copy_files)) return false;
    table_.push_back(copy_version);
    index_last();
    memos_changed_ = true;
    out_.merged.push_back({MergedMemo::Kind::AddedBack, copy_version.memo_no, QString(), copy_version.date,
                           copy_version.title});
    return true;
  }
  const size_t mine = static_cast<size_t>(slot - 1);
  const MemoRecord diary_version = table_[mine];
  const MemoVersionFiles diary_files = candidates_.files_of(state_.data_dir, no, diary_version.corrected, false);
  const QByteArrayView diary_corrected = table_.bytes(mine, MemoField::Corrected);
  // Corrected on one machine only: the later version follows the other.
  if (history_.follows(no, created, corrected, diary_corrected)) return true;
  const bool copy_follows = history_.follows(no, created, diary_corrected, corrected);
  // Changed on both machines: the later correction stays the memo.
  if (!copy_follows && corrected <= diary_corrected) {
    return add_copy_of(copy_version, copy_files, MergedMemo::Kind::KeptTwice, copy_version.memo_no);
  }
  // The copy's version is newer: the diary's goes to a memo of its own
  // first (its files are read before they are replaced), then the copy's
  // takes the memo's place.
  if (!copy_follows &&
      !add_copy_of(diary_version, diary_files, MergedMemo::Kind::KeptTwice, diary_version.memo_no)) {
    return false;
  }
  MemoRecord newer = copy_version;
  newer.memo_no = diary_version.memo_no;
  if (!write_files(newer, copy_files)) return false;
  table_.replace(mine, newer);
  memos_changed_ = true;
  return true;
}

bool Merge::merge_index(const MemoTable& theirs) {
  for (size_t t = 0; t < theirs.size(); ++t) {
    if (!merge_memo(theirs, t)) return false;
  }
  return true;
}

// The diary's own versions keep the files decided for them: a file under
// their number that went with another version (now a memo of its own) is
// replaced by theirs, or removed when they had none.
bool Merge::settle_diary_files() {
  for (size_t i = 0; i < table_.size(); ++i) {
    const qint64 no = numeric_value(table_.bytes(i, MemoField::MemoNo));
    const QString corrected = table_.text(i, MemoField::Corrected);
    if (!candidates_.planned(no, corrected, false)) continue;
    if (!write_files(table_[i], candidates_.files_of(state_.data_dir, no, corrected, false))) return false;
  }
  return true;
}

// Copies of body or picture files that no version of a memo claimed (the
// index did not conflict): when they hold something the memo does not,
// they are kept as the other machine's version of that memo.
bool Merge::keep_orphan_copies() {
  for (const OrphanCopy& orphan : candidates_.unclaimed()) {
    const QString memo_no = format_number_field(orphan.no);
    if (!number_taken(orphan.no)) continue;  // no memo to go with: the copy is only moved aside
    int slot = 0;
    for (size_t i = 0; i < table_.size() && slot == 0; ++i) {
      if (numeric_value(table_.bytes(i, MemoField::MemoNo)) == orphan.no) slot = static_cast<int>(i) + 1;
    }  // no memo to go with: the copy is only moved aside
    const MemoRecord record = table_[static_cast<size_t>(slot - 1)];
    MemoVersionFiles files{memo_body_path(state_.data_dir, record.memo_no), memo_images_path(state_.data_dir, record.memo_no)};
    const QString& current = orphan.body ? files.body : files.pictures;
    if (same_content(orphan.path, current)) continue;
    (orphan.body ? files.body : files.pictures) = orphan.path;
    if (!QFileInfo::exists(files.body)) files.body.clear();
    if (!QFileInfo::exists(files.pictures)) files.pictures.clear();
    if (!add_copy_of(record, files, MergedMemo::Kind::KeptTwice, record.memo_no)) return false;
  }
  return true;
}

bool Merge::write_all() {
  if (locations_changed_) {
    if (const FileResult w = write_location_file(state_, locations_.names, &journal_); !w) return fail(w.message);
  }
  if (varieties_changed_) {
    if (const FileResult w = write_variety_file(state_, varieties_.names, &journal_); !w) return fail(w.message);
  }
  for (const RecordFile& record : records_) {
    if (!record.grew) continue;
    if (const FileResult w = journal_.write_bytes(state_.data_dir + record.name, record.bytes); !w) return fail(w.message);
  }
  if (memos_changed_) {
    table_.sort_display_order();
    if (const FileResult w = write_memo_index(state_, table_, &journal_); !w) return fail(w.message);
  }
  return true;
}

void Merge::move_copies(const std::vector<ConflictCopy>& copies) {
  const QString base = state_.data_dir + kConflictFolderName + QLatin1Char('/') + now_.toString(QStringLiteral("yyyyMMdd-HHmmss"));
  QString folder = base;
  for (int n = 2; QFileInfo::exists(folder); ++n) folder = base + QLatin1Char('-') + QString::number(n);
  QSet<QString> changed_folders;
  for (const ConflictCopy& copy : copies) {
    const QString target = folder + QLatin1Char('/') + copy.path;
    const QString from = state_.data_dir + copy.path;
    changed_folders << folder_of(from) << folder_of(target) << folder_of(folder_of(target)) << folder_of(folder);
    if (!QDir().mkpath(QFileInfo(target).absolutePath()) || !QFile::rename(from, target)) {
      out_.warnings << QStringLiteral("同期の競合で生まれたファイル「%1」を「%2」へ移せませんでした。")
                           .arg(QDir::toNativeSeparators(from), QDir::toNativeSeparators(target));
      continue;
    }
    out_.merged_copies << copy.path;
  }
  // The copies stay moved after a power cut: the merge is not made twice.
  for (const QString& changed : std::as_const(changed_folders)) sync_directory(changed);
  if (!out_.merged_copies.isEmpty()) out_.moved_to = folder.mid(state_.data_dir.size());
}

DiskSync Merge::run(const std::vector<ConflictCopy>& copies) {
  const Settings settings_before = state_.settings;
  if (!read_copies(copies)) return out_;
  drop_deleted();
  index_all();
  plan_versions();
  bool ok = true;
  for (const MemoTable& theirs : indexes_) {
    if (!(ok = merge_index(theirs))) break;
  }
  if (ok) ok = settle_diary_files();
  if (ok) ok = keep_orphan_copies();
  if (ok) ok = write_all();
  if (ok) {
    if (const FileResult committed = journal_.commit(); !committed) ok = fail(committed.message);
  }
  if (!ok) {
    const QStringList not_restored = journal_.rollback();
    if (!not_restored.isEmpty()) {
      out_.message += QStringLiteral("\n\n元に戻せなかったファイルがあります：\n") + not_restored.join(QLatin1Char('\n'));
    }
    out_.message += QStringLiteral("\n\n同期の競合で生まれたファイルは取り込まずにそのまま残してあります。");
    out_.merged.clear();
    state_.settings = settings_before;
    return out_;
  }
  state_.memo_table = std::move(table_);
  out_.memos_changed = memos_changed_;
  if (locations_changed_) state_.location_list = std::move(locations_);
  if (varieties_changed_) state_.variety_list = std::move(varieties_);
  out_.locations_changed = locations_changed_;
  out_.varieties_changed = varieties_changed_;
  move_copies(copies);
  return out_;
}

}  // namespace

DiskSync merge_conflict_copies(AppState& state, const std::vector<ConflictCopy>& copies, const QDateTime& now) {
  if (copies.empty()) return {};
  Merge merge(state, now);
  return merge.run(copies);
}

}  // namespace store
