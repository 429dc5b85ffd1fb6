// SPDX-License-Identifier: GPL-2.0-or-later
#include "transfer/ReceiveJob.h"

#include "core/ReceivingPath.h"
#include "platform/NativeFile.h"
#include "platform/SerialPort.h"
#include "platform/ShiftJis.h"
#include "platform/SystemReason.h"
#include "transfer/LineFlow.h"
#include "transfer/ReceivedName.h"

#include <QRandomGenerator>

namespace {

constexpr char Cr = 0x0D, Lf = 0x0A;

} // namespace

ReceiveJob::ReceiveJob(SerialPort &port, ReceivingPath &receiving, QObject *parent)
    : QObject(parent), m_port(port), m_receiving(receiving)
{
}

void ReceiveJob::start(bool continuous, const QString &folder, const MachineSettings &machine,
                       const QString &typedName)
{
    m_machine = machine;
    m_continuous = continuous;
    m_receiveName = typedName;
    m_state = WaitingForProgram;
    m_name.clear();
    m_nameText.resetState();
    m_received = 0;
    m_ending = false;
    m_afterCr = false;
    m_echoText.resetState();
    m_echo.clear();
    m_echoLine.clear();
    m_port.setInputLen(0); // all that waits: a fast line outruns one event per byte
    // Nothing answers a received byte, so bytes may gather briefly: one wake-up a batch, not a byte.
    m_port.setInputLatency(ReceiveLatencyMs);
    if (const QString why = m_folder.open(folder); !why.isEmpty())
        return fail(why);
    if (!m_port.setPortOpen(true))
        return fail(m_port.errorString());
    m_listening = true;
    emit waiting(
        continuous
            ? QStringLiteral("連続でファイルを受信します。\r\n機械側から続けて送信(パンチ)してください。\r\n"
                             "終了時は[中止]を押してください。")
            : QStringLiteral("1つのファイルを受信します。\r\n機械側から送信(パンチ)してください。"));
}

// The bytes after the end of a program are dropped, as they would be left unread on the line.
void ReceiveJob::take(QByteArrayView text)
{
    const qint64 before = m_received;
    for (const char byte : text) {
        if (!m_listening || m_ending)
            break;
        if (!LineFlow::isControl(byte))
            step(byte);
    }
    if (m_listening)
        showEcho();
    if (m_received != before)
        emit received(m_received);
    if (m_listening && m_ending)
        finish();
}

void ReceiveJob::step(char byte)
{
    const bool osp = m_machine.isOsp();
    switch (m_state) {
    case WaitingForProgram:
        if (byte == (osp ? '$' : '%'))
            m_state = Header;
        break;
    case Header:
        if (osp && byte != '%') {
            m_name += byte;
            m_receiveName += m_nameText.decode(QByteArrayView(&byte, 1)); // for a failure meanwhile
            // A header whose "%" was lost is refused as soon as it cannot be a name.
            if (m_name.size() > ReceivedName::MaxNameBytes)
                fail(ReceivedName::tooLong());
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
    m_state = Body;
    if (byte != Lf)
        store(byte);
}

bool ReceiveJob::openProgram()
{
    if (m_machine.isOsp()) {
        // Names come in the code page the sender writes them in, never as Latin-1.
        bool valid = false;
        m_receiveName = ShiftJis::decodeWhole(m_name, &valid);
        if (!valid) {
            fail(QStringLiteral("プログラム名がShift_JISの文字ではありません。"));
            return false;
        }
    }
    m_receiveName = m_receiveName.toUpper();
    QString why;
    const QString path = ReceivedName::pathFor(m_folder.path(), m_receiveName, &why);
    if (path.isEmpty()) {
        fail(why);
        return false;
    }
    // The program arrives under a hidden name beside its own, which keeps what it holds until the
    // program is whole. No received name holds "..", so none is ever this one.
    m_target = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    m_temporary = QStringLiteral(".talvern-receive..%1")
                      .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
    // Published before the file exists: no file command may take it from under the reception.
    m_receiving.set({m_folder.identity(), m_target, m_temporary});
    if (const QString failure = m_folder.create(m_file, m_temporary); !failure.isEmpty()) {
        m_temporary.clear();
        fail(failure);
        return false;
    }
    m_state = EndOfHeaderLine;
    emit logLine(m_receiveName + QStringLiteral("を読込中です..."));
    return true;
}

void ReceiveJob::closeProgram()
{
    if (!keepProgram())
        return;
    emit logLine(QStringLiteral("読込が完了しました。"));
    m_receiveName.clear();
    m_state = WaitingForProgram;
    m_name.clear();
    m_nameText.resetState();
    m_afterCr = false;
    if (!m_machine.isOsp() || !m_continuous)
        m_ending = true;
}

// Written first, then shown: whatever runs while the echo is shown finds the byte on its way to disk.
void ReceiveJob::store(char byte)
{
    if (m_file.write(&byte, 1) != 1) {
        fail(SystemReason::of(m_file));
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

void ReceiveJob::abort()
{
    if (m_listening)
        finish();
}

// What arrived takes the program's name in the folder, wherever that folder is now; false when that
// failed, which is then reported. A program reported as read is on the disk whole.
bool ReceiveJob::keepProgram()
{
    if (m_temporary.isEmpty())
        return true;
    if (!m_file.flush()) {
        fail(SystemReason::of(m_file));
        return false;
    }
    m_file.close();
    if (const QString why = m_folder.replace(m_temporary, m_target); !why.isEmpty()) {
        fail(why);
        return false;
    }
    m_temporary.clear();
    m_receiving.clear();
    return true;
}

// A program cut short never takes the program's name, which keeps what it held.
void ReceiveJob::dropProgram()
{
    m_file.close();
    if (!m_temporary.isEmpty())
        m_folder.remove(m_temporary);
    m_temporary.clear();
    m_receiving.clear();
}

void ReceiveJob::finish()
{
    if (!keepProgram())
        return;
    m_folder.close();
    m_listening = false;
    m_port.setPortOpen(false);
    emit logLine(QStringLiteral("受信を終了しました。"));
    emit ended(false);
}

void ReceiveJob::portFailed(const QString &description)
{
    if (m_listening)
        fail(description);
}

void ReceiveJob::fail(const QString &description)
{
    dropProgram();
    m_folder.close();
    m_listening = false;
    if (m_port.portOpen())
        m_port.setPortOpen(false);
    // Before a program names itself, what could not be received is what the port carries.
    const QString what =
        m_receiveName.isEmpty() ? QStringLiteral("COM %1から").arg(m_port.commPort()) : m_receiveName;
    emit logLine(what + QStringLiteral("の受信が出来ませんでした。"));
    emit logLine(description);
    emit ended(true);
}
