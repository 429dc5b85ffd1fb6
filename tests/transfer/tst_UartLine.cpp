#include "support/UartLine.h"
#include "support/VirtualClock.h"

#include <QTest>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

QByteArray text(int size)
{
    return QByteArray("ABCDEFGHIJKLMNOPQRSTUVWXYZ").repeated(size / 26 + 1).left(size);
}

// A sender as the engine will be, looking every 100 µs: writes `chunk` more when fewer than `lowWater`
// wait and the queue has stood empty for `pauseUs`; holds from DC3 to DC1, and until the first DC1.
struct Sender {
    VirtualClock &clock;
    UartLine &line;
    QByteArray data;
    int chunk, lowWater, pauseUs;
    bool held = true;
    int sent = 0;
    qint64 emptySince = 0;
    QList<int> queuedAtDc3 = {};
    std::unique_ptr<LineClock::Alarm> tick = clock.alarm(&line, [this] {
        const qint64 queued = line.outBufferCount();
        emptySince = queued > 0 ? -1 : emptySince < 0 ? clock.nowUs() : emptySince;
        if (!held && queued < lowWater && (queued > 0 || clock.nowUs() - emptySince >= pauseUs))
            sent += line.output(data.mid(sent, chunk)) ? chunk : 0;
        tick->start(100);
    });

    bool run()
    {
        QObject::connect(&line, &SerialPort::OnComm, &line, [this] {
            for (const char c : line.input()) {
                if (c == 0x13)
                    queuedAtDc3.append(int(line.outBufferCount()));
                held = c == 0x13;
            }
        });
        tick->start(0);
        return clock.runUntil([this] { return sent >= data.size() && line.outBufferCount() == 0; });
    }
};

} // namespace

// The line a sender is judged on: its timing, its queue and the machine at its end.
class tst_UartLine : public QObject {
    Q_OBJECT

private slots:
    void charactersLeaveBackToBackAtTheLineRate_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<double>("characterUs");
        QTest::addColumn<int>("count");
        QTest::newRow("9600 7E2") << QStringLiteral("9600,E,7,2") << 11e6 / 9600 << 1000;
        QTest::newRow("115200 8N1") << QStringLiteral("115200,N,8,1") << 10e6 / 115200 << 300;
        QTest::newRow("4800 7O1.5") << QStringLiteral("4800,O,7,1.5") << 10.5e6 / 4800 << 40;
        QTest::newRow("one character") << QStringLiteral("300,N,7,1") << 9e6 / 300 << 1;
    }
    void charactersLeaveBackToBackAtTheLineRate()
    {
        QFETCH(QString, settings);
        QFETCH(double, characterUs);
        QFETCH(int, count);
        VirtualClock clock;
        clock.advance(12345);
        UartLine line(clock);
        QVERIFY(line.setSettings(settings));
        QVERIFY(line.setPortOpen(true));
        QVERIFY(line.output(text(count)));
        const qint64 start = clock.nowUs();
        for (const int gone : {0, count / 2, count - 1}) {
            clock.advance(start + qint64(std::ceil(gone * characterUs)) - clock.nowUs());
            QCOMPARE(line.outBufferCount(), count - gone);
        }
        QVERIFY(clock.runUntil([&] { return line.outBufferCount() == 0; }));
        QVERIFY(std::abs(clock.nowUs() - start - count * characterUs) < 1);
        QCOMPARE(line.received(), text(count));
    }

    // After its DC3 the machine gets what was queued when the DC3 came in, plus the one character that
    // ended with it; the time it holds the sender is not idle time.
    void senderKeepsTheLineBusy_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<int>("dc3Every");
        QTest::addColumn<int>("chunk");
        QTest::addColumn<int>("lowWater");
        QTest::addColumn<int>("pauseUs");
        QTest::addColumn<double>("utilisation");
        const double linesUs = 10 * 60 * 10e6 / 115200; // 600 characters, 9 pauses between the lines
        QTest::newRow("topped up") << QStringLiteral("115200,N,8,1") << 0 << 10 << 20 << 0 << 1.0;
        QTest::newRow("held by DC3") << QStringLiteral("9600,E,7,2") << 252 << 10 << 20 << 0 << 1.0;
        QTest::newRow("lines 5 ms after the queue empties")
            << QStringLiteral("115200,N,8,1") << 0 << 60 << 1 << 5000 << linesUs / (linesUs + 9 * 5000);
    }
    void senderKeepsTheLineBusy()
    {
        QFETCH(QString, settings);
        QFETCH(int, dc3Every);
        QFETCH(int, chunk);
        QFETCH(int, lowWater);
        QFETCH(int, pauseUs);
        VirtualClock clock;
        UartLine line(clock);
        QVERIFY(line.setSettings(settings));
        line.dc3Every = dc3Every;
        line.dc1AfterMs = 50;
        line.dc1OnOpen = true;
        QVERIFY(line.setPortOpen(true));
        Sender sender{clock, line, text(dc3Every ? 2000 : 600), chunk, lowWater, pauseUs};
        QVERIFY(sender.run());
        QCOMPARE(line.received(), sender.data);
        for (int &queued : sender.queuedAtDc3)
            ++queued; // and the one that ended with the DC3
        QCOMPARE(line.afterDc3(), sender.queuedAtDc3);
        QCOMPARE(line.afterDc3().size() > 1, dc3Every > 0);
        QCOMPARE(line.maxAfterDc3(), dc3Every ? std::ranges::max(sender.queuedAtDc3) : 0);
        QFETCH(double, utilisation);
        QVERIFY(std::abs(line.utilisation() - utilisation) < 0.01);
        const QList<qint64> gaps = line.idleGaps(); // the sender looks every 100 µs
        QVERIFY(
            std::ranges::all_of(gaps, [&](qint64 gap) { return gap >= pauseUs && gap <= pauseUs + 200; }));
        const double busyUs = sender.data.size() * line.characterUs();
        const double idleUs = std::accumulate(gaps.begin(), gaps.end(), 0.0);
        QVERIFY(std::abs(line.utilisation() - busyUs / (busyUs + idleUs)) < 1e-4);
    }

    void abortStopsTheLineAfterTheShiftingCharacter_data()
    {
        QTest::addColumn<bool>("discard");
        QTest::addColumn<bool>("close");
        QTest::addColumn<QByteArray>("received");
        QTest::addColumn<int>("afterDiscard");
        QTest::addColumn<int>("afterClose");
        QTest::newRow("discard, close") << true << true << text(10) << 0 << 0;
        QTest::newRow("discard, write on") << true << false << text(10) + "more" << 4 << 0;
        QTest::newRow("close forgetting the discard") << false << true << text(100) << 0 << 90;
    }
    void abortStopsTheLineAfterTheShiftingCharacter()
    {
        QFETCH(bool, discard);
        QFETCH(bool, close);
        VirtualClock clock;
        UartLine line(clock);
        QVERIFY(line.setPortOpen(true));
        QVERIFY(line.output(text(100)));
        clock.advance(qint64(9.5 * line.characterUs())); // the tenth is shifting out
        if (discard)
            QVERIFY(line.discardOutput());
        QCOMPARE(line.outBufferCount(), discard ? 1 : 91);
        QVERIFY(line.setPortOpen(!close));
        QCOMPARE(line.output("more"), !close);
        QVERIFY(!clock.runUntil([] { return false; }));
        QTEST(line.received(), "received");
        QTEST(line.sentAfterDiscard(), "afterDiscard");
        QTEST(line.sentAfterClose(), "afterClose");
    }
};

QTEST_GUILESS_MAIN(tst_UartLine)
#include "tst_UartLine.moc"
