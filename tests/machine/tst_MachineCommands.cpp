#include "browser/FileListView.h"
#include "machine/MachineSettingsFile.h"
#include "shell/CommandRouter.h"
#include "shell/LogPane.h"
#include "shell/MainMenus.h"
#include "shell/MainStatusBar.h"
#include "shell/MainToolBar.h"
#include "support/MainWindowFixture.h"
#include "support/TestDir.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QTest>
#include <QTimer>

// Choosing, creating and changing a machine's settings file from the main window.
class tst_MachineCommands : public QObject {
    Q_OBJECT

private:
    static QByteArray contentOf(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    static QStringList log(const frmMain &form)
    {
        return form.Text2->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    static void trigger(const frmMain &form, const char *item)
    {
        form.menus()->item(QLatin1String(item))->trigger();
    }

    static QByteArray fanucFile()
    {
        MachineSettingsFile::Values values;
        values.baud = QStringLiteral("9600");
        values.parity = QStringLiteral("E");
        values.dataBits = QStringLiteral("7");
        values.stopBits = QStringLiteral("2");
        values.flow = 1;
        values.echo = QStringLiteral("OFF");
        values.controller = 1;
        return MachineSettingsFile::dialogLayout(values);
    }

private slots:
    void withoutASettingsFileCommunicationRestsUntilOneIsCreated()
    {
        MainWindowFixture window;
        window.preset(QStringLiteral("MchFileName"), QString());
        frmMain &form = window.start();
        QVERIFY(!form.menus()->item(QStringLiteral("mnuMachinePropaty"))->isEnabled());
        QVERIFY(!form.menus()->item(QStringLiteral("mnuTrans"))->isEnabled());
        QVERIFY(!form.tbToolBar->isEnabled());
        QCOMPARE(form.sbStatusBar->settingsText(), QStringLiteral("ｽﾃｰﾀｽ"));
        QVERIFY(log(form).isEmpty());

        window.fileDialogs.answers = {
            QDir(window.state.ProgramFolder).filePath(QStringLiteral("LATHE-2.MCH"))};
        trigger(form, "mnuMachineNew");
        QCOMPARE(window.fileDialogs.asked.size(), 1);
        QCOMPARE(window.fileDialogs.asked[0].title, QStringLiteral("設定ファイル作成"));
        QCOMPARE(window.fileDialogs.asked[0].folder, window.state.ProgramFolder);
        QCOMPARE(contentOf(QDir(window.state.ProgramFolder).filePath(QStringLiteral("LATHE-2.MCH"))),
                 MachineSettingsFile::newLayout());
        QCOMPARE(window.state.Machine.MchFileName, QStringLiteral("LATHE-2.MCH"));
        QCOMPARE(log(form), (QStringList{"設定ファイル'LATHE-2.MCH'を作成しました。",
                                         "設定ファイル'LATHE-2.MCH'を読み込みました。"}));
        QVERIFY(form.menus()->item(QStringLiteral("mnuMachinePropaty"))->isEnabled());
        QVERIFY(form.menus()->item(QStringLiteral("mnuTrans"))->isEnabled());
        QVERIFY(form.tbToolBar->isEnabled());
        QCOMPARE(form.sbStatusBar->settingsText(), QStringLiteral("現在の設定:OSP,COM1:4800,e,7,2"));
    }

    void newAsksBeforeItOverwritesAMachinesFile()
    {
        MainWindowFixture window;
        frmMain &form = window.start();
        const QString existing = QDir(window.state.ProgramFolder).filePath(QStringLiteral("MILL.MCH"));
        QFile(existing).open(QIODevice::WriteOnly);
        QFile file(existing);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(fanucFile());
        file.close();
        const int logged = int(log(form).size());

        window.fileDialogs.answers = {QDir(window.state.ProgramFolder).filePath(QStringLiteral("mill.mch"))};
        window.messages.answers = {MessageBoxes::Answer::No};
        trigger(form, "mnuMachineNew");
        QCOMPARE(window.messages.shown.size(), 1);
        QCOMPARE(window.messages.shown[0].text,
                 QStringLiteral("mill.mchは既にファイルが存在します。\nファイルを重ね書きしますか？"));
        QCOMPARE(window.messages.shown[0].title, QStringLiteral("設定ファイル作成"));
        QCOMPARE(window.messages.shown[0].icon, MessageBoxes::Icon::Exclamation);
        QCOMPARE(window.messages.shown[0].buttons, MessageBoxes::Buttons::YesNo);
        QCOMPARE(contentOf(existing), fanucFile());
        QCOMPARE(window.state.Machine.MchFileName, QStringLiteral("OSP-E100.MCH"));
        QCOMPARE(log(form).size(), logged);

        window.fileDialogs.answers = {QDir(window.state.ProgramFolder).filePath(QStringLiteral("mill.mch"))};
        window.messages.answers = {MessageBoxes::Answer::Yes};
        trigger(form, "mnuMachineNew");
        QCOMPARE(contentOf(existing), MachineSettingsFile::newLayout());
        QCOMPARE(QDir(window.state.ProgramFolder)
                     .entryList({QStringLiteral("*.mch"), QStringLiteral("*.MCH")})
                     .size(),
                 2);
        QCOMPARE(window.state.Machine.MchFileName, QStringLiteral("MILL.MCH"));
    }

    void aProtectedFileIsNotOverwritten()
    {
        MainWindowFixture window;
        frmMain &form = window.start();
        const QString path = QDir(window.state.ProgramFolder).filePath(QStringLiteral("LOCKED.MCH"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(fanucFile());
        file.close();
        QFile::setPermissions(path, QFile::ReadOwner);
        window.fileDialogs.answers = {path};
        window.messages.answers = {MessageBoxes::Answer::Yes};
        trigger(form, "mnuMachineNew");
        QCOMPARE(contentOf(path), fanucFile());
        QCOMPARE(log(form).at(log(form).size() - 2),
                 QStringLiteral("設定ファイル'LOCKED.MCH'を作成出来ませんでした。"));
    }

    void cancellingChangesNothingAndTheBrowsedFolderStays()
    {
        TestDir browsed;
        TestDir elsewhere;
        MainWindowFixture window;
        window.preset(QStringLiteral("OpenPathName"), browsed.path());
        frmMain &form = window.start();
        const QStringList before = log(form);
        window.fileDialogs.whileOpen = [&] { QDir::setCurrent(elsewhere.path()); };
        for (const char *command : {"mnuMachineNew", "mnuMachineSelect"}) {
            trigger(form, command);
            QCOMPARE(QDir::currentPath(), browsed.path());
        }
        QCOMPARE(window.state.Machine.MchFileName, QStringLiteral("OSP-E100.MCH"));
        QCOMPARE(log(form), before);
        QCOMPARE(window.fileDialogs.asked[1].title, QStringLiteral("設定ファイル選択"));
    }

    void selectingAFanucFileWithdrawsContinuousReception()
    {
        MainWindowFixture window;
        frmMain &form = window.start();
        form.router()->route(QStringLiteral("mnuTransInputCont"), [] {});
        QFile file(QDir(window.state.ProgramFolder).filePath(QStringLiteral("FANUC.MCH")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(fanucFile());
        file.close();

        window.fileDialogs.answers = {file.fileName()};
        trigger(form, "mnuMachineSelect");
        QCOMPARE(window.state.Machine.MchFileName, QStringLiteral("FANUC.MCH"));
        QCOMPARE(form.sbStatusBar->settingsText(), QStringLiteral("現在の設定:FANUC,COM 1:9600,e,7,2"));
        QVERIFY(!form.menus()->item(QStringLiteral("mnuTransInputCont"))->isEnabled());
        QVERIFY(!form.menus()->item(QStringLiteral("mnuPopupInputCont"))->isEnabled());
        QVERIFY(!form.tbToolBar->button(3)->isEnabled());

        window.fileDialogs.answers = {
            QDir(window.state.ProgramFolder).filePath(QStringLiteral("OSP-E100.MCH"))};
        window.state.Machine.Controller = 0; // the OSP file has no controller line of its own
        trigger(form, "mnuMachineSelect");
        QVERIFY(form.menus()->item(QStringLiteral("mnuTransInputCont"))->isEnabled());
        QVERIFY(form.menus()->item(QStringLiteral("mnuPopupInputCont"))->isEnabled());
        QVERIFY(form.tbToolBar->button(3)->isEnabled());
    }

    void theParametersButtonOpensThePropertiesDialog()
    {
        MainWindowFixture window;
        frmMain &form = window.start();
        QString caption;
        QTimer::singleShot(0, this, [&] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (dialog) {
                caption = dialog->windowTitle();
                dialog->reject();
            }
        });
        form.tbToolBar->button(4)->trigger();
        QCOMPARE(caption, QStringLiteral("OSP-E100.MCH"));
    }
};

QTEST_MAIN(tst_MachineCommands)
#include "tst_MachineCommands.moc"
