#include "store/diary/field_formats.h"

namespace store {

QString format_date(const QDateTime& t) { return t.toString(QStringLiteral("yyyy/MM/dd")); }

QString format_timestamp(const QDateTime& t) { return t.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")); }

QString as_one_line(QString text) {
  text.replace(QLatin1Char('\r'), QLatin1Char(' '));
  text.replace(QLatin1Char('\n'), QLatin1Char(' '));
  return text;
}

}  // namespace store
