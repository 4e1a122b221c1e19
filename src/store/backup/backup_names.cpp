#include "store/backup/backup_names.h"

#include <QRegularExpression>
#include <QStringList>

namespace store {

const std::vector<QString>& backup_data_files() {
  static const std::vector<QString> files{QStringLiteral("flower.dat"), QStringLiteral("basyo.dat"),
                                          QStringLiteral("hinsyu.dat"), QStringLiteral("flower.ini")};
  return files;
}

namespace {

// A component that any system can extract: no character that Windows
// refuses in a file name, never "." or "..".
QString safe_component(QString part) {
  for (QChar& c : part) {
    if (c.unicode() < 0x20 || QStringLiteral("<>:\"|?*").contains(c)) c = QLatin1Char('_');
  }
  if (part == QStringLiteral("..")) part = QStringLiteral("__");
  return part;
}

bool is_drive(const QString& part) {
  return part.size() == 2 && part[1] == QLatin1Char(':') && part[0].isLetter() && part[0].unicode() < 0x80;
}

}  // namespace

QString picture_archive_name(const QString& stored_path) {
  QString path = stored_path;
  path.replace(QLatin1Char('\\'), QLatin1Char('/'));
  QStringList parts;
  for (const QString& part : path.split(QLatin1Char('/'))) {
    if (part.isEmpty() || part == QStringLiteral(".")) continue;
    // "C:" at the start becomes the folder "C".
    if (parts.isEmpty() && is_drive(part)) {
      parts << part.left(1);
      continue;
    }
    parts << safe_component(part);
  }
  if (parts.isEmpty()) parts << QStringLiteral("_");
  return QString::fromUtf16(kPictureFolder) + parts.join(QLatin1Char('/'));
}

QString numbered_archive_name(const QString& name, int n) {
  const qsizetype slash = name.lastIndexOf(QLatin1Char('/'));
  qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  if (dot <= slash + 1) dot = name.size();
  return name.left(dot) + QStringLiteral(" (%1)").arg(n) + name.mid(dot);
}

QByteArray picture_list_text(const std::vector<PictureListEntry>& stored, const std::vector<QString>& missing,
                             const QString& made_at) {
  QString text = QStringLiteral("Verdalis バックアップ（%1）\r\n\r\n").arg(made_at);
  text += QStringLiteral("保存した写真：%1枚（各行に元の場所とバックアップ内の場所をタブで区切って記載）\r\n").arg(stored.size());
  for (const PictureListEntry& e : stored) text += e.original + QLatin1Char('\t') + e.archived + QStringLiteral("\r\n");
  text += QStringLiteral("\r\n見つからなかった写真：%1枚\r\n").arg(missing.size());
  for (const QString& m : missing) text += m + QStringLiteral("\r\n");
  return text.toUtf8();
}

std::vector<PictureListEntry> parse_picture_list(const QByteArray& text) {
  std::vector<PictureListEntry> out;
  const QString prefix = QString::fromUtf16(kPictureFolder);
  for (QString line : QString::fromUtf8(text).split(QLatin1Char('\n'))) {
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    // The place in the archive never holds a TAB; the original path may.
    const qsizetype tab = line.lastIndexOf(QLatin1Char('\t'));
    if (tab <= 0) continue;
    PictureListEntry e{line.left(tab), line.mid(tab + 1)};
    if (e.archived.startsWith(prefix) && e.archived.size() > prefix.size()) out.push_back(std::move(e));
  }
  return out;
}

QString refused_entry_name(const QString& name, bool is_directory) {
  const QString top = QString::fromUtf16(kBackupTop);
  if (name.isEmpty() || name.startsWith(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) || is_drive(name.left(2)))
    return QStringLiteral("絶対パスの項目");
  QString rest = name;
  if (is_directory && rest.endsWith(QLatin1Char('/'))) rest.chop(1);
  const QStringList parts = rest.split(QLatin1Char('/'));
  for (const QString& part : parts) {
    if (part == QStringLiteral("..")) return QStringLiteral("「..」を含む項目");
    if (part.isEmpty() || part == QStringLiteral(".")) return QStringLiteral("空の名前を含む項目");
    if (part.contains(QLatin1Char(':'))) return QStringLiteral("ドライブ名を含む項目");
  }
  if (parts[0] + QLatin1Char('/') != top) return QStringLiteral("Verdalis フォルダの外の項目");
  // Below the top folder: the data files, memo/ and its files, 写真/ and
  // anything below it.
  const QStringList inner = parts.mid(1);
  if (inner.isEmpty()) return is_directory ? QString() : QStringLiteral("予期しない項目");
  const QString& first = inner[0];
  if (first + QLatin1Char('/') == QString::fromUtf16(kPictureFolder)) {
    return (is_directory || inner.size() >= 2) ? QString() : QStringLiteral("予期しない項目");
  }
  if (first == QStringLiteral("memo")) {
    return (is_directory ? inner.size() == 1 : inner.size() == 2) ? QString() : QStringLiteral("予期しない項目");
  }
  if (inner.size() == 1 && !is_directory) {
    for (const QString& f : backup_data_files())
      if (first == f) return QString();
    if (first == QString::fromUtf16(kPictureListName)) return QString();
  }
  return QStringLiteral("予期しない項目");
}

}  // namespace store
