// A backup archive from anywhere: the first look and the whole restore run
// on the bytes, in a scratch folder in memory. Whatever the bytes, nothing
// appears outside the chosen folder; a refused or failed restore leaves no
// folder behind and says in Japanese why; a restore that succeeds leaves
// only plain files and folders, each inside the chosen folder.

#include <QDirIterator>
#include <QFileInfo>
#include <atomic>

#include "fuzz_common.h"
#include "store/backup/backup_restore.h"
#include "store/backup/restore_check.h"

namespace {

bool has_japanese(const QString& text) {
  for (const QChar c : text) {
    if (c.unicode() >= 0x3040) return true;
  }
  return false;
}

// Everything below the folder, as relative names.
QStringList everything_below(const QString& folder) {
  QStringList names;
  QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) names << QDir(folder).relativeFilePath(it.next());
  names.sort();
  return names;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace fuzzing;
  const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const QString archive = scratch() + QStringLiteral("backup.zip");
  const QString folder = scratch() + QStringLiteral("restored");
  QDir(folder).removeRecursively();
  put(archive, input);
  const QStringList before = everything_below(scratch());

  const store::BackupContents contents = store::read_backup_contents(archive);
  FUZZ_CHECK(contents.message.isEmpty() || has_japanese(contents.message), "the first look says why in Japanese");
  qint64 bytes = 0;
  for (const store::RestoreEntry& e : contents.entries) {
    FUZZ_CHECK(e.size >= 0 && e.size <= store::kMaxRestoredEntry, "entry sizes are bounded");
    if (contents.message.isEmpty()) {
      FUZZ_CHECK(!e.name.startsWith(QLatin1Char('/')) && !e.name.split(QLatin1Char('/')).contains(QStringLiteral("..")),
                 "an accepted name stays below the top folder");
    }
    if (!e.directory) bytes += e.size;
  }
  if (contents.message.isEmpty()) FUZZ_CHECK(bytes == contents.bytes, "the sizes add up");

  const std::atomic_bool go_on{false};
  store::RestoreRequest request{archive, folder, scratch() + QStringLiteral("program/"), {}};
  // Room enough for anything the first look lets through.
  request.free_space = [](const QString&) { return qint64(1) << 40; };
  const store::RestoreResult result = store::restore_backup(request, go_on);
  if (!contents.message.isEmpty()) FUZZ_CHECK(!result.ok, "what the first look refuses is never restored");
  if (result.ok) {
    FUZZ_CHECK(contents.message.isEmpty(), "a restore only of what the first look accepts");
    for (const QString& name : everything_below(folder)) {
      const QFileInfo info(folder + QLatin1Char('/') + name);
      FUZZ_CHECK(!info.isSymLink() && (info.isFile() || info.isDir()), "only plain files and folders are restored");
      FUZZ_CHECK(info.canonicalFilePath().startsWith(QFileInfo(folder).canonicalFilePath() + QLatin1Char('/')),
                 "every restored file lies inside the folder");
    }
    QDir(folder).removeRecursively();
  } else {
    FUZZ_CHECK(has_japanese(result.message), "a failed restore says why in Japanese");
    FUZZ_CHECK(!QFileInfo::exists(folder), "a failed restore leaves no folder behind");
  }
  FUZZ_CHECK(everything_below(scratch()) == before, "nothing appears outside the folder");
  return 0;
}
