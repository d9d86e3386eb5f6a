#include "app/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <iterator>

namespace tarnwell::app {
namespace {
// The catalogue's languages in its order.
constexpr const char* kLocales[] = {"de", "en", "ru", "nl", "ro", "sv", "fr", "it"};
}  // namespace

bool UseQtTranslations(int language) {
  static QTranslator* installed = nullptr;
  static int installed_language = -1;
  if (language == installed_language) return installed != nullptr;
  installed_language = language;
  if (installed != nullptr) {
    QCoreApplication::removeTranslator(installed);
    delete installed;
    installed = nullptr;
  }
  if (language < 0 || language >= static_cast<int>(std::size(kLocales))) return false;
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (!translator->load(QLocale(QString::fromLatin1(kLocales[language])), QStringLiteral("qtbase"),
                        QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  QCoreApplication::installTranslator(translator);
  installed = translator;
  return true;
}

}  // namespace tarnwell::app
