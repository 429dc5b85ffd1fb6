// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/AppState.h"
#include "core/Log.h"
#include "core/StatusLine.h"
#include "machine/MachineCommands.h"
#include "machine/MachineSettingsFile.h"
#include "machine/PortProperties.h"
#include "platform/serial/QtSerialPort.h"
#include "support/ScriptedFileDialogs.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/TestDir.h"

#include <QDir>
#include <QTest>

using Command = void (MachineCommands::*)();
using Answers = QList<MessageBoxes::Answer>;

inline const QString Osp = QStringLiteral("現在の設定:OSP,COM1:4800,e,7,2");

inline QString loaded(const QString &name)
{
    return QStringLiteral("設定ファイル'%1'を読み込みました。").arg(name);
}

inline QByteArray contentOf(const QString &path)
{
    QFile in(path);
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

inline Command command(const QString &name)
{
    return name == QLatin1String("new") ? &MachineCommands::mnuMachineNew_Click
                                        : &MachineCommands::mnuMachineSelect_Click;
}

inline QByteArray line(const char *label, const char *value)
{
    return QByteArray(label).leftJustified(47, ' ') + '=' + value + "\r\n";
}

inline const QByteArray Body = "Fennet Ver.1.0\r\n\r\n" + line("RS232C PROT NUMBER", " 2") +
                               line("BAUD RATE", "9600") + line("PARITY", "N") + line("DATA BIT(7, 8)", "8") +
                               line("STOP BIT(1, 1.5, 2)", "1.5") + line("FLOW", " 1") +
                               line("ECHO    (ON, OFF)", "OFF");

// A FANUC machine on port 5 with echo and a DC1 wait: read before the file under test, or chosen.
inline const QByteArray Previous = MachineSettingsFile::dialogLayout({5, "4800", "E", "7", "2", 2, "ON", 1});
inline const QString PreviousStatus = QStringLiteral("現在の設定:FANUC,COM 5:4800,e,7,2");

inline QByteArray body(const QByteArray &from, const QByteArray &to)
{
    return QByteArray(Body).replace(from, to);
}

// A settings folder of its own, which holds the default OSP-E100.MCH, in force, on a real (closed) serial
// port that the reader and writer reach through inForce; they and the commands report to the log and the
// status bar here.
struct MachineRig final : Log, StatusLine {
    MachineRig()
    {
        state.SettingsFolder = folder.path();
        folder.addFile(QStringLiteral("OSP-E100.MCH"), MachineSettingsFile::newLayout());
        state.Machine.MchFileName = QStringLiteral("OSP-E100.MCH");
        QObject::connect(&commands, &MachineCommands::communicationOffered,
                         [this](bool on) { offers << on; });
        QObject::connect(&commands, &MachineCommands::controllerChosen, [this] { ++controllerChanges; });
    }
    void addLine(const QString &line) override { log << line; }
    void clear() override { log.clear(); }
    void setSettingsText(const QString &text) override { status = text; }

    // Runs a command with the file dialog answered and yes/no questions answered in turn.
    void run(Command run, const QString &chosen, const Answers &answers = {})
    {
        dialogs.answers = {chosen};
        boxes.answers = answers;
        (commands.*run)();
    }
    QStringList files() const
    {
        return QDir(folder.path()).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase);
    }
    // M1.MCH with this content read into the record and onto the port.
    bool load(const QByteArray &content)
    {
        folder.addFile(QStringLiteral("M1.MCH"), content);
        log.clear();
        return loader.LoadMachineSettings(QStringLiteral("M1.MCH"));
    }
    // The new layout read, as the properties dialog would show it.
    PortProperties newFileInForce()
    {
        if (!load(MachineSettingsFile::newLayout()))
            qFatal("the new layout did not load");
        return PortProperties::inForce(inForce, state.Machine);
    }
    QByteArray m1() const { return contentOf(folder.filePath(QStringLiteral("M1.MCH"))); }

    TestDir folder;
    AppState state;
    QtSerialPort port;
    ScriptedFileDialogs dialogs;
    ScriptedMessageBoxes boxes;
    QStringList log;
    QString status;
    QList<bool> offers;
    int controllerChanges = 0;
    PortInForce inForce{port};
    MachineSettingsLoader loader{state, inForce, *this, *this};
    PropertiesApplier applier{state, inForce, *this, *this};
    MachineCommands commands{state, port, dialogs, boxes, *this, *this, nullptr};
};
