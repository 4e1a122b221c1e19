#pragma once
// The program's icon, the same pictures that the installation puts into the
// desktop's icon theme (data/icons), built into the executable.

#include <QIcon>

namespace ui {

QIcon app_icon();

}  // namespace ui
