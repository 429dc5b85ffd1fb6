// SPDX-License-Identifier: GPL-2.0-or-later
#include "shell/Startup.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    Startup::answerInformationRequests(argc, argv);
    QApplication app(argc, argv);
    return Startup::run(app);
}
