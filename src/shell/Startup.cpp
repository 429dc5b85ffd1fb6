#include "shell/Startup.h"

#include "core/AppState.h"
#include "platform/FontSubstitutes.h"
#include "platform/QtFileDialogs.h"
#include "platform/QtMessageBoxes.h"
#include "platform/QtPrintDialogs.h"
#include "platform/QtPrintSurface.h"
#include "platform/QtProcessLauncher.h"
#include "platform/QtSerialPort.h"
#include "shell/frmMain.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QSettings>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

namespace {

// Closing the main window ends the program at once, also in the middle of a wait or a transfer:
// a handler paused in a nested event loop must never resume on a closed window.
void endProcess(int code = 0)
{
    std::fflush(nullptr);
    std::_Exit(code);
}

} // namespace

int Startup::run(QApplication &app)
{
    QApplication::setOrganizationName(QStringLiteral("Talvern"));
    QApplication::setApplicationName(QStringLiteral("Talvern"));
    QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                            .arg(TALVERN_VERSION_MAJOR)
                                            .arg(TALVERN_VERSION_MINOR)
                                            .arg(TALVERN_VERSION_PATCH));

    QCommandLineParser options;
    options.addHelpOption();
    const QCommandLineOption selfTest(QStringLiteral("self-test"),
                                      QStringLiteral("Start, show the window and close it again."));
    const QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                        QStringLiteral("Save a picture of the window to <file> and quit."),
                                        QStringLiteral("file"));
    options.addOption(selfTest);
    options.addOption(screenshot);
    options.process(app);

    FontSubstitutes::install();
    QApplication::setFont(QFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));

    AppState state;
    state.ProgramFolder = QApplication::applicationDirPath();
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Talvern"),
                    QStringLiteral("Talvern"));

    QtMessageBoxes messages;
    QtProcessLauncher launcher;
    QtFileDialogs fileDialogs;
    QtSerialPort port;
    QtPrintSurface printer;
    QtPrintDialogs printDialogs;
    frmMain form(state, store, {messages, launcher, fileDialogs, port, printer, printDialogs});
    QObject::connect(&form, &frmMain::unloaded, &app, [] { endProcess(); });
    state.StartupFolderPending = true;
    form.Show();
    form.LoadStartupSettingsFile();

    if (options.isSet(selfTest)) {
        QTimer::singleShot(500, &form, [&form] { form.close(); });
    } else if (options.isSet(screenshot)) {
        const QString file = options.value(screenshot);
        QTimer::singleShot(1500, &form, [&form, file] {
            const bool saved = form.grab().save(file);
            std::fprintf(stderr, "%s %s\n", saved ? "Saved" : "Could not save", qPrintable(file));
            // Leaves without the close, so a screenshot does not touch the remembered settings.
            endProcess(saved ? 0 : 1);
        });
    }
    return QApplication::exec();
}
