#include "app/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace pagetally {

QLocale::Language
installTranslations(QCoreApplication& application, const QLocale& locale, const QString& directory)
{
    for (const QString& name : locale.uiLanguages()) {
        const QLocale language(name);
        if (language.language() == QLocale::English || language.language() == QLocale::C) {
            break;
        }
        auto* own = new QTranslator(&application);
        if (!own->load(language, QStringLiteral("pagetally"), QStringLiteral("_"), directory)) {
            delete own;
            continue;
        }
        QCoreApplication::installTranslator(own);
        // The file panel's, print panel's and message boxes' buttons; optional.
        auto* toolkit = new QTranslator(&application);
        if (toolkit->load(language, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            QCoreApplication::installTranslator(toolkit);
        } else {
            delete toolkit;
        }
        return language.language();
    }
    return QLocale::English;
}

} // namespace pagetally
