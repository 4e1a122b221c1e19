#include "store/diary/settings.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "store/diary/memo_index.h"

namespace store {

QString format_number_field(float value) {
  QString digits;
  const double v = value;
  if (std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 1e15) {
    digits = QString::number(static_cast<qint64>(std::fabs(v)));
  } else {
    // The shortest text that reads back as the same float: seven
    // significant digits are not always enough.
    char text[64];
    const std::to_chars_result r = std::to_chars(text, text + sizeof text, std::fabs(value));
    digits = QString::fromLatin1(text, r.ptr - text);
  }
  return (std::signbit(v) && v != 0 ? QStringLiteral("-") : QStringLiteral(" ")) + digits +
         QStringLiteral(" ");
}

namespace {

bool parse_float(const QString& line, float& out) {
  // Read as a double, then rounded: QString::toFloat refuses the text of
  // the largest float ("3.4028235e+38"), which lies just above it.
  // Anything below the halfway point to 2^128 rounds to a finite float.
  static const double kLimit = std::ldexp(2.0 - std::ldexp(1.0, -24), 127);
  bool ok = false;
  const double d = line.trimmed().toDouble(&ok);
  if (!ok || !(std::fabs(d) < kLimit)) return false;
  constexpr float kMax = std::numeric_limits<float>::max();
  out = std::fabs(d) > kMax ? (d > 0 ? kMax : -kMax) : static_cast<float>(d);
  return true;
}

}  // namespace

ReadLinesResult load_settings(const QString& path, Settings& settings) {
  ReadLinesResult read = read_text_lines(path);
  if (read.status != ReadStatus::Read) return read;
  const QStringList& lines = read.lines;
  float v = 0;
  if (lines.size() > 0) {
    bool ok = false;
    const double highest = lines[0].trimmed().toDouble(&ok);
    if (ok && highest >= 0 && highest < 1e15) settings.highest_memo_no = static_cast<qint64>(highest);
  }
  if (lines.size() > 1 && parse_float(lines[1], v) && (v == 0 || v == 1 || v == 2)) {
    settings.window_state = static_cast<int>(v);
  }
  float* const geometry[] = {&settings.window_top, &settings.window_left, &settings.window_height,
                             &settings.window_width, &settings.grid_height};
  for (int i = 0; i < 5; ++i) {
    if (lines.size() > 2 + i && parse_float(lines[2 + i], v)) *geometry[i] = v;
  }
  return read;
}

QStringList settings_lines(const Settings& s) {
  return {format_number_field(s.highest_memo_no),
          format_number_field(static_cast<qint64>(s.window_state)),
          format_number_field(s.window_top), format_number_field(s.window_left),
          format_number_field(s.window_height), format_number_field(s.window_width),
          format_number_field(s.grid_height)};
}

FileResult save_settings(const QString& path, const Settings& s) { return write_text_lines(path, settings_lines(s)); }

}  // namespace store
