#include "transfer/Receiver.h"

#include "browser/DataPane.h"
#include "browser/FileListView.h"
#include "core/AppState.h"
#include "core/FolderListing.h"
#include "core/Log.h"
#include "platform/FileProtection.h"
#include "platform/SerialPort.h"
#include "transfer/ReceivedName.h"
#include "transfer/TransferWait.h"
#include "transfer/frmCancelSend.h"

#include <QDir>
#include <QFileInfo>
#include <QTextCursor>
#include <QTextEdit>

namespace {

constexpr char Dc1 = 0x11, Dc2 = 0x12, Dc3 = 0x13, Dc4 = 0x14, Cr = 0x0D, Lf = 0x0A;

QString lineErrorMessage(int event)
{
    switch (event) {
    case SerialPort::Break:
        return QStringLiteral("ﾌﾞﾚｰｸ信号を検出しました。");
    case SerialPort::CtsTimeout:
        return QStringLiteral("CTS ﾀｲﾑｱｳﾄを検出しました。");
    case SerialPort::DsrTimeout:
        return QStringLiteral("DSR ﾀｲﾑｱｳﾄを検出しました。");
    case SerialPort::Frame:
        return QStringLiteral("ﾌﾚｰﾐﾝｸﾞ ｴﾗｰが発生しました。");
    case SerialPort::Overrun:
        return QStringLiteral("ｵｰﾊﾞｰﾗﾝ ｴﾗｰが発生しました。");
    case SerialPort::CdTimeout:
        return QStringLiteral("CD ﾀｲﾑｱｳﾄを検出しました。");
    case SerialPort::ReceiveOverflow:
        return QStringLiteral("受信ﾊﾞｯﾌｧがｵｰﾊﾞｰﾌﾛｰしました。");
    case SerialPort::Parity:
        return QStringLiteral("ﾊﾟﾘﾃｨ ｴﾗｰが発生しました。");
    case SerialPort::TransmitFull:
        return QStringLiteral("送信ﾊﾞｯﾌｧ ﾌﾙ ｴﾗｰが発生しました。");
    case SerialPort::DeviceControlBlock:
        return QStringLiteral("DCB 取得時にｴﾗｰが発生しました。");
    default:
        return {};
    }
}

} // namespace

Receiver::Receiver(const TransferContext &context, QObject *parent) : QObject(parent), m_context(context) {}

void Receiver::StartReception(bool continuous)
{
    TransferState &transfer = m_context.state.Transfer;
    m_continuous = continuous;
    m_context.port.setInputLen(1);
    if (!m_context.port.setPortOpen(true)) {
        fail(m_context.port.errorString());
        return;
    }
    m_context.data.text()->clear();
    m_context.log.clear();
    transfer.ReceiveName.clear();
    transfer.ReceiveState = 0;
    transfer.Received = 0;
    transfer.TransferFile.close();
    m_echo.resetState();

    if (m_context.state.Machine.Controller != 0 &&
        (!askProgramName || !askProgramName() || transfer.ReceiveName.isEmpty())) {
        m_context.port.setPortOpen(false);
        return;
    }
    transfer.EndFlag = false;
    m_failed = false;
    m_context.dialog.setText(
        continuous
            ? QStringLiteral("連続でファイルを受信します。\r\n機械側から続けて送信(パンチ)してください。\r\n"
                             "終了時は[中止]を押してください。")
            : QStringLiteral("1つのファイルを受信します。\r\n機械側から送信(パンチ)してください。"));
    m_context.dialog.setProgress(0, -1);
    m_context.dialog.show();
    m_receiving = true;
    TransferWait([&transfer] { return transfer.EndFlag; });
    m_receiving = false;
    if (m_failed)
        return; // the failure path has said why and closed everything
    m_context.dialog.hide();
    m_context.port.setPortOpen(false);
    m_context.log.addLine(QStringLiteral("受信を終了しました。"));
    m_context.files.RefreshFileList();
}

void Receiver::MSComm1_OnComm(int event)
{
    if (event != SerialPort::Receive) {
        const QString message = lineErrorMessage(event);
        if (!message.isEmpty())
            m_context.log.addLine(message); // reported; the transfer goes on
        return;
    }
    TransferState &transfer = m_context.state.Transfer;
    const QByteArray text = m_context.port.input();
    if (text.isEmpty())
        return;
    transfer.LastReceived = text;
    for (const char byte : text) {
        if (byte == Dc3)
            transfer.Held = true;
        else if (byte == Dc1)
            transfer.Held = false;
    }
    if (text.size() == 1 && (text[0] == Dc1 || text[0] == Dc2 || text[0] == Dc3 || text[0] == Dc4)) {
        transfer.Dc1Seen = transfer.Dc1Seen || text[0] == Dc1;
        transfer.Dc3Seen = transfer.Dc3Seen || text[0] == Dc3;
        return;
    }
    receive(text);
}

void Receiver::portFailed(const QString &description)
{
    if (m_receiving && !m_context.state.Transfer.EndFlag)
        fail(description);
}

void Receiver::receive(const QByteArray &text)
{
    TransferState &transfer = m_context.state.Transfer;
    const bool osp = m_context.state.Machine.Controller == 0;
    for (const char byte : text) {
        if (byte == Dc1 || byte == Dc2 || byte == Dc3 || byte == Dc4)
            continue; // control of the line, never program text
        switch (transfer.ReceiveState) {
        case 0:
            if (byte == (osp ? '$' : '%'))
                transfer.ReceiveState = 1;
            break;
        case 1:
            if (osp && byte != '%') {
                transfer.ReceiveName += QChar::fromLatin1(byte);
            } else if (openProgram() && !osp) {
                afterHeader(byte); // a FANUC program may begin right after its "%"
            }
            break;
        case 2:
            afterHeader(byte);
            break;
        case 3:
            if (byte == '%')
                closeProgram();
            else
                store(byte);
            break;
        default:
            return; // after a failure nothing more is taken
        }
    }
}

// Blanks of the header line are skipped; its LF ends it; any other character is the program's first.
void Receiver::afterHeader(char byte)
{
    TransferState &transfer = m_context.state.Transfer;
    if (byte == Cr)
        return;
    transfer.ReceiveState = 3;
    if (byte != Lf)
        store(byte);
}

bool Receiver::openProgram()
{
    TransferState &transfer = m_context.state.Transfer;
    transfer.ReceiveName = transfer.ReceiveName.toUpper();
    QString why; // the folder shown is always the working directory
    const QString path = ReceivedName::pathFor(QDir::currentPath(), transfer.ReceiveName, &why);
    if (path.isEmpty()) {
        fail(why);
        return false;
    }
    transfer.TransferFile.setFileName(path);
    if (!transfer.TransferFile.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        fail(transfer.TransferFile.errorString());
        return false;
    }
    transfer.ReceiveState = 2;
    m_context.log.addLine(transfer.ReceiveName + QStringLiteral("を読込中です..."));
    return true;
}

void Receiver::closeProgram()
{
    TransferState &transfer = m_context.state.Transfer;
    transfer.TransferFile.close();
    m_context.log.addLine(QStringLiteral("読込が完了しました。"));
    transfer.ReceiveName.clear();
    transfer.ReceiveState = 0;
    if (m_context.state.Machine.Controller != 0 || !m_continuous)
        transfer.EndFlag = true;
}

void Receiver::store(char byte)
{
    TransferState &transfer = m_context.state.Transfer;
    if (m_context.state.Machine.Echo == QLatin1String("ON")) {
        QTextEdit *pane = m_context.data.text();
        QTextCursor cursor = pane->textCursor();
        cursor.insertText(m_echo.decode(QByteArrayView(&byte, 1)));
        cursor.movePosition(QTextCursor::End);
        pane->setTextCursor(cursor);
    }
    // An aborted reception has closed the file: what arrives afterwards has nowhere to go.
    if (!transfer.TransferFile.isOpen())
        return;
    if (transfer.TransferFile.write(&byte, 1) != 1) {
        fail(transfer.TransferFile.errorString());
        return;
    }
    m_context.dialog.setProgress(++transfer.Received, -1);
}

void Receiver::fail(const QString &description)
{
    TransferState &transfer = m_context.state.Transfer;
    transfer.TransferFile.close();
    m_failed = true;
    transfer.ReceiveState = Failed;
    transfer.EndFlag = true;
    m_context.dialog.hide();
    m_context.port.setPortOpen(false);
    m_context.log.addLine(transfer.ReceiveName + QStringLiteral("の受信が出来ませんでした。"));
    m_context.log.addLine(description);
}
