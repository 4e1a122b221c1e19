#include "store/pictures/file_name_date.h"

#include <QRegularExpression>

namespace store {

namespace {

// One known form of name: its pattern, matched anchored at the start of
// the name (which may follow a path), with the named groups y, m, d and,
// where the form has a time, h, mi, s (and ms).
struct Form {
  QRegularExpression pattern;
  bool has_time;
  bool utc;
};

Form form(const char* pattern, bool has_time, bool utc) {
  QRegularExpression re(QString::fromLatin1(pattern), QRegularExpression::CaseInsensitiveOption);
  // Compiled here, once, so that worker threads only ever match.
  re.optimize();
  return {re, has_time, utc};
}

// The forms, grouped by the first letter of the name, so that most names
// (DSC_0001.JPG, S__12345678.jpg) are turned away without a pattern. A
// time is never followed by another digit: IMG_20250504_1015301 is not a
// form a camera writes.
struct Forms {
  Form android = form(R"((?:IMG|VID)_(?<y>\d{4})(?<m>\d{2})(?<d>\d{2})_(?<h>\d{2})(?<mi>\d{2})(?<s>\d{2})(?!\d))",
                      true, false);
  Form whatsapp = form(R"((?:IMG|VID)-(?<y>\d{4})(?<m>\d{2})(?<d>\d{2})-WA\d)", false, false);
  Form pixel = form(R"(PXL_(?<y>\d{4})(?<m>\d{2})(?<d>\d{2})_(?<h>\d{2})(?<mi>\d{2})(?<s>\d{2})(?<ms>\d{3})(?!\d))",
                    true, true);
  // Screenshot_20250504-101530 or Screenshot_2025-05-04-10-15-30: the
  // dashes between the numbers are either all there or all missing.
  Form screenshot = form(
      R"(Screenshot_(?<y>\d{4})(-?)(?<m>\d{2})\2(?<d>\d{2})-(?<h>\d{2})\2(?<mi>\d{2})\2(?<s>\d{2})(?!\d))", true, false);
  Form dropbox = form(R"((?<y>\d{4})-(?<m>\d{2})-(?<d>\d{2}) (?<h>\d{2})\.(?<mi>\d{2})\.(?<s>\d{2})(?!\d))", true, false);
};

const Forms& forms() {
  static const Forms all;
  return all;
}

int number(const QRegularExpressionMatch& m, const char16_t* group) {
  const QStringView text = m.capturedView(QStringView(group));
  return text.isEmpty() ? 0 : text.toInt();
}

// The name's date and time by one form; nothing when the form does not
// fit or its numbers make no real day or time.
std::optional<NameDate> read(const Form& f, const QString& name, qsizetype from) {
  const QRegularExpressionMatch m = f.pattern.match(name, from, QRegularExpression::NormalMatch,
                                                    QRegularExpression::AnchorAtOffsetMatchOption);
  if (!m.hasMatch()) return std::nullopt;
  NameDate found;
  found.date = QDate(number(m, u"y"), number(m, u"m"), number(m, u"d"));
  if (!found.date.isValid()) return std::nullopt;
  if (f.has_time) {
    found.time = QTime(number(m, u"h"), number(m, u"mi"), number(m, u"s"), number(m, u"ms"));
    if (!found.time.isValid()) return std::nullopt;
  }
  found.utc = f.utc;
  return found;
}

std::optional<NameDate> by_first_letter(const QString& name, qsizetype from) {
  const Forms& all = forms();
  switch (name.at(from).toLower().unicode()) {
    case 'i':
    case 'v':
      if (auto found = read(all.android, name, from)) return found;
      return read(all.whatsapp, name, from);
    case 'p':
      return read(all.pixel, name, from);
    case 's':
      return read(all.screenshot, name, from);
    case '1':
    case '2':
      return read(all.dropbox, name, from);
    default:
      return std::nullopt;
  }
}

}  // namespace

QDateTime NameDate::when() const {
  if (!time.isValid()) return QDateTime(date, QTime(12, 0), Qt::LocalTime);
  if (utc) return QDateTime(date, time, Qt::UTC).toLocalTime();
  return QDateTime(date, time, Qt::LocalTime);
}

std::optional<NameDate> date_from_file_name(const QString& file_name, QDate today) {
  // The shortest form, IMG-yyyymmdd-WAn, has 15 characters.
  const qsizetype from = file_name.lastIndexOf(QLatin1Char('/')) + 1;
  if (file_name.size() - from < 15) return std::nullopt;
  const std::optional<NameDate> found = by_first_letter(file_name, from);
  if (!found) return std::nullopt;
  // The day as this machine shows it (a Pixel's UTC time may fall on the
  // next or the previous day here).
  const QDate day = found->when().date();
  if (day < QDate(1990, 1, 1) || (today.isValid() && day > today.addDays(1))) return std::nullopt;
  return found;
}

}  // namespace store
