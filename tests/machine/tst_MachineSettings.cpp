// SPDX-License-Identifier: GPL-2.0-or-later
#include "machine/MachineRig.h"

// Machine settings files: their layout, and reading them into the record and onto the port and writing
// them back.
class tst_MachineSettings : public QObject {
    Q_OBJECT

private slots:
    void theNewLayoutIsWrittenByteForByteAndShipped()
    {
        const QByteArray expected = "Fennet Ver.1.0 Talvern\r\n\r\n"
                                    "RS232C PROT NUMBER                             =1\r\n"
                                    "BAUD RATE                                      =4800\r\n"
                                    "PARITY  (N:None,E:Even,O:Odd,M:Mark,S:Space)   =E\r\n"
                                    "DATA BIT(7, 8)                                 =7\r\n"
                                    "STOP BIT(1, 1.5, 2)                            =2\r\n"
                                    "FLOW    (0:None,1:XonXoff,2:RTS,3:XonXoffRTS)  =1\r\n"
                                    "ECHO    (ON, OFF)                              =ON\r\n";
        QCOMPARE(MachineSettingsFile::newLayout(), expected);
        QFile shipped(QStringLiteral(TALVERN_SOURCE_DIR "/resources/OSP-E100.MCH"));
        QVERIFY(shipped.open(QIODevice::ReadOnly));
        QCOMPARE(shipped.readAll(), expected);
    }

    void theDialogLayoutCarriesSignedNumbersAndTheController()
    {
        const QList<QByteArray> lines =
            MachineSettingsFile::dialogLayout({3, "9600", "N", "8", "1.5", 2, "OFF", 1}).split('\n');
        QCOMPARE(lines.size(), 11);
        QCOMPARE(lines[2], QByteArray("RS232C PROT NUMBER                             = 3\r"));
        QCOMPARE(lines[7], QByteArray("FLOW    (0:None,1:DC-CODE,2:WAIT DC1)          = 2\r"));
        QCOMPARE(lines[9], QByteArray("CONTROLLER (0:OSP,1:FANUC)                     = 1\r"));
        QCOMPARE(lines[10], QByteArray());
    }

    // Nothing of the previous machine lingers.
    void aFileIsReadWholeIntoTheRecordAndThePort_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("port");
        QTest::addColumn<qint16>("flow");
        QTest::addColumn<QString>("echo");
        QTest::addColumn<QString>("status");
        const QString osp2 = "現在の設定:OSP,COM 2:9600,n,8,1.5";
        QTest::newRow("FANUC") << Body + line("CONTROLLER (0:OSP,1:FANUC)", " 1") << 2 << qint16(1) << "OFF"
                               << "現在の設定:FANUC,COM 2:9600,n,8,1.5";
        QTest::newRow("no controller line: OSP") << Body << 2 << qint16(1) << "OFF" << osp2;
        QTest::newRow("no flow or echo line: none")
            << body(line("FLOW", " 1"), "").replace(line("ECHO    (ON, OFF)", "OFF"), "") << 2 << qint16(0)
            << "" << osp2;
        QTest::newRow("last line wins") << Body + line("RS232C PROT NUMBER", "4") << 4 << qint16(1) << "OFF"
                                        << "現在の設定:OSP,COM4:9600,n,8,1.5";
        QTest::newRow("lower-case key ignored") << Body + "baud rate =110\r\n"
                                                << 2 << qint16(1) << "OFF" << osp2;
        QTest::newRow("LF line ends")
            << body("= 1", "= 2").replace("\r\n", "\n") << 2 << qint16(2) << "OFF" << osp2;
        QTest::newRow("CR line ends")
            << QByteArray(Body).replace("\r\n", "\r") << 2 << qint16(1) << "OFF" << osp2;
        QTest::newRow("tab before values")
            << body("= 2", "=\t2").replace("= 1", "=\t1") << 2 << qint16(1) << "OFF"
            << "現在の設定:OSP,COM\t2:9600,n,8,1.5";
        QTest::newRow("blank after the number") << body("= 1", "=0 ") << 2 << qint16(0) << "OFF" << osp2;
    }

    void aFileIsReadWholeIntoTheRecordAndThePort()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, port);
        MachineRig rig;
        QVERIFY(rig.load(Previous));
        QVERIFY(rig.load(content));
        QTRY_COMPARE(rig.port.commPort(), port);
        QTEST(qint16(rig.state.Machine.Flow), "flow");
        QTEST(rig.state.Machine.Echo, "echo");
        QTEST(rig.status, "status");
        QCOMPARE(rig.log, QStringList{"設定ファイル'M1.MCH'を読み込みました。"});
    }

    // A file refused leaves the machine in force exactly as it was: the record, the port and the status bar.
    void failuresAreLoggedWithTheirReason_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("no port line") << body(line("RS232C PROT NUMBER", " 2"), "");
        QTest::newRow("flow not a number") << body("= 1", "=abc");
        QTest::newRow("controller not a number") << Body + line("CONTROLLER", "x");
        QTest::newRow("no baud line") << body(line("BAUD RATE", "9600"), "");
        QTest::newRow("parity the port does not know") << body(line("PARITY", "N"), line("PARITY", "X"));
        QTest::newRow("4 data bits") << body(line("DATA BIT(7, 8)", "8"), line("DATA BIT(7, 8)", "4"));
    }

    void failuresAreLoggedWithTheirReason()
    {
        QFETCH(QByteArray, content);
        MachineRig rig;
        QVERIFY(rig.load(Previous));
        const MachineSettings before = rig.state.Machine;
        QVERIFY(!rig.load(content));
        QCOMPARE(rig.log.size(), 2);
        QCOMPARE(rig.log[0], QStringLiteral("設定ファイル'M1.MCH'の読み込みに失敗しました。"));
        QVERIFY(!rig.log[1].isEmpty());
        QVERIFY(rig.state.Machine == before);
        QCOMPARE(rig.status, PreviousStatus);
        QTRY_COMPARE(rig.port.commPort(), 5);
        QCOMPARE(rig.port.settings(), QStringLiteral("4800,e,7,2"));
    }

    // Names are found in any case; a missing file, or any file while a transfer has the port, changes
    // nothing.
    void aFileIsFoundInAnyCaseAndNotReadDuringATransfer()
    {
        MachineRig rig;
        QVERIFY(rig.load(Previous));
        const MachineSettings before = rig.state.Machine;
        QVERIFY(!rig.loader.LoadMachineSettings(QStringLiteral("GONE.MCH")));
        QCOMPARE(rig.log.at(1), QStringLiteral("設定ファイル'GONE.MCH'の読み込みに失敗しました。"));
        rig.state.Transfer.Running = true;
        QVERIFY(!rig.loader.LoadMachineSettings(QStringLiteral("m1.mch")));
        QCOMPARE(rig.log.last(), QStringLiteral("通信中のため実行できません。"));
        QVERIFY(rig.state.Machine == before);
        QCOMPARE(rig.status, PreviousStatus);
        rig.state.Transfer.Running = false;
        QVERIFY(rig.loader.LoadMachineSettings(QStringLiteral("m1.mch")));
        QCOMPARE(rig.state.Machine.MchFileName, QStringLiteral("m1.mch"));
    }

    void portTextsStartWithTheirNumber()
    {
        QCOMPARE(MachineSettingsFile::leadingNumber("1"), 1);
        QCOMPARE(MachineSettingsFile::leadingNumber(" \t12"), 12);
        QCOMPARE(MachineSettingsFile::leadingNumber("3 (COM3)"), 3);
        QCOMPARE(MachineSettingsFile::leadingNumber(""), 0);
        QCOMPARE(MachineSettingsFile::leadingNumber("COM1"), 0);
    }

    // The dialog shows the port's read-back text in pieces; the common lines are read back by the tests
    // that write them.
    void theLineInForceIsShownInPieces()
    {
        MachineRig rig;
        QVERIFY(rig.port.setCommPort(16) && rig.port.setSettings(QStringLiteral("115200,S,5,1")));
        const PortProperties shown = PortProperties::inForce(PortInForce(rig.port), rig.state.Machine);
        QCOMPARE(shown.port, 16);
        QCOMPARE((QStringList{shown.speed, shown.parity, shown.dataBits, shown.stopBits}),
                 (QStringList{"115200", "Space", "5", "1"}));
    }

    // Numbers the dialog has no option for stay in force, count as FANUC, and go back into the file as read.
    void unnamedNumbersAreWrittenBackAsRead_data()
    {
        QTest::addColumn<qint16>("flow");
        QTest::addColumn<qint16>("controller");
        QTest::newRow("flow 7, controller 5") << qint16(7) << qint16(5);
        QTest::newRow("negative") << qint16(-1) << qint16(-3);
    }

    void unnamedNumbersAreWrittenBackAsRead()
    {
        QFETCH(qint16, flow);
        QFETCH(qint16, controller);
        MachineRig rig;
        const auto number = [](qint16 n) { return MachineSettingsFile::signedText(n).toLatin1(); };
        QVERIFY(rig.load(body("= 1", "=" + number(flow)) + line("CONTROLLER", number(controller))));
        PortProperties chosen = PortProperties::inForce(rig.inForce, rig.state.Machine);
        chosen.flow.reset();
        chosen.controller.reset();
        QCOMPARE(rig.applier.apply(chosen).reason(), QString());
        QCOMPARE(rig.m1(),
                 MachineSettingsFile::dialogLayout({2, "9600", "N", "8", "1.5", flow, "OFF", controller}));
        QCOMPARE(rig.status, QStringLiteral("現在の設定:FANUC, COM2:9600,n,8,1.5"));
    }

    // The port refuses them before anything is written; a new port number stays set.
    void refusedValuesWriteNothing_data()
    {
        QTest::addColumn<QStringList>("line"); // speed, parity, data bits, stop bits
        QTest::newRow("speed not a number") << QStringList{"fast", "Even", "7", "2"};
        QTest::newRow("4 data bits") << QStringList{"4800", "Even", "4", "2"};
    }

    void refusedValuesWriteNothing()
    {
        QFETCH(QStringList, line);
        MachineRig rig;
        PortProperties chosen = rig.newFileInForce();
        chosen.port = 2;
        chosen.speed = line[0];
        chosen.parity = line[1];
        chosen.dataBits = line[2];
        chosen.stopBits = line[3];
        QVERIFY(!rig.applier.apply(chosen));
        QTRY_COMPARE(rig.port.commPort(), 2);
        QCOMPARE(rig.port.settings(), QStringLiteral("4800,e,7,2"));
        QCOMPARE(rig.m1(), MachineSettingsFile::newLayout());
        QCOMPARE(rig.log.size(), 1); // the read only
    }

    void aWriteFailureIsLogged()
    {
        MachineRig rig;
        PortProperties chosen = rig.newFileInForce();
        rig.folder.protect(QStringLiteral("M1.MCH"));
        chosen.speed = QStringLiteral("9600");
        QCOMPARE(rig.applier.apply(chosen).reason(), QString());
        QCOMPARE(rig.m1(), MachineSettingsFile::newLayout());
        QCOMPARE(rig.log.size(), 3);
        QCOMPARE(rig.log[1], QStringLiteral("設定ファイル'M1.MCH'に書き込みを失敗しました。"));
        QTRY_COMPARE(rig.port.settings(), QStringLiteral("9600,e,7,2"));
        QCOMPARE(rig.status, QStringLiteral("現在の設定:OSP,COM1:4800,e,7,2"));
    }
};

QTEST_MAIN(tst_MachineSettings)
#include "tst_MachineSettings.moc"
