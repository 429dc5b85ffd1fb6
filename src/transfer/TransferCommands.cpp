#include "transfer/TransferCommands.h"

#include "core/AppState.h"
#include "platform/SerialPort.h"
#include "transfer/ProgramNo.h"
#include "transfer/Receiver.h"
#include "transfer/Sender.h"
#include "transfer/frmCancelSend.h"

TransferCommands::TransferCommands(AppState &state, SerialPort &port, MessageBoxes &messages, Log &log,
                                   DataPane &data, FileListView &files, QWidget *window)
    : QObject(window), m_state(state), m_dialog(new frmCancelSend(state.Transfer, window)),
      m_sender(new Sender({state, port, log, data, files, *m_dialog}, this)),
      m_receiver(new Receiver({state, port, log, data, files, *m_dialog}, this))
{
    m_receiver->askProgramName = [this, &messages, window] {
        ProgramNo dialog(m_state.Transfer.ReceiveName, messages, window);
        return dialog.exec() == QDialog::Accepted;
    };
    connect(&port, &SerialPort::OnComm, this, &TransferCommands::MSComm1_OnComm);
    connect(&port, &SerialPort::failed, m_sender, &Sender::portFailed);
    connect(&port, &SerialPort::failed, m_receiver, &Receiver::portFailed);
}

// One transfer at a time: a command given while one runs would share its port and its file.
template <typename Run> void TransferCommands::exclusively(Run run)
{
    if (m_state.Transfer.Running)
        return;
    m_state.Transfer.Running = true;
    emit runningChanged(true);
    run();
    m_state.Transfer.Running = false;
    emit runningChanged(false);
}

bool TransferCommands::running() const
{
    return m_state.Transfer.Running;
}

void TransferCommands::mnuTransOutput_Click()
{
    exclusively([this] { m_sender->mnuTransOutput_Click(); });
}

void TransferCommands::mnuTransInput_Click()
{
    exclusively([this] {
        m_continuous = false;
        m_receiver->StartReception(m_continuous);
    });
}

void TransferCommands::mnuTransInputCont_Click()
{
    exclusively([this] {
        m_continuous = true;
        m_receiver->StartReception(m_continuous);
    });
}

void TransferCommands::MSComm1_OnComm(int event)
{
    m_receiver->MSComm1_OnComm(event);
}
