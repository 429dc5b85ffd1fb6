// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/AppState.h"
#include "core/Log.h"
#include "core/StatusLine.h"
#include "machine/DeviceLabel.h"
#include "machine/MachineCommands.h"
#include "machine/MachineSettingsFile.h"
#include "machine/MachineSettingsLoader.h"
#include "machine/PortProperties.h"
#include "machine/PropertiesApplier.h"
#include "machine/frmProperties.h"
#include "platform/QtSerialPort.h"
#include "support/ScriptedFileDialogs.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/TestDir.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using Command = void (MachineCommands::*)();
using Answers = QList<MessageBoxes::Answer>;

namespace {

const QString Osp = QStringLiteral("現在の設定:OSP,COM1:4800,e,7,2");

QString loaded(const QString &name)
{
    return QStringLiteral("設定ファイル'%1'を読み込みました。").arg(name);
}

QByteArray contentOf(const QString &path)
{
    QFile in(path);
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

Command command(const QString &name)
{
    return name == QLatin1String("new") ? &MachineCommands::mnuMachineNew_Click
                                        : &MachineCommands::mnuMachineSelect_Click;
}

QByteArray line(const char *label, const char *value)
{
    return QByteArray(label).leftJustified(47, ' ') + '=' + value + "\r\n";
}

const QByteArray Body = "Fennet Ver.1.0\r\n\r\n" + line("RS232C PROT NUMBER", " 2") +
                        line("BAUD RATE", "9600") + line("PARITY", "N") + line("DATA BIT(7, 8)", "8") +
                        line("STOP BIT(1, 1.5, 2)", "1.5") + line("FLOW", " 1") +
                        line("ECHO    (ON, OFF)", "OFF");

// A FANUC machine on port 5 with echo and a DC1 wait: read before the file under test, or chosen.
const QByteArray Previous = MachineSettingsFile::dialogLayout({5, "4800", "E", "7", "2", 2, "ON", 1});
const QString PreviousStatus = QStringLiteral("現在の設定:FANUC,COM 5:4800,e,7,2");

QByteArray body(const QByteArray &from, const QByteArray &to)
{
    return QByteArray(Body).replace(from, to);
}

// A settings folder of its own, which holds the default OSP-E100.MCH, in force, on a real (closed) serial
// port; the commands, and the reader and writer they use, report to the log and the status bar here.
struct Rig final : Log, StatusLine {
    Rig()
    {
        state.SettingsFolder = folder.path();
        folder.addFile(QStringLiteral("OSP-E100.MCH"), MachineSettingsFile::newLayout());
        state.Machine.MchFileName = QStringLiteral("OSP-E100.MCH");
        QObject::connect(&commands, &MachineCommands::communicationOffered,
                         [this](bool on) { offers << on; });
        QObject::connect(&commands, &MachineCommands::controllerChosen, [this] { ++controllerChanges; });
    }
    void addLine(const QString &line) override { log << line; }
    void clear() override { log.clear(); }
    void setSettingsText(const QString &text) override { status = text; }

    // Runs a command with the file dialog answered and yes/no questions answered in turn.
    void run(Command run, const QString &chosen, const Answers &answers = {})
    {
        dialogs.answers = {chosen};
        boxes.answers = answers;
        (commands.*run)();
    }
    QStringList files() const
    {
        return QDir(folder.path()).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase);
    }
    // M1.MCH with this content read into the record and onto the port.
    bool load(const QByteArray &content)
    {
        folder.addFile(QStringLiteral("M1.MCH"), content);
        log.clear();
        return loader.LoadMachineSettings(QStringLiteral("M1.MCH"));
    }
    // The new layout read, as the properties dialog would show it.
    PortProperties newFileInForce()
    {
        if (!load(MachineSettingsFile::newLayout()))
            qFatal("the new layout did not load");
        return PortProperties::inForce(port, state.Machine);
    }
    QByteArray m1() const { return contentOf(folder.filePath(QStringLiteral("M1.MCH"))); }

    TestDir folder;
    AppState state;
    QtSerialPort port;
    ScriptedFileDialogs dialogs;
    ScriptedMessageBoxes boxes;
    QStringList log;
    QString status;
    QList<bool> offers;
    int controllerChanges = 0;
    MachineSettingsLoader loader{state, port, *this, *this};
    PropertiesApplier applier{state, port, *this, *this};
    MachineCommands commands{state, port, dialogs, boxes, *this, *this, nullptr};
};

} // namespace

// Machine settings files: their layout, reading them into the record and onto the port, and choosing,
// creating and changing them.
class tst_MachineCommands : public QObject {
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
        Rig rig;
        QVERIFY(rig.load(Previous));
        QVERIFY(rig.load(content));
        QTEST(rig.port.commPort(), "port");
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
        Rig rig;
        QVERIFY(rig.load(Previous));
        const MachineSettings before = rig.state.Machine;
        QVERIFY(!rig.load(content));
        QCOMPARE(rig.log.size(), 2);
        QCOMPARE(rig.log[0], QStringLiteral("設定ファイル'M1.MCH'の読み込みに失敗しました。"));
        QVERIFY(!rig.log[1].isEmpty());
        QVERIFY(rig.state.Machine == before);
        QCOMPARE(rig.status, PreviousStatus);
        QCOMPARE(rig.port.commPort(), 5);
        QCOMPARE(rig.port.settings(), QStringLiteral("4800,e,7,2"));
    }

    // Names are found in any case; a missing file, or any file while a transfer has the port, changes
    // nothing.
    void aFileIsFoundInAnyCaseAndNotReadDuringATransfer()
    {
        Rig rig;
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
        Rig rig;
        QVERIFY(rig.port.setCommPort(16) && rig.port.setSettings(QStringLiteral("115200,S,5,1")));
        const PortProperties shown = PortProperties::inForce(rig.port, rig.state.Machine);
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
        Rig rig;
        const auto number = [](qint16 n) { return MachineSettingsFile::signedText(n).toLatin1(); };
        QVERIFY(rig.load(body("= 1", "=" + number(flow)) + line("CONTROLLER", number(controller))));
        PortProperties chosen = PortProperties::inForce(rig.port, rig.state.Machine);
        chosen.flow.reset();
        chosen.controller.reset();
        QCOMPARE(rig.applier.apply(chosen), QString());
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
        Rig rig;
        PortProperties chosen = rig.newFileInForce();
        chosen.port = 2;
        chosen.speed = line[0];
        chosen.parity = line[1];
        chosen.dataBits = line[2];
        chosen.stopBits = line[3];
        QVERIFY(!rig.applier.apply(chosen).isEmpty());
        QCOMPARE(rig.port.commPort(), 2);
        QCOMPARE(rig.port.settings(), QStringLiteral("4800,e,7,2"));
        QCOMPARE(rig.m1(), MachineSettingsFile::newLayout());
        QCOMPARE(rig.log.size(), 1); // the read only
    }

    void aWriteFailureIsLogged()
    {
        Rig rig;
        PortProperties chosen = rig.newFileInForce();
        rig.folder.protect(QStringLiteral("M1.MCH"));
        chosen.speed = QStringLiteral("9600");
        QCOMPARE(rig.applier.apply(chosen), QString());
        QCOMPARE(rig.m1(), MachineSettingsFile::newLayout());
        QCOMPARE(rig.log.size(), 3);
        QCOMPARE(rig.log[1], QStringLiteral("設定ファイル'M1.MCH'に書き込みを失敗しました。"));
        QCOMPARE(rig.port.settings(), QStringLiteral("9600,e,7,2"));
        QCOMPARE(rig.status, QStringLiteral("現在の設定:OSP,COM1:4800,e,7,2"));
    }

    // Without a machine in force nothing may go out on the line: communication rests until a settings
    // file is put in force; one that cannot be read changes nothing.
    void withoutAMachineCommunicationRestsUntilOneIsInForce_data()
    {
        QTest::addColumn<QString>("remembered"); // "": none; else a file that cannot be read
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("status");
        // clang-format off
        QTest::newRow("none, one created") << "" << "new" << "LATHE-2.MCH" << Osp;
        QTest::newRow("none, one chosen") << "" << "select" << "FANUC.MCH" << PreviousStatus;
        QTest::newRow("unreadable, one chosen") << "BAD.MCH" << "select" << "FANUC.MCH" << PreviousStatus;
        // clang-format on
    }
    void withoutAMachineCommunicationRestsUntilOneIsInForce()
    {
        QFETCH(QString, remembered);
        QFETCH(QString, file);
        Rig rig;
        rig.folder.addFile(QStringLiteral("BAD.MCH"),
                           QByteArray(Previous).replace("= 2\r\nECHO", "=x\r\nECHO"));
        rig.folder.addFile(QStringLiteral("FANUC.MCH"), Previous);
        rig.state.Machine.MchFileName = remembered;
        rig.commands.LoadStartupSettingsFile();
        QCOMPARE(rig.log.isEmpty(), remembered.isEmpty()); // a remembered file refused says why
        for (int attempt = 0; attempt < 2; ++attempt) {    // at start, then after a file refused
            QCOMPARE(rig.offers, QList<bool>{false});
            QCOMPARE(rig.status, QStringLiteral("設定ファイルが読み込まれていません"));
            QCOMPARE(rig.state.Machine.MchFileName, remembered);
            rig.run(&MachineCommands::mnuMachineSelect_Click, rig.folder.filePath(QStringLiteral("BAD.MCH")));
            QCOMPARE(rig.log.last(), QStringLiteral("FLOWの値'x'は数値ではありません。"));
        }
        QFETCH(QString, command);
        rig.run(::command(command), rig.folder.filePath(file));
        QCOMPARE(rig.dialogs.asked.last().folder, rig.state.SettingsFolder);
        QCOMPARE(rig.log.last(), loaded(file));
        QCOMPARE(rig.state.Machine.MchFileName, file);
        QCOMPARE(rig.offers, (QList<bool>{false, true}));
        QCOMPARE(rig.controllerChanges, 1);
        QTEST(rig.status, "status");
    }

    // The same name in any case is the same file: asked about, then overwritten under its own name.
    void newAsksBeforeItOverwritesAMachinesFile()
    {
        Rig rig;
        const QString existing = rig.folder.addFile(QStringLiteral("MILL.MCH"), Previous);
        rig.run(&MachineCommands::mnuMachineNew_Click, rig.folder.filePath("mill.mch"),
                {MessageBoxes::Answer::No});
        QCOMPARE(rig.boxes.shown.size(), 1);
        QCOMPARE(rig.boxes.shown[0].text,
                 QStringLiteral("mill.mchは既にファイルが存在します。\nファイルを重ね書きしますか？"));
        QCOMPARE(rig.boxes.shown[0].title, QStringLiteral("設定ファイル作成"));
        QCOMPARE(rig.boxes.shown[0].icon, MessageBoxes::Icon::Exclamation);
        QCOMPARE(rig.boxes.shown[0].buttons, MessageBoxes::Buttons::YesNo);
        QCOMPARE(contentOf(existing), Previous);
        QCOMPARE(rig.state.Machine.MchFileName, QStringLiteral("OSP-E100.MCH"));
        QVERIFY(rig.log.isEmpty());

        rig.run(&MachineCommands::mnuMachineNew_Click, rig.folder.filePath("mill.mch"),
                {MessageBoxes::Answer::Yes});
        QCOMPARE(contentOf(existing), MachineSettingsFile::newLayout());
        QCOMPARE(rig.files(), (QStringList{"MILL.MCH", "OSP-E100.MCH"}));
        QCOMPARE(rig.state.Machine.MchFileName, QStringLiteral("MILL.MCH"));
        QCOMPARE(rig.log, (QStringList{"設定ファイル'MILL.MCH'を作成しました。", loaded("MILL.MCH")}));
    }

    void aProtectedFileIsNotOverwritten()
    {
        Rig rig;
        const QString path = rig.folder.addFile(QStringLiteral("LOCKED.MCH"), Previous);
        QFile::setPermissions(path, QFile::ReadOwner);
        rig.run(&MachineCommands::mnuMachineNew_Click, path, {MessageBoxes::Answer::Yes});
        QCOMPARE(contentOf(path), Previous);
        QCOMPARE(rig.log.first(), QStringLiteral("設定ファイル'LOCKED.MCH'を作成出来ませんでした。"));
        QCOMPARE(rig.state.Machine.MchFileName, QStringLiteral("OSP-E100.MCH"));
    }

    // Settings files are read by bare name from the settings folder and chosen through a *.mch filter:
    // what is created or chosen must be found there again at the next start.
    void aSettingsFileIsOneTheProgramFindsAgain_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("elsewhere");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("remembered"); // "" keeps OSP-E100.MCH and refuses
        // clang-format off
        QTest::newRow("new, extension in lower case") << "new" << false << "mill.mch" << "mill.mch";
        QTest::newRow("new, another extension") << "new" << false << "notes.txt" << "notes.txt.MCH";
        QTest::newRow("new in another folder") << "new" << true << "LATHE.MCH" << "";
        QTest::newRow("select in another folder") << "select" << true << "FANUC.MCH" << "";
        // clang-format on
    }
    void aSettingsFileIsOneTheProgramFindsAgain()
    {
        QFETCH(QString, command);
        QFETCH(bool, elsewhere);
        QFETCH(QString, typed);
        QFETCH(QString, remembered);
        TestDir other;
        other.addFile(QStringLiteral("FANUC.MCH"), Previous);
        Rig rig;
        rig.run(::command(command), (elsewhere ? other.filePath(typed) : rig.folder.filePath(typed)));

        if (remembered.isEmpty()) {
            const QString tail =
                command == QLatin1String("new") ? "に作成してください。" : "から選んでください。";
            QCOMPARE(rig.boxes.shown.size(), 1);
            QCOMPARE(rig.boxes.shown[0].text, "設定ファイルは設定フォルダー'" +
                                                  QDir::toNativeSeparators(rig.state.SettingsFolder) + "'" +
                                                  tail);
            QCOMPARE(rig.boxes.shown[0].title, rig.dialogs.asked[0].title);
            QCOMPARE(rig.boxes.shown[0].icon, MessageBoxes::Icon::Exclamation);
            QCOMPARE(rig.state.Machine.MchFileName, QStringLiteral("OSP-E100.MCH"));
            QVERIFY(rig.log.isEmpty() && rig.status.isEmpty() && rig.offers.isEmpty());
            QCOMPARE(QDir(other.path()).entryList(QDir::Files), QStringList{"FANUC.MCH"});
            QCOMPARE(rig.files(), QStringList{"OSP-E100.MCH"});
            return;
        }
        QVERIFY(rig.boxes.shown.isEmpty());
        QCOMPARE(rig.state.Machine.MchFileName, remembered);
        QCOMPARE(contentOf(rig.folder.filePath(remembered)), MachineSettingsFile::newLayout());
        QCOMPARE(rig.files(), (QStringList{remembered, "OSP-E100.MCH"}));
        QCOMPARE(rig.log.last(), loaded(remembered));
    }

    // The dialog may wander through folders; the folder the browser shows does not move with it.
    void cancellingChangesNothingAndTheBrowsedFolderStays()
    {
        TestDir browsed, elsewhere;
        const QString start = QDir::currentPath();
        QDir::setCurrent(browsed.path());
        Rig rig;
        rig.dialogs.whileOpen = [&] { QDir::setCurrent(elsewhere.path()); };
        for (const Command run :
             {&MachineCommands::mnuMachineNew_Click, &MachineCommands::mnuMachineSelect_Click}) {
            rig.run(run, QString());
            QCOMPARE(QDir::currentPath(), browsed.path());
        }
        QDir::setCurrent(start);
        QCOMPARE(rig.state.Machine.MchFileName, QStringLiteral("OSP-E100.MCH"));
        QVERIFY(rig.log.isEmpty() && rig.offers.isEmpty());
        QCOMPARE(rig.dialogs.asked[0].title, QStringLiteral("設定ファイル作成"));
        QCOMPARE(rig.dialogs.asked[1].title, QStringLiteral("設定ファイル選択"));
    }

    // The dialog opens on the machine in force, beside the port the port's own device. Options chosen
    // before Cancel hold in memory only; OK writes them and the line too.
    void theParametersDialogChangesTheMachine()
    {
        Rig rig;
        rig.commands.LoadStartupSettingsFile();
        const QString path = rig.folder.filePath(QStringLiteral("OSP-E100.MCH"));
        const QString device = rig.port.deviceName(1);
        QStringList seen;
        const auto answer = [&](bool ok) {
            QTimer::singleShot(0, [ok, &seen] {
                auto *dialog = qobject_cast<frmProperties *>(QApplication::activeModalWidget());
                seen << dialog->windowTitle() << dialog->lblDevice->device()
                     << QString::number(dialog->optFlow->checkedId())
                     << QString::number(dialog->OptController->checkedId());
                dialog->OptController->button(1)->click();
                dialog->optFlow->button(2)->click();
                dialog->cboSpeed->setCurrentText(QStringLiteral(" 9600 "));
                (ok ? dialog->cmdOK : dialog->cmdCancel)->click();
            });
            rig.commands.mnuMachinePropaty_Click();
        };
        answer(false);
        QVERIFY(!rig.state.Machine.isOsp());
        QCOMPARE(rig.controllerChanges, 1);
        QCOMPARE(contentOf(path), MachineSettingsFile::newLayout());
        QCOMPARE(rig.status, Osp);

        answer(true);
        QCOMPARE(contentOf(path), MachineSettingsFile::dialogLayout({1, "9600", "E", "7", "2", 2, "ON", 1}));
        QCOMPARE(rig.status, QStringLiteral("現在の設定:FANUC, COM1:9600,e,7,2"));
        QCOMPARE(rig.log.last(), QStringLiteral("設定ファイル'OSP-E100.MCH'に書き込みました。"));
        QCOMPARE(seen, (QStringList{"OSP-E100.MCH", device, "1", "0", "OSP-E100.MCH", device, "2", "1"}));
    }
};

QTEST_MAIN(tst_MachineCommands)
#include "tst_MachineCommands.moc"
