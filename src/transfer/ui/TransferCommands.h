// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/AppState.h"
#include "transfer/engine/EchoTail.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>
#include <mutex>

class FileRows;
class LineClock;
class Log;
class MessageBoxes;
class QTextEdit;
class QThread;
class QWidget;
class SerialPort;
class TransferLine;
class TransferRecords;
class frmCancelSend;

// Where the line runs. The program gives it a thread of its own on the steady clock; a test may keep
// it on the test's thread, on a clock of its own.
struct LinePlacement {
    LineClock *clock = nullptr; // nullptr: the steady clock
    bool ownThread = true;
};

// The communication menu's commands, on the window's side: they take what a transfer needs from the
// window, start it on the line's thread and return; what the transfer reports is shown as it comes.
class TransferCommands final : public QObject {
    Q_OBJECT
public:
    TransferCommands(AppState &state, SerialPort &port, MessageBoxes &messages, Log &log, QTextEdit *echoPane,
                     FileRows &files, QWidget *window, LinePlacement line = {});
    ~TransferCommands() override;

    void mnuTransOutput_Click();
    void mnuTransInput_Click();
    void mnuTransInputCont_Click();
    // Every transfer from now on is told to journal, which outlives this.
    void setJournal(TransferRecords *journal);
    // Starts listening to the machine, or ends it when listening.
    void mnuTransListen_Click();
    bool listening() const { return m_listening; }
    // The window is to close: true unless a transfer runs and the operator keeps it going. The transfer
    // goes on while the question is open, and may have ended by the answer.
    bool mayClose();
    // The next close asks nothing, and a question open now gives way: nobody is there to answer.
    void closeWithoutAsking();
    // The window closes: the line stops, the port's queue is thrown away and the port closed, and what
    // was received is on disk, within StopMs whatever a share does. False when the line's thread did not
    // answer in time and still holds the port.
    bool shutdown();

    // How long the window's close waits for the line and for what it received to reach the disk.
    static constexpr int StopMs = 800;

    static constexpr int EchoLines = int(EchoTail::Lines);

    frmCancelSend *dialog() const { return m_dialog; }
    bool running() const { return m_state.Transfer.Running; }
    bool receiveMode() const { return m_continuous; }
    TransferLine *line() const { return m_line; }

signals:
    // A transfer began or ended: the commands that would disturb it are withdrawn meanwhile.
    void runningChanged(bool running);
    void listeningChanged(bool on);

private:
    bool busy();
    void begin();
    bool stopLine(QString &unsaved);
    void ended(bool newFiles);
    void StartReception(bool continuous);
    void listenEnded();
    void setListeningOnLine(bool on);
    bool lineBusy() const { return m_state.Transfer.Running || m_listening; }
    bool lineCarries();
    template <typename Call> void onLine(Call call);
    void showDialog(const QString &text);
    template <typename Change> void fromLine(Change change);
    void clearEcho();
    void redraw();

    AppState &m_state;
    MessageBoxes &m_messages;
    Log &m_log;
    QTextEdit *m_echoPane;
    FileRows &m_files;
    QWidget *m_window;
    frmCancelSend *m_dialog;
    std::unique_ptr<LineClock> m_steadyClock;
    QThread *m_thread = nullptr;
    TransferLine *m_line;
    QTimer m_redrawSoon; // the echo and the count are drawn a few times a second, not once a read
    // What the line's thread reported and the window has not drawn yet. It is taken there as it comes
    // and the window hears of it once a redraw, so a far end faster than the window queues nothing.
    std::mutex m_waitingLock;
    EchoTail m_echo;
    bool m_clearEcho = false;       // the pane empties before the echo that waits is drawn
    qint64 m_receivedCount = -1;    // -1 when drawn
    bool m_redrawAsked = false;     // the window is to hear of what waits, or has heard
    bool m_listeningOnLine = false; // m_listening, for what the line's thread reports
    QString m_sendFolder;           // where the running send reads: only there do its rows lose their marks
    bool m_continuous = false;      // the receive mode: single or continuous
    // The machine drives the line: no dialog, no echo, and the window's own commands go on meanwhile.
    // The list follows what listening stores as it follows any change on disk, marks kept.
    bool m_listening = false;
    bool m_askOnClose = true;
    bool m_asking = false;   // the close's question is open
    bool m_lineHeld = false; // the line's thread did not answer a stop in time
};
