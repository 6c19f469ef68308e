#include "Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

// Where the build puts the compiled translations among the program's resources.
const QString ResourceFolder = QStringLiteral(":/i18n");
const QString English = QStringLiteral("en");
const QString Russian = QStringLiteral("ru");

bool installTranslator(QCoreApplication &application, const QString &file, const QString &folder)
{
    auto *translator = new QTranslator(&application);
    if (!translator->load(file, folder)) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

} // namespace

QStringList Translations::languages()
{
    return {English, Russian};
}

QString Translations::languageFor(const QStringList &uiLanguages)
{
    for (const QString &language : uiLanguages) {
        const QString name = language.section(QLatin1Char('-'), 0, 0).section(QLatin1Char('_'), 0, 0);
        if (languages().contains(name))
            return name;
    }
    return English;
}

bool Translations::install(QCoreApplication &application, const QString &language)
{
    const QString chosen =
        language.isEmpty() ? languageFor(QLocale::system().uiLanguages()) : language;
    if (!installTranslator(application, QStringLiteral("zelkor_") + chosen, ResourceFolder))
        return false;
    // Qt's own dialogs (the file chooser) speak the same language where the system has Qt's
    // translations installed.
    installTranslator(application, QStringLiteral("qtbase_") + chosen,
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    return true;
}
