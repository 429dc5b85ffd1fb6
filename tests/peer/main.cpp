// SPDX-License-Identifier: GPL-2.0-or-later
// A second Talvern in a process of its own, for the tests of two windows side by side: it holds a
// port as a transfer does, or closes window after window on one settings file; or a Talvern whose
// journal is being written when it is killed.
//
//   talvern-peer hold-port DEVICE                prints "open" or the refusal, holds until stdin ends
//   talvern-peer save-settings FILE WRITER ROUNDS starts and closes ROUNDS times, each with a whole
//                                                set of values that name WRITER and the round
//   talvern-peer write-journal FILE              puts running entries into the SQLite journal FILE,
//                                                one after another, until killed
#include "core/AppState.h"
#include "journal/Journal.h"
#include "journal/JournalDatabase.h"
#include "platform/serial/QtSerialPort.h"
#include "shell/PersistedSettings.h"

#include <QCoreApplication>
#include <QSettings>

#include <cstdio>

namespace {

int holdPort(const QString &device)
{
    qputenv("TALVERN_COM1", device.toLocal8Bit());
    QtSerialPort port;
    const bool open = port.setSettings(QStringLiteral("9600,N,8,1")) && port.setPortOpen(true);
    std::printf("%s\n", open ? "open" : qPrintable(port.errorString()));
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    return open ? 0 : 1;
}

// Every value of a close is its tag, writer * 1000 + round, so that a reader sees whose set it is.
int saveSettings(const QString &file, int writer, int rounds)
{
    for (int round = 0; round < rounds; ++round) {
        const int tag = writer * 1000 + round;
        const QString text = QString::number(tag);
        QSettings store(file, QSettings::IniFormat);
        AppState state;
        PersistedSettings::load(store, state);
        state.CurrentFolder = QLatin1Char('/') + text;
        state.Machine.MchFileName = text + QStringLiteral(".MCH");
        state.Print = {text,
                       tag,
                       PageOrientation(tag),
                       tag,
                       tag,
                       PrintOptions::Columns(tag),
                       PrintOptions::HeaderDate(tag)};
        PersistedSettings::save(store, {float(tag), float(tag), float(tag), float(tag)}, state);
    }
    return 0;
}

// Bounded, so that a test that dies first leaves nothing running for long.
int writeJournal(const QString &file)
{
    JournalDatabase db(QStringLiteral("peer"), {{}, file}, false);
    if (!db.open())
        return 1;
    for (int i = 0; i < 1'000'000; ++i) {
        TransferRecord record;
        record.id = QString::number(i);
        record.started = QDateTime::currentDateTimeUtc();
        record.machine = QStringLiteral("OSP-E100.MCH");
        record.program = QStringLiteral("O%1").arg(i);
        record.outcome = TransferRecord::Outcome::Running;
        Journal::stamp(record);
        (void)db.put(record);
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() == 3 && arguments[1] == QLatin1String("hold-port"))
        return holdPort(arguments[2]);
    if (arguments.size() == 5 && arguments[1] == QLatin1String("save-settings"))
        return saveSettings(arguments[2], arguments[3].toInt(), arguments[4].toInt());
    if (arguments.size() == 3 && arguments[1] == QLatin1String("write-journal"))
        return writeJournal(arguments[2]);
    std::fprintf(stderr, "usage: talvern-peer hold-port DEVICE | save-settings FILE WRITER ROUNDS | "
                         "write-journal FILE\n");
    return 2;
}
