#include "transfer/TransferCommands.h"

#include "core/AppState.h"
#include "core/FileRows.h"
#include "core/Log.h"
#include "platform/SerialPort.h"
#include "transfer/ProgramNo.h"
#include "transfer/ReceiveJob.h"
#include "transfer/SendJob.h"
#include "transfer/frmCancelSend.h"

#include <QDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

namespace {

struct LineError {
    int event;
    const char16_t *message;
};

constexpr LineError LineErrors[] = {
    {SerialPort::Break, u"ﾌﾞﾚｰｸ信号を検出しました。"},
    {SerialPort::CtsTimeout, u"CTS ﾀｲﾑｱｳﾄを検出しました。"},
    {SerialPort::DsrTimeout, u"DSR ﾀｲﾑｱｳﾄを検出しました。"},
    {SerialPort::Frame, u"ﾌﾚｰﾐﾝｸﾞ ｴﾗｰが発生しました。"},
    {SerialPort::Overrun, u"ｵｰﾊﾞｰﾗﾝ ｴﾗｰが発生しました。"},
    {SerialPort::CdTimeout, u"CD ﾀｲﾑｱｳﾄを検出しました。"},
    {SerialPort::ReceiveOverflow, u"受信ﾊﾞｯﾌｧがｵｰﾊﾞｰﾌﾛｰしました。"},
    {SerialPort::Parity, u"ﾊﾟﾘﾃｨ ｴﾗｰが発生しました。"},
    {SerialPort::TransmitFull, u"送信ﾊﾞｯﾌｧ ﾌﾙ ｴﾗｰが発生しました。"},
    {SerialPort::DeviceControlBlock, u"DCB 取得時にｴﾗｰが発生しました。"},
};

// The log line for a line-error event; none for the events that mean nothing here.
QString lineErrorMessage(int event)
{
    for (const LineError &error : LineErrors) {
        if (error.event == event)
            return QString::fromUtf16(error.message);
    }
    return {};
}

} // namespace

TransferCommands::TransferCommands(AppState &state, SerialPort &port, MessageBoxes &messages, Log &log,
                                   QTextEdit *echoPane, FileRows &files, QWidget *window)
    : QObject(window), m_state(state), m_port(port), m_messages(messages), m_log(log), m_echoPane(echoPane),
      m_files(files), m_window(window), m_dialog(new frmCancelSend(state.Transfer, window)),
      m_send(new SendJob(state, port, m_flow, this)), m_receive(new ReceiveJob(state, port, this))
{
    const auto addLine = [this](const QString &line) { m_log.addLine(line); };
    m_redrawSoon.setSingleShot(true);
    m_redrawSoon.setInterval(50);
    connect(&m_redrawSoon, &QTimer::timeout, this, &TransferCommands::redraw);
    connect(m_send, &SendJob::prompt, this, &TransferCommands::showDialog);
    connect(m_send, &SendJob::progress, m_dialog, &frmCancelSend::setProgress);
    connect(m_send, &SendJob::echoCleared, this, &TransferCommands::clearEcho);
    connect(m_send, &SendJob::echo, this, &TransferCommands::appendEcho);
    connect(m_send, &SendJob::logLine, this, addLine);
    connect(m_send, &SendJob::sent, this, [this](const QString &diskName) {
        if (QDir::currentPath() == m_sendFolder) // another folder shown lists other files
            m_files.unmark(diskName);
    });
    connect(m_receive, &ReceiveJob::waiting, this, [this](const QString &text) {
        m_dialog->setProgress(0, -1);
        showDialog(text);
    });
    connect(m_receive, &ReceiveJob::echo, this, &TransferCommands::appendEcho);
    connect(m_receive, &ReceiveJob::logLine, this, addLine);
    connect(m_receive, &ReceiveJob::received, this, &TransferCommands::showReceived);
    connect(&port, &SerialPort::OnComm, this, &TransferCommands::MSComm1_OnComm);
    connect(&port, &SerialPort::failed, m_send, &SendJob::portFailed);
    connect(&port, &SerialPort::failed, m_receive, &ReceiveJob::portFailed);
}

// One transfer at a time: a command given while one runs would share its port and its file.
template <typename Run> void TransferCommands::exclusively(Run run)
{
    if (m_state.Transfer.Running) {
        m_log.addLine(QStringLiteral("通信中のため実行できません。"));
        return;
    }
    m_state.Transfer.Running = true;
    emit runningChanged(true);
    run();
    redraw();
    m_echoPane->document()->setMaximumBlockCount(0); // the next preview shows whole
    m_state.Transfer.Running = false;
    emit runningChanged(false);
}

bool TransferCommands::running() const
{
    return m_state.Transfer.Running;
}

void TransferCommands::mnuTransOutput_Click()
{
    exclusively([this] {
        const std::optional<FileRow> current = m_files.currentRow();
        if (!current || !current->selected)
            return;
        // The abort dialog takes the focus, which would end a rename left open in the list and
        // rebuild it: the rows keep their marks instead.
        m_files.dropRename();
        QList<FileRow> marked;
        for (const FileRow &row : m_files.rows()) {
            if (row.selected)
                marked.append(row);
        }
        m_sendFolder = QDir::currentPath();
        m_send->run(marked, m_sendFolder);
        m_dialog->hide();
    });
}

void TransferCommands::mnuTransInput_Click()
{
    exclusively([this] { StartReception(false); });
}

void TransferCommands::mnuTransInputCont_Click()
{
    exclusively([this] { StartReception(true); });
}

void TransferCommands::StartReception(bool continuous)
{
    m_continuous = continuous;
    const QString folder = QDir::currentPath();
    clearEcho();
    m_log.clear();
    m_receive->prepare();
    // Asked before the port opens: nothing the machine sends meanwhile is taken for the program.
    if (!m_state.Machine.isOsp() && !askProgramName())
        return;
    const bool ended = m_receive->run(continuous, folder);
    m_dialog->hide();
    if (ended)
        m_files.RefreshFileList();
}

bool TransferCommands::askProgramName()
{
    ProgramNo dialog(m_state.Transfer.ReceiveName, m_messages, m_window);
    return dialog.exec() == QDialog::Accepted && !m_state.Transfer.ReceiveName.isEmpty();
}

void TransferCommands::MSComm1_OnComm(int event)
{
    if (event != SerialPort::Receive) {
        const QString message = lineErrorMessage(event);
        if (!message.isEmpty())
            m_log.addLine(message); // reported; the transfer goes on
        return;
    }
    const QByteArray text = m_port.input();
    m_flow.heard(text);
    if (m_receive->listening())
        m_receive->take(text);
}

void TransferCommands::showDialog(const QString &text)
{
    m_dialog->setText(text);
    m_dialog->show();
}

void TransferCommands::appendEcho(const QString &text)
{
    m_echo += text;
    if (!m_redrawSoon.isActive())
        m_redrawSoon.start();
}

void TransferCommands::clearEcho()
{
    m_echo.clear();
    m_echoPane->clear();
}

void TransferCommands::showReceived(qint64 bytes)
{
    m_receivedCount = bytes;
    if (!m_redrawSoon.isActive())
        m_redrawSoon.start();
}

// The echo goes at the end of the pane, which then shows its end. The pane's limit is set here
// rather than when the transfer starts: a preview still shown until the first echo keeps its start.
void TransferCommands::redraw()
{
    m_redrawSoon.stop();
    if (m_receivedCount >= 0)
        m_dialog->setProgress(m_receivedCount, -1);
    m_receivedCount = -1;
    if (m_echo.isEmpty())
        return;
    QTextDocument *document = m_echoPane->document();
    if (document->maximumBlockCount() == 0)
        document->setMaximumBlockCount(EchoLines);
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(m_echo);
    m_echoPane->setTextCursor(cursor);
    m_echo.clear();
}
