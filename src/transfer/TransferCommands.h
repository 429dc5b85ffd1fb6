#pragma once

#include "transfer/LineFlow.h"

#include <QObject>
#include <QString>
#include <QTimer>

struct AppState;
class FileRows;
class Log;
class MessageBoxes;
class QTextEdit;
class QWidget;
class ReceiveJob;
class SendJob;
class SerialPort;
class frmCancelSend;

// The communication menu's commands and the one handler of every event of the port: they take what
// a transfer needs from the window when it starts, and show what the transfer reports.
class TransferCommands final : public QObject {
    Q_OBJECT
public:
    TransferCommands(AppState &state, SerialPort &port, MessageBoxes &messages, Log &log, QTextEdit *echoPane,
                     FileRows &files, QWidget *window);

    void mnuTransOutput_Click();
    void mnuTransInput_Click();
    void mnuTransInputCont_Click();
    void MSComm1_OnComm(int event);

    // The lines of echo a transfer keeps in view: a long drip feed costs as much at its end as at its start.
    static constexpr int EchoLines = 500;

    frmCancelSend *dialog() const { return m_dialog; }
    bool running() const;
    bool receiveMode() const { return m_continuous; }

signals:
    // A transfer began or ended: the commands that would disturb it are withdrawn meanwhile.
    void runningChanged(bool running);

private:
    void StartReception(bool continuous);
    bool askProgramName();
    void showDialog(const QString &text);
    void appendEcho(const QString &text);
    void clearEcho();
    void showReceived(qint64 bytes);
    void redraw();
    template <typename Run> void exclusively(Run run);

    AppState &m_state;
    SerialPort &m_port;
    MessageBoxes &m_messages;
    Log &m_log;
    QTextEdit *m_echoPane;
    FileRows &m_files;
    QWidget *m_window;
    frmCancelSend *m_dialog;
    LineFlow m_flow;
    SendJob *m_send;
    ReceiveJob *m_receive;
    QTimer m_redrawSoon;         // the echo and the count are drawn a few times a second, not once a read
    QString m_echo;              // not yet drawn
    qint64 m_receivedCount = -1; // not yet drawn; -1 when drawn
    QString m_sendFolder;        // where the running send reads: only there do its rows lose their marks
    bool m_continuous = false;   // the receive mode: single or continuous
};
