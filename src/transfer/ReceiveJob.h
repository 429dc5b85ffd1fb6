// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/MachineSettings.h"
#include "platform/FolderHandle.h"
#include "platform/ShiftJis.h"

#include <QByteArray>
#include <QFile>
#include <QObject>
#include <QString>
#include <QStringDecoder>

class ReceivingPath;
class SerialPort;

// Receives programs punched out at the machine into the folder taken when the command started. It
// only reacts to what the port reads; while it listens, every byte goes through its state machine.
class ReceiveJob final : public QObject {
    Q_OBJECT
public:
    // How long received bytes may gather before they are handled: well under what a person notices.
    static constexpr int ReceiveLatencyMs = 40;

    ReceiveJob(SerialPort &port, ReceivingPath &receiving, QObject *parent = nullptr);

    // Opens the port and returns; the reception goes on as bytes arrive. typedName: the name a FANUC
    // program is stored under, as the operator gave it.
    void start(bool continuous, const QString &folder, const MachineSettings &machine,
               const QString &typedName);
    bool listening() const { return m_listening; }
    // One read from the port, whatever it holds: its bytes are handled one by one, in order.
    void take(QByteArrayView text);
    // What arrived of a program stays on disk under the program's name.
    void abort();
    void portFailed(const QString &description);

signals:
    void waiting(const QString &text); // for the abort dialog, which shows it
    void echo(const QString &text);
    void logLine(const QString &line);
    void received(qint64 bytes); // of this reception so far
    // The reception is over: ended or aborted (new files to list), or failed and said why.
    void ended(bool failed);

private:
    enum State { WaitingForProgram = 0, Header = 1, EndOfHeaderLine = 2, Body = 3 };

    void step(char byte);
    void afterHeader(char byte);
    bool openProgram();
    void closeProgram();
    bool keepProgram();
    void dropProgram();
    void store(char byte);
    void show(char byte);
    void showEcho();
    void finish();
    void fail(const QString &description);

    SerialPort &m_port;
    ReceivingPath &m_receiving;
    MachineSettings m_machine; // as the command found it
    FolderHandle m_folder;     // taken when the command started, wherever it is renamed to
    QFile m_file;              // the program being received, under m_temporary until it is whole
    QString m_temporary;
    QString m_target; // the program's name on disk
    QString m_receiveName;
    State m_state = WaitingForProgram;
    QByteArray m_name; // an OSP name's bytes as they arrive
    QStringDecoder m_nameText = ShiftJis::streamDecoder();
    QStringDecoder m_echoText = ShiftJis::streamDecoder();
    QString m_echo;        // echo of the read being handled, shown once it is done
    QByteArray m_echoLine; // its bytes since the last line end, not yet decoded
    qint64 m_received = 0;
    bool m_continuous = false;
    bool m_listening = false;
    bool m_ending = false;  // the program the reception waited for is in
    bool m_afterCr = false; // for the echo: the LF of a CR LF ends no second line
};
