// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/PtyPortTest.h"

#include "support/PermissionsEnforced.h"
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <linux/serial.h>
#include <optional>
#include <sys/stat.h>

// How the port opens and sets up its device, and what it says when it cannot.
class tst_QtSerialPort : public PtyPortTest {
    Q_OBJECT

private slots:
    void init() { setUp(); }
    void cleanup() { tearDown(); }

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
};

QTEST_GUILESS_MAIN(tst_QtSerialPort)
#include "tst_QtSerialPort.moc"
