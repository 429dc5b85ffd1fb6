// SPDX-License-Identifier: GPL-2.0-or-later
#include "journal/Journal.h"

#include "journal/JournalWriter.h"

#include <QFile>
#include <QSysInfo>
#include <QUuid>

#include <pwd.h>
#include <unistd.h>

namespace {

// When the process started, in clock ticks since the boot, and which boot: a pid is used again after
// a reboot, and the wall clock's boot time moves when the clock is set.
QString startOf(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return {};
    const QByteArray text = stat.readAll();
    // The fields after the command's name, which may hold spaces and parentheses; starttime is the 22nd.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    QFile boot(QStringLiteral("/proc/sys/kernel/random/boot_id"));
    if (fields.size() < 20 || !boot.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(fields.at(19) + '@' + boot.readAll().trimmed());
}

QString login()
{
    passwd entry{};
    passwd *found = nullptr;
    char buffer[1024];
    getpwuid_r(geteuid(), &entry, buffer, sizeof buffer, &found); // any thread may stamp
    return found ? QString::fromLocal8Bit(found->pw_name) : qEnvironmentVariable("USER");
}

} // namespace

Journal::Journal(const JournalConfig &config, QObject *parent)
    : QObject(parent), m_config(config), m_writer(std::make_unique<JournalWriter>(config))
{
    m_thread.setObjectName(QStringLiteral("journal"));
    m_writer->moveToThread(&m_thread);
    connect(m_writer.get(), &JournalWriter::logLine, this, &Journal::logLine);
    m_thread.start();
    QMetaObject::invokeMethod(m_writer.get(), &JournalWriter::start, Qt::QueuedConnection);
    stamp(m_stamp);
}

Journal::~Journal()
{
    const QDeadlineTimer deadline(1000);
    QMetaObject::invokeMethod(
        m_writer.get(), [this, deadline] { m_writer->finish(deadline); }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

// Stamped here, once for the process: the line's thread asks no more of the system than a copy.
void Journal::record(const TransferRecord &record)
{
    TransferRecord stamped = record;
    if (stamped.id.isEmpty()) // an entry without an id could never be completed; keep it apart
        stamped.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    if (stamped.process.isEmpty()) {
        stamped.operatorName = m_stamp.operatorName;
        stamped.host = m_stamp.host;
        stamped.process = m_stamp.process;
    }
    m_writer->enqueue(stamped);
}

void Journal::stamp(TransferRecord &record)
{
    const qint64 pid = getpid();
    record.operatorName = login();
    record.host = QSysInfo::machineHostName();
    record.process = QStringLiteral("%1:%2:%3").arg(record.host, QString::number(pid), startOf(pid));
}

bool Journal::alive(const QString &process)
{
    const QStringList parts = process.split(u':');
    if (parts.size() != 3)
        return false; // no process can be found by it
    if (parts.at(0) != QSysInfo::machineHostName())
        return true; // not for this host to tell
    bool number = false;
    const qint64 pid = parts.at(1).toLongLong(&number);
    return number && !parts.at(2).isEmpty() && startOf(pid) == parts.at(2);
}

const JournalConfig &Journal::config() const
{
    return m_config;
}
