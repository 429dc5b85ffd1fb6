// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/ListenSettings.h"
#include "core/MachineSettings.h"
#include "platform/text/ShiftJis.h"
#include "transfer/engine/ReceiveWriter.h"
#include "transfer/engine/ReceivedEcho.h"
#include "transfer/engine/ReceptionLog.h"
#include "transfer/engine/RequestProgram.h"
#include "transfer/engine/TransferEntry.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringDecoder>
#include <QStringList>
#include <QTimer>

#include <memory>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

class ReceivingPath;
class SerialPort;

// Receives programs punched out at the machine into the folder taken when the command started. It
// only reacts to what the port reads; while it listens, every byte goes through its state machine.
// The disk is left to a writer of the reception's own: the port is read on whatever a share does, and
// what the log says of a program comes in order, once the disk has done it.
class ReceiveJob final : public QObject {
    Q_OBJECT
public:
    // How long received bytes may gather before they are handled: well under what a person notices.
    static constexpr int ReceiveLatencyMs = 40;
    // How long the disk may take over the last programs after the line before the dialog says so.
    static constexpr int SlowDiskMs = 1000;

    ReceiveJob(SerialPort &port, ReceivingPath &receiving, QObject *parent = nullptr);
    ~ReceiveJob() override;

    // Opens the port and returns; the reception goes on as bytes arrive. typedName: the name a FANUC
    // program is stored under, as the operator gave it.
    void start(bool continuous, const QString &folder, const MachineSettings &machine,
               const QString &typedName);
    // Takes every program the machine punches, on a port opened by whoever listens, which stays open
    // until abort(): a request program is handed on by request() and never stored; any other keeps the
    // program it replaces among settings.Backups. A FANUC program is named by its program number.
    void listen(const QString &folder, const MachineSettings &machine, const ListenSettings &settings);
    bool listening() const { return m_listening; }
    // A program is arriving: its header has begun.
    bool inProgram() const { return m_listening && m_state != WaitingForProgram; }
    // One read from the port, whatever it holds: its bytes are handled one by one, in order.
    void take(QByteArrayView text);
    // A line error the port reported. Ports tell one ahead of the bytes it came with: those are
    // handled first, then it is logged, and the programs they carry are not taken as sound.
    void lineError(const QString &message);
    // The port closes at once. What arrived of a program stays under the program's name, and the
    // program it replaces beside it. Once the dialog has said the disk is slow, the disk is given up.
    void abort();
    void portFailed(const QString &description);
    // Listening, the port went: what was received is kept, and listening goes on once it is back.
    void lineLost();
    // Listening, an answer has the line: what the port reads is the sender's, not this.
    void setAnswering(bool on) { m_answering = on; }
    void setJournal(TransferRecords *journal) { m_entry.setJournal(journal); }
    // From any thread: waits up to the time given until what was received is on disk under its name.
    // "" then, else the log line that says what was not saved.
    QString settle(int timeoutMs);

signals:
    void waiting(const QString &text); // for the abort dialog, which shows it
    void echo(const QString &text);
    void logLine(const QString &line);
    void received(qint64 bytes); // of this reception so far
    // The reception is over: ended or aborted (new files to list), or failed and said why.
    void ended(bool failed);
    // Listening: a request program has come whole; lineError: the line may have garbled it.
    void request(const RequestProgram::Verdict &request, bool lineError);

private:
    enum State { WaitingForProgram = 0, Header = 1, EndOfHeaderLine = 2, Body = 3 };
    using Verdict = ReceptionLog::Verdict;
    enum class End { None, Ended, Failed };

    void begin(bool continuous, const QString &folder, const MachineSettings &machine);
    void step(char byte);
    void afterHeader(char byte);
    void hold();
    void decide(bool complete);
    void refuse(const QString &why);
    bool openProgram();
    void closeProgram();
    void keepProgram(Verdict verdict);
    void store(char byte);
    void pass();
    void finish();
    void cutShort();
    void forgetProgram();
    void fail(const QString &description);
    void newWriter();
    void openWriter();
    void diskFailed(QStringList lost, const QString &reason);
    void overflow();
    void giveUp(const QStringList &lost);
    void end(End how);
    void takeWaiting();
    void sayLineErrors();
    void say(const QString &line);
    void flush();
    void onWriter(const ReceiveWriter::Report &report);
    void slowDisk();

    SerialPort &m_port;
    ReceivingPath &m_receiving;
    MachineSettings m_machine; // as the command found it
    QString m_folder;          // as the command gave it; the writer holds it by what it is
    std::mutex m_writerLock;   // for settle() from other threads
    std::shared_ptr<ReceiveWriter> m_writer;
    quint64 m_generation = 0;  // a new one with every reception's writer
    bool m_writerOpen = false; // it has been told the folder
    std::vector<std::pair<quint64, std::shared_ptr<ReceiveWriter>>> m_failedWriters; // by generation
    QByteArray m_chunk; // bytes of the read being handled, for the writer
    ReceptionLog m_log;
    End m_end = End::None; // once the log has said all it waits for
    QTimer m_slowDisk;
    bool m_slowShown = false;
    QString m_receiveName;
    State m_state = WaitingForProgram;
    QByteArray m_name; // an OSP name's bytes as they arrive
    QStringDecoder m_nameText = ShiftJis::streamDecoder();
    ReceivedEcho m_echo;       // of the read being handled, shown once it is done
    QStringList m_lineErrors;  // reported, not yet handled
    QStringList m_batchErrors; // came with the read being handled, not yet logged
    qint64 m_received = 0;
    bool m_continuous = false;
    bool m_listening = false;
    bool m_ending = false;      // the program the reception waited for is in
    bool m_programOpen = false; // begun with the writer, not yet kept
    bool m_hit = false;         // a line error may have hit the program being received
    bool m_errorRead = false;   // the read being handled came with line errors
    bool m_errorsQueued = false;
    bool m_active = false;      // from start() until ended()
    bool m_awaitWriter = false; // a program was begun: the end waits for the writer to be done
    // Listening: a program's first bytes are held until they tell whether it is a request.
    TransferEntry m_entry; // of the program arriving
    bool m_listen = false;
    bool m_answering = false;
    ListenSettings m_settings;
    bool m_deciding = false;
    bool m_skipping = false; // the rest of a request, or of a program refused, goes nowhere
    QByteArray m_held;
    std::optional<RequestProgram::Verdict> m_request;
};
