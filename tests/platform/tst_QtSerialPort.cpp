#include "ControllerSimulator.h"
#include "platform/QtSerialPort.h"

#include <QSerialPort>
#include <QSignalSpy>
#include <QTest>

#if defined(Q_OS_UNIX)
#include <termios.h>
#endif

namespace {

const char Com7[] = "TALVERN_COM7";

QByteArray everyByte()
{
    QByteArray bytes(256, 0);
    for (int value = 0; value < 256; ++value)
        bytes[value] = char(value);
    return bytes;
}

// The speed and stop bits last set on the device: a pty keeps them although it ignores them.
QPair<int, int> lineOf(const QSerialPort *device)
{
#if defined(Q_OS_UNIX)
    termios t{};
    if (device && ::tcgetattr(int(device->handle()), &t) == 0) {
        const QMap<speed_t, int> rates{{B4800, 4800}, {B9600, 9600}, {B19200, 19200}};
        return {rates.value(::cfgetospeed(&t)), t.c_cflag & CSTOPB ? 2 : 1};
    }
#endif
    return {-1, -1};
}

} // namespace

// The port on a real pty whose slave TALVERN_COM7 names; the far end is the simulator's line.
class tst_QtSerialPort : public QObject {
    Q_OBJECT

    std::unique_ptr<ControllerSimulator> m_line;
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
        m_line = std::make_unique<ControllerSimulator>();
        if (!m_line->openPseudoTerminal())
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
        QCOMPARE(QtSerialPort::deviceName(7), m_line->slavePath());
        qunsetenv("TALVERN_COM12");
        QCOMPARE(QtSerialPort::deviceName(12), QStringLiteral("/dev/ttyS11"));
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

    // Settings change an open device; refused ones change nothing; the port number stays.
    void settingsOnAnOpenPort_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("stopBits");
        QTest::newRow("one stop bit") << "9600,N,8,1" << true << 9600 << 1;
        QTest::newRow("1.5 is sent as 2") << "19200,O,7,1.5" << true << 19200 << 2;
        QTest::newRow("wrong piece") << "9600,X,7,2" << false << 4800 << 2;
        QTest::newRow("4 data bits") << "9600,E,4,2" << false << 4800 << 2;
    }

    void settingsOnAnOpenPort()
    {
        QFETCH(QString, settings);
        QFETCH(bool, accepted);
        QFETCH(int, baud);
        QFETCH(int, stopBits);
        openOnLine();
        QCOMPARE(m_port->setSettings(settings), accepted);
        QVERIFY(accepted || !m_port->errorString().isEmpty());
        QCOMPARE(m_port->settings(), accepted ? settings.toLower() : QStringLiteral("4800,e,7,2"));
        QCOMPARE(lineOf(m_port->findChild<QSerialPort *>()), qMakePair(baud, stopBits));
        QVERIFY(m_port->portOpen());
        QVERIFY(!m_port->setCommPort(8));
        QVERIFY(m_port->errorString().contains(QLatin1String("open")));
        QCOMPARE(m_port->commPort(), 7);
    }

    void outputArrivesUnchanged()
    {
        openOnLine();
        const QByteArray sent = everyByte().repeated(64);
        QVERIFY(m_port->output(sent));
        QVERIFY(m_port->outBufferCount() > 0);
        QTRY_COMPARE(m_line->received().size(), sent.size());
        QCOMPARE(m_line->received(), sent);
        QTRY_COMPARE(m_port->outBufferCount(), 0);
    }

    // Each arrival is announced once; unread bytes are not announced again and again.
    void inputLengthZeroTakesAllThatWaits()
    {
        openOnLine(0);
        QSignalSpy events(m_port.get(), &SerialPort::OnComm);
        const QByteArray sent = everyByte();
        m_line->sendRaw(sent.first(100));
        QVERIFY(events.wait());
        QVERIFY(!QTest::qWaitFor([&] { return events.count() > 1; }, 200));
        m_line->sendRaw(sent.sliced(100));
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
        m_line->sendRaw(sent);
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
        m_line->close();
        QVERIFY(failures.wait());
        QVERIFY(!m_port->portOpen());
        QCOMPARE(m_port->errorString(), failures.at(0).at(0).toString());
        QVERIFY(!m_port->errorString().isEmpty());
        QVERIFY(!QTest::qWaitFor([&] { return failures.count() > 1 || deviceErrors.count() > 1; }, 300));
    }
};

QTEST_GUILESS_MAIN(tst_QtSerialPort)
#include "tst_QtSerialPort.moc"
