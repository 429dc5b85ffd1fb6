// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/QtTranslations.h"
#include "support/ProjectVersion.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

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

    // A window started for its machine (one menu entry per machine) saves its own values when it closes
    // but leaves the remembered machine to the other windows (which file it runs on: tst_MachineCommands).
    void aWindowStartedForItsMachineLeavesTheRememberedOne()
    {
        QTemporaryDir config;
        const QString file = config.filePath(QStringLiteral("Talvern/Talvern.conf"));
        QSettings(file, QSettings::IniFormat).setValue(QStringLiteral("Settings/MchFileName"), "GONE.MCH");
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        QProcess program;
        program.setProcessEnvironment(environment);
        // The settings folder of a build is the program's own, with OSP-E100.MCH in it.
        program.start(
            QCoreApplication::applicationDirPath() + QStringLiteral("/talvern"),
            {QStringLiteral("--machine"), QStringLiteral("OSP-E100.MCH"), QStringLiteral("--self-test")});
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitCode(), 0);
        const QSettings written(file, QSettings::IniFormat);
        QVERIFY(written.contains(QStringLiteral("Settings/MainWidth"))); // the window's own values, saved
        QCOMPARE(written.value(QStringLiteral("Settings/MchFileName")).toString(),
                 QStringLiteral("GONE.MCH"));
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
