// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/serial/SerialSettings.h"

#include <QTest>

using Parity = SerialSettings::Parity;
using StopBits = SerialSettings::StopBits;

class tst_SerialSettings : public QObject {
    Q_OBJECT

private slots:
    void goodTextsParseAndReadBack_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("baud");
        QTest::addColumn<Parity>("parity");
        QTest::addColumn<int>("dataBits");
        QTest::addColumn<StopBits>("stopBits");
        QTest::addColumn<QString>("readBack");
        // clang-format off
        QTest::newRow("usual") << "4800,E,7,2" << 4800 << Parity::Even << 7 << StopBits::Two << "4800,e,7,2";
        QTest::newRow("one and a half") << "9600,N,8,1.5" << 9600 << Parity::None << 8 << StopBits::OneAndHalf << "9600,n,8,1.5";
        QTest::newRow("lower-case parity") << "2400,o,8,1" << 2400 << Parity::Odd << 8 << StopBits::One << "2400,o,8,1";
        QTest::newRow("blanks around every piece") << " 19200 , M , 5 , 1 " << 19200 << Parity::Mark << 5 << StopBits::One << "19200,m,5,1";
        QTest::newRow("space parity, 4 data bits") << "110,S,4,2" << 110 << Parity::Space << 4 << StopBits::Two << "110,s,4,2";
        QTest::newRow("leading zero") << "0300,n,6,1" << 300 << Parity::None << 6 << StopBits::One << "300,n,6,1";
        // clang-format on
    }

    void goodTextsParseAndReadBack()
    {
        QFETCH(QString, text);
        QString error;
        const std::optional<SerialSettings> settings = SerialSettings::parse(text, &error);
        QVERIFY2(settings, qPrintable(error));
        QTEST(int(settings->baudRate()), "baud");
        QTEST(settings->parity(), "parity");
        QTEST(settings->dataBits(), "dataBits");
        QTEST(settings->stopBits(), "stopBits");
        QTEST(settings->toString(), "readBack");
    }

    void badTextsFailNamingThePiece_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("begins");
        // clang-format off
        QTest::newRow("empty") << "" << "設定''は";
        QTest::newRow("too few") << "4800,E,7" << "設定'4800,E,7'は";
        QTest::newRow("too many") << "4800,E,7,2,1" << "設定'4800,E,7,2,1'は";
        QTest::newRow("no baud") << ",E,7,2" << "設定にボーレートが";
        QTest::newRow("letters for baud") << "abc,E,7,2" << "ボーレート'abc'は";
        QTest::newRow("zero baud") << "0,E,7,2" << "ボーレート'0'は";
        QTest::newRow("signed baud") << "+4800,E,7,2" << "ボーレート'+4800'は";
        QTest::newRow("baud beyond 32 bits") << "4294967296,E,7,2" << "ボーレート'4294967296'は";
        QTest::newRow("unknown parity") << "4800,X,7,2" << "パリティ'X'は";
        QTest::newRow("parity word") << "4800,Even,7,2" << "パリティ'Even'は";
        QTest::newRow("no parity") << "4800,,7,2" << "設定にパリティが";
        QTest::newRow("9 data bits") << "4800,E,9,2" << "データビット'9'は";
        QTest::newRow("3 stop bits") << "4800,E,7,3" << "ストップビット'3'は";
        QTest::newRow("1.0 stop bits") << "4800,E,7,1.0" << "ストップビット'1.0'は";
        // clang-format on
    }

    void badTextsFailNamingThePiece()
    {
        QFETCH(QString, text);
        QFETCH(QString, begins);
        QString error;
        QVERIFY(!SerialSettings::parse(text, &error));
        QVERIFY2(error.startsWith(begins), qPrintable(error));
    }
};

QTEST_GUILESS_MAIN(tst_SerialSettings)
#include "tst_SerialSettings.moc"
