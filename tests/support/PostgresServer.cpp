// SPDX-License-Identifier: GPL-2.0-or-later
#include "support/PostgresServer.h"

#include "support/DeviceServer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QUrl>

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

namespace {

const QString User = QStringLiteral("talvern");
// Characters an address must escape, so the test shows the journal reads it back whole.
const QString Password = QStringLiteral("k@ri:ro/kü");

} // namespace

PostgresServer::PostgresServer() : m_port(DeviceServer::freePort())
{
    // Debian keeps the server's programs out of PATH, one folder per major version.
    for (const QString &version :
         QDir(QStringLiteral("/usr/lib/postgresql")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (QFile::exists(QStringLiteral("/usr/lib/postgresql/%1/bin/pg_ctl").arg(version)))
            m_bin = QStringLiteral("/usr/lib/postgresql/%1/bin/").arg(version);
    }
    if (m_bin.isEmpty()) {
        m_failure = QStringLiteral("PostgreSQL is not installed (scripts/setup.sh installs it)");
        return;
    }
    if (geteuid() == 0) {
        const passwd *server = getpwnam("postgres");
        if (server == nullptr ||
            chown(QFile::encodeName(m_dir.path()).constData(), server->pw_uid, server->pw_gid) != 0) {
            m_failure =
                QStringLiteral("run as root, the server needs the user postgres, which its package makes");
            return;
        }
        m_uid = server->pw_uid;
        m_gid = server->pw_gid;
    }
    QFile password(m_dir.filePath(QStringLiteral("password")));
    if (!password.open(QIODevice::WriteOnly) || password.write(Password.toUtf8()) < 0 ||
        !password.setPermissions(QFile::ReadOwner | QFile::ReadOther)) {
        m_failure = QStringLiteral("cannot write %1").arg(password.fileName());
        return;
    }
    password.close();
    if (run(QStringLiteral("initdb"),
            {"-U", User, "--pwfile", password.fileName(), "-E", "UTF8", "--locale", "C", "--auth-local",
             "trust", "--auth-host", "scram-sha-256", "--no-sync"}))
        start();
}

bool PostgresServer::run(const QString &tool, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PGDATA"), m_dir.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("PGPASSWORD"), Password);
    process.setProcessEnvironment(environment);
    if (m_uid != 0) {
        process.setChildProcessModifier([uid = m_uid, gid = m_gid] {
            if (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0)
                _exit(126);
        });
    }
    process.start(m_bin + tool, arguments);
    if (process.waitForFinished(120'000) && process.exitStatus() == QProcess::NormalExit &&
        process.exitCode() == 0)
        return true;
    QFile log(m_dir.filePath(QStringLiteral("server.log")));
    m_failure = QStringLiteral("%1 failed: %2%3")
                    .arg(tool, QString::fromLocal8Bit(process.readAll()),
                         log.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(log.readAll()) : QString());
    return false;
}

void PostgresServer::start()
{
    m_running = run(QStringLiteral("pg_ctl"),
                    {"start", "-w", "-l", m_dir.filePath(QStringLiteral("server.log")), "-o",
                     QStringLiteral("-p %1 -k %2 -c listen_addresses=127.0.0.1 -c fsync=off")
                         .arg(m_port)
                         .arg(m_dir.path())});
}

void PostgresServer::stop()
{
    if (m_running)
        m_running = !run(QStringLiteral("pg_ctl"), {"stop", "-w", "-m", "fast"});
}

QString PostgresServer::newDatabase()
{
    const QString name = QStringLiteral("journal%1").arg(++m_databases);
    if (!run(QStringLiteral("createdb"),
             {"-h", "127.0.0.1", "-p", QString::number(m_port), "-U", User, name}))
        return {};
    QUrl url;
    url.setScheme(QStringLiteral("postgresql"));
    url.setUserName(User);
    url.setPassword(Password);
    url.setHost(QStringLiteral("127.0.0.1"));
    url.setPort(m_port);
    url.setPath(QLatin1Char('/') + name);
    return url.toString(QUrl::FullyEncoded);
}
