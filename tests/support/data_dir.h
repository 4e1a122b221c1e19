#pragma once
// Helpers to write and read data files byte for byte in tests.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QString>
#include <QStringList>

#include "store/files/codec.h"

namespace testing_support {

inline QByteArray cp932_lines(const QStringList& lines) { return store::join_lines_cp932(lines); }

inline bool write_bytes(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly)) return false;
  return f.write(bytes) == bytes.size();
}

inline QByteArray read_bytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every file below the directory with its bytes, for before/after checks.
inline QMap<QString, QByteArray> snapshot(const QString& dir) {
  QMap<QString, QByteArray> files;
  const QDir root(dir);
  for (const QString& name : root.entryList(QDir::Files | QDir::Hidden)) files[name] = read_bytes(root.filePath(name));
  const QDir memo(root.filePath(QStringLiteral("memo")));
  for (const QString& name : memo.entryList(QDir::Files)) files[QStringLiteral("memo/") + name] = read_bytes(memo.filePath(name));
  return files;
}

}  // namespace testing_support
