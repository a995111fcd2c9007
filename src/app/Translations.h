// The program's texts in the person's language, and the toolkit's own texts of its standard
// dialogs in the same language.
#pragma once

#include <QLocale>

class QCoreApplication;

namespace pagetally {

// Where the compiled translations are embedded ("pagetally_de.qm" and so on).
inline constexpr const char* translationsDirectory = ":/pagetally/i18n";

// Takes the first of `locale`'s languages that the program has a translation for, stopping at
// English, the language of the texts themselves, and installs it on `application` together
// with the toolkit's own translation for it. Returns the language installed, or English.
QLocale::Language installTranslations(QCoreApplication& application,
                                      const QLocale& locale = QLocale::system(),
                                      const QString& directory = QString::fromLatin1(translationsDirectory));

} // namespace pagetally
