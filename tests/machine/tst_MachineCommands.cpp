// SPDX-License-Identifier: GPL-2.0-or-later
#include "machine/DeviceLabel.h"
#include "machine/MachineSettingsFile.h"
#include "machine/frmProperties.h"
#include "shell/LogPane.h"
#include "shell/MainMenus.h"
#include "shell/MainStatusBar.h"
#include "shell/MainToolBar.h"
#include "support/MainWindowFixture.h"
#include "support/TestDir.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QDir>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

const QByteArray Fanuc = MachineSettingsFile::dialogLayout({1, "9600", "E", "7", "2", 1, "OFF", 1});

QStringList log(const frmMain &form)
{
    return form.Text2->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

bool enabled(const frmMain &form, const QString &item)
{
    return form.menus()->item(item)->isEnabled();
}

QByteArray contentOf(const QString &path)
{
    QFile in(path);
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

// Runs a machine command with the file dialog answered and yes/no questions answered in turn.
void run(MainWindowFixture &window, const char *command, const QString &chosen,
         QList<MessageBoxes::Answer> answers = {})
{
    window.fileDialogs.answers = {chosen};
    window.messages.answers = answers;
    window.form->menus()->item(QLatin1String(command))->trigger();
}

} // namespace

// Choosing, creating and changing a machine's settings file from the main window.
class tst_MachineCommands : public QObject {
    Q_OBJECT

private slots:
    // Without a machine in force nothing may go out on the line: the communication commands rest, wherever
    // they are reached, until a settings file is put in force; one that cannot be read changes nothing.
    void withoutAMachineCommunicationRestsUntilOneIsInForce_data()
    {
        QTest::addColumn<QString>("remembered"); // "": none; else a file that cannot be read
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("status");
        const QString osp = "現在の設定:OSP,COM1:4800,e,7,2", fanuc = "現在の設定:FANUC,COM 1:9600,e,7,2";
        QTest::newRow("none, one created") << ""
                                           << "mnuMachineNew"
                                           << "LATHE-2.MCH" << osp;
        QTest::newRow("none, one chosen") << ""
                                          << "mnuMachineSelect"
                                          << "FANUC.MCH" << fanuc;
        QTest::newRow("unreadable, one chosen") << "BAD.MCH"
                                                << "mnuMachineSelect"
                                                << "FANUC.MCH" << fanuc;
    }
    void withoutAMachineCommunicationRestsUntilOneIsInForce()
    {
        QFETCH(QString, remembered);
        QFETCH(QString, command);
        QFETCH(QString, file);
        MainWindowFixture window;
        window.preset(QStringLiteral("MchFileName"), remembered);
        const QByteArray unreadable = QByteArray(Fanuc).replace("= 1\r\nECHO", "=x\r\nECHO");
        window.settingsFile(QStringLiteral("BAD.MCH"), unreadable);
        window.settingsFile(QStringLiteral("FANUC.MCH"), Fanuc);
        frmMain &form = window.start();
        // Whether the communication commands, wherever they are reached, and the toolbar are all offered.
        const auto offered = [&form](bool expected) {
            for (const char *item :
                 {"mnuMachinePropaty", "mnuTrans", "mnuTransOutput", "mnuPopupOutput", "mnuPopupInput"}) {
                if (enabled(form, QLatin1String(item)) != expected)
                    return false;
            }
            return form.tbToolBar->isEnabled() == expected;
        };
        QCOMPARE(log(form).isEmpty(), remembered.isEmpty()); // a remembered file refused says why
        for (int attempt = 0; attempt < 2; ++attempt) {      // at start, then after a file refused
            QVERIFY(offered(false));
            QCOMPARE(form.sbStatusBar->settingsText(), QStringLiteral("設定ファイルが読み込まれていません"));
            QCOMPARE(window.state.Machine.MchFileName, remembered);
            run(window, "mnuMachineSelect", window.settingsFile("BAD.MCH"));
            QCOMPARE(log(form).last(), QStringLiteral("FLOWの値'x'は数値ではありません。"));
        }
        run(window, command.toLatin1(), window.settingsFile(file));
        QCOMPARE(window.fileDialogs.asked.last().folder, window.state.SettingsFolder);
        QCOMPARE(log(form).last(), QStringLiteral("設定ファイル'%1'を読み込みました。").arg(file));
        QCOMPARE(window.state.Machine.MchFileName, file);
        QVERIFY(offered(true));
        QTEST(form.sbStatusBar->settingsText(), "status");
        QCOMPARE(enabled(form, "mnuTransInputCont"), window.state.Machine.isOsp());
    }

    // Two windows side by side, each on its own machine: a window started for one (--machine) starts with
    // it; closing a window remembers its machine only when the operator put another in force there, so
    // it never takes back what the other window chose and saved meanwhile.
    void aSecondWindowKeepsItsOwnMachine_data()
    {
        QTest::addColumn<QString>("given");      // "": none; "~/": in the settings folder; "/": elsewhere
        QTest::addColumn<QString>("chosen");     // selected while the window runs
        QTest::addColumn<QString>("meanwhile");  // remembered by another window's close
        QTest::addColumn<QString>("inForce");    // at start
        QTest::addColumn<QString>("remembered"); // after this window's close
        // clang-format off
        QTest::newRow("remembered, another window chose meanwhile") << "" << "" << "MILL.MCH" << "OSP-E100.MCH" << "MILL.MCH";
        QTest::newRow("remembered, one chosen here") << "" << "FANUC.MCH" << "MILL.MCH" << "OSP-E100.MCH" << "FANUC.MCH";
        QTest::newRow("given") << "FANUC.MCH" << "" << "" << "FANUC.MCH" << "OSP-E100.MCH";
        QTest::newRow("given with its folder, one chosen here") << "~/FANUC.MCH" << "MILL.MCH" << "" << "FANUC.MCH" << "MILL.MCH";
        QTest::newRow("given outside the settings folder") << "/FANUC.MCH" << "" << "" << "OSP-E100.MCH" << "OSP-E100.MCH";
        // clang-format on
    }
    void aSecondWindowKeepsItsOwnMachine()
    {
        QFETCH(QString, given);
        QFETCH(QString, chosen);
        QFETCH(QString, meanwhile);
        QFETCH(QString, inForce);
        TestDir elsewhere;
        MainWindowFixture window;
        window.preset(QStringLiteral("MchFileName"), QStringLiteral("OSP-E100.MCH"));
        window.settingsFile(QStringLiteral("FANUC.MCH"), Fanuc);
        window.settingsFile(QStringLiteral("MILL.MCH"), Fanuc);
        const bool outside = given.startsWith(u'/');
        window.machine = outside                   ? elsewhere.addFile(given.mid(1), Fanuc)
                         : given.startsWith(u"~/") ? window.settingsFile(given.mid(2))
                                                   : given;
        frmMain &form = window.start();
        QCOMPARE(window.state.Machine.MchFileName, inForce);
        QCOMPARE(log(form).last(), QStringLiteral("設定ファイル'%1'を読み込みました。").arg(inForce));
        QCOMPARE(window.messages.shown.size(), outside ? 1 : 0); // the text is the selection's own
        if (!chosen.isEmpty())
            run(window, "mnuMachineSelect", window.settingsFile(chosen));
        if (!meanwhile.isEmpty())
            window.preset(QStringLiteral("MchFileName"), meanwhile);
        form.close();
        QTEST(window.written()->value(QStringLiteral("MchFileName")).toString(), "remembered");
    }

    // The same name in any case is the same file: asked about, then overwritten under its own name.
    void newAsksBeforeItOverwritesAMachinesFile()
    {
        MainWindowFixture window;
        frmMain &form = window.start();
        const QString existing = window.settingsFile("MILL.MCH", Fanuc);
        const QStringList logged = log(form);
        run(window, "mnuMachineNew", window.settingsFile("mill.mch"), {MessageBoxes::Answer::No});
        QCOMPARE(window.messages.shown.size(), 1);
        QCOMPARE(window.messages.shown[0].text,
                 QStringLiteral("mill.mchは既にファイルが存在します。\nファイルを重ね書きしますか？"));
        QCOMPARE(window.messages.shown[0].title, QStringLiteral("設定ファイル作成"));
        QCOMPARE(window.messages.shown[0].icon, MessageBoxes::Icon::Exclamation);
        QCOMPARE(window.messages.shown[0].buttons, MessageBoxes::Buttons::YesNo);
        QCOMPARE(contentOf(existing), Fanuc);
        QCOMPARE(window.state.Machine.MchFileName, QStringLiteral("OSP-E100.MCH"));
        QCOMPARE(log(form), logged);

        run(window, "mnuMachineNew", window.settingsFile("mill.mch"), {MessageBoxes::Answer::Yes});
        QCOMPARE(contentOf(existing), MachineSettingsFile::newLayout());
        QCOMPARE(QDir(window.state.SettingsFolder).entryList(QDir::Files).size(), 2);
        QCOMPARE(window.state.Machine.MchFileName, QStringLiteral("MILL.MCH"));
    }

    void aProtectedFileIsNotOverwritten()
    {
        MainWindowFixture window;
        frmMain &form = window.start();
        const QString path = window.settingsFile("LOCKED.MCH", Fanuc);
        QFile::setPermissions(path, QFile::ReadOwner);
        run(window, "mnuMachineNew", path, {MessageBoxes::Answer::Yes});
        QCOMPARE(contentOf(path), Fanuc);
        QCOMPARE(log(form).at(log(form).size() - 2),
                 QStringLiteral("設定ファイル'LOCKED.MCH'を作成出来ませんでした。"));
    }

    // Settings files are read by bare name from the program's folder and chosen through a *.mch filter:
    // what is created or chosen must be found there again at the next start.
    void aSettingsFileIsOneTheProgramFindsAgain_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("elsewhere");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("remembered"); // "" keeps OSP-E100.MCH and refuses
        const QString select = QStringLiteral("mnuMachineSelect"), create = QStringLiteral("mnuMachineNew");
        QTest::newRow("new without extension") << create << false << "lathe"
                                               << "lathe.MCH";
        QTest::newRow("new, extension in lower case") << create << false << "mill.mch"
                                                      << "mill.mch";
        QTest::newRow("new, another extension") << create << false << "notes.txt"
                                                << "notes.txt.MCH";
        QTest::newRow("new in another folder") << create << true << "LATHE.MCH"
                                               << "";
        QTest::newRow("select in another folder") << select << true << "FANUC.MCH"
                                                  << "";
    }
    void aSettingsFileIsOneTheProgramFindsAgain()
    {
        QFETCH(QString, command);
        QFETCH(bool, elsewhere);
        QFETCH(QString, typed);
        QFETCH(QString, remembered);
        TestDir other;
        MainWindowFixture window;
        frmMain &form = window.start();
        const QString status = form.sbStatusBar->settingsText();
        const QStringList logged = log(form);
        other.addFile(QStringLiteral("FANUC.MCH"), Fanuc);
        run(window, command.toLatin1(), elsewhere ? other.filePath(typed) : window.settingsFile(typed));

        if (remembered.isEmpty()) {
            const QString tail =
                command == QLatin1String("mnuMachineNew") ? "に作成してください。" : "から選んでください。";
            QCOMPARE(window.messages.shown.size(), 1);
            QCOMPARE(window.messages.shown[0].text,
                     QStringLiteral("設定ファイルは設定フォルダー'") +
                         QDir::toNativeSeparators(window.state.SettingsFolder) + "'" + tail);
            QCOMPARE(window.messages.shown[0].title, window.fileDialogs.asked[0].title);
            QCOMPARE(window.messages.shown[0].icon, MessageBoxes::Icon::Exclamation);
            QCOMPARE(window.state.Machine.MchFileName, QStringLiteral("OSP-E100.MCH"));
            QVERIFY(window.state.Machine.isOsp());
            QCOMPARE(form.sbStatusBar->settingsText(), status);
            QCOMPARE(log(form), logged);
            QCOMPARE(QDir(other.path()).entryList(QDir::Files), QStringList{"FANUC.MCH"});
            QCOMPARE(QDir(window.state.SettingsFolder).entryList(QDir::Files), QStringList{"OSP-E100.MCH"});
            return;
        }
        QVERIFY(window.messages.shown.isEmpty());
        QCOMPARE(window.state.Machine.MchFileName, remembered);
        QCOMPARE(contentOf(window.settingsFile(remembered)), MachineSettingsFile::newLayout());
        QStringList files = QDir(window.state.SettingsFolder).entryList(QDir::Files);
        QStringList expected{"OSP-E100.MCH", remembered};
        files.sort();
        expected.sort();
        QCOMPARE(files, expected);
        QCOMPARE(log(form).last(), QStringLiteral("設定ファイル'%1'を読み込みました。").arg(remembered));
    }

    // The dialog may wander through folders; the folder the browser shows does not move with it.
    void cancellingChangesNothingAndTheBrowsedFolderStays()
    {
        TestDir browsed, elsewhere;
        MainWindowFixture window;
        window.preset(QStringLiteral("OpenPathName"), browsed.path());
        frmMain &form = window.start();
        const QStringList before = log(form);
        window.fileDialogs.whileOpen = [&] { QDir::setCurrent(elsewhere.path()); };
        for (const char *command : {"mnuMachineNew", "mnuMachineSelect"}) {
            run(window, command, QString());
            QCOMPARE(QDir::currentPath(), browsed.path());
        }
        QCOMPARE(window.state.Machine.MchFileName, QStringLiteral("OSP-E100.MCH"));
        QCOMPARE(log(form), before);
        QCOMPARE(window.fileDialogs.asked[0].title, QStringLiteral("設定ファイル作成"));
        QCOMPARE(window.fileDialogs.asked[1].title, QStringLiteral("設定ファイル選択"));
    }

    // A FANUC control punches one program at a time: continuous reception is not offered for it. A file
    // without a controller line is an OSP control's, whatever was read before it.
    void selectingAFileOffersContinuousReceptionForOspOnly()
    {
        MainWindowFixture window;
        frmMain &form = window.start();
        run(window, "mnuMachineSelect", window.settingsFile("FANUC.MCH", Fanuc));
        QCOMPARE(window.state.Machine.MchFileName, QStringLiteral("FANUC.MCH"));
        QCOMPARE(form.sbStatusBar->settingsText(), QStringLiteral("現在の設定:FANUC,COM 1:9600,e,7,2"));
        QVERIFY(!enabled(form, "mnuTransInputCont") && !enabled(form, "mnuPopupInputCont"));
        QVERIFY(!form.tbToolBar->button(3)->isEnabled());

        run(window, "mnuMachineSelect", window.settingsFile("OSP-E100.MCH"));
        QCOMPARE(form.sbStatusBar->settingsText(), QStringLiteral("現在の設定:OSP,COM1:4800,e,7,2"));
        QVERIFY(enabled(form, "mnuTransInputCont") && enabled(form, "mnuPopupInputCont"));
        QVERIFY(form.tbToolBar->button(3)->isEnabled());
    }

    // The parameters button opens the dialog on the file in force, beside the port the device that the
    // settings file's Ports group names. A controller chosen before Cancel holds in memory only; OK
    // writes it too.
    void theParametersDialogChangesTheMachine()
    {
        MainWindowFixture window;
        const QString adapter = QStringLiteral("/dev/serial/by-id/usb-Prolific_PL2303-if00-port0");
        window.preset(QStringLiteral("Ports/COM1"), adapter);
        frmMain &form = window.start();
        const QString path = window.settingsFile("OSP-E100.MCH");
        QStringList devices;
        const auto answer = [&](bool ok) {
            QTimer::singleShot(0, this, [ok, &devices] {
                auto *dialog = qobject_cast<frmProperties *>(QApplication::activeModalWidget());
                devices << dialog->lblDevice->device();
                dialog->OptController->button(1)->click();
                (ok ? dialog->cmdOK : dialog->cmdCancel)->click();
            });
            form.tbToolBar->button(4)->trigger();
        };
        answer(false);
        QVERIFY(!window.state.Machine.isOsp());
        QVERIFY(!enabled(form, "mnuTransInputCont"));
        QCOMPARE(contentOf(path), MachineSettingsFile::newLayout());
        QCOMPARE(form.sbStatusBar->settingsText(), QStringLiteral("現在の設定:OSP,COM1:4800,e,7,2"));

        answer(true);
        QCOMPARE(contentOf(path), MachineSettingsFile::dialogLayout({1, "4800", "E", "7", "2", 1, "ON", 1}));
        QCOMPARE(form.sbStatusBar->settingsText(), QStringLiteral("現在の設定:FANUC, COM1:4800,e,7,2"));
        QCOMPARE(log(form).last(), QStringLiteral("設定ファイル'OSP-E100.MCH'に書き込みました。"));
        QCOMPARE(devices, QStringList(2, adapter));
        // The window's settings, written as it closes, leave the user's ports alone.
        form.close();
        const auto written = window.written();
        written->endGroup();
        QCOMPARE(written->value(QStringLiteral("Ports/COM1")).toString(), adapter);
    }
};

QTEST_MAIN(tst_MachineCommands)
#include "tst_MachineCommands.moc"
