#include "ui/app_icon.h"

namespace ui {

QIcon app_icon() {
  QIcon icon;
  for (int size : {32, 48, 64, 128, 256}) {
    icon.addFile(QStringLiteral(":/icons/verdalis-%1.png").arg(size), QSize(size, size));
  }
  return icon;
}

}  // namespace ui
