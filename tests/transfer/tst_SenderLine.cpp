// SPDX-License-Identifier: GPL-2.0-or-later
#include "support/TransferRig.h"
#include "support/UartLine.h"
#include "transfer/engine/LineStopCheck.h"
#include "transfer/engine/OutputPacer.h"
#include "transfer/engine/SendJob.h"
#include "transfer/ui/frmCancelSend.h"

#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

namespace {

const QByteArray Dc1(1, 0x11), Dc3(1, 0x13);

// The machine asks for data as soon as the send waits.
void askAtOnce(TransferRig &rig)
{
    QTimer::singleShot(0, &rig.port, [&rig] { rig.port.feed(Dc1); });
}

// A drip feed: the machine asks once the port opens, and holds the sender every 252 characters for 200 ms.
void dripFeed(UartLine &line, const QString &settings)
{
    line.setSettings(settings);
    line.dc1OnOpen = true;
    line.dc3Every = 252;
    line.dc1AfterMs = 200;
}

} // namespace

Q_DECLARE_METATYPE(LineModel)
Q_DECLARE_METATYPE(LineHardware)
Q_DECLARE_METATYPE(LineHardware::Stopper)

// The sender on the lines a workshop has: who stops the line at the machine's DC3, how much still
// reaches the machine after it and after "中止", and how busy the line stays meanwhile.
class tst_SenderLine : public QObject {
    Q_OBJECT

private slots:
    // The port stops the line itself while a body goes, where that is sooner than the sender: from the
    // DC1 that lets the body go (for OSP flow 2 the one after the name, so the name goes at the sender's
    // own pace), until the sender must see a DC1 again or the port closes. A DC3 the sender reads all
    // the same came before the port took over: it holds, and lets the port pass the DC1 on.
    void thePortStopsTheLineWhileABodyGoes_data()
    {
        QTest::addColumn<qint16>("flow");
        QTest::addColumn<LineHardware::Stopper>("stopper");
        QTest::addColumn<bool>("earlyDc3");
        QTest::addColumn<QList<bool>>("switches");
        QTest::addColumn<QByteArray>("paced"); // what went while the port stopped the line
        using S = LineHardware::Stopper;
        const QByteArray a = "$A.MIN%\r\nN1\nN2\n%\r\n", b = "$B.MIN%\r\nN3\n%\r\n";
        const QList<bool> twoFiles = {true, false, true, false};
        QTest::newRow("flow 1") << qint16(1) << S::Kernel << false << twoFiles << a + b;
        QTest::newRow("flow 2") << qint16(2) << S::Kernel << false << twoFiles << a.mid(9) + b.mid(9);
        QTest::newRow("a chip, where the sender stops sooner")
            << qint16(1) << S::Device << false << QList<bool>() << QByteArray();
        QTest::newRow("a DC3 read all the same")
            << qint16(1) << S::Kernel << true << QList<bool>{true, false, true, false, true, false} << a + b;
    }

    void thePortStopsTheLineWhileABodyGoes()
    {
        QFETCH(qint16, flow);
        QFETCH(LineHardware::Stopper, stopper);
        QFETCH(bool, earlyDc3);
        TransferRig rig(0, flow);
        rig.port.pacesOutput = true;
        rig.port.reportedHardware.stopper = stopper;
        rig.list({{"A.MIN", "N1\r\nN2\r\n"}, {"B.MIN", "N3\r\n"}}, {"A.MIN", "B.MIN"});
        std::function<void()> ask = [&] { // a machine that asks again and again
            rig.port.feed(Dc1);
            rig.after(50'000, ask);
        };
        rig.after(10'000, ask);
        QByteArray paced;
        rig.port.onOutput = [&](const QByteArray &bytes) {
            if (!rig.port.flowControl.isEmpty() && rig.port.flowControl.last())
                paced += bytes;
            if (earlyDc3 && rig.port.written.endsWith("$A.MIN%\r\nN1\n"))
                rig.port.feed(Dc3);
        };
        rig.send();
        QCOMPARE(rig.port.written, "$A.MIN%\r\nN1\nN2\n%\r\n$B.MIN%\r\nN3\n%\r\n");
        QTEST(rig.port.flowControl, "switches");
        QTEST(paced, "paced");
    }

    // Where the port can tell its hardware and that lets more reach the machine after its DC3 than a
    // FANUC control takes, the log says so at the start of the send.
    void aLineThatStopsLateIsNamed_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<LineHardware>("hardware");
        QTest::addColumn<bool>("warned");
        using S = LineHardware::Stopper;
        const auto uart = [](double characterUs) {
            return LineHardware{S::Kernel, 16, qint64(4 * characterUs), "16550A"};
        };
        QTest::newRow("16550A, 9600") << "9600,E,7,2" << uart(11e6 / 9600) << false;
        QTest::newRow("16550A, 19200") << "19200,N,8,1" << uart(10e6 / 19200) << false;
        QTest::newRow("16550A, 38400") << "38400,N,8,1" << uart(10e6 / 38400) << true;
        QTest::newRow("FTDI, 115200")
            << "115200,N,8,1" << LineHardware{S::Device, 0, 1000, "ftdi_sio"} << false;
        QTest::newRow("ch341, 19200") << "19200,N,8,1" << LineHardware{S::Program, 0, 1000, "ch341"} << false;
        QTest::newRow("ch341, 115200")
            << "115200,N,8,1" << LineHardware{S::Program, 0, 1000, "ch341"} << true;
        QTest::newRow("unknown, 115200") << "115200,N,8,1" << LineHardware{S::Program, 0, 0, ""} << false;
    }

    void aLineThatStopsLateIsNamed()
    {
        QFETCH(QString, settings);
        QFETCH(LineHardware, hardware);
        QFETCH(bool, warned);
        TransferRig rig(1, 1);
        rig.port.setSettings(settings);
        rig.port.reportedHardware = hardware;
        rig.list({{"A.NC", "N1\r\n"}}, {"A.NC"});
        askAtOnce(rig);
        rig.send();
        const QString first = rig.log().first();
        QCOMPARE(first.startsWith(QStringLiteral("ポート COM1 (scripted COM1) の") + hardware.name), warned);
        if (warned) {
            static const QRegularExpression most(QStringLiteral("最大(\\d+)文字"));
            QVERIFY2(most.match(first).captured(1).toInt() > LineStopCheck::MachineLimit, qPrintable(first));
        }
    }

    // On the lines a workshop has, the line stays busy between the machine's pauses although the PC's
    // timers fire late, and after each DC3 no more reaches the machine than a FANUC control takes,
    // wherever the DC3 falls between two top-ups and however long the file's lines are: the port stops
    // the line itself where it can, and the sender keeps what it cannot take back small enough where it
    // cannot. A control that ends its reading with a DC3 at the "%" still gets the line end behind it.
    void theLineKeepsItsPaceAndStopsAtDc3_data()
    {
        QTest::addColumn<LineModel>("model");
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("stopsAtTheEnd");
        QTest::addColumn<qint64>("latenessUs"); // of the PC's timers
        const QByteArray crLf = QByteArray("N10 G01 X12.5 Y-3.25 F200\r\n").repeated(300);
        const QString slow = "9600,E,7,2";
        QTest::newRow("16550A 9600 7E2") << LineModel::uart16550() << slow << crLf << false << qint64(1500);
        // 5 characters, all a 16550's FIFO may hold at 19 200 baud, are 2.6 ms of line time: a timer that
        // fires more than a millisecond late lets the line rest.
        QTest::newRow("16550A 19200 8N1")
            << LineModel::uart16550() << "19200,N,8,1" << crLf << false << qint64(500);
        QTest::newRow("usb chip 9600 7E2") << LineModel::usbChip() << slow << crLf << false << qint64(1500);
        QTest::newRow("usb chip 115200 8N1, one long line")
            << LineModel::usbChip() << "115200,N,8,1" << QByteArray(65'000, 'X') << false << qint64(1500);
        QTest::newRow("pty 9600 7E2") << LineModel::pty() << slow << crLf << false << qint64(1500);
        QTest::newRow("usb, no chip flow control, 1 ms latency, 9600 7E2")
            << LineModel::usbWithoutFlow(1000) << slow << crLf << false << qint64(1500);
        QTest::newRow("usb chip 9600 7E2, DC3 at the trailer's %")
            << LineModel::usbChip() << slow << crLf << true << qint64(1500);
    }

    void theLineKeepsItsPaceAndStopsAtDc3()
    {
        QFETCH(LineModel, model);
        QFETCH(QString, settings);
        QFETCH(QByteArray, content);
        QFETCH(bool, stopsAtTheEnd);
        QFETCH(qint64, latenessUs);
        QByteArray sent = "%\r\n" + QByteArray(content).replace("\r\n", "\n");
        if (!content.endsWith("\r\n"))
            sent += '\n';
        sent += "%\r\n";
        for (int every = 229; every <= 252; every += 3) {
            const QByteArray at = "DC3 every " + QByteArray::number(every);
            VirtualClock clock;
            UartLine line(clock, model);
            dripFeed(line, settings);
            line.dc3Every = every;
            clock.setLatenessUs(latenessUs); // the line double's own timing stays exact
            TransferRig rig(1, 1, &line, &clock);
            rig.list({{"A.NC", content}}, {"A.NC"});
            qint64 lastArrivedUs = 0;
            line.onCharacter = [&](char) {
                lastArrivedUs = clock.nowUs();
                if (stopsAtTheEnd && line.received().size() == sent.size() - 2)
                    line.machineStops();
            };
            rig.send();
            const qint64 endedUs = clock.nowUs();
            clock.advance(1'000'000); // a line end held back goes once the port has let go
            QCOMPARE(line.received(), sent);
            QVERIFY(line.afterDc3().size() > 10);
            QVERIFY2(line.maxAfterDc3() <= LineStopCheck::MachineLimit,
                     at + ": " + QByteArray::number(line.maxAfterDc3()));
            QVERIFY2(line.utilisation() >= 0.99, at + ": " + QByteArray::number(line.utilisation()));
            // No warning; told once the trailer has reached the machine and the pause after it has run.
            QCOMPARE(rig.log(), (QStringList{"A.NCを送信中です...", "送信が完了しました。"}));
            if (!stopsAtTheEnd)
                QVERIFY2(endedUs - lastArrivedUs >= SendJob::PauseUs,
                         at + ": " + QByteArray::number(endedUs - lastArrivedUs) + " us");
        }
    }

    // "中止" throws away what the port still holds: what the hardware below it already had still
    // reaches the machine, never more than the sender keeps on its way, also when the abort comes
    // during a hold; nothing goes once the port is closed. (An FTDI adapter with low latency at 9600
    // baud is stopped by the sender, so its chip takes nothing unseen while the machine holds it.)
    void anAbortStopsTheLineAtOnce_data()
    {
        QTest::addColumn<LineModel>("model");
        QTest::addColumn<bool>("held");
        const QList<std::pair<const char *, LineModel>> models = {{"uart", LineModel::idealUart()},
                                                                  {"16550A", LineModel::uart16550()},
                                                                  {"usb chip", LineModel::usbChip(1000)},
                                                                  {"pty", LineModel::pty()}};
        for (const auto &[name, model] : models) {
            QTest::addRow("%s, while sending", name) << model << false;
            QTest::addRow("%s, while held", name) << model << true;
        }
    }

    void anAbortStopsTheLineAtOnce()
    {
        QFETCH(LineModel, model);
        QFETCH(bool, held);
        VirtualClock clock;
        UartLine line(clock, model);
        dripFeed(line, QStringLiteral("9600,E,7,2"));
        line.dc1AfterMs = 1000;
        TransferRig rig(1, 1, &line, &clock);
        rig.list({{"A.NC", QByteArray("N10 G01 X12.5\n").repeated(100)}}, {"A.NC"});
        rig.commands.mnuTransOutput_Click();
        if (held) {
            QVERIFY(clock.runUntil([&] { return !line.afterDc3().isEmpty(); }));
            clock.advance(200'000);
        } else {
            QVERIFY(clock.runUntil([&] { return line.received().size() >= 100; }));
        }
        rig.commands.dialog()->Command1->click();
        QVERIFY(rig.finish());
        clock.advance(2'000'000);
        QCOMPARE(rig.log().last(), QStringLiteral("送信がキャンセルされました。"));
        // Only the character shifting out, where nothing lies below the driver's count.
        OutputPacer pacer;
        pacer.start(line.line().charactersPerSecond(), 0);
        const int bound = model.buffer == 0 ? 1 : int(pacer.maxInFlight());
        QVERIFY2(line.sentAfterDiscard() <= bound, QByteArray::number(line.sentAfterDiscard()));
        QCOMPARE(line.sentAfterClose(), 0);
    }
};

QTEST_MAIN(tst_SenderLine)
#include "tst_SenderLine.moc"
