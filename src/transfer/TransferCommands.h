#pragma once

#include <QObject>

struct AppState;
class DataPane;
class FileListView;
class Log;
class MessageBoxes;
class Receiver;
class Sender;
class SerialPort;
class frmCancelSend;

// The communication menu's commands, and the one handler of every event of the port.
class TransferCommands final : public QObject {
    Q_OBJECT
public:
    TransferCommands(AppState &state, SerialPort &port, MessageBoxes &messages, Log &log, DataPane &data,
                     FileListView &files, QWidget *window);

    void mnuTransOutput_Click();
    void mnuTransInput_Click();
    void mnuTransInputCont_Click();
    void MSComm1_OnComm(int event);

    frmCancelSend *dialog() const { return m_dialog; }
    bool running() const;
    bool receiveMode() const { return m_continuous; }

signals:
    // A transfer began or ended: the commands that would disturb it are withdrawn meanwhile.
    void runningChanged(bool running);

private:
    template <typename Run> void exclusively(Run run);

    AppState &m_state;
    frmCancelSend *m_dialog;
    Sender *m_sender;
    Receiver *m_receiver;
    bool m_continuous = false; // the receive mode: single or continuous
};
