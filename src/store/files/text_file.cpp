#include "store/files/text_file.h"

#include <QFile>
#include <QFileInfo>

#include "store/files/codec.h"
#include "store/files/durable_file.h"
#include "store/files/error_texts.h"

namespace store {

QList<QByteArray> split_raw_lines(const QByteArray& bytes) {
  QList<QByteArray> lines = bytes.split('\n');
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  for (QByteArray& line : lines) {
    if (line.endsWith('\r')) line.chop(1);
  }
  return lines;
}

QString write_failure_message(const QString& path, const QString& reason) {
  return QStringLiteral("ファイル「%1」に書き込めませんでした。\n理由：%2\nファイルは以前の内容のままです。")
      .arg(path, reason);
}

QString read_failure_message(const QString& path, const QString& reason) {
  return QStringLiteral("ファイル「%1」を読み込めませんでした。\n理由：%2").arg(path, reason);
}

QString unencodable_message(const QString& path) {
  return write_failure_message(
      path, QStringLiteral("保存できない文字（シフトJISにない文字）が含まれています"));
}

ReadResult read_file_bytes(const QString& path) {
  ReadResult result;
  const QFileInfo info(path);
  if (!info.exists() && !info.isSymLink()) {
    result.status = ReadStatus::Missing;
    return result;
  }
  if (!info.isFile()) {
    result.status = ReadStatus::Failed;
    result.message = read_failure_message(path, QStringLiteral("通常のファイルではありません"));
    return result;
  }
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    result.status = ReadStatus::Failed;
    result.message = read_failure_message(path, file_error_reason(file.error(), file.errorString()));
    return result;
  }
  result.bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) {
    result.status = ReadStatus::Failed;
    result.bytes.clear();
    result.message = read_failure_message(path, file_error_reason(file.error(), file.errorString()));
    return result;
  }
  result.status = ReadStatus::Read;
  return result;
}

ReadLinesResult read_text_lines(const QString& path) {
  ReadResult raw = read_file_bytes(path);
  ReadLinesResult result;
  result.status = raw.status;
  result.message = raw.message;
  if (raw.status == ReadStatus::Read) result.lines = split_lines(decode_cp932(raw.bytes));
  return result;
}

FileResult write_file_bytes(const QString& path, const QByteArray& bytes) {
  const DurableWrite written = replace_durably(path, bytes);
  return written.error == 0 ? FileResult::success() : durable_write_failure(path, written);
}

FileResult write_text_lines(const QString& path, const QStringList& lines) {
  bool ok = false;
  const QByteArray bytes = join_lines_cp932(lines, &ok);
  if (!ok) return FileResult::failure(unencodable_message(path));
  return write_file_bytes(path, bytes);
}

FileResult remove_file(const QString& path) {
  const QStringList failures = remove_files_durably({path});
  return failures.isEmpty() ? FileResult::success() : FileResult::failure(failures.join(QLatin1Char('\n')));
}

}  // namespace store
