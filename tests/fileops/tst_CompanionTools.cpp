#include "fileops/CompanionTools.h"
#include "support/CompanionRig.h"

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
enum Flags {
    Plain,
    Protected = 1,
    Unselected = 2,
    NoCurrentRow = 4,
    Gone = 8,
    Refused = 16,
    NoOmbrel = 32,
    NotInstalled = 64
};

const QString Editing = QStringLiteral("ファイルの編集");
const QString Error = QStringLiteral("エラー");
const QString Excel11 = QStringLiteral("Program Files/Microsoft Office/Office11/EXCEL.EXE");

// file: the current row's name on disk, none for an empty list; tools: installed besides Wine and the
// three companions; command: the start expected, without the file; text: the one message expected.
void row(const char *name, Handler handler, const QString &file, int flags, const QStringList &tools,
         const QStringList &command, const QString &text = {}, const QString &title = {},
         Icon icon = Icon::Exclamation)
{
    const QStringList boxes = {CompanionRig::box(text, title, icon)};
    QTest::newRow(name) << int(handler) << file << flags << tools << command
                        << (text.isEmpty() ? QStringList() : boxes);
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
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("flags");
        QTest::addColumn<QStringList>("tools");
        QTest::addColumn<QStringList>("command");
        QTest::addColumn<QStringList>("boxes");

        const QStringList ombrel = {"wine", OmbrelExe}, quorrin = {"wine", QuorrinExe};
        const QStringList laskar = {"wine", LaskarExe};
        const QString noEditor = QStringLiteral("ファイルまたはOmbrelが見つかりません。");
        const QString noCommenter = QStringLiteral("ファイルかQuorrinが見つかりません。");
        const QString noChecker = QStringLiteral("ファイルまたはLaskarが見つかりません。");
        const Icon critical = Icon::Critical;

        row("editor, empty list", Editor, {}, Plain, {}, ombrel);
        row("commenter, empty list", Commenter, {}, Plain, {}, quorrin);
        row("commenter new", CommenterNew, {}, Plain, {}, quorrin);
        row("checker, empty list", Checker, {}, Plain, {}, laskar);
        row("double-click, empty list", DoubleClick, {}, Plain, {}, {});
        row("editor, current row not selected", Editor, "part.min", Unselected, {}, {});
        row("editor, name with blanks", Editor, "my part.min", Plain, {}, ombrel);
        row("editor, protected", Editor, "part.min", Protected, {}, {},
            "PART.MINは保護されているので編集できません。", Editing);
        row("editor, not text and protected", Editor, "cam.cof", Protected, {}, {},
            "CAM.COFはOmbrelで編集できません。", Editing);
        row("commenter, protected", Commenter, "Part.Ssb", Protected, {}, quorrin);
        row("commenter, not text", Commenter, "plan.xls", Plain, {}, {}, "PLAN.XLSはQuorrinで開けません。",
            Error);
        row("checker, protected", Checker, "part.sub", Protected, {}, laskar);
        row("checker, not text", Checker, "pic.bmp", Plain, {}, {}, "PIC.BMPはLaskarで開けません。",
            "Laskar");
        row("double-click, protected", DoubleClick, "lock.txt", Protected, {"gedit"}, {},
            "LOCK.TXTは保護されているので編集できません。", Editing);
        row("double-click, not selected: Ombrel", DoubleClick, "part.min", Unselected, {"gedit"}, ombrel);
        row("double-click, no Ombrel: Notepad", DoubleClick, "part.min", NoOmbrel, {"gedit"}, {"gedit"});
        row("double-click, Excel only in Office11", DoubleClick, "plan.xls", Plain, {Excel11},
            {"wine", Excel11});
        row("double-click, no Excel", DoubleClick, "plan.xls", Plain, {"lowriter"}, {},
            "エクセルが見つかりません。", {}, Icon::Information);
        row("double-click, Word", DoubleClick, "memo.doc", Plain, {"lowriter", "localc"}, {"lowriter"});
        row("double-click, other file", DoubleClick, "pic.bmp", Plain, {}, {}, "PIC.BMPは編集できません。",
            Editing);

        // Failures: a message for each command, silence for the double-click.
        row("editor, no current row", Editor, "part.min", NoCurrentRow, {}, {}, noEditor, Error, critical);
        row("commenter, no current row", Commenter, "part.min", NoCurrentRow, {}, {}, noCommenter, Error);
        row("checker, no current row", Checker, "part.min", NoCurrentRow, {}, {}, noChecker, Error, critical);
        row("double-click, no current row", DoubleClick, "part.min", NoCurrentRow, {}, {});
        row("editor, refused", Editor, "part.min", Refused, {}, ombrel, noEditor, Error, critical);
        row("editor, file gone", Editor, "part.min", Gone, {}, {}, noEditor, Error, critical);
        row("editor new, not installed", EditorNew, {}, NotInstalled, {}, {}, "Ombrelが見つかりません。",
            Error);
        row("commenter, empty list, not installed", Commenter, {}, NotInstalled, {}, {}, noCommenter, Error);
        row("commenter new, not installed", CommenterNew, {}, NotInstalled, {}, {},
            "Quorrinが見つかりません。", Error);
        row("checker, refused", Checker, "part.min", Refused, {}, laskar, noChecker, Error, critical);
        row("double-click, refused", DoubleClick, "part.min", Refused, {}, ombrel);
        row("double-click, workbook refused", DoubleClick, "plan.xls", Refused, {"localc"}, {"localc"});
        row("double-click, file gone", DoubleClick, "part.min", Gone, {}, {});
    }

    // The file goes to the program by its name on disk, as one argument; the program runs in the
    // current folder. The row's name is taken before the file is tested.
    void handlers()
    {
        QFETCH(int, handler);
        QFETCH(QString, file);
        QFETCH(int, flags);
        QFETCH(QStringList, tools);
        QFETCH(QStringList, command);
        QFETCH(QStringList, boxes);
        CompanionRig rig;
        rig.launcher.succeeds = !(flags & Refused);
        if (flags & NoOmbrel)
            QVERIFY(QFile::remove(rig.tools.driveC(OmbrelExe)));
        if (flags & NotInstalled)
            QVERIFY(QDir(rig.tools.prefix()).removeRecursively());
        rig.tools.install(tools);
        if (file.isEmpty()) {
            rig.show();
        } else {
            rig.add(QStringLiteral("OTHER.MIN"));
            const QString path = rig.add(file, flags & Protected);
            rig.focus(file.toUpper(), !(flags & Unselected));
            if (flags & NoCurrentRow)
                rig.list.setCurrentItem(nullptr);
            if (flags & Gone)
                QVERIFY(QFile::remove(path));
        }

        rig.run(Handlers[handler]);

        QCOMPARE(rig.shown(), boxes);
        if (!command.isEmpty())
            command = rig.tools.expand(command) + (file.isEmpty() ? QStringList() : QStringList{file});
        QCOMPARE(rig.started(), command.isEmpty() ? QList<QStringList>() : QList<QStringList>{command});
        if (!file.isEmpty() && !(flags & (Unselected | NoCurrentRow)))
            QCOMPARE(rig.state.CurrentFileName, file.toUpper());
    }

    // Ombrel gets A.MIN in the current folder, whose name has a blank; the program does not create it.
    void theEditorsNewFileIsAMinInTheCurrentFolder()
    {
        CompanionRig rig;
        rig.run(&CompanionTools::mnuEditorNew_Click);
        const QString newFile = QFileInfo(rig.here()).canonicalFilePath() + QStringLiteral("/A.MIN");
        QCOMPARE(rig.started(), QList<QStringList>{rig.tools.expand({"wine", OmbrelExe}) << newFile});
        QVERIFY(rig.boxes.shown.isEmpty());
        QVERIFY(!QFileInfo::exists(newFile));
    }
};

QTEST_MAIN(tst_CompanionTools)
#include "tst_CompanionTools.moc"
