// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "journal/Journal.h"
#include "journal/JournalDatabase.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <limits>
#include <memory>

// A journal of a bench's transfers in a folder of its own, with TALVERN_BENCH_JOURNAL=1 only: without
// it the figures stay comparable with runs from before the journal. Once its transfers are over it
// prints how the entries ended and how many Done ones hold the size and SHA-256 of their file now.
class BenchJournal {
public:
    BenchJournal()
    {
        if (qEnvironmentVariableIntValue("TALVERN_BENCH_JOURNAL") == 1)
            m_journal = std::make_unique<Journal>(config());
    }

    ~BenchJournal()
    {
        if (!m_journal)
            return;
        m_journal.reset(); // written whole
        JournalDatabase database(QStringLiteral("bench"), config(), false);
        if (const Outcome opened = database.open(); !opened.ok()) {
            std::printf("  journal: cannot be read: %s\n", qPrintable(opened.reason()));
            return;
        }
        int outcomes[6] = {}, matching = 0;
        for (const TransferRecord &entry : database.find({}, std::numeric_limits<int>::max())) {
            ++outcomes[int(entry.outcome)];
            QFile file(entry.path);
            QCryptographicHash hash(QCryptographicHash::Sha256);
            matching += entry.outcome == TransferRecord::Outcome::Done && file.open(QIODevice::ReadOnly) &&
                        file.size() == entry.size && hash.addData(&file) &&
                        QString::fromLatin1(hash.result().toHex()) == entry.sha256;
        }
        std::printf("  journal: %d done (%d with their file's size and SHA-256), %d running, %d failed, "
                    "%d aborted, %d refused, %d interrupted\n",
                    outcomes[1], matching, outcomes[0], outcomes[2], outcomes[3], outcomes[4], outcomes[5]);
    }

    Journal *get() const { return m_journal.get(); }

private:
    JournalConfig config() const { return {{}, m_folder.filePath(QStringLiteral("journal.sqlite"))}; }

    QTemporaryDir m_folder;
    std::unique_ptr<Journal> m_journal;
};
