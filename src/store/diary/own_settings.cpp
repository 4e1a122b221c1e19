#include "store/diary/own_settings.h"

#include <QStringDecoder>

namespace store {

namespace {

QMap<QString, QString> read_values(const QString& path) {
  QMap<QString, QString> values;
  const ReadResult read = read_file_bytes(path);
  if (read.status != ReadStatus::Read) return values;
  for (const QByteArray& line : split_raw_lines(read.bytes)) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(line);
    if (utf8.hasError()) continue;
    const qsizetype equals = text.indexOf(QLatin1Char('='));
    if (equals <= 0) continue;
    const QString key = text.left(equals).trimmed();
    if (key.isEmpty()) continue;
    values.insert(key, text.mid(equals + 1));
  }
  return values;
}

bool has_line_end(const QString& text) {
  return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
}

}  // namespace

OwnSettings::OwnSettings(QString path) : path_(std::move(path)) {}

QString OwnSettings::path_in(const QString& data_dir) { return data_dir + QStringLiteral("verdalis.ini"); }

void OwnSettings::load() {
  values_ = read_values(path_);
  // Values set and not yet written stay as set.
  for (auto it = changed_.cbegin(); it != changed_.cend(); ++it) values_.insert(it.key(), it.value());
}

QString OwnSettings::value(const QString& key, const QString& fallback) const {
  return values_.value(key, fallback);
}

bool OwnSettings::set_value(const QString& key, const QString& value) {
  if (key.trimmed().isEmpty() || key != key.trimmed() || key.contains(QLatin1Char('=')) || has_line_end(key) ||
      has_line_end(value)) {
    return false;
  }
  values_.insert(key, value);
  changed_.insert(key, value);
  return true;
}

FileResult OwnSettings::save() {
  load();
  QByteArray bytes;
  for (auto it = values_.cbegin(); it != values_.cend(); ++it) {
    bytes += it.key().toUtf8() + '=' + it.value().toUtf8() + "\r\n";
  }
  FileResult result = write_file_bytes(path_, bytes);
  if (result) changed_.clear();
  return result;
}

QString OwnSettings::save_reporting_once() {
  const FileResult result = save();
  if (result) {
    failure_reported_ = false;
    return QString();
  }
  if (failure_reported_) return QString();
  failure_reported_ = true;
  return result.message;
}

}  // namespace store
