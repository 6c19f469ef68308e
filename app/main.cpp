#include "Zelkor.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    Zelkor window;
    window.show();
    return application.exec();
}
