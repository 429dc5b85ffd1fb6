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

// A writer on a line of 1200 baud 7N1 (7.5 ms a character) whose machine sends DC3 once 50 characters
// have reached it and DC1 100 characters' time later. It writes at whole character times and does
// the rest half-way through one: asks for the port's own flow control at the start, switches it off,
// discards, and reads the driver's count.
struct Below {
    LineModel model;
    QList<QPair<int, int>> writes; // character time, characters
    bool flowControl = false;
    int switchOffAt = -1;
    int discardAt = -1;
    QList<QPair<int, int>> counts; // character time, outBufferCount()
    QList<int> afterDc3;
    QByteArray input;      // all the program read
    qint64 dc3SeenUs = -1; // after the machine sent it
    int received = -1;     // -1: all that was written
    int sentAfterDiscard = 0;
};

} // namespace

Q_DECLARE_METATYPE(Run)
Q_DECLARE_METATYPE(Below)

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

    // What the sender cannot see of the line: buffers below the driver's count that still send after
    // a DC3 or a discard, a DC3 that shows late, and who stops at it once the port obeys XON/XOFF.
    void playsTheHardwareBelowTheDriver_data()
    {
        QTest::addColumn<Below>("run");
        const QByteArray dc = "\x13\x11";
        const LineModel uart = LineModel::uart16550(), chip = LineModel::usbChip();
        // Filled with 16 at once, and again only once the 16th has started out.
        QTest::newRow("16550A: FIFO uncounted, DC3 seen 4 characters late")
            << Below{uart, {{0, 80}}, false, -1, -1, {{0, 64}, {14, 64}, {15, 48}}, {30}, dc, 5 * 7500};
        // Seen at 55, with 56 to 63 in the FIFO.
        QTest::newRow("16550A, XON/XOFF: the kernel stops, the FIFO empties")
            << Below{uart, {{0, 80}}, true, -1, -1, {}, {14}, ""};
        QTest::newRow("16550A: a discard leaves the FIFO")
            << Below{uart, {{0, 80}}, false, -1, 20, {{21, 0}}, {}, "", -1, 32, 11};
        QTest::newRow("usb chip: 256 uncounted, DC3 seen after the latency timer")
            << Below{chip, {{0, 300}}, false, -1, -1, {{0, 43}, {10, 33}}, {100, 100}, dc + dc, 7500 + 16000};
        QTest::newRow("usb chip, XON/XOFF: stops within a character")
            << Below{chip, {{0, 80}}, true, -1, -1, {}, {2}, ""};
        // The DC3 came while the port obeyed, the DC1 after.
        QTest::newRow("usb chip, XON/XOFF: switching off restarts")
            << Below{chip, {{0, 80}}, true, 100, -1, {}, {30}, "\x11"};
        QTest::newRow("usb chip, held: a discard leaves the chip's buffer")
            << Below{chip, {{0, 80}}, true, -1, 100, {{101, 0}}, {2}, "", -1, -1, 28};
        QTest::newRow("usb adapter that cannot obey")
            << Below{LineModel::usbWithoutFlow(), {{0, 80}}, true, -1, -1, {}, {30}, dc, 7500 + 1000};
        QTest::newRow("pty, XON/XOFF: what comes after the DC3 waits, counted")
            << Below{LineModel::pty(), {{0, 60}, {55, 20}}, true, -1, -1, {{0, 0}, {55, 20}}, {10}, ""};
    }

    void playsTheHardwareBelowTheDriver()
    {
        QFETCH(const Below, run);
        constexpr qint64 C = 7500;
        VirtualClock clock;
        UartLine line(clock, run.model);
        QVERIFY(line.setSettings("1200,N,7,1"));
        line.dc3Every = 50;
        line.dc1AfterMs = 750;
        QVERIFY(line.setPortOpen(true));
        QCOMPARE(line.setOutputFlowControl(run.flowControl),
                 run.flowControl && run.model.flow != LineModel::Flow::None);
        QByteArray input;
        qint64 dc3SentUs = -1, dc3SeenUs = -1;
        connect(&line, &SerialPort::OnComm, &line, [&] {
            input += line.input();
            if (dc3SeenUs < 0 && input.contains(0x13))
                dc3SeenUs = clock.nowUs() - dc3SentUs;
        });
        line.onCharacter = [&](char) {
            if (dc3SentUs < 0 && !line.afterDc3().isEmpty())
                dc3SentUs = clock.nowUs();
        };
        const qint64 start = clock.nowUs();
        int written = 0;
        QList<QPair<int, int>> counts;
        for (int at = 0; at < 200; ++at) {
            clock.advance(start + at * C - clock.nowUs());
            for (const auto &[when, size] : run.writes) {
                if (when == at)
                    written += line.output(text(written + size).mid(written)) ? size : 0;
            }
            clock.advance(C / 2);
            if (at == run.switchOffAt)
                QVERIFY(!line.setOutputFlowControl(false));
            if (at == run.discardAt)
                QVERIFY(line.discardOutput());
            for (const auto &[when, count] : run.counts) {
                if (when == at)
                    counts.append({at, int(line.outBufferCount())});
            }
        }
        clock.advance(1000 * C);
        QCOMPARE(counts, run.counts);
        QCOMPARE(line.received(), text(written).left(run.received < 0 ? written : run.received));
        QCOMPARE(line.afterDc3(), run.afterDc3);
        QCOMPARE(input, run.input);
        QCOMPARE(dc3SeenUs, run.dc3SeenUs);
        QCOMPARE(line.sentAfterDiscard(), run.sentAfterDiscard);
        QCOMPARE(line.sentAfterClose(), 0);
    }
};

QTEST_GUILESS_MAIN(tst_UartLine)
#include "tst_UartLine.moc"
