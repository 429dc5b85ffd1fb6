#pragma once

class QApplication;

// The start-up routine: prepares the application, creates and shows the main window.
class Startup final {
public:
    static int run(QApplication &app);
};
