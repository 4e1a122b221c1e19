#pragma once
// Small helpers shared by the store tests: file bytes written and read
// without going through the store, and CP932 fixtures given as hex digits.

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <initializer_list>

#include "store/diary/memo_index.h"

namespace testutil {

// Bytes from hex digits; blanks between the digits are ignored.
inline QByteArray hex(const char* digits) { return QByteArray::fromHex(QByteArray(digits)); }

// The lines, each followed by CR LF.
inline QByteArray crlf(std::initializer_list<QByteArray> lines) {
  QByteArray out;
  for (const QByteArray& line : lines) out += line + "\r\n";
  return out;
}

inline bool write_raw(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

inline QByteArray read_raw(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

inline bool has_japanese(const QString& text) {
  for (QChar c : text) {
    if (c.unicode() >= 0x3040 && c.unicode() <= 0x9FFF) return true;
  }
  return false;
}

inline store::MemoRecord memo(const QString& date, const QString& title, const QString& no,
                              const QString& created, const QString& location = QStringLiteral("花壇"),
                              const QString& variety = QStringLiteral("パンジー")) {
  return {date, location, variety, title, no, created, created};
}

template <class Table>
QStringList titles(const Table& table) {
  QStringList out;
  for (const store::MemoRecord& r : table) out << r.title;
  return out;
}

}  // namespace testutil
