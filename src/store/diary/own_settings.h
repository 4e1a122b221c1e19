#pragma once
// verdalis.ini: the settings of our own tools, kept beside the data and
// apart from flower.ini, whose format is fixed. One "key=value" line per
// setting, UTF-8, every line ending CR LF. Each tool owns its keys; keys
// this program does not know (written by a later version, or by another
// tool) are kept as they are. The file is a convenience: a missing,
// unreadable or damaged file only means defaults.

#include <QMap>
#include <QString>

#include "store/files/text_file.h"

namespace store {

class OwnSettings {
 public:
  // `path`: the full path of the file.
  explicit OwnSettings(QString path);
  // "<data_dir>verdalis.ini".
  static QString path_in(const QString& data_dir);

  // Reads the file again. Lines that are not "key=value" with a non-empty
  // key, and lines that are not UTF-8, are skipped; the last of several
  // lines with one key wins.
  void load();
  QString value(const QString& key, const QString& fallback = QString()) const;
  bool contains(const QString& key) const { return values_.contains(key); }
  // Keys may not hold "=" or line ends, values no line ends; such a call
  // is refused (false) and changes nothing.
  bool set_value(const QString& key, const QString& value);

  // Writes the file whole (through a temporary file and a rename). The
  // file is read again first and only the values set here since are laid
  // over it, so that two tools writing their own keys never undo each
  // other's. On failure the result carries the Japanese message naming
  // the file.
  FileResult save();
  // As save(), but the message of a failure is handed back only the first
  // time in a row the file cannot be written: a setting saved on every
  // close must not bring up the same message every time. Empty otherwise.
  QString save_reporting_once();

  const QString& path() const { return path_; }

 private:
  QString path_;
  QMap<QString, QString> values_;
  QMap<QString, QString> changed_;
  bool failure_reported_ = false;
};

}  // namespace store
