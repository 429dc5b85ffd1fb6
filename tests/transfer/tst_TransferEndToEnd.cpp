// SPDX-License-Identifier: GPL-2.0-or-later
#include "ControllerSimulator.h"
#include "platform/serial/ConfiguredSerialPort.h"
#include "support/BindMount.h"
#include "support/DeviceServer.h"
#include "support/TransferRig.h"
#include "transfer/engine/LineStopCheck.h"
#include "transfer/engine/ReceiveJob.h"
#include "transfer/engine/TransferLine.h"
#include "transfer/ui/frmCancelSend.h"

#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <fcntl.h>
#include <optional>
#include <termios.h>
#include <unistd.h>

namespace {

// A program of some kilobytes with comments in half-width katakana, as shop files have them, unless
// it is for a 7-bit line, which carries none.
QByteArray program(int lines, bool eightBits = true)
{
    QByteArray text = eightBits ? "O1000 (\xb1\xd7\xb6\xba\xb3)\r\n" : "O1000 (ARAKAKO)\r\n";
    for (int i = 1; i <= lines; ++i)
        text += "N" + QByteArray::number(i * 10) + " G01 X" + QByteArray::number(i % 97) + ".125 Y-" +
                QByteArray::number(i % 53) + ".5 F200\r\n";
    return text + "M30\r\n";
}

// The speed and stop bits the pty's line is set to now (it carries 8 bits without parity whatever
// it is told).
QString lineOf(const QString &device)
{
    const int fd = ::open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios line{};
    const bool read = fd >= 0 && ::tcgetattr(fd, &line) == 0;
    if (fd >= 0)
        ::close(fd);
    const QMap<speed_t, int> rates{{B4800, 4800}, {B9600, 9600}, {B19200, 19200}, {B38400, 38400}};
    return read ? QStringLiteral("%1,%2")
                      .arg(rates.value(::cfgetospeed(&line)))
                      .arg(line.c_cflag & CSTOPB ? 2 : 1)
                : QString();
}

// The characters that reached the machine after each of its DC3s, for a failure's message.
QByteArray afterEachDc3(const QSignalSpy &holds)
{
    QByteArrayList counts;
    for (const QList<QVariant> &hold : holds)
        counts += hold.at(0).toByteArray();
    return "after each DC3: " + counts.join(' ');
}

// Sends as the rig does, but in a real event loop: QTRY's waits sleep between looks, and the simulated
// machine on this thread would then read in bursts, losing the time it slept whenever the pty had run
// dry, and find more waiting in the pty than the sender keeps on its way.
bool sendAwake(TransferRig &rig)
{
    QSignalSpy running(&rig.commands, &TransferCommands::runningChanged);
    rig.commands.mnuTransOutput_Click();
    while (rig.commands.running()) {
        if (!running.wait(60'000))
            return false;
    }
    return true;
}

// The simulated machine on a pty, and the real port 9 that names its far end: by the environment, as
// a USB adapter is named, by the Ports group of the settings file, or as a device server on the
// network that serves the pty.
struct Line {
    enum class Named { ByEnvironment, BySettings, ByDeviceServer };
    explicit Line(ControllerSimulator::Family family = ControllerSimulator::Family::Osp,
                  Named named = Named::ByEnvironment, const QString &settings = QStringLiteral("9600,E,7,2"))
        : machine(family),
          port(PortDevices(config.filePath(QStringLiteral("Talvern.conf")), QSettings::IniFormat))
    {
        if (!machine.openPseudoTerminal())
            qFatal("no pseudo-terminal: %s", qPrintable(machine.errorString()));
        if (named == Named::ByDeviceServer)
            server = std::make_unique<DeviceServer>(machine.slavePath());
        if (named == Named::ByEnvironment)
            qputenv("TALVERN_COM9", machine.slavePath().toLocal8Bit());
        else
            name(server ? server->address() : machine.slavePath());
        port.setCommPort(9);
        port.setSettings(settings);
    }
    ~Line() { qunsetenv("TALVERN_COM9"); }
    QString failure() const { return server ? server->failure() : QString(); }
    void name(const QString &device)
    {
        QSettings(config.filePath(QStringLiteral("Talvern.conf")), QSettings::IniFormat)
            .setValue(QStringLiteral("Ports/COM9"), device);
    }
    QTemporaryDir config;
    ControllerSimulator machine;
    std::unique_ptr<DeviceServer> server;
    ConfiguredSerialPort port;
};

enum class FarEnd { NothingListens, SilentServer };

} // namespace

// Real programs through a real serial port on a pseudo-terminal, against the simulated controller.
class tst_TransferEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void aProgramReachesTheMachineByteForByte_data()
    {
        QTest::addColumn<qint16>("controller");
        QTest::addColumn<qint16>("flow");
        QTest::addColumn<Line::Named>("named");
        QTest::addColumn<QString>("settings");
        QTest::addColumn<int>("bitsPerCharacter");
        // clang-format off
        QTest::newRow("osp, dc1 after the name") << qint16(0) << qint16(2) << Line::Named::ByEnvironment << "9600,E,7,2" << 11;
        QTest::newRow("fanuc, device server, 8N1") << qint16(1) << qint16(1) << Line::Named::ByDeviceServer << "9600,N,8,1" << 10;
        // clang-format on
    }

    void aProgramReachesTheMachineByteForByte()
    {
        QFETCH(qint16, controller);
        QFETCH(qint16, flow);
        QFETCH(Line::Named, named);
        QFETCH(QString, settings);
        QFETCH(int, bitsPerCharacter);
        Line line(controller == 0 ? ControllerSimulator::Family::Osp : ControllerSimulator::Family::Fanuc,
                  named, settings);
        QVERIFY2(line.failure().isEmpty(), qPrintable(line.failure()));
        line.machine.setLineSpeed(settings.section(',', 0, 0).toInt(), bitsPerCharacter);
        line.machine.setDc3Every(100);
        line.machine.setDc3PauseMs(100); // long enough for a sender that goes on to show
        line.machine.setDc1AfterHeader(flow == 2);
        QSignalSpy holds(&line.machine, &ControllerSimulator::holdEnded);
        line.machine.startReading();
        QString lineWhileSending; // the port or the server puts the pty back as it found it
        QThread *portThread = nullptr;
        connect(&line.machine, &ControllerSimulator::dataArrived, this, [&] {
            if (lineWhileSending.isEmpty()) {
                lineWhileSending = lineOf(line.machine.slavePath());
                portThread = line.port.thread();
            }
        });
        TransferRig rig(controller, flow, &line.port);
        const QByteArray content = program(40, settings.section(',', 2, 2) == "8");
        rig.folder.addFile("o1000.min", content);
        rig.select({"O1000.MIN"});

        QVERIFY(sendAwake(rig));

        const QByteArray header = controller == 0 ? "$O1000.MIN%\r\n" : "%\r\n";
        QTRY_COMPARE(line.machine.received(), header + QByteArray(content).replace("\r\n", "\n") + "%\r\n");
        QVERIFY(line.machine.dc3Sent() >= 3); // it was held and let go again and again
        // No more than a FANUC control takes after its DC3, whether the port stops at the DC3 or only
        // the sender's own pacing does.
        QVERIFY2(line.machine.maxAfterDc3() <= LineStopCheck::MachineLimit, afterEachDc3(holds));
        QCOMPARE(rig.log().last(), QStringLiteral("送信が完了しました。"));
        QVERIFY(portThread != thread());          // the line keeps its pace while the window is busy
        QCOMPARE(line.port.thread(), portThread); // it stays with the line for the next command
        QCOMPARE(lineWhileSending, settings.section(',', 0, 0) + ',' + settings.section(',', 3, 3));
    }

    // Through a serial port, and through a device server on the shop network.
    void aPunchedProgramIsStoredByteForByte_data()
    {
        QTest::addColumn<Line::Named>("named");
        QTest::newRow("serial port") << Line::Named::ByEnvironment;
        QTest::newRow("device server") << Line::Named::ByDeviceServer;
    }

    void aPunchedProgramIsStoredByteForByte()
    {
        QFETCH(Line::Named, named);
        Line line(ControllerSimulator::Family::Osp, named);
        QVERIFY2(line.failure().isEmpty(), qPrintable(line.failure()));
        line.machine.setLeader(20);
        line.machine.setDc2Dc4(true);
        TransferRig rig(0, 1, &line.port);
        const QByteArray body = program(40);
        QTimer::singleShot(0, &line.machine, [&] { line.machine.punch("o2000.min", body); });

        rig.receive();

        QCOMPARE(rig.fileContent("O2000.MIN"), body);
        QCOMPARE(rig.log(),
                 (QStringList{"O2000.MINを読込中です...", "読込が完了しました。", "受信を終了しました。"}));
    }

    // A share that stops answering in the middle of a program at 115 200 baud holds up no reading of
    // the port, which a UART's driver would lose within seconds: the disk's share waits in memory, and
    // once the share goes on the program is there byte for byte. "中止" meanwhile closes the port at
    // once and keeps what arrived beside the old program; a window that closes meanwhile gives the disk
    // up, and the old program stays.
    void aStoppedShareHoldsUpNoReading_data()
    {
        QTest::addColumn<QString>("then"); // while the share is stopped
        QTest::newRow("goes on") << "";
        QTest::newRow("abort") << "abort";
        QTest::newRow("abort, the disk given up") << "give up";
        QTest::newRow("window closes") << "settle";
    }

    void aStoppedShareHoldsUpNoReading()
    {
        QFETCH(QString, then);
        Line line(ControllerSimulator::Family::Osp, Line::Named::ByEnvironment, "115200,N,8,1");
        line.machine.setLineSpeed(115200, 10);
        TransferRig rig(0, 1, &line.port);
        rig.folder.addFile("O2000.MIN", "old");
        BindMount share(rig.folder.path());
        if (!share.failure().isEmpty())
            QSKIP(qPrintable(share.failure()));
        rig.show(share.path());
        qint64 handled = 0, mostUnread = 0;
        connect(rig.commands.line()->receiveJob(), &ReceiveJob::received, this,
                [&handled](qint64 bytes) { handled = bytes; });
        QTimer look; // at what waits in the pty for the port to read it, as in a UART's driver
        connect(&look, &QTimer::timeout, this,
                [&] { mostUnread = qMax(mostUnread, line.machine.unreadByFarEnd()); });
        const QByteArray body = program(1400);
        QTimer::singleShot(0, &line.machine, [&] { line.machine.punch("o2000.min", body); });
        rig.commands.mnuTransInput_Click();
        rig.show(rig.folder.path()); // the list the rig refreshes at the end: never the stopped share
        QTRY_VERIFY(rig.log().contains("O2000.MINを読込中です..."));

        std::optional<StoppedShare> stopped(std::in_place, share);
        look.start(5);
        const qint64 atStop = handled;
        QTRY_VERIFY_WITH_TIMEOUT(handled >= atStop + (then.isEmpty() ? 32768 : 4096), 10'000);
        look.stop();
        QVERIFY2(mostUnread <= 2048, qPrintable(QString::number(mostUnread)));
        QString said;
        if (!then.isEmpty()) {
            rig.commands.dialog()->Command1->click();
            QTRY_VERIFY(!line.port.portOpen());
            if (then == "settle")
                said = rig.commands.line()->receiveJob()->settle(200);
            if (then == "give up") { // once the dialog says the disk is slow
                QTRY_VERIFY(rig.commands.dialog()->isVisible());
                rig.commands.dialog()->Command1->click();
                QTRY_VERIFY(!rig.commands.running());
                said = rig.log().value(1);
            }
        }
        stopped.reset();
        QTRY_VERIFY_WITH_TIMEOUT(!rig.commands.running(), 20'000);

        const QString start = "O2000.MINを読込中です...", ended = "受信を終了しました。";
        const auto files = [&rig] { return QDir(rig.folder.path()).entryList(QDir::Files | QDir::Hidden); };
        if (then.isEmpty()) {
            QCOMPARE(files(), QStringList{"O2000.MIN"});
            QCOMPARE(rig.fileContent("O2000.MIN"), body);
            QCOMPARE(rig.log(), (QStringList{start, "読込が完了しました。", ended}));
        } else if (then == "abort") {
            QCOMPARE(files(), (QStringList{"O2000.MIN", "O2000.MIN.BAK"}));
            QCOMPARE(rig.fileContent("O2000.MIN"), body.left(handled));
            QCOMPARE(rig.fileContent("O2000.MIN.BAK"), QByteArray("old"));
            QCOMPARE(rig.log(), (QStringList{start,
                                             "O2000.MINは途中までしか受信していません。"
                                             "元のO2000.MINはO2000.MIN.BAKに残しました。",
                                             ended}));
        } else {
            QVERIFY2(QRegularExpression("^O2000.MINの受信データ\\d+バイトを保存できませんでした。"
                                        "元のプログラムはそのままです。$")
                         .match(said)
                         .hasMatch(),
                     qPrintable(said));
            QTRY_COMPARE(files(), QStringList{"O2000.MIN"}); // the hidden file goes as the disk goes on
            QCOMPARE(rig.fileContent("O2000.MIN"), QByteArray("old"));
            QCOMPARE(rig.log(), (QStringList{start, said, ended}));
        }
    }

    // A device server tells line errors as they come; the port hands over the bytes before them a
    // little later. The errors are logged after the line that begins their program all the same, and
    // the program is kept as it came, beside the old one, never reported as read.
    void lineErrorsThroughADeviceServerMarkTheirProgram()
    {
        Line line(ControllerSimulator::Family::Osp, Line::Named::BySettings); // 9600,E,7,2
        QTcpServer server; // answers as ser2net does, then forwards what the machine punches
        QVERIFY(server.listen(QHostAddress::LocalHost));
        line.name(QStringLiteral("rfc2217://127.0.0.1:%1").arg(server.serverPort()));
        QTcpSocket *client = nullptr;
        QByteArray heard;
        connect(&server, &QTcpServer::newConnection, this, [&] {
            client = server.nextPendingConnection();
            client->write(QByteArrayLiteral(
                "\xff\xfb\x03\xff\xfd\x03\xff\xfb\x01\xff\xfe\x01\xff\xfd\x00\xff\xfb\x00\xff\xfd\x2c"));
            connect(client, &QTcpSocket::readyRead, this, [&] {
                heard += client->readAll();
                if (heard.contains(QByteArrayLiteral("\xff\xfa\x2c\x0b\x00\xff\xf0")) &&
                    !heard.contains("answered")) {
                    heard += "answered"; // the line as asked: 9600 baud, 7 bits, even, 2 stop bits
                    client->write(
                        QByteArrayLiteral("\xff\xfa\x2c\x65\x00\x00\x25\x80\xff\xf0\xff\xfa\x2c\x66\x07"
                                          "\xff\xf0\xff\xfa\x2c\x67\x03\xff\xf0\xff\xfa\x2c\x68\x02"
                                          "\xff\xf0\xff\xfa\x2c\x69\x01\xff\xf0"));
                }
            });
        });
        TransferRig rig(0, 1, &line.port);
        rig.folder.addFile("PAR.MIN", "old");
        rig.commands.mnuTransInput_Click();
        QTRY_VERIFY(client && line.port.portOpen() && !line.port.connecting());
        client->write(
            "$PAR.MIN%\r\nG0\r\n\xff\xfa\x2c\x6a\x08\xff\xf0G1\r\n\xff\xfa\x2c\x6a\x04\xff\xf0G2\r\n%");
        QVERIFY(rig.finish());

        QCOMPARE(
            rig.log(),
            (QStringList{"PAR.MINを読込中です...", "ﾌﾚｰﾐﾝｸﾞ ｴﾗｰが発生しました。", "ﾊﾟﾘﾃｨ ｴﾗｰが発生しました。",
                         "PAR.MINの受信中に回線エラーがありました。元のPAR.MINはPAR.MIN.BAKに残しました。",
                         "受信を終了しました。"}));
        QCOMPARE(rig.fileContent("PAR.MIN"), QByteArray("G0\r\nG1\r\nG2\r\n"));
        QCOMPARE(rig.fileContent("PAR.MIN.BAK"), QByteArray("old"));
    }

    // The operator at the control punches a request and reads the answer, then punches a program: through
    // a serial port, and through a device server that goes away meanwhile and comes back.
    void listeningServesTheOperator_data()
    {
        QTest::addColumn<Line::Named>("named");
        QTest::newRow("serial port") << Line::Named::ByEnvironment;
        QTest::newRow("device server that drops") << Line::Named::ByDeviceServer;
    }

    void listeningServesTheOperator()
    {
        QFETCH(Line::Named, named);
        Line line(ControllerSimulator::Family::Osp, named, "9600,N,8,1");
        QVERIFY2(line.failure().isEmpty(), qPrintable(line.failure()));
        line.machine.setLineSpeed(9600, 10);
        line.machine.setDc3Every(100);
        TransferRig rig(0, 1, &line.port);
        QTemporaryDir settings;
        rig.state.SettingsFolder = settings.path();
        const QByteArray content = program(40);
        rig.folder.addFile("O1000.MIN", content);
        rig.commands.mnuTransListen_Click();
        if (line.server) {
            QTRY_VERIFY(line.port.portOpen() && !line.port.connecting());
            line.server->stop();
            QTRY_VERIFY(!rig.log().filter("秒ごとに開き直します。").isEmpty());
            line.server->start();
            QTRY_VERIFY_WITH_TIMEOUT(!rig.log().filter("を開き直しました。").isEmpty(), 10'000);
        }
        QSignalSpy punched(&line.machine, &ControllerSimulator::punchFinished);

        line.machine.punch("REQ.MIN", "(SEND O1000.MIN)\r\nM02\r\n");
        QVERIFY(punched.wait());
        line.machine.startReading(); // the operator switches the control to read
        QTRY_COMPARE_WITH_TIMEOUT(line.machine.programs().size(), 1, 20'000);
        line.machine.stopReading();
        const QByteArray punch = program(20);
        line.machine.punch("O2000.MIN", punch);

        QTRY_COMPARE(rig.fileContent("O2000.MIN"), punch);
        QCOMPARE(line.machine.received(),
                 "$O1000.MIN%\r\n" + QByteArray(content).replace("\r\n", "\n") + "%\r\n");
        QCOMPARE(rig.fileNames(), (QStringList{"O1000.MIN", "O2000.MIN"}));
        QCOMPARE(rig.log().filter("開き直").size(), line.server ? 2 : 0);
        rig.commands.mnuTransListen_Click();
        QTRY_VERIFY(!rig.commands.listening());
        QVERIFY(!line.port.portOpen());
    }

    // A pseudo-terminal takes whatever it is given and keeps what the machine has not read yet: the
    // sender keeps no more on its way than the line carries in a few milliseconds, so after "中止" the
    // machine gets no more than it would take after a DC3.
    void anAbortLeavesLittleForTheMachine()
    {
        Line line;
        line.machine.setLineSpeed(9600, 11);
        line.machine.setDc3Every(0);
        line.machine.startReading();
        TransferRig rig(0, 1, &line.port);
        rig.folder.addFile("A.MIN", program(1000, false));
        rig.select({"A.MIN"});
        qsizetype atAbort = -1;
        connect(&line.machine, &ControllerSimulator::dataArrived, this, [&] {
            if (atAbort < 0 && line.machine.received().size() >= 1000) {
                atAbort = line.machine.received().size();
                rig.commands.dialog()->Command1->click();
            }
        });

        QVERIFY(sendAwake(rig));

        QTRY_COMPARE(line.machine.unreadFromFarEnd(), 0);
        QCOMPARE(rig.log().last(), QStringLiteral("送信がキャンセルされました。"));
        QVERIFY2(line.machine.received().size() - atAbort <= LineStopCheck::MachineLimit,
                 qPrintable(QString::number(line.machine.received().size() - atAbort)));
    }

    // A device server that cannot be reached or does not answer is reported once, in the port's words,
    // and the transfer ends; "中止" ends it while it connects.
    void aDeviceServerThatFailsEndsTheTransfer_data()
    {
        QTest::addColumn<FarEnd>("farEnd");
        QTest::addColumn<bool>("abort");      // while it connects
        QTest::addColumn<QStringList>("log"); // %1: the address
        const QString cannot = "ポート COM9 (%1) に接続できません。";
        // clang-format off
        QTest::newRow("refused") << FarEnd::NothingListens << false
            << QStringList{"A.MINの送信が出来ませんでした。", cannot + "接続が拒否されました。"};
        QTest::newRow("silent") << FarEnd::SilentServer << false
            << QStringList{"A.MINの送信が出来ませんでした。", cannot + "0.3秒以内に応答がありませんでした。"};
        QTest::newRow("abort while connecting") << FarEnd::SilentServer << true << QStringList{"送信がキャンセルされました。"};
        // clang-format on
    }

    void aDeviceServerThatFailsEndsTheTransfer()
    {
        QFETCH(FarEnd, farEnd);
        QFETCH(QStringList, log);
        QFETCH(bool, abort);
        Line line(ControllerSimulator::Family::Osp, Line::Named::BySettings);
        QTcpServer silent;
        QString address = QStringLiteral("socket://127.0.0.1:%1").arg(DeviceServer::freePort());
        if (farEnd == FarEnd::SilentServer && silent.listen(QHostAddress::LocalHost))
            address = QStringLiteral("rfc2217://127.0.0.1:%1").arg(silent.serverPort());
        line.name(address);
        if (!abort)
            line.port.setConnectTimeout(300);
        TransferRig rig(0, 1, &line.port);
        rig.folder.addFile("A.MIN", program(10));
        rig.select({"A.MIN"});

        rig.commands.mnuTransOutput_Click();
        if (abort) {
            QTRY_COMPARE(rig.commands.dialog()->Label1->text(),
                         QStringLiteral("ポート COM9 (%1) に接続しています。").arg(address));
            rig.commands.dialog()->Command1->click();
        }
        QVERIFY(rig.finish());

        QCOMPARE(rig.log(), log.replaceInStrings(QStringLiteral("%1"), address));
        QVERIFY(line.port.thread() != thread());
        QVERIFY(!line.port.portOpen());
    }
};

QTEST_MAIN(tst_TransferEndToEnd)
#include "tst_TransferEndToEnd.moc"
