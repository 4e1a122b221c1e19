#pragma once
// Qt's own texts (standard buttons, the context menus of text boxes, file
// dialogs) in Japanese, like the rest of the interface.

#include <QString>

class QCoreApplication;

namespace ui {

// Loads Qt's Japanese translations into the application. Returns the path
// of the file loaded, or an empty text when none was found; Qt's texts then
// stay English, and the message boxes still label their own buttons.
QString install_japanese_translations(QCoreApplication& app);

}  // namespace ui
