// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/files/NativeName.h"
#include "platform/text/SystemReason.h"
#include "print/PrintSetting.h"
#include "support/PrintRig.h"
#include "support/RecordingPrintSurface.h"
#include "support/TestDir.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>

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

    struct Rig final : PrintRig {
        explicit Rig(const QString &folder) : PrintRig(surface) { state.CurrentFolder = folder; }
        RecordingPrintSurface surface;
    };

private slots:
    void initTestCase()
    {
        folder.addFile(QStringLiteral("o1.min"), "G00 X0\r\nM30\r\n");
        folder.addFile(QStringLiteral("limit.min"), QByteArray(65000, 'N'));
        folder.addFile(QStringLiteral("over.min"), QByteArray(65001, 'N'));
        folder.addFile(QStringLiteral("pic.bmp"), "BM");
        folder.addFolder(QStringLiteral("dir.min"));
        QCOMPARE(::mkfifo(QFile::encodeName(folder.filePath("fifo")), 0644), 0);
        QVERIFY(QFile::link(QStringLiteral("fifo"), folder.filePath("l1")));
        QVERIFY(QFile::link(QStringLiteral("l1"), folder.filePath("pipe.min")));
        // "(ｺﾒﾝﾄ 加工)" as a shop-floor PC writes it, named "加工.sub" in Shift_JIS, and written early on a
        // Japanese morning, when the day in UTC is still the one before.
        folder.addRawFile("\x89\xc1\x8dH.sub", QByteArray("(\xba\xd2\xdd\xc4 \x89\xc1\x8d\x48)\r\n"));
        qputenv("TZ", "JST-9");
        ::tzset();
        const time_t morning = QDateTime(QDate(2024, 3, 9), QTime(5, 0)).toSecsSinceEpoch();
        const timespec times[2] = {{morning, 0}, {morning, 0}};
        QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(folder.path()) + "/\x89\xc1\x8dH.sub", times, 0), 0);
    }

    // Only with a selected current row; in check-box mode the checked rows print too, one job for each
    // printable file. A transfer paused in its wait keeps its log lines and the name of its file.
    void outcomes_data()
    {
        QTest::addColumn<QList<FileRow>>("rows");
        QTest::addColumn<int>("current");
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<QStringList>("documents");
        QTest::addColumn<QString>("name"); // CurrentFileName after
        QTest::addColumn<QString>("shown");
        // clang-format off
        const QStringList earlier = {"earlier line"}, none, o1 = {"O1.MIN"};
        const QString printing = "O1.MINを印刷中です...", done = "印刷が終了しました。";
        QTest::newRow("empty list") << QList<FileRow>{} << 0 << "" << earlier << none << "" << "";
        QTest::newRow("current not selected") << QList<FileRow>{row("O1.MIN", false), row("LIMIT.MIN", true)} << 0 << "" << earlier << none << "" << "";
        QTest::newRow("no current row") << QList<FileRow>{row("O1.MIN", true)} << 1 << "" << earlier << none << "" << "";
        QTest::newRow("one job per printable marked file")
            << QList<FileRow>{row("PIC.BMP", true), row("O1.MIN", true), row("OVER.MIN", false, true), row("LIMIT.MIN", false, true), row("SJIS.SUB", false)} << 0 << "boxes"
            << QStringList{"PIC.BMPはテキストでないので印刷が出来ません。", printing, done, "OVER.MINはサイズが大きすぎるため印刷が出来ません。", "LIMIT.MINを印刷中です...", done}
            << QStringList{"O1.MIN", "LIMIT.MIN"} << "LIMIT.MIN" << "";
        // A file that cannot be read prints nothing, not a page with the header alone: it is said, and why.
        const QString failed = "を印刷出来ませんでした。";
        QTest::newRow("vanished file: no job") << QList<FileRow>{row("GONE.MIN", true)} << 0 << "" << QStringList{"GONE.MINを印刷中です...", "GONE.MIN" + failed, "ファイルまたはフォルダーが見つかりません。"} << none << "GONE.MIN" << "GONE.MIN ファイルが開けません.";
        QTest::newRow("pipe behind two links: no job") << QList<FileRow>{row("PIPE.MIN", true), row("O1.MIN", true)} << 0 << "" << QStringList{"PIPE.MINを印刷中です...", "PIPE.MIN" + failed, "通常のファイルではありません。", printing, done} << o1 << "O1.MIN" << "PIPE.MIN ファイルが開けません.";
        QTest::newRow("folder of the name: no job") << QList<FileRow>{row("DIR.MIN", true)} << 0 << "" << QStringList{"DIR.MINを印刷中です...", "DIR.MIN" + failed, SystemReason::of(EISDIR)} << none << "DIR.MIN" << "DIR.MIN ファイルが開けません.";
        QTest::newRow("saved as PDF") << QList<FileRow>{row("O1.MIN", true)} << 0 << "pdf" << QStringList{printing, "プリンターがないため'/home/op/Documents/O1.MIN.pdf'に保存しました。", done} << o1 << "O1.MIN" << "";
        QTest::newRow("refused") << QList<FileRow>{row("O1.MIN", true)} << 0 << "refuse" << QStringList{printing, "O1.MINを印刷出来ませんでした。", "no paper"} << none << "O1.MIN" << "";
        QTest::newRow("margins too wide: no job") << QList<FileRow>{row("O1.MIN", true)} << 0 << "margin" << QStringList{"余白が広すぎるため印刷が出来ません。"} << none << "" << "";
        QTest::newRow("a transfer waits") << QList<FileRow>{row("O1.MIN", true)} << 0 << "transfer" << QStringList{"earlier line", printing, done} << o1 << "SENDING.MIN" << "";
        // clang-format on
    }

    void outcomes()
    {
        QFETCH(QString, setup);
        Rig rig(folder.path());
        QFETCH(QList<FileRow>, rows);
        QFETCH(int, current);
        rig.rows.list = rows;
        rig.rows.current = current;
        rig.rows.boxes = setup == "boxes";
        rig.surface.pdf = setup == "pdf" ? QStringLiteral("/home/op/Documents/O1.MIN.pdf") : QString();
        rig.surface.refuseBegin = setup == "refuse";
        if (setup == "margin")
            rig.state.Print.LeftMerge = 400;
        rig.state.Transfer.Running = setup == "transfer";
        if (setup == "transfer")
            rig.state.CurrentFileName = QStringLiteral("SENDING.MIN");
        rig.commands.mnuFilePrint_Click();
        QTEST(rig.log.lines, "log");
        QTEST(rig.surface.documents, "documents");
        QTEST(rig.state.CurrentFileName, "name");
        QFETCH(QString, shown);
        QCOMPARE(rig.messages.shown.size(), shown.isEmpty() ? 0 : 1);
        if (!shown.isEmpty()) {
            QCOMPARE(rig.messages.shown[0].text, shown);
            QCOMPARE(rig.messages.shown[0].title, QString());
            QCOMPARE(rig.messages.shown[0].icon, MessageBoxes::Icon::None);
        }
        // Each job ends, and its first page is page 1.
        QCOMPARE(std::count_if(rig.surface.texts.cbegin(), rig.surface.texts.cend(),
                               [](const auto &text) { return text.text == QStringLiteral("Page 1"); }),
                 rig.surface.ended.size());
        QCOMPARE(rig.surface.ended.size(), rig.surface.documents.size());
    }

    void shopFloorTextIsDecodedAndDated()
    {
        Rig rig(folder.path());
        rig.rows.list = {{"加工.SUB", NativeName::fromBytes("\x89\xc1\x8dH.sub"), true}};
        rig.commands.mnuFilePrint_Click();
        QCOMPARE(rig.surface.body(1), QStringList{"(ｺﾒﾝﾄ 加工)"});
        QCOMPARE(rig.surface.texts.constFirst().text, QStringLiteral("更新日 2024.03.09"));
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
        Rig rig(folder.path());
        rig.state.Print.PrintDate = PrintOptions::HeaderDate::Modified;
        rig.rows.list = {row("O1.MIN", true)};
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
        rig.commands.mnuFilePrint_Click(); // the dialog stays open beside the window: the font holds at once
        QCOMPARE(rig.surface.font, QStringLiteral("IPAGothic"));
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
};

QTEST_MAIN(tst_PrintCommands)
#include "tst_PrintCommands.moc"
