// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/TransferRecord.h"
#include "support/TransferRig.h"
#include "transfer/engine/SendJob.h"
#include "transfer/engine/TransferLine.h"
#include "transfer/ui/frmCancelSend.h"

#include <QCryptographicHash>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <mutex>

namespace {

// What the line told the journal, as the journal would keep it: the last word on each entry.
class JournalCopy final : public TransferRecords {
public:
    void record(const TransferRecord &record) override
    {
        const std::lock_guard hold(m_lock);
        const qsizetype at = m_order.indexOf(record.id);
        if (at < 0)
            m_order.append(record.id);
        m_records[record.id] = record;
    }
    QList<TransferRecord> entries() const
    {
        const std::lock_guard hold(m_lock);
        QList<TransferRecord> all;
        for (const QString &id : m_order)
            all.append(m_records.value(id));
        return all;
    }

private:
    mutable std::mutex m_lock;
    QStringList m_order;
    QHash<QString, TransferRecord> m_records;
};

QString sha256(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

using Ended = TransferRecord::Outcome;
using Direction = TransferRecord::Direction;

} // namespace

// Every transfer leaves an entry: what went, which bytes, how it ended; an entry begins as the
// transfer does, so one cut short is found running.
class tst_TransferJournal : public QObject {
    Q_OBJECT

private slots:
    void sendsAreEntered()
    {
        TransferRig rig(0, 0); // no pacing: the file goes at once
        JournalCopy journal;
        rig.commands.setJournal(&journal);
        const QByteArray content = "G0 X1\r\nM02\r\n";
        rig.list({{"A.MIN", content}, {"PIC.BMP", "BM"}}, {"A.MIN", "PIC.BMP"});
        QList<Ended> whileSending;
        rig.port.onOutput = [&](const QByteArray &) { whileSending << journal.entries().value(0).outcome; };

        rig.send();

        const QList<TransferRecord> entries = journal.entries();
        QCOMPARE(entries.size(), 2);
        QVERIFY(!whileSending.isEmpty() && !whileSending.contains(Ended::Done));
        QCOMPARE(entries[0].direction, Direction::Send);
        QCOMPARE(entries[0].program, QStringLiteral("A.MIN"));
        QCOMPARE(entries[0].outcome, Ended::Done);
        QCOMPARE(entries[0].size, content.size());
        QCOMPARE(entries[0].sha256, sha256(content));
        QCOMPARE(entries[0].path, QDir(rig.folder.path()).filePath("A.MIN"));
        QCOMPARE(entries[0].machine, rig.state.Machine.MchFileName);
        QCOMPARE(entries[0].port, QStringLiteral("COM1 (scripted COM1)"));
        QVERIFY(entries[0].started.isValid() && entries[0].ended >= entries[0].started);
        QCOMPARE(entries[0].started.timeSpec(), Qt::UTC);
        QCOMPARE(entries[1].outcome, Ended::Refused);
        QVERIFY(!entries[0].id.isEmpty() && entries[0].id != entries[1].id);
    }

    // Received: the program as stored, also when it was cut short.
    void receptionsAreEntered_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<bool>("abort");
        QTest::addColumn<Ended>("outcome");
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("whole") << QByteArray("$B.MIN%\r\nG1\r\n%") << false << Ended::Done
                               << QByteArray("G1\r\n");
        QTest::newRow("aborted") << QByteArray("$B.MIN%\r\nG1\r\nG2") << true << Ended::Aborted
                                 << QByteArray("G1\r\nG2");
    }

    void receptionsAreEntered()
    {
        QFETCH(QByteArray, stream);
        QFETCH(bool, abort);
        QFETCH(Ended, outcome);
        QFETCH(QByteArray, stored);
        TransferRig rig;
        JournalCopy journal;
        rig.commands.setJournal(&journal);
        rig.commands.mnuTransInputCont_Click();
        rig.port.feed(stream);
        QTRY_VERIFY(rig.lineClock.runUntil([&] { return !journal.entries().isEmpty(); }));
        if (abort) {
            QCOMPARE(journal.entries().first().outcome, Ended::Running);
            rig.commands.dialog()->Command1->click();
        } else {
            rig.commands.line()->abort();
        }
        QTRY_VERIFY(rig.finish());

        QTRY_COMPARE(journal.entries().first().outcome, outcome);
        const TransferRecord entry = journal.entries().first();
        QCOMPARE(rig.fileContent("B.MIN"), stored);
        QCOMPARE(entry.sha256, sha256(stored));
        QCOMPARE(entry.size, stored.size());
        QCOMPARE(entry.direction, Direction::Receive);
        QCOMPARE(entry.path, QDir(rig.folder.path()).filePath("B.MIN"));
    }

    // A request answered and a request refused: an entry each, and the program sent its own.
    void requestsAreEntered()
    {
        TransferRig rig;
        QTemporaryDir settings;
        rig.state.SettingsFolder = settings.path();
        JournalCopy journal;
        rig.commands.setJournal(&journal);
        rig.folder.addFile("O1234.MIN", "G0\r\n");
        rig.commands.mnuTransListen_Click();
        for (const QByteArray request : {"(SEND O1234.MIN)", "(SEND O9)"}) {
            rig.port.feed("$R.MIN%\r\n" + request + "\r\n%");
            QTRY_VERIFY(rig.commands.line()->sendJob()->awaitingStart());
            rig.port.feed("\x11");
            QVERIFY(rig.lineClock.runUntil([&] { return !rig.commands.line()->sendJob()->running(); }));
        }

        QStringList told;
        for (const TransferRecord &entry : journal.entries())
            told << QStringLiteral("%1 %2 %3")
                        .arg(int(entry.direction))
                        .arg(entry.program)
                        .arg(int(entry.outcome));
        QCOMPARE(told, (QStringList{"2 O1234.MIN 1", "0 O1234.MIN 1", "2 O9 4"}));
    }
};

QTEST_MAIN(tst_TransferJournal)
#include "tst_TransferJournal.moc"
