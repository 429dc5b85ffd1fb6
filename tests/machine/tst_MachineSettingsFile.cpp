#include "machine/MachineSettingsFile.h"
#include "machine/MachineSettingsLoader.h"
#include "platform/QtSerialPort.h"
#include "shell/AppState.h"
#include "shell/LogPane.h"
#include "shell/MainStatusBar.h"
#include "support/TestDir.h"

#include <QFile>
#include <QTest>

// Settings files as the shop keeps them, read into the record and onto a real (closed) serial port.
class tst_MachineSettingsFile : public QObject {
    Q_OBJECT

private:
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

    static QByteArray line(const char *label, const char *value)
    {
        return QByteArray(label).leftJustified(47, ' ') + '=' + value + "\r\n";
    }

    static QByteArray body(const QByteArray &flow = " 1", const QByteArray &extra = {})
    {
        return "Fennet Ver.1.0\r\n\r\n" + line("RS232C PROT NUMBER", " 2") + line("BAUD RATE", "9600") +
               line("PARITY", "N") + line("DATA BIT(7, 8)", "8") + line("STOP BIT(1, 1.5, 2)", "1.5") +
               line("FLOW", flow.constData()) + line("ECHO    (ON, OFF)", "OFF") + extra;
    }

private slots:
    void theNewLayoutIsWrittenByteForByte()
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
        for (const QString &key : MachineSettingsFile::keys())
            QVERIFY(!expected.split('\r').first().contains(key.toLatin1()));
    }

    void theDialogLayoutCarriesSignedNumbersAndTheController()
    {
        MachineSettingsFile::Values values;
        values.port = 3;
        values.baud = QStringLiteral("9600");
        values.parity = QStringLiteral("N");
        values.dataBits = QStringLiteral("8");
        values.stopBits = QStringLiteral("1.5");
        values.flow = 2;
        values.echo = QStringLiteral("OFF");
        values.controller = 1;
        const QList<QByteArray> lines = MachineSettingsFile::dialogLayout(values).split('\n');
        QCOMPARE(lines.size(), 11);
        QCOMPARE(lines[2], QByteArray("RS232C PROT NUMBER                             = 3\r"));
        QCOMPARE(lines[7], QByteArray("FLOW    (0:None,1:DC-CODE,2:WAIT DC1)          = 2\r"));
        QCOMPARE(lines[9], QByteArray("CONTROLLER (0:OSP,1:FANUC)                     = 1\r"));
        QCOMPARE(lines[10], QByteArray());
    }

    void theShippedDefaultFileIsTheNewLayout()
    {
        QFile shipped(QStringLiteral(TALVERN_SOURCE_DIR "/resources/OSP-E100.MCH"));
        QVERIFY(shipped.open(QIODevice::ReadOnly));
        QCOMPARE(shipped.readAll(), MachineSettingsFile::newLayout());
    }

    void aFileIsReadIntoTheRecordAndThePort()
    {
        Reader reader;
        QVERIFY(reader.load(body(" 1", line("CONTROLLER (0:OSP,1:FANUC)", " 1"))));
        QCOMPARE(reader.state.Machine.PortText, QStringLiteral(" 2"));
        QCOMPARE(reader.state.Machine.Flow, qint16(1));
        QCOMPARE(reader.state.Machine.Echo, QStringLiteral("OFF"));
        QCOMPARE(reader.state.Machine.Controller, qint16(1));
        QCOMPARE(reader.port.commPort(), 2);
        QCOMPARE(reader.port.settings(), QStringLiteral("9600,n,8,1.5"));
        QCOMPARE(reader.status.settingsText(), QStringLiteral("現在の設定:FANUC,COM 2:9600,n,8,1.5"));
        QCOMPARE(reader.lines(), QStringList{QStringLiteral("設定ファイル'M1.MCH'を読み込みました。")});
    }

    void theNewFileReadsAsOspOnPortOne()
    {
        Reader reader;
        QVERIFY(reader.load(MachineSettingsFile::newLayout()));
        QCOMPARE(reader.state.Machine.Controller, qint16(0));
        QCOMPARE(reader.status.settingsText(), QStringLiteral("現在の設定:OSP,COM1:4800,e,7,2"));
    }

    void readingFollowsTheLinesAsTheyAre_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("port");
        QTest::addColumn<qint16>("flow");
        QTest::newRow("flow 3 is kept") << body(" 3") << 2 << qint16(3);
        QTest::newRow("last line wins") << body(" 1") + line("RS232C PROT NUMBER", "4") << 4 << qint16(1);
        QTest::newRow("lower-case key ignored") << body(" 1") + "baud rate =110\r\n" << 2 << qint16(1);
        QTest::newRow("LF line ends") << QByteArray(body(" 2")).replace("\r\n", "\n") << 2 << qint16(2);
        QTest::newRow("blank after the number") << body("0 ") << 2 << qint16(0);
    }

    void readingFollowsTheLinesAsTheyAre()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, port);
        QFETCH(qint16, flow);
        Reader reader;
        QVERIFY(reader.load(content));
        QCOMPARE(reader.port.commPort(), port);
        QCOMPARE(reader.state.Machine.Flow, flow);
    }

    void failuresAreLoggedWithTheirReason_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("portAfter"); // what was applied before the failure stays applied
        QTest::newRow("empty file") << QByteArray() << 1;
        QTest::newRow("flow not a number") << body("abc") << 1;
        QTest::newRow("controller not a number") << body(" 1", line("CONTROLLER", "x")) << 1;
        QTest::newRow("baud key without =")
            << QByteArray(body()).replace(line("BAUD RATE", "9600"), "BAUD RATE 9600\r\n") << 2;
        QTest::newRow("no baud line") << QByteArray(body()).replace(line("BAUD RATE", "9600"), "") << 2;
        QTest::newRow("parity the port does not know")
            << QByteArray(body()).replace(line("PARITY", "N"), line("PARITY", "X")) << 2;
    }

    void failuresAreLoggedWithTheirReason()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, portAfter);
        Reader reader;
        reader.port.setCommPort(1);
        QVERIFY(!reader.load(content));
        const QStringList lines = reader.lines();
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0], QStringLiteral("設定ファイル'M1.MCH'の読み込みに失敗しました。"));
        QVERIFY(!lines[1].isEmpty());
        QCOMPARE(reader.status.settingsText(), QStringLiteral("ｽﾃｰﾀｽ"));
        QCOMPARE(reader.port.commPort(), portAfter);
    }

    void aMissingFileOrPortLineKeepsWhatWasThere()
    {
        Reader reader;
        QVERIFY(reader.load(body()));
        QVERIFY(!reader.loader.LoadMachineSettings(QStringLiteral("GONE.MCH")));
        QCOMPARE(reader.lines().at(1), QStringLiteral("設定ファイル'GONE.MCH'の読み込みに失敗しました。"));
        reader.folder.addFile(QStringLiteral("NOPORT.MCH"),
                              QByteArray(body()).replace(line("RS232C PROT NUMBER", " 2"), ""));
        QVERIFY(reader.loader.LoadMachineSettings(QStringLiteral("noport.mch"))); // found in any case
        QCOMPARE(reader.state.Machine.PortText, QStringLiteral(" 2"));
    }

    void numbersReadAsTheyWereMeant_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("leading");
        QTest::newRow("plain") << "1" << 1;
        QTest::newRow("leading blank") << " 12" << 12;
        QTest::newRow("trailing text") << "3 (COM3)" << 3;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("not a number") << "COM1" << 0;
    }

    void numbersReadAsTheyWereMeant()
    {
        QFETCH(QString, text);
        QFETCH(int, leading);
        QCOMPARE(MachineSettingsFile::leadingNumber(text), leading);
    }
};

QTEST_MAIN(tst_MachineSettingsFile)
#include "tst_MachineSettingsFile.moc"
