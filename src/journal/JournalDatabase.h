// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/TransferRecord.h"
#include "journal/JournalConfig.h"
#include "journal/JournalFilter.h"
#include "platform/text/Outcome.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <functional>

// One connection to where the journal is kept, used on the thread that made it (Qt SQL's rule).
class JournalDatabase final {
public:
    // name: a connection name unique in the process. server: the configured server; else the SQLite file,
    // which is the queue in front of the server when one is named.
    JournalDatabase(const QString &name, const JournalConfig &config, bool server);
    ~JournalDatabase();
    JournalDatabase(const JournalDatabase &) = delete;
    JournalDatabase &operator=(const JournalDatabase &) = delete;

    Outcome open();                            // connects, creates and migrates the schema
    Outcome put(const TransferRecord &record); // upsert by id; an ended entry never goes back to Running
    Outcome putAll(const QList<TransferRecord> &records); // in one transaction: all or none
    // Newest first (started, then id, descending); after: the last row of the page before.
    QList<TransferRecord> find(const JournalFilter &filter, int limit, const TransferRecord *after = nullptr);
    qint64 count(const JournalFilter &filter);
    QStringList machines(); // distinct, sorted
    // Entries still Running that this host's processes left behind: process no longer alive → Interrupted.
    Outcome markInterrupted(const QString &host, const std::function<bool(const QString &process)> &alive);
    QString lastError() const; // why the last call failed; "" when it did not

    // The local file in front of a server: what was put or marked here and is not on the server yet,
    // oldest first; forwarded() clears an entry unless it changed again meanwhile.
    struct Queued {
        qint64 mark = 0;
        TransferRecord record;
    };
    QList<Queued> queued(int limit);
    Outcome forwarded(const Queued &entry);

    static constexpr int SchemaVersion = 2;
    // Where a server's address names it, for the log: "host" or "host:port".
    static QString serverName(const QString &server);

private:
    Outcome fail(const QString &what);
    Outcome migrate();

    QString m_name;
    QString m_path;
    bool m_server;
    bool m_queue; // the local file, with a server behind it
    QSqlDatabase m_db;
    QString m_invalid; // why the server's address cannot be
    QString m_error;
};
