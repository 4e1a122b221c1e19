#pragma once
// What the seasons windows need from the main window: the memos it lists,
// and its own paths for showing a memo, one of its pictures, and the
// full-size viewer. The main window implements it; it also tells the album
// when its list changed.

#include <QString>
#include <vector>

#include "store/app_state.h"

class QWidget;

namespace seasons {

class SeasonHost {
 public:
  virtual ~SeasonHost() = default;

  // The 1-based memo_table slots of the memos listed now, in list order.
  virtual std::vector<int> listed_slots() const = 0;
  // Makes the memo the list's current row and shows it as a click on its
  // row does. False when no memo has the number.
  virtual bool show_memo_of(const QString& memo_no) = 0;
  // Makes the memo the list's current row and shows its picture
  // `picture_no` (1-based) as a click on that picture's title does.
  virtual bool show_picture_of(const QString& memo_no, int picture_no) = 0;
  // The full-size viewer on the picture the viewer pane shows.
  virtual void open_full_size_viewer() = 0;
  virtual store::AppState& season_state() = 0;
  virtual QWidget* season_parent() = 0;
};

}  // namespace seasons
