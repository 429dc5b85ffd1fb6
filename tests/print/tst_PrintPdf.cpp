// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/print/QtPrintDialogs.h"
#include "platform/print/QtPrintSurface.h"
#include "platform/ui/FontSubstitutes.h"
#include "support/PdfText.h"
#include "support/PermissionsEnforced.h"
#include "support/PrintRig.h"
#include "support/TestDir.h"

#include <QApplication>
#include <QDir>
#include <QFontDialog>
#include <QTest>
#include <QTimer>

// Printing through Qt's own dialogs and printer: a listing into a real PDF, as it goes when no printer
// is installed.
class tst_PrintPdf : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { FontSubstitutes::install(); }

    // The font dialog opens on the family and size a listing prints in, not on the first it lists; OK
    // without a change keeps the name as it was.
    void theFontDialogOpensOnTheFontInForce_data()
    {
        QTest::addColumn<QString>("family");
        QTest::addColumn<int>("points");
        QTest::addColumn<QString>("picked"); // empty: OK as it opened
        QTest::addColumn<QString>("opened");
        QTest::addColumn<QString>("kept");
        QTest::newRow("a name stood in for") << "ＭＳ 明朝" << 11 << ""
                                             << "IPAMincho 11"
                                             << "ＭＳ 明朝 11";
        QTest::newRow("an installed family") << "IPAGothic" << 14 << ""
                                             << "IPAGothic 14"
                                             << "IPAGothic 14";
        QTest::newRow("another picked") << "ＭＳ ゴシック" << 9 << "DejaVu Sans Mono"
                                        << "IPAGothic 9"
                                        << "DejaVu Sans Mono 10";
    }
    void theFontDialogOpensOnTheFontInForce()
    {
        QFETCH(QString, family);
        QFETCH(int, points);
        QFETCH(QString, picked);
        QString opened;
        QTimer::singleShot(0, this, [&] {
            auto *dialog = qobject_cast<QFontDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            const QFont font = dialog->currentFont();
            opened = font.family() + u' ' + QString::number(font.pointSize());
            if (font.bold() || font.italic())
                opened += QStringLiteral(" (styled)");
            if (!picked.isEmpty())
                dialog->setCurrentFont(QFont(picked, 10));
            dialog->accept();
        });
        const std::optional<PrintDialogs::Font> chosen = QtPrintDialogs().font(family, points);
        QTEST(opened, "opened");
        QVERIFY(chosen);
        QTEST(chosen->family + u' ' + QString::number(chosen->points), "kept");
    }

    void twoColumnListingReadsBack()
    {
        TestDir folder;
        QByteArray program;
        for (int i = 1; i <= 200; ++i)
            program +=
                i == 150 ? QByteArray("(加工 開始)\r\n") : "N" + QByteArray::number(i) + " G01 X12.5\r\n";
        folder.addFile(QStringLiteral("long.min"), program);
        QtPrintSurface printer(QtPrintSurface::Target::Pdf, folder.filePath(QStringLiteral("Documents")));
        PrintRig rig(printer);
        rig.state.CurrentFolder = folder.path();
        rig.state.Print.PrintLineNo = PrintOptions::Columns::Two;
        rig.rows.list = {{QStringLiteral("LONG.MIN"), QStringLiteral("long.min"), true, false}};
        rig.commands.mnuFilePrint_Click();
        rig.commands.mnuFilePrint_Click(); // an earlier listing is kept

        const QString pdf = folder.filePath(QStringLiteral("Documents/LONG.MIN.pdf"));
        QCOMPARE(rig.log.lines,
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
        QtPrintSurface printer(QtPrintSurface::Target::Pdf, documents);
        PrintRig rig(printer);
        rig.state.CurrentFolder = folder.path();
        rig.rows.list = {{QStringLiteral("A.MIN"), QStringLiteral("a.min"), true, false}};
        {
            const PermissionsEnforced enforced;
            rig.commands.mnuFilePrint_Click();
        }
        QFile::setPermissions(documents, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(rig.log.lines, (QStringList{"A.MINを印刷中です...", "A.MINを印刷出来ませんでした。",
                                             "'" + QDir(documents).filePath("A.MIN.pdf") +
                                                 "'に書き込めません。アクセスが拒否されました。"}));
    }
};

QTEST_MAIN(tst_PrintPdf)
#include "tst_PrintPdf.moc"
