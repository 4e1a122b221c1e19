#include "ui/platform_choice.h"

#include <QtGlobal>

namespace ui {

QByteArray chosen_platform(const QByteArray& qpa_platform, const QByteArray& wayland_display,
                           const QByteArray& display, const QList<QByteArray>& arguments) {
  // Qt treats an empty QT_QPA_PLATFORM as unset.
  if (!qpa_platform.isEmpty()) return {};
  // Qt reads "-platform NAME" and "--platform NAME" alike.
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    if (arguments[i] == "-platform" || arguments[i] == "--platform") return {};
  }
  if (wayland_display.isEmpty() || display.isEmpty()) return {};
  return QByteArrayLiteral("xcb;wayland");
}

void choose_platform(int argc, char** argv) {
  QList<QByteArray> arguments;
  for (int i = 0; i < argc; ++i) arguments.append(QByteArray(argv[i]));
  const QByteArray platform = chosen_platform(qgetenv("QT_QPA_PLATFORM"), qgetenv("WAYLAND_DISPLAY"),
                                              qgetenv("DISPLAY"), arguments);
  if (!platform.isEmpty()) qputenv("QT_QPA_PLATFORM", platform);
}

}  // namespace ui
