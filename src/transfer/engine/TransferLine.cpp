// SPDX-License-Identifier: GPL-2.0-or-later
#include "transfer/engine/TransferLine.h"

#include "platform/serial/SerialPort.h"
#include "transfer/engine/ListenJob.h"
#include "transfer/engine/ReceiveJob.h"
#include "transfer/engine/SendJob.h"

#include <algorithm>

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
    const auto found = std::ranges::find(LineErrors, event, &LineError::event);
    return found == std::end(LineErrors) ? QString() : QString::fromUtf16(found->message);
}

bool isLineState(const QString &line)
{
    return std::ranges::any_of(
        LineErrors, [&line](const LineError &error) { return line == QStringView(error.message); });
}

} // namespace

TransferLine::TransferLine(SerialPort &port, LineClock &clock, ReceivingPath &receiving)
    : m_port(port), m_send(new SendJob(port, m_flow, clock, this)),
      m_receive(new ReceiveJob(port, receiving, this)),
      m_listen(new ListenJob(port, m_flow, clock, *m_send, *m_receive, this)),
      m_tally(clock.alarm(this, [this] { tellRepeats(); }))
{
    // Made before the window's: the counts are in the log before the window hears of the end.
    const auto ended = [this] { tellRepeats(true); };
    connect(m_send, &SendJob::logLine, this, &TransferLine::log);
    connect(m_send, &SendJob::ended, this, ended);
    connect(m_receive, &ReceiveJob::logLine, this, &TransferLine::log);
    connect(m_receive, &ReceiveJob::ended, this, ended);
    connect(m_listen, &ListenJob::logLine, this, &TransferLine::log);
    connect(&port, &SerialPort::OnComm, this, &TransferLine::MSComm1_OnComm);
    connect(&port, &SerialPort::failed, m_send, &SendJob::portFailed);
    connect(&port, &SerialPort::failed, m_receive, &ReceiveJob::portFailed);
    connect(&port, &SerialPort::failed, m_listen, &ListenJob::portFailed);
    connect(&port, &SerialPort::connected, m_send, &SendJob::portConnected);
}

void TransferLine::setJournal(TransferRecords *journal)
{
    m_send->setJournal(journal);
    m_receive->setJournal(journal);
    m_listen->setJournal(journal);
}

void TransferLine::send(const QList<FileRow> &files, const QString &folder, const MachineSettings &machine)
{
    forgetRepeats();
    m_send->start(files, folder, machine);
}

void TransferLine::receive(bool continuous, const QString &folder, const MachineSettings &machine,
                           const QString &typedName)
{
    forgetRepeats();
    m_receive->start(continuous, folder, machine, typedName);
}

void TransferLine::listen(const QString &folder, const MachineSettings &machine,
                          const ListenSettings &settings)
{
    forgetRepeats();
    m_listen->start(folder, machine, settings);
}

// A reception may still be saving after its line has closed: it is the one to abort unless a send runs.
void TransferLine::abort()
{
    if (m_listen->active())
        m_listen->stop();
    else if (m_send->running())
        m_send->abort();
    else
        m_receive->abort();
}

bool TransferLine::carrying() const
{
    return m_send->running() || m_receive->inProgram();
}

void TransferLine::shutdown()
{
    const QSignalBlocker quiet(this);
    abort(); // a send throws its queue away; a reception has none
    forgetRepeats();
    if (m_port.portOpen())
        m_port.setPortOpen(false);
    // The journal goes with the window: what a stalled share tells afterwards stays unrecorded, and
    // the next start marks its entry interrupted.
    setJournal(nullptr);
}

void TransferLine::MSComm1_OnComm(int event)
{
    if (event != SerialPort::Receive) {
        const QString message = lineErrorMessage(event);
        if (message.isEmpty())
            return;
        // A reception says it after the bytes that came before it, whose program it marks.
        if (m_receive->listening() && !m_send->running())
            m_receive->lineError(message);
        else
            log(message); // reported; the transfer goes on
        return;
    }
    const QByteArray text = m_port.input();
    m_flow.heard(text);
    if (!m_send->running()) {
        if (m_receive->listening())
            m_receive->take(text);
        return;
    }
    // Listening, the machine may punch before an answer it did not read, or right after one it did.
    if (m_listen->active() && !std::ranges::all_of(text, LineFlow::isControl)) {
        if (m_send->awaitingStart())
            m_listen->giveWay();
        if (!m_send->running() || m_send->finishing())
            m_receive->take(text);
    }
    m_send->heard();
}

// A line state reported again only counts, until the log says something else; a flood of reports
// never costs the window more than a line a second.
void TransferLine::log(const QString &line)
{
    if (isLineState(line)) {
        for (Repeated &repeated : m_repeated) {
            if (repeated.line == line) {
                ++repeated.times;
                if (!m_tally->isActive())
                    m_tally->start(RepeatsToldAfterUs);
                return;
            }
        }
        m_repeated.append({line, 1, 1});
        emit logLine(line);
        return;
    }
    tellRepeats(true);
    emit logLine(line);
}

// Each state's count so far, once it has grown since it was last told; then, when the states are
// over, they are forgotten.
void TransferLine::tellRepeats(bool over)
{
    m_tally->stop();
    for (Repeated &repeated : m_repeated) {
        if (repeated.times == repeated.told)
            continue;
        repeated.told = repeated.times;
        emit logLine(repeated.line + QStringLiteral("（%1回）").arg(repeated.times));
    }
    if (over)
        m_repeated.clear();
}

void TransferLine::forgetRepeats()
{
    m_tally->stop();
    m_repeated.clear();
}
