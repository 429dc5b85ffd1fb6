// SPDX-License-Identifier: GPL-2.0-or-later
#include "ControllerSimulator.h"
#include "platform/SerialDriverState.h"

#include <QTest>

// A pty is a device that quietly sets up 8 bits without parity, whatever it is asked.
class tst_SerialDriverState : public QObject {
    Q_OBJECT

private slots:
    void changesTheDriverMadeAreNamed_data()
    {
        QTest::addColumn<QSerialPort::DataBits>("dataBits");
        QTest::addColumn<QSerialPort::Parity>("parity");
        QTest::addColumn<QSerialPort::StopBits>("stopBits");
        QTest::addColumn<QStringList>("changed");
        // clang-format off
        QTest::newRow("8N2 kept") << QSerialPort::Data8 << QSerialPort::NoParity << QSerialPort::TwoStop << QStringList();
        QTest::newRow("7E2") << QSerialPort::Data7 << QSerialPort::EvenParity << QSerialPort::TwoStop << QStringList{"データビット", "パリティ"};
        QTest::newRow("8 mark") << QSerialPort::Data8 << QSerialPort::MarkParity << QSerialPort::OneStop << QStringList{"パリティ"};
        QTest::newRow("5 bits") << QSerialPort::Data5 << QSerialPort::NoParity << QSerialPort::OneStop << QStringList{"データビット"};
        // clang-format on
    }

    void changesTheDriverMadeAreNamed()
    {
        QFETCH(QSerialPort::DataBits, dataBits);
        QFETCH(QSerialPort::Parity, parity);
        QFETCH(QSerialPort::StopBits, stopBits);
#if !defined(Q_OS_LINUX)
        QSKIP("Only Linux drivers are looked at");
#endif
        ControllerSimulator line;
        QVERIFY2(line.openPseudoTerminal(), qPrintable(line.errorString()));
        QSerialPort port(line.slavePath());
        port.setDataBits(dataBits);
        port.setParity(parity);
        port.setStopBits(stopBits);
        QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
        QTEST(SerialDriverState(port.handle()).changedBy(port), "changed");
    }
};

QTEST_GUILESS_MAIN(tst_SerialDriverState)
#include "tst_SerialDriverState.moc"
