// SPDX-License-Identifier: GPL-2.0-or-later
#include "transfer/engine/TransferEntry.h"

#include "platform/serial/SerialPort.h"

#include <QUuid>

void TransferEntry::setLine(const QString &machine, const SerialPort &port)
{
    m_machine = machine;
    m_port = QStringLiteral("COM%1 (%2)").arg(port.commPort()).arg(port.deviceName(port.commPort()));
}

void TransferEntry::begin(TransferRecord::Direction direction, const QString &program, const QString &path)
{
    m_record = {};
    m_record.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    m_record.started = QDateTime::currentDateTimeUtc();
    m_record.machine = m_machine;
    m_record.port = m_port;
    m_record.direction = direction;
    m_record.program = program;
    m_record.path = path;
    tell();
}

void TransferEntry::tell() const
{
    if (m_journal && running())
        m_journal->record(m_record);
}

void TransferEntry::end(TransferRecord::Outcome outcome, const QString &reason)
{
    if (running())
        end(take(), outcome, reason);
}

void TransferEntry::end(TransferRecord record, TransferRecord::Outcome outcome, const QString &reason) const
{
    if (!m_journal || record.id.isEmpty())
        return;
    record.ended = QDateTime::currentDateTimeUtc();
    record.outcome = outcome;
    record.reason = reason;
    m_journal->record(record);
}
