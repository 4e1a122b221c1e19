#include "store/diary/shutdown.h"

#include "store/diary/memo_index.h"
#include "store/diary/outside_changes.h"
#include "store/diary/settings.h"
#include "store/files/codec.h"

namespace store {

namespace {

// The part of the message that names this file.
QString read_failure_of(const OutsideChange& outside, const QString& path) {
  for (const QString& part : outside.message.split(QStringLiteral("\n\n"))) {
    if (part.contains(path)) return part;
  }
  return outside.message;
}

}  // namespace

QStringList shut_down_data(AppState& state) {
  QStringList failures;
  // What the other machine wrote meanwhile is taken in first; then only the
  // files whose content changed are written: identical bytes written again
  // would give a sync tool a new version to conflict with.
  // A file that cannot be read is reported and not written over.
  const OutsideChange outside = take_outside_changes(state);
  auto due = [&](const QString& path, const QByteArray& bytes, bool encoded) {
    if (outside.failed_paths.contains(path)) {
      failures << read_failure_of(outside, path);
      return false;
    }
    return !encoded || index_file_differs(state, path, bytes);
  };
  auto keep = [&](const FileResult& r) {
    if (!r) failures << r.message;
  };
  bool ok = false;
  QByteArray bytes = join_lines_cp932(settings_lines(state.settings), &ok);
  if (due(state.flower_ini_path(), bytes, ok)) keep(write_settings_file(state, state.settings));
  if (due(state.flower_dat_path(), state.memo_table.file_bytes(), true)) keep(write_memo_index(state, state.memo_table));
  bytes = join_lines_cp932(state.location_list.names, &ok);
  if (due(state.basyo_dat_path(), bytes, ok)) keep(write_location_file(state, state.location_list.names));
  bytes = join_lines_cp932(state.variety_list.names, &ok);
  if (due(state.hinsyu_dat_path(), bytes, ok)) keep(write_variety_file(state, state.variety_list.names));
  return failures;
}

}  // namespace store
