// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/FileListView.h"
#include "browser/FolderList.h"
#include "fileops/FileOpsRig.h"
#include "shell/LogPane.h"
#include "shell/MainMenus.h"
#include "support/MainWindowFixture.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>

// The file and folder commands in the window: the Delete key and the folder pane after a folder command.
class tst_FileOpsWindow : public QObject {
    Q_OBJECT

    // The window on a folder of the rig that holds the files given as FileOpsRig::put takes them.
    static frmMain &startIn(MainWindowFixture &window, FileOpsRig &files, const QString &folder,
                            const QStringList &contents)
    {
        files.put(folder, contents);
        return window.start(files.folder.filePath(folder));
    }

private slots:
    // The Delete key in the list deletes the selected file, as the command does.
    void theDeleteKeyDeletes()
    {
        FileOpsRig files;
        MainWindowFixture window;
        frmMain &form = startIn(window, files, "f", {"a.min="});
        form.lvListView->row(0)->setSelected(true);
        window.messages.answers = {MessageBoxes::Answer::Yes};
        QTest::keyClick(form.lvListView, Qt::Key_Delete);
        QCOMPARE(window.messages.shown.size(), 1);
        QCOMPARE(window.messages.shown[0].text, QStringLiteral("A.MINを削除してもいいですか？"));
        QCOMPARE(form.lvListView->rowCount(), 0);
    }

    // After a rename the pane shows the folder under its new name, lists its files and is the working
    // directory; after a delete it shows the parent, without the deleted folder.
    void theFolderPaneFollows()
    {
        FileOpsRig files;
        MainWindowFixture window;
        frmMain &form = startIn(window, files, "old", {"part.min="});
        whenShown([](FolderNameDialog &dialog) {
            dialog.Text1->setText("new");
            dialog.Command1->click();
        });
        form.menus()->item(QStringLiteral("mnuFolderRename"))->trigger();
        const QString renamed = files.folder.filePath("new");
        QCOMPARE(QStringList({form.Dir1->path(), window.state.CurrentFolder, QDir::currentPath()}),
                 QStringList({renamed, renamed, renamed}));
        QCOMPARE(form.lvListView->rowCount(), 1);

        window.messages.answers = {MessageBoxes::Answer::Yes};
        form.menus()->item(QStringLiteral("mnuFolderDelete"))->trigger();
        QVERIFY(form.Text2->toPlainText().endsWith(
            "\nPART.MINを削除しました。\nフォルダー'new'を削除しました。\n"));
        QCOMPARE(form.Dir1->path(), files.folder.path());
        QCOMPARE(form.Dir1->subfolderCount(), 0);
    }
};

QTEST_MAIN(tst_FileOpsWindow)
#include "tst_FileOpsWindow.moc"
