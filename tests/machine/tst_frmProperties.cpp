// SPDX-License-Identifier: GPL-2.0-or-later
#include "machine/DeviceLabel.h"
#include "machine/frmProperties.h"
#include "support/ScriptedMessageBoxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace {

// A FANUC machine on Com3 at 9600 baud, no parity, 8 data bits, 1.5 stop bits, with a DC1 wait and echo.
PortProperties inForce()
{
    return {3,
            QStringLiteral("9600"),
            QStringLiteral("None"),
            QStringLiteral("8"),
            QStringLiteral("1.5"),
            MachineSettings::FlowMode::DcPacingWaitAfterName,
            MachineSettings::ControllerFamily::Fanuc,
            true};
}

// The option the dialog chose, -1 for none.
template <typename Value> int optionId(std::optional<Value> chosen)
{
    return chosen ? int(*chosen) : -1;
}

// Port n is an adapter's long path, whose end tells the adapters apart; port 5 is a device server.
QString deviceOf(int port)
{
    if (port == 5)
        return QStringLiteral("rfc2217://device-server-17.machine-hall-2.example.lan:4001");
    return QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285B%1-if00-port0").arg(port);
}

QStringList lineShown(const frmProperties &dialog)
{
    return {dialog.cboPort->currentText(), dialog.cboSpeed->currentText(), dialog.cboParity->currentText(),
            dialog.cboDataBits->currentText(), dialog.cboStopBits->currentText()};
}

} // namespace

// The dialog shows the values in force and hands on what the user chose; putting them in force is not its
// part.
class tst_frmProperties : public QObject {
    Q_OBJECT

    ScriptedMessageBoxes m_messages;
    QList<PortProperties> m_applied;
    QString m_refusal;

    frmProperties::Apply recorder()
    {
        return [this](const PortProperties &chosen) {
            m_applied << chosen;
            return m_refusal.isEmpty() ? Outcome() : Outcome::failed(m_refusal);
        };
    }

private slots:
    void init()
    {
        m_messages.shown.clear();
        m_applied.clear();
        m_refusal.clear();
    }

    void showsTheValuesInForceAndHandsOnTheChoice()
    {
        frmProperties dialog(QStringLiteral("MILL.MCH"), inForce(), recorder(), deviceOf, m_messages);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("MILL.MCH"));
        QStringList notes; // the advice on the usual line stands beside the choices
        for (const QLabel *label : dialog.findChildren<QLabel *>())
            notes << label->text();
        QVERIFY(notes.contains(
            QStringLiteral("※ 通常はﾃﾞｰﾀビット7，パリティーEven, ストップビット2にしてください。")));
        for (const QWidget *choice : // every line setting can be seen
             {dialog.cboPort, dialog.cboSpeed, dialog.cboDataBits, dialog.cboParity, dialog.cboStopBits})
            QVERIFY2(choice->isVisibleTo(&dialog), qPrintable(choice->objectName()));
        QCOMPARE(lineShown(dialog), (QStringList{"Com3", "9600", "None", "8", "1.5"}));
        QCOMPARE(dialog.optFlow->checkedId(), 2);
        QCOMPARE(dialog.OptController->checkedId(), 1);
        QCOMPARE(dialog.optEcho->checkedId(), 1);
        // The device follows the port chosen; shown whole where there is room, else without its middle.
        QCOMPARE(dialog.lblDevice->device(), deviceOf(3));
        dialog.cboPort->setCurrentIndex(6);
        QCOMPARE(dialog.lblDevice->toolTip(), deviceOf(7));
        dialog.show();
        dialog.lblDevice->resize(2000, dialog.lblDevice->height());
        QCOMPARE(dialog.lblDevice->text(), deviceOf(7));
        dialog.lblDevice->resize(dialog.lblDevice->minimumWidth(), dialog.lblDevice->height());
        const QString narrow = dialog.lblDevice->text();
        QVERIFY2(narrow.startsWith(QStringLiteral("…/u")) && narrow.count(QChar(0x2026)) == 2 &&
                     deviceOf(7).endsWith(narrow.section(QChar(0x2026), -1)),
                 qPrintable(narrow));
        dialog.cboPort->setCurrentIndex(4); // an address keeps its kind and its port
        dialog.lblDevice->resize(dialog.lblDevice->fontMetrics().horizontalAdvance("rfc2217://device-…:4001"),
                                 dialog.lblDevice->height());
        QVERIFY2(dialog.lblDevice->text().startsWith(QStringLiteral("rfc2217:")) &&
                     dialog.lblDevice->text().endsWith(QStringLiteral(":4001")),
                 qPrintable(dialog.lblDevice->text()));
        dialog.cboPort->setCurrentIndex(2);
        // Tab enters each group of options on its choice: on another, a Space would change the choice.
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QWidgetList stops;
        dialog.cboPort->setFocus();
        int tabs = 0;
        do {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            if (qobject_cast<QRadioButton *>(QApplication::focusWidget()))
                stops << QApplication::focusWidget();
        } while (QApplication::focusWidget() != dialog.cboPort && ++tabs < 30);
        QCOMPARE(stops, (QWidgetList{dialog.OptController->button(1), dialog.optFlow->button(2),
                                     dialog.optEcho->button(1)}));

        dialog.cboSpeed->setCurrentText(QStringLiteral(" 4800 "));
        dialog.cboParity->setCurrentIndex(0);
        dialog.optFlow->button(0)->click();
        dialog.OptController->button(0)->click();
        dialog.optEcho->button(0)->click();
        dialog.cmdOK->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(m_applied.size(), 1);
        const PortProperties &chosen = m_applied[0];
        QCOMPARE(chosen.settingsText(), QStringLiteral("4800,E,8,1.5"));
        QCOMPARE((QList<int>{chosen.port, optionId(chosen.flow), optionId(chosen.controller), chosen.echo}),
                 (QList<int>{3, 0, 0, 0}));
    }

    // A flow mode of 3, a controller of 7 or port 20 have no option: none is chosen, the port stays.
    void aValueWithoutAnOptionChoosesNone()
    {
        PortProperties odd = inForce();
        odd.port = 20;
        odd.flow = MachineSettings::FlowMode(3);
        odd.controller = MachineSettings::ControllerFamily(7);
        odd.parity = QString();
        const frmProperties dialog(QStringLiteral("ODD.MCH"), odd, recorder(), deviceOf, m_messages);
        QCOMPARE(lineShown(dialog), (QStringList{"", "9600", "", "8", "1.5"}));
        QCOMPARE(dialog.lblDevice->device(), deviceOf(20));
        const auto tabStop = [&dialog](int id) {
            return bool(dialog.optFlow->button(id)->focusPolicy() & Qt::TabFocus);
        };
        QVERIFY(tabStop(0) && !tabStop(1) && !tabStop(2)); // Tab enters the group on its first option
        const PortProperties chosen = dialog.chosen();
        QCOMPARE((QList<int>{chosen.port, optionId(chosen.flow), optionId(chosen.controller)}),
                 (QList<int>{20, -1, -1}));
    }

    // A refusal is shown as the port gave it; the user may correct the values or cancel.
    void aRefusalKeepsTheDialogOpen()
    {
        m_refusal = QStringLiteral("データビット'4'は使用できません。5から8にしてください。");
        frmProperties dialog(QStringLiteral("MILL.MCH"), inForce(), recorder(), deviceOf, m_messages);
        dialog.cboDataBits->setCurrentIndex(0);
        dialog.cmdOK->click();
        QCOMPARE(m_applied.size(), 1);
        QCOMPARE(m_applied[0].dataBits, QStringLiteral("4"));
        QCOMPARE(m_messages.shown.size(), 1);
        QCOMPARE(m_messages.shown[0].text, m_refusal);
        QCOMPARE(m_messages.shown[0].icon, MessageBoxes::Icon::Exclamation);
        QCOMPARE(dialog.result(), 0);
        dialog.cmdCancel->click();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(m_applied.size(), 1);
    }
};

QTEST_MAIN(tst_frmProperties)
#include "tst_frmProperties.moc"
