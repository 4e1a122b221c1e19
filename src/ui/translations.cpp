#include "ui/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace ui {

QString install_japanese_translations(QCoreApplication& app) {
  auto* translator = new QTranslator(&app);
  const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  if (!translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"), QStringLiteral("_"),
                        dir)) {
    delete translator;
    return QString();
  }
  QCoreApplication::installTranslator(translator);
  return translator->filePath();
}

}  // namespace ui
