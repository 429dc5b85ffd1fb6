// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/TransferRecord.h"
#include "transfer/engine/ReceiveWriter.h"

#include <QList>
#include <QString>
#include <QStringList>

class TransferEntry;

// What a reception says, in the order it happened: a line about a program waits for the disk's
// answer about it, and the lines after it wait with it. A program's journal entry ends with that
// answer, as what the disk did is what the entry tells.
class ReceptionLog final {
public:
    enum class Verdict { Whole, CutShort, LineError }; // how a program came off the line

    void clear() { m_said.clear(); }
    void say(const QStringList &lines);
    // The place of what the disk answers to ticket, for the program of that name as received; record:
    // its journal entry, when the answer ends it.
    void await(quint64 ticket, const QString &name, Verdict verdict = Verdict::Whole,
               const TransferRecord &record = {});
    // The reception's end waits for the disk's writer to be done, or no longer.
    void awaitWriter();
    void writerDone();
    // The disk's answer about a program of folder: its lines, its entry ended. False when none waited.
    bool answer(const ReceiveWriter::Report &report, const QString &folder, const TransferEntry &entry);
    // The disk will not answer about the programs that wait: their entries end failed for reason.
    // Their names, once each, in order.
    QStringList forgetPrograms(const QString &reason, const TransferEntry &entry);
    // The lines whose turn has come, in order.
    QStringList takeReady();
    bool isEmpty() const { return m_said.isEmpty(); }

private:
    struct Said {
        quint64 ticket = 0; // the answer waited for; 0: ready
        QString name;       // the program's, as received
        Verdict verdict = Verdict::Whole;
        QStringList lines;
        TransferRecord record; // a kept program's journal entry, ended with the disk's answer
    };
    static void end(const Said &said, const ReceiveWriter::Report &report, const QString &folder,
                    const TransferEntry &entry);

    QList<Said> m_said;
};
