#pragma once
// What the other windows need from the main window: its hint box, the memo
// of its list's current row, its list operations, showing a memo or one of
// its pictures, and its geometry. The main window implements it; tests may
// too. The album also hears from the main window when its list changed.

#include <QRectF>
#include <QString>
#include <QStringList>
#include <vector>

class QWidget;

namespace ui {

class MainWindowHost {
 public:
  virtual ~MainWindowHost() = default;

  // Writes a text into the hint box below the list.
  virtual void set_hint(const QString& text) = 0;
  // The memo number held by the list's current row; "" when the current
  // row is not a memo row. Makes the memo-number cell the current cell.
  virtual QString current_memo_no() = 0;
  // Rebuilds the list under the current filters and clears the viewer pane.
  virtual void refresh_memo_list() = 0;
  // Lists every memo, empties both filters and clears the viewer pane.
  virtual void reset_memo_list() = 0;
  // Sets the caption with the memo count.
  virtual void update_main_caption() = 0;
  // Appends a name to the drop-down list of a filter box.
  virtual void add_location_filter_name(const QString& name) = 0;
  virtual void add_variety_filter_name(const QString& name) = 0;
  // Replaces the drop-down list of a filter box and empties its text. The
  // memo list is not rebuilt.
  virtual void set_location_filter_names(const QStringList& names) = 0;
  virtual void set_variety_filter_names(const QStringList& names) = 0;
  // Empties both filter texts (without filtering), the viewer pane and the
  // memo list, ready for memos to be listed one by one.
  virtual void begin_listing() = 0;
  // Lists the memo of the 1-based memo_table slot below the rows listed.
  virtual void list_memo(int slot) = 0;
  // The rows listed are the result of a search for `keyword`: the viewer
  // pane marks where it is found (compared folded or ignoring case, as the
  // search did) until the list is filtered or reset.
  virtual void mark_search_hits(const QString& keyword, bool folded) = 0;
  // Makes the memo with this number the list's current row and clears the
  // viewer pane; the filters are dropped first when it is not listed.
  // False when no memo has the number.
  virtual bool select_memo_no(const QString& memo_no) = 0;
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
  // Left, top, outer width and outer height, in twips.
  virtual QRectF outer_geometry_twips() const = 0;
  // The window, as the parent of dialogs.
  virtual QWidget* host_widget() = 0;
};

}  // namespace ui
