#include "machine/MachineSettingsFile.h"
#include "machine/frmProperties.h"
#include "platform/QtSerialPort.h"
#include "shell/AppState.h"
#include "shell/LogPane.h"
#include "shell/MainStatusBar.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/TestDir.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QTest>

// The properties dialog over a real, closed serial port and a real settings file.
class tst_frmProperties : public QObject {
    Q_OBJECT

private:
    struct Rig {
        TestDir folder;
        AppState state;
        QtSerialPort port;
        ScriptedMessageBoxes messages;
        LogPane log;
        MainStatusBar status;
        Rig(int commPort, const QString &settings)
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
    };

private slots:
    void showsTheValuesInForce_data()
    {
        QTest::addColumn<int>("commPort");
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("speed");
        QTest::addColumn<QString>("parity");
        QTest::addColumn<QString>("dataBits");
        QTest::addColumn<QString>("stopBits");
        QTest::newRow("new file") << 1 << "4800,E,7,2"
                                  << "Com1"
                                  << "4800"
                                  << "Even"
                                  << "7"
                                  << "2";
        QTest::newRow("one and a half") << 3 << "9600,N,8,1.5"
                                        << "Com3"
                                        << "9600"
                                        << "None"
                                        << "8"
                                        << "1.5";
        QTest::newRow("six-digit speed") << 16 << "115200,O,8,1"
                                         << "Com16"
                                         << "115200"
                                         << "Odd"
                                         << "8"
                                         << "1";
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
        QTEST(dialog.cboPort->currentText(), "port");
        QTEST(dialog.cboSpeed->currentText(), "speed");
        QTEST(dialog.cboParity->currentText(), "parity");
        QTEST(dialog.cboDataBits->currentText(), "dataBits");
        QTEST(dialog.cboStopBits->currentText(), "stopBits");
        QCOMPARE(dialog.optFlow->checkedId(), 2);
        QCOMPARE(dialog.OptController->checkedId(), 1);
        QCOMPARE(dialog.optEcho->checkedId(), 1);
        QCOMPARE(dialog.optFlow->button(1)->toolTip(), QStringLiteral("FANUCやOSPの一般的な設定"));
    }

    void okAppliesWritesAndReports()
    {
        Rig rig(1, QStringLiteral("4800,E,7,2"));
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
        MachineSettingsFile::Values written;
        written.port = 3;
        written.baud = QStringLiteral("9600");
        written.parity = QStringLiteral("N");
        written.dataBits = QStringLiteral("7");
        written.stopBits = QStringLiteral("2");
        written.flow = 1;
        written.echo = QStringLiteral("ON");
        written.controller = 1;
        QCOMPARE(rig.file(), MachineSettingsFile::dialogLayout(written));
        QCOMPARE(rig.status.settingsText(), QStringLiteral("現在の設定:FANUC, COM3:9600,n,7,2"));
        QCOMPARE(rig.log.toPlainText(), QStringLiteral("設定ファイル'MILL.MCH'に書き込みました。\n"));
    }

    void cancelKeepsControllerAndFlowButNotEcho()
    {
        Rig rig(1, QStringLiteral("4800,E,7,2"));
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
        QVERIFY(rig.log.toPlainText().isEmpty());
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
        Rig rig(1, QStringLiteral("4800,E,7,2"));
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
        Rig rig(1, QStringLiteral("4800,E,7,2"));
        QFile::setPermissions(rig.folder.filePath(QStringLiteral("MILL.MCH")), QFile::ReadOwner);
        const QByteArray before = rig.file();
        frmProperties dialog(rig.state, rig.port, rig.messages, rig.log, rig.status);
        dialog.cboSpeed->setCurrentText(QStringLiteral("9600"));
        dialog.cmdOK->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(rig.file(), before);
        const QStringList lines = rig.log.toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0], QStringLiteral("設定ファイル'MILL.MCH'に書き込みを失敗しました。"));
        QCOMPARE(rig.port.settings(), QStringLiteral("9600,e,7,2"));
        QCOMPARE(rig.status.settingsText(), QStringLiteral("ｽﾃｰﾀｽ"));
    }
};

QTEST_MAIN(tst_frmProperties)
#include "tst_frmProperties.moc"
