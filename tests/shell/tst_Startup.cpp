// SPDX-License-Identifier: GPL-2.0-or-later
#include "ControllerSimulator.h"
#include "browser/DriveList.h"
#include "browser/FolderList.h"
#include "platform/ui/QtTranslations.h"
#include "shell/LogPane.h"
#include "support/BindMount.h"
#include "support/MainWindowFixture.h"
#include "support/ProjectVersion.h"
#include "support/TestDir.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTextEdit>

class tst_Startup : public QObject {
    Q_OBJECT

private slots:
    // The program answers and ends before it needs a display or reads or writes a setting.
    void informationOptionsAnswerWithoutAWindow_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("begins"); // what the output begins with; "<version>" is the build's
        for (const char *option : {"--version", "-v"})
            QTest::newRow(option) << option << "Talvern <version>\n";
        for (const char *option : {"--help", "-h"})
            QTest::newRow(option) << option << "Usage: ";
    }
    void informationOptionsAnswerWithoutAWindow()
    {
        QFETCH(QString, option);
        QFETCH(QString, begins);
        QTemporaryDir home;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
        environment.insert(QStringLiteral("HOME"), home.path());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QCoreApplication::applicationDirPath() + QStringLiteral("/talvern"), {option});
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        const QString output = QString::fromUtf8(program.readAllStandardOutput());
        QVERIFY2(output.startsWith(begins.replace(QStringLiteral("<version>"), projectVersion())),
                 qPrintable(output));
        QCOMPARE(QDir(home.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList());
    }

    // A window started for its machine (one menu entry per machine) and to listen takes what the
    // machine punches without a click, once its folder is shown (a local one is before the settings
    // file is read). Closed at the session's end, it saves its own values but leaves the remembered
    // machine to the other windows (which file it runs on: tst_MachineCommands).
    void aWindowStartedForItsMachineListensAndLeavesTheRememberedOne()
    {
        ControllerSimulator machine;
        QVERIFY2(machine.openPseudoTerminal(), qPrintable(machine.errorString()));
        QTemporaryDir config; // the folder the window shows, too
        const QString file = config.filePath(QStringLiteral("Talvern/Talvern.conf"));
        QSettings(file, QSettings::IniFormat).setValue(QStringLiteral("Settings/MchFileName"), "GONE.MCH");
        QSettings(file, QSettings::IniFormat)
            .setValue(QStringLiteral("Settings/OpenPathName"), config.path());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        environment.insert(QStringLiteral("TALVERN_COM1"), machine.slavePath());
        QProcess program;
        program.setProcessEnvironment(environment);
        // The settings folder of a build is the program's own, with OSP-E100.MCH in it.
        program.start(
            QCoreApplication::applicationDirPath() + QStringLiteral("/talvern"),
            {QStringLiteral("--machine"), QStringLiteral("OSP-E100.MCH"), QStringLiteral("--listen")});
        machine.punch("LISTEN.MIN", "G0 X1\r\n"); // the simulator's end keeps it until the port is read
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(config.filePath(QStringLiteral("LISTEN.MIN"))), 20000);
        program.terminate();
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitCode(), 0);
        const QSettings written(file, QSettings::IniFormat);
        QVERIFY(written.contains(QStringLiteral("Settings/MainWidth"))); // the window's own values, saved
        QCOMPARE(written.value(QStringLiteral("Settings/MchFileName")).toString(),
                 QStringLiteral("GONE.MCH"));
    }

    // A share whose server has stopped holds up neither the start nor the window: as the remembered
    // folder it is reported not ready and the system drive shown; merely mounted, it is listed unasked.
    void aStoppedShareHoldsNothingUp_data()
    {
        QTest::addColumn<bool>("remembered");
        QTest::newRow("the remembered folder") << true;
        QTest::newRow("merely mounted") << false;
    }
    void aStoppedShareHoldsNothingUp()
    {
        QFETCH(bool, remembered);
        QSKIP_WITHOUT_OWN_MOUNTS();
        TestDir underneath, local;
        BindMount share(underneath.path());
        QVERIFY2(share.failure().isEmpty(), qPrintable(share.failure()));
        const QString localFolder = QDir(local.path()).canonicalPath();
        const StoppedShare stopped(share);
        const LoopGaps gaps;
        MainWindowFixture window;
        const frmMain &form = window.start(remembered ? share.path() : localFolder);
        QVERIFY(form.Drive1->roots().contains(share.path()));
        if (remembered) {
            QTRY_COMPARE_WITH_TIMEOUT(
                form.Text2->toPlainText().count(share.path() + QStringLiteral("の準備が出来ていません。")), 1,
                10000);
            QTRY_COMPARE(form.Dir1->path(), QStringLiteral("/"));
        } else {
            QCOMPARE(form.Dir1->path(), localFolder);
        }
        QCOMPARE(window.state.CurrentFolder, form.Dir1->path());
        QVERIFY2(gaps.longestMs() < 1000, qPrintable(QString::number(gaps.longestMs())));
        QVERIFY(!stopped.wentOnByItself());
    }

    // The program's interface is Japanese, so Qt's own buttons and dialogs are too.
    void qtsOwnTextsAreJapanese()
    {
        QVERIFY(QtTranslations::install(*QCoreApplication::instance()));
        QMessageBox box;
        box.setStandardButtons(QMessageBox::Yes);
        QCOMPARE(box.button(QMessageBox::Yes)->text(), QStringLiteral("はい(&Y)"));

        QFileDialog dialog;
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        const auto *buttons = dialog.findChild<QDialogButtonBox *>();
        QVERIFY(buttons);
        QCOMPARE(buttons->button(QDialogButtonBox::Open)->text(), QStringLiteral("開く(&O)"));
    }
};

QTEST_MAIN(tst_Startup)
#include "tst_Startup.moc"
