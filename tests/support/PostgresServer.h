// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <sys/types.h>

// A PostgreSQL server of the test's own: a new cluster in a temporary folder, on 127.0.0.1 at a free
// port, with a user who logs in by password as on a shop's server. Run by root, it runs as the user
// postgres that Debian's package makes, since the server refuses to run as root.
class PostgresServer {
public:
    PostgresServer();
    ~PostgresServer() { stop(); }

    // Empty when it runs; else why not, for QSKIP or a failure.
    QString failure() const { return m_failure; }
    // A database made new, as a "postgresql://" address.
    QString newDatabase();
    // The server goes away (a fast shutdown: its connections are cut); start() brings it back.
    void stop();
    void start();

private:
    bool run(const QString &tool, const QStringList &arguments);

    QTemporaryDir m_dir;
    QString m_bin;
    quint16 m_port = 0;
    uid_t m_uid = 0; // of the server, when it is not the test's own
    gid_t m_gid = 0;
    int m_databases = 0;
    bool m_running = false;
    QString m_failure;
};
