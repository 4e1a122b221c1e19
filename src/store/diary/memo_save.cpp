#include "store/diary/memo_save.h"

#include "store/diary/field_formats.h"
#include "store/diary/memo_files.h"
#include "store/diary/memo_index.h"
#include "store/diary/deleted_memos.h"
#include "store/diary/outside_changes.h"
#include "store/files/codec.h"
#include "store/files/durable_file.h"
#include "store/files/file_journal.h"

#include <optional>
#include <utility>

namespace store {

namespace {

MemoChange refusal(const QString& text, const QString& title) { return {false, text, title, false, false, {}, false}; }

bool known_name(const CategoryList& list, const QString& name) { return list.names.contains(name); }

// Every text of the input that is written to a file.
QStringList texts_of(const MemoInput& in) {
  QStringList texts{in.date, in.location, in.variety, in.title, in.body};
  for (const ImageEntry& e : in.images) texts << e.path << e.title;
  return texts;
}

// Calls f(code point text) for each character of `text` that windows-31j
// cannot hold.
template <typename F>
void for_each_unencodable(const QString& text, F f) {
  if (representable_in_cp932(text)) return;
  for (qsizetype i = 0; i < text.size();) {
    const qsizetype len = (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) ? 2 : 1;
    const QString ch = text.mid(i, len);
    if (!representable_in_cp932(ch)) f(i, len, ch);
    i += len;
  }
}

QString replaced(QString text) {
  QList<std::pair<qsizetype, qsizetype>> spans;
  for_each_unencodable(text, [&](qsizetype at, qsizetype len, const QString&) { spans.append({at, len}); });
  for (auto it = spans.crbegin(); it != spans.crend(); ++it) text.replace(it->first, it->second, QStringLiteral("?"));
  return text;
}

MemoChange failed(FileJournal& journal, const QString& message) {
  QString text = message;
  const QStringList not_restored = journal.rollback();
  if (!not_restored.isEmpty()) {
    text += QStringLiteral("\n\n元に戻せなかったファイルがあります：\n") + not_restored.join(QLatin1Char('\n'));
  } else {
    text += QStringLiteral("\n\nメモは保存されていません。");
  }
  return refusal(text, kAppTitle);
}

// Writes the body and picture list files that have something to hold. The
// files of a memo that now has no body or no pictures are only collected in
// `to_remove`: they are deleted after flower.dat has been written, so that an
// index still naming them (a failed write, or the program killed half-way)
// never finds them gone. The files of a number that flower.dat does not
// hold yet (`new_number`) need no record of their old state.
FileResult write_memo_files(FileJournal& journal, const QString& data_dir, const QString& memo_no,
                            const MemoInput& in, QStringList& to_remove, bool new_number) {
  const auto write = [&](const QString& path, const QStringList& lines) {
    return new_number ? journal.create_lines(path, lines) : journal.write_lines(path, lines);
  };
  const QString body_path = memo_body_path(data_dir, memo_no);
  if (in.body.isEmpty()) {
    to_remove << body_path;
  } else if (FileResult done = write(body_path, {in.body}); !done) {
    return done;
  }
  QStringList picture_lines;
  for (const ImageEntry& e : in.images) picture_lines << e.path << e.title;
  const QString images_path = memo_images_path(data_dir, memo_no);
  if (in.images.empty()) {
    to_remove << images_path;
    return FileResult::success();
  }
  return write(images_path, picture_lines);
}

// Deletes the files a saved or deleted memo no longer has. The memo itself
// is already saved or gone; a file that stays is named in the warning.
QString remove_left_over(const QStringList& paths, const QString& lead) {
  const QStringList left_behind = remove_files_durably(paths);
  if (left_behind.isEmpty()) return {};
  return lead + left_behind.join(QLatin1Char('\n'));
}

// Appends a name the list does not know yet and rewrites its file.
FileResult add_name(AppState& state, FileJournal& journal, bool location, CategoryList& list, const QString& name) {
  if (known_name(list, name)) return FileResult::success();
  list.names.append(name);
  return location ? write_location_file(state, list.names, &journal) : write_variety_file(state, list.names, &journal);
}

// The record of a save: the version it follows (none for a new memo) and
// tags of the bytes its files were given.
MemoVersionRecord version_record(const MemoRecord& saved, const MemoRecord& previous, const MemoInput& in) {
  const QByteArray body = join_lines_cp932({in.body});
  QStringList picture_lines;
  for (const ImageEntry& e : in.images) picture_lines << e.path << e.title;
  const QByteArray pictures = join_lines_cp932(picture_lines);
  return {numeric_value(saved.memo_no), encode_cp932(saved.created),
          previous.memo_no.isEmpty() ? QByteArray() : encode_cp932(previous.corrected), encode_cp932(saved.corrected),
          content_tag(in.body.isEmpty() ? nullptr : &body), content_tag(in.images.empty() ? nullptr : &pictures)};
}

// Takes in what a sync tool changed on disk before anything is written.
// Refuses the change when a changed file cannot be read.
bool read_before_write(AppState& state, MemoChange& change, const QString& not_done) {
  const OutsideChange outside = take_outside_changes(state);
  change.outside_changed = outside.any();
  if (outside.ok) return true;
  change.ok = false;
  change.text = outside.message + QStringLiteral("\n\n") + not_done;
  change.title = kAppTitle;
  return false;
}

// The 1-based slot of the memo with the identity of `record`, 0 when none.
int slot_of(const MemoTable& table, const MemoRecord& record) {
  const qint64 no = numeric_value(record.memo_no);
  const QByteArray created = encode_cp932(record.created);
  for (size_t i = 0; i < table.size(); ++i) {
    if (table.bytes(i, MemoField::Created) == QByteArrayView(created) &&
        numeric_value(table.bytes(i, MemoField::MemoNo)) == no) {
      return static_cast<int>(i) + 1;
    }
  }
  return 0;
}

}  // namespace

MemoChange check_memo(const AppState& state, const MemoInput& in) {
  if (state.memo_count() >= kMemoCapacity - 1) {
    return refusal(QStringLiteral("これ以上メモを登録できません。"), QStringLiteral("メモの数が限界(30000)を越えます"));
  }
  if (in.location.isEmpty()) return refusal(QStringLiteral("場所を入力して下さい。"), kAppTitle);
  if (in.variety.isEmpty()) return refusal(QStringLiteral("品種を入力して下さい。"), kAppTitle);
  if (in.title.isEmpty()) return refusal(QStringLiteral("タイトルを入力して下さい。"), kAppTitle);
  if (!known_name(state.location_list, in.location) && state.location_list.count() >= kCategoryCapacity - 1) {
    return refusal(QStringLiteral("これ以上場所を登録できません。"), QStringLiteral("場所の数が限界(1000)を越えます"));
  }
  if (!known_name(state.variety_list, in.variety) && state.variety_list.count() >= kCategoryCapacity - 1) {
    return refusal(QStringLiteral("これ以上品種を登録できません。"), QStringLiteral("品種の数が限界(1000)を越えます"));
  }
  return {};
}

QString unencodable_characters(const MemoInput& input) {
  QString found;
  for (const QString& text : texts_of(input)) {
    for_each_unencodable(text, [&](qsizetype, qsizetype, const QString& ch) {
      if (!found.contains(ch)) found += ch;
    });
  }
  return found;
}

MemoInput with_unencodable_replaced(const MemoInput& input) {
  MemoInput out{replaced(input.date), replaced(input.location), replaced(input.variety),
                replaced(input.title), replaced(input.body), {}};
  for (const ImageEntry& e : input.images) out.images.push_back({replaced(e.path), replaced(e.title)});
  return out;
}

MemoChange save_memo(AppState& state, const MemoInput& input, int edit_slot, const QDateTime& now) {
  // Every field but the body is one line of its file: a line break in one
  // would split the record, so it is stored as a blank.
  MemoInput in{as_one_line(input.date), as_one_line(input.location), as_one_line(input.variety),
               as_one_line(input.title), input.body, {}};
  for (const ImageEntry& e : input.images) in.images.push_back({as_one_line(e.path), as_one_line(e.title)});
  MemoChange change = check_memo(state, in);
  if (!change.ok) return change;
  if (edit_slot < 0 || edit_slot > state.memo_count()) {
    return refusal(QStringLiteral("訂正するメモが見つかりません。"), kAppTitle);
  }

  // The memo as the editor opened it; the other machine may have changed
  // or deleted it since, and the disk is read now.
  const MemoRecord opened = edit_slot > 0 ? state.memo_table[static_cast<size_t>(edit_slot - 1)] : MemoRecord{};
  if (!read_before_write(state, change, QStringLiteral("メモは保存されていません。"))) return change;
  if (MemoChange refused = check_memo(state, in); !refused.ok) return refused;
  FileJournal journal(state.data_dir);
  MemoTable& table = state.memo_table;
  // Set when the other machine's version was added: a failure then puts
  // the whole table back.
  std::optional<MemoTable> before_copy;
  auto fail = [&](const QString& message) {
    if (before_copy) table = std::move(*before_copy);
    return failed(journal, message);
  };
  if (edit_slot > 0) {
    edit_slot = slot_of(table, opened);
    if (edit_slot > 0 && table.text(static_cast<size_t>(edit_slot - 1), MemoField::Corrected) != opened.corrected) {
      // Corrected on the other machine meanwhile: that version is kept as a
      // memo of its own before this one's files replace its files.
      MemoRecord theirs = table[static_cast<size_t>(edit_slot - 1)];
      theirs.title = other_version_title(theirs.title);
      before_copy = table;
      const CopiedMemo kept = add_memo_copy(state, table, theirs, memo_body_path(state.data_dir, theirs.memo_no),
                                            memo_images_path(state.data_dir, theirs.memo_no), journal);
      if (!kept.result) return fail(kept.result.message);
    }
  }

  const QString stamp = format_timestamp(now);
  qint64 highest = state.settings.highest_memo_no;
  MemoRecord record;
  if (edit_slot == 0 && opened.memo_no.isEmpty()) {
    highest = next_memo_number(state);
    record = {in.date, in.location, in.variety, in.title, format_number_field(highest), stamp, stamp};
  } else {
    // A memo deleted on the other machine while it was being corrected
    // here comes back with what was typed.
    record = edit_slot > 0 ? table[static_cast<size_t>(edit_slot - 1)] : opened;
    record.date = in.date;
    record.location = in.location;
    record.variety = in.variety;
    record.title = in.title;
    record.corrected = stamp;
  }

  QStringList to_remove;
  const bool new_number = edit_slot == 0 && opened.memo_no.isEmpty();
  if (FileResult done = write_memo_files(journal, state.data_dir, record.memo_no, in, to_remove, new_number); !done) {
    return fail(done.message);
  }
  note_own_memo_files(state, highest);
  CategoryList locations = state.location_list;
  CategoryList varieties = state.variety_list;
  change.location_added = !known_name(locations, in.location);
  change.variety_added = !known_name(varieties, in.variety);
  if (FileResult done = add_name(state, journal, true, locations, in.location); !done) {
    return fail(done.message);
  }
  if (FileResult done = add_name(state, journal, false, varieties, in.variety); !done) {
    return fail(done.message);
  }

  // The table is changed in place and put back if flower.dat cannot be
  // written; only when the rest of it is out of order is a copy needed.
  const int slot = edit_slot == 0 ? static_cast<int>(table.size()) + 1 : edit_slot;
  const bool quick = memo_table_sorted_except(table, edit_slot);
  MemoTable before;
  if (!quick) before = table;
  MemoRecord previous;
  if (edit_slot == 0) {
    table.push_back(record);
  } else {
    previous = table[static_cast<size_t>(edit_slot - 1)];
    table.replace(static_cast<size_t>(edit_slot - 1), record);
  }
  const int placed = sort_memo_table_after_change(table, slot);
  // flower.dat is written last and ends the save: if it fails, every file
  // is still as it was.
  if (FileResult done = write_memo_index(state, table, &journal); !done) {
    if (!quick) {
      table = std::move(before);
    } else {
      table.erase(static_cast<size_t>(placed - 1));
      if (edit_slot != 0) table.insert(static_cast<size_t>(edit_slot - 1), previous);
    }
    return fail(done.message);
  }

  state.location_list = std::move(locations);
  state.variety_list = std::move(varieties);
  state.settings.highest_memo_no = highest;
  state.EditMode = QStringLiteral("sinki");
  change.warning = remove_left_over(to_remove, QStringLiteral("メモは保存しましたが、次のファイルが残っています。\n"));
  // What this version follows and which files are its own, for the other
  // machine's merge of conflict copies.
  if (const FileResult recorded = record_versions(state.data_dir, {version_record(record, previous, in)}); !recorded) {
    change.warning += (change.warning.isEmpty() ? QString() : QStringLiteral("\n")) + recorded.message;
  }
  return change;
}

MemoChange save_new_memos(AppState& state, const std::vector<MemoInput>& inputs, const QDateTime& now) {
  if (state.memo_count() + static_cast<qsizetype>(inputs.size()) > kMemoCapacity - 1) {
    return refusal(QStringLiteral("これ以上メモを登録できません。"), QStringLiteral("メモの数が限界(30000)を越えます"));
  }
  MemoChange change;
  if (!read_before_write(state, change, QStringLiteral("メモは保存されていません。"))) return change;
  const QString stamp = format_timestamp(now);
  // The checks see the lists as the memos before them left them.
  AppState probe(state.data_dir);
  probe.location_list = state.location_list;
  probe.variety_list = state.variety_list;
  FileJournal journal(state.data_dir);
  MemoTable table = state.memo_table;
  qint64 highest = next_memo_number(state) - 1;
  QStringList to_remove;
  std::vector<MemoVersionRecord> versions;
  for (const MemoInput& input : inputs) {
    MemoInput in{as_one_line(input.date), as_one_line(input.location), as_one_line(input.variety),
                 as_one_line(input.title), input.body, {}};
    for (const ImageEntry& e : input.images) in.images.push_back({as_one_line(e.path), as_one_line(e.title)});
    if (MemoChange refused = check_memo(probe, in); !refused.ok) {
      journal.rollback();
      return refused;
    }
    highest += 1;
    const MemoRecord record{in.date, in.location, in.variety, in.title, format_number_field(highest), stamp, stamp};
    if (FileResult done = write_memo_files(journal, state.data_dir, record.memo_no, in, to_remove, true); !done) {
      return failed(journal, done.message);
    }
    change.location_added |= !known_name(probe.location_list, in.location);
    change.variety_added |= !known_name(probe.variety_list, in.variety);
    if (FileResult done = add_name(state, journal, true, probe.location_list, in.location); !done) {
      return failed(journal, done.message);
    }
    if (FileResult done = add_name(state, journal, false, probe.variety_list, in.variety); !done) {
      return failed(journal, done.message);
    }
    table.push_back(record);
    versions.push_back(version_record(record, {}, in));
  }
  note_own_memo_files(state, highest);
  sort_memo_table(table);
  // flower.dat is written last and ends the save: if it fails, every file
  // is still as it was.
  if (FileResult done = write_memo_index(state, table, &journal); !done) return failed(journal, done.message);
  state.memo_table = std::move(table);
  state.location_list = std::move(probe.location_list);
  state.variety_list = std::move(probe.variety_list);
  state.settings.highest_memo_no = highest;
  change.warning = remove_left_over(to_remove, QStringLiteral("メモは保存しましたが、次のファイルが残っています。\n"));
  if (const FileResult recorded = record_versions(state.data_dir, versions); !recorded) {
    change.warning += (change.warning.isEmpty() ? QString() : QStringLiteral("\n")) + recorded.message;
  }
  return change;
}

MemoChange delete_memo(AppState& state, int slot) {
  if (slot < 1 || slot > state.memo_count()) {
    return refusal(QStringLiteral("削除するメモが見つかりません。"), kAppTitle);
  }
  const MemoRecord doomed = state.memo_table[static_cast<size_t>(slot - 1)];
  MemoChange change;
  if (!read_before_write(state, change, QStringLiteral("メモは削除されていません。"))) return change;
  // Already deleted on the other machine: nothing is left to do.
  slot = slot_of(state.memo_table, doomed);
  if (slot == 0) return change;
  MemoTable table = state.memo_table;
  const QString memo_no = table[static_cast<size_t>(slot - 1)].memo_no;
  const DeletedMemo deleted = deleted_record(table, static_cast<size_t>(slot - 1));
  remove_memo_at(table, slot);
  // The index first: if it cannot be written, the memo and its files stay.
  const FileResult written = write_memo_index(state, table);
  if (!written) {
    return refusal(written.message + QStringLiteral("\n\nメモは削除されていません。"), kAppTitle);
  }
  state.memo_table = std::move(table);
  // Remembered beside the data, so a conflict copy from the other machine
  // that still holds the memo does not bring it back.
  if (const FileResult recorded = record_deleted_memos(state.data_dir, {deleted}); !recorded) {
    change.warning = recorded.message + QStringLiteral("\n");
  }

  // The files are named by the number alone: they stay while another memo
  // carries the same number, and a number that reads as 0 has none of its
  // own (damaged numbers share them), as in the bulk deletion.
  const qint64 no = numeric_value(memo_no);
  bool shared = no == 0;
  for (size_t i = 0; !shared && i < state.memo_table.size(); ++i) {
    shared = numeric_value(state.memo_table.bytes(i, MemoField::MemoNo)) == no;
  }
  if (shared) return change;
  change.warning += remove_left_over({memo_body_path(state.data_dir, memo_no), memo_images_path(state.data_dir, memo_no)},
                                    QStringLiteral("メモは削除しましたが、次のファイルが残っています。\n"));
  return change;
}

}  // namespace store
