#include "store/files/text_file.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>

#include "store/files/codec.h"
#include "store/files/error_texts.h"

namespace store {

namespace {

// The reason a write of `needed` bytes failed. A disk without room for
// them is named as such: the system's own text for it is not always kept
// (a failed commit can report "Unknown error").
QString write_reason(const QString& path, const QFileDevice& file, qint64 needed) {
  const QStorageInfo disk(QFileInfo(path).absolutePath());
  if (disk.isValid() && disk.bytesAvailable() >= 0 && disk.bytesAvailable() < needed) {
    return QStringLiteral("ディスクの空きが足りません（空き%1バイト、必要%2バイト）").arg(disk.bytesAvailable()).arg(needed);
  }
  return file_error_reason(file.error(), file.errorString());
}

}  // namespace

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
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    return FileResult::failure(write_failure_message(path, file_error_reason(file.error(), file.errorString())));
  }
  if (file.write(bytes) != bytes.size() || !file.flush()) {
    file.cancelWriting();
    return FileResult::failure(write_failure_message(path, write_reason(path, file, bytes.size())));
  }
  if (!file.commit()) {
    return FileResult::failure(write_failure_message(path, write_reason(path, file, bytes.size())));
  }
  return FileResult::success();
}

FileResult write_text_lines(const QString& path, const QStringList& lines) {
  bool ok = false;
  const QByteArray bytes = join_lines_cp932(lines, &ok);
  if (!ok) return FileResult::failure(unencodable_message(path));
  return write_file_bytes(path, bytes);
}

FileResult remove_file(const QString& path) {
  const QFileInfo info(path);
  if (!info.exists() && !info.isSymLink()) return FileResult::success();
  QFile file(path);
  if (!file.remove()) {
    return FileResult::failure(QStringLiteral("ファイル「%1」を削除できませんでした。\n理由：%2")
                                   .arg(path, file_error_reason(file.error(), file.errorString())));
  }
  return FileResult::success();
}

}  // namespace store
