#include "store/diary/category_edit.h"

#include <algorithm>
#include <map>

#include "store/diary/category_list.h"
#include "store/diary/memo_files.h"
#include "store/diary/memo_index.h"
#include "store/diary/deleted_memos.h"
#include "store/diary/outside_changes.h"
#include "store/files/codec.h"
#include "store/files/durable_file.h"
#include "store/files/file_journal.h"

namespace store {

namespace {

// The texts of the add command that differ between the two lists.
struct AddTexts {
  QString prefix;  // the name is quoted after it: 場所『花壇』
  QString full_text;
  QString full_title;
};

const AddTexts& add_texts(Category category) {
  static const AddTexts location{QStringLiteral("場所『"), QStringLiteral("これ以上場所を登録できません。"),
                                 QStringLiteral("場所の数が限界(1000)を越えます")};
  static const AddTexts variety{QStringLiteral("品種『"), QStringLiteral("これ以上品種を登録できません。"),
                                QStringLiteral("品種の数が限界(1000)を越えます")};
  return category == Category::Location ? location : variety;
}

CategoryChange refusal(const QString& text, const QString& title) { return {false, text, title, -1, false}; }

CategoryChange selected(int position) { return {true, {}, {}, position, false}; }

FileResult write_list(AppState& state, Category category, const QStringList& names, FileJournal* journal = nullptr) {
  return category == Category::Location ? write_location_file(state, names, journal)
                                        : write_variety_file(state, names, journal);
}

// The characters windows-31j has no code for, each once, in order.
QString unencodable_characters(const QString& text) {
  QString found;
  for (const char32_t c : text.toUcs4()) {
    const QString ch = QString::fromUcs4(&c, 1);
    if (!representable_in_cp932(ch) && !found.contains(ch)) found += ch;
  }
  return found;
}

}  // namespace

CategoryList& category_list(AppState& state, Category category) {
  return category == Category::Location ? state.location_list : state.variety_list;
}

const CategoryList& category_list(const AppState& state, Category category) {
  return category == Category::Location ? state.location_list : state.variety_list;
}

QString category_file_path(const AppState& state, Category category) {
  return category == Category::Location ? state.basyo_dat_path() : state.hinsyu_dat_path();
}

CategoryChange add_category_name(AppState& state, Category category, const QString& name) {
  const AddTexts& texts = add_texts(category);
  CategoryList& list = category_list(state, category);
  if (name.isEmpty()) return refusal(QStringLiteral("追加する分類を入力してください。"), kAppName);
  // The other machine's changes to the lists first, so none is written over.
  const OutsideChange outside = take_outside_changes(state);
  if (!outside.ok) {
    return refusal(outside.message + QStringLiteral("\n\n") + texts.prefix + name + QStringLiteral("』は追加されていません。"),
                   kAppTitle);
  }
  if (list.names.contains(name, Qt::CaseSensitive)) {
    return refusal(texts.prefix + name + QStringLiteral("』はすでに存在します。"), kAppName);
  }
  if (list.count() >= kCategoryNameLimit) return refusal(texts.full_text, texts.full_title);
  // The file holds one name per line, in windows-31j: anything else would
  // come back split or altered.
  if (name.contains(QLatin1Char('\n')) || name.contains(QLatin1Char('\r'))) {
    return refusal(QStringLiteral("改行を含む名前は登録できません。"), kAppName);
  }
  if (!representable_in_cp932(name)) {
    return refusal(texts.prefix + name + QStringLiteral("』には保存できない文字「") + unencodable_characters(name) +
                       QStringLiteral("」が含まれています。\n別の文字に置き換えてから追加して下さい。"),
                   kAppName);
  }

  CategoryList grown = list;
  grown.names.append(name);
  const FileResult written = write_list(state, category, grown.names);
  if (!written) {
    CategoryChange refused = refusal(
        written.message + QStringLiteral("\n\n") + texts.prefix + name + QStringLiteral("』は追加されていません。"),
        kAppTitle);
    refused.outside_changed = outside.any();
    return refused;
  }
  list = std::move(grown);
  CategoryChange done = selected(-1);
  done.outside_changed = outside.any();
  return done;
}

CategoryChange move_category_up(CategoryList& list, int position) {
  if (position < 0 || position >= list.count()) return refusal(kNoNameToMoveUp, kAppTitle);
  if (position == 0) return refusal(QStringLiteral("これより上には移動できません"), kAppTitle);
  list.names.swapItemsAt(position - 1, position);
  return selected(position - 1);
}

CategoryChange move_category_down(CategoryList& list, int position) {
  if (position < 0 || position >= list.count()) return refusal(kNoNameToMoveDown, kAppTitle);
  if (position + 1 == list.count()) return refusal(QStringLiteral("これより下には移動できません"), kAppTitle);
  list.names.swapItemsAt(position, position + 1);
  return selected(position + 1);
}

CategoryChange remove_category_name(CategoryList& list, int position) {
  if (position < 0 || position >= list.count()) return refusal(kNoNameToRemove, kAppTitle);
  list.names.removeAt(position);
  return selected(-1);
}

CategoryChange save_category_edit(AppState& state, Category category) {
  static const QString kKept = QStringLiteral("\n\n変更した一覧はこのまま使えます。プログラムの終了時にもう一度保存します。");
  // The list edited here is merged into what the other machine wrote meanwhile.
  const OutsideChange outside = take_outside_changes(state);
  if (!outside.ok) return refusal(outside.message + kKept, kAppTitle);
  const FileResult written = write_list(state, category, category_list(state, category).names);
  CategoryChange done = written ? selected(-1) : refusal(written.message + kKept, kAppTitle);
  done.outside_changed = outside.any();
  return done;
}

CategoryDeletion delete_category_memos(AppState& state, Category category, int position) {
  CategoryList& list = category_list(state, category);
  if (position < 0 || position >= list.count()) return {false, kNoCategoryToEmpty, kAppTitle, 0, {}};
  const QString name = list.names.at(position);
  if (const OutsideChange outside = take_outside_changes(state); !outside.ok) {
    return {false, outside.message + QStringLiteral("\n\nメモは削除されていません。"), kAppTitle, 0, {}};
  }
  // The name may have moved, or gone, in the other machine's list.
  position = static_cast<int>(list.names.indexOf(name));

  // One pass over the table: the kept memos in their order, and the
  // numbers whose files go with the deleted ones. A memo numbered 0 has no
  // files of its own.
  MemoTable kept = state.memo_table;
  // Room up to the capacity, as the loaded table has.
  kept.reserve(std::max<size_t>(kept.size(), kMemoCapacity));
  const MemoField field = category_field(category);
  const FieldKey key(name);
  std::map<qint64, QString> deleted_numbers;  // number -> memo_no as held
  std::vector<DeletedMemo> deleted_records;
  int deleted = 0;
  kept.keep_only([&](size_t i) {
    if (!kept.field_is(i, field, key)) return true;
    ++deleted;
    deleted_records.push_back(deleted_record(kept, i));
    const qint64 no = numeric_value(kept.bytes(i, MemoField::MemoNo));
    if (no != 0) deleted_numbers.emplace(no, kept.text(i, MemoField::MemoNo));
    return false;
  });
  CategoryList names = list;
  if (position >= 0) names.names.removeAt(position);

  // The list file first, keeping its old bytes, then flower.dat. Each is
  // replaced whole; if flower.dat cannot be written the list file is put
  // back, so the files never disagree with the tables.
  FileJournal journal(state.data_dir);
  FileResult done = write_list(state, category, names.names, &journal);
  if (done) {
    done = write_memo_index(state, kept, &journal);
    if (!done) {
      const QStringList not_restored = journal.rollback();
      if (!not_restored.isEmpty()) {
        done.message += QStringLiteral("\n\n元に戻せなかったファイルがあります：\n") + not_restored.join(QLatin1Char('\n'));
      }
    }
  }
  if (!done) return {false, done.message + QStringLiteral("\n\nメモは削除されていません。"), kAppTitle, 0, {}};

  state.memo_table = std::move(kept);
  list = std::move(names);

  // The memos are gone from the index; now their files. A file is kept
  // when a remaining memo carries the same number (its files are named
  // by the number alone).
  if (!deleted_numbers.empty()) {
    for (size_t i = 0; i < state.memo_table.size(); ++i) {
      deleted_numbers.erase(numeric_value(state.memo_table.bytes(i, MemoField::MemoNo)));
    }
  }
  QStringList left_behind;
  // Remembered beside the data, so the other machine's conflict copies do
  // not bring them back.
  if (const FileResult recorded = record_deleted_memos(state.data_dir, deleted_records); !recorded) {
    left_behind << recorded.message;
  }
  QStringList doomed_files;
  for (const auto& entry : deleted_numbers) {
    doomed_files << memo_body_path(state.data_dir, entry.second) << memo_images_path(state.data_dir, entry.second);
  }
  left_behind += remove_files_durably(doomed_files);

  CategoryDeletion result;
  result.deleted = deleted;
  if (!left_behind.isEmpty()) {
    result.warning = QStringLiteral("メモは削除しましたが、次のファイルが残っています。\n") + left_behind.join(QLatin1Char('\n'));
  }
  return result;
}

}  // namespace store
