// SPDX-License-Identifier: GPL-2.0-or-later
#include "ControllerSimulator.h"
#include "journal/JournalDatabase.h"

#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

namespace {

using Ended = TransferRecord::Outcome;
using Direction = TransferRecord::Direction;

QByteArray program(int lines)
{
    QByteArray text = "O1000 (PART)\r\n";
    for (int i = 1; i <= lines; ++i)
        text += "N" + QByteArray::number(i * 10) + " G01 X" + QByteArray::number(i % 97) + ".5 F200\r\n";
    return text + "M02\r\n";
}

// The real program, listening to the simulated machine, with a home of its own.
struct Talvern {
    Talvern()
    {
        QDir(home.path()).mkpath(QStringLiteral("nc"));
        QSettings(home.filePath(QStringLiteral("config/Talvern/Talvern.conf")), QSettings::IniFormat)
            .setValue(QStringLiteral("Settings/OpenPathName"), home.filePath(QStringLiteral("nc")));
        if (!machine.openPseudoTerminal())
            qFatal("no pseudo-terminal: %s", qPrintable(machine.errorString()));
        machine.setLineSpeed(9600, 10);
        machine.setDc3Every(0);
    }
    void start(const QStringList &arguments)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
        environment.insert(QStringLiteral("TALVERN_COM1"), machine.slavePath());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(environment);
        process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/talvern"),
                      QStringList{QStringLiteral("--machine"), QStringLiteral("OSP-E100.MCH")} + arguments);
    }
    JournalConfig journal() const
    {
        return {{}, home.filePath(QStringLiteral("data/Talvern/journal.sqlite"))};
    }
    // Entries of the transfer: the number in each state.
    qint64 count(Direction direction, Ended outcome) const
    {
        if (!QFile::exists(journal().sqlitePath))
            return 0;
        JournalDatabase database(QStringLiteral("look"), journal(), false);
        return database.open() ? database.count({.outcome = outcome, .direction = direction}) : 0;
    }

    QTemporaryDir home;
    ControllerSimulator machine;
    QProcess process;
};

} // namespace

// Talvern killed outright at any point of a transfer leaves a journal that opens whole, and the
// transfer in it, found interrupted when Talvern starts again: never a missing entry.
class tst_JournalAfterAKill : public QObject {
    Q_OBJECT

private slots:
    void aKilledTransferIsFoundInterrupted_data()
    {
        QTest::addColumn<QString>("when");
        QTest::addColumn<Direction>("direction");
        QTest::newRow("a program arriving") << "arriving" << Direction::Receive;
        QTest::newRow("an answer waiting for the machine") << "waiting" << Direction::Send;
        QTest::newRow("an answer going") << "going" << Direction::Send;
    }

    void aKilledTransferIsFoundInterrupted()
    {
        QFETCH(QString, when);
        QFETCH(Direction, direction);
        Talvern talvern;
        QFile file(talvern.home.filePath(QStringLiteral("nc/O1000.MIN")));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(program(2000)) > 0);
        file.close();
        talvern.start({QStringLiteral("--listen")});
        if (when == "arriving")
            talvern.machine.punch("BIG.MIN", program(2000));
        else
            talvern.machine.punch("REQ.MIN", "(SEND O1000.MIN)\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(talvern.count(direction, Ended::Running), 1, 20'000);
        if (when == "going") {
            talvern.machine.startReading();
            QTRY_VERIFY_WITH_TIMEOUT(talvern.machine.received().size() > 2000, 20'000);
        }
        talvern.process.kill();
        QVERIFY(talvern.process.waitForFinished(10'000));

        {
            QSqlDatabase sqlite =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
            sqlite.setDatabaseName(talvern.journal().sqlitePath);
            QVERIFY(sqlite.open());
            QSqlQuery check(QStringLiteral("PRAGMA integrity_check"), sqlite);
            QVERIFY(check.next());
            QCOMPARE(check.value(0).toString(), QStringLiteral("ok"));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("check"));
        talvern.start({QStringLiteral("--self-test")});
        QVERIFY(talvern.process.waitForFinished(20'000));

        QCOMPARE(talvern.count(direction, Ended::Running), 0);
        QCOMPARE(talvern.count(direction, Ended::Interrupted), 1);
    }
};

QTEST_MAIN(tst_JournalAfterAKill)
#include "tst_JournalAfterAKill.moc"
