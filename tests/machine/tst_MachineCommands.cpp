// SPDX-License-Identifier: GPL-2.0-or-later
#include "machine/DeviceLabel.h"
#include "machine/MachineRig.h"
#include "machine/frmProperties.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QPushButton>
#include <QTimer>

// The machine commands: choosing, creating and changing settings files.
class tst_MachineCommands : public QObject {
    Q_OBJECT

private slots:
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
        MachineRig rig;
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
        MachineRig rig;
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
        MachineRig rig;
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
        MachineRig rig;
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

    void cancellingChangesNothing()
    {
        MachineRig rig;
        for (const Command run :
             {&MachineCommands::mnuMachineNew_Click, &MachineCommands::mnuMachineSelect_Click})
            rig.run(run, QString());
        QCOMPARE(rig.state.Machine.MchFileName, QStringLiteral("OSP-E100.MCH"));
        QVERIFY(rig.log.isEmpty() && rig.offers.isEmpty());
        QCOMPARE(rig.dialogs.asked[0].title, QStringLiteral("設定ファイル作成"));
        QCOMPARE(rig.dialogs.asked[1].title, QStringLiteral("設定ファイル選択"));
    }

    // The dialog opens on the machine in force, beside the port the port's own device. Cancel (Esc)
    // changes nothing, also after an OK the port refused on another port; OK writes the choice.
    void theParametersDialogChangesTheMachine()
    {
        MachineRig rig;
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
                if (ok)
                    return dialog->cmdOK->click();
                dialog->cboPort->setCurrentIndex(1);
                dialog->cboDataBits->setCurrentText(QStringLiteral("4"));
                dialog->cmdOK->click();
                QTest::keyClick(dialog, Qt::Key_Escape);
            });
            rig.commands.mnuMachinePropaty_Click();
        };
        const MachineSettings before = rig.state.Machine;
        answer(false);
        QCOMPARE(rig.boxes.shown.size(), 1);
        QVERIFY(rig.state.Machine == before); // what the next transfer goes out with
        QCOMPARE(rig.port.commPort(), 1);
        QCOMPARE(rig.port.settings(), QStringLiteral("4800,e,7,2"));
        QCOMPARE(rig.controllerChanges, 0);
        QCOMPARE(contentOf(path), MachineSettingsFile::newLayout());
        QCOMPARE(rig.status, Osp);

        answer(true);
        QCOMPARE(contentOf(path), MachineSettingsFile::dialogLayout({1, "9600", "E", "7", "2", 2, "ON", 1}));
        QCOMPARE(rig.status, QStringLiteral("現在の設定:FANUC, COM1:9600,e,7,2"));
        QCOMPARE(rig.log.last(), QStringLiteral("設定ファイル'OSP-E100.MCH'に書き込みました。"));
        QCOMPARE(seen, (QStringList{"OSP-E100.MCH", device, "1", "0", "OSP-E100.MCH", device, "1", "0"}));
    }
};

QTEST_MAIN(tst_MachineCommands)
#include "tst_MachineCommands.moc"
