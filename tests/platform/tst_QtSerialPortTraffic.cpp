// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/PtyPortTest.h"

#include "support/CommEvents.h"
#include <QRegularExpression>
#include <QSignalSpy>
#include <QThread>

// What goes over an open port: output, input, line errors, flow control and the port's thread.
class tst_QtSerialPortTraffic : public PtyPortTest {
    Q_OBJECT

private slots:
    void init() { setUp(); }
    void cleanup() { tearDown(); }

    // Every byte value leaves as it was given: the device carries no translation of its own.
    void outputArrivesUnchanged()
    {
        openOnLine();
        const QByteArray sent = everyByte().repeated(64);
        QVERIFY(m_port->output(sent));
        QTRY_COMPARE(m_line->received().size(), sent.size());
        QCOMPARE(m_line->received(), sent);
    }

    // Bytes held for a latency wait in the driver and come out together, in order, in one event. A
    // last byte sent after all was read is the next event, so nothing came in between: a lone byte
    // after a quiet spell is not left behind.
    void inputHeldForALatencyComesOutTogether()
    {
        openOnLine(0);
        m_port->setInputLatency(1000);
        QSignalSpy events(m_port.get(), &SerialPort::OnComm);
        const QByteArray sent = everyByte();
        m_line->sendRaw(sent.first(100));
        QVERIFY(!events.wait(200));
        m_line->sendRaw(sent.sliced(100));
        QVERIFY(events.wait(5000));
        QCOMPARE(events.count(), 1);
        QCOMPARE(m_port->input(), sent);
        m_line->sendRaw("%");
        QVERIFY(events.wait(5000));
        QCOMPARE(m_port->input(), QByteArray("%"));
        QCOMPARE(eventsOf(events), QList<int>(2, SerialPort::Receive));
    }

    void inputLengthOneTakesOneAndIsToldAgain()
    {
        openOnLine(1);
        QList<QByteArray> reads;
        connect(m_port.get(), &SerialPort::OnComm, this, [&](int event) {
            if (event == SerialPort::Receive)
                reads << m_port->input();
        });
        const QByteArray sent = everyByte();
        m_line->sendRaw(sent);
        QTRY_COMPARE(reads.size(), sent.size());
        m_line->sendRaw("%");
        QTRY_COMPARE(reads.join(), sent + "%");
        QCOMPARE(reads.size(), sent.size() + 1); // an event with nothing to read adds an empty read
    }

    // One event for each counter that rose, on a quiet line as with data, and none while none rises.
    void lineErrorsAreRaisedAsTheDriverCountsThem_data()
    {
        QTest::addColumn<QList<int>>("rises"); // break, framing, overrun, overflow, parity, transmit full
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QList<int>>("expected");
        // clang-format off
        QTest::newRow("every counter on a quiet line") << QList<int>{1, 1, 1, 1, 1, 1} << QByteArray() << QList<int>{1001, 1004, 1006, 1008, 1009, 1010};
        QTest::newRow("parity rising by three") << QList<int>{0, 0, 0, 0, 3, 0} << QByteArray() << QList<int>{1009};
        QTest::newRow("overrun told before its data") << QList<int>{0, 0, 1, 0, 0, 0} << QByteArray("%") << QList<int>{1006, 2};
        // clang-format on
    }

    void lineErrorsAreRaisedAsTheDriverCountsThem()
    {
        QFETCH(QList<int>, rises);
        QFETCH(QByteArray, data);
        QFETCH(QList<int>, expected);
        m_driverCounts = {7, 7, 7, 7, 7, 7}; // counted before the port opened
        m_port = std::make_unique<QtSerialPort>(
            PortDevices(), nullptr, [this](SerialDriverState::Handle, SerialDriverState::Counts &counts) {
                ++m_countReads;
                counts = m_driverCounts;
                return true;
            });
        const auto quietFor = [this](int reads) {
            const int until = m_countReads + reads;
            return QTest::qWaitFor([&] { return m_countReads >= until; });
        };
        openOnLine();
        QSignalSpy events(m_port.get(), &SerialPort::OnComm);
        QVERIFY(quietFor(1));
        QCOMPARE(events.count(), 0);

        int *counts[] = {&m_driverCounts.breaks,  &m_driverCounts.framing,
                         &m_driverCounts.overrun, &m_driverCounts.bufferOverflow,
                         &m_driverCounts.parity,  &m_driverCounts.transmitFull};
        for (qsizetype i = 0; i < rises.size(); ++i)
            *counts[i] += rises.at(i);
        m_line->sendRaw(data);

        QTRY_COMPARE(eventsOf(events), expected);
        QVERIFY(quietFor(1));
        QCOMPARE(eventsOf(events), expected);
    }

    // The far end goes away with the line quiet, or while the port still has bytes to send that
    // nobody reads any more.
    void aHungUpLineClosesThePortOnce_data()
    {
        QTest::addColumn<int>("unsent");
        QTest::newRow("quiet line") << 0;
        QTest::newRow("while sending") << 65536;
    }

    void aHungUpLineClosesThePortOnce()
    {
        QFETCH(int, unsent);
        m_line->setLineSpeed(110, 10); // the far end hardly reads
        openOnLine();
        auto *device = m_port->findChild<QSerialPort *>();
        QVERIFY(device);
        QSignalSpy deviceErrors(device, &QSerialPort::errorOccurred);
        QSignalSpy failures(m_port.get(), &SerialPort::failed);
        QVERIFY(m_port->output(QByteArray(unsent, 'N')));
        QTRY_VERIFY(m_port->outBufferCount() >= unsent / 2);
        const QString path = m_line->slavePath();
        m_line->close();
        QVERIFY(failures.wait());
        QVERIFY(!m_port->portOpen());
        QCOMPARE(m_port->errorString(), failures.at(0).at(0).toString());
        QCOMPARE(m_port->errorString(), QStringLiteral("ポート COM7 (%1) が切断されました。").arg(path));
        // QSerialPort repeats the error at every pass of the event loop while the port stays open.
        for (int pass = 0; pass < 20; ++pass)
            QCoreApplication::processEvents();
        QCOMPARE(failures.count(), 1);
        QCOMPARE(deviceErrors.count(), 1);
    }

    // While on, the tty holds the output from the machine's DC3 to its DC1, whatever else comes in
    // meanwhile, and the program sees neither; off, they are data again. Closing while held returns.
    void theTtyHoldsTheOutputFromDc3ToDc1()
    {
        openOnLine();
        QSignalSpy failures(m_port.get(), &SerialPort::failed);
        const auto *device = m_port->findChild<QSerialPort *>();
        QCOMPARE(xonXoffOf(device), tcflag_t(0));
        QVERIFY(m_port->setOutputFlowControl(true));
        QCOMPARE(xonXoffOf(device), tcflag_t(IXON));
        QByteArray heard;
        const auto hear = [&] { return heard += m_port->input(); };
        m_line->sendRaw("\x13X\x12"); // any character would restart a line with IXANY
        QTRY_COMPARE(hear(), QByteArray("X\x12"));
        QVERIFY(m_port->output("held"));
        QVERIFY(!QTest::qWaitFor([&] { return !m_line->received().isEmpty(); }, 300));
        m_line->sendRaw("\x11Y");
        QTRY_COMPARE(m_line->received(), QByteArray("held"));
        QTRY_COMPARE(hear(), QByteArray("X\x12Y"));

        QVERIFY(!m_port->setOutputFlowControl(false));
        QCOMPARE(xonXoffOf(device), tcflag_t(0));
        m_line->sendRaw("\x13");
        QTRY_COMPARE(hear(), QByteArray("X\x12Y\x13"));
        QVERIFY(m_port->output("free"));
        QTRY_COMPARE(m_line->received(), QByteArray("heldfree"));

        QVERIFY(m_port->setOutputFlowControl(true));
        m_line->sendRaw("\x13Z");
        QTRY_COMPARE(hear(), QByteArray("X\x12Y\x13Z"));
        QVERIFY(m_port->output(QByteArray(65536, 'N')));
        QVERIFY(m_port->setPortOpen(false));
        QCOMPARE(failures.count(), 0);
    }

    // An abort: what was handed over and has not gone stays behind, in Qt's buffer as in the
    // driver's, although the far end reads again; and the port closes without waiting for a drain.
    void discardedOutputNeverArrives()
    {
        m_line->setLineSpeed(110, 10); // the far end hardly reads while the port sends
        openOnLine();
        const QByteArray sent(1 << 20, 'N'); // far more than a pty holds
        QVERIFY(m_port->output(sent));
        // The far end's line discipline holds 4 KB; beyond that the bytes wait in the driver.
        const auto handedOver = [&] { return sent.size() - m_port->outBufferCount(); };
        QTRY_VERIFY(handedOver() > 8192);
        const qint64 beforeDiscard = handedOver();
        QVERIFY(m_port->discardOutput());
        QCOMPARE(m_port->outBufferCount(), 0);
        m_line->setLineSpeed(1000000, 10); // and then reads all there is
        qsizetype arrived = -1;
        while (arrived != m_line->received().size()) {
            arrived = m_line->received().size();
            QTest::qWait(200);
        }
        QVERIFY2(arrived < beforeDiscard,
                 qPrintable(QStringLiteral("%1 of %2").arg(arrived).arg(beforeDiscard)));
        QVERIFY(m_port->setPortOpen(false));
        QVERIFY(!m_port->portOpen());
    }

    // A transfer takes the closed port to a thread of its own, opens it, uses it, closes it and
    // hands it back from there. Its timers go along: the one that releases held arrivals, the one
    // that looks at the error counters.
    void aClosedPortServesAnotherThreadAndComesBack()
    {
        QTest::failOnWarning(QRegularExpression(QStringLiteral("[Tt]hread")));
        m_port = std::make_unique<QtSerialPort>(
            PortDevices(), nullptr,
            [](SerialDriverState::Handle, SerialDriverState::Counts &) { return true; });
        QVERIFY(m_port->setCommPort(7));
        QVERIFY(m_port->setSettings(QStringLiteral("4800,E,7,2")));
        m_port->setInputLatency(20);
        QThread line;
        line.start();
        const auto stopLine = qScopeGuard([&] {
            line.quit();
            line.wait();
        });
        QtSerialPort *port = m_port.get();
        QThread *home = thread();
        QByteArray heardThere; // set here, once the port is back
        connect(port, &SerialPort::OnComm, port,
                [this, port, home, &heardThere, heard = QByteArray()](int) mutable {
                    heard += port->input();
                    if (heard.size() < 3)
                        return;
                    disconnect(port, &SerialPort::OnComm, port, nullptr);
                    port->setPortOpen(false);
                    port->moveToThread(home);
                    QMetaObject::invokeMethod(this, [&heardThere, heard] { heardThere = heard; });
                });
        port->moveToThread(&line);

        bool sentThere = false;
        QMetaObject::invokeMethod(
            port, [port] { return port->setPortOpen(true) && port->output("DNC"); },
            Qt::BlockingQueuedConnection, &sentThere);
        QVERIFY2(sentThere, qPrintable(port->errorString()));
        QTRY_COMPARE(m_line->received(), QByteArray("DNC"));
        m_line->sendRaw("ACK");
        QTRY_COMPARE(heardThere, QByteArray("ACK"));
        QCOMPARE(port->thread(), thread());
        QVERIFY(!port->portOpen());

        openOnLine();
        QVERIFY(port->output("AGAIN"));
        QTRY_COMPARE(m_line->received(), QByteArray("DNCAGAIN"));
        m_line->sendRaw("OK");
        QByteArray heardHere;
        QTRY_COMPARE((heardHere += port->input()), QByteArray("OK"));
    }
};

QTEST_GUILESS_MAIN(tst_QtSerialPortTraffic)
#include "tst_QtSerialPortTraffic.moc"
