// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/DriveList.h"
#include "browser/FileListView.h"
#include "browser/FolderList.h"
#include "fileops/FileOpsRig.h"
#include "platform/files/NativeFile.h"
#include "shell/LogPane.h"
#include "shell/MainMenus.h"
#include "support/BindMount.h"
#include "support/MainWindowFixture.h"
#include "support/PermissionsEnforced.h"
#include "support/RawFolder.h"
#include "support/TestDir.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTextEdit>

// Drives and folders as a user moves through them, on a real main window over a temporary tree:
//   ROOT/A (A.MIN)  ROOT/A/A1 (DEEP.MIN)  ROOT/B (B.SUB)  ROOT/B/B1  ROOT/TOP.MIN (reads "O9")
class tst_FolderNavigation : public QObject {
    Q_OBJECT

    TestDir m_tree;
    QString m_root;

    // The log without the settings file's own lines from start-up.
    static QString navigationLog(const frmMain &form)
    {
        QStringList lines = form.Text2->toPlainText().split(QLatin1Char('\n'));
        lines.removeIf([](const QString &line) { return line.startsWith(QStringLiteral("設定ファイル'")); });
        return lines.join(QLatin1Char('\n'));
    }

    static void clickEntry(FolderList *pane, int index)
    {
        pane->setListIndex(index);
        QTest::mouseClick(pane->viewport(), Qt::LeftButton, {},
                          pane->visualItemRect(pane->currentItem()).center());
    }

    // The folder pane (once it has got there), the working directory and CurrentFolder all stand on the
    // folder.
    static void expectShown(const frmMain &form, const AppState &state, const QString &folder)
    {
        QTRY_COMPARE(form.Dir1->path(), folder);
        QCOMPARE(QDir::fromNativeSeparators(state.CurrentFolder), folder);
        QCOMPARE(form.Drive1->drive(), form.Drive1->rootOf(folder));
    }

    // A folder with the subfolder SUB and two files reading "O1" and "O2"; its canonical path.
    static QString withSubfolder(TestDir &scratch, const char *first, const char *second)
    {
        scratch.addFolder(QStringLiteral("SUB"));
        scratch.addFile(QString::fromLatin1(first), QByteArray("O1\n"));
        scratch.addFile(QString::fromLatin1(second), QByteArray("O2\n"));
        return QDir(scratch.path()).canonicalPath();
    }

private slots:
    void initTestCase()
    {
        m_root = QDir(m_tree.path()).canonicalPath();
        m_tree.addFolder(QStringLiteral("A/A1"));
        m_tree.addFolder(QStringLiteral("B/B1"));
        for (const char *file : {"A/A.MIN", "A/A1/DEEP.MIN", "B/B.SUB"})
            m_tree.addFile(QString::fromLatin1(file));
        m_tree.addFile(QStringLiteral("TOP.MIN"), "O9\n");
    }

    // Folders relative to the tree; "/" is the system drive, shown when the remembered folder is gone.
    void startsInTheRememberedFolder_data()
    {
        QTest::addColumn<QString>("remembered");
        QTest::addColumn<bool>("gone");
        QTest::addColumn<QString>("startedIn");
        QTest::newRow("there") << "A" << false << "";
        QTest::newRow("gone, started elsewhere") << "GONE/DEEPER" << true << "A";
        QTest::newRow("gone, started at the root") << "GONE/DEEPER" << true << "/";
    }

    void startsInTheRememberedFolder()
    {
        QFETCH(QString, remembered);
        QFETCH(bool, gone);
        QFETCH(QString, startedIn);
        const auto inTree = [this](const QString &p) { return p == u"/" ? p : m_root + u'/' + p; };
        if (!startedIn.isEmpty())
            QDir::setCurrent(inTree(startedIn));
        MainWindowFixture window;
        const frmMain &form = window.start(inTree(remembered));

        const QString shown = gone ? QStringLiteral("/") : inTree(remembered);
        expectShown(form, window.state, shown);
        QTRY_COMPARE(form.lvListView->rowCount(), int(QDir(shown).entryList(QDir::Files).size()));
        QCOMPARE(navigationLog(form),
                 gone ? inTree(remembered) + QStringLiteral("の準備が出来ていません。\n") : QString());
        QVERIFY(!window.state.StartupFolderPending);
    }

    // After the last key released the highlighted folder opens a second later. Meanwhile the list is empty,
    // or already shows the open folder or its parent when the highlight landed on one; Enter opens at once.
    void keysOpenTheHighlightedFolderAfterASecond_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<int>("highlighted");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("presses");
        QTest::addColumn<int>("rowsMeanwhile");
        QTest::addColumn<QString>("folderMeanwhile");
        QTest::addColumn<bool>("toFiles");
        QTest::addColumn<QString>("to");
        QTest::newRow("down onto a subfolder")
            << "" << -1 << int(Qt::Key_Down) << 1 << 0 << "" << false << "/A";
        QTest::newRow("down twice in a row")
            << "" << -1 << int(Qt::Key_Down) << 2 << 0 << "" << false << "/B";
        QTest::newRow("up onto the open folder") << "" << 0 << int(Qt::Key_Up) << 1 << 1 << "" << false << "";
        QTest::newRow("up onto the parent") << "/A" << -1 << int(Qt::Key_Up) << 1 << 1 << "" << false << "";
        QTest::newRow("right") << "" << -1 << int(Qt::Key_Right) << 1 << 1 << "" << true << "";
        QTest::newRow("enter") << "" << 1 << int(Qt::Key_Return) << 1 << 1 << "/B" << true << "/B";
    }

    void keysOpenTheHighlightedFolderAfterASecond()
    {
        QFETCH(QString, from);
        QFETCH(int, highlighted);
        QFETCH(int, key);
        QFETCH(int, presses);
        QFETCH(int, rowsMeanwhile);
        QFETCH(QString, folderMeanwhile);
        QFETCH(bool, toFiles);
        QFETCH(QString, to);
        MainWindowFixture window;
        frmMain &form = window.start(m_root + from);
        form.Dir1->setFocus();
        form.Dir1->setListIndex(highlighted);
        const auto *wait = form.findChild<QTimer *>(QStringLiteral("Dir1_KeyWait"));
        QVERIFY(wait);
        QCOMPARE(wait->interval(), 1000);

        form.Text1->setPlainText(QStringLiteral("stale"));
        QSignalSpy opened(wait, &QTimer::timeout);
        for (int press = 0; press < presses; ++press)
            QTest::keyClick(form.Dir1, Qt::Key(key));
        QVERIFY(wait->isActive());
        if (key == Qt::Key_Right) // the list's current file is shown
            QCOMPARE(form.Text1->toPlainText(), QStringLiteral("O9\n"));
        QTRY_COMPARE(form.lvListView->rowCount(), rowsMeanwhile);
        QCOMPARE(form.Dir1->path(), m_root + folderMeanwhile);
        QTRY_COMPARE(opened.size(), 1); // a run of keys opens once
        expectShown(form, window.state, m_root + to);
        QCOMPARE(QApplication::focusWidget() == form.lvListView, toFiles);

        // The keyboard's own move of the highlight does not swallow the next real click, which opens the
        // folder, lists its files and empties the data pane.
        form.Text1->setPlainText(QStringLiteral("O1234"));
        form.Text1->hide();
        form.Image1->show();
        const QString next = form.Dir1->entry(0);
        clickEntry(form.Dir1, 0);
        expectShown(form, window.state, next);
        QCOMPARE(form.Dir1->listIndex(), -1);
        QTRY_COMPARE(form.lvListView->rowCount(), int(QDir(next).entryList(QDir::Files).size()));
        QVERIFY(form.Text1->toPlainText().isEmpty());
        QVERIFY(form.Text1->isVisible() && !form.Image1->isVisible());
    }

    // A subfolder gone meanwhile: the open folder is shown as it is now. The open folder gone: not ready.
    void foldersRemovedMeanwhile()
    {
        TestDir scratch;
        scratch.addFolder(QStringLiteral("WORK/KEEP"));
        scratch.addFolder(QStringLiteral("WORK/LOST"));
        const QString work = QDir(scratch.path()).canonicalPath() + QStringLiteral("/WORK");
        MainWindowFixture window;
        frmMain &form = window.start(work);
        QVERIFY(QDir(work).rmdir(QStringLiteral("LOST")));
        clickEntry(form.Dir1, 1);
        QTRY_COMPARE(form.Dir1->subfolderCount(), 1);
        expectShown(form, window.state, work);
        QVERIFY(navigationLog(form).isEmpty());

        QVERIFY(QDir(work).removeRecursively());
        clickEntry(form.Dir1, 0);
        QTRY_VERIFY(form.Dir1->path() != work);
        QCOMPARE(navigationLog(form), work + QStringLiteral("の準備が出来ていません。\n"));
        expectShown(form, window.state, form.Dir1->path());
    }

    // A folder named in Shift_JIS bytes is listed as it reads, where its text belongs, entered with its
    // files listed, and remembered across a restart; once gone, the log names it as it reads.
    void aFolderNamedInShiftJisIsRemembered()
    {
        TestDir scratch;
        for (const char *folder : {"alpha", "Zeta", ".hidden"})
            scratch.addFolder(QString::fromLatin1(folder));
        const QString root = QDir(scratch.path()).canonicalPath();
        const RawFolder sjis(root, "\x83\x76\x83\x8D\x83\x4F");
        QFile file;
        QVERIFY(NativeFile::open(file, NativeFile::join(sjis.path(), QStringLiteral("O1.MIN")),
                                 QIODevice::WriteOnly)
                    .ok());
        file.write("O1\n");
        file.close();
        MainWindowFixture window;
        frmMain &form = window.start(root);
        QStringList subfolders;
        for (int index = 0; index < form.Dir1->subfolderCount(); ++index)
            subfolders << form.Dir1->item(form.Dir1->count() - form.Dir1->subfolderCount() + index)->text();
        QCOMPARE(subfolders, (QStringList{"alpha", "Zeta", "プログ"}));
        clickEntry(form.Dir1, 2);
        QTRY_COMPARE(form.Dir1->path(), sjis.path());
        QCOMPARE(window.state.CurrentFolder, sjis.path());
        QTRY_COMPARE(form.lvListView->rowCount(), 1);

        form.close();
        const frmMain &again = window.start();
        QCOMPARE(again.Dir1->path(), sjis.path());
        QCOMPARE(again.Dir1->path(), QDir::fromNativeSeparators(window.state.CurrentFolder));
        QTRY_COMPARE(again.lvListView->rowCount(), 1);
        QCOMPARE(navigationLog(again), QString());

        window.form->close();
        RawFolder::removeAll(sjis.path());
        const frmMain &gone = window.start();
        QCOMPARE(navigationLog(gone), root + QStringLiteral("/プログの準備が出来ていません。\n"));
        expectShown(gone, window.state, QStringLiteral("/"));
    }

    // A drive gone is reported, and the system drive comes back with its own folder.
    void aDriveGoneIsReported()
    {
        TestDir stick;
        const QString stickRoot = QDir(stick.path()).canonicalPath();
        MainWindowFixture window;
        frmMain &form = window.start(m_root + QStringLiteral("/B"));
        form.Drive1->setRoots({QStringLiteral("/"), stickRoot}, false);
        QVERIFY(QDir(stickRoot).removeRecursively());
        form.Drive1->setDrive(stickRoot);
        QVERIFY(navigationLog(form).startsWith(stickRoot + QStringLiteral(" は")));
        QCOMPARE(navigationLog(form).count(QLatin1Char('\n')), 1);
        expectShown(form, window.state, m_root + QStringLiteral("/B"));
    }

    // The folder pane starts at the root of the folder's drive, and the drive pane names that drive,
    // whichever way the folder was reached. ROOT/B counts as a drive of its own here; "/" is the system's.
    void bothPanesStandOnTheSameDrive_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("drive");
        const auto row = [](const char *name, const char *from, const char *action, const char *shown,
                            const char *drive) { QTest::newRow(name) << from << action << shown << drive; };
        row("top entry clicked", "/B/B1", "click top", "/B", "/B");
        row("subfolder that is a drive", "", "click B", "/B", "/B");
        row("drive refusing access", "", "choose locked B", "", "/");
    }

    void bothPanesStandOnTheSameDrive()
    {
        QFETCH(QString, from);
        QFETCH(QString, action);
        QFETCH(QString, shown);
        QFETCH(QString, drive);
        const auto inTree = [this](const QString &p) { return p == u"/" ? p : m_root + p; };
        const QString driveB = inTree(QStringLiteral("/B"));
        MainWindowFixture window;
        frmMain &form = window.start(inTree(from));
        form.Drive1->setRoots({QStringLiteral("/"), driveB}, false);
        if (action == u"click top") {
            clickEntry(form.Dir1, form.Dir1->subfolderCount() - form.Dir1->count());
        } else if (action == u"click B") {
            clickEntry(form.Dir1, 1);
        } else {
            const PermissionsEnforced enforced;
            QVERIFY(QFile::setPermissions(driveB, {}));
            form.Drive1->setDrive(driveB);
            QVERIFY(QFile::setPermissions(driveB, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        }
        expectShown(form, window.state, inTree(shown));
        QCOMPARE(form.Drive1->drive(), inTree(drive));
        QCOMPARE(form.Dir1->top(), inTree(drive));
        QVERIFY(navigationLog(form).isEmpty());

        // The other drive and back: each shows its own folder, and the panes stay together.
        const QString other = drive == u"/" ? driveB : QStringLiteral("/");
        form.Drive1->setDrive(other);
        QCOMPARE(form.Drive1->drive(), other);
        expectShown(form, window.state, form.Dir1->path());
        form.Drive1->setDrive(inTree(drive));
        expectShown(form, window.state, inTree(shown));
    }

    // The folder shown is watched: files come and go as other programs write and delete them, and the
    // preview of a file gone gives way to the row now current.
    void theShownFolderIsWatched()
    {
        TestDir scratch;
        const QString folder = withSubfolder(scratch, "A.MIN", "B.MIN");
        MainWindowFixture window;
        frmMain &form = window.start(folder);
        QVERIFY(QFile::remove(scratch.filePath(QStringLiteral("A.MIN"))));
        QTRY_COMPARE(form.lvListView->rowCount(), 1);
        QCOMPARE(form.Text1->toPlainText(), QStringLiteral("O2\n"));
        QCOMPARE(window.state.CurrentFileName, QStringLiteral("B.MIN"));

        clickEntry(form.Dir1, 0);
        QTRY_COMPARE(form.Dir1->path(), folder + QStringLiteral("/SUB"));
        QCOMPARE(form.lvListView->rowCount(), 0);
        scratch.addFile(QStringLiteral("SUB/NEW.MIN"));
        QTRY_COMPARE(form.lvListView->rowCount(), 1);
    }

    // The file named when the edit ends is renamed, also when another folder opens before the rename runs.
    void aRenameActsWhereTheEditEnded_data()
    {
        QTest::addColumn<bool>("moveFirst");
        QTest::newRow("staying") << false;
        QTest::newRow("subfolder clicked at once") << true;
    }

    void aRenameActsWhereTheEditEnded()
    {
        QFETCH(bool, moveFirst);
        TestDir scratch;
        const QString folder = withSubfolder(scratch, "top.min", "SUB/victim.min");
        MainWindowFixture window;
        frmMain &form = window.start(folder);
        form.lvListView->edit(form.lvListView->row(0));
        auto *editor = form.lvListView->viewport()->findChild<QLineEdit *>();
        QVERIFY(editor);
        QCOMPARE(editor->text(), QStringLiteral("TOP.MIN"));
        editor->setText(QStringLiteral("renamed.min"));
        QTest::keyClick(editor, Qt::Key_Return);
        if (moveFirst)
            clickEntry(form.Dir1, 0);

        QTRY_COMPARE(QDir(folder).entryList(QDir::Files), QStringList{QStringLiteral("renamed.min")});
        QCOMPARE(QDir(folder + QStringLiteral("/SUB")).entryList(QDir::Files),
                 QStringList{QStringLiteral("victim.min")});
        QCOMPARE(window.state.CurrentFileName, QStringLiteral("TOP.MIN"));
        QTRY_COMPARE(form.lvListView->row(0).data().toString(),
                     moveFirst ? QStringLiteral("VICTIM.MIN") : QStringLiteral("RENAMED.MIN"));
    }

    // A share whose server has stopped, mounted in the folder shown, holds up no folder work beside it:
    // a rename and a delete wait for nothing, and the arrow keys onto the share leave the pane on its
    // folder once the share has not answered in time, the window live meanwhile.
    void aStoppedShareBesideHoldsNothingUp()
    {
        QSKIP_WITHOUT_OWN_MOUNTS();
        TestDir local, underneath;
        local.addFolder(QStringLiteral("A"));
        local.addFolder(QStringLiteral("C"));
        local.addFile(QStringLiteral("A/A.MIN"));
        const QString folder = QDir(local.path()).canonicalPath();
        BindMount share(underneath.path(), folder);
        QVERIFY2(share.failure().isEmpty(), qPrintable(share.failure()));
        const StoppedShare stopped(share);
        const LoopGaps gaps;
        MainWindowFixture window;
        frmMain &form = window.start(folder + QStringLiteral("/A"));

        whenShown([](FolderNameDialog &dialog) {
            dialog.Text1->setText(QStringLiteral("B"));
            dialog.Command1->click();
        });
        form.menus()->item(QStringLiteral("mnuFolderRename"))->trigger();
        expectShown(form, window.state, folder + QStringLiteral("/B"));
        QTRY_COMPARE(form.lvListView->rowCount(), 1);
        window.messages.answers = {MessageBoxes::Answer::Yes};
        form.menus()->item(QStringLiteral("mnuFolderDelete"))->trigger();
        expectShown(form, window.state, folder);
        QCOMPARE(QStringList({form.Dir1->entry(0), form.Dir1->entry(1)}),
                 QStringList({folder + QStringLiteral("/C"), share.path()}));

        form.Dir1->setFocus();
        form.Dir1->setListIndex(0);
        QTest::keyClick(form.Dir1, Qt::Key_Down);
        QTRY_COMPARE_WITH_TIMEOUT(form.Dir1->listIndex(), -1, 10000);
        QCOMPARE(form.Dir1->path(), folder);
        QTest::keyClick(form.Dir1, Qt::Key_Down);
        expectShown(form, window.state, folder + QStringLiteral("/C"));
        QVERIFY2(gaps.longestMs() < 1000, qPrintable(QString::number(gaps.longestMs())));
        QVERIFY(!stopped.wentOnByItself());
    }

    // The pane with the focus shows the window colour, the others grey.
    void focusColour()
    {
        MainWindowFixture window;
        frmMain &form = window.start(m_root);
        const QColor focused = QApplication::palette().color(QPalette::Base);
        QVERIFY(focused != QColor(240, 240, 240));
        const QList<QWidget *> panes = {form.Drive1, form.Dir1, form.lvListView};
        for (QWidget *pane : panes) {
            pane->setFocus();
            QTRY_COMPARE(pane->palette().color(QPalette::Base), focused);
            for (const QWidget *other : panes)
                QCOMPARE(other->palette().color(QPalette::Base),
                         other == pane ? focused : QColor(240, 240, 240));
        }
    }
};

QTEST_MAIN(tst_FolderNavigation)
#include "tst_FolderNavigation.moc"
