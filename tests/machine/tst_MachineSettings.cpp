// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/AppState.h"
#include "core/Log.h"
#include "core/StatusLine.h"
#include "machine/MachineSettingsFile.h"
#include "machine/MachineSettingsLoader.h"
#include "machine/PortProperties.h"
#include "machine/PropertiesApplier.h"
#include "platform/QtSerialPort.h"
#include "support/TestDir.h"

#include <QTest>

namespace {

// What the log pane and the status bar are told.
struct Reports final : Log, StatusLine {
    QStringList lines;
    QString status;
    void addLine(const QString &line) override { lines << line; }
    void clear() override { lines.clear(); }
    void setSettingsText(const QString &text) override { status = text; }
};

// A machine's settings file read into the record and onto a real (closed) serial port, or written back.
struct Machine {
    TestDir folder;
    AppState state;
    QtSerialPort port;
    Reports reports;
    MachineSettingsLoader loader{state, port, reports, reports};
    PropertiesApplier applier{state, port, reports, reports};
    Machine()
    {
        state.SettingsFolder = folder.path();
        state.Machine.MchFileName = QStringLiteral("M1.MCH");
    }
    bool load(const QByteArray &content)
    {
        folder.addFile(QStringLiteral("M1.MCH"), content);
        reports.lines.clear();
        return loader.LoadMachineSettings(QStringLiteral("M1.MCH"));
    }
    // The new layout read, as the properties dialog would show it.
    PortProperties newFileInForce()
    {
        if (!load(MachineSettingsFile::newLayout()))
            qFatal("the new layout did not load");
        return PortProperties::inForce(port, state.Machine);
    }
    QByteArray file() const
    {
        QFile f(folder.filePath(QStringLiteral("M1.MCH")));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

QByteArray line(const char *label, const char *value)
{
    return QByteArray(label).leftJustified(47, ' ') + '=' + value + "\r\n";
}

const QByteArray Body = "Fennet Ver.1.0\r\n\r\n" + line("RS232C PROT NUMBER", " 2") +
                        line("BAUD RATE", "9600") + line("PARITY", "N") + line("DATA BIT(7, 8)", "8") +
                        line("STOP BIT(1, 1.5, 2)", "1.5") + line("FLOW", " 1") +
                        line("ECHO    (ON, OFF)", "OFF");

// A FANUC machine's on port 5 with echo and a DC1 wait: each test reads its file after this one.
const QByteArray Previous = MachineSettingsFile::dialogLayout({5, "4800", "E", "7", "2", 2, "ON", 1});
const QString PreviousStatus = QStringLiteral("現在の設定:FANUC,COM 5:4800,e,7,2");

QByteArray body(const QByteArray &from, const QByteArray &to)
{
    return QByteArray(Body).replace(from, to);
}

} // namespace

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
        QTest::newRow("new layout") << MachineSettingsFile::newLayout() << 1 << qint16(1) << "ON"
                                    << "現在の設定:OSP,COM1:4800,e,7,2";
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
        Machine machine;
        QVERIFY(machine.load(Previous));
        QVERIFY(machine.load(content));
        QTEST(machine.port.commPort(), "port");
        QTEST(qint16(machine.state.Machine.Flow), "flow");
        QTEST(machine.state.Machine.Echo, "echo");
        QTEST(machine.reports.status, "status");
        QCOMPARE(machine.reports.lines, QStringList{"設定ファイル'M1.MCH'を読み込みました。"});
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
        Machine machine;
        QVERIFY(machine.load(Previous));
        const MachineSettings before = machine.state.Machine;
        QVERIFY(!machine.load(content));
        QCOMPARE(machine.reports.lines.size(), 2);
        QCOMPARE(machine.reports.lines[0], QStringLiteral("設定ファイル'M1.MCH'の読み込みに失敗しました。"));
        QVERIFY(!machine.reports.lines[1].isEmpty());
        QVERIFY(machine.state.Machine == before);
        QCOMPARE(machine.reports.status, PreviousStatus);
        QCOMPARE(machine.port.commPort(), 5);
        QCOMPARE(machine.port.settings(), QStringLiteral("4800,e,7,2"));
    }

    // Names are found in any case; a missing file, or any file while a transfer has the port, changes
    // nothing.
    void aFileIsFoundInAnyCaseAndNotReadDuringATransfer()
    {
        Machine machine;
        QVERIFY(machine.load(Previous));
        const MachineSettings before = machine.state.Machine;
        QVERIFY(!machine.loader.LoadMachineSettings(QStringLiteral("GONE.MCH")));
        QCOMPARE(machine.reports.lines.at(1),
                 QStringLiteral("設定ファイル'GONE.MCH'の読み込みに失敗しました。"));
        machine.state.Transfer.Running = true;
        QVERIFY(!machine.loader.LoadMachineSettings(QStringLiteral("m1.mch")));
        QCOMPARE(machine.reports.lines.last(), QStringLiteral("通信中のため実行できません。"));
        QVERIFY(machine.state.Machine == before);
        QCOMPARE(machine.reports.status, PreviousStatus);
        machine.state.Transfer.Running = false;
        QVERIFY(machine.loader.LoadMachineSettings(QStringLiteral("m1.mch")));
        QCOMPARE(machine.state.Machine.MchFileName, QStringLiteral("m1.mch"));
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
        Machine machine;
        QVERIFY(machine.port.setCommPort(16) && machine.port.setSettings(QStringLiteral("115200,S,5,1")));
        const PortProperties shown = PortProperties::inForce(machine.port, machine.state.Machine);
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
        Machine machine;
        const auto number = [](qint16 n) { return MachineSettingsFile::signedText(n).toLatin1(); };
        QVERIFY(machine.load(body("= 1", "=" + number(flow)) + line("CONTROLLER", number(controller))));
        PortProperties chosen = PortProperties::inForce(machine.port, machine.state.Machine);
        chosen.flow.reset();
        chosen.controller.reset();
        QCOMPARE(machine.applier.apply(chosen), QString());
        QCOMPARE(machine.file(),
                 MachineSettingsFile::dialogLayout({2, "9600", "N", "8", "1.5", flow, "OFF", controller}));
        QCOMPARE(machine.reports.status, QStringLiteral("現在の設定:FANUC, COM2:9600,n,8,1.5"));
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
        Machine machine;
        PortProperties chosen = machine.newFileInForce();
        chosen.port = 2;
        chosen.speed = line[0];
        chosen.parity = line[1];
        chosen.dataBits = line[2];
        chosen.stopBits = line[3];
        QVERIFY(!machine.applier.apply(chosen).isEmpty());
        QCOMPARE(machine.port.commPort(), 2);
        QCOMPARE(machine.port.settings(), QStringLiteral("4800,e,7,2"));
        QCOMPARE(machine.file(), MachineSettingsFile::newLayout());
        QCOMPARE(machine.reports.lines.size(), 1); // the read only
    }

    void aWriteFailureIsLogged()
    {
        Machine machine;
        PortProperties chosen = machine.newFileInForce();
        machine.folder.protect(QStringLiteral("M1.MCH"));
        chosen.speed = QStringLiteral("9600");
        QCOMPARE(machine.applier.apply(chosen), QString());
        QCOMPARE(machine.file(), MachineSettingsFile::newLayout());
        QCOMPARE(machine.reports.lines.size(), 3);
        QCOMPARE(machine.reports.lines[1], QStringLiteral("設定ファイル'M1.MCH'に書き込みを失敗しました。"));
        QCOMPARE(machine.port.settings(), QStringLiteral("9600,e,7,2"));
        QCOMPARE(machine.reports.status, QStringLiteral("現在の設定:OSP,COM1:4800,e,7,2"));
    }
};

QTEST_MAIN(tst_MachineSettings)
#include "tst_MachineSettings.moc"
