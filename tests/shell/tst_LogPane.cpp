// SPDX-License-Identifier: GPL-2.0-or-later
#include "shell/LogPane.h"
#include "support/MainWindowFixture.h"

namespace {

QStringList linesOf(const LogPane &pane)
{
    return pane.toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

// The log pane keeps the latest lines, each no longer than a person reads.
class tst_LogPane : public QObject {
    Q_OBJECT

private slots:
    void aLongLineIsCutBetweenWholeCharacters_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("shown");
        const QString a998(998, u'a'), pair = QStringLiteral("\U0001F600"), mark = QStringLiteral("…");
        QTest::newRow("short") << "O1234.MINを読込中です..."
                               << "O1234.MINを読込中です...";
        QTest::newRow("as long as shown") << QString(1000, u'a') << QString(1000, u'a');
        QTest::newRow("one more") << QString(1001, u'a') << QString(999, u'a') + mark;
        QTest::newRow("a surrogate pair across the cut") << a998 + pair + "bc" << a998 + mark;
        QTest::newRow("a surrogate pair before the cut")
            << a998.left(997) + pair + "bc" << a998.left(997) + pair + mark;
        QTest::newRow("a voiced mark after its kana") << a998 + QStringLiteral("か\u3099b") << a998 + mark;
        QTest::newRow("a megabyte") << QString(1 << 20, u'設') << QString(999, u'設') + mark;
    }

    void aLongLineIsCutBetweenWholeCharacters()
    {
        QFETCH(QString, line);
        LogPane pane;
        pane.addLine(line);
        pane.addLine(QStringLiteral("next"));
        QTEST(linesOf(pane).value(0), "shown");
        QCOMPARE(linesOf(pane).value(1), QStringLiteral("next"));
    }

    void theLatestLinesAreKept_data()
    {
        QTest::addColumn<int>("added");
        QTest::newRow("a few") << 3;
        QTest::newRow("as many as kept") << LogPane::MaxLines;
        QTest::newRow("more") << LogPane::MaxLines + 5;
    }

    void theLatestLinesAreKept()
    {
        QFETCH(int, added);
        LogPane pane;
        for (int i = 1; i <= added; ++i)
            pane.addLine(QStringLiteral("line %1").arg(i));
        const QStringList lines = linesOf(pane);
        QCOMPARE(lines.size(), std::min(added, int(LogPane::MaxLines)));
        QCOMPARE(lines.first(), QStringLiteral("line %1").arg(added - lines.size() + 1));
        QCOMPARE(lines.last(), QStringLiteral("line %1").arg(added));
        QCOMPARE(pane.textCursor().position(), pane.document()->characterCount() - 1); // still at the end
    }

    // A huge value remembered from an earlier run or in the settings file reaches the log cut.
    void aHugeSettingAtStartUp_data()
    {
        QTest::addColumn<QString>("remembered");
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("a settings file's name") << QString(1 << 20, u'M') << QByteArray();
        QTest::newRow("a value in the settings file")
            << "BIG.MCH"
            << "FLOW(0:None,1:XonXoff,2:RTS,3:XonXoff2)=" + QByteArray(1 << 20, 'x') + "\r\n";
    }

    void aHugeSettingAtStartUp()
    {
        QFETCH(QString, remembered);
        QFETCH(QByteArray, file);
        MainWindowFixture window;
        window.preset(QStringLiteral("MchFileName"), remembered);
        if (!file.isEmpty())
            window.settingsFile(remembered, file);
        frmMain &form = window.start();
        const QStringList lines = linesOf(*form.Text2);
        QVERIFY2(!lines.isEmpty(), "the failure to read the settings file is logged");
        for (const QString &line : lines)
            QVERIFY(line.size() <= LogPane::MaxLineLength);
        QVERIFY(lines.join(QLatin1Char('\n')).contains(QStringLiteral("…")));
        form.close();
    }
};

QTEST_MAIN(tst_LogPane)
#include "tst_LogPane.moc"
