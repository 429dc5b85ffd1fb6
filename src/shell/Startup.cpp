// SPDX-License-Identifier: GPL-2.0-or-later
#include "shell/Startup.h"

#include "TalvernVersion.h"

#include "core/AppState.h"
#include "machine/MachineFilesFolder.h"
#include "platform/print/QtPrintDialogs.h"
#include "platform/print/QtPrintSurface.h"
#include "platform/serial/ConfiguredSerialPort.h"
#include "platform/system/QtProcessLauncher.h"
#include "platform/system/TerminationSignals.h"
#include "platform/ui/FontSubstitutes.h"
#include "platform/ui/QtFileDialogs.h"
#include "platform/ui/QtMessageBoxes.h"
#include "platform/ui/QtTranslations.h"
#include "shell/frmMain.h"
#include "transfer/ui/TransferCommands.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QSessionManager>
#include <QSettings>
#include <QStandardPaths>
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

// The command line's options; their help texts are for developers and stay in English.
struct CommandLine {
    CommandLine()
    {
        QCoreApplication::setOrganizationName(QStringLiteral("Talvern"));
        QCoreApplication::setApplicationName(QStringLiteral("Talvern"));
        QCoreApplication::setApplicationVersion(QLatin1String(TalvernVersion::Text));
        parser.addOption(machine);
        parser.addOption(listen);
        parser.addOption(selfTest);
        parser.addOption(screenshot);
    }

    QCommandLineParser parser;
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    // One window for each machine: a menu entry or shortcut per machine names its file.
    const QCommandLineOption machine{
        QStringLiteral("machine"),
        QStringLiteral("Start with the machine settings file <name> of the settings folder instead of the "
                       "remembered one."),
        QStringLiteral("name")};
    const QCommandLineOption listen{
        QStringLiteral("listen"),
        QStringLiteral(
            "Start listening to the machine as soon as the window is shown, so that one window per "
            "machine can listen from login.")};
    const QCommandLineOption selfTest{QStringLiteral("self-test"),
                                      QStringLiteral("Start, show the window and close it again.")};
    const QCommandLineOption screenshot{QStringLiteral("screenshot"),
                                        QStringLiteral("Save a picture of the window to <file> and quit."),
                                        QStringLiteral("file")};
};

// The application is told to quit, which the session manager's last word comes as: the window then
// closes without a question.
class QuitUnasked final : public QObject {
public:
    QuitUnasked(TransferCommands &transfer, QObject *parent) : QObject(parent), m_transfer(transfer) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == QCoreApplication::instance() && event->type() == QEvent::Quit)
            m_transfer.closeWithoutAsking();
        return false;
    }

private:
    TransferCommands &m_transfer;
};

} // namespace

void Startup::answerInformationRequests(int &argc, char **argv)
{
    CommandLine options;
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    options.parser.parse(arguments);
    if (!options.parser.isSet(options.help) && !options.parser.isSet(QStringLiteral("help-all")) &&
        !options.parser.isSet(options.version))
        return;
    // Answered before any window, setting or display is touched: this prints and ends the process.
    const QCoreApplication plain(argc, argv);
    options.parser.process(plain);
}

int Startup::run(QApplication &app)
{
    CommandLine options;
    options.parser.process(app);
    // Lets the desktop match the window to the installed menu entry and its icon.
    QApplication::setDesktopFileName(QStringLiteral("org.talvern.Talvern"));
    QtTranslations::install(app);

    FontSubstitutes::install();
    QApplication::setFont(QFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));

    AppState state;
    state.SettingsFolder = MachineFilesFolder::prepare(
        QApplication::applicationDirPath(),
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Talvern"));
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Talvern"),
                    QStringLiteral("Talvern"));

    QtMessageBoxes messages;
    QtProcessLauncher launcher;
    QtFileDialogs fileDialogs;
    ConfiguredSerialPort port(PortDevices(store.fileName(), store.format()));
    QtPrintSurface printer;
    QtPrintDialogs printDialogs;
    frmMain form(state, store, {messages, launcher, fileDialogs, port, printer, printDialogs});
    QObject::connect(&form, &frmMain::unloaded, &app, [] { endProcess(); });
    const TerminationSignals termination;
    closeAtSessionEnd(form, termination);
    state.StartupFolderPending = true;
    form.Show();
    form.LoadStartupSettingsFile(options.parser.value(options.machine));
    if (options.parser.isSet(options.listen))
        form.ListenOnceRestored();

    if (options.parser.isSet(options.selfTest)) {
        QTimer::singleShot(500, &form, [&form] { form.close(); });
    } else if (options.parser.isSet(options.screenshot)) {
        const QString file = options.parser.value(options.screenshot);
        QTimer::singleShot(1500, &form, [&form, file] {
            const bool saved = form.grab().save(file);
            std::fprintf(stderr, "%s %s\n", saved ? "Saved" : "Could not save", qPrintable(file));
            // Leaves without the close, so a screenshot does not touch the remembered settings.
            endProcess(saved ? 0 : 1);
        });
    }
    return QApplication::exec();
}

void Startup::closeAtSessionEnd(frmMain &form, const TerminationSignals &termination)
{
    TransferCommands *transfer = form.transfer();
    QObject::connect(&termination, &TerminationSignals::received, &form, [&form, transfer] {
        transfer->closeWithoutAsking();
        form.close();
    });
    QCoreApplication::instance()->installEventFilter(new QuitUnasked(*transfer, &form));
    // Asked for only with a transfer running: the manager may hold the session's end until it is
    // answered. A checkpoint comes the same way, so without a transfer nothing closes here; the
    // manager's quit closes the window in the end.
    QObject::connect(
        qApp, &QGuiApplication::commitDataRequest, &form,
        [&form, transfer](QSessionManager &manager) {
            if (!transfer->running() || !manager.allowsInteraction())
                return;
            const bool end = transfer->mayClose();
            manager.release();
            if (!end)
                return manager.cancel();
            transfer->closeWithoutAsking();
            QTimer::singleShot(0, &form, &QWidget::close); // once the manager has heard the answer
        },
        Qt::DirectConnection);
}
