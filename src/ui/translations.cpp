#include "ui/translations.h"

#include <QCoreApplication>
#include <QHash>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace ui {

namespace {

// Texts Qt 6 moved to a context of its own that Qt's Japanese translations
// do not hold yet: the file dialogs' type column says "Folder" without it.
class MissingQtTexts final : public QTranslator {
 public:
  using QTranslator::QTranslator;

  QString translate(const char* context, const char* source, const char* /*disambiguation*/,
                    int /*n*/) const override {
    if (qstrcmp(context, "QAbstractFileIconProvider") != 0) return QString();
    static const QHash<QByteArray, QString> texts{
        {"Folder", QStringLiteral("フォルダ")},       {"Drive", QStringLiteral("ドライブ")},
        {"Shortcut", QStringLiteral("ショートカット")}, {"Alias", QStringLiteral("エイリアス")},
        {"Unknown", QStringLiteral("不明")},
    };
    return texts.value(QByteArray(source));
  }
  bool isEmpty() const override { return false; }
};

}  // namespace

QString install_japanese_translations(QCoreApplication& app) {
  // Dates in the file dialogs and the names of file types (from the
  // desktop's MIME database) follow the default locale.
  QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
  auto* translator = new QTranslator(&app);
  const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  if (!translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"), QStringLiteral("_"),
                        dir)) {
    delete translator;
    return QString();
  }
  QCoreApplication::installTranslator(translator);
  QCoreApplication::installTranslator(new MissingQtTexts(&app));
  return translator->filePath();
}

}  // namespace ui
