#include "store/diary/shutdown.h"

#include "store/diary/category_list.h"
#include "store/diary/memo_index.h"
#include "store/diary/settings.h"

namespace store {

QStringList shut_down_data(const AppState& state) {
  QStringList failures;
  const FileResult results[] = {
      save_settings(state.flower_ini_path(), state.settings),
      save_memo_index(state.flower_dat_path(), state.memo_table),
      save_category_list(state.basyo_dat_path(), state.location_list),
      save_category_list(state.hinsyu_dat_path(), state.variety_list),
  };
  for (const FileResult& r : results) {
    if (!r) failures << r.message;
  }
  return failures;
}

}  // namespace store
