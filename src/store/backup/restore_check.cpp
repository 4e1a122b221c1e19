#include "store/backup/restore_check.h"

#include <archive.h>
#include <archive_entry.h>
#include <set>

#include "store/backup/archive_io.h"
#include "store/backup/backup_names.h"

namespace store {

namespace {

// Why an archive entry of this kind may not be restored ("" when it may).
QString refused_entry_kind(archive_entry* e) {
  if (archive_entry_hardlink(e) != nullptr || archive_entry_symlink(e) != nullptr) return QStringLiteral("リンクの項目");
  const auto type = archive_entry_filetype(e);
  if (type == AE_IFLNK) return QStringLiteral("リンクの項目");
  if (type != AE_IFREG && type != AE_IFDIR) return QStringLiteral("装置や FIFO などの特殊な項目");
  if (archive_entry_is_encrypted(e)) return QStringLiteral("暗号化された項目");
  if (type == AE_IFREG) {
    if (archive_entry_size_is_set(e) == 0) return QStringLiteral("大きさの記録されていない項目");
    if (archive_entry_size(e) > kMaxRestoredEntry) return QStringLiteral("2 GB を超える大きさの項目");
    if (archive_entry_size(e) < 0) return QStringLiteral("大きさの壊れた項目");
  }
  return QString();
}

}  // namespace

QString unrestorable_message(const QString& archive, const QString& why) {
  return QStringLiteral("バックアップ「%1」を復元できません。\n理由：%2").arg(archive, why);
}

// Every header is read before the archive is judged: whether it is a
// Verdalis backup at all is said first, and only then which of its
// entries a restore refuses.
BackupContents read_backup_contents(const QString& archive) {
  const Utf8Names names_in_utf8;
  BackupContents out;
  ArchiveReader reader;
  if (const QString why = open_zip_for_reading(reader, archive); !why.isEmpty()) {
    out.message = why;
    return out;
  }
  const QString top = QString::fromUtf16(kBackupTop);
  std::set<QString> names;
  QString refused;
  QString last;
  for (;;) {
    archive_entry* e = nullptr;
    const int r = archive_read_next_header(reader.get(), &e);
    if (r == ARCHIVE_EOF) break;
    if (r != ARCHIVE_OK) {
      out.message = unrestorable_message(archive, archive_header_failure(reader.get(), last));
      return out;
    }
    const char* utf8 = archive_entry_pathname_utf8(e);
    if (utf8 == nullptr) {
      if (refused.isEmpty()) refused = QStringLiteral("名前を読めない項目があります");
      continue;
    }
    const QString name = QString::fromUtf8(utf8);
    last = name;
    const bool directory = archive_entry_filetype(e) == AE_IFDIR;
    QString why = refused_entry_kind(e);
    if (why.isEmpty()) why = refused_entry_name(name, directory);
    QString inner = name.mid(top.size());
    if (directory && inner.endsWith(QLatin1Char('/'))) inner.chop(1);
    if (!why.isEmpty()) why = QStringLiteral("%1「%2」があります").arg(why, name);
    if (why.isEmpty() && !names.insert(inner + (directory ? QStringLiteral("/") : QString())).second)
      why = QStringLiteral("同じ名前の項目「%1」が二つあります").arg(name);
    if (!why.isEmpty()) {
      if (refused.isEmpty()) refused = why;
      continue;
    }
    out.entries.push_back({inner, directory, directory ? 0 : archive_entry_size(e), archive_entry_mtime(e)});
    out.bytes += out.entries.back().size;
  }
  if (names.count(backup_data_files().front()) == 0) {
    out.message = QStringLiteral("「%1」は Verdalis のバックアップではありません（「%2%3」がありません）。")
                      .arg(archive, top, backup_data_files().front());
  } else if (!refused.isEmpty()) {
    out.message = unrestorable_message(archive, refused);
  }
  return out;
}

}  // namespace store
