#include "platform/QtSerialPort.h"
#include "support/PseudoTerminal.h"

#include <QSerialPort>
#include <QSignalSpy>
#include <QTest>

namespace {

const char Com7[] = "TALVERN_COM7";

QByteArray everyByte()
{
    QByteArray bytes;
    for (int value = 0; value < 256; ++value)
        bytes.append(char(value));
    return bytes;
}

} // namespace

// The port on a real pty whose slave TALVERN_COM7 names; the test plays the machine on the master.
class tst_QtSerialPort : public QObject {
    Q_OBJECT

    std::unique_ptr<PseudoTerminal> m_line;
    std::unique_ptr<QtSerialPort> m_port;

    void openOnLine(int inputLen = 0)
    {
        QVERIFY(m_port->setCommPort(7));
        QVERIFY(m_port->setSettings(QStringLiteral("4800,E,7,2")));
        QVERIFY(m_port->setHandshaking(false));
        m_port->setInputLen(inputLen);
        QVERIFY2(m_port->setPortOpen(true), qPrintable(m_port->errorString()));
    }

private slots:
    void init()
    {
        m_line = std::make_unique<PseudoTerminal>();
        if (!m_line->isValid())
            QSKIP(qPrintable(m_line->errorString()));
        qputenv(Com7, m_line->slavePath().toLocal8Bit());
        m_port = std::make_unique<QtSerialPort>();
    }

    void cleanup()
    {
        m_port.reset();
        m_line.reset();
        qunsetenv(Com7);
    }

    void portNumbersNameDevices()
    {
#if defined(Q_OS_WIN)
        QCOMPARE(QtSerialPort::deviceName(3), QStringLiteral("COM3"));
#else
        QCOMPARE(QtSerialPort::deviceName(7), m_line->slavePath());
        qunsetenv("TALVERN_COM12");
        QCOMPARE(QtSerialPort::deviceName(12), QStringLiteral("/dev/ttyS11"));
#endif
        QVERIFY(!m_port->setCommPort(0));
        QVERIFY(!m_port->errorString().isEmpty());
        QCOMPARE(m_port->commPort(), 1);
    }

    void openingFailsWithADescription_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QByteArray>("device");
        QTest::addColumn<bool>("inUse");
        QTest::newRow("missing device") << "4800,E,7,2" << QByteArray("/dev/talvern-none") << false;
        QTest::newRow("in use") << "4800,E,7,2" << QByteArray() << true;
        QTest::newRow("4 data bits") << "4800,E,4,2" << QByteArray() << false;
    }

    void openingFailsWithADescription()
    {
        QFETCH(QString, settings);
        QFETCH(QByteArray, device);
        QFETCH(bool, inUse);
        if (!device.isEmpty())
            qputenv(Com7, device);
        QtSerialPort holder;
        QVERIFY(holder.setCommPort(7));
        QVERIFY(!inUse || holder.setPortOpen(true));
        QVERIFY(m_port->setCommPort(7));
        QVERIFY(m_port->setSettings(settings));
        QVERIFY(!m_port->setPortOpen(true));
        QVERIFY(!m_port->portOpen());
        QVERIFY(!m_port->errorString().isEmpty());
    }

    // A pty keeps the speed and stop bits although it forces 8 bits without parity.
    void settingsReachAnOpenDevice_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("stopBits");
        QTest::newRow("usual") << "4800,E,7,2" << 4800 << 2;
        QTest::newRow("one stop bit") << "9600,N,8,1" << 9600 << 1;
        QTest::newRow("1.5 is sent as 2") << "19200,O,7,1.5" << 19200 << 2;
    }

    void settingsReachAnOpenDevice()
    {
        QFETCH(QString, settings);
        openOnLine();
        QVERIFY2(m_port->setSettings(settings), qPrintable(m_port->errorString()));
        QTEST(m_line->baudRate(), "baud");
        QTEST(m_line->stopBits(), "stopBits");
        QVERIFY(!m_port->setCommPort(8));
        QVERIFY(m_port->errorString().contains(QLatin1String("open")));
        QCOMPARE(m_port->commPort(), 7);
    }

    void refusedSettingsOnAnOpenPortChangeNothing_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::newRow("wrong piece") << "9600,X,7,2";
        QTest::newRow("4 data bits") << "9600,E,4,2";
    }

    void refusedSettingsOnAnOpenPortChangeNothing()
    {
        QFETCH(QString, settings);
        openOnLine();
        QVERIFY(!m_port->setSettings(settings));
        QVERIFY(!m_port->errorString().isEmpty());
        QCOMPARE(m_port->settings(), QStringLiteral("4800,e,7,2"));
        QCOMPARE(m_line->baudRate(), 4800);
        QVERIFY(m_port->portOpen());
    }

    void outputArrivesUnchanged()
    {
        openOnLine();
        const QByteArray sent = everyByte().repeated(64);
        QByteArray arrived;
        connect(m_line.get(), &PseudoTerminal::readyRead, this, [&] { arrived += m_line->readAll(); });
        QVERIFY(m_port->output(sent));
        QVERIFY(m_port->outBufferCount() > 0);
        QTRY_COMPARE(arrived.size(), sent.size());
        QCOMPARE(arrived, sent);
        QTRY_COMPARE(m_port->outBufferCount(), 0);
    }

    // Each arrival is announced once; unread bytes are not announced again and again.
    void inputLengthZeroTakesAllThatWaits()
    {
        openOnLine(0);
        QSignalSpy events(m_port.get(), &SerialPort::OnComm);
        const QByteArray sent = everyByte();
        m_line->write(sent.first(100));
        QVERIFY(events.wait());
        QVERIFY(!QTest::qWaitFor([&] { return events.count() > 1; }, 200));
        m_line->write(sent.sliced(100));
        QVERIFY(events.wait());
        QCOMPARE(events.count(), 2);
        QCOMPARE(events.at(1).at(0).toInt(), int(SerialPort::Receive));
        QCOMPARE(m_port->input(), sent);
        QVERIFY(!QTest::qWaitFor([&] { return events.count() > 2; }, 200));
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
        m_line->write(sent);
        QTRY_COMPARE(reads.size(), sent.size());
        QCOMPARE(reads.join(), sent);
        QVERIFY(!QTest::qWaitFor([&] { return reads.size() > sent.size(); }, 200));
    }

    void aHungUpLineClosesThePortOnce()
    {
        openOnLine();
        auto *device = m_port->findChild<QSerialPort *>();
        QVERIFY(device);
        QSignalSpy deviceErrors(device, &QSerialPort::errorOccurred);
        QSignalSpy failures(m_port.get(), &SerialPort::failed);
        m_line->closeMaster();
        QVERIFY(failures.wait());
        QVERIFY(!m_port->portOpen());
        QCOMPARE(m_port->errorString(), failures.at(0).at(0).toString());
        QVERIFY(!m_port->errorString().isEmpty());
        QVERIFY(!QTest::qWaitFor([&] { return failures.count() > 1 || deviceErrors.count() > 1; }, 300));
    }
};

QTEST_GUILESS_MAIN(tst_QtSerialPort)
#include "tst_QtSerialPort.moc"
