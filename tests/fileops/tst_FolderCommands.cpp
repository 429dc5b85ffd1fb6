// SPDX-License-Identifier: GPL-2.0-or-later
#include "fileops/FileOpsRig.h"
#include "fileops/NewFolder.h"
#include "platform/files/MountedDrives.h"
#include "support/RawFolder.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

using Icon = MessageBoxes::Icon;

namespace {

// プログ as a Windows share writes it, in the notation of FileOpsRig::readable.
const QByteArray Sjis = "\x83\x76\x83\x8D\x83\x4F";
const QString SjisNotation = FileOpsRig::readable(NativeName::fromBytes(Sjis));

// Every folder and file under folder, by path from there in FileOpsRig::readable's notation; folders
// end in "/".
QStringList tree(const QString &folder, const QString &prefix = {})
{
    QStringList all;
    for (const QString &name : NativeFile::entries(folder)) {
        const QString path = NativeFile::join(folder, name);
        const QString shown = prefix + FileOpsRig::readable(name);
        if (NativeFile::status(path)->isFolder)
            all << shown + '/' << tree(path, shown + '/');
        else
            all << shown;
    }
    all.sort();
    return all;
}

} // namespace

// Creating, renaming and deleting folders, and the name dialogs, on real folders.
class tst_FolderCommands : public QObject {
    Q_OBJECT

private slots:
    // The rules both dialogs share; a refusal keeps the dialog open.
    void names_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<Icon>("icon");
        // clang-format off
        const QString taken = "既に同じ名前のフォルダーがあります。", badCharacter = "フォルダー名に使えない文字があります。\n\\ / : * ? \" < > | と制御文字は使えません。";
        QTest::newRow("new") << "New Parts" << "" << Icon::None;
        QTest::newRow("a folder's, other case") << "JOBS" << taken << Icon::None;
        QTest::newRow("a file's") << "O1000.MIN" << taken << Icon::None;
        QTest::newRow("empty") << "" << "フォルダー名を入力してください。" << Icon::Exclamation;
        QTest::newRow("slash") << "a/b" << badCharacter << Icon::Exclamation;
        QTest::newRow("control character") << "a\tb" << badCharacter << Icon::Exclamation;
        QTest::newRow("leading dot") << ".." << "フォルダー名の先頭に「.」は使えません。" << Icon::Exclamation;
        QTest::newRow("trailing blank") << "jobs2 " << "フォルダー名の末尾に「.」や空白は使えません。" << Icon::Exclamation;
        QTest::newRow("256 bytes") << QString(128, QChar(0x00E9)) << "フォルダー名が長すぎます。" << Icon::Exclamation;
        // clang-format on
    }

    void names()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        FileOpsRig rig;
        rig.put(".", {"jobs/", "o1000.min="});
        NewFolder dialog(rig.state, rig.folder.path(), rig.boxes);
        QCOMPARE(QStringList({dialog.windowTitle(), dialog.Label1->text(), dialog.Command1->text(),
                              dialog.Command2->text(), dialog.Text1->text()}),
                 QStringList({"フォルダーの作成", "新しいフォルダー名を入力してください。", "O  K",
                              "キャンセル", ""}));
        dialog.Text1->setText(name);
        dialog.Command1_Click();
        QCOMPARE(dialog.result() == QDialog::Accepted, text.isEmpty());
        QCOMPARE(QDir(rig.folder.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
                 QStringList{"jobs"} + (text.isEmpty() ? QStringList{name} : QStringList()));
        QCOMPARE(rig.shown(), text.isEmpty() ? QStringList() : QStringList{text});
        if (!text.isEmpty()) {
            QTEST(rig.boxes.shown[0].icon, "icon");
            QCOMPARE(rig.boxes.shown[0].title,
                     text == "既に同じ名前のフォルダーがあります。" ? "" : "フォルダーの作成");
        }
    }

    // Enter in the name field moves the focus to "O  K"; the second Enter presses it. A field gaining
    // the focus has its text selected. The new folder is listed at once; the current folder stays.
    void enterTwiceInTheNameField()
    {
        FileOpsRig rig;
        bool openAfterFirstEnter = false;
        QString selected;
        whenShown([&](FolderNameDialog &dialog) {
            dialog.activateWindow(); // as a window manager does
            QTRY_COMPARE(QApplication::activeWindow(), &dialog);
            QTest::keyClicks(dialog.Text1, "Jobs");
            dialog.Command2->setFocus();
            dialog.Text1->setFocus();
            selected = dialog.Text1->selectedText();
            QTest::keyClick(dialog.Text1, Qt::Key_Return);
            openAfterFirstEnter = dialog.isVisible() && dialog.Command1->hasFocus();
            if (QWidget *focused = QApplication::focusWidget())
                QTest::keyClick(focused, Qt::Key_Return);
        });
        rig.folders().mnuFolderNew_Click();
        QVERIFY(openAfterFirstEnter);
        QCOMPARE(selected, QStringLiteral("Jobs"));
        QVERIFY(QFileInfo(rig.folder.filePath("Jobs")).isDir());
        QCOMPARE(rig.folderRereads, 1);
        QCOMPARE(rig.state.CurrentFolder, rig.folder.path());
    }

    // The field starts with the folder's own name, also directly under a drive's root; an unchanged
    // name is taken. Afterwards the folder shown is the folder under its new name, or its old one.
    void rename_data()
    {
        QTest::addColumn<bool>("underRoot");
        QTest::addColumn<QStringList>("typed"); // in turn; cancelled when still open
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<bool>("renamed");
        QTest::addColumn<QString>("meanwhile"); // CurrentFileName set while the dialog is open
        QTest::newRow("renamed") << false << QStringList{"Job 7"} << QStringList() << true << "";
        QTest::newRow("unchanged, cancelled")
            << false << QStringList{"job6"} << QStringList{"既に同じ名前のフォルダーがあります。"} << false
            << "";
        QTest::newRow("refused, then renamed")
            << false << QStringList{"", "Job 7"} << QStringList{"フォルダー名を入力してください。"} << true
            << "";
        QTest::newRow("under a drive's root") << true << QStringList() << QStringList() << false << "";
        // A send going on under the dialog names the file it takes up; the folder is renamed all the same.
        QTest::newRow("a send meanwhile")
            << false << QStringList{"Job 7"} << QStringList() << true << "o1000.min";
        QTest::newRow("a send meanwhile, cancelled")
            << false << QStringList() << QStringList() << false << "o1000.min";
    }

    void rename()
    {
        QFETCH(bool, underRoot);
        QFETCH(QStringList, typed);
        QFETCH(bool, renamed);
        const QString root = MountedDrives::rootOf(QDir::tempPath(), MountedDrives::roots());
        QTemporaryDir top(QDir(root).filePath("talvern-XXXXXX"));
        if (underRoot && !top.isValid())
            QSKIP("no folder can be made directly under the temporary folder's drive");
        QFETCH(QString, meanwhile);
        FileOpsRig rig;
        rig.put(".", {"o1000.min="});
        const QString folder = underRoot ? top.path() : rig.folder.addFolder("job6");
        rig.showFolder(folder);
        QString preset;
        whenShown([&](FolderNameDialog &dialog) {
            QCOMPARE(dialog.windowTitle(), QStringLiteral("フォルダー名の変更"));
            preset = dialog.Text1->text();
            if (!meanwhile.isEmpty())
                rig.state.CurrentFileName = meanwhile;
            for (const QString &name : typed) {
                dialog.Text1->setText(name);
                dialog.Command1->click();
            }
        });
        rig.folders().mnuFolderRename_Click();
        QCOMPARE(preset, QFileInfo(folder).fileName());
        QTEST(rig.shown(), "shown");
        const QString after = renamed ? QFileInfo(folder).dir().filePath("Job 7") : folder;
        QCOMPARE(rig.state.CurrentFolder, after);
        if (meanwhile.isEmpty())
            QCOMPARE(rig.state.CurrentFileName, QFileInfo(after).fileName());
        QVERIFY(QFileInfo(after).isDir());
        QVERIFY(QFileInfo(rig.folder.filePath("o1000.min")).isFile());
    }

    void aDrivesRootIsNeitherRenamedNorDeleted()
    {
        FileOpsRig rig;
        rig.state.CurrentFolder = MountedDrives::systemRoot();
        rig.folders().mnuFolderRename_Click();
        rig.folders().mnuFolderDelete_Click();
        QCOMPARE(rig.shown(), (QStringList{"ドライブのルートフォルダーの名前は変更できません。",
                                           "ドライブのルートフォルダーは削除できません。"}));
    }

    void folderDelete_data()
    {
        QTest::addColumn<QStringList>("files"); // in work
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<QStringList>("left"); // in work; none: work is gone
        // clang-format off
        const QStringList abc = {"a.min=", "b.min=", "c.min="};
        const QString cannot = "フォルダー'work'を削除できませんでした。", holds = "フォルダー内にサブフォルダーか隠しファイルが残っています。";
        QTest::newRow("three files") << abc << true << QStringList{"A.MINを削除しました。", "B.MINを削除しました。", "C.MINを削除しました。", "フォルダー'work'を削除しました。"} << QStringList();
        QTest::newRow("name not utf-8") << QStringList{"a.min=", "b\\xE9.min="} << true << QStringList{"A.MINを削除しました。", "B\uFFFD.MINを削除しました。", "フォルダー'work'を削除しました。"} << QStringList();
        QTest::newRow("no") << abc << false << QStringList() << QStringList{"a.min", "b.min", "c.min"};
        QTest::newRow("protected after two") << QStringList{"a.min=", "b.min=", "!c.min=", "d.min="} << true << QStringList{"A.MINを削除しました。", "B.MINを削除しました。"} << QStringList{"c.min", "d.min"};
        QTest::newRow("hidden file") << QStringList{"a.min=", ".keep="} << true << QStringList{"A.MINを削除しました。", cannot, holds} << QStringList{".keep"};
        QTest::newRow("subfolder") << QStringList{"sub/"} << true << QStringList{cannot, holds} << QStringList{"sub"};
        // clang-format on
    }

    // Stopped by a protected file, the folder and the files from there on stay, and so does the folder shown.
    void folderDelete()
    {
        QFETCH(QStringList, files);
        QFETCH(bool, yes);
        QFETCH(QStringList, left);
        FileOpsRig rig;
        rig.put("work", files);
        const QString work = rig.folder.filePath("work");
        rig.showFolder(work);
        rig.boxes.answers = {yes ? MessageBoxes::Answer::Yes : MessageBoxes::Answer::No};
        rig.folders().mnuFolderDelete_Click();

        QStringList shown = {"フォルダー'work'とフォルダー内のすべてのファイルを削除してもいいですか？"};
        if (files.contains("!c.min="))
            shown << "保護されたファイルがあるので削除できませんでした。";
        QCOMPARE(rig.shown(), shown);
        for (const ScriptedMessageBoxes::Shown &box : rig.boxes.shown)
            QCOMPARE(box.title, QStringLiteral("フォルダーの削除"));
        QTEST(rig.log, "log");
        QCOMPARE(QDir(work).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), left);
        QCOMPARE(rig.state.CurrentFolder, left.isEmpty() ? rig.folder.path() : work);
        QCOMPARE(rig.state.CurrentFileName, QStringLiteral("work"));
    }

    // A folder whose name is not UTF-8 is worked in and on by its very bytes, and named as it reads.
    void aFolderNamedInShiftJis_data()
    {
        QTest::addColumn<bool>("withSubfolder"); // old, holding b.min, beside a.min
        QTest::addColumn<QString>("in");         // the folder shown, under the temporary folder
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("after"); // tree()
        QTest::addColumn<QString>("shownAfter");
        QTest::addColumn<QStringList>("texts"); // message boxes, then the log
        const QString s = SjisNotation;
        // clang-format off
        QTest::newRow("new inside") << true << s << "new" << "Jobs" << QStringList{s + "/", s + "/Jobs/", s + "/a.min", s + "/old/", s + "/old/b.min"} << s << QStringList();
        QTest::newRow("rename inside") << true << s + "/old" << "rename" << "Kept" << QStringList{s + "/", s + "/Kept/", s + "/Kept/b.min", s + "/a.min"} << s + "/Kept" << QStringList();
        QTest::newRow("delete inside") << true << s + "/old" << "delete" << "" << QStringList{s + "/", s + "/a.min"} << s << QStringList{"フォルダー'old'とフォルダー内のすべてのファイルを削除してもいいですか？", "B.MINを削除しました。", "フォルダー'old'を削除しました。"};
        QTest::newRow("rename to itself") << false << s << "rename" << "プログ" << QStringList{s + "/", s + "/a.min"} << s << QStringList{"既に同じ名前のフォルダーがあります。"};
        QTest::newRow("rename") << false << s << "rename" << "プログ2" << QStringList{"プログ2/", "プログ2/a.min"} << "プログ2" << QStringList();
        QTest::newRow("delete") << false << s << "delete" << "" << QStringList() << "" << QStringList{"フォルダー'プログ'とフォルダー内のすべてのファイルを削除してもいいですか？", "A.MINを削除しました。", "フォルダー'プログ'を削除しました。"};
        // clang-format on
    }

    void aFolderNamedInShiftJis()
    {
        QFETCH(bool, withSubfolder);
        QFETCH(QString, in);
        QFETCH(QString, command);
        QFETCH(QString, typed);
        QFETCH(QString, shownAfter);
        FileOpsRig rig;
        const RawFolder sjis(rig.folder.path(), Sjis);
        QStringList files = {QStringLiteral("a.min")};
        if (withSubfolder) {
            QVERIFY(NativeFile::makeFolder(NativeFile::join(sjis.path(), "old")).ok());
            files << QStringLiteral("old/b.min");
        }
        for (const QString &file : std::as_const(files)) {
            QFile made;
            QVERIFY(NativeFile::open(made, NativeFile::join(sjis.path(), file), QIODevice::WriteOnly).ok());
        }
        const auto pathOf = [&rig](const QString &notation) {
            return notation.isEmpty()
                       ? rig.folder.path()
                       : NativeFile::join(rig.folder.path(),
                                          NativeName::fromBytes(FileOpsRig::bytesOf(notation)));
        };
        rig.showFolder(pathOf(in));
        FolderCommands folders = rig.folders();
        QString preset;
        if (command != "delete") {
            whenShown([&](FolderNameDialog &dialog) {
                preset = dialog.Text1->text();
                dialog.Text1->setText(typed);
                dialog.Command1->click();
            });
        }
        rig.boxes.answers = {MessageBoxes::Answer::Yes};
        if (command == "new")
            folders.mnuFolderNew_Click();
        else if (command == "rename")
            folders.mnuFolderRename_Click();
        else
            folders.mnuFolderDelete_Click();

        if (command == "rename")
            QCOMPARE(preset, NativeName::shown(QFileInfo(pathOf(in)).fileName()));
        QTEST(tree(rig.folder.path()), "after");
        QCOMPARE(rig.state.CurrentFolder, pathOf(shownAfter));
        QTEST(rig.shown() + rig.log, "texts");
    }
};

QTEST_MAIN(tst_FolderCommands)
#include "tst_FolderCommands.moc"
