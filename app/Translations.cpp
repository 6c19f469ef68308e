#include "Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

// Where the build puts the compiled translations among the program's resources.
const QString ResourceFolder = QStringLiteral(":/i18n");

bool installTranslator(QCoreApplication &application, const QLocale &locale, const QString &name,
                       const QString &folder)
{
    auto *translator = new QTranslator(&application);
    if (!translator->load(locale, name, QStringLiteral("_"), folder)) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

} // namespace

bool Translations::install(QCoreApplication &application, const QString &language)
{
    const QLocale locale = language.isEmpty() ? QLocale::system() : QLocale(language);
    if (!installTranslator(application, locale, QStringLiteral("zelkor"), ResourceFolder))
        return false;
    // Qt's own dialogs (the file chooser) speak the same language where the system has Qt's
    // translations installed.
    installTranslator(application, locale, QStringLiteral("qtbase"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    return true;
}
