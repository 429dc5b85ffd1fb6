// SPDX-License-Identifier: GPL-2.0-or-later
#include "fileops/FileOpsRig.h"
#include "support/FileSizeLimit.h"
#include "support/ScriptedSerialPort.h"
#include "support/VirtualClock.h"
#include "transfer/TransferCommands.h"
#include "transfer/frmCancelSend.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>

#if defined(Q_OS_UNIX)
#include <sys/stat.h>
#endif

using Answer = MessageBoxes::Answer;
using Answers = QList<Answer>;

namespace {

QString initials(const QStringList &names)
{
    QString letters;
    for (const QString &name : names)
        letters += name.front();
    return letters;
}

} // namespace

// Copy, paste, delete and protection over the marked rows of the file list, on real folders.
class tst_FileCommands : public QObject {
    Q_OBJECT

private slots:
    // The copy rule takes only the checks in check-box mode; the action rule (here: protect) takes the
    // selection and, in check-box mode, the checks too.
    void copyRuleAndActionRule_data()
    {
        QTest::addColumn<bool>("checkBoxes");
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<QStringList>("checked");
        QTest::addColumn<QString>("copied");
        QTest::addColumn<QString>("acted");
        // clang-format off
        const QStringList abcd = {"A.MIN", "B.MIN", "C.MIN", "D.MIN"}, a = {"A.MIN"}, b = {"B.MIN"};
        QTest::newRow("selection") << false << b << a << "B" << "B";
        QTest::newRow("three checked, one more selected") << true << abcd << abcd.mid(0, 3) << "ABC" << "ABCD";
        QTest::newRow("checked, not selected") << true << b << a << "A" << "AB";
        // clang-format on
    }

    void copyRuleAndActionRule()
    {
        QFETCH(bool, checkBoxes);
        QFETCH(QStringList, selected);
        QFETCH(QStringList, checked);
        FileOpsRig rig;
        rig.put(".", {"a.min=1", "b.min=2", "c.min=3", "d.min=4"});
        rig.checkBoxMode = checkBoxes;
        rig.mark(selected, checked);
        rig.files().mnuEditCopy_Click();
        rig.files().mnuFileProtect_Click();
        QStringList copied;
        for (const CopyBuffer::Entry &entry : rig.buffer.entries)
            copied << entry.text;
        QTEST(initials(copied), "copied");
        QTEST(initials(FileOpsRig::contents().filter("!").replaceInStrings("!", "")).toUpper(), "acted");
    }

    // src holds A.MIN and the protected b.sub, both copied; the paste goes to dst or back into src.
    // What is pasted keeps its source's time and protection.
    void paste_data()
    {
        QTest::addColumn<QString>("gone");       // from src since the copy
        QTest::addColumn<QStringList>("target"); // dst before; {"src"} pastes into the source folder
        QTest::addColumn<int>("pastes");
        QTest::addColumn<Answers>("answers");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<QStringList>("after");
        // clang-format off
        const QString askA = "A.MINは既にファイルが存在します。\nファイルを重ね書きしますか？";
        const QString protectedB = "B.SUBは既に保護されているファイルが存在するので貼り付けが出来ません。";
        const QStringList both = {"A.MIN=a", "!b.sub=b"}, copies = both + QStringList{"コピーA.MIN=a", "!コピーb.sub=b"}, none;
        QTest::newRow("into another folder") << "" << none << 1 << Answers() << none << none << both;
        QTest::newRow("into the source folder") << "" << QStringList{"src"} << 1 << Answers() << none << none << copies;
        QTest::newRow("existing: No skips that one") << "" << QStringList{"A.MIN=old"} << 1 << Answers{Answer::No} << QStringList{askA} << none << QStringList{"A.MIN=old", "!b.sub=b"};
        QTest::newRow("existing in other case: Yes") << "" << QStringList{"a.min=old"} << 1 << Answers{Answer::Yes} << QStringList{askA} << none << QStringList{"a.min=a", "!b.sub=b"};
        QTest::newRow("protected destination") << "" << QStringList{"!B.SUB=old"} << 1 << Answers() << QStringList{protectedB} << none << QStringList{"A.MIN=a", "!B.SUB=old"};
        QTest::newRow("twice") << "" << none << 2 << Answers{Answer::Yes} << QStringList{askA, protectedB} << none << both;
        QTest::newRow("twice into the source folder") << "" << QStringList{"src"} << 2 << Answers{Answer::Yes} << QStringList{"コピー" + askA, "コピー" + protectedB} << none << copies;
        QTest::newRow("a folder of the name") << "" << QStringList{"a.min/"} << 1 << Answers() << none << QStringList{"A.MINをコピーできませんでした。", "同じ名前のフォルダーがあります。"} << QStringList{"!b.sub=b"};
        QTest::newRow("source gone: not asked") << "A.MIN" << QStringList{"A.MIN=old"} << 1 << Answers() << none << QStringList{"A.MINをコピーできませんでした。", "ファイルまたはフォルダーが見つかりません。"} << QStringList{"A.MIN=old", "!b.sub=b"};
        // clang-format on
    }

    void paste()
    {
        QFETCH(QString, gone);
        QFETCH(QStringList, target);
        QFETCH(int, pastes);
        FileOpsRig rig;
        rig.put("src", {"A.MIN=a", "!b.sub=b"});
        rig.showFolder(rig.folder.filePath("src"));
        rig.mark({"A.MIN", "B.SUB"});
        rig.files().mnuEditCopy_Click();
        if (!gone.isEmpty())
            QVERIFY(QFile::remove(gone));
        if (target != QStringList{"src"}) {
            rig.put("dst", target);
            rig.showFolder(rig.folder.filePath("dst"));
        }
        QFETCH(Answers, answers);
        rig.boxes.answers = answers;

        for (int i = 0; i < pastes; ++i)
            rig.files().mnuEditPaste_Click();

        QTEST(rig.shown(), "shown");
        for (const ScriptedMessageBoxes::Shown &box : rig.boxes.shown) {
            QCOMPARE(box.title, QStringLiteral("ファイルのコピー"));
            QCOMPARE(box.icon, MessageBoxes::Icon::Exclamation);
            QCOMPARE(box.buttons == MessageBoxes::Buttons::YesNo, box.text.endsWith("？"));
        }
        QTEST(rig.log, "log");
        QTEST(FileOpsRig::contents(), "after");
        QCOMPARE(rig.listed.size(), FileOpsRig::contents().size()); // listed again
        for (const FileRow &row : rig.listed)
            QCOMPARE(QFileInfo(row.diskName).lastModified(), Made);
    }

    // A name copied from Windows in Shift_JIS, or one of stray bytes, keeps its bytes through copy,
    // paste, protection and deletion, in every copy.
    void namesThatAreNotUtf8()
    {
        FileOpsRig rig;
        const QString sjis = "\\x89\\xC1\\x8DH.min", stray = "BAD\\xE9.min";
        rig.put("src", {sjis + "=s", stray + "=b"});
        rig.showFolder(rig.folder.filePath("src"));
        rig.mark({"加工.MIN", "BAD\uFFFD.MIN"});
        rig.files().mnuEditCopy_Click();
        rig.files().mnuEditPaste_Click();
        QCOMPARE(FileOpsRig::contents(),
                 (QStringList{stray + "=b", "コピー" + stray + "=b", "コピー" + sjis + "=s", sjis + "=s"}));
        rig.put("dst", {});
        rig.showFolder(rig.folder.filePath("dst"));
        rig.files().mnuEditPaste_Click();
        rig.mark({"加工.MIN"});
        rig.files().mnuFileProtect_Click();
        rig.mark({"BAD\uFFFD.MIN"});
        rig.boxes.answers = {Answer::Yes};
        rig.files().mnuFileDelete_Click();
        QCOMPARE(FileOpsRig::contents(), QStringList{"!" + sjis + "=s"});
        QCOMPARE(rig.shown(), QStringList{"BAD\uFFFD.MINを削除してもいいですか？"});
        QCOMPARE(rig.log, QStringList{"BAD\uFFFD.MINを削除しました。"});
    }

    void deleteFiles_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("gone"); // since the list was read
        QTest::addColumn<Answers>("answers");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<QStringList>("after");
        // clang-format off
        const QString askA = "A.MINを削除してもいいですか？", askB = "B.MINを削除してもいいですか？";
        const QStringList ab = {"a.min=1", "b.min=2"}, deletedB = {"B.MINを削除しました。"};
        QTest::newRow("yes") << ab << "" << Answers{Answer::Yes, Answer::Yes} << QStringList{askA, askB} << QStringList{"A.MINを削除しました。", deletedB[0]} << QStringList();
        QTest::newRow("no: nothing logged") << ab << "" << Answers{Answer::No, Answer::Yes} << QStringList{askA, askB} << deletedB << QStringList{"a.min=1"};
        QTest::newRow("protected") << QStringList{"!a.min=1", "b.min=2"} << "" << Answers{Answer::Yes} << QStringList{"A.MINは保護されているので削除できません。", askB} << deletedB << QStringList{"!a.min=1"};
        QTest::newRow("gone: not asked") << ab << "a.min" << Answers{Answer::No} << QStringList{askB} << QStringList{"A.MINを削除できませんでした。", "ファイルまたはフォルダーが見つかりません。"} << QStringList{"b.min=2"};
        // clang-format on
    }

    // The rows name their files on disk in lower case: the command uses that name, not the row's text.
    // Root is refused a protected file as well: the program itself enforces protection.
    void deleteFiles()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, gone);
        QFETCH(Answers, answers);
        FileOpsRig rig;
        rig.put(".", files);
        rig.mark({"A.MIN", "B.MIN"});
        if (!gone.isEmpty())
            QVERIFY(QFile::remove(gone));
        rig.boxes.answers = answers;

        rig.files().mnuFileDelete_Click();

        QTEST(rig.shown(), "shown");
        for (const ScriptedMessageBoxes::Shown &box : rig.boxes.shown)
            QCOMPARE(box.title, QStringLiteral("ファイルの削除"));
        QTEST(rig.log, "log");
        QTEST(FileOpsRig::contents(), "after");
        QCOMPARE(rig.listed.size(), FileOpsRig::contents().size());
        QCOMPARE(rig.folderClicks, 1);
    }

#if defined(Q_OS_UNIX)
    void protection_data()
    {
        QTest::addColumn<bool>("protect");
        QTest::addColumn<int>("before"); // -1: the file is gone
        QTest::addColumn<int>("umask");
        QTest::addColumn<int>("after");
        QTest::addColumn<QStringList>("log");
        const QStringList failed = {"PART.MINの保護を解除できませんでした。", "ファイルまたはフォルダーが見つかりません。"};
        QTest::newRow("protect keeps read and execute") << true << 0754 << 022 << 0554 << QStringList();
        QTest::newRow("unprotect, umask 022") << false << 0444 << 022 << 0644 << QStringList();
        QTest::newRow("unprotect, umask 002") << false << 0440 << 002 << 0660 << QStringList();
        QTest::newRow("unprotect, file gone") << false << -1 << 022 << -1 << failed;
    }

    void protection()
    {
        QFETCH(int, before);
        FileOpsRig rig;
        rig.put(".", {"part.min=1"});
        rig.mark({"PART.MIN"});
        QVERIFY(before < 0 ? QFile::remove("part.min") : ::chmod("part.min", mode_t(before)) == 0);
        QFETCH(int, umask);
        const mode_t previous = ::umask(mode_t(umask));
        QFETCH(bool, protect);
        protect ? rig.files().mnuFileProtect_Click() : rig.files().mnuFileUnprotect_Click();
        ::umask(previous);
        struct stat status = {};
        QTEST(::stat("part.min", &status) == 0 ? int(status.st_mode & 07777) : -1, "after");
        QTEST(rig.log, "log");
    }

    // A write the kernel stops half-way (a file-size limit, which binds root too) leaves the target as
    // it was and no temporary file behind; the paste goes on with the next file.
    void aFailedCopyLeavesNothingHalfWritten()
    {
        FileOpsRig rig;
        rig.put("src", {"big.min=" + QString(300000, 'x'), "small.min=s"});
        rig.put("dst", {"big.min=old"});
        rig.showFolder(rig.folder.filePath("src"));
        rig.mark({"BIG.MIN", "SMALL.MIN"});
        rig.files().mnuEditCopy_Click();
        rig.showFolder(rig.folder.filePath("dst"));
        rig.boxes.answers = {Answer::Yes};
        {
            const FileSizeLimit limit(100000);
            rig.files().mnuEditPaste_Click();
        }
        QCOMPARE(rig.log, (QStringList{"BIG.MINをコピーできませんでした。", "ファイルが大きすぎます。"}));
        QCOMPARE(FileOpsRig::contents(), (QStringList{"big.min=old", "small.min=s"}));
    }
#endif

    // A program that begins to arrive while a command's question is open, or arrives whole meanwhile,
    // or arrives into a folder renamed since it began, is neither deleted nor pasted over, and its
    // folder stays: it lands whole where its folder is now, and so does the next program.
    void aReceptionIsNeverLost_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QByteArray>("punched"); // under the command's first question, or before a rename
        QTest::addColumn<QStringList>("shown");
        // clang-format off
        const QString askDelete = "O2000.MINを削除してもいいですか？", busyDelete = "O2000.MINは受信中なので削除できません。";
        const QByteArray begun = "$O2000.MIN%\r\nNEW", whole = begun + "\r\n%";
        QTest::newRow("file delete") << "delete" << begun << QStringList{askDelete, busyDelete};
        QTest::newRow("file delete, whole program") << "delete" << whole << QStringList{askDelete, askDelete};
        QTest::newRow("paste over") << "paste" << begun << QStringList{"O2000.MINは既にファイルが存在します。\nファイルを重ね書きしますか？", "O2000.MINは受信中なので貼り付けが出来ません。"};
        QTest::newRow("folder delete") << "folder delete" << begun << QStringList{"フォルダー'src'とフォルダー内のすべてのファイルを削除してもいいですか？", "フォルダー'src'には受信中のファイルがあるので削除できません。"};
        QTest::newRow("folder renamed, file delete") << "rename" << begun << QStringList{busyDelete};
        // clang-format on
    }

    void aReceptionIsNeverLost()
    {
        QFETCH(QString, command);
        QFETCH(QByteArray, punched);
        FileOpsRig rig;
        rig.put("other", {"o2000.min=copy"});
        rig.put("src", {"o2000.min=old", "a.min=a"});
        rig.showFolder(rig.folder.filePath("other"));
        rig.mark({"O2000.MIN"});
        rig.files().mnuEditCopy_Click();
        rig.showFolder(rig.folder.filePath("src"));
        ScriptedSerialPort port;
        VirtualClock clock;
        QWidget window;
        QTextEdit echo;
        TransferCommands reception(rig.state, port, rig.boxes, rig, &echo, rig, &window, {&clock, false});
        reception.mnuTransInputCont_Click();
        const auto punch = [&port, &clock](const QByteArray &bytes) {
            port.feed(bytes);
            clock.runUntil([&port] { return port.waiting() == 0; });
        };
        int questions = 0;
        rig.boxes.whileAsking = [&] {
            if (questions++ == 0)
                punch(punched);
        };
        rig.boxes.answers = {Answer::Yes, Answer::No};
        if (command == "rename") {
            punch(punched);
            whenShown([](FolderNameDialog &dialog) {
                dialog.Text1->setText("dst");
                dialog.Command1->click();
            });
            rig.folders().mnuFolderRename_Click();
            QCOMPARE(rig.state.CurrentFolder, rig.folder.filePath("dst"));
        }
        rig.mark({"O2000.MIN"});
        if (command == "paste")
            rig.files().mnuEditPaste_Click();
        else if (command == "folder delete")
            rig.folders().mnuFolderDelete_Click();
        else
            rig.files().mnuFileDelete_Click();
        punch("\r\n%$O3000.MIN%\r\nX\r\n%");
        reception.dialog()->Command1->click();
        QVERIFY(clock.runUntil([&reception] { return !reception.running(); }));

        QTEST(rig.shown(), "shown");
        const QString done = "読込が完了しました。";
        QCOMPARE(rig.log, (QStringList{"O2000.MINを読込中です...", done, "O3000.MINを読込中です...", done,
                                       "受信を終了しました。"}));
        QCOMPARE(FileOpsRig::contents(), (QStringList{"O3000.MIN=X\r\n", "a.min=a", "o2000.min=NEW\r\n"}));
    }
};

QTEST_MAIN(tst_FileCommands)
#include "tst_FileCommands.moc"
