// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/FileRows.h"
#include "core/LineClock.h"
#include "core/MachineSettings.h"
#include "transfer/LineFlow.h"

#include <QList>
#include <QObject>
#include <QString>

#include <memory>

class QThread;
class ReceiveJob;
class ReceivingPath;
class SendJob;
class SerialPort;

// The transfer's side of the line. It lives on the line's own thread, which the window's work cannot
// stall, and owns the port from the start of a transfer to its end: the window hands the port over
// before it starts one, and gets it back, closed, before it hears that the transfer ended. It touches
// no widget; it reports by signals, and publishes the file it receives into under that path's lock.
// A line that reports the same line states over and over sends the window one line for each state,
// and then now and then its count, however many come.
class TransferLine final : public QObject {
    Q_OBJECT
public:
    // How soon the count of repeated line-state reports follows them when nothing else is logged.
    static constexpr qint64 RepeatsToldAfterUs = 1'000'000;

    TransferLine(SerialPort &port, LineClock &clock, ReceivingPath &receiving);

    // Where the port goes back to at the end of each transfer.
    void setHome(QThread *home) { m_home = home; }

    // Called on the line's thread.
    void send(const QList<FileRow> &files, const QString &folder, const MachineSettings &machine);
    void receive(bool continuous, const QString &folder, const MachineSettings &machine,
                 const QString &typedName);
    void abort();
    // The program ends: nothing more for the machine, the file as it stands, the port closed; unlike
    // an abort it reports nothing.
    void shutdown();
    // From any thread: waits up to the time given until what was received is on disk under its name.
    // "" then, else the log line that says what was not saved.
    QString settle(int timeoutMs);

    void MSComm1_OnComm(int event);

signals:
    void current(const QString &name);
    void prompt(const QString &text);
    void listening(const QString &text); // a reception waits for the machine
    void progress(qint64 done, qint64 total, const QString &name);
    void echoCleared();
    void echo(const QString &text);
    void logLine(const QString &line);
    void sent(const QString &diskName);
    void received(qint64 bytes);
    // The transfer is over and the port is back home; a reception that did not fail has new files.
    void ended(bool newFiles);

private:
    // A line-state report and how often it came since the log said anything else.
    struct Repeated {
        QString line;
        qint64 times = 0;
        qint64 told = 0; // the count the log has shown
    };

    void handBack(bool newFiles);
    void log(const QString &line);
    void tellRepeats();
    void forgetRepeats();

    SerialPort &m_port;
    LineFlow m_flow;
    SendJob *m_send;
    ReceiveJob *m_receive;
    QThread *m_home = nullptr;
    bool m_receiving = false;
    QList<Repeated> m_repeated;
    std::unique_ptr<LineClock::Alarm> m_tally;
};
