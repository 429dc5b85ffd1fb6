// SPDX-License-Identifier: GPL-2.0-or-later
// The journal window on a SQLite file of 100 000 entries (made in a temporary folder): the time from
// opening the window until its first rows are painted, from choosing a machine and from typing a part
// of a program's name until the rows it selects are painted, from typing a name no entry has until the
// empty table is (the whole file searched), and from scrolling to the end until the next page is in. Each is
// taken five times; the slowest counts. Goal: 200 ms each.
//
//   QT_QPA_PLATFORM=offscreen build/bin/bench_journal_window [entries]
#include "QuietOffscreen.h"
#include "journal/JournalDatabase.h"
#include "journal/ui/JournalTableModel.h"
#include "journal/ui/frmJournal.h"
#include "platform/ui/FileDialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QSqlDatabase>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

constexpr qint64 GoalMs = 200;

class NoDialogs final : public FileDialogs {
public:
    QString openFile(const QString &, const QString &, const QString &) override { return {}; }
};

bool fill(const JournalConfig &config, int entries)
{
    JournalDatabase database(QStringLiteral("fill"), config, false);
    if (!database.open())
        return false;
    QSqlDatabase connection = QSqlDatabase::database(QStringLiteral("fill"));
    connection.transaction(); // one commit: the filling is not what is measured
    const QDateTime start = QDateTime::currentDateTimeUtc().addYears(-2);
    for (int n = 0; n < entries; ++n) {
        TransferRecord record;
        record.id = QStringLiteral("%1").arg(n, 8, 10, QLatin1Char('0'));
        record.started = start.addSecs(qint64(n) * 600);
        record.ended = record.started.addSecs(40);
        record.machine = QStringLiteral("MC-%1.MCH").arg(n % 12);
        record.port = QStringLiteral("COM%1 (/dev/ttyUSB%2)").arg(n % 4 + 1).arg(n % 4);
        record.direction = TransferRecord::Direction(n % 3);
        record.program = QStringLiteral("O%1").arg(n * 7919 % 10000, 4, 10, QLatin1Char('0'));
        record.path = QStringLiteral("/srv/nc/") + record.program;
        record.size = 1000 + n % 50000;
        record.sha256 = QStringLiteral("%1").arg(n, 64, 16, QLatin1Char('0'));
        record.outcome = n % 17 == 0 ? TransferRecord::Outcome::Failed : TransferRecord::Outcome::Done;
        record.operatorName = QStringLiteral("op%1").arg(n % 9);
        record.host = QStringLiteral("shop-pc-%1").arg(n % 3);
        if (!database.put(record))
            return false;
    }
    return connection.commit();
}

// From act until the model's rows are replaced (or, with inserted, added to) and the table has
// painted them.
qint64 msUntilShown(frmJournal &window, const std::function<void()> &act, bool inserted = false)
{
    QEventLoop loop;
    JournalTableModel *model = window.model();
    const auto done =
        inserted ? QObject::connect(model, &QAbstractItemModel::rowsInserted, &loop, &QEventLoop::quit)
                 : QObject::connect(model, &QAbstractItemModel::modelReset, &loop, &QEventLoop::quit);
    bool late = false;
    QTimer::singleShot(10000, &loop, [&] {
        late = true;
        loop.quit();
    });
    QElapsedTimer clock;
    clock.start();
    act();
    loop.exec();
    QApplication::processEvents(); // the view lays the rows out
    window.grdEntries->viewport()->repaint();
    QObject::disconnect(done);
    return late ? -1 : clock.elapsed();
}

bool report(const char *what, QList<qint64> times)
{
    std::sort(times.begin(), times.end());
    const bool met = times.first() >= 0 && times.last() < GoalMs;
    std::printf("%-40s median %4lld ms  slowest %4lld ms  %s\n", what, times[times.size() / 2], times.last(),
                met ? "PASS" : "FAIL");
    return met;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    quietOffscreenRemarks();
    const int entries = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;
    QTemporaryDir dir;
    JournalConfig config;
    config.sqlitePath = dir.filePath(QStringLiteral("journal.sqlite"));
    QElapsedTimer filling;
    filling.start();
    if (!fill(config, entries)) {
        std::fprintf(stderr, "cannot fill the journal\n");
        return 2;
    }
    std::printf("%d entries written in %.1f s\n", entries, double(filling.elapsed()) / 1000);

    NoDialogs dialogs;
    QList<qint64> opening, machine, program, nothing, scrolling;
    for (int round = 0; round < 5; ++round) {
        frmJournal window(config, dialogs);
        opening << msUntilShown(window, [&] { window.show(); });
        QElapsedTimer wait;
        wait.start();
        while (window.cboMachine->count() < 2 && wait.elapsed() < 5000)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        machine << msUntilShown(window, [&] { window.cboMachine->setCurrentIndex(1 + round); });
        program << msUntilShown(window,
                                [&] { window.txtProgram->setText(QStringLiteral("%1").arg(round + 1)); });
        scrolling << msUntilShown(
            window, [&] { window.grdEntries->scrollToBottom(); }, true);
        nothing << msUntilShown(window, [&] {
            window.cboMachine->setCurrentIndex(0);
            window.txtProgram->setText(QStringLiteral("X%1").arg(round));
        });
        QApplication::processEvents(QEventLoop::AllEvents, frmJournal::FilterDelayMs * 2);
    }
    bool met = report("open until the first rows", opening);
    met = report("a machine chosen until its rows", machine) && met;
    met = report("a name typed until its rows", program) && met;
    met = report("a name no entry has until it is shown", nothing) && met;
    met = report("scrolled to the end until the next page", scrolling) && met;
    return met ? 0 : 1;
}
