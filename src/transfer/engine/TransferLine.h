// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/FileRows.h"
#include "core/LineClock.h"
#include "core/ListenSettings.h"
#include "core/MachineSettings.h"
#include "transfer/engine/LineFlow.h"

#include <QList>
#include <QObject>
#include <QString>

#include <memory>

class ListenJob;
class TransferRecords;
class ReceiveJob;
class ReceivingPath;
class SendJob;
class SerialPort;

// The transfer's side of the line. It lives on the line's own thread, which the window's work cannot
// stall, beside the port, which stays there for the window's life. It touches no widget: the window
// hears the jobs' own signals, and the log through this, which publishes the file it receives into
// under that path's lock. A line that reports the same line states over and over sends the window one
// line for each state, and then now and then its count, however many come.
class TransferLine final : public QObject {
    Q_OBJECT
public:
    // How soon the count of repeated line-state reports follows them when nothing else is logged.
    static constexpr qint64 RepeatsToldAfterUs = 1'000'000;

    TransferLine(SerialPort &port, LineClock &clock, ReceivingPath &receiving);

    // Called on the line's thread.
    // Where every transfer is told from now on; any thread may be told, and none is waited for.
    void setJournal(TransferRecords *journal);
    void send(const QList<FileRow> &files, const QString &folder, const MachineSettings &machine);
    void receive(bool continuous, const QString &folder, const MachineSettings &machine,
                 const QString &typedName);
    void listen(const QString &folder, const MachineSettings &machine, const ListenSettings &settings);
    // Ends a transfer, or listening with the answer it may be sending.
    void abort();
    // The program ends: nothing more for the machine, the file as it stands, the port closed; unlike
    // an abort it reports nothing.
    void shutdown();

    void MSComm1_OnComm(int event);

    SendJob *sendJob() const { return m_send; }
    ReceiveJob *receiveJob() const { return m_receive; }
    ListenJob *listenJob() const { return m_listen; }
    // A program goes one way or the other: ending now would cut it short.
    bool carrying() const;

signals:
    // The jobs' log lines, the line states among them folded.
    void logLine(const QString &line);

private:
    // A line-state report and how often it came since the log said anything else.
    struct Repeated {
        QString line;
        qint64 times = 0;
        qint64 told = 0; // the count the log has shown
    };

    void log(const QString &line);
    void tellRepeats(bool over = false);
    void forgetRepeats();

    SerialPort &m_port;
    LineFlow m_flow;
    SendJob *m_send;
    ReceiveJob *m_receive;
    ListenJob *m_listen;
    QList<Repeated> m_repeated;
    std::unique_ptr<LineClock::Alarm> m_tally;
};
