#include "core/AppState.h"
#include "machine/MachineSettingsFile.h"
#include "machine/MachineSettingsLoader.h"
#include "platform/QtSerialPort.h"
#include "shell/LogPane.h"
#include "shell/MainStatusBar.h"
#include "support/TestDir.h"

#include <QTest>

namespace {

// The settings file read into the record and onto a real (closed) serial port.
struct Reader {
    TestDir folder;
    AppState state;
    QtSerialPort port;
    LogPane log;
    MainStatusBar status;
    MachineSettingsLoader loader{state, port, log, status};
    Reader() { state.ProgramFolder = folder.path(); }
    bool load(const QByteArray &content)
    {
        folder.addFile(QStringLiteral("M1.MCH"), content);
        return loader.LoadMachineSettings(QStringLiteral("M1.MCH"));
    }
    QStringList lines() const { return log.toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts); }
};

QByteArray line(const char *label, const char *value)
{
    return QByteArray(label).leftJustified(47, ' ') + '=' + value + "\r\n";
}

const QByteArray Body = "Fennet Ver.1.0\r\n\r\n" + line("RS232C PROT NUMBER", " 2") +
                        line("BAUD RATE", "9600") + line("PARITY", "N") + line("DATA BIT(7, 8)", "8") +
                        line("STOP BIT(1, 1.5, 2)", "1.5") + line("FLOW", " 1") +
                        line("ECHO    (ON, OFF)", "OFF");

QByteArray body(const QByteArray &from, const QByteArray &to)
{
    return QByteArray(Body).replace(from, to);
}

} // namespace

class tst_MachineSettingsFile : public QObject {
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

    void aFileIsReadIntoTheRecordAndThePort_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("port");
        QTest::addColumn<qint16>("flow");
        QTest::addColumn<QString>("echo");
        QTest::addColumn<QString>("status");
        const QString osp2 = "現在の設定:OSP,COM 2:9600,n,8,1.5";
        QTest::newRow("FANUC") << Body + line("CONTROLLER (0:OSP,1:FANUC)", " 1") << 2 << qint16(1) << "OFF"
                               << "現在の設定:FANUC,COM 2:9600,n,8,1.5";
        QTest::newRow("new layout") << MachineSettingsFile::newLayout() << 1 << qint16(1) << "ON"
                                    << "現在の設定:OSP,COM1:4800,e,7,2";
        QTest::newRow("flow 3 is kept") << body("= 1", "= 3") << 2 << qint16(3) << "OFF" << osp2;
        QTest::newRow("last line wins") << Body + line("RS232C PROT NUMBER", "4") << 4 << qint16(1) << "OFF"
                                        << "現在の設定:OSP,COM4:9600,n,8,1.5";
        QTest::newRow("lower-case key ignored") << Body + "baud rate =110\r\n"
                                                << 2 << qint16(1) << "OFF" << osp2;
        QTest::newRow("LF line ends")
            << body("= 1", "= 2").replace("\r\n", "\n") << 2 << qint16(2) << "OFF" << osp2;
        QTest::newRow("blank after the number") << body("= 1", "=0 ") << 2 << qint16(0) << "OFF" << osp2;
    }

    void aFileIsReadIntoTheRecordAndThePort()
    {
        QFETCH(QByteArray, content);
        Reader reader;
        QVERIFY(reader.load(content));
        QTEST(reader.port.commPort(), "port");
        QTEST(reader.state.Machine.Flow, "flow");
        QTEST(reader.state.Machine.Echo, "echo");
        QTEST(reader.status.settingsText(), "status");
        QCOMPARE(reader.lines(), QStringList{"設定ファイル'M1.MCH'を読み込みました。"});
    }

    void failuresAreLoggedWithTheirReason_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("portAfter"); // what was applied before the failure stays applied
        QTest::newRow("empty file") << QByteArray() << 1;
        QTest::newRow("flow not a number") << body("= 1", "=abc") << 1;
        QTest::newRow("controller not a number") << Body + line("CONTROLLER", "x") << 1;
        QTest::newRow("baud key without =") << body(line("BAUD RATE", "9600"), "BAUD RATE 9600\r\n") << 2;
        QTest::newRow("no baud line") << body(line("BAUD RATE", "9600"), "") << 2;
        QTest::newRow("parity the port does not know") << body(line("PARITY", "N"), line("PARITY", "X")) << 2;
    }

    void failuresAreLoggedWithTheirReason()
    {
        QFETCH(QByteArray, content);
        Reader reader;
        QVERIFY(!reader.load(content));
        QCOMPARE(reader.lines().size(), 2);
        QCOMPARE(reader.lines()[0], QStringLiteral("設定ファイル'M1.MCH'の読み込みに失敗しました。"));
        QVERIFY(!reader.lines()[1].isEmpty());
        QCOMPARE(reader.status.settingsText(), QStringLiteral("ｽﾃｰﾀｽ"));
        QTEST(reader.port.commPort(), "portAfter");
    }

    void aMissingFileOrPortLineKeepsWhatWasThere()
    {
        Reader reader;
        QVERIFY(reader.load(Body));
        QVERIFY(!reader.loader.LoadMachineSettings(QStringLiteral("GONE.MCH")));
        QCOMPARE(reader.lines().at(1), QStringLiteral("設定ファイル'GONE.MCH'の読み込みに失敗しました。"));
        reader.folder.addFile(QStringLiteral("NOPORT.MCH"), body(line("RS232C PROT NUMBER", " 2"), ""));
        QVERIFY(reader.loader.LoadMachineSettings(QStringLiteral("noport.mch"))); // found in any case
        QCOMPARE(reader.state.Machine.PortText, QStringLiteral(" 2"));
    }

    void portTextsStartWithTheirNumber()
    {
        QCOMPARE(MachineSettingsFile::leadingNumber("1"), 1);
        QCOMPARE(MachineSettingsFile::leadingNumber(" 12"), 12);
        QCOMPARE(MachineSettingsFile::leadingNumber("3 (COM3)"), 3);
        QCOMPARE(MachineSettingsFile::leadingNumber(""), 0);
        QCOMPARE(MachineSettingsFile::leadingNumber("COM1"), 0);
    }
};

QTEST_MAIN(tst_MachineSettingsFile)
#include "tst_MachineSettingsFile.moc"
