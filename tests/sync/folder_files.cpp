#include "folder_files.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace synctest {

namespace {

// A file Syncthing is receiving. One left behind by a failed pull stays
// for a day and is never synced: it is no part of the folder.
bool is_syncthing_temporary(const QString& name) {
  return (name.startsWith(QLatin1String(".syncthing.")) || name.startsWith(QLatin1String("~syncthing~"))) &&
         name.endsWith(QLatin1String(".tmp"));
}

}  // namespace

QStringList differing_files(const QMap<QString, QByteArray>& a, const QMap<QString, QByteArray>& b) {
  QStringList differing;
  for (auto it = a.cbegin(); it != a.cend(); ++it) {
    if (!b.contains(it.key()))
      differing << it.key() + QStringLiteral(" (only in A)");
    else if (b.value(it.key()) != it.value())
      differing << it.key() + QStringLiteral(" (bytes differ)");
  }
  for (auto it = b.cbegin(); it != b.cend(); ++it) {
    if (!a.contains(it.key())) differing << it.key() + QStringLiteral(" (only in B)");
  }
  differing.sort();
  return differing;
}

QMap<QString, QByteArray> folder_files(const QString& root) {
  QMap<QString, QByteArray> files;
  const QDir base(root);
  QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    const QString relative = base.relativeFilePath(path);
    if (relative.startsWith(QLatin1String(".stfolder")) || is_syncthing_temporary(QFileInfo(path).fileName())) continue;
    QFile file(path);
    files.insert(relative, file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>"));
  }
  return files;
}

}  // namespace synctest
