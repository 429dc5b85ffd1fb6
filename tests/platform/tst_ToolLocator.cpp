// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/system/ToolLocator.h"
#include "support/FakeTools.h"

#include <QFile>
#include <QTest>

namespace {

const QString Excel = QStringLiteral("Program Files/Microsoft Office/Office/EXCEL.EXE");
const QString Excel11 = QStringLiteral("Program Files/Microsoft Office/Office11/EXCEL.EXE");
const QString Word11 = QStringLiteral("Program Files/Microsoft Office/Office11/WINWORD.EXE");

// The program and its arguments; nothing when there is nothing to start.
QStringList line(const ToolLocator::Command &command)
{
    return command.isEmpty() ? QStringList() : QStringList{command.program} + command.arguments;
}

} // namespace

class tst_ToolLocator : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
#if defined(Q_OS_WIN)
        QSKIP("Windows starts the tools from their own paths; there is no prefix to steer");
#endif
    }

    void commands_data()
    {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<QStringList>("installed"); // below drive C when with a slash, else on PATH
        QTest::addColumn<QStringList>("command");   // in the same terms; none when nothing can start

        const QStringList none;
        // clang-format off
        QTest::newRow("Ombrel under Wine") << "Ombrel" << QStringList{"wine", OmbrelExe} << QStringList{"wine", OmbrelExe};
        QTest::newRow("Ombrel without Wine") << "Ombrel" << QStringList{OmbrelExe} << none;
        QTest::newRow("Ombrel not installed") << "Ombrel" << QStringList{"wine", QuorrinExe} << none;
        QTest::newRow("Quorrin") << "Quorrin" << QStringList{"wine", QuorrinExe} << QStringList{"wine", QuorrinExe};
        QTest::newRow("Laskar") << "Laskar" << QStringList{"wine", LaskarExe} << QStringList{"wine", LaskarExe};
        // A gedit that cannot run is always there, and does not count.
        QTest::newRow("Notepad: mousepad before kate") << "Notepad" << QStringList{"kate", "xdg-open", "mousepad"} << QStringList{"mousepad"};
        QTest::newRow("Notepad: no known editor") << "Notepad" << QStringList{"notepad", "xdg-open"} << QStringList{"xdg-open"};
        QTest::newRow("Excel: first choice") << "Excel" << QStringList{"wine", Excel, Excel11, "libreoffice"} << QStringList{"wine", Excel};
        QTest::newRow("Excel: Office without Wine") << "Excel" << QStringList{Excel, "libreoffice", "localc"} << QStringList{"libreoffice", "--calc"};
        QTest::newRow("Excel: Calc alone") << "Excel" << QStringList{"localc", "lowriter"} << QStringList{"localc"};
        QTest::newRow("Word: second choice") << "Word" << QStringList{"wine", Excel, Word11} << QStringList{"wine", Word11};
        QTest::newRow("Word: Office without Wine") << "Word" << QStringList{Word11, "libreoffice"} << QStringList{"libreoffice", "--writer"};
        QTest::newRow("Word: Writer alone") << "Word" << QStringList{"localc", "lowriter"} << QStringList{"lowriter"};
        QTest::newRow("Word: none") << "Word" << QStringList{"wine", Excel, "localc"} << none;
        // clang-format on
    }

    void commands()
    {
        QFETCH(QString, tool);
        QFETCH(QStringList, installed);
        QFETCH(QStringList, command);
        FakeTools fake;
        fake.install({"gedit"}, false);
        fake.install(installed);
        const ToolLocator tools(fake.environment());
        const QMap<QString, ToolLocator::Command> found = {
            {"Ombrel", tools.ombrel()},   {"Quorrin", tools.quorrin()}, {"Laskar", tools.laskar()},
            {"Notepad", tools.notepad()}, {"Excel", tools.excel()},     {"Word", tools.word()}};
        QCOMPARE(line(found.value(tool)), fake.expand(command));
        if (tool == QLatin1String("Ombrel"))
            QCOMPARE(tools.ombrelExists(), !command.isEmpty());
    }

    void anEmptyPrefixMeansDotWineInTheHomeFolder()
    {
        FakeTools fake;
        fake.install({"wine", OmbrelExe}); // in the prefix that is not used
        TestDir home;
        home.addFolder(QStringLiteral(".wine/drive_c/Program Files/Quorrin"));
        const QString quorrin = home.addFile(QStringLiteral(".wine/drive_c/") + QuorrinExe);
        QProcessEnvironment environment = fake.environment();
        environment.insert(QStringLiteral("HOME"), home.path());
        environment.insert(QStringLiteral("WINEPREFIX"), QString());
        const ToolLocator tools(environment);
        QCOMPARE(tools.quorrin().arguments, QStringList{quorrin});
        QVERIFY(!tools.ombrelExists());
    }

    // The program's own PATH must not stand in for the one it was given.
    void withoutAPathThereIsNoEditor()
    {
        FakeTools fake;
        fake.install({"gedit", "xdg-open"});
        QProcessEnvironment environment = fake.environment();
        const QByteArray ownPath = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(environment.value(QStringLiteral("PATH"))));
        environment.remove(QStringLiteral("PATH"));
        const ToolLocator::Command notepad = ToolLocator(environment).notepad();
        qputenv("PATH", ownPath);
        QCOMPARE(line(notepad), QStringList());
        QVERIFY2(notepad.missing.endsWith(QStringLiteral("もPATH（）のどのフォルダーにもありません。")),
                 qPrintable(notepad.missing));
    }

    // What is not there says where it was looked for: the file in the prefix, else the PATH.
    void aMissingToolSaysWhere_data()
    {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<QStringList>("installed");
        QTest::addColumn<QString>("missing"); // {C} drive C
        // clang-format off
        QTest::newRow("Ombrel not installed") << "Ombrel" << QStringList{"wine"} << "Ombrelは'{C}/Program Files/Ombrel/Ombrel.exe'にありません。";
        QTest::newRow("Laskar without Wine") << "Laskar" << QStringList{LaskarExe} << "Laskarを動かすwineがPATH（{PATH}）のどのフォルダーにもありません。";
        QTest::newRow("no editor, no opener") << "Notepad" << QStringList{"notepad"}
            << "テキストエディター（gnome-text-editor、gedit、mousepad、pluma、xed、kate、kwrite、featherpad、leafpad）もxdg-openもPATH（{PATH}）のどのフォルダーにもありません。";
        QTest::newRow("no Word") << "Word" << QStringList{"wine", "localc"}
            << "WINWORDは'{C}/Program Files/Microsoft Office/Office/WINWORD.EXE'にありません。\n"
               "WINWORDは'{C}/Program Files/Microsoft Office/Office11/WINWORD.EXE'にありません。\n"
               "libreofficeもlowriterもPATH（{PATH}）のどのフォルダーにもありません。";
        // clang-format on
    }
    void aMissingToolSaysWhere()
    {
        QFETCH(QString, tool);
        QFETCH(QStringList, installed);
        FakeTools fake;
        fake.install(installed);
        const ToolLocator tools(fake.environment());
        const ToolLocator::Command command = tool == "Ombrel"    ? tools.ombrel()
                                             : tool == "Laskar"  ? tools.laskar()
                                             : tool == "Notepad" ? tools.notepad()
                                                                 : tools.word();
        QVERIFY(command.isEmpty());
        QFETCH(QString, missing);
        missing.replace(QStringLiteral("{C}"), fake.driveC({}).chopped(1))
            .replace(QStringLiteral("{PATH}"), fake.environment().value(QStringLiteral("PATH")));
        QCOMPARE(command.missing, missing);
    }
};

QTEST_MAIN(tst_ToolLocator)
#include "tst_ToolLocator.moc"
