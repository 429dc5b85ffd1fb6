// SPDX-License-Identifier: GPL-2.0-or-later
#include "ControllerSimulator.h"
#include "platform/QtSerialPort.h"
#include "support/CommEvents.h"
#include "support/PermissionsEnforced.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <optional>
#include <vector>

#include <grp.h>
#include <linux/serial.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

const char Com7[] = "TALVERN_COM7";

// The speed and stop bits last set on the device: a pty keeps them although it ignores them.
QPair<int, int> lineOf(const QSerialPort *device)
{
    termios t{};
    if (device && ::tcgetattr(int(device->handle()), &t) == 0) {
        const QMap<speed_t, int> rates{{B4800, 4800}, {B9600, 9600}, {B19200, 19200}};
        return {rates.value(::cfgetospeed(&t)), t.c_cflag & CSTOPB ? 2 : 1};
    }
    return {-1, -1};
}

// Who stops the device's output at DC3, and what restarts it.
tcflag_t xonXoffOf(const QSerialPort *device)
{
    termios t{};
    return device && ::tcgetattr(int(device->handle()), &t) == 0 ? t.c_iflag & (IXON | IXANY | IXOFF)
                                                                 : ~tcflag_t(0);
}

// While it lives the process has none of its groups but nogroup, as a session begun before the user
// was added to a group.
class GroupsLeft {
public:
    GroupsLeft() : m_groups(std::size_t(qMax(0, ::getgroups(0, nullptr)))), m_group(::getegid())
    {
        m_groups.resize(std::size_t(qMax(0, ::getgroups(int(m_groups.size()), m_groups.data()))));
        m_left = ::setgroups(0, nullptr) == 0 && ::setegid(65534) == 0;
    }
    ~GroupsLeft()
    {
        if (::setegid(m_group) != 0 || ::setgroups(m_groups.size(), m_groups.data()) != 0)
            qFatal("the test's groups could not be restored");
    }
    GroupsLeft(const GroupsLeft &) = delete;
    GroupsLeft &operator=(const GroupsLeft &) = delete;
    bool left() const { return m_left; }

private:
    std::vector<gid_t> m_groups;
    gid_t m_group;
    bool m_left = false;
};

} // namespace

// The port on a real pty whose slave TALVERN_COM7 names; the far end is the simulator's line.
class tst_QtSerialPort : public QObject {
    Q_OBJECT

    std::unique_ptr<ControllerSimulator> m_line;
    std::unique_ptr<QtSerialPort> m_port;
    SerialDriverState::Counts m_driverCounts; // a pty keeps none: the tests play the driver's
    int m_countReads = 0;

    void openOnLine(int inputLen = 0, const QString &settings = QStringLiteral("4800,E,7,2"))
    {
        QVERIFY(m_port->setCommPort(7));
        QVERIFY(m_port->setSettings(settings));
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

    void portNumbersStartAtOne()
    {
        QVERIFY(!m_port->setCommPort(0));
        QVERIFY(!m_port->errorString().isEmpty());
        QCOMPARE(m_port->commPort(), 1);
    }

    // A device that is missing, in use or forbidden, or a line it cannot carry, is named with its port.
    void openingFailsWithADescription_data()
    {
        QTest::addColumn<QString>("settings");
        // "pty": the simulator's; "alias": a link to it; "file": a file of the test's
        QTest::addColumn<QString>("device");
        QTest::addColumn<bool>("ownFile"); // else nobody's
        QTest::addColumn<QString>("groupName");
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("outOfGroups");    // a session begun before the user joined the group
        QTest::addColumn<QString>("description"); // %1 is the device
        const QString refused = "ポート COM7 (%1) を開く権限がありません。";
        const QString askAdministrator = refused + "デバイスの権限を管理者に確認してください。";
        // clang-format off
        QTest::newRow("missing device") << "4800,E,7,2" << "/dev/talvern-none" << false << "" << 0 << false << "ポート COM7 (%1) のデバイスが接続されていません。";
        QTest::newRow("in use under another name") << "4800,E,7,2" << "alias" << false << "" << 0 << false << "ポート COM7 (%1) は他のプログラムが使用中です。";
        QTest::newRow("4 data bits") << "4800,E,4,2" << "pty" << false << "" << 0 << false << "ポート COM7 (%1) はデータビット4に対応していません。";
        QTest::newRow("group not joined") << "4800,E,7,2" << "file" << false << "dialout" << 0660 << false << refused + "ユーザーを dialout グループに追加してください。";
        QTest::newRow("group joined, not logged in again") << "4800,E,7,2" << "file" << false << "root" << 0660 << true << refused + "ユーザーは root グループに追加済みです。ログインし直してください。";
        QTest::newRow("no group may") << "4800,E,7,2" << "file" << false << "dialout" << 0604 << false << askAdministrator;
        QTest::newRow("not a serial device") << "4800,E,7,2" << "file" << true << "root" << 0600 << false << "ポート COM7 (%1) を開けません。デバイスがこの操作に対応していません。";
        QTest::newRow("owner without rights") << "4800,E,7,2" << "file" << true << "dialout" << 0066 << false << askAdministrator;
        // clang-format on
    }

    void openingFailsWithADescription()
    {
        QFETCH(QString, settings);
        QFETCH(QString, device);
        QFETCH(bool, ownFile);
        QFETCH(QString, groupName);
        QFETCH(int, mode);
        QFETCH(bool, outOfGroups);
        QFETCH(QString, description);
        QTemporaryDir folder;
        if (device == QLatin1String("file")) {
            const struct group *owners = ::getgrnam(qPrintable(groupName));
            if (::geteuid() != 0 || !owners)
                QSKIP("Needs root and the group, to give a device to another user");
            device = folder.filePath(QStringLiteral("ttyUSB0"));
            const QByteArray path = QFile::encodeName(device);
            QFile file(device);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(::chown(path.constData(), ownFile ? ::geteuid() : 65534, owners->gr_gid) == 0);
            QVERIFY(::chmod(path.constData(), mode_t(mode)) == 0);
        }
        if (device == QLatin1String("alias")) {
            device = folder.filePath(QStringLiteral("by-id"));
            QVERIFY(QFile::link(m_line->slavePath(), device));
        }
        if (device != QLatin1String("pty"))
            qputenv(Com7, device.toLocal8Bit());
        // A second Talvern, for another machine, holds the device by its own name.
        QProcess holder;
        const bool inUse = description.contains(QStringLiteral("使用中"));
        if (inUse) {
            holder.start(QCoreApplication::applicationDirPath() + QStringLiteral("/talvern-peer"),
                         {QStringLiteral("hold-port"), m_line->slavePath()});
            QVERIFY(holder.waitForReadyRead(10000));
            QCOMPARE(holder.readLine(), QByteArray("open\n"));
        }
        QVERIFY(m_port->setCommPort(7));
        QVERIFY(m_port->setSettings(settings));
        {
            const PermissionsEnforced enforced;
            std::optional<GroupsLeft> groupsLeft;
            if (outOfGroups && !groupsLeft.emplace().left())
                QSKIP("Cannot leave the process's groups");
            QVERIFY(!m_port->setPortOpen(true));
        }
        QVERIFY(!m_port->portOpen());
        QCOMPARE(m_port->errorString(), description.arg(m_port->deviceName(7)));
        if (inUse) { // a window that crashed leaves the port free
            holder.kill();
            QVERIFY(holder.waitForFinished(10000));
            QVERIFY2(m_port->setPortOpen(true), qPrintable(m_port->errorString()));
        }
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
        QVERIFY(m_port->errorString().startsWith(QStringLiteral("ポートが開いているので")));
        QCOMPARE(m_port->commPort(), 7);
    }

    // A pty quietly sets up 8 bits without parity, whatever it is asked; the driver's state says so.
    void theDriverNamesWhatItChanged_data()
    {
        QTest::addColumn<QSerialPort::DataBits>("dataBits");
        QTest::addColumn<QSerialPort::Parity>("parity");
        QTest::addColumn<QSerialPort::StopBits>("stopBits");
        QTest::addColumn<QStringList>("changed");
        // clang-format off
        QTest::newRow("8N2 kept") << QSerialPort::Data8 << QSerialPort::NoParity << QSerialPort::TwoStop << QStringList();
        QTest::newRow("7E2") << QSerialPort::Data7 << QSerialPort::EvenParity << QSerialPort::TwoStop << QStringList{"データビット", "パリティ"};
        QTest::newRow("8 mark") << QSerialPort::Data8 << QSerialPort::MarkParity << QSerialPort::OneStop << QStringList{"パリティ"};
        QTest::newRow("5 bits") << QSerialPort::Data5 << QSerialPort::NoParity << QSerialPort::OneStop << QStringList{"データビット"};
        // clang-format on
    }

    void theDriverNamesWhatItChanged()
    {
        QFETCH(QSerialPort::DataBits, dataBits);
        QFETCH(QSerialPort::Parity, parity);
        QFETCH(QSerialPort::StopBits, stopBits);
        QSerialPort port(m_line->slavePath());
        port.setDataBits(dataBits);
        port.setParity(parity);
        port.setStopBits(stopBits);
        QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
        QTEST(SerialDriverState(port.handle()).changedBy(port), "changed");
    }

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

    // What lies below the driver, as sysfs and the serial core tell it; low latency is asked for
    // where it is off, and put back at close.
    void theHardwareIsKnownAtOpen_data()
    {
        // Under the sysfs root; empty: the system's own sysfs and serial core.
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("driver");
        QTest::addColumn<std::optional<SerialHardware::Uart>>("uart");
        QTest::addColumn<bool>("lowLatencyTakes");
        QTest::addColumn<bool>("tellsWhenSent"); // the driver answers TIOCSERGETLSR
        QTest::addColumn<QString>("settings");
        QTest::addColumn<LineHardware::Stopper>("stopper");
        QTest::addColumn<int>("uncounted");
        QTest::addColumn<qint64>("dc3DelayUs");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QList<bool>>("lowLatencyWrites");
        using Uart = SerialHardware::Uart;
        using S = LineHardware::Stopper;
        const QString usb = "devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0";
        const QString board = "devices/pnp0/00:00/00:00:0/00:00:0.0";
        // clang-format off
        QTest::newRow("FTDI") << usb + "/ttyUSB0" << "bus/usb-serial/drivers/ftdi_sio" << std::optional(Uart{PORT_UNKNOWN, 0, false}) << true << true << "4800,E,7,2" << S::Device << 0 << qint64(0) << "ftdi_sio" << QList<bool>{true, false};
        QTest::newRow("cp210x: its chip stops, but unseen") << usb + "/ttyUSB0" << "bus/usb-serial/drivers/cp210x" << std::optional(Uart{PORT_UNKNOWN, 0, false}) << true << false << "4800,E,7,2" << S::Program << 0 << qint64(1000) << "cp210x" << QList<bool>{true, false};
        QTest::newRow("cdc_acm ignores low latency") << usb << "bus/usb/drivers/cdc_acm" << std::optional(Uart{PORT_UNKNOWN, 0, false}) << false << false << "4800,E,7,2" << S::Program << 0 << qint64(16000) << "cdc_acm" << QList<bool>{true};
        QTest::newRow("16550A, 8N1") << board << "bus/serial-base/drivers/port" << std::optional(Uart{PORT_16550A, 16, false}) << true << false << "9600,N,8,1" << S::Kernel << 16 << qint64(4167) << "16550A" << QList<bool>{true, false};
        QTest::newRow("16550A in low latency, 7E2") << board << "bus/serial-base/drivers/port" << std::optional(Uart{PORT_16550A, 16, true}) << true << false << "4800,E,7,2" << S::Kernel << 16 << qint64(9167) << "16550A" << QList<bool>{};
        QTest::newRow("8250 without a FIFO") << board << "bus/serial-base/drivers/port" << std::optional(Uart{PORT_8250, 1, false}) << true << false << "4800,E,7,2" << S::Kernel << 0 << qint64(0) << "8250" << QList<bool>{true, false};
        QTest::newRow("pseudo-terminal") << "" << "" << std::optional<Uart>() << false << false << "4800,E,7,2" << S::Kernel << 0 << qint64(0) << "" << QList<bool>{};
        // clang-format on
    }

    void theHardwareIsKnownAtOpen()
    {
        QFETCH(QString, device);
        QFETCH(QString, driver);
        QFETCH(std::optional<SerialHardware::Uart>, uart);
        QFETCH(bool, lowLatencyTakes);
        QFETCH(bool, tellsWhenSent);
        QFETCH(LineHardware::Stopper, stopper);
        QFETCH(QList<bool>, lowLatencyWrites);
        QTemporaryDir sysfs;
        QList<bool> writes;
        SerialHardware::Probe probe{sysfs.path(),
                                    [uart](SerialHardware::Handle, SerialHardware::Uart &found) {
                                        found = uart.value_or(found);
                                        return uart.has_value();
                                    },
                                    [&](SerialHardware::Handle, bool on) {
                                        writes << on;
                                        return lowLatencyTakes;
                                    },
                                    [tellsWhenSent](SerialHardware::Handle) {
                                        return tellsWhenSent ? std::optional(true) : std::nullopt;
                                    }};
        if (device.isEmpty()) {
            probe = {}; // the system's own
        } else {
            const QString tty = sysfs.filePath("class/tty/" + QFileInfo(m_line->slavePath()).fileName());
            for (const QString &path : {tty, sysfs.filePath(device), sysfs.filePath(driver)})
                QVERIFY(QDir().mkpath(path));
            QVERIFY(QFile::link(sysfs.filePath(device), tty + "/device"));
            QVERIFY(QFile::link(sysfs.filePath(driver), sysfs.filePath(device) + "/driver"));
        }
        m_port = std::make_unique<QtSerialPort>(PortDevices(), nullptr, SerialDriverState::readDriverCounts,
                                                probe);
        QFETCH(QString, settings);
        openOnLine(0, settings);
        const LineHardware found = m_port->hardware();
        QCOMPARE(found.stopper, stopper);
        QTEST(found.uncountedCharacters, "uncounted");
        QTEST(found.dc3DelayUs, "dc3DelayUs");
        QTEST(found.name, "name");
        QCOMPARE(writes, lowLatencyWrites.first(qMin(lowLatencyWrites.size(), qsizetype(1))));
        // IXON where nothing below would stop would only hide DC3 from the program.
        const bool stops = stopper != LineHardware::Stopper::Program;
        QCOMPARE(m_port->setOutputFlowControl(true), stops);
        QCOMPARE(xonXoffOf(m_port->findChild<QSerialPort *>()), stops ? tcflag_t(IXON) : tcflag_t(0));
        QVERIFY(m_port->setPortOpen(false));
        QCOMPARE(writes, lowLatencyWrites);
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

QTEST_GUILESS_MAIN(tst_QtSerialPort)
#include "tst_QtSerialPort.moc"
