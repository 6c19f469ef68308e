#include "Translations.h"
#include "Zelkor.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    Translations::install(application);
    Zelkor window;
    window.show();
    return application.exec();
}
