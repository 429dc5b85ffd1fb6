// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/TransferRecord.h"
#include "journal/JournalConfig.h"
#include "journal/JournalFilter.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QStringList>

#include <atomic>
#include <memory>

class JournalDatabase;

// Reads the journal for its window, on a thread of the window's own: a server that is slow or away
// holds that thread, never the window. Its connection is made on that thread, as Qt SQL wants, when
// first needed and again after the store failed. The calls run there (queued); the answers are signals.
class JournalReader final : public QObject {
    Q_OBJECT
public:
    explicit JournalReader(const JournalConfig &config);
    ~JournalReader() override;

    // Any thread: pages and counts of earlier queries still waiting are dropped unasked.
    void supersede(int query) { m_latest = query; }

    // A store that failed is tried again only after a while, or at once after this: a server that is
    // away costs its connection time-out once, not once for every question queued behind.
    void retry() { m_failed.invalidate(); }

    void page(int query, const JournalFilter &filter, const TransferRecord &after);
    void count(int query, const JournalFilter &filter);
    void machines();
    // Sends of the file on path that ended well, newest first.
    void sends(int query, const QString &path);
    // Every entry the filter selects, into a CSV file that Excel on a shop PC opens as it is.
    void exportCsv(const JournalFilter &filter, const QString &path);

signals:
    void paged(int query, const QList<TransferRecord> &rows, bool last);
    void counted(int query, qint64 entries);
    void machinesKnown(const QStringList &names);
    void sent(int query, const QList<TransferRecord> &rows);
    void exported(const QString &path, qint64 entries, const QString &failure);
    // Why the journal cannot be read; "" once it can again.
    void unreachable(const QString &reason);

private:
    JournalDatabase *database();
    // After a call on the database: false, with the store dropped and the window told, when it failed.
    bool answered();
    void tell(const QString &reason);

    JournalConfig m_config;
    std::unique_ptr<JournalDatabase> m_database;
    std::atomic<int> m_latest{0};
    QString m_told;
    QElapsedTimer m_failed;
};
