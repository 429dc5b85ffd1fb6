// SPDX-License-Identifier: GPL-2.0-or-later
#include "machine/DeviceLabel.h"
#include "machine/MachineSettingsFile.h"
#include "machine/frmProperties.h"
#include "shell/LogPane.h"
#include "shell/MainMenus.h"
#include "shell/MainToolBar.h"
#include "support/MainWindowFixture.h"
#include "support/TestDir.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QPushButton>
#include <QThread>

namespace {

const QByteArray Fanuc = MachineSettingsFile::dialogLayout({1, "9600", "E", "7", "2", 1, "OFF", 1});

bool enabled(const frmMain &form, const char *item)
{
    return form.menus()->item(QLatin1String(item))->isEnabled();
}

} // namespace

// The machine in force as the window's commands and its remembered settings follow it.
class tst_MachineInWindow : public QObject {
    Q_OBJECT

private slots:
    // A machine put in force offers communication; continuous reception follows the controller, also one
    // changed in the parameters dialog. Closing leaves the user's ports alone.
    void theCommandsFollowTheMachineInForce()
    {
        MainWindowFixture window;
        const QString adapter = QStringLiteral("/dev/serial/by-id/usb-Prolific_PL2303-if00-port0");
        window.preset(QStringLiteral("MchFileName"), QString());
        window.preset(QStringLiteral("Ports/COM1"), adapter);
        window.settingsFile(QStringLiteral("FANUC.MCH"), Fanuc);
        frmMain &form = window.start();
        window.fileDialogs.answers = {window.settingsFile(QStringLiteral("FANUC.MCH"))};
        form.menus()->item(QStringLiteral("mnuMachineSelect"))->trigger();
        QVERIFY(enabled(form, "mnuTransOutput") && form.tbToolBar->isEnabled());
        QVERIFY(!enabled(form, "mnuTransInputCont") && !form.tbToolBar->button(3)->isEnabled());

        QString device;
        QTimer::singleShot(0, this, [&device] {
            auto *dialog = qobject_cast<frmProperties *>(QApplication::activeModalWidget());
            device = dialog->lblDevice->device();
            dialog->OptController->button(0)->click();
            dialog->cmdOK->click();
        });
        form.tbToolBar->button(5)->trigger();
        QCOMPARE(device, adapter);
        QVERIFY(enabled(form, "mnuTransInputCont") && form.tbToolBar->button(3)->isEnabled());
        form.close();
        const auto written = window.written();
        written->endGroup();
        QCOMPARE(written->value(QStringLiteral("Ports/COM1")).toString(), adapter);
    }

    // The port lives on the line's thread for the window's life: a machine put in force reaches it there
    // by value, in its turn, and moves it nowhere.
    void aMachinePutInForceReachesThePortOnTheLine()
    {
        MainWindowFixture window;
        window.preset(QStringLiteral("MchFileName"), QString());
        frmMain &form = window.start();
        QThread *line = window.port.thread();
        QVERIFY(line != thread());
        const auto settingsThere = [&window] {
            QString settings;
            QMetaObject::invokeMethod(
                &window.port, [&window] { return window.port.settings(); }, Qt::BlockingQueuedConnection,
                &settings);
            return settings;
        };
        QCOMPARE_NE(settingsThere(), QStringLiteral("9600,e,7,2"));
        window.fileDialogs.answers = {window.settingsFile(QStringLiteral("FANUC.MCH"), Fanuc)};
        form.menus()->item(QStringLiteral("mnuMachineSelect"))->trigger();
        QTRY_COMPARE(settingsThere(), QStringLiteral("9600,e,7,2"));
        QCOMPARE(window.port.thread(), line);
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
        QTest::newRow("given with its folder, one chosen here") << "~/FANUC.MCH" << "MILL.MCH" << "" << "FANUC.MCH" << "MILL.MCH";
        QTest::newRow("given outside the settings folder") << "/FANUC.MCH" << "" << "" << "OSP-E100.MCH" << "OSP-E100.MCH";
        // clang-format on
    }
    void aSecondWindowKeepsItsOwnMachine()
    {
        QFETCH(QString, given);
        QFETCH(QString, chosen);
        QFETCH(QString, meanwhile);
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
        QTEST(window.state.Machine.MchFileName, "inForce");
        QVERIFY(form.Text2->toPlainText().endsWith(
            QStringLiteral("設定ファイル'%1'を読み込みました。\n").arg(window.state.Machine.MchFileName)));
        QCOMPARE(window.messages.shown.size(), outside ? 1 : 0); // the text is the selection's own
        if (!chosen.isEmpty()) {
            window.fileDialogs.answers = {window.settingsFile(chosen)};
            form.menus()->item(QStringLiteral("mnuMachineSelect"))->trigger();
        }
        if (!meanwhile.isEmpty())
            window.preset(QStringLiteral("MchFileName"), meanwhile);
        form.close();
        QTEST(window.written()->value(QStringLiteral("MchFileName")).toString(), "remembered");
    }
};

QTEST_MAIN(tst_MachineInWindow)
#include "tst_MachineInWindow.moc"
