#include "store/sync/conflict_names.h"

#include <QFile>
#include <QRegularExpression>
#include <algorithm>
#include <cstring>
#include <dirent.h>

#include "store/diary/deleted_memos.h"

namespace store {

namespace {

// Each tool's mark between the base name and the extension; group 1 is the
// base name, group 2 the extension with its dot (or nothing).
const QRegularExpression& pattern(int k) {
  static const QRegularExpression patterns[] = {
      // Syncthing: name.sync-conflict-YYYYMMDD-HHMMSS-DEVICE.ext
      QRegularExpression(QStringLiteral(R"(^(.+)\.sync-conflict-\d{8}-\d{6}-[A-Z0-9]{7}(\.[^.]*)?$)")),
      // Nextcloud and Dropbox: name (conflicted copy 2018-04-10 093612).ext,
      // name (Hanako's conflicted copy 2018-04-10).ext, maybe with " (1)".
      QRegularExpression(QStringLiteral(
          R"(^(.+?) \((?:[^()]*?(?:'s|’s) )?conflicted copy \d{4}-\d{2}-\d{2}(?: \d{6})?(?: \(\d+\))?\)(\.[^.]*)?$)")),
      // ownCloud: name_conflict-USER-YYYYMMDD-HHMMSS.ext
      QRegularExpression(QStringLiteral(R"(^(.+?)_conflict-.*-\d{8}-\d{6}(\.[^.]*)?$)")),
  };
  return patterns[k];
}

bool memo_file_name(const QString& name, QChar lead) {
  static const QRegularExpression digits(QStringLiteral(R"(^[mg]\d{7}\.txt$)"));
  return name.startsWith(lead) && digits.match(name).hasMatch();
}

// The file names of one folder (no sub-folders, nothing hidden).
QStringList names_in(const QString& folder) {
  QStringList names;
  DIR* dir = ::opendir(QFile::encodeName(folder).constData());
  if (!dir) return names;
  while (const dirent* entry = ::readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    // A copy's name always holds a blank, a "-" or "_" besides its own
    // name: the thousands of memo files are passed over unread.
    const char* n = entry->d_name;
    if (!std::strpbrk(n, " -_")) continue;
    names << QFile::decodeName(n);
  }
  ::closedir(dir);
  names.sort();
  return names;
}

}  // namespace

QString conflict_original(const QString& file_name) {
  for (int k = 0; k < 3; ++k) {
    const QRegularExpressionMatch m = pattern(k).match(file_name);
    if (m.hasMatch()) return m.captured(1) + m.captured(2);
  }
  return QString();
}

DataFileKind data_file_kind(const QString& path) {
  if (path == QLatin1String("flower.dat")) return DataFileKind::MemoIndex;
  if (path == QLatin1String("basyo.dat")) return DataFileKind::Locations;
  if (path == QLatin1String("hinsyu.dat")) return DataFileKind::Varieties;
  if (path == QLatin1String("flower.ini")) return DataFileKind::Settings;
  if (path == kDeletedMemosName) return DataFileKind::DeletedMemos;
  if (path == kVersionsName) return DataFileKind::Versions;
  if (path.startsWith(QLatin1String("memo/"))) {
    const QString name = path.mid(5);
    if (memo_file_name(name, u'm')) return DataFileKind::Body;
    if (memo_file_name(name, u'g')) return DataFileKind::Pictures;
  }
  return DataFileKind::None;
}

std::vector<ConflictCopy> find_conflict_copies(const QString& data_dir, bool in_data_dir, bool in_memo_dir) {
  std::vector<ConflictCopy> copies;
  for (const QString& folder : {QString(), QStringLiteral("memo/")}) {
    if (!(folder.isEmpty() ? in_data_dir : in_memo_dir)) continue;
    for (const QString& name : names_in(data_dir + folder)) {
      const QString original = conflict_original(name);
      if (original.isEmpty()) continue;
      const DataFileKind kind = data_file_kind(folder + original);
      if (kind == DataFileKind::None) continue;
      copies.push_back({folder + name, folder + original, kind});
    }
  }
  return copies;
}

}  // namespace store
