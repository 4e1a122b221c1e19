#pragma once
// How the data files hold a date, a time stamp and a one-line field.

#include <QDateTime>
#include <QString>

namespace store {

// The date and time as the data files hold them.
QString format_date(const QDateTime& t);       // "yyyy/MM/dd"
QString format_timestamp(const QDateTime& t);  // "yyyy/MM/dd HH:mm:ss"

// A title or a name as one line: every CR and LF becomes a blank, so that
// it cannot split a line of the picture list file.
QString as_one_line(QString text);

}  // namespace store
