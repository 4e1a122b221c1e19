#pragma once
// The Japanese reasons given for failed file operations, in one table: for
// the system's error numbers (the POSIX loops) and for Qt's file errors
// (the text files).

#include <QFileDevice>
#include <QString>

namespace store {

// The Japanese text for a system error a user can act on (a full disk, a
// refused permission, a missing file...); empty for the others.
QString known_errno_text(int error);

// A Japanese reason for an errno value, naming the number when the error
// is not one of the known ones.
QString errno_reason(int error);

// A Japanese reason for a Qt file error, with the library's own text
// (`detail`) in brackets after it when there is one.
QString file_error_reason(QFileDevice::FileError error, const QString& detail);

}  // namespace store
