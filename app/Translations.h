#ifndef TRANSLATIONS_H
#define TRANSLATIONS_H

#include <QString>
#include <QStringList>

class QCoreApplication;

// Zelkor speaks one language on screen, English or Russian, built into the program: Russian
// where the user's languages put Russian before English, English everywhere else (also under
// the C and POSIX locales and for languages it doesn't speak).
namespace Translations {

// The languages there are: "en" and "ru".
QStringList languages();
// The language for the user's languages, in their order of preference (QLocale::uiLanguages()).
QString languageFor(const QStringList &uiLanguages);
// Installs the translation for a language of languages() (empty: the system's). Answers false
// when it can't be loaded. Call before the first text is translated, also before the scan
// starts, since it translates its texts in a thread of its own.
bool install(QCoreApplication &application, const QString &language = QString());

} // namespace Translations

#endif // TRANSLATIONS_H
