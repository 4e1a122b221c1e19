#include "store/diary/memo_save.h"

#include "store/diary/field_formats.h"
#include "store/diary/memo_files.h"
#include "store/diary/memo_index.h"
#include "store/files/codec.h"
#include "store/files/file_journal.h"

#include <utility>

namespace store {

namespace {

MemoChange refusal(const QString& text, const QString& title) { return {false, text, title, false, false, {}}; }

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
// never finds them gone.
FileResult write_memo_files(FileJournal& journal, const QString& data_dir, const QString& memo_no,
                            const MemoInput& in, QStringList& to_remove) {
  const QString body_path = memo_body_path(data_dir, memo_no);
  if (in.body.isEmpty()) {
    to_remove << body_path;
  } else if (FileResult done = journal.write_lines(body_path, {in.body}); !done) {
    return done;
  }
  QStringList picture_lines;
  for (const ImageEntry& e : in.images) picture_lines << e.path << e.title;
  const QString images_path = memo_images_path(data_dir, memo_no);
  if (in.images.empty()) {
    to_remove << images_path;
    return FileResult::success();
  }
  return journal.write_lines(images_path, picture_lines);
}

// Deletes the files a saved or deleted memo no longer has. The memo itself
// is already saved or gone; a file that stays is named in the warning.
QString remove_left_over(const QStringList& paths, const QString& lead) {
  QStringList left_behind;
  for (const QString& path : paths) {
    const FileResult removed = remove_file(path);
    if (!removed) left_behind << removed.message;
  }
  if (left_behind.isEmpty()) return {};
  return lead + left_behind.join(QLatin1Char('\n'));
}

// Appends a name the list does not know yet and rewrites its file.
FileResult add_name(FileJournal& journal, const QString& path, CategoryList& list, const QString& name) {
  if (known_name(list, name)) return FileResult::success();
  list.names.append(name);
  return journal.write_lines(path, list.names);
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

  const QString stamp = format_timestamp(now);
  MemoTable& table = state.memo_table;
  qint64 highest = state.settings.highest_memo_no;
  MemoRecord record;
  if (edit_slot == 0) {
    highest += 1;
    record = {in.date, in.location, in.variety, in.title, format_number_field(highest), stamp, stamp};
  } else {
    record = table[static_cast<size_t>(edit_slot - 1)];
    record.date = in.date;
    record.location = in.location;
    record.variety = in.variety;
    record.title = in.title;
    record.corrected = stamp;
  }

  FileJournal journal;
  QStringList to_remove;
  if (FileResult done = write_memo_files(journal, state.data_dir, record.memo_no, in, to_remove); !done) {
    return failed(journal, done.message);
  }
  CategoryList locations = state.location_list;
  CategoryList varieties = state.variety_list;
  change.location_added = !known_name(locations, in.location);
  change.variety_added = !known_name(varieties, in.variety);
  if (FileResult done = add_name(journal, state.basyo_dat_path(), locations, in.location); !done) {
    return failed(journal, done.message);
  }
  if (FileResult done = add_name(journal, state.hinsyu_dat_path(), varieties, in.variety); !done) {
    return failed(journal, done.message);
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
  // flower.dat is written last: if it fails, it is still as it was.
  if (FileResult done = save_memo_index(state.flower_dat_path(), table); !done) {
    if (!quick) {
      table = std::move(before);
    } else {
      table.erase(static_cast<size_t>(placed - 1));
      if (edit_slot != 0) table.insert(static_cast<size_t>(edit_slot - 1), previous);
    }
    return failed(journal, done.message);
  }

  state.location_list = std::move(locations);
  state.variety_list = std::move(varieties);
  state.settings.highest_memo_no = highest;
  state.EditMode = QStringLiteral("sinki");
  change.warning = remove_left_over(to_remove, QStringLiteral("メモは保存しましたが、次のファイルが残っています。\n"));
  return change;
}

MemoChange save_new_memos(AppState& state, const std::vector<MemoInput>& inputs, const QDateTime& now) {
  if (state.memo_count() + static_cast<qsizetype>(inputs.size()) > kMemoCapacity - 1) {
    return refusal(QStringLiteral("これ以上メモを登録できません。"), QStringLiteral("メモの数が限界(30000)を越えます"));
  }
  const QString stamp = format_timestamp(now);
  // The checks see the lists as the memos before them left them.
  AppState probe(state.data_dir);
  probe.location_list = state.location_list;
  probe.variety_list = state.variety_list;
  FileJournal journal;
  MemoTable table = state.memo_table;
  qint64 highest = state.settings.highest_memo_no;
  QStringList to_remove;
  MemoChange change;
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
    if (FileResult done = write_memo_files(journal, state.data_dir, record.memo_no, in, to_remove); !done) {
      return failed(journal, done.message);
    }
    change.location_added |= !known_name(probe.location_list, in.location);
    change.variety_added |= !known_name(probe.variety_list, in.variety);
    if (FileResult done = add_name(journal, state.basyo_dat_path(), probe.location_list, in.location); !done) {
      return failed(journal, done.message);
    }
    if (FileResult done = add_name(journal, state.hinsyu_dat_path(), probe.variety_list, in.variety); !done) {
      return failed(journal, done.message);
    }
    table.push_back(record);
  }
  sort_memo_table(table);
  // flower.dat is written last: if it fails, it is still as it was.
  if (FileResult done = save_memo_index(state.flower_dat_path(), table); !done) return failed(journal, done.message);
  state.memo_table = std::move(table);
  state.location_list = std::move(probe.location_list);
  state.variety_list = std::move(probe.variety_list);
  state.settings.highest_memo_no = highest;
  change.warning = remove_left_over(to_remove, QStringLiteral("メモは保存しましたが、次のファイルが残っています。\n"));
  return change;
}

MemoChange delete_memo(AppState& state, int slot) {
  if (slot < 1 || slot > state.memo_count()) {
    return refusal(QStringLiteral("削除するメモが見つかりません。"), kAppTitle);
  }
  MemoTable table = state.memo_table;
  const QString memo_no = table[static_cast<size_t>(slot - 1)].memo_no;
  remove_memo_at(table, slot);
  // The index first: if it cannot be written, the memo and its files stay.
  const FileResult written = save_memo_index(state.flower_dat_path(), table);
  if (!written) {
    return refusal(written.message + QStringLiteral("\n\nメモは削除されていません。"), kAppTitle);
  }
  state.memo_table = std::move(table);

  // The files are named by the number alone: they stay while another memo
  // carries the same number, and a number that reads as 0 has none of its
  // own (damaged numbers share them), as in the bulk deletion.
  MemoChange change;
  const qint64 no = numeric_value(memo_no);
  bool shared = no == 0;
  for (size_t i = 0; !shared && i < state.memo_table.size(); ++i) {
    shared = numeric_value(state.memo_table.bytes(i, MemoField::MemoNo)) == no;
  }
  if (shared) return change;
  change.warning = remove_left_over({memo_body_path(state.data_dir, memo_no), memo_images_path(state.data_dir, memo_no)},
                                    QStringLiteral("メモは削除しましたが、次のファイルが残っています。\n"));
  return change;
}

}  // namespace store
