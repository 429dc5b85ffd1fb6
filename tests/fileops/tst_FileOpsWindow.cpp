// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/FileListView.h"
#include "browser/FolderList.h"
#include "fileops/FileOpsRig.h"
#include "shell/CommandRouter.h"
#include "shell/LogPane.h"
#include "shell/MainMenus.h"
#include "support/MainWindowFixture.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>

// The file and folder commands in the window: their routes, the Delete key, the name dialogs' keys and
// the folder pane after a folder command.
class tst_FileOpsWindow : public QObject {
    Q_OBJECT

private slots:
    // Each menu command reaches its own handler. Before: A and B of a, b (protected), c are selected;
    // the buffer holds A; select all runs in check-box mode. The pop-up menu and the toolbar follow the
    // router's tables.
    void routes_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("seen");
        // clang-format off
        QTest::newRow("select all") << "mnuEditAllSelect" << "3 selected, 3 checked, 1 copied, protected: b";
        QTest::newRow("copy") << "mnuEditCopy" << "2 selected, 0 checked, 2 copied, protected: b";
        QTest::newRow("paste") << "mnuEditPaste" << "0 selected, 0 checked, 1 copied, protected: b, pasted";
        QTest::newRow("delete") << "mnuFileDelete" << "A.MINを削除してもいいですか？";
        QTest::newRow("Delete key") << "Delete" << "A.MINを削除してもいいですか？";
        QTest::newRow("protect") << "mnuFileProtect" << "0 selected, 0 checked, 1 copied, protected: ab";
        QTest::newRow("unprotect") << "mnuFileUnprotect" << "0 selected, 0 checked, 1 copied, protected: ";
        QTest::newRow("new folder") << "mnuFolderNew" << "NewFolder";
        QTest::newRow("rename folder") << "mnuFolderRename" << "FolderRename";
        QTest::newRow("delete folder") << "mnuFolderDelete" << "フォルダー'f'とフォルダー内のすべてのファイルを削除してもいいですか？";
        // clang-format on
    }

    void routes()
    {
        QFETCH(QString, item);
        FileOpsRig files;
        files.put("f", {"a.min=", "!b.min=", "c.min="});
        MainWindowFixture window;
        window.preset("OpenPathName", files.folder.filePath("f"));
        frmMain &form = window.start();
        if (item == "mnuEditAllSelect")
            form.lvListView->toggleCheckBoxes();
        form.lvListView->row(0)->setSelected(true);
        form.lvListView->row(1)->setSelected(true);
        form.Buffer = {{{"A.MIN", "a.min"}}, QDir::currentPath()};
        QString seen;
        if (item == "mnuFolderNew" || item == "mnuFolderRename")
            whenShown([&seen](FolderNameDialog &dialog) { seen = dialog.objectName(); });

        if (item == "Delete")
            QTest::keyClick(form.lvListView, Qt::Key_Delete);
        else
            form.menus()->item(item)->trigger();

        if (seen.isEmpty() && !window.messages.shown.isEmpty())
            seen = window.messages.shown[0].text;
        if (seen.isEmpty()) {
            int checked = 0;
            QString isProtected;
            for (const FileRow &row : form.lvListView->rows()) {
                checked += row.checked;
                if (FileProtection::isProtected(QFileInfo(row.diskName)))
                    isProtected += row.diskName.front();
            }
            seen = QString("%1 selected, %2 checked, %3 copied, protected: %4")
                       .arg(form.lvListView->selectedItems().size())
                       .arg(checked)
                       .arg(form.Buffer.entries.size())
                       .arg(isProtected);
            if (QFileInfo::exists("コピーa.min"))
                seen += ", pasted";
        }
        QTEST(seen, "seen");
    }

    // Enter in the name field moves the focus to "O  K"; the second Enter presses it. A field gaining
    // the focus has its text selected. The new folder is listed at once; the current folder stays.
    void enterTwiceInTheNameField()
    {
        FileOpsRig files;
        MainWindowFixture window;
        window.preset("OpenPathName", files.folder.path());
        frmMain &form = window.start();
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
        form.menus()->item(QStringLiteral("mnuFolderNew"))->trigger();
        QVERIFY(openAfterFirstEnter);
        QCOMPARE(selected, QStringLiteral("Jobs"));
        QCOMPARE(form.Dir1->entry(0), files.folder.filePath("Jobs"));
        QCOMPARE(window.state.CurrentFolder, files.folder.path());
    }

    // After a rename the pane shows the folder under its new name, lists its files and is the working
    // directory; after a delete it shows the parent, without the deleted folder.
    void theFolderPaneFollows()
    {
        FileOpsRig files;
        files.put("old", {"part.min="});
        MainWindowFixture window;
        window.preset("OpenPathName", files.folder.filePath("old"));
        frmMain &form = window.start();
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
