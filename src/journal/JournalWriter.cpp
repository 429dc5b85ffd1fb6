// SPDX-License-Identifier: GPL-2.0-or-later
#include "journal/JournalWriter.h"

#include "journal/Journal.h"
#include "journal/JournalDatabase.h"

#include <QAtomicInt>
#include <QSysInfo>

namespace {

constexpr int RetryMs = 5000;
constexpr int Batch = 100;

QString connectionName()
{
    static QAtomicInt journals;
    return QStringLiteral("talvern-journal-%1").arg(journals.fetchAndAddRelaxed(1));
}

} // namespace

JournalWriter::JournalWriter(const JournalConfig &config) : m_config(config), m_name(connectionName())
{
    m_retry.setSingleShot(true);
    m_retry.setInterval(RetryMs);
    connect(&m_retry, &QTimer::timeout, this, &JournalWriter::pass);
}

JournalWriter::~JournalWriter() = default;

void JournalWriter::enqueue(const TransferRecord &record)
{
    const QMutexLocker lock(&m_mutex);
    if (m_finished)
        return;
    m_incoming.append(record);
    if (m_incoming.size() == 1)
        QMetaObject::invokeMethod(this, &JournalWriter::pass, Qt::QueuedConnection);
}

void JournalWriter::start()
{
    m_local = std::make_unique<JournalDatabase>(m_name + QStringLiteral("-local"), m_config, false);
    pass();
}

void JournalWriter::pass()
{
    {
        const QMutexLocker lock(&m_mutex);
        m_unwritten += std::exchange(m_incoming, {});
    }
    writeLocal();
    if (!m_config.server.isEmpty())
        writeServer();
    if (!m_unwritten.isEmpty() || (m_server == nullptr && !m_config.server.isEmpty()))
        m_retry.start();
}

void JournalWriter::writeLocal()
{
    Outcome written;
    if (!m_localMarked) {
        written = m_local->open();
        if (written)
            written = m_local->markInterrupted(QSysInfo::machineHostName(), &Journal::alive);
        m_localMarked = written.ok();
    }
    qsizetype count = 0;
    if (written && !m_unwritten.isEmpty() && m_local->putAll(m_unwritten))
        count = m_unwritten.size();
    while (written && count < m_unwritten.size()) { // one by one: what the file still takes
        written = m_local->put(m_unwritten.at(count));
        count += written ? 1 : 0;
    }
    m_unwritten.remove(0, count);
    if (m_localAway)
        m_writtenSinceAway += count;
    if (!written && !m_localAway) {
        m_localAway = true;
        m_writtenSinceAway = 0;
        emit logLine(QStringLiteral("ジャーナルのファイル%1に書き込めません。%2 "
                                    "記録はメモリーに残し、書き込めるようになりしだい書き込みます。")
                         .arg(m_config.sqlitePath, written.reason()));
    } else if (written && m_localAway && count > 0) { // not before the file took something again
        m_localAway = false;
        emit logLine(QStringLiteral("ジャーナルのファイル%1に書き込みました（%2件）。")
                         .arg(m_config.sqlitePath)
                         .arg(m_writtenSinceAway));
    }
}

bool JournalWriter::openServer()
{
    if (m_server)
        return true;
    m_server = std::make_unique<JournalDatabase>(m_name + QStringLiteral("-server"), m_config, true);
    Outcome opened = m_server->open();
    if (opened && !m_serverMarked) {
        opened = m_server->markInterrupted(QSysInfo::machineHostName(), &Journal::alive);
        m_serverMarked = opened.ok();
    }
    if (!opened)
        serverFailed(opened.reason());
    return opened.ok();
}

void JournalWriter::serverFailed(const QString &reason)
{
    m_server.reset(); // a new connection next time
    if (m_serverAway)
        return;
    m_serverAway = true;
    emit logLine(
        QStringLiteral(
            "ジャーナルのサーバー%1に書き込めません。%2 記録は手元に残し、サーバーが戻りしだい書き込みます。")
            .arg(JournalDatabase::serverName(m_config.server), reason));
}

void JournalWriter::writeServer()
{
    if (!openServer())
        return;
    int written = 0;
    // What the local file holds goes first, in the order it was written there; then what it could not take.
    for (auto queued = m_localMarked ? m_local->queued(Batch) : QList<JournalDatabase::Queued>{};
         !queued.isEmpty(); queued = m_local->queued(Batch)) {
        for (const JournalDatabase::Queued &entry : std::as_const(queued)) {
            if (const Outcome put = m_server->put(entry.record); !put)
                return serverFailed(put.reason());
            ++written;
            if (!m_local->forwarded(entry))
                return; // the file is told of; the entry goes again, which changes nothing
        }
    }
    while (!m_unwritten.isEmpty()) {
        if (const Outcome put = m_server->put(m_unwritten.constFirst()); !put)
            return serverFailed(put.reason());
        m_unwritten.removeFirst();
        ++written;
    }
    if (m_serverAway) {
        m_serverAway = false;
        emit logLine(QStringLiteral("ジャーナルのサーバー%1に書き込みました（%2件）。")
                         .arg(JournalDatabase::serverName(m_config.server))
                         .arg(written));
    }
}

void JournalWriter::finish(QDeadlineTimer deadline)
{
    {
        const QMutexLocker lock(&m_mutex);
        m_finished = true;
        m_unwritten += std::exchange(m_incoming, {});
    }
    m_retry.stop();
    if (m_local)
        writeLocal();
    // Only a server that is there now: a new connection alone may take longer than there is.
    bool going = m_server && m_localMarked;
    while (going) {
        const QList<JournalDatabase::Queued> queued = m_local->queued(Batch);
        going = !queued.isEmpty();
        for (qsizetype i = 0; going && i < queued.size(); ++i)
            going = !deadline.hasExpired() && m_server->put(queued.at(i).record) &&
                    m_local->forwarded(queued.at(i));
    }
    if (!m_unwritten.isEmpty())
        qWarning("The journal lost %lld entries that neither its file nor its server took",
                 qlonglong(m_unwritten.size()));
    m_server.reset();
    m_local.reset();
}
