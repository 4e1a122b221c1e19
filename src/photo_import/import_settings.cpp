#include "photo_import/import_settings.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include "store/diary/own_settings.h"

namespace photo_import {

namespace {

const QString kFolderKey = QStringLiteral("import.folder");
const QString kSizeKey = QStringLiteral("import.size");

}  // namespace

QString start_folder(const store::OwnSettings& settings, const QString& home) {
  const QString kept = settings.value(kFolderKey);
  if (kept.isEmpty() || !QDir::isAbsolutePath(kept)) return home;
  // Up from a folder that is gone to one that is there.
  QString folder = QDir::cleanPath(kept);
  while (!QFileInfo(folder).isDir()) {
    const QString above = QFileInfo(folder).path();
    if (above == folder) return home;
    folder = above;
  }
  return folder;
}

std::optional<QSize> kept_size(const store::OwnSettings& settings) {
  const QStringList parts = settings.value(kSizeKey).split(QLatin1Char(','));
  if (parts.size() != 2) return std::nullopt;
  bool width_ok = false;
  bool height_ok = false;
  const QSize size(parts[0].trimmed().toInt(&width_ok), parts[1].trimmed().toInt(&height_ok));
  if (!width_ok || !height_ok || size.width() <= 0 || size.height() <= 0) return std::nullopt;
  return size;
}

QString keep_import_place(store::OwnSettings& settings, const QString& folder, QSize size) {
  settings.set_value(kFolderKey, folder);
  settings.set_value(kSizeKey, QStringLiteral("%1,%2").arg(size.width()).arg(size.height()));
  return settings.save_reporting_once();
}

}  // namespace photo_import
