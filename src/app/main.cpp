#include "shell/Startup.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    Startup::answerInformationRequests(argc, argv);
    QApplication app(argc, argv);
    return Startup::run(app);
}
