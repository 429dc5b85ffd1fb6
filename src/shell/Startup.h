// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

class QApplication;
class TerminationSignals;
class frmMain;

// The start-up routine: prepares the application, creates and shows the main window.
class Startup final {
public:
    // --help and --version: printed, and the process ends, before any window or setting exists.
    static void answerInformationRequests(int &argc, char **argv);
    static int run(QApplication &app);
    // The end of the session closes the window as a close does. A termination signal, or the session
    // manager's order to quit, asks nothing: nobody is there to answer. The session manager's request
    // to save what is open asks about a running transfer if it lets the program ask; "No" then calls
    // off the session's end where the manager allows it.
    static void closeAtSessionEnd(frmMain &form, const TerminationSignals &termination);
};
