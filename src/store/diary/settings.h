#pragma once
// flower.ini: the highest memo number handed out and the main window's
// geometry, 7 number lines.

#include <QString>

#include "store/files/text_file.h"

namespace store {

struct Settings {
  qint64 highest_memo_no = 0;
  int window_state = 0;  // 0 normal, 1 minimised, 2 maximised
  float window_top = 0;
  float window_left = 0;
  float window_height = 0;
  float window_width = 0;
  float grid_height = 0;
  friend bool operator==(const Settings&, const Settings&) = default;
};

// " 1234 " for 1234, " 12.5 " for 12.5.
QString format_number_field(float value);

// Reads flower.ini into `settings`. Only lines that hold a number replace
// the value already in `settings`, so the caller fills in the defaults
// first; a short file or a damaged line keeps those defaults.
ReadLinesResult load_settings(const QString& path, Settings& settings);

// The seven lines of flower.ini.
QStringList settings_lines(const Settings& settings);
FileResult save_settings(const QString& path, const Settings& settings);

}  // namespace store
