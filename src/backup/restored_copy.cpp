#include "backup/restored_copy.h"

namespace restored_copy {

namespace {
const QString kOption = QStringLiteral("--position=");
}

QStringList arguments_for(const QPoint& at) { return {kOption + QStringLiteral("%1,%2").arg(at.x()).arg(at.y())}; }

std::optional<QPoint> position_in(const QStringList& arguments) {
  for (const QString& argument : arguments) {
    if (!argument.startsWith(kOption)) continue;
    const QStringList xy = argument.mid(kOption.size()).split(QLatin1Char(','));
    bool x_ok = false;
    bool y_ok = false;
    const int x = xy.value(0).toInt(&x_ok);
    const int y = xy.value(1).toInt(&y_ok);
    if (xy.size() == 2 && x_ok && y_ok) return QPoint(x, y);
  }
  return std::nullopt;
}

}  // namespace restored_copy
