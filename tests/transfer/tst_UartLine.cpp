// SPDX-License-Identifier: GPL-2.0-or-later
#include "support/UartLine.h"
#include "support/VirtualClock.h"

#include <QTest>

#include <algorithm>
#include <cmath>

namespace {

QByteArray text(int size)
{
    return QByteArray("ABCDEFGHIJKLMNOPQRSTUVWXYZ").repeated(size / 26 + 1).left(size);
}

// A writer hands the line `chunk` characters every everyUs unless the machine holds it, and at its DC1.
struct Run {
    QString settings;
    double characterUs; // start, data, parity and stop bits
    int total = 0;
    int chunk = total;
    qint64 everyUs = 0;
    int dc3Every = 0;
    QString stop = {}; // with the tenth character shifting out
    QByteArray received = text(total);
};

} // namespace

Q_DECLARE_METATYPE(Run)

// The sender tests take this line's word for its pace, its queue, what passed a DC3, a discard or a
// close, and how long it stood idle: a wrong word would pass a sender that fails on a real UART.
class tst_UartLine : public QObject {
    Q_OBJECT

private slots:
    void measuresWhatAWriterDid_data()
    {
        QTest::addColumn<Run>("run");
        const double c8N1 = 10e6 / 115200, c7E2 = 11e6 / 9600;
        QTest::newRow("4800 7O1.5") << Run{"4800,O,7,1.5", 10.5e6 / 4800, 40};
        QTest::newRow("5 ms between writes") << Run{"115200,N,8,1", c8N1, 600, 60, qint64(60 * c8N1) + 5000};
        // Whole microseconds: the writer sees the DC1 the moment it arrives, and the line never rests.
        QTest::newRow("held by DC3") << Run{"1200,N,7,1", 7500.0, 2000, 10, 75000, 252};
        QTest::newRow("discard, close") << Run{"9600,E,7,2", c7E2, 100, 100, 0, 0, "discard close", text(10)};
        QTest::newRow("discard, write on")
            << Run{"9600,E,7,2", c7E2, 100, 100, 0, 0, "discard", text(10) + "more"};
        QTest::newRow("close forgetting the discard") << Run{"9600,E,7,2", c7E2, 100, 100, 0, 0, "close"};
    }
    void measuresWhatAWriterDid()
    {
        QFETCH(const Run, run);
        VirtualClock clock;
        clock.advance(12345);
        UartLine line(clock);
        QVERIFY(line.setSettings(run.settings));
        line.dc3Every = run.dc3Every;
        line.dc1AfterMs = 200; // longer than the queue takes to drain
        QVERIFY(line.setPortOpen(true));
        int written = 0;
        bool held = false;
        QList<int> afterDc3; // queued as each DC3 came in, and the character ending with it
        const auto write = [&] {
            if (!held && written < run.total)
                written += line.output(text(run.total).mid(written, run.chunk)) ? run.chunk : 0;
        };
        connect(&line, &SerialPort::OnComm, &line, [&] {
            for (const char c : line.input()) {
                if (c == 0x13)
                    afterDc3.append(int(line.outBufferCount()) + 1);
                held = c == 0x13;
            }
            write();
        });
        const qint64 start = clock.nowUs();
        write();
        const bool discard = run.stop.contains("discard"), close = run.stop.contains("close");
        if (!run.stop.isEmpty()) {
            clock.advance(start + qint64(9.5 * run.characterUs) - clock.nowUs());
            if (discard)
                QVERIFY(line.discardOutput());
            QCOMPARE(line.outBufferCount(), discard ? 1 : run.total - 9);
            QVERIFY(line.setPortOpen(!close));
            QCOMPARE(line.output("more"), !close);
        }
        for (qint64 at = start + run.everyUs; written < run.total; at += run.everyUs) {
            clock.advance(at - clock.nowUs());
            write();
        }
        QVERIFY(clock.runUntil([&] { return line.outBufferCount() == 0; }));
        QCOMPARE(line.received(), run.received);
        // Each character past the tenth started out after the stop.
        QCOMPARE(line.sentAfterDiscard(), discard ? int(run.received.size()) - 10 : 0);
        QCOMPARE(line.sentAfterClose(), close && !discard ? int(run.received.size()) - 10 : 0);
        QCOMPARE(line.afterDc3(), afterDc3);
        QCOMPARE(afterDc3.isEmpty(), run.dc3Every == 0);
        QCOMPARE(line.maxAfterDc3(), afterDc3.isEmpty() ? 0 : std::ranges::max(afterDc3));
        const double gapUs = run.everyUs - run.chunk * run.characterUs; // the rest before each later write
        const QList<qint64> gaps(gapUs > 0 ? run.total / run.chunk - 1 : 0, qRound64(gapUs));
        QCOMPARE(line.idleGaps(), gaps); // the pacing benchmark reports them
        const double busyUs = run.received.size() * run.characterUs, idleUs = gaps.size() * gapUs;
        QVERIFY(std::abs(line.utilisation() - busyUs / (busyUs + idleUs)) < 1e-6);
        if (!run.dc3Every) // back to back, but for the gaps
            QVERIFY(std::abs(clock.nowUs() - start - busyUs - idleUs) < 1);
    }
};

QTEST_GUILESS_MAIN(tst_UartLine)
#include "tst_UartLine.moc"
