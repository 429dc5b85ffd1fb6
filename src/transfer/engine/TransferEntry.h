// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/TransferRecord.h"

class SerialPort;

// One transfer's journal entry from its start to its end, told to the journal as it begins, as it
// learns more, and as it ends. Without a journal it tells nobody.
class TransferEntry final {
public:
    void setJournal(TransferRecords *journal) { m_journal = journal; }

    // The machine's settings file and the port its transfers go on from now.
    void setLine(const QString &machine, const SerialPort &port);
    // A transfer begins: a new entry, told at once.
    void begin(TransferRecord::Direction direction, const QString &program, const QString &path);
    bool running() const { return !m_record.id.isEmpty(); }
    TransferRecord &record() { return m_record; }
    void tell() const;
    // Told as it ended, then forgotten; nothing when none runs.
    void end(TransferRecord::Outcome outcome, const QString &reason = {});
    // Handed on, to be ended where the rest of the work ends.
    TransferRecord take() { return std::exchange(m_record, {}); }
    void end(TransferRecord record, TransferRecord::Outcome outcome, const QString &reason = {}) const;

private:
    TransferRecords *m_journal = nullptr;
    QString m_machine;
    QString m_port;
    TransferRecord m_record;
};
