// SPDX-License-Identifier: GPL-2.0-or-later
#include "transfer/engine/ListenJob.h"

#include "platform/files/MountQuestion.h"
#include "platform/serial/SerialPort.h"
#include "transfer/engine/LineFlow.h"
#include "transfer/engine/ReceiveJob.h"
#include "transfer/engine/SendJob.h"

#include <QDir>

ListenJob::ListenJob(SerialPort &port, LineFlow &flow, LineClock &clock, SendJob &send, ReceiveJob &receive,
                     QObject *parent)
    : QObject(parent), m_port(port), m_flow(flow), m_send(send), m_receive(receive),
      m_retry(clock.alarm(this, [this] { open(); }))
{
    connect(&receive, &ReceiveJob::request, this, &ListenJob::onRequest);
    connect(&port, &SerialPort::connected, this, &ListenJob::back);
    connect(&send, &SendJob::ended, this, &ListenJob::answered);
    connect(&receive, &ReceiveJob::ended, this, [this] {
        if (!std::exchange(m_active, false))
            return;
        m_retry->stop();
        ++m_asked;
        m_answers.reset();
    });
}

ListenJob::~ListenJob() = default;

void ListenJob::start(const QString &folder, const MachineSettings &machine, const ListenSettings &settings)
{
    m_folder = folder;
    m_machine = machine;
    m_settings = settings;
    m_active = true;
    m_answering = m_lost = false;
    m_answers = std::make_unique<QTemporaryDir>();
    m_entry.setLine(machine.MchFileName, m_port);
    emit logLine(QStringLiteral("待ち受けを開始しました。フォルダー: %1").arg(folder));
    m_receive.listen(folder, machine, settings);
    open();
}

void ListenJob::open()
{
    if (!m_active || m_port.portOpen())
        return;
    if (!m_port.setPortOpen(true))
        return lost(m_port.errorString());
    if (!m_port.connecting()) // a device server is back once it answers
        back();
}

void ListenJob::back()
{
    if (m_active && std::exchange(m_lost, false))
        emit logLine(QStringLiteral("%1を開き直しました。待ち受けを続けます。").arg(portName()));
}

// Said once, however long the port stays away.
void ListenJob::lost(const QString &reason)
{
    if (m_port.portOpen())
        m_port.setPortOpen(false);
    if (!std::exchange(m_lost, true)) {
        emit logLine(reason);
        emit logLine(QStringLiteral("%1を%2秒ごとに開き直します。").arg(portName()).arg(RetryUs / 1'000'000));
    }
    m_retry->start(RetryUs);
}

void ListenJob::portFailed(const QString &description)
{
    if (!m_active)
        return;
    m_receive.lineLost();
    lost(description);
}

void ListenJob::stop()
{
    if (!m_active)
        return;
    ++m_asked;
    m_retry->stop();
    unanswered(QStringLiteral("待ち受けを終了しました。"));
    if (m_send.running())
        m_send.abort();
    m_receive.abort(); // ends as a reception ends, and this with it
}

void ListenJob::giveWay()
{
    emit logLine(QStringLiteral("機械が読込みの前に送信(パンチ)を始めました。"));
    m_send.abort();
}

// Only a DC1 from now on means the machine reads the answer.
void ListenJob::onRequest(const RequestProgram::Verdict &request, bool lineError)
{
    m_flow.forgetDc1();
    unanswered(QStringLiteral("次の要求を受けました。"));
    m_entry.begin(TransferRecord::Direction::Request,
                  request.kind == RequestProgram::Kind::List ? m_settings.ListWord : request.name, {});
    if (lineError) // a name garbled on the way could name another program
        return refuseUnlooked(QStringLiteral("LINE ERROR"),
                              QStringLiteral("回線エラーがあったため、要求に答えませんでした。"));
    const quint64 asked = ++m_asked;
    const QString answers = m_answers->path();
    MountQuestion::ask(
        this, m_folder,
        [request, folder = m_folder, osp = m_machine.isOsp(), eightBit = m_port.line().dataBits() >= 8,
         answers] { return RequestAnswer::resolve(request, folder, osp, eightBit, answers); },
        [this, asked](const std::optional<Answer> &found) {
            if (asked != m_asked)
                return;
            if (found)
                return answer(*found);
            refuseUnlooked(QStringLiteral("FOLDER NOT READY"),
                           QStringLiteral("フォルダーが応答しないため、要求に答えませんでした。"));
        },
        LookUpMs, 0);
}

// The refusal is written in the private folder, which never stalls; still not on the line's thread.
void ListenJob::refuseUnlooked(const QString &reasonAscii, const QString &log)
{
    const quint64 asked = ++m_asked;
    MountQuestion::ask(
        this, m_answers->path(),
        [reasonAscii, log, osp = m_machine.isOsp(), answers = m_answers->path()] {
            return RequestAnswer::refusal(reasonAscii, log, osp, answers);
        },
        [this, asked, log](const std::optional<Answer> &made) {
            if (asked != m_asked)
                return;
            if (made)
                return answer(*made);
            emit logLine(log);
            m_entry.end(TransferRecord::Outcome::Refused, log);
        },
        LookUpMs, 0);
}

void ListenJob::answer(const Answer &answer)
{
    emit logLine(answer.log);
    const bool served = answer.folder == m_folder; // else a list or a refusal, made up
    if (served)
        m_entry.record().path = QDir(m_folder).filePath(answer.file.diskName);
    m_entry.end(answer.refused ? TransferRecord::Outcome::Refused : TransferRecord::Outcome::Done,
                answer.refused ? answer.log : QString());
    if (answer.file.diskName.isEmpty())
        return; // nothing could be made to send
    if (m_lost || !m_port.portOpen())
        return emit logLine(QStringLiteral("%1が閉じているため、答えを送れませんでした。").arg(portName()));
    if (m_send.running())
        return; // an earlier answer still goes: this request came during it and is not heard
    m_answering = true;
    m_receive.setAnswering(true);
    m_send.answer(answer.file, answer.folder, m_machine, qint64(m_settings.Dc1WaitSeconds) * 1'000'000,
                  served);
}

void ListenJob::unanswered(const QString &why)
{
    m_entry.end(TransferRecord::Outcome::Aborted, why);
}

void ListenJob::answered()
{
    if (!std::exchange(m_answering, false))
        return;
    m_receive.setAnswering(false);
    if (!m_active)
        return;
    if (!m_port.portOpen() && !m_lost)
        return lost(QStringLiteral("%1が閉じられました。").arg(portName()));
    if (m_port.portOpen())
        m_port.setInputLatency(ReceiveJob::ReceiveLatencyMs);
}

QString ListenJob::portName() const
{
    return QStringLiteral("ポート COM%1 (%2)")
        .arg(m_port.commPort())
        .arg(m_port.deviceName(m_port.commPort()));
}
