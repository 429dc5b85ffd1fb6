// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/TextLines.h"

#include <QTest>

class tst_TextLines : public QObject {
    Q_OBJECT
private slots:
    void split_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("empty") << QString() << QStringList{""};
        QTest::newRow("every line end") << QStringLiteral("A\nB\rC\r\nD") << QStringList{"A", "B", "C", "D"};
        QTest::newRow("LF CR is two ends") << QStringLiteral("A\n\rB") << QStringList{"A", "", "B"};
        QTest::newRow("final end") << QStringLiteral("A\r\n") << QStringList{"A", ""};
        QTest::newRow("CR at the end") << QStringLiteral("A\r") << QStringList{"A", ""};
    }
    void split()
    {
        QFETCH(QString, text);
        QTEST(TextLines::split(text), "lines");
    }
};

QTEST_GUILESS_MAIN(tst_TextLines)
#include "tst_TextLines.moc"
