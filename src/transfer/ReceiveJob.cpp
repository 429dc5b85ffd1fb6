#include "transfer/ReceiveJob.h"

#include "core/AppState.h"
#include "platform/SerialPort.h"
#include "transfer/LineFlow.h"
#include "transfer/ReceivedName.h"
#include "transfer/TransferWait.h"

namespace {

constexpr char Cr = 0x0D, Lf = 0x0A;
enum State { WaitingForProgram = 0, Header = 1, EndOfHeaderLine = 2, Body = 3 };

} // namespace

ReceiveJob::ReceiveJob(AppState &state, SerialPort &port, QObject *parent)
    : QObject(parent), m_state(state), m_port(port)
{
}

void ReceiveJob::prepare()
{
    TransferState &transfer = m_state.Transfer;
    transfer.ReceiveName.clear();
    transfer.ReceiveState = WaitingForProgram;
    transfer.TransferFile.close();
    m_name.clear();
}

bool ReceiveJob::run(bool continuous, const QString &folder)
{
    TransferState &transfer = m_state.Transfer;
    m_machine = m_state.Machine;
    m_continuous = continuous;
    m_folder = folder;
    m_failed = false;
    m_received = 0;
    m_afterCr = false;
    m_echoText.resetState();
    m_echo.clear();
    m_echoLine.clear();
    m_port.setInputLen(0); // all that waits: a fast line outruns one event per byte
    // Nothing answers a received byte, so bytes may gather briefly: one wake-up a batch, not a byte.
    m_port.setInputLatency(ReceiveLatencyMs);
    if (!m_port.setPortOpen(true)) {
        fail(m_port.errorString());
        return false;
    }
    transfer.EndFlag = false;
    emit waiting(
        continuous
            ? QStringLiteral("連続でファイルを受信します。\r\n機械側から続けて送信(パンチ)してください。\r\n"
                             "終了時は[中止]を押してください。")
            : QStringLiteral("1つのファイルを受信します。\r\n機械側から送信(パンチ)してください。"));
    m_listening = true;
    TransferWait([&transfer] { return transfer.EndFlag; });
    m_listening = false;
    if (m_failed)
        return false;
    m_port.setPortOpen(false);
    emit logLine(QStringLiteral("受信を終了しました。"));
    return true;
}

// Not after the end flag either: an abort and the next read may come in one turn of the event loop.
bool ReceiveJob::listening() const
{
    return m_listening && !m_state.Transfer.EndFlag;
}

// The bytes after the end of a program are dropped, as they would be left unread on the line.
void ReceiveJob::take(QByteArrayView text)
{
    const qint64 before = m_received;
    for (const char byte : text) {
        if (!listening())
            break;
        if (!LineFlow::isControl(byte))
            step(byte);
    }
    showEcho();
    if (m_received != before)
        emit received(m_received);
}

void ReceiveJob::step(char byte)
{
    TransferState &transfer = m_state.Transfer;
    const bool osp = m_machine.isOsp();
    switch (transfer.ReceiveState) {
    case WaitingForProgram:
        if (byte == (osp ? '$' : '%'))
            transfer.ReceiveState = Header;
        break;
    case Header:
        if (osp && byte != '%') {
            m_name += byte;
            transfer.ReceiveName = QStringDecoder("Shift_JIS").decode(m_name); // for a failure meanwhile
        } else if (openProgram() && !osp) {
            afterHeader(byte); // a FANUC program may begin right after its "%"
        }
        break;
    case EndOfHeaderLine:
        afterHeader(byte);
        break;
    case Body:
        if (byte == '%')
            closeProgram();
        else
            store(byte);
        break;
    }
}

// CR of the header line is skipped, its LF ends it; any other character is the program's first.
void ReceiveJob::afterHeader(char byte)
{
    if (byte == Cr)
        return;
    m_state.Transfer.ReceiveState = Body;
    if (byte != Lf)
        store(byte);
}

bool ReceiveJob::openProgram()
{
    TransferState &transfer = m_state.Transfer;
    if (m_machine.isOsp()) {
        // Names come in the code page the sender writes them in, never as Latin-1.
        QStringDecoder shiftJis("Shift_JIS", QStringConverter::Flag::Stateless);
        transfer.ReceiveName = shiftJis.decode(m_name);
        if (shiftJis.hasError()) {
            fail(QStringLiteral("プログラム名がShift_JISの文字ではありません。"));
            return false;
        }
    }
    transfer.ReceiveName = transfer.ReceiveName.toUpper();
    QString why;
    const QString path = ReceivedName::pathFor(m_folder, transfer.ReceiveName, &why);
    if (path.isEmpty()) {
        fail(why);
        return false;
    }
    transfer.TransferFile.setFileName(path);
    if (!transfer.TransferFile.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        fail(transfer.TransferFile.errorString());
        return false;
    }
    transfer.ReceiveState = EndOfHeaderLine;
    emit logLine(transfer.ReceiveName + QStringLiteral("を読込中です..."));
    return true;
}

void ReceiveJob::closeProgram()
{
    TransferState &transfer = m_state.Transfer;
    // A program reported as read is on the disk whole.
    if (!transfer.TransferFile.flush()) {
        fail(transfer.TransferFile.errorString());
        return;
    }
    transfer.TransferFile.close();
    emit logLine(QStringLiteral("読込が完了しました。"));
    transfer.ReceiveName.clear();
    transfer.ReceiveState = WaitingForProgram;
    m_name.clear();
    m_afterCr = false;
    if (!m_machine.isOsp() || !m_continuous)
        transfer.EndFlag = true;
}

// Written first, then shown: whatever runs while the echo is shown finds the byte on its way to disk.
void ReceiveJob::store(char byte)
{
    QFile &file = m_state.Transfer.TransferFile;
    if (file.write(&byte, 1) != 1) {
        fail(file.errorString());
        return;
    }
    if (m_machine.echoes())
        show(byte);
    ++m_received;
}

// A received byte as the echo shows it: CR, LF and CR LF each end one line. A line end is no part
// of a two-byte character: the decoder never sees it.
void ReceiveJob::show(char byte)
{
    const bool secondHalf = byte == Lf && m_afterCr;
    m_afterCr = byte == Cr;
    if (secondHalf)
        return;
    if (byte != Cr && byte != Lf) {
        m_echoLine += byte;
        return;
    }
    m_echo += m_echoText.decode(m_echoLine);
    m_echo += QLatin1Char('\n');
    m_echoLine.clear();
}

// Once a read, not once a byte: the pane takes the text of a whole read in one go.
void ReceiveJob::showEcho()
{
    m_echo += m_echoText.decode(m_echoLine);
    m_echoLine.clear();
    if (!m_echo.isEmpty())
        emit echo(m_echo);
    m_echo.clear();
}

void ReceiveJob::portFailed(const QString &description)
{
    if (listening())
        fail(description);
}

void ReceiveJob::fail(const QString &description)
{
    TransferState &transfer = m_state.Transfer;
    transfer.TransferFile.close();
    m_failed = true;
    transfer.EndFlag = true;
    if (m_port.portOpen())
        m_port.setPortOpen(false);
    emit logLine(transfer.ReceiveName + QStringLiteral("の受信が出来ませんでした。"));
    emit logLine(description);
}
