#include "core/AppState.h"
#include "machine/MachineSettingsFile.h"
#include "machine/frmProperties.h"
#include "platform/QtSerialPort.h"
#include "shell/LogPane.h"
#include "shell/MainStatusBar.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/TestDir.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QPushButton>
#include <QTest>

namespace {

// The properties dialog of MILL.MCH, written in the new layout, over a real, closed serial port.
struct Rig {
    TestDir folder;
    AppState state;
    QtSerialPort port;
    ScriptedMessageBoxes messages;
    LogPane log;
    MainStatusBar status;
    explicit Rig(int commPort = 1, const QString &settings = QStringLiteral("4800,E,7,2"))
    {
        state.ProgramFolder = folder.path();
        state.Machine.MchFileName = QStringLiteral("MILL.MCH");
        state.Machine.Echo = QStringLiteral("OFF");
        state.Machine.Flow = 1;
        folder.addFile(QStringLiteral("MILL.MCH"), MachineSettingsFile::newLayout());
        if (!port.setCommPort(commPort) || !port.setSettings(settings))
            qFatal("the port refused the test's settings");
    }
    QByteArray file() const
    {
        QFile f(folder.filePath(QStringLiteral("MILL.MCH")));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QStringList lines() const { return log.toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts); }
};

} // namespace

class tst_frmProperties : public QObject {
    Q_OBJECT

private slots:
    void showsTheValuesInForce_data()
    {
        QTest::addColumn<int>("commPort");
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QStringList>("shown"); // port, speed, parity, data bits, stop bits
        QTest::newRow("new file") << 1 << "4800,E,7,2" << QStringList{"Com1", "4800", "Even", "7", "2"};
        QTest::newRow("one and a half")
            << 3 << "9600,N,8,1.5" << QStringList{"Com3", "9600", "None", "8", "1.5"};
        QTest::newRow("six-digit speed")
            << 16 << "115200,O,8,1" << QStringList{"Com16", "115200", "Odd", "8", "1"};
    }

    void showsTheValuesInForce()
    {
        QFETCH(int, commPort);
        QFETCH(QString, settings);
        Rig rig(commPort, settings);
        rig.state.Machine.Controller = 1;
        rig.state.Machine.Echo = QStringLiteral("ON");
        rig.state.Machine.Flow = 2;
        frmProperties dialog(rig.state, rig.port, rig.messages, rig.log, rig.status);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("MILL.MCH"));
        QTEST((QStringList{dialog.cboPort->currentText(), dialog.cboSpeed->currentText(),
                           dialog.cboParity->currentText(), dialog.cboDataBits->currentText(),
                           dialog.cboStopBits->currentText()}),
              "shown");
        QCOMPARE(dialog.optFlow->checkedId(), 2);
        QCOMPARE(dialog.OptController->checkedId(), 1);
        QCOMPARE(dialog.optEcho->checkedId(), 1);
    }

    void okAppliesWritesAndReports()
    {
        Rig rig;
        frmProperties dialog(rig.state, rig.port, rig.messages, rig.log, rig.status);
        dialog.cboPort->setCurrentIndex(2);
        dialog.cboSpeed->setCurrentText(QStringLiteral(" 9600 "));
        dialog.cboParity->setCurrentIndex(2);
        dialog.optEcho->button(1)->click();
        dialog.OptController->button(1)->click();
        dialog.cmdOK->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(rig.port.commPort(), 3);
        QCOMPARE(rig.port.settings(), QStringLiteral("9600,n,7,2"));
        QCOMPARE(rig.file(), MachineSettingsFile::dialogLayout({3, "9600", "N", "7", "2", 1, "ON", 1}));
        QCOMPARE(rig.status.settingsText(), QStringLiteral("現在の設定:FANUC, COM3:9600,n,7,2"));
        QCOMPARE(rig.lines(), QStringList{"設定ファイル'MILL.MCH'に書き込みました。"});
    }

    void cancelKeepsControllerAndFlowButNotEcho()
    {
        Rig rig;
        const QByteArray before = rig.file();
        frmProperties dialog(rig.state, rig.port, rig.messages, rig.log, rig.status);
        dialog.OptController->button(1)->click();
        dialog.optFlow->button(0)->click();
        dialog.optEcho->button(1)->click();
        dialog.cboPort->setCurrentIndex(5);
        dialog.cmdCancel->click();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(rig.state.Machine.Controller, qint16(1));
        QCOMPARE(rig.state.Machine.Flow, qint16(0));
        QCOMPARE(rig.state.Machine.Echo, QStringLiteral("OFF"));
        QCOMPARE(rig.port.commPort(), 1);
        QCOMPARE(rig.file(), before);
        QVERIFY(rig.lines().isEmpty());
    }

    void refusedValuesKeepTheDialogOpen_data()
    {
        QTest::addColumn<QString>("speed");
        QTest::addColumn<QString>("stopBits");
        QTest::newRow("empty speed") << ""
                                     << "2";
        QTest::newRow("speed not a number") << "fast"
                                            << "2";
        QTest::newRow("stop bits unknown") << "4800"
                                           << "3";
    }

    void refusedValuesKeepTheDialogOpen()
    {
        QFETCH(QString, speed);
        QFETCH(QString, stopBits);
        Rig rig;
        const QByteArray before = rig.file();
        frmProperties dialog(rig.state, rig.port, rig.messages, rig.log, rig.status);
        dialog.cboPort->setCurrentIndex(1);
        dialog.cboSpeed->setCurrentText(speed);
        dialog.cboStopBits->setCurrentText(stopBits);
        dialog.cmdOK->click();
        QCOMPARE(rig.messages.shown.size(), 1);
        QCOMPARE(rig.messages.shown[0].icon, MessageBoxes::Icon::Exclamation);
        QVERIFY(!rig.messages.shown[0].text.isEmpty());
        QCOMPARE(dialog.result(), 0);
        QCOMPARE(rig.port.commPort(), 2); // the new port stays set
        QCOMPARE(rig.port.settings(), QStringLiteral("4800,e,7,2"));
        QCOMPARE(rig.file(), before);
    }

    void aWriteFailureIsLoggedAndTheDialogCloses()
    {
        Rig rig;
        QFile::setPermissions(rig.folder.filePath(QStringLiteral("MILL.MCH")), QFile::ReadOwner);
        const QByteArray before = rig.file();
        frmProperties dialog(rig.state, rig.port, rig.messages, rig.log, rig.status);
        dialog.cboSpeed->setCurrentText(QStringLiteral("9600"));
        dialog.cmdOK->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(rig.file(), before);
        QCOMPARE(rig.lines().size(), 2);
        QCOMPARE(rig.lines()[0], QStringLiteral("設定ファイル'MILL.MCH'に書き込みを失敗しました。"));
        QCOMPARE(rig.port.settings(), QStringLiteral("9600,e,7,2"));
        QCOMPARE(rig.status.settingsText(), QStringLiteral("ｽﾃｰﾀｽ"));
    }
};

QTEST_MAIN(tst_frmProperties)
#include "tst_frmProperties.moc"
