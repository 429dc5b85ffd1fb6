#pragma once

#include "core/MachineSettings.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringDecoder>

struct AppState;
class SerialPort;

// Receives programs punched out at the machine into the folder taken when the command started.
// Only while it listens is what the port reads fed through its state machine.
class ReceiveJob final : public QObject {
    Q_OBJECT
public:
    // How long received bytes may gather before they are handled: well under what a person notices.
    static constexpr int ReceiveLatencyMs = 40;

    ReceiveJob(AppState &state, SerialPort &port, QObject *parent = nullptr);

    // A fresh start: no name, state 0, no file open. Comes before the FANUC name is asked.
    void prepare();
    // Listens until the end flag is set. True when the reception ended or was aborted; false when it
    // failed, and has said why.
    bool run(bool continuous, const QString &folder);
    bool listening() const;
    // One read from the port, whatever it holds: its bytes are handled one by one, in order.
    void take(QByteArrayView text);
    void portFailed(const QString &description);

signals:
    void waiting(const QString &text); // for the abort dialog, which shows it
    void echo(const QString &text);
    void logLine(const QString &line);
    void received(qint64 bytes); // of this reception so far

private:
    void step(char byte);
    void afterHeader(char byte);
    bool openProgram();
    void closeProgram();
    void store(char byte);
    void show(char byte);
    void showEcho();
    void fail(const QString &description);

    AppState &m_state;
    SerialPort &m_port;
    MachineSettings m_machine; // as the command found it
    QString m_folder;
    QByteArray m_name; // an OSP name's bytes as they arrive
    QStringDecoder m_echoText{"Shift_JIS"};
    QString m_echo;        // echo of the read being handled, shown once it is done
    QByteArray m_echoLine; // its bytes since the last line end, not yet decoded
    qint64 m_received = 0;
    bool m_continuous = false;
    bool m_listening = false;
    bool m_failed = false;
    bool m_afterCr = false; // for the echo: the LF of a CR LF ends no second line
};
