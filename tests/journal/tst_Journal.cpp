// SPDX-License-Identifier: GPL-2.0-or-later
#include "journal/Journal.h"
#include "journal/JournalDatabase.h"
#include "support/FileSizeLimit.h"
#include "support/PostgresServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>

namespace {

using Outcome_ = TransferRecord::Outcome;

TransferRecord entry(const QString &id, const QDateTime &started, Outcome_ outcome = Outcome_::Done)
{
    TransferRecord record;
    record.id = id;
    record.started = started.toUTC();
    record.machine = QStringLiteral("OSP-E100.MCH");
    record.program = QStringLiteral("O%1").arg(id);
    record.outcome = outcome;
    Journal::stamp(record);
    return record;
}

QStringList fields(const TransferRecord &r)
{
    const QStringList times = {r.started.toString(Qt::ISODateWithMs), r.ended.toString(Qt::ISODateWithMs)};
    return times + QStringList{r.id,     r.machine, r.port,         r.program, r.path,
                               r.sha256, r.reason,  r.operatorName, r.host,    r.process}
           << QString::number(int(r.direction)) << QString::number(int(r.outcome)) << QString::number(r.size);
}

QStringList ids(const QList<TransferRecord> &records)
{
    QStringList found;
    for (const TransferRecord &record : records)
        found << record.id;
    return found;
}

} // namespace

// The row's kind of store, new and empty; with a server, the SQLite file is the queue in front of it.
#define NEW_STORE_OR_SKIP(config)                                                                            \
    QFETCH(bool, server);                                                                                    \
    const JournalConfig config = newStore(server);                                                           \
    if (server && config.server.isEmpty())                                                                   \
        QSKIP(qPrintable(m_postgres->failure()));

class tst_Journal : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<PostgresServer> m_postgres;
    int m_stores = 0;

    JournalConfig newStore(bool server)
    {
        JournalConfig config{{}, m_dir.filePath(QStringLiteral("%1/journal.sqlite").arg(++m_stores))};
        if (server && !m_postgres)
            m_postgres = std::make_unique<PostgresServer>();
        if (server && m_postgres->failure().isEmpty())
            config.server = m_postgres->newDatabase();
        return config;
    }

    QList<TransferRecord> stored(const JournalConfig &config, bool server)
    {
        JournalDatabase reader(QStringLiteral("reader%1").arg(++m_stores), config, server);
        return reader.open() ? reader.find({}, 1000) : QList<TransferRecord>();
    }

    void stores()
    {
        QTest::addColumn<bool>("server");
        QTest::newRow("SQLite") << false;
        QTest::newRow("PostgreSQL") << true;
    }

private slots:
    // Local days that are not UTC days, as in the shops this is for.
    void initTestCase()
    {
        qputenv("TZ", "JST-9");
        tzset();
    }

    // Every field comes back as written; a write of the start after the end changes nothing.
    void entriesComeBackWhole_data() { stores(); }
    void entriesComeBackWhole()
    {
        NEW_STORE_OR_SKIP(config);
        JournalDatabase db(QStringLiteral("whole"), config, server);
        QVERIFY2(db.open().ok(), qPrintable(db.lastError()));
        const TransferRecord bare =
            entry(QStringLiteral("b"), QDateTime::currentDateTimeUtc(), Outcome_::Running);
        TransferRecord full = entry(QStringLiteral("a"), bare.started.addMSecs(-1), Outcome_::Running);
        full.port = QStringLiteral("COM3 (rfc2217://192.168.10.31:4001)");
        full.direction = TransferRecord::Direction::Request;
        full.program = QStringLiteral("主軸テスト'%_");
        full.path = QStringLiteral("/srv/加工/主軸テスト.MIN");
        full.size = 1234;
        full.sha256 = QString(64, u'e');
        TransferRecord ended = full;
        ended.ended = full.started.addSecs(90);
        ended.outcome = Outcome_::Aborted;
        ended.reason = QStringLiteral("オペレーターが中止しました。");
        QVERIFY(db.put(full) && db.put(bare) && db.put(ended) && db.put(full));
        const QList<TransferRecord> found = db.find({}, 10);
        QCOMPARE(found.size(), 2);
        QCOMPARE(fields(found.at(0)), fields(bare));
        QCOMPARE(fields(found.at(1)), fields(ended));
    }

    // Each part of a filter, local whole days at their edges, and pages that split equal start times.
    void filtersAndPages_data() { stores(); }
    void filtersAndPages()
    {
        NEW_STORE_OR_SKIP(config);
        JournalDatabase db(QStringLiteral("pages"), config, server);
        QVERIFY2(db.open().ok(), qPrintable(db.lastError()));
        const QDateTime evening(QDate(2024, 5, 1), QTime(23, 59, 59, 999)), later = evening.addMSecs(1);
        QList<TransferRecord> all = {entry("1", evening.addDays(-1)),
                                     entry("2", evening),
                                     entry("3", evening),
                                     entry("4", evening),
                                     entry("5", later),
                                     entry("6", later.addSecs(1))};
        all[1].machine = all[2].machine = QStringLiteral("FANUC-0i.MCH");
        all[3].program = all[3].path = QStringLiteral("o100_SHAFT");
        all[4].outcome = Outcome_::Failed;
        all[5].direction = TransferRecord::Direction::Receive;
        for (const TransferRecord &record : std::as_const(all))
            QVERIFY(db.put(record));
        const auto asked = [&](const JournalFilter &filter) {
            const QStringList found = ids(db.find(filter, 100));
            return db.count(filter) == found.size() ? found : QStringList{"count differs"};
        };
        QCOMPARE(asked({}), QStringList({"6", "5", "4", "3", "2", "1"}));
        QCOMPARE(asked({.machine = "FANUC-0i.MCH"}), QStringList({"3", "2"}));
        QCOMPARE(asked({.program = "O100_s"}), QStringList{"4"});
        QCOMPARE(asked({.program = "%"}), QStringList());
        QCOMPARE(asked({.from = evening.date(), .to = evening.date()}), QStringList({"4", "3", "2"}));
        QCOMPARE(asked({.from = later.date()}), QStringList({"6", "5"}));
        QCOMPARE(asked({.outcome = Outcome_::Failed}), QStringList{"5"});
        QCOMPARE(asked({.direction = TransferRecord::Direction::Receive}), QStringList{"6"});
        QCOMPARE(asked({.path = "o100_SHAFT"}), QStringList{"4"});
        QCOMPARE(db.machines(), QStringList({"FANUC-0i.MCH", "OSP-E100.MCH"}));
        QStringList paged;
        QList<TransferRecord> page = db.find({}, 2);
        for (int pages = 0; pages < 4 && !page.isEmpty(); ++pages, page = db.find({}, 2, &page.last()))
            paged += ids(page);
        QCOMPARE(paged, asked({}));
    }

    // A database of the first version, made by hand, is brought up to date with its entries kept; one
    // made by a newer Talvern is left alone.
    void opensOnlyVersionsItKnows_data()
    {
        QTest::addColumn<bool>("server");
        QTest::addColumn<int>("version");
        for (const bool server : {false, true}) {
            QTest::addRow("%s, version 1", server ? "PostgreSQL" : "SQLite") << server << 1;
            QTest::addRow("%s, newer", server ? "PostgreSQL" : "SQLite") << server << 3;
        }
    }
    void opensOnlyVersionsItKnows()
    {
        NEW_STORE_OR_SKIP(config);
        QFETCH(int, version);
        {
            JournalDatabase made(QStringLiteral("made"), config, server);
            QVERIFY(made.open());
            QSqlQuery sql(QSqlDatabase::database(QStringLiteral("made")));
            QVERIFY(sql.exec("DROP TABLE transfers") && sql.exec("DELETE FROM schema_version"));
            QVERIFY(
                sql.exec("CREATE TABLE transfers (id TEXT PRIMARY KEY, started TEXT NOT NULL, ended TEXT, "
                         "machine TEXT, port TEXT, direction INTEGER NOT NULL, program TEXT, path TEXT, size "
                         "BIGINT NOT NULL, sha256 TEXT, outcome INTEGER NOT NULL, reason TEXT, operator_name "
                         "TEXT, host TEXT, process TEXT)"));
            QVERIFY(sql.exec(
                "INSERT INTO transfers VALUES ('old', '2023-01-02T03:04:05.006Z', NULL, 'M.MCH', '', 0, "
                "'O1', '', 10, '', 1, '', 'yamada', 'ws-1', 'ws-1:1:1')"));
            QVERIFY(sql.exec(QStringLiteral("INSERT INTO schema_version VALUES (%1, '')").arg(version)));
        }
        JournalConfig queue = config;
        if (!server) // the local file in front of a server, whose queue came with the second version
            queue.server = QStringLiteral("postgresql://server/journal");
        JournalDatabase opened(QStringLiteral("opened"), queue, server);
        const Outcome result = opened.open();
        QVERIFY2(version == 1 ? result.ok() : result.reason().contains(QStringLiteral("新しい版")),
                 qPrintable(result.reason()));
        if (!result)
            return;
        QVERIFY(opened.put(entry(QStringLiteral("new"), QDateTime::currentDateTimeUtc())));
        QCOMPARE(ids(opened.find({}, 10)), QStringList({"new", "old"}));
        QCOMPARE(opened.queued(10).size(), server ? 0 : 1);
    }

    // Running entries of this host's processes that are gone, a pid used again among them, are marked;
    // those of a live process, of another host, and ended ones stay.
    void marksWhatGoneProcessesLeftRunning_data() { stores(); }
    void marksWhatGoneProcessesLeftRunning()
    {
        NEW_STORE_OR_SKIP(config);
        JournalDatabase db(QStringLiteral("marks"), config, server);
        QVERIFY2(db.open().ok(), qPrintable(db.lastError()));
        const QDateTime now = QDateTime::currentDateTimeUtc();
        QList<TransferRecord> all = {entry("live", now, Outcome_::Running),
                                     entry("reused", now, Outcome_::Running),
                                     entry("other host", now, Outcome_::Running), entry("ended", now)};
        all[1].process = all[3].process = all[0].process.section(u':', 0, 1) + QStringLiteral(":1@boot");
        all[2].host = QStringLiteral("ws-elsewhere");
        for (const TransferRecord &record : std::as_const(all))
            QVERIFY(db.put(record));
        QVERIFY(db.markInterrupted(QSysInfo::machineHostName(), &Journal::alive));
        QCOMPARE(ids(db.find({.outcome = Outcome_::Interrupted}, 9)), QStringList{"reused"});
        QCOMPARE(ids(db.find({.outcome = Outcome_::Running}, 9)), QStringList({"other host", "live"}));
    }

    // What is recorded while the store is away (a full disk, a server stopped) all arrives, in order,
    // once it is back; the log tells each turn once.
    void nothingIsLostWhileTheStoreIsAway_data() { stores(); }
    void nothingIsLostWhileTheStoreIsAway()
    {
        NEW_STORE_OR_SKIP(config);
        Journal journal(config);
        QSignalSpy log(&journal, &Journal::logLine);
        const QDateTime now = QDateTime::currentDateTimeUtc();
        TransferRecord a = entry(QStringLiteral("a"), now, Outcome_::Running);
        journal.record(a);
        QTRY_COMPARE(ids(stored(config, server)), QStringList{"a"});
        std::optional<FileSizeLimit> diskFull;
        server ? m_postgres->stop() : void(diskFull.emplace(0));
        const TransferRecord b = entry(QStringLiteral("b"), now.addSecs(1), Outcome_::Running);
        journal.record(b);
        QTRY_COMPARE(log.size(), 1);
        a.outcome = Outcome_::Done;
        for (const char *reason : {"first", "second"}) {
            a.reason = QString::fromLatin1(reason);
            journal.record(a);
        }
        server ? m_postgres->start() : diskFull.reset();
        const TransferRecord c = entry(QStringLiteral("c"), now.addSecs(2));
        journal.record(c);
        QTRY_COMPARE(log.size(), 2);
        QTRY_COMPARE(stored(config, server).size(), 3);
        const QList<TransferRecord> found = stored(config, server);
        QCOMPARE(fields(found.at(0)), fields(c));
        QCOMPARE(fields(found.at(1)), fields(b));
        QCOMPARE(fields(found.at(2)), fields(a));
        QVERIFY2(log.at(0).at(0).toString().contains(QStringLiteral("書き込めません")),
                 qPrintable(log.at(0).at(0).toString()));
        QVERIFY2(log.at(1).at(0).toString().contains(QStringLiteral("書き込みました")),
                 qPrintable(log.at(1).at(0).toString()));
    }

    // A process killed in the middle of its writes leaves a sound file, and its entries are then
    // marked interrupted. The writer is a program of its own: a fork of this one, which runs threads,
    // may hang in the child on a lock another thread held.
    void aKilledWriterLeavesASoundFile()
    {
        const JournalConfig config = newStore(false);
        QVERIFY(QDir().mkpath(QFileInfo(config.sqlitePath).path()));
        QProcess writer;
        writer.setProcessChannelMode(QProcess::ForwardedChannels);
        writer.start(QCoreApplication::applicationDirPath() + QStringLiteral("/talvern-peer"),
                     {QStringLiteral("write-journal"), config.sqlitePath});
        QVERIFY2(writer.waitForStarted(), qPrintable(writer.errorString()));
        const bool wrote = QTest::qWaitFor([&] { return stored(config, false).size() >= 200; }, 30'000);
        writer.kill(); // SIGKILL
        QVERIFY(writer.waitForFinished());
        QVERIFY2(wrote, "the writer wrote too little");
        QCOMPARE(writer.exitStatus(), QProcess::CrashExit);
        JournalDatabase db(QStringLiteral("after"), config, false);
        QVERIFY(db.open());
        QSqlQuery check(QSqlDatabase::database(QStringLiteral("after")));
        QVERIFY(check.exec(QStringLiteral("PRAGMA integrity_check")) && check.next());
        QCOMPARE(check.value(0).toString(), QStringLiteral("ok"));
        const qint64 written = db.count({});
        QVERIFY(db.markInterrupted(QSysInfo::machineHostName(), &Journal::alive));
        QCOMPARE(db.count({.outcome = Outcome_::Interrupted}), written);
    }
};

QTEST_GUILESS_MAIN(tst_Journal)
#include "tst_Journal.moc"
