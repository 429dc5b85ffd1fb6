// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/AppState.h"
#include "platform/NativeName.h"
#include "print/PrintCommands.h"
#include "print/PrintSetting.h"
#include "support/ListedRows.h"
#include "support/MainWindowFixture.h"
#include "support/RecordingPrintSurface.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/ScriptedPrintDialogs.h"
#include "support/TestDir.h"

#include "browser/FileListView.h"
#include "shell/CommandNames.h"
#include "shell/LogPane.h"
#include "shell/MainMenus.h"
#include "transfer/TransferCommands.h"

#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>

Q_DECLARE_METATYPE(FileRow)

namespace {

FileRow row(const QString &name, bool selected, bool checked = false)
{
    return {name, name.toLower(), selected, checked};
}

} // namespace

// The print command over the marked rows and the print settings dialog, on a recording surface.
class tst_PrintCommands : public QObject {
    Q_OBJECT

    TestDir folder;
    QString start;

    struct Rig {
        AppState state;
        ListedRows rows;
        RecordingPrintSurface surface;
        ScriptedPrintDialogs dialogs;
        ScriptedMessageBoxes messages;
        LinesLog log;
        PrintCommands commands{state, rows, surface, dialogs, messages, log, nullptr};
    };

private slots:
    void initTestCase()
    {
        start = QDir::currentPath();
        QDir::setCurrent(folder.path());
        folder.addFile(QStringLiteral("o1.min"), "G00 X0\r\nM30\r\n");
        folder.addFile(QStringLiteral("limit.min"), QByteArray(65000, 'N'));
        folder.addFile(QStringLiteral("over.min"), QByteArray(65001, 'N'));
        folder.addFile(QStringLiteral("pic.bmp"), "BM");
        // "(ｺﾒﾝﾄ 加工)" as a shop-floor PC writes it
        folder.addFile(QStringLiteral("sjis.sub"), QByteArray("(\xba\xd2\xdd\xc4 \x89\xc1\x8d\x48)\r\n"));
        // ...and named by it in Shift_JIS: "加工.sub"
        folder.addRawFile("\x89\xc1\x8dH.sub", QByteArray("(\xba\xd2\xdd\xc4 \x89\xc1\x8d\x48)\r\n"));
        // Both written early on a Japanese morning, when the day in UTC is still the one before.
        qputenv("TZ", "JST-9");
        ::tzset();
        const time_t morning = QDateTime(QDate(2024, 3, 9), QTime(5, 0)).toSecsSinceEpoch();
        const timespec times[2] = {{morning, 0}, {morning, 0}};
        for (const char *name : {"sjis.sub", "\x89\xc1\x8dH.sub"})
            QCOMPARE(::utimensat(AT_FDCWD, name, times, 0), 0);
    }

    void cleanupTestCase() { QDir::setCurrent(start); }

    void nothingWithoutASelectedCurrentRow_data()
    {
        QTest::addColumn<QList<FileRow>>("rows");
        QTest::addColumn<int>("current");
        QTest::newRow("empty list") << QList<FileRow>{} << 0;
        QTest::newRow("current not selected")
            << QList<FileRow>{row("O1.MIN", false), row("LIMIT.MIN", true)} << 0;
        QTest::newRow("no current row") << QList<FileRow>{row("O1.MIN", true)} << 1;
    }

    void nothingWithoutASelectedCurrentRow()
    {
        QFETCH(QList<FileRow>, rows);
        QFETCH(int, current);
        Rig rig;
        rig.rows.list = rows;
        rig.rows.current = current;
        rig.commands.mnuFilePrint_Click();
        QCOMPARE(rig.log.lines, QStringList{"earlier line"});
        QVERIFY(rig.surface.documents.isEmpty());
    }

    void oneJobPerPrintableMarkedFile()
    {
        Rig rig;
        rig.rows.boxes = true;
        rig.rows.list = {row("PIC.BMP", true), row("O1.MIN", true), row("OVER.MIN", false, true),
                         row("LIMIT.MIN", false, true), row("SJIS.SUB", false)};
        rig.commands.mnuFilePrint_Click();
        QCOMPARE(rig.log.lines,
                 (QStringList{"PIC.BMPはテキストでないので印刷が出来ません。", "O1.MINを印刷中です...",
                              "印刷が終了しました。", "OVER.MINはサイズが大きすぎるため印刷が出来ません。",
                              "LIMIT.MINを印刷中です...", "印刷が終了しました。"}));
        QCOMPARE(rig.surface.documents, (QStringList{"O1.MIN", "LIMIT.MIN"}));
        QCOMPARE(rig.surface.ended.size(), 2);
        QCOMPARE(rig.state.CurrentFileName, QStringLiteral("LIMIT.MIN"));
        // Each job's first page is page 1.
        QCOMPARE(std::count_if(rig.surface.texts.cbegin(), rig.surface.texts.cend(),
                               [](const auto &text) { return text.text == QStringLiteral("Page 1"); }),
                 2);
    }

    void shopFloorTextIsDecodedAndDated_data()
    {
        QTest::addColumn<FileRow>("file");
        QTest::newRow("ascii name") << row("SJIS.SUB", true);
        QTest::newRow("shift_jis name")
            << FileRow{"加工.SUB", NativeName::fromBytes("\x89\xc1\x8dH.sub"), true};
    }

    void shopFloorTextIsDecodedAndDated()
    {
        QFETCH(FileRow, file);
        Rig rig;
        rig.rows.list = {file};
        rig.commands.mnuFilePrint_Click();
        QCOMPARE(rig.surface.body(1), QStringList{"(ｺﾒﾝﾄ 加工)"});
        QCOMPARE(rig.surface.texts.constFirst().text, QStringLiteral("更新日 2024.03.09"));
    }

    void vanishedFileStillEndsItsJob()
    {
        Rig rig;
        rig.rows.list = {row("GONE.MIN", true)};
        rig.commands.mnuFilePrint_Click();
        QCOMPARE(rig.messages.shown.size(), 1);
        QCOMPARE(rig.messages.shown[0].text, QStringLiteral("GONE.MIN ファイルが開けません."));
        QCOMPARE(rig.messages.shown[0].title, QString());
        QCOMPARE(rig.messages.shown[0].icon, MessageBoxes::Icon::None);
        QCOMPARE(rig.surface.ended, QList<int>{1});
        QCOMPARE(rig.log.lines.constLast(), QStringLiteral("印刷が終了しました。"));
    }

    void whereTheJobWentIsLogged()
    {
        Rig rig;
        rig.rows.list = {row("O1.MIN", true)};
        rig.surface.pdf = QStringLiteral("/home/op/Documents/O1.MIN.pdf");
        rig.commands.mnuFilePrint_Click();
        QCOMPARE(rig.log.lines,
                 (QStringList{"O1.MINを印刷中です...",
                              "プリンターがないため'/home/op/Documents/O1.MIN.pdf'に保存しました。",
                              "印刷が終了しました。"}));
        rig.surface.refuseBegin = true;
        rig.commands.mnuFilePrint_Click();
        QCOMPARE(rig.log.lines,
                 (QStringList{"O1.MINを印刷中です...", "O1.MINを印刷出来ませんでした。", "no paper"}));
    }

    void unprintableSettingsStartNoJob()
    {
        Rig rig;
        rig.rows.list = {row("O1.MIN", true)};
        rig.state.Print.LeftMerge = 400;
        rig.commands.mnuFilePrint_Click();
        QCOMPARE(rig.log.lines, QStringList{"余白が広すぎるため印刷が出来ません。"});
        QVERIFY(rig.surface.documents.isEmpty());
    }

    // A transfer paused in its wait keeps its log lines and the name of the file it works on.
    void printingLeavesAWaitingTransferAlone()
    {
        Rig rig;
        rig.rows.list = {row("O1.MIN", true)};
        rig.state.Transfer.Running = true;
        rig.state.CurrentFileName = QStringLiteral("SENDING.MIN");
        rig.commands.mnuFilePrint_Click();
        QCOMPARE(rig.log.lines.constFirst(), QStringLiteral("earlier line"));
        QCOMPARE(rig.state.CurrentFileName, QStringLiteral("SENDING.MIN"));
        QCOMPARE(rig.surface.documents, QStringList{"O1.MIN"});
    }

    void marginValue_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("margin");
        QTest::newRow("half to even down") << "12.5" << 12;
        QTest::newRow("half to even up") << "13.5" << 14;
        QTest::newRow("letters") << "abc" << 0;
        QTest::newRow("unit after") << "7mm" << 7;
        QTest::newRow("blanks ignored") << " 1 5 " << 15;
        QTest::newRow("negative") << "-3" << -3;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("exponent") << "1e2" << 100;
        QTest::newRow("beyond the range") << "99999999999" << std::numeric_limits<qint32>::max();
    }

    void marginValue()
    {
        QFETCH(QString, text);
        QTEST(PrintSetting::marginValue(text), "margin");
    }

    void dialogTakesFontAndOrientationAtOnceTheRestOnOk()
    {
        Rig rig;
        rig.state.Print.PrintDate = PrintOptions::HeaderDate::Modified;
        rig.commands.mnuFilePrinterSetup_Click();
        PrintSetting *dialog = rig.commands.dialog();
        QVERIFY(dialog->isVisible() && !dialog->isModal());
        QCOMPARE(dialog->windowTitle(), QStringLiteral("プリント設定"));
        QVERIFY(dialog->Option1->isChecked() && dialog->Option5->isChecked());
        QCOMPARE(dialog->Text1->text(), QStringLiteral("10"));

        dialog->Command2->click(); // cancelled
        dialog->Command1->click(); // cancelled
        QCOMPARE(rig.state.Print.PrintFontName, QStringLiteral("ＭＳ 明朝"));
        QCOMPARE(rig.state.Print.PrinterOrientation, PageOrientation::Portrait);
        rig.dialogs.font_ = PrintDialogs::Font{QStringLiteral("IPAGothic"), 10.5};
        dialog->Command2->click();
        rig.dialogs.orientation_ = PageOrientation::Landscape;
        dialog->Command1->click();
        QCOMPARE(rig.dialogs.asked,
                 (QStringList{"font ＭＳ 明朝 11", "page setup 1", "font ＭＳ 明朝 11", "page setup 1"}));
        dialog->Text1->setText(QStringLiteral("25"));
        dialog->Option2->setChecked(true);
        dialog->Command4->click();
        QVERIFY(!dialog->isVisible());
        QCOMPARE(rig.state.Print.PrintFontName, QStringLiteral("IPAGothic"));
        QCOMPARE(rig.state.Print.PrintFontSize, 10);
        QCOMPARE(rig.state.Print.PrinterOrientation, PageOrientation::Landscape);
        QCOMPARE(rig.state.Print.LeftMerge, 10);
        QCOMPARE(rig.state.Print.PrintLineNo, PrintOptions::Columns::One);

        rig.state.Print.PrintLineNo = PrintOptions::Columns(3); // neither option: left as it is
        rig.commands.mnuFilePrinterSetup_Click();
        QCOMPARE(rig.commands.dialog(), dialog);
        QVERIFY(!dialog->Option1->isChecked() && !dialog->Option2->isChecked());
        QCOMPARE(dialog->Text1->text(), QStringLiteral("10"));
        dialog->Text1->setText(QStringLiteral("13.5"));
        dialog->Text2->setText(QStringLiteral("x"));
        dialog->Option4->setChecked(true);
        dialog->Command3->click();
        QCOMPARE(rig.state.Print.LeftMerge, 14);
        QCOMPARE(rig.state.Print.RightMerge, 0);
        QCOMPARE(rig.state.Print.PrintLineNo, PrintOptions::Columns(3));
        QCOMPARE(rig.state.Print.PrintDate, PrintOptions::HeaderDate::Printed);
    }

    // The dialog stays open beside the window; a print meanwhile uses the settings as they stand.
    void windowPrintsWhileTheDialogIsOpen()
    {
        MainWindowFixture window;
        window.preset(QStringLiteral("OpenPathName"), folder.path());
        frmMain &form = window.start();
        form.menus()->item(CommandNames::mnuFilePrinterSetup)->trigger();
        PrintSetting *dialog = form.print()->dialog();
        QVERIFY(dialog->isVisible());
        window.printDialogs.font_ = PrintDialogs::Font{QStringLiteral("IPAGothic"), 9.5};
        dialog->Command2->click();
        dialog->Text1->setText(QStringLiteral("30")); // not applied before OK
        form.lvListView->setCurrentItem(form.lvListView->topLevelItem(0));
        form.lvListView->topLevelItem(0)->setSelected(true);
        form.menus()->item(CommandNames::mnuFilePrint)->trigger();
        QVERIFY(dialog->isVisible());
        QCOMPARE(window.recordingPrinter.font, QStringLiteral("IPAGothic"));
        QCOMPARE(window.recordingPrinter.points, 10);
        QCOMPARE(window.recordingPrinter.documents, QStringList{"LIMIT.MIN"});
        // The pop-up item and toolbar button 16 print the same.
        form.menus()->item(CommandNames::mnuPopupPrint)->trigger();
        form.tbToolBar_ButtonClick(QStringLiteral("Print"));
        QCOMPARE(window.recordingPrinter.documents.size(), 3);
        QCOMPARE(window.recordingPrinter.lines.constFirst().x1, 10.0);
        QCOMPARE(form.Text2->toPlainText(),
                 QStringLiteral("LIMIT.MINを印刷中です...\n印刷が終了しました。\n"));
    }

    // The window stays live while a reception waits: a print then leaves the reception's log lines and
    // its file alone, and the reception goes on.
    void printingWhileAReceptionWaits()
    {
        MainWindowFixture window;
        window.useScriptedPort = true;
        window.preset(QStringLiteral("OpenPathName"), folder.path());
        frmMain &form = window.start();
        form.lvListView->setCurrentItem(form.lvListView->topLevelItem(0));
        form.lvListView->topLevelItem(0)->setSelected(true);
        window.punchOnceListening("$NEW.MIN%\r\nG0 X1\r\n", [&] {
            QVERIFY(QTest::qWaitFor([&] { return form.Text2->toPlainText().contains(QStringLiteral("読込中")); }));
            form.menus()->item(CommandNames::mnuFilePrint)->trigger();
            window.scriptedPort.feed("M30\r\n%");
        });
        form.menus()->item(CommandNames::mnuTransInput)->trigger();
        QTRY_VERIFY(!form.transfer()->running());
        QCOMPARE(window.recordingPrinter.documents, QStringList{"LIMIT.MIN"});
        QVERIFY(form.Text2->toPlainText().indexOf(QStringLiteral("LIMIT.MINを印刷中です...")) > 0);
        QFile received(folder.filePath(QStringLiteral("NEW.MIN")));
        QVERIFY(received.open(QIODevice::ReadOnly));
        QCOMPARE(received.readAll(), QByteArray("G0 X1\r\nM30\r\n"));
    }
};

QTEST_MAIN(tst_PrintCommands)
#include "tst_PrintCommands.moc"
