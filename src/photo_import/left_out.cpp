// What the photo import leaves out of a folder, said in the window: files
// it cannot read (named, with the reason and what to do), formats it cannot
// take, videos and edit files, and originals replaced by their edited copy.
// Nothing is left out silently: the full list is one click away.

#include <QFileInfo>
#include <QLabel>
#include <QPushButton>

#include "photo_import/f_import.h"

namespace {

// At most this many unreadable photos are named in the window itself.
constexpr qsizetype kNamedInWindow = 2;
constexpr qsizetype kListedAtMost = 40;

// "path（reason）" as "name（reason）".
QString file_name_of(const QString& entry) {
  const qsizetype reason = entry.indexOf(QStringLiteral("（"));
  if (reason < 0) return QFileInfo(entry).fileName();
  return QFileInfo(entry.left(reason)).fileName() + entry.mid(reason);
}

void add_section(QStringList& lines, const QString& heading, const QStringList& entries) {
  if (entries.isEmpty()) return;
  lines << heading;
  const qsizetype listed = std::min(entries.size(), kListedAtMost);
  for (qsizetype i = 0; i < listed; ++i) lines << QStringLiteral("・") + entries[i];
  if (entries.size() > listed) lines << QStringLiteral("ほか %1 個").arg(entries.size() - listed);
}

}  // namespace

void F_import::show_left_out() {
  QStringList left;
  if (!scan_.unreadable.isEmpty()) left << QStringLiteral("読めないファイル %1 個").arg(scan_.unreadable.size());
  if (!scan_.unsupported.isEmpty()) left << QStringLiteral("表示できない形式 %1 個").arg(scan_.unsupported.size());
  if (!scan_.videos.isEmpty()) left << QStringLiteral("動画 %1 個").arg(scan_.videos.size());
  if (!scan_.edit_files.isEmpty()) left << QStringLiteral("編集情報（.AAE）%1 個").arg(scan_.edit_files.size());
  if (!scan_.superseded.isEmpty()) {
    left << QStringLiteral("編集前の写真 %1 枚（編集後の写真を取り込みます）").arg(scan_.superseded.size());
  }
  Command3->setVisible(!left.isEmpty());
  if (left.isEmpty()) {
    Label2->clear();
    return;
  }
  Label2->setText(QStringLiteral("取り込まないもの：") + left.join(QStringLiteral("、")));
  // The first unreadable photos are named where the user looks, with
  // what to do about them.
  if (scan_.unreadable.isEmpty() || scan_.cancelled || !scan_.message.isEmpty()) return;
  QStringList named;
  for (qsizetype i = 0; i < std::min(scan_.unreadable.size(), kNamedInWindow); ++i) {
    named << file_name_of(scan_.unreadable[i]);
  }
  QString text = Label1->text() + QStringLiteral("\n読めない写真：") + named.join(QStringLiteral("\n"));
  if (scan_.unreadable.size() > kNamedInWindow) {
    text += QStringLiteral("\nほか %1 個（「一覧」に理由があります）").arg(scan_.unreadable.size() - kNamedInWindow);
  }
  Label1->setText(text);
}

void F_import::show_left_out_list() {
  QStringList lines;
  add_section(lines, QStringLiteral("読めないファイル："), scan_.unreadable);
  add_section(lines, QStringLiteral("表示できない形式（取り込めません）："), scan_.unsupported);
  add_section(lines, QStringLiteral("動画（取り込みません）："), scan_.videos);
  add_section(lines, QStringLiteral("編集情報（取り込みません）："), scan_.edit_files);
  add_section(lines, QStringLiteral("編集前の写真（編集後の写真を取り込みます）："), scan_.superseded);
  if (!lines.isEmpty()) messages_.inform(this, lines.join(QLatin1Char('\n')), store::kAppTitle);
}
