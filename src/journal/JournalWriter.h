// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/TransferRecord.h"
#include "journal/JournalConfig.h"

#include <QDeadlineTimer>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QTimer>

#include <memory>

class JournalDatabase;

// The journal's own thread: the local file first, then the server in the order written. Whatever
// cannot be written now waits (in the file, or in memory while the file cannot take it) and is tried
// again every few seconds and whenever a new entry comes.
class JournalWriter final : public QObject {
    Q_OBJECT
public:
    explicit JournalWriter(const JournalConfig &config);
    ~JournalWriter() override;

    void enqueue(const TransferRecord &record); // any thread; never waits on a database
    // On the journal's thread:
    void start();
    void finish(QDeadlineTimer deadline); // writes what it can in time; the rest stays in the local file

signals:
    void logLine(const QString &line);

private:
    void pass();
    void writeLocal();
    void writeServer();
    bool openServer();
    void serverFailed(const QString &reason);

    const JournalConfig m_config;
    const QString m_name; // of this journal's connections
    QMutex m_mutex;
    QList<TransferRecord> m_incoming;  // under m_mutex
    bool m_finished = false;           // under m_mutex
    QList<TransferRecord> m_unwritten; // not in the local file yet
    std::unique_ptr<JournalDatabase> m_local;
    std::unique_ptr<JournalDatabase> m_server;
    bool m_localMarked = false;
    bool m_serverMarked = false;
    bool m_localAway = false;  // told
    bool m_serverAway = false; // told
    qsizetype m_writtenSinceAway = 0;
    QTimer m_retry{this};
};
