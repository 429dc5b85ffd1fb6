// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/MarkedRows.h"

#include <QTest>

Q_DECLARE_METATYPE(MarkedRows::Rule)

// Every combination of selection and check, in list order.
static const QList<FileRow> Rows = {
    {QStringLiteral("NONE"), QStringLiteral("none"), false, false},
    {QStringLiteral("SELECTED"), QStringLiteral("selected"), true, false},
    {QStringLiteral("CHECKED"), QStringLiteral("checked"), false, true},
    {QStringLiteral("BOTH"), QStringLiteral("both"), true, true},
};

class tst_MarkedRows : public QObject {
    Q_OBJECT
private slots:
    void of_data()
    {
        QTest::addColumn<MarkedRows::Rule>("rule");
        QTest::addColumn<bool>("checkBoxes");
        QTest::addColumn<QStringList>("taken");

        using Rule = MarkedRows::Rule;
        QTest::newRow("copy") << Rule::Copy << false << QStringList{"selected", "both"};
        QTest::newRow("copy, check boxes") << Rule::Copy << true << QStringList{"checked", "both"};
        QTest::newRow("action") << Rule::Action << false << QStringList{"selected", "both"};
        QTest::newRow("action, check boxes")
            << Rule::Action << true << QStringList{"selected", "checked", "both"};
        QTest::newRow("send") << Rule::SelectionOnly << false << QStringList{"selected", "both"};
        QTest::newRow("send, check boxes") << Rule::SelectionOnly << true << QStringList{"selected", "both"};
    }
    void of()
    {
        QFETCH(MarkedRows::Rule, rule);
        QFETCH(bool, checkBoxes);
        QFETCH(QStringList, taken);

        QStringList names;
        for (const FileRow &row : MarkedRows::of(Rows, checkBoxes, rule))
            names << row.diskName;
        QCOMPARE(names, taken);
    }
};

QTEST_GUILESS_MAIN(tst_MarkedRows)
#include "tst_MarkedRows.moc"
