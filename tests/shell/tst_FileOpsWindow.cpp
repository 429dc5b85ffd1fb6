// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/FileListView.h"
#include "browser/FolderList.h"
#include "fileops/FileOpsRig.h"
#include "platform/ui/QtMessageBoxes.h"
#include "shell/LogPane.h"
#include "shell/MainMenus.h"
#include "support/FakeTools.h"
#include "support/MainWindowFixture.h"
#include "support/RawFolder.h"

#include <QAction>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QWindow>

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

    // The first row current and selected, as a click makes it, once the folder is listed.
    static void markFirst(FileListView *list)
    {
        QTRY_VERIFY(list->rowCount() > 0);
        list->setCurrentIndex(list->row(0));
        list->selectionModel()->select(list->row(0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

private slots:
    // The Delete key in the list deletes the selected file, as the command does.
    void theDeleteKeyDeletes()
    {
        FileOpsRig files;
        MainWindowFixture window;
        frmMain &form = startIn(window, files, "f", {"a.min="});
        markFirst(form.lvListView);
        window.messages.answers = {MessageBoxes::Answer::Yes};
        QTest::keyClick(form.lvListView, Qt::Key_Delete);
        QCOMPARE(window.messages.shown.size(), 1);
        QCOMPARE(window.messages.shown[0].text, QStringLiteral("A.MINを削除してもいいですか？"));
        QTRY_COMPARE(form.lvListView->rowCount(), 0);
    }

    // A question that comes while a program goes out, even while the abort dialog is the active window,
    // goes over the main window and leaves "中止" live: the send stops with the question still open, the
    // answer given after is carried out, and the abort dialog is the main window's again.
    void aQuestionDuringASendLeavesTheAbortLive()
    {
        FileOpsRig files;
        MainWindowFixture window;
        window.useScriptedPort = true;
        frmMain &form = startIn(window, files, "f", {"a.min=O1"});
        markFirst(form.lvListView);
        QtMessageBoxes boxes; // the question is the program's own box, and the command takes its answer
        window.messages.whileAsking = [&] {
            const ScriptedMessageBoxes::Shown asked = window.messages.shown.last();
            window.messages.answers = {boxes.show(asked.text, asked.title, asked.icon, asked.buttons)};
        };
        form.menus()->item(QStringLiteral("mnuTransOutput"))->trigger();
        frmCancelSend *abort = form.transfer()->dialog();
        QTRY_VERIFY(abort->isVisible()); // the machine has not asked for the program: the send waits
        abort->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), abort);
        bool stoppedWhileOpen = false;
        QTimer::singleShot(0, &form, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            // Clicked as the window system delivers it: there Qt drops the clicks a modal window blocks.
            QTest::mouseClick(abort->windowHandle(), Qt::LeftButton, {},
                              abort->Command1->geometry().center());
            stoppedWhileOpen = QTest::qWaitFor([&] { return !form.transfer()->running(); }, 2000) &&
                               box->isVisible() && box->parentWidget() == &form;
            box->button(QMessageBox::Yes)->click();
        });
        form.menus()->item(QStringLiteral("mnuFileDelete"))->trigger();
        QVERIFY(stoppedWhileOpen);
        QVERIFY(form.Text2->toPlainText().endsWith(
            QStringLiteral("送信がキャンセルされました。\nA.MINを削除しました。\n")));
        QTRY_COMPARE(abort->windowHandle()->transientParent(), form.windowHandle());
    }

    // The folder shown is the window's own, never the process's: entering one named in Shift_JIS, a copy
    // and paste, a send, a reception and the editor leave the process where it started. The editor
    // starts in the folder shown, entered by its very bytes, and the commands work there.
    void theProcessStaysWhereItStarted()
    {
        FakeTools tools; // an editor whatever this machine has
        tools.install({QStringLiteral("mousepad")});
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", tools.environment().value(QStringLiteral("PATH")).toLocal8Bit());
        const auto restore = qScopeGuard([&path] { qputenv("PATH", path); });
        FileOpsRig files;
        const RawFolder sjis(files.folder.addFolder("f"), "\x89\xc1\x8dH"); // 加工
        const QString started = QDir::currentPath();
        MainWindowFixture window;
        window.useScriptedPort = true;
        frmMain &form = startIn(window, files, "f", {"a.min=O1"});
        markFirst(form.lvListView);
        form.menus()->item(QStringLiteral("mnuEditCopy"))->trigger();
        form.Dir1->setPath(sjis.path());
        QTRY_COMPARE(window.state.CurrentFolder, sjis.path());
        form.menus()->item(QStringLiteral("mnuEditPaste"))->trigger();
        window.punchOnceListening("$B.MIN%\r\nG0 X1\r\n",
                                  [&window] { window.scriptedPort.feed("M30\r\n%"); });
        form.menus()->item(QStringLiteral("mnuTransInput"))->trigger();
        QTRY_VERIFY(!form.transfer()->running());
        QTRY_COMPARE(form.lvListView->rowCount(), 2);
        markFirst(form.lvListView);
        form.menus()->item(QStringLiteral("mnuTransOutput"))->trigger();
        window.scriptedPort.feed("\x11"); // the machine reads
        QTRY_VERIFY(!form.transfer()->running());
        QTest::keyClick(form.lvListView, Qt::Key_Return);

        QCOMPARE(QDir::currentPath(), started);
        QStringList there = NativeFile::entries(sjis.path());
        there.sort();
        QCOMPARE(there, (QStringList{"B.MIN", "a.min"}));
        QVERIFY(window.scriptedPort.written.contains("O1"));
        QCOMPARE(window.launcher.started.size(), 1);
        QCOMPARE(window.launcher.started[0].folder, NativeName::toBytes(sjis.path()));
        QCOMPARE(window.launcher.started[0].arguments.last(), NativeFile::join(sjis.path(), "a.min"));
    }

    // After a rename the pane shows the folder under its new name and lists its files; after a delete
    // it shows the parent, without the deleted folder.
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
        QCOMPARE(QStringList({form.Dir1->path(), window.state.CurrentFolder}),
                 QStringList({renamed, renamed}));
        QTRY_COMPARE(form.lvListView->rowCount(), 1);

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
