// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/TransferRecord.h"
#include "journal/JournalConfig.h"

#include <QObject>
#include <QThread>

#include <memory>

class JournalWriter;

// The process's journal. Entries are written on a thread of its own, to the local file first and then
// to the server when one is named; a caller never waits.
class Journal final : public QObject, public TransferRecords {
    Q_OBJECT
public:
    explicit Journal(const JournalConfig &config, QObject *parent = nullptr);
    ~Journal() override; // writes what it can within about a second; the rest stays in the local file
    // Any thread; never waits. An entry without its process gets this one's (stamp()).
    void record(const TransferRecord &record) override;
    // Fills in what describes this process: operatorName (login), host, and process
    // "<host>:<pid>:<start>", whose start tells a pid used again after a reboot from the one before.
    static void stamp(TransferRecord &record);
    static bool alive(const QString &process); // on this host
    const JournalConfig &config() const;

signals:
    void logLine(const QString &line); // a store that went away is told once, and its return

private:
    const JournalConfig m_config;
    QThread m_thread;
    std::unique_ptr<JournalWriter> m_writer;
    TransferRecord m_stamp; // this process's operator, host and process
};
