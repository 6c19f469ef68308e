#ifndef TRANSLATIONS_H
#define TRANSLATIONS_H

#include <QString>

class QCoreApplication;

// Zelkor speaks the user's language: English or Russian, built into the program. Where no
// translation matches (the C or POSIX locale), the texts stay as the sources hold them.
namespace Translations {

// Installs the translation for language (a locale name such as "en" or "ru_RU"; empty: the
// system's). Answers false when none matches. Call before the first text is translated, also
// before the scan starts, since it translates its texts in a thread of its own.
bool install(QCoreApplication &application, const QString &language = QString());

} // namespace Translations

#endif // TRANSLATIONS_H
