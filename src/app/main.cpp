// Starts the desktop program: one window with an empty list, then the event loop.
#include "app/PagetallyApp.h"
#include "app/Translations.h"

#include <QApplication>

int main(int, char*[])
{
    // The program takes no arguments, so none reach Qt either.
    static char name[] = "pagetally";
    char* args[] = {name, nullptr};
    int count = 1;
    QApplication application(count, args);
    // The languages the person chose for the desktop, as Qt reads them from the system.
    pagetally::installTranslations(application);
    pagetally::PagetallyApp app;
    app.openWindow();
    application.exec();
    return 0;
}
