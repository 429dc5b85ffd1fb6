// SPDX-License-Identifier: GPL-2.0-or-later
#include "fileops/FileOpsRig.h"
#include "fileops/PasteProgressDialog.h"
#include "support/FileSizeLimit.h"
#include "support/VirtualClock.h"

#include <QProgressDialog>
#include <QPushButton>

#if defined(Q_OS_UNIX)
#include <sys/stat.h>
#endif

using Answer = MessageBoxes::Answer;
using Answers = QList<Answer>;

namespace {

const QString Exists = "は既にファイルが存在します。\nファイルを重ね書きしますか？";

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
    // Each takes its rows by its rule: copy only the checks in check-box mode; protect the selection
    // and, in check-box mode, the checks too.
    void copyRuleAndActionRule_data()
    {
        QTest::addColumn<bool>("checkBoxes");
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<QStringList>("checked");
        QTest::addColumn<QString>("copied");
        QTest::addColumn<QString>("acted");
        // clang-format off
        const QStringList a = {"A.MIN"}, b = {"B.MIN"};
        QTest::newRow("selection") << false << b << a << "B" << "B";
        QTest::newRow("checked, not selected") << true << b << a << "A" << "AB";
        // clang-format on
    }

    void copyRuleAndActionRule()
    {
        QFETCH(bool, checkBoxes);
        QFETCH(QStringList, selected);
        QFETCH(QStringList, checked);
        FileOpsRig rig;
        rig.put(".", {"a.min=1", "b.min=2"});
        rig.list.boxes = checkBoxes;
        rig.mark(selected, checked);
        rig.files().mnuEditCopy_Click();
        rig.files().mnuFileProtect_Click();
        QStringList copied;
        for (const CopyBuffer::Entry &entry : rig.buffer.entries)
            copied << entry.text;
        QTEST(initials(copied), "copied");
        QTEST(initials(rig.contents().filter("!").replaceInStrings("!", "")).toUpper(), "acted");
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
        rig.copy("src", {"A.MIN", "B.SUB"});
        if (!gone.isEmpty())
            QVERIFY(QFile::remove(rig.at(gone)));
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
        QTEST(rig.contents(), "after");
        QCOMPARE(rig.list.list.size(), rig.contents().size()); // listed again
        for (const FileRow &row : rig.list.list)
            QCOMPARE(QFileInfo(rig.at(row.diskName)).lastModified(), Made);
    }

    // Into a folder of thousands of files: a name there in another case keeps that spelling, also one
    // the same paste has just made, so no two files differ only in case; into the source folder each
    // goes as "コピー" + name. Each source file holds its own name.
    void manyFilesIntoABigFolder_data()
    {
        QTest::addColumn<bool>("intoSource");
        QTest::addColumn<QStringList>("copied"); // names on disk, in the buffer's order
        QTest::addColumn<QStringList>("before"); // in the target, beside its thousands
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QStringList>("after"); // the same
        // clang-format off
        QTest::newRow("another folder") << false << QStringList{"O0007.MIN", "N1.MIN", "Q1.MIN", "q1.min"} << QStringList{"o0007.min=old"} << QStringList{"O0007.MIN" + Exists, "Q1.MIN" + Exists} << QStringList{"N1.MIN=N1.MIN", "Q1.MIN=q1.min", "o0007.min=O0007.MIN"};
        QTest::newRow("the source folder") << true << QStringList{"a.min", "B.MIN"} << QStringList{"a.min=a.min", "B.MIN=B.MIN", "コピーA.MIN=old"} << QStringList{"コピーA.MIN" + Exists} << QStringList{"B.MIN=B.MIN", "a.min=a.min", "コピーA.MIN=a.min", "コピーB.MIN=B.MIN"};
        // clang-format on
    }

    void manyFilesIntoABigFolder()
    {
        QFETCH(bool, intoSource);
        QFETCH(QStringList, copied);
        QFETCH(QStringList, before);
        const int filler = 3000;
        FileOpsRig rig;
        const QString target = intoSource ? "src" : "dst";
        rig.put(target, before);
        if (!intoSource) {
            for (const QString &name : copied)
                rig.put("src", {name + '=' + name});
        }
        for (int i = 0; i < filler; ++i) // programs the paste must leave alone
            rig.folder.addFile(target + QStringLiteral("/p%1.min").arg(i, 4, 10, QLatin1Char('0')), "P");
        rig.buffer.sourceFolder = rig.folder.filePath("src");
        for (const QString &name : copied)
            rig.buffer.entries.append({name.toUpper(), name});
        rig.showFolder(rig.folder.filePath(target));
        rig.boxes.answers = {Answer::Yes, Answer::Yes};

        rig.files().mnuEditPaste_Click();

        QTEST(rig.shown(), "shown");
        QVERIFY(rig.log.isEmpty());
        const QStringList all = rig.contents();
        const QStringList rest = QStringList(all).filter(QRegularExpression("^(?!p\\d{4}\\.min=P$)"));
        QTEST(rest, "after");
        QCOMPARE(all.size(), filler + rest.size()); // the thousands as they were, and no hidden copy left
    }

    // キャンセル before a file or between the pieces of a large one keeps the files done and nothing of
    // the one under way (no hidden copy either), and says how far the paste got.
    void cancel_data()
    {
        QTest::addColumn<int>("cancelAt"); // files done
        QTest::addColumn<int>("pieces");   // of the next one
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QStringList>("log");
        // clang-format off
        QTest::newRow("before the first") << 0 << 0 << QStringList() << QStringList{"貼り付けを中止しました。(4個のうち0個をコピーしました)"};
        QTest::newRow("between files") << 2 << 0 << QStringList{"a.min=a", "b.min=b"} << QStringList{"貼り付けを中止しました。(4個のうち2個をコピーしました)"};
        QTest::newRow("in the middle of a large file") << 2 << 2 << QStringList{"a.min=a", "b.min=b"} << QStringList{"貼り付けを中止しました。(4個のうち2個をコピーしました)"};
        // clang-format on
    }

    void cancel()
    {
        QFETCH(int, cancelAt);
        QFETCH(int, pieces);
        FileOpsRig rig;
        rig.put("src", {"a.min=a", "b.min=b", "c.min=" + QString(300000, 'c'), "d.min=d"});
        rig.put("dst", {});
        rig.copy("src", {"A.MIN", "B.MIN", "C.MIN", "D.MIN"}, "dst");
        rig.progress.cancelAt = cancelAt;
        rig.progress.pieces = pieces;

        rig.files().mnuEditPaste_Click();

        QTEST(rig.contents(), "after");
        QTEST(rig.log, "log");
        QCOMPARE(rig.progress.total, 4);
    }

    // The dialog comes up once a paste has taken a second, and its キャンセル is what the paste asks after.
    void progressDialog_data()
    {
        QTest::addColumn<qint64>("elapsedUs");
        QTest::addColumn<bool>("shown");
        QTest::newRow("within the second") << qint64(999'999) << false;
        QTest::newRow("after a second") << qint64(1'000'000) << true;
    }

    void progressDialog()
    {
        QFETCH(qint64, elapsedUs);
        VirtualClock clock;
        PasteProgressDialog progress(&clock);
        progress.start(3);
        progress.show(0);
        clock.advance(elapsedUs);
        progress.show(1);
        QTEST(progress.dialog() != nullptr, "shown");
        QVERIFY(!progress.cancelled());
        if (!progress.dialog())
            return;
        QProgressDialog &dialog = *progress.dialog();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("ファイルのコピー"));
        QCOMPARE(dialog.labelText(), QStringLiteral("3個のファイルのうち2個目をコピーしています…"));
        auto *cancel = dialog.findChild<QPushButton *>();
        QVERIFY(cancel && cancel->text() == QStringLiteral("キャンセル"));
        cancel->click();
        QVERIFY(progress.cancelled());
        progress.finish();
        QVERIFY(!progress.dialog());
    }

    // A name copied from Windows in Shift_JIS, or one of stray bytes, keeps its bytes through copy,
    // paste, protection and deletion, in every copy.
    void namesThatAreNotUtf8()
    {
        FileOpsRig rig;
        const QString sjis = "\\x89\\xC1\\x8DH.min", stray = "BAD\\xE9.min";
        rig.put("src", {sjis + "=s", stray + "=b"});
        rig.copy("src", {"加工.MIN", "BAD\uFFFD.MIN"});
        rig.files().mnuEditPaste_Click();
        QCOMPARE(rig.contents(),
                 (QStringList{stray + "=b", "コピー" + stray + "=b", "コピー" + sjis + "=s", sjis + "=s"}));
        rig.put("dst", {});
        rig.showFolder(rig.folder.filePath("dst"));
        rig.files().mnuEditPaste_Click();
        rig.mark({"加工.MIN"});
        rig.files().mnuFileProtect_Click();
        rig.mark({"BAD\uFFFD.MIN"});
        rig.boxes.answers = {Answer::Yes};
        rig.files().mnuFileDelete_Click();
        QCOMPARE(rig.contents(), QStringList{"!" + sjis + "=s"});
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
            QVERIFY(QFile::remove(rig.at(gone)));
        rig.boxes.answers = answers;

        rig.files().mnuFileDelete_Click();

        QTEST(rig.shown(), "shown");
        for (const ScriptedMessageBoxes::Shown &box : rig.boxes.shown)
            QCOMPARE(box.title, QStringLiteral("ファイルの削除"));
        QTEST(rig.log, "log");
        QTEST(rig.contents(), "after");
        QCOMPARE(rig.list.list.size(), rig.contents().size());
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
        const QStringList failed = {"PART.MINの保護を解除できませんでした。",
                                    "ファイルまたはフォルダーが見つかりません。"};
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
        const QByteArray part = QFile::encodeName(rig.at("part.min"));
        QVERIFY(before < 0 ? QFile::remove(rig.at("part.min")) : ::chmod(part, mode_t(before)) == 0);
        QFETCH(int, umask);
        const mode_t previous = ::umask(mode_t(umask));
        QFETCH(bool, protect);
        protect ? rig.files().mnuFileProtect_Click() : rig.files().mnuFileUnprotect_Click();
        ::umask(previous);
        struct stat status = {};
        QTEST(::stat(part, &status) == 0 ? int(status.st_mode & 07777) : -1, "after");
        QTEST(rig.log, "log");
    }

    // Another window or PC changes the target while its question is open: protected, it is refused as
    // a file protected before is, and keeps its content and mode; merely given another mode, it is
    // overwritten and takes its source's.
    void overwriteLooksAgainAtProtection_data()
    {
        QTest::addColumn<int>("mode"); // given during the question
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("modeAfter");
        const QString ask = "O1.MIN" + Exists;
        // clang-format off
        QTest::newRow("protected meanwhile") << 0440 << QStringList{ask, "O1.MINは既に保護されているファイルが存在するので貼り付けが出来ません。"} << "!o1.min=KEEP" << 0440;
        QTest::newRow("another mode, not protected") << 0600 << QStringList{ask} << "o1.min=NEW" << 0604; // the source's
        // clang-format on
    }

    void overwriteLooksAgainAtProtection()
    {
        QFETCH(int, mode);
        FileOpsRig rig;
        rig.put("src", {"O1.MIN=NEW"});
        rig.put("dst", {"o1.min=KEEP"});
        ::chmod(QFile::encodeName(rig.folder.filePath("src/O1.MIN")).constData(), 0604);
        rig.copy("src", {"O1.MIN"}, "dst");
        const QByteArray target = QFile::encodeName(rig.at("o1.min"));
        rig.boxes.whileAsking = [mode, target] { QVERIFY(::chmod(target, mode_t(mode)) == 0); };
        rig.boxes.answers = {Answer::Yes};

        rig.files().mnuEditPaste_Click();

        QTEST(rig.shown(), "shown");
        QTEST(rig.contents().join('|'), "after");
        struct stat status = {};
        QVERIFY(::stat(target, &status) == 0);
        QTEST(int(status.st_mode & 07777), "modeAfter");
    }

    // A write the kernel stops half-way (a file-size limit, which binds root too) leaves the target as
    // it was and no temporary file behind; the paste goes on with the next file.
    void aFailedCopyLeavesNothingHalfWritten()
    {
        FileOpsRig rig;
        rig.put("src", {"big.min=" + QString(300000, 'x'), "small.min=s"});
        rig.put("dst", {"big.min=old"});
        rig.copy("src", {"BIG.MIN", "SMALL.MIN"}, "dst");
        rig.boxes.answers = {Answer::Yes};
        {
            const FileSizeLimit limit(100000);
            rig.files().mnuEditPaste_Click();
        }
        QCOMPARE(rig.log, (QStringList{"BIG.MINをコピーできませんでした。", "ファイルが大きすぎます。"}));
        QCOMPARE(rig.contents(), (QStringList{"big.min=old", "small.min=s"}));
    }
#endif
};

QTEST_MAIN(tst_FileCommands)
#include "tst_FileCommands.moc"
