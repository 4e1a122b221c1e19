#pragma once
// Shared by the fuzz targets: a scratch directory for the files the loaders
// read, the byte-level view of lines that the oracles use, and a check that
// stops the run with a message.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

#include "store/files/codec.h"

namespace fuzzing {

// Stops the run (libFuzzer then keeps the input as a crash).
#define FUZZ_CHECK(condition, what)                                   \
  do {                                                                \
    if (!(condition)) {                                               \
      std::fprintf(stderr, "fuzz check failed: %s (%s)\n", what, #condition); \
      std::abort();                                                   \
    }                                                                 \
  } while (0)

// The scratch directory, ending in "/", with a memo/ inside.
inline const QString& scratch() {
  static QTemporaryDir dir(QFile::exists(QStringLiteral("/dev/shm")) ? QStringLiteral("/dev/shm/verdalis-fuzz-XXXXXX")
                                                                    : QString());
  static const QString path = [] {
    QString p = dir.path() + QLatin1Char('/');
    QDir().mkpath(p + QStringLiteral("memo"));
    return p;
  }();
  return path;
}

inline void put(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  FUZZ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size(), "scratch write");
}

inline QByteArray get(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return QByteArray();
  return f.readAll();
}

// The lines of the bytes: each ends at LF, one CR before the LF belongs to
// the line end; a last line without LF counts when it is not empty. With
// `cr_at_end`, a CR that ends the data without LF is a line end too.
inline QList<QByteArray> byte_lines(const QByteArray& data, bool cr_at_end) {
  QList<QByteArray> lines;
  qsizetype start = 0;
  while (start < data.size()) {
    qsizetype lf = data.indexOf('\n', start);
    const bool last = lf < 0;
    if (last) lf = data.size();
    qsizetype end = lf;
    if (end > start && data.at(end - 1) == '\r' && (!last || cr_at_end)) --end;
    lines.append(data.mid(start, end - start));
    start = lf + 1;
  }
  return lines;
}

// The bytes Verdalis writes for text read from these bytes: the same bytes,
// except that a character with two codes gets the one Windows writes.
inline QByteArray canonical(const QByteArray& bytes) { return store::encode_cp932(store::decode_cp932(bytes)); }

inline QByteArray canonical_lines(const QList<QByteArray>& lines) {
  QByteArray out;
  for (const QByteArray& line : lines) out += canonical(line) + "\r\n";
  return out;
}

}  // namespace fuzzing
