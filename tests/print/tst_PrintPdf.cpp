#include "core/AppState.h"
#include "platform/FontSubstitutes.h"
#include "platform/QtPrintSurface.h"
#include "print/PrintCommands.h"
#include "support/ListedRows.h"
#include "support/PdfText.h"
#include "support/PermissionsEnforced.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/ScriptedPrintDialogs.h"
#include "support/TestDir.h"

#include <QDir>
#include <QTest>

// A listing through Qt's printer into a real PDF, as it goes when no printer is installed.
class tst_PrintPdf : public QObject {
    Q_OBJECT

private slots:
    void twoColumnListingReadsBack()
    {
        FontSubstitutes::install();
        TestDir folder;
        QByteArray program;
        for (int i = 1; i <= 200; ++i)
            program +=
                i == 150 ? QByteArray("(加工 開始)\r\n") : "N" + QByteArray::number(i) + " G01 X12.5\r\n";
        folder.addFile(QStringLiteral("long.min"), program);
        const QString start = QDir::currentPath();
        QDir::setCurrent(folder.path());

        AppState state;
        state.Print.PrintLineNo = 2;
        ListedRows rows;
        rows.list = {{QStringLiteral("LONG.MIN"), QStringLiteral("long.min"), true, false}};
        QtPrintSurface printer(QtPrintSurface::Target::Pdf, folder.filePath(QStringLiteral("Documents")));
        ScriptedPrintDialogs dialogs;
        ScriptedMessageBoxes messages;
        LinesLog log;
        PrintCommands commands(state, rows, printer, dialogs, messages, log, nullptr);
        commands.mnuFilePrint_Click();
        commands.mnuFilePrint_Click(); // an earlier listing is kept
        QDir::setCurrent(start);

        const QString pdf = folder.filePath(QStringLiteral("Documents/LONG.MIN.pdf"));
        QCOMPARE(log.lines,
                 (QStringList{"LONG.MINを印刷中です...",
                              "プリンターがないため'" + folder.filePath("Documents/LONG.MIN (2).pdf") +
                                  "'に保存しました。",
                              "印刷が終了しました。"}));
        const QStringList pages = pdfPages(pdf);
        QCOMPARE(pages.size(), 2);
        const QString date = QDate::currentDate().toString(QStringLiteral("yyyy.MM.dd"));
        QVERIFY2(
            pages[0].contains(QRegularExpression(QStringLiteral("更新日 %1 +LONG.MIN +Page 1\n").arg(date))),
            qPrintable(pages[0].left(300)));
        QVERIFY2(pages[1].contains(QStringLiteral("Page 2")), qPrintable(pages[1].left(300)));
        // Two columns: the first line and the one after the first column's end share a printed line.
        QVERIFY(pages[0].contains(QRegularExpression(QStringLiteral("^ *N1 G01 X12.5 +N\\d+ G01 X12.5$"),
                                                     QRegularExpression::MultilineOption)));
        QVERIFY(pages.join(QString()).contains(QStringLiteral("(加工 開始)")));
        QVERIFY(pages.join(QString()).contains(QStringLiteral("N200 G01 X12.5")));
    }

    // A listing that cannot be saved says why.
    void aListingThatCannotBeSavedSaysWhy()
    {
        TestDir folder;
        folder.addFile(QStringLiteral("a.min"), "G0\r\n");
        const QString documents = folder.addFolder(QStringLiteral("Documents"));
        QFile::setPermissions(documents, QFile::ReadOwner | QFile::ExeOwner);
        const QString start = QDir::currentPath();
        QDir::setCurrent(folder.path());
        AppState state;
        ListedRows rows;
        rows.list = {{QStringLiteral("A.MIN"), QStringLiteral("a.min"), true, false}};
        QtPrintSurface printer(QtPrintSurface::Target::Pdf, documents);
        ScriptedPrintDialogs dialogs;
        ScriptedMessageBoxes messages;
        LinesLog log;
        PrintCommands commands(state, rows, printer, dialogs, messages, log, nullptr);
        {
            const PermissionsEnforced enforced;
            commands.mnuFilePrint_Click();
        }
        QDir::setCurrent(start);
        QFile::setPermissions(documents, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(log.lines, (QStringList{"A.MINを印刷中です...", "A.MINを印刷出来ませんでした。",
                                         "'" + QDir(documents).filePath("A.MIN.pdf") +
                                             "'に書き込めません。アクセスが拒否されました。"}));
    }
};

QTEST_MAIN(tst_PrintPdf)
#include "tst_PrintPdf.moc"
