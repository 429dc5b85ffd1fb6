// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/LineClock.h"
#include "core/ListenSettings.h"
#include "core/MachineSettings.h"
#include "transfer/engine/RequestAnswer.h"
#include "transfer/engine/RequestProgram.h"
#include "transfer/engine/TransferEntry.h"

#include <QObject>
#include <QString>
#include <QTemporaryDir>

#include <memory>

class LineFlow;
class ReceiveJob;
class SendJob;
class SerialPort;

// The machine drives the line: the port stays open and each program the machine punches is received,
// or, when it is a request, answered with the program it names once the machine reads. The folder is
// looked in on a worker, never on the line's thread. A port that goes is opened again every few
// seconds, and listening goes on once it is back.
class ListenJob final : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 RetryUs = 3'000'000;
    // How long the machine's folder may take to answer a request before the request is refused.
    static constexpr int LookUpMs = 5000;

    ListenJob(SerialPort &port, LineFlow &flow, LineClock &clock, SendJob &send, ReceiveJob &receive,
              QObject *parent = nullptr);
    ~ListenJob() override;

    void start(const QString &folder, const MachineSettings &machine, const ListenSettings &settings);
    // Ends listening; an answer under way is cut off as an abort cuts a send.
    void stop();
    bool active() const { return m_active; }
    void portFailed(const QString &description);
    // The machine punches while an answer waits for it to read: it does not want the answer now.
    void giveWay();
    void setJournal(TransferRecords *journal) { m_entry.setJournal(journal); }

signals:
    void logLine(const QString &line);

private:
    void open();
    void back();
    void lost(const QString &reason);
    void onRequest(const RequestProgram::Verdict &request, bool lineError);
    void refuseUnlooked(const QString &reasonAscii, const QString &log);
    void answer(const Answer &answer);
    void answered();
    void unanswered(const QString &why);
    QString portName() const;

    SerialPort &m_port;
    LineFlow &m_flow;
    SendJob &m_send;
    ReceiveJob &m_receive;
    std::unique_ptr<LineClock::Alarm> m_retry;
    std::unique_ptr<QTemporaryDir> m_answers; // made-up programs: lists and refusals
    TransferEntry m_entry;                    // of the request being answered
    QString m_folder;
    MachineSettings m_machine;
    ListenSettings m_settings;
    quint64 m_asked = 0; // the latest request: an earlier one's answer is dropped
    bool m_active = false;
    bool m_answering = false;
    bool m_lost = false; // the port is away and being tried again
};
