// SPDX-License-Identifier: GPL-2.0-or-later
#include "journal/JournalDatabase.h"

#include "platform/text/SystemReason.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QVariant>

#include <algorithm>
#include <cerrno>
#include <iterator>

namespace {

// Each step takes the schema from its place in the list to the next version, in one transaction.
// Times are ISO 8601 UTC text with milliseconds on both kinds of database: they sort as they compare,
// and a query means the same on either.
const QStringList Steps[] = {
    {QStringLiteral("CREATE TABLE transfers (id TEXT PRIMARY KEY, started TEXT NOT NULL, ended TEXT, "
                    "machine TEXT, port TEXT, direction INTEGER NOT NULL, program TEXT, path TEXT, "
                    "size BIGINT NOT NULL, sha256 TEXT, outcome INTEGER NOT NULL, reason TEXT, "
                    "operator_name TEXT, host TEXT, process TEXT)"),
     QStringLiteral("CREATE INDEX transfers_started ON transfers (started, id)"),
     QStringLiteral("CREATE INDEX transfers_machine ON transfers (machine)"),
     QStringLiteral("CREATE INDEX transfers_program ON transfers (program)"),
     QStringLiteral("CREATE INDEX transfers_path ON transfers (path)")},
    // The local file in front of a server marks what the server has not had yet, in the order written.
    {QStringLiteral("ALTER TABLE transfers ADD COLUMN queued BIGINT"),
     QStringLiteral("CREATE INDEX transfers_queued ON transfers (queued)")},
};
static_assert(std::size(Steps) == JournalDatabase::SchemaVersion);

const QString Columns = QStringLiteral("id, started, ended, machine, port, direction, program, path, size, "
                                       "sha256, outcome, reason, operator_name, host, process");
const QString NextMark = QStringLiteral("(SELECT COALESCE(MAX(queued), 0) + 1 FROM transfers)");

QString timeText(const QDateTime &time)
{
    return time.isValid() ? time.toUTC().toString(Qt::ISODateWithMs) : QString();
}

QDateTime timeOf(const QVariant &value)
{
    return value.isNull() ? QDateTime() : QDateTime::fromString(value.toString(), Qt::ISODateWithMs).toUTC();
}

TransferRecord recordOf(const QSqlQuery &query)
{
    TransferRecord record;
    record.id = query.value(0).toString();
    record.started = timeOf(query.value(1));
    record.ended = timeOf(query.value(2));
    record.machine = query.value(3).toString();
    record.port = query.value(4).toString();
    record.direction = TransferRecord::Direction(query.value(5).toInt());
    record.program = query.value(6).toString();
    record.path = query.value(7).toString();
    record.size = query.value(8).toLongLong();
    record.sha256 = query.value(9).toString();
    record.outcome = TransferRecord::Outcome(query.value(10).toInt());
    record.reason = query.value(11).toString();
    record.operatorName = query.value(12).toString();
    record.host = query.value(13).toString();
    record.process = query.value(14).toString();
    return record;
}

// Case is folded for ASCII only, as LOWER() does on either database.
QString likeAnywhere(const QString &part)
{
    QString pattern = QStringLiteral("%");
    for (const QChar c : part) {
        if (c == u'%' || c == u'_' || c == u'\\')
            pattern += u'\\';
        pattern += c.unicode() < 0x80 ? c.toLower() : c;
    }
    return pattern + u'%';
}

struct Where {
    QStringList terms;
    QVariantList args;
    void add(const QString &term, const QVariant &arg)
    {
        terms << term;
        args << arg;
    }
    QString sql() const
    {
        return terms.isEmpty() ? QString() : QStringLiteral(" WHERE ") + terms.join(QStringLiteral(" AND "));
    }
};

Where whereOf(const JournalFilter &filter)
{
    Where where;
    if (!filter.machine.isEmpty())
        where.add(QStringLiteral("machine = ?"), filter.machine);
    if (!filter.program.isEmpty())
        where.add(QStringLiteral("LOWER(program) LIKE ? ESCAPE '\\'"), likeAnywhere(filter.program));
    if (filter.from.isValid())
        where.add(QStringLiteral("started >= ?"), timeText(filter.from.startOfDay()));
    if (filter.to.isValid())
        where.add(QStringLiteral("started < ?"), timeText(filter.to.addDays(1).startOfDay()));
    if (filter.outcome)
        where.add(QStringLiteral("outcome = ?"), int(*filter.outcome));
    if (filter.direction)
        where.add(QStringLiteral("direction = ?"), int(*filter.direction));
    if (!filter.path.isEmpty())
        where.add(QStringLiteral("path = ?"), filter.path);
    return where;
}

bool run(QSqlQuery &query, const QString &sql, const QVariantList &args = {})
{
    // Statements without values go unprepared: PostgreSQL prepares no DDL.
    if (args.isEmpty())
        return query.exec(sql);
    if (!query.prepare(sql))
        return false;
    for (const QVariant &arg : args)
        query.addBindValue(arg);
    return query.exec();
}

// SQLite's result codes, as the C library would have said them.
int errnoOfSqlite(int code)
{
    switch (code & 0xff) {
    case 13: // SQLITE_FULL
        return ENOSPC;
    case 8:  // SQLITE_READONLY
    case 23: // SQLITE_AUTH
        return EACCES;
    case 5: // SQLITE_BUSY
    case 6: // SQLITE_LOCKED
        return EBUSY;
    case 10: // SQLITE_IOERR
        return EIO;
    case 14: // SQLITE_CANTOPEN
        return ENOENT;
    default:
        return 0;
    }
}

QString reasonOf(const QSqlError &error, bool server)
{
    QString text = error.databaseText().isEmpty() ? error.driverText() : error.databaseText();
    text = text.section(u'\n', 0, 0).trimmed();
    if (!server) {
        const int number = errnoOfSqlite(error.nativeErrorCode().toInt());
        if (number != 0)
            return SystemReason::of(number);
        if (text.contains(QLatin1String("not a database")) || text.contains(QLatin1String("malformed")))
            return QStringLiteral("ファイルが壊れているか、ジャーナルのファイルではありません。");
    } else {
        for (const int number : {ECONNREFUSED, ETIMEDOUT, EHOSTUNREACH, ENETUNREACH, ECONNRESET}) {
            if (text.contains(qt_error_string(number), Qt::CaseInsensitive))
                return SystemReason::of(number);
        }
        if (text.contains(QLatin1String("timeout expired")))
            return SystemReason::of(ETIMEDOUT);
        if (text.contains(QLatin1String("password authentication failed")))
            return QStringLiteral("ユーザー名かパスワードが違います。");
        if (text.contains(QLatin1String("could not translate host name")))
            return QStringLiteral("サーバーの名前が見つかりません。");
    }
    return QStringLiteral("データベースが答えました: %1").arg(text);
}

} // namespace

JournalDatabase::JournalDatabase(const QString &name, const JournalConfig &config, bool server)
    : m_name(name), m_path(config.sqlitePath), m_server(server), m_queue(!server && !config.server.isEmpty())
{
    m_db = QSqlDatabase::addDatabase(server ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE"), name);
    if (!server) {
        m_db.setDatabaseName(m_path);
        // Several windows, each a process, write the same file.
        m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
        return;
    }
    const QUrl url(config.server);
    if (!url.isValid() || (url.scheme() != u"postgresql" && url.scheme() != u"postgres") ||
        url.host().isEmpty() || url.path().size() < 2)
        m_invalid = QStringLiteral(
                        "サーバーの指定（%1）が正しくありません。"
                        "postgresql://ユーザー:パスワード@サーバー:5432/データベース の形で書いてください。")
                        .arg(url.toDisplayString(QUrl::RemovePassword));
    m_db.setHostName(url.host());
    m_db.setPort(url.port(5432));
    m_db.setUserName(url.userName(QUrl::FullyDecoded));
    m_db.setPassword(url.password(QUrl::FullyDecoded));
    m_db.setDatabaseName(url.path(QUrl::FullyDecoded).mid(1));
    // A server that went away mid-query must not hold the journal's thread for the kernel's two hours.
    m_db.setConnectOptions(QStringLiteral("connect_timeout=3;application_name=Talvern;keepalives_idle=5;"
                                          "keepalives_interval=2;keepalives_count=3;tcp_user_timeout=10000;"
                                          "options=--client_min_messages=warning"));
}

JournalDatabase::~JournalDatabase()
{
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_name);
}

QString JournalDatabase::serverName(const QString &server)
{
    const QUrl url(server);
    return url.port() < 0 ? url.host() : QStringLiteral("%1:%2").arg(url.host()).arg(url.port());
}

QString JournalDatabase::lastError() const
{
    return m_error;
}

Outcome JournalDatabase::fail(const QString &why)
{
    m_error = why;
    return Outcome::failed(why);
}

Outcome JournalDatabase::open()
{
    m_error.clear();
    if (!m_db.isValid())
        return fail(
            QStringLiteral("データベースのドライバー%1がありません（パッケージ%2を入れてください）。")
                .arg(m_server ? u"QPSQL" : u"QSQLITE", m_server ? u"libqt6sql6-psql" : u"libqt6sql6-sqlite"));
    if (!m_invalid.isEmpty())
        return fail(m_invalid);
    if (!m_server && !QDir().mkpath(QFileInfo(m_path).absolutePath()))
        return fail(SystemReason::of(errno));
    if (!m_db.isOpen() && !m_db.open())
        return fail(reasonOf(m_db.lastError(), m_server));
    if (!m_server) {
        QSqlQuery query(m_db);
        if (!run(query, QStringLiteral("PRAGMA journal_mode=WAL")) ||
            !run(query, QStringLiteral("PRAGMA synchronous=NORMAL")))
            return fail(reasonOf(query.lastError(), false));
    }
    return migrate();
}

Outcome JournalDatabase::migrate()
{
    QSqlQuery query(m_db);
    const auto failed = [&] {
        const QString why = reasonOf(query.lastError(), m_server);
        run(query, QStringLiteral("ROLLBACK"));
        return fail(why);
    };
    // Up to date, as it nearly always is: no lock that would hold up another process's writes.
    const QString current = QStringLiteral("SELECT MAX(version) FROM schema_version");
    if (run(query, current) && query.next() && query.value(0).toInt() == SchemaVersion)
        return {};
    query.finish();
    // Two processes that open a new database at once: the second waits, then finds it made.
    if (!run(query, m_server ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE")))
        return fail(reasonOf(query.lastError(), m_server));
    if ((m_server && !run(query, QStringLiteral("SELECT pg_advisory_xact_lock(7031988)"))) ||
        !run(query, QStringLiteral("CREATE TABLE IF NOT EXISTS schema_version "
                                   "(version INTEGER NOT NULL, applied TEXT NOT NULL)")) ||
        !run(query, current) || !query.next())
        return failed();
    const int version = query.value(0).toInt();
    if (version > SchemaVersion) {
        run(query, QStringLiteral("ROLLBACK"));
        return fail(
            QStringLiteral(
                "ジャーナルのデータベースは新しい版のTalvernが作ったものです（形式%1、この版は%2まで）。"
                "Talvernを新しい版にしてください。")
                .arg(version)
                .arg(SchemaVersion));
    }
    for (int step = version; step < SchemaVersion; ++step) {
        for (const QString &statement : Steps[step]) {
            if (!run(query, statement))
                return failed();
        }
        if (!run(query, QStringLiteral("INSERT INTO schema_version (version, applied) VALUES (?, ?)"),
                 {step + 1, timeText(QDateTime::currentDateTimeUtc())}))
            return failed();
    }
    if (!run(query, QStringLiteral("COMMIT")))
        return failed();
    return {};
}

Outcome JournalDatabase::put(const TransferRecord &record)
{
    m_error.clear();
    const QVariantList values = {
        record.id,
        timeText(record.started.isValid() ? record.started : QDateTime::currentDateTimeUtc()),
        timeText(record.ended),
        record.machine,
        record.port,
        int(record.direction),
        record.program,
        record.path,
        qlonglong(record.size),
        record.sha256,
        int(record.outcome),
        record.reason,
        record.operatorName,
        record.host,
        record.process};
    QStringList updates;
    for (const QString &column : Columns.split(QStringLiteral(", ")).mid(1))
        updates << column + QStringLiteral(" = excluded.") + column;
    if (m_queue)
        updates << QStringLiteral("queued = excluded.queued");
    const QString placeholders = QStringLiteral("?, ").repeated(values.size() - 1) + u'?';
    // A late or repeated write of the start never undoes the end.
    const QString sql =
        QStringLiteral("INSERT INTO transfers (%1%2) VALUES (%3%4) ON CONFLICT (id) DO UPDATE SET %5 "
                       "WHERE transfers.outcome = 0 OR excluded.outcome <> 0")
            .arg(Columns, m_queue ? QStringLiteral(", queued") : QString(), placeholders,
                 m_queue ? QStringLiteral(", ") + NextMark : QString(), updates.join(QStringLiteral(", ")));
    QSqlQuery query(m_db);
    if (!run(query, sql, values))
        return fail(reasonOf(query.lastError(), m_server));
    return {};
}

// A commit costs more than the writes before it: entries that came together go in one.
Outcome JournalDatabase::putAll(const QList<TransferRecord> &records)
{
    m_error.clear();
    if (!m_db.transaction())
        return fail(reasonOf(m_db.lastError(), m_server));
    for (const TransferRecord &record : records) {
        if (Outcome written = put(record); !written) {
            m_db.rollback();
            return written;
        }
    }
    if (!m_db.commit()) {
        const Outcome failed = fail(reasonOf(m_db.lastError(), m_server));
        m_db.rollback();
        return failed;
    }
    return {};
}

QList<TransferRecord> JournalDatabase::find(const JournalFilter &filter, int limit,
                                            const TransferRecord *after)
{
    m_error.clear();
    Where where = whereOf(filter);
    if (after) {
        const QString started = timeText(after->started);
        where.terms << QStringLiteral("(started < ? OR (started = ? AND id < ?))");
        where.args << started << started << after->id;
    }
    QSqlQuery query(m_db);
    QList<TransferRecord> records;
    if (!run(query,
             QStringLiteral("SELECT %1 FROM transfers%2 ORDER BY started DESC, id DESC LIMIT %3")
                 .arg(Columns, where.sql())
                 .arg(limit),
             where.args)) {
        m_error = reasonOf(query.lastError(), m_server);
        return records;
    }
    while (query.next())
        records << recordOf(query);
    return records;
}

qint64 JournalDatabase::count(const JournalFilter &filter)
{
    m_error.clear();
    const Where where = whereOf(filter);
    QSqlQuery query(m_db);
    if (!run(query, QStringLiteral("SELECT COUNT(*) FROM transfers") + where.sql(), where.args) ||
        !query.next()) {
        m_error = reasonOf(query.lastError(), m_server);
        return 0;
    }
    return query.value(0).toLongLong();
}

QStringList JournalDatabase::machines()
{
    m_error.clear();
    QSqlQuery query(m_db);
    QStringList names;
    if (!run(query, QStringLiteral("SELECT DISTINCT machine FROM transfers WHERE machine <> ''"))) {
        m_error = reasonOf(query.lastError(), m_server);
        return names;
    }
    while (query.next())
        names << query.value(0).toString();
    // The same order from either database, whatever its collation.
    names.sort();
    return names;
}

Outcome JournalDatabase::markInterrupted(const QString &host,
                                         const std::function<bool(const QString &process)> &alive)
{
    m_error.clear();
    QSqlQuery query(m_db);
    if (!run(query,
             QStringLiteral(
                 "SELECT DISTINCT COALESCE(process, '') FROM transfers WHERE outcome = ? AND host = ?"),
             {int(TransferRecord::Outcome::Running), host}))
        return fail(reasonOf(query.lastError(), m_server));
    QStringList gone;
    while (query.next()) {
        if (!alive(query.value(0).toString()))
            gone << query.value(0).toString();
    }
    const QString sql = QStringLiteral("UPDATE transfers SET outcome = ?, reason = ?%1 "
                                       "WHERE outcome = ? AND host = ? AND COALESCE(process, '') = ?")
                            .arg(m_queue ? QStringLiteral(", queued = ") + NextMark : QString());
    for (const QString &process : gone) {
        if (!run(query, sql,
                 {int(TransferRecord::Outcome::Interrupted),
                  QStringLiteral("転送の途中でTalvernが終わりました（異常終了か電源断）。"),
                  int(TransferRecord::Outcome::Running), host, process}))
            return fail(reasonOf(query.lastError(), m_server));
    }
    return {};
}

QList<JournalDatabase::Queued> JournalDatabase::queued(int limit)
{
    m_error.clear();
    QSqlQuery query(m_db);
    QList<Queued> entries;
    if (!run(query, QStringLiteral("SELECT %1, queued FROM transfers WHERE queued IS NOT NULL "
                                   "ORDER BY queued, id LIMIT %2")
                        .arg(Columns)
                        .arg(limit))) {
        m_error = reasonOf(query.lastError(), m_server);
        return entries;
    }
    while (query.next())
        entries << Queued{query.value(15).toLongLong(), recordOf(query)};
    return entries;
}

Outcome JournalDatabase::forwarded(const Queued &entry)
{
    m_error.clear();
    QSqlQuery query(m_db);
    if (!run(query, QStringLiteral("UPDATE transfers SET queued = NULL WHERE id = ? AND queued = ?"),
             {entry.record.id, entry.mark}))
        return fail(reasonOf(query.lastError(), m_server));
    return {};
}
