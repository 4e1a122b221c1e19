#include "store/pictures/repoint_undo.h"

#include <map>

#include "store/diary/memo_files.h"
#include "store/files/file_journal.h"
#include "store/files/text_file.h"

namespace store {

RepointUndo undo_repoint(const QString& data_dir, const RepointRecord& record) {
  std::map<QString, std::vector<const RepointedPicture*>> by_memo;
  for (const RepointedPicture& p : record.pictures) by_memo[p.memo_no].push_back(&p);
  FileJournal journal(data_dir);
  RepointUndo done;
  std::vector<std::pair<QString, QByteArray>> files;
  const auto fail = [&](const QString& message) {
    QStringList failures = journal.rollback();
    failures.prepend(message);
    return RepointUndo{false, failures.join(QStringLiteral("\n")), 0, 0, 0};
  };
  for (const auto& [memo_no, pictures] : by_memo) {
    const QString path = memo_images_path(data_dir, memo_no);
    const ReadResult read = read_file_bytes(path);
    if (read.status == ReadStatus::Failed) return fail(read.message);
    if (read.status == ReadStatus::Missing) {  // the memo was deleted
      done.skipped += static_cast<int>(pictures.size());
      continue;
    }
    QList<QByteArray> lines = split_raw_lines(read.bytes);
    int put_back = 0;
    for (const RepointedPicture* p : pictures) {
      const qsizetype line = 2 * static_cast<qsizetype>(p->position - 1);
      if (p->position < 1 || line >= lines.size() || lines[line] != p->new_line) {
        ++done.skipped;
        continue;
      }
      lines[line] = p->old_line;
      ++put_back;
    }
    if (put_back == 0) continue;
    QByteArray bytes;
    bytes.reserve(read.bytes.size() + 64);
    for (const QByteArray& l : lines) bytes += l + "\r\n";
    files.emplace_back(path, std::move(bytes));
    ++done.files;
    done.pictures += put_back;
  }
  if (const FileResult written = journal.write_files(files); !written) return fail(written.message);
  if (const FileResult committed = journal.commit(); !committed) return fail(committed.message);
  return done;
}

QString repoint_done_text(const RepointRecord& record) {
  // One pass of arg(): a "%" in a folder name is never taken for a place.
  return QStringLiteral("「%1」の画像 %2 枚を「%3」に付け替えました。")
      .arg(record.old_folder, QString::number(record.count()), record.new_folder);
}

QString undo_offer_text(const RepointRecord& record) {
  if (record.empty()) return QString();
  return QStringLiteral("元に戻す: 「%1」→「%2」 %3 枚")
      .arg(record.new_folder, record.old_folder, QString::number(record.count()));
}

QString undo_done_text(const RepointRecord& record, const RepointUndo& undo) {
  QString text = QStringLiteral("「%1」の画像 %2 枚を「%3」に戻しました。")
                     .arg(record.new_folder, QString::number(undo.pictures), record.old_folder);
  if (undo.skipped > 0) {
    text += QStringLiteral("付け替えの後にメモが変更された %1 枚は、そのままにしました。").arg(undo.skipped);
  }
  return text;
}

}  // namespace store
