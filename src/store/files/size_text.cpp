#include "store/files/size_text.h"

#include <QLocale>

namespace store {

QString size_text(qint64 bytes) {
  const QLocale c = QLocale::c();
  if (bytes >= (qint64(1) << 30)) return c.toString(double(bytes) / double(qint64(1) << 30), 'f', 1) + QStringLiteral(" GB");
  if (bytes >= (qint64(1) << 20)) return c.toString(double(bytes) / double(1 << 20), 'f', 1) + QStringLiteral(" MB");
  return c.toString((bytes + 1023) / 1024) + QStringLiteral(" KB");
}

}  // namespace store
