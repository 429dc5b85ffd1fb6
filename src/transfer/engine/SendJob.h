// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/FileRows.h"
#include "core/LineClock.h"
#include "core/MachineSettings.h"
#include "transfer/engine/EchoLine.h"
#include "transfer/engine/OutputPacer.h"
#include "transfer/engine/TransferEntry.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>

class LineFlow;
class ReadAhead;
class SerialPort;

// Sends files to the machine with its framing and DC1/DC3 pacing, driven by what the machine says, by
// the clock and by its reader, never waiting in a loop nor on a file system: every step returns at
// once. It works from the names, the folder and the settings taken when the command started.
class SendJob final : public QObject {
    Q_OBJECT
public:
    // The pause after each file, for the machine to finish the program.
    static constexpr qint64 PauseUs = 3'000'000;

    SendJob(SerialPort &port, LineFlow &flow, LineClock &clock, QObject *parent = nullptr);

    void start(const QList<FileRow> &files, const QString &folder, const MachineSettings &machine);
    // Answers a machine's request on the port that listens, open already and left open: the file goes
    // once the machine reads (its DC1, also one heard since the request, whatever the flow setting),
    // or not at all when that takes longer than waitUs; no pause after it.
    // A made-up answer (a list, a refusal) is no entry of the journal: the request's entry tells it.
    void answer(const FileRow &file, const QString &folder, const MachineSettings &machine, qint64 waitUs,
                bool journaled);
    void setJournal(TransferRecords *journal) { m_journal = journal; }
    bool running() const { return m_step != Step::Idle; }
    // Still waiting for the machine to read: what it punches meanwhile is no answer to this.
    bool awaitingStart() const { return m_step == Step::AwaitingStart; }
    // The program's "%" has gone: what the machine says now is no longer about it.
    bool finishing() const { return m_step == Step::Ending || m_step == Step::Draining; }
    // The machine said something; LineFlow has heard it already.
    void heard();
    void abort();
    void portFailed(const QString &description);
    void portConnected(); // a network port that was connecting now carries data

signals:
    void current(const QString &name); // the file now taken up
    void prompt(const QString &text);  // for the abort dialog, which shows it
    void progress(qint64 done, qint64 total, const QString &name);
    void echoCleared();
    void echo(const QString &text);
    void logLine(const QString &line);
    void sent(const QString &diskName); // the file has gone whole: its row loses its mark
    void ended();

private:
    enum class Step {
        Idle,
        Connecting,
        AwaitingStart,
        Opening, // the machine asked: the file as it is now, its first bytes read
        Header,
        AwaitingName,
        Body,
        Trailer,  // the "%"
        Ending,   // ... until it has gone, then its line end
        Draining, // ... until that would have left the wire
        Pausing,
    };

    void begin();
    void nextFile();
    void openFile();
    void watchReader();
    void awaitReader();
    bool readerFailed();
    void readerArrived();
    void beginFile();
    void pump();
    bool handOver(qint64 room);
    void echoSent(const QByteArray &bytes);
    void fileSent(bool aborted = false);
    void portPaces(bool on);
    void fail(const QString &description);
    void cancel();
    void stop();
    const FileRow &file() const { return m_files.at(m_index); }

    SerialPort &m_port;
    LineFlow &m_flow;
    LineClock &m_clock;
    std::unique_ptr<LineClock::Alarm> m_alarm; // the next look at the line or reader; the pause's end
    OutputPacer m_pacer;
    ReadAhead *m_reader;
    QList<FileRow> m_files;
    qsizetype m_index = -1;
    QString m_folder;
    MachineSettings m_machine;
    Step m_step = Step::Idle;
    QByteArray m_pending; // header or trailer bytes not yet handed over
    EchoLine m_echoLine;  // sent bytes of a line not yet echoed
    int m_shownPermille = -1;
    bool m_highBytesRefused = false; // a line of fewer than eight data bits
    qint64 m_readerSinceUs = -1;     // when the job began to wait for its reader
    bool m_starved = false;          // the body waits for the reader
    // The port stops the output at DC3 itself; wanted while a body goes, also when a DC3 that came
    // before the port took over has the sender hold it off meanwhile.
    bool m_portPaces = false;
    bool m_portPacingWanted = false;
    bool m_portShouldPace = false; // the hardware has the port stop quicker than the sender
    TransferEntry m_entry;         // of the file being sent
    TransferRecords *m_journal = nullptr;
    bool m_answering = false; // a request's answer: the port stays open for listening
    qint64 m_readByUs = -1;   // an answer's deadline for the machine's DC1
};
