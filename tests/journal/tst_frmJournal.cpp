// SPDX-License-Identifier: GPL-2.0-or-later
#include "journal/JournalDatabase.h"
#include "journal/ui/JournalTableModel.h"
#include "journal/ui/frmJournal.h"
#include "support/ScriptedFileDialogs.h"
#include "support/TestDir.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>

using Outcome_ = TransferRecord::Outcome;

namespace {

const QString Tricky = QStringLiteral("O1,\"A\"");

TransferRecord entry(int n, const QString &machine, const QString &program, int daysAgo,
                     Outcome_ outcome = Outcome_::Done)
{
    TransferRecord record;
    record.id = QStringLiteral("id-%1").arg(n, 6, 10, QLatin1Char('0'));
    // Noon: the day a test picks is the local day, whatever the hour it runs.
    record.started = QDateTime(QDate::currentDate().addDays(-daysAgo), QTime(12, 0)).toUTC().addSecs(n);
    record.ended = record.started.addSecs(30);
    record.machine = machine;
    record.port = QStringLiteral("COM1 (/dev/ttyUSB0)");
    record.program = program;
    record.size = 100 + n;
    record.outcome = outcome;
    return record;
}

QStringList programsShown(const frmJournal &window)
{
    QStringList shown;
    for (int row = 0; row < window.model()->rowCount(); ++row)
        shown << window.model()->record(row).program;
    return shown;
}

} // namespace

class tst_frmJournal : public QObject {
    Q_OBJECT

    TestDir m_dir;
    JournalConfig m_config;
    ScriptedFileDialogs m_dialogs;

    void put(const QList<TransferRecord> &records)
    {
        JournalDatabase database(QStringLiteral("filling"), m_config, false);
        QVERIFY(database.open().ok());
        for (const TransferRecord &record : records)
            QVERIFY2(database.put(record).ok(), qPrintable(database.lastError()));
    }

    std::unique_ptr<frmJournal> opened()
    {
        auto window = std::make_unique<frmJournal>(m_config, m_dialogs);
        window->show();
        return window;
    }

private slots:
    void init()
    {
        m_config.sqlitePath = m_dir.filePath(QStringLiteral("%1.sqlite").arg(QTest::currentTestFunction()));
        m_config.sqlitePath += QStringLiteral("-%1").arg(QTest::currentDataTag());
    }

    void filtersNarrowTheRowsAndTheCount_data()
    {
        QTest::addColumn<QString>("machine");
        QTest::addColumn<QString>("program");
        QTest::addColumn<int>("fromDaysAgo"); // -1: open
        QTest::addColumn<int>("toDaysAgo");
        QTest::addColumn<int>("result"); // the combo's row: 0 all, 2 done, 3 failed
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("all") << ""
                             << "" << -1 << -1 << 0 << QStringList{"O3", "o20", "O2", Tricky, "O1"};
        QTest::newRow("machine") << "B.MCH"
                                 << "" << -1 << -1 << 0 << QStringList{"o20", "O2"};
        QTest::newRow("part of the name, any case") << ""
                                                    << "O2" << -1 << -1 << 0 << QStringList{"o20", "O2"};
        QTest::newRow("days inclusive") << ""
                                        << "" << 9 << 5 << 0 << QStringList{"O2", Tricky};
        QTest::newRow("until a day") << ""
                                     << "" << -1 << 9 << 0 << QStringList{Tricky, "O1"};
        QTest::newRow("result") << ""
                                << "" << -1 << -1 << 3 << QStringList{"o20"};
        QTest::newRow("none") << "A.MCH"
                              << "o20" << -1 << -1 << 0 << QStringList{};
    }
    void filtersNarrowTheRowsAndTheCount()
    {
        QFETCH(QString, machine);
        QFETCH(QString, program);
        QFETCH(int, fromDaysAgo);
        QFETCH(int, toDaysAgo);
        QFETCH(int, result);
        QFETCH(QStringList, shown);
        put({entry(1, "A.MCH", "O1", 20), entry(2, "A.MCH", Tricky, 9), entry(3, "B.MCH", "O2", 5),
             entry(4, "B.MCH", "o20", 2, Outcome_::Failed), entry(5, "C.MCH", "O3", 0)});
        const auto window = opened();
        QTRY_COMPARE(window->cboMachine->count(), 4);
        QTRY_COMPARE(window->model()->rowCount(), 5);
        window->cboMachine->setCurrentIndex(qMax(0, window->cboMachine->findText(machine)));
        window->txtProgram->setText(program);
        const QDate today = QDate::currentDate();
        window->chkFrom->setChecked(fromDaysAgo >= 0);
        window->dtpFrom->setDate(today.addDays(-fromDaysAgo));
        window->chkTo->setChecked(toDaysAgo >= 0);
        window->dtpTo->setDate(today.addDays(-toDaysAgo));
        window->cboResult->setCurrentIndex(result);
        QTRY_COMPARE(programsShown(*window), shown);
        QTRY_COMPARE(window->lblCount->text(), QStringLiteral("%1 件").arg(shown.size()));
    }

    void pagingBringsEveryRowAsTheTableScrollsToTheEnd()
    {
        const int entries = 2 * JournalTableModel::PageRows + 34;
        QList<TransferRecord> records;
        for (int n = 0; n < entries; ++n)
            records << entry(n, "A.MCH", QStringLiteral("O%1").arg(n), 0);
        put(records);
        const auto window = opened();
        QTRY_COMPARE(window->model()->rowCount(), JournalTableModel::PageRows);
        QTRY_VERIFY((window->grdEntries->scrollToBottom(), window->model()->rowCount() == entries));
        for (int row = 0; row < entries; ++row) // newest first, none twice
            QCOMPARE(window->model()->record(row).program, QStringLiteral("O%1").arg(entries - 1 - row));
    }

    void csvHoldsExactlyTheFilteredEntries()
    {
        TransferRecord refused = entry(2, "A.MCH", Tricky, 1, Outcome_::Refused);
        refused.reason = QStringLiteral("名前がありません\n(2行目)");
        put({entry(1, "A.MCH", "O1", 2), refused, entry(3, "B.MCH", "O3", 0)});
        const auto window = opened();
        QTRY_COMPARE(window->cboMachine->count(), 3);
        window->cboMachine->setCurrentText(QStringLiteral("A.MCH"));
        const QString path = m_dir.filePath(QStringLiteral("out"));
        m_dialogs.answers = {path};
        window->cmdExport->click();
        QTRY_VERIFY(window->lblStatus->text().startsWith(QStringLiteral("2 件を書き出しました")));
        QFile file(path + QStringLiteral(".csv"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray csv = file.readAll();
        QVERIFY(csv.startsWith("\xEF\xBB\xBF" + QStringLiteral("開始,終了,機械,").toUtf8()));
        const QList<QByteArray> lines = csv.split('\n');
        QCOMPARE(lines.size(), 5); // the header, two entries (one of two lines), the end
        const QString first = QString::fromUtf8(lines[1] + '\n' + lines[2]);
        const QDateTime started = QDateTime::fromString(first.section(u',', 0, 0), Qt::ISODate);
        QCOMPARE(started.offsetFromUtc(), refused.started.toLocalTime().offsetFromUtc());
        QCOMPARE(started.toSecsSinceEpoch(), refused.started.toSecsSinceEpoch());
        QVERIFY2(first.endsWith(QStringLiteral(",A.MCH,COM1 (/dev/ttyUSB0),送信,\"O1,\"\"A\"\"\",102,拒否,"
                                               "\"名前がありません\n(2行目)\",,,\r")),
                 qPrintable(first));
        QVERIFY(lines[3].contains(",O1,101,完了,"));
    }

    void theFileQuestionFollowsTheFileOnDisk()
    {
        const QString path = m_dir.addFile(QStringLiteral("O1234"), "%\nO1234\nG0X0\n%\n");
        TransferRecord sent = entry(1, "A.MCH", "O1234", 1);
        sent.path = path;
        sent.sha256 = QString::fromLatin1(
            QCryptographicHash::hash("%\nO1234\nG0X0\n%\n", QCryptographicHash::Sha256).toHex());
        // Neither a reception nor a failed send put it on a machine; an older send was replaced by it.
        TransferRecord received = sent, failed = sent, older = sent;
        received.id = QStringLiteral("received");
        received.direction = TransferRecord::Direction::Receive;
        received.started = sent.started.addSecs(3600);
        received.sha256 = QStringLiteral("0");
        failed.id = QStringLiteral("failed");
        failed.machine = QStringLiteral("B.MCH");
        failed.outcome = Outcome_::Failed;
        older.id = QStringLiteral("older");
        older.started = sent.started.addDays(-1);
        older.sha256 = QStringLiteral("0");
        put({sent, received, failed, older});
        const auto window = opened();
        const auto verdicts = [&] {
            QStringList shown;
            for (int row = 0; row < window->lstSends->topLevelItemCount(); ++row)
                shown << window->lstSends->topLevelItem(row)->text(0) + u' ' +
                             window->lstSends->topLevelItem(row)->text(2);
            return shown;
        };
        window->showFile(path);
        QTRY_COMPARE(verdicts(), QStringList{"A.MCH 一致"});
        QFile file(path);
        QVERIFY(file.open(QIODevice::Append));
        file.write("G1X5\n");
        file.close();
        window->showFile(path);
        QTRY_COMPARE(verdicts(), QStringList{"A.MCH 変更あり（送信後に変更されました）"});
        QVERIFY(QFile::remove(path));
        window->showFile(path);
        QTRY_COMPARE(verdicts(), QStringList{"A.MCH ファイルがありません"});
    }
};

QTEST_MAIN(tst_frmJournal)
#include "tst_frmJournal.moc"
