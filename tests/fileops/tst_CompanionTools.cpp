// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/AppState.h"
#include "core/FolderListing.h"
#include "fileops/CompanionTools.h"
#include "platform/files/FileProtection.h"
#include "platform/files/NativeFile.h"
#include "support/FakeTools.h"
#include "support/ListedRows.h"
#include "support/RecordingLauncher.h"
#include "support/ScriptedMessageBoxes.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

using Icon = MessageBoxes::Icon;

namespace {

enum Handler { Editor, EditorNew, Commenter, CommenterNew, Checker, DoubleClick };
void (CompanionTools::*const Handlers[])() = {
    &CompanionTools::mnuEditorOpen_Click,    &CompanionTools::mnuEditorNew_Click,
    &CompanionTools::mnuCommenterOpen_Click, &CompanionTools::mnuCommenterNew_Click,
    &CompanionTools::mnuLaskar_Click,        &CompanionTools::OpenListedFile};
// Unselected: the current row is not selected, every other row is; Gone: the file was deleted since the
// refresh; Refused: the launcher fails; NoOmbrel: its program file is missing; NotInstalled: none is.
// clang-format off
enum Flags { Plain, Protected = 1, Unselected = 2, NoCurrentRow = 4, Gone = 8, Refused = 16, NoOmbrel = 32, NotInstalled = 64 };
// clang-format on

// A folder "nc progs" listed and made the current folder, with Wine, Ombrel, Quorrin and Laskar
// installed in a fake Wine prefix.
struct Rig {
    Rig()
    {
        tools.install({"wine", OmbrelExe, QuorrinExe, LaskarExe});
        state.CurrentFolder = folder.addFolder("nc progs");
    }

    void run(Handler handler)
    {
        CompanionTools companions(state, list, boxes, launcher, locator);
        (companions.*Handlers[handler])();
    }
    QList<QStringList> started() const // each start as the program followed by its arguments
    {
        QList<QStringList> lines;
        for (const RecordingLauncher::Started &start : launcher.started)
            lines << QStringList{start.program} + start.arguments;
        return lines;
    }

    TestDir folder;
    FakeTools tools;
    ToolLocator locator{tools.environment()};
    AppState state;
    ListedRows list;
    ScriptedMessageBoxes boxes;
    RecordingLauncher launcher;
};

// file: the bytes of the current row's name on disk, none for an empty list; tools: installed besides Wine
// and the three companions; command: the start expected, without the file; text: the one message expected.
void row(const char *name, Handler handler, const QByteArray &file, int flags, const QStringList &tools,
         const QStringList &command, const QString &text = {}, const QString &title = {},
         Icon icon = Icon::Exclamation)
{
    QTest::newRow(name) << int(handler) << file << flags << tools << command << text << title << icon;
}

} // namespace

// The menu and toolbar commands that open Ombrel, Quorrin and Laskar, and the double-click in the list.
class tst_CompanionTools : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
#if defined(Q_OS_WIN)
        QSKIP("the tools are steered through a Wine prefix, which Windows does not use");
#endif
    }

    void handlers_data()
    {
        QTest::addColumn<int>("handler");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("flags");
        QTest::addColumn<QStringList>("tools");
        QTest::addColumn<QStringList>("command");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("title");
        QTest::addColumn<Icon>("icon");

        // clang-format off
        const QStringList ombrel = {"wine", OmbrelExe}, quorrin = {"wine", QuorrinExe}, laskar = {"wine", LaskarExe};
        const QString noEditor = "ファイルまたはOmbrelが見つかりません。", noCommenter = "ファイルかQuorrinが見つかりません。";
        const QString noChecker = "ファイルまたはLaskarが見つかりません。", editing = "ファイルの編集", error = "エラー";
        const Icon critical = Icon::Critical;
        row("editor, empty list", Editor, {}, Plain, {}, ombrel);
        row("commenter new", CommenterNew, {}, Plain, {}, quorrin);
        row("editor, current row not selected", Editor, "part.min", Unselected, {}, {});
        row("editor, protected", Editor, "part.min", Protected, {}, {}, "PART.MINは保護されているので編集できません。", editing);
        row("editor, not text and protected", Editor, "cam.cof", Protected, {}, {}, "CAM.COFはOmbrelで編集できません。", editing);
        row("commenter, protected", Commenter, "Part.Ssb", Protected, {}, quorrin);
        row("commenter, not text", Commenter, "plan.xls", Plain, {}, {}, "PLAN.XLSはQuorrinで開けません。", error);
        row("checker, not text", Checker, "pic.bmp", Plain, {}, {}, "PIC.BMPはLaskarで開けません。", "Laskar");
        row("double-click, protected", DoubleClick, "lock.txt", Protected, {"gedit"}, {}, "LOCK.TXTは保護されているので編集できません。", editing);
        row("double-click, not selected: Ombrel", DoubleClick, "part.min", Unselected, {"gedit"}, ombrel);
        row("double-click, no Ombrel: Notepad", DoubleClick, "part.min", NoOmbrel, {"gedit"}, {"gedit"});
        row("double-click, no Excel", DoubleClick, "plan.xls", Plain, {"lowriter"}, {}, "エクセルが見つかりません。\n"
            "EXCELは'{C}/Program Files/Microsoft Office/Office/EXCEL.EXE'にありません。\nEXCELは'{C}/Program Files/Microsoft Office/Office11/EXCEL.EXE'にありません。\n"
            "libreofficeもlocalcもPATH（{PATH}）のどのフォルダーにもありません。", {}, Icon::Information);
        row("double-click, Word", DoubleClick, "memo.doc", Plain, {"lowriter", "localc"}, {"lowriter"});
        row("double-click, other file", DoubleClick, "pic.bmp", Plain, {}, {}, "PIC.BMPは編集できません。", editing);
        // A name that is not UTF-8 reaches the tool as its bytes and is shown as Shift_JIS.
        row("double-click, name of stray bytes", DoubleClick, "BAD\xe9.min", Plain, {}, ombrel);
        row("editor, protected Shift_JIS name", Editor, "\x89\xc1\x8dH.min", Protected, {}, {}, "加工.MINは保護されているので編集できません。", editing);
        // Failures: a message for each command, one naming where the tool was looked for when it is not
        // there; the double-click is silent but for a text file with no editor to open it.
        row("editor, no current row", Editor, "part.min", NoCurrentRow, {}, {}, noEditor, error, critical);
        row("double-click, no current row", DoubleClick, "part.min", NoCurrentRow, {}, {});
        row("editor, refused", Editor, "part.min", Refused, {}, ombrel, noEditor, error, critical);
        row("editor, file gone", Editor, "part.min", Gone, {}, {}, noEditor, error, critical);
        row("editor, not installed", Editor, "part.min", NotInstalled, {}, {}, noEditor + "\nOmbrelは'{C}/" + OmbrelExe + "'にありません。", error, critical);
        row("editor new, not installed", EditorNew, {}, NotInstalled, {}, {}, "Ombrelが見つかりません。\nOmbrelは'{C}/" + OmbrelExe + "'にありません。", error);
        row("commenter, empty list, not installed", Commenter, {}, NotInstalled, {}, {}, noCommenter + "\nQuorrinは'{C}/" + QuorrinExe + "'にありません。", error);
        row("commenter new, not installed", CommenterNew, {}, NotInstalled, {}, {}, "Quorrinが見つかりません。\nQuorrinは'{C}/" + QuorrinExe + "'にありません。", error);
        row("double-click, no editor at all", DoubleClick, "part.min", NoOmbrel, {}, {}, "テキストエディターが見つかりません。\n"
            "テキストエディター（gnome-text-editor、gedit、mousepad、pluma、xed、kate、kwrite、featherpad、leafpad）もxdg-openもPATH（{PATH}）のどのフォルダーにもありません。", error);
        row("checker, refused", Checker, "part.min", Refused, {}, laskar, noChecker, error, critical);
        row("double-click, refused", DoubleClick, "part.min", Refused, {}, ombrel);
        row("double-click, workbook refused", DoubleClick, "plan.xls", Refused, {"localc"}, {"localc"});
        row("double-click, file gone", DoubleClick, "part.min", Gone, {}, {});
        // clang-format on
    }

    // The file goes to the program as one argument, its full path with the name's bytes as on disk.
    // The row's name is taken before the file is tested.
    void handlers()
    {
        QFETCH(int, handler);
        QFETCH(QByteArray, file);
        QFETCH(int, flags);
        QFETCH(QStringList, tools);
        QFETCH(QStringList, command);
        Rig rig;
        rig.launcher.succeeds = !(flags & Refused);
        if (flags & NoOmbrel)
            QVERIFY(QFile::remove(rig.tools.driveC(OmbrelExe)));
        if (flags & NotInstalled)
            QVERIFY(QDir(rig.tools.prefix()).removeRecursively());
        rig.tools.install(tools);
        // The file's row is current, selected or not; every other row is selected, so that only the
        // current row's own selection can count.
        const QString name = NativeName::fromBytes(file);
        if (!file.isEmpty()) {
            rig.folder.addFile("nc progs/OTHER.MIN", "G0X0\r\n");
            rig.folder.addRawFile("nc progs/" + file, "G0X0\r\n");
            if (flags & Protected)
                QVERIFY(FileProtection::protect(NativeFile::join(rig.state.CurrentFolder, name)).ok());
        }
        for (const ListedFile &listed : FolderListing::read(rig.state.CurrentFolder)) {
            const bool current = listed.diskName == name;
            if (current)
                rig.list.current = int(rig.list.list.size());
            rig.list.list.append({listed.text, listed.diskName, !current || !(flags & Unselected)});
        }
        if (flags & NoCurrentRow)
            rig.list.current = int(rig.list.list.size());
        if (flags & Gone)
            QVERIFY(NativeFile::remove(NativeFile::join(rig.state.CurrentFolder, name)).ok());

        rig.run(Handler(handler));

        QFETCH(QString, text);
        text.replace(QStringLiteral("{C}"), rig.tools.driveC({}).chopped(1))
            .replace(QStringLiteral("{PATH}"), rig.tools.environment().value(QStringLiteral("PATH")));
        QCOMPARE(rig.boxes.shown.size(), text.isEmpty() ? 0 : 1);
        if (!text.isEmpty()) {
            QCOMPARE(rig.boxes.shown[0].text, text);
            QTEST(rig.boxes.shown[0].title, "title");
            QTEST(rig.boxes.shown[0].icon, "icon");
            QCOMPARE(rig.boxes.shown[0].buttons, MessageBoxes::Buttons::Ok);
        }
        const QByteArray path = QFile::encodeName(rig.state.CurrentFolder) + '/' + file;
        if (!command.isEmpty())
            command = rig.tools.expand(command) +
                      (file.isEmpty() ? QStringList() : QStringList{NativeName::fromBytes(path)});
        QCOMPARE(rig.started(), command.isEmpty() ? QList<QStringList>() : QList<QStringList>{command});
        if (!command.isEmpty() && !file.isEmpty())
            QCOMPARE(rig.launcher.started[0].bytes.last(), path);
        for (const RecordingLauncher::Started &start : rig.launcher.started)
            QCOMPARE(start.folder, QFile::encodeName(rig.state.CurrentFolder)); // the tool works there
        if (!file.isEmpty() && !(flags & (Unselected | NoCurrentRow)))
            QCOMPARE(rig.state.CurrentFileName, NativeName::shown(name).toUpper());
    }

    // Ombrel gets A.MIN in the current folder, whose name has a blank; the program does not create it.
    void theEditorsNewFileIsAMinInTheCurrentFolder()
    {
        Rig rig;
        rig.run(EditorNew);
        const QString newFile = rig.state.CurrentFolder + QStringLiteral("/A.MIN");
        QCOMPARE(rig.started(), QList<QStringList>{rig.tools.expand({"wine", OmbrelExe}) << newFile});
        QVERIFY(rig.boxes.shown.isEmpty());
        QVERIFY(!QFileInfo::exists(newFile));
    }
};

QTEST_MAIN(tst_CompanionTools)
#include "tst_CompanionTools.moc"
