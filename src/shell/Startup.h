// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

class QApplication;

// The start-up routine: prepares the application, creates and shows the main window.
class Startup final {
public:
    // --help and --version: printed, and the process ends, before any window or setting exists.
    static void answerInformationRequests(int &argc, char **argv);
    static int run(QApplication &app);
};
