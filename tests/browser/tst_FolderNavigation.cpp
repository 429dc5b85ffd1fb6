#include "browser/DriveList.h"
#include "browser/FileListView.h"
#include "browser/FolderList.h"
#include "browser/FolderNavigator.h"
#include "browser/WaitSeconds.h"
#include "shell/LogPane.h"
#include "support/MainWindowFixture.h"
#include "support/TestDir.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

// Drives and folders as a user moves through them, on a real main window over a temporary tree:
//   ROOT/A (A.MIN)  ROOT/A/A1 (DEEP.MIN)  ROOT/B (B.SUB)  ROOT/TOP.MIN
class tst_FolderNavigation : public QObject {
    Q_OBJECT

private:
    TestDir m_tree;
    QString m_root;

    static QStringList listed(const frmMain &form)
    {
        QStringList names;
        for (int i = 0; i < form.lvListView->rowCount(); ++i)
            names << form.lvListView->row(i)->text(0);
        return names;
    }

    static QString here() { return QDir::cleanPath(QDir::currentPath()); }

    // The log without the settings file's own lines from start-up.
    static QString navigationLog(const frmMain &form)
    {
        QStringList lines = form.Text2->toPlainText().split(QLatin1Char('\n'));
        lines.removeIf([](const QString &line) { return line.startsWith(QStringLiteral("設定ファイル'")); });
        return lines.join(QLatin1Char('\n'));
    }

    frmMain &startIn(MainWindowFixture &window, const QString &folder)
    {
        window.preset(QStringLiteral("OpenPathName"), folder);
        frmMain &form = window.start();
        form.activateWindow();
        if (!QTest::qWaitForWindowActive(&form))
            qFatal("the main window did not become active");
        return form;
    }

    static void clickEntry(FolderList *pane, int index)
    {
        pane->setListIndex(index);
        const QRect rect = pane->visualItemRect(pane->currentItem());
        QTest::mouseClick(pane->viewport(), Qt::LeftButton, {}, rect.center());
    }

    static void expectShown(const frmMain &form, const AppState &state, const QString &folder)
    {
        QCOMPARE(form.Dir1->path(), folder);
        QCOMPARE(here(), folder);
        QCOMPARE(QDir::fromNativeSeparators(state.CurrentFolder), folder);
    }

private slots:
    void initTestCase()
    {
        m_root = QDir(m_tree.path()).canonicalPath();
        m_tree.addFolder(QStringLiteral("A/A1"));
        m_tree.addFolder(QStringLiteral("B"));
        m_tree.addFile(QStringLiteral("TOP.MIN"));
        m_tree.addFile(QStringLiteral("A/A.MIN"));
        m_tree.addFile(QStringLiteral("A/A1/DEEP.MIN"));
        m_tree.addFile(QStringLiteral("B/B.SUB"));
    }

    void startsInTheRememberedFolder()
    {
        MainWindowFixture window;
        const frmMain &form = startIn(window, m_root + QStringLiteral("/A"));
        expectShown(form, window.state, m_root + QStringLiteral("/A"));
        QCOMPARE(listed(form), QStringList{QStringLiteral("A.MIN")});
        QVERIFY(!window.state.StartupFolderPending);
        QVERIFY(navigationLog(form).isEmpty());
        QCOMPARE(form.Drive1->drive(), QStringLiteral("/"));
    }

    void aRememberedFolderThatIsGoneFallsBackToTheSystemDrive_data()
    {
        QTest::addColumn<QString>("startedIn");
        QTest::newRow("started elsewhere") << QStringLiteral("A");
        QTest::newRow("started at the root") << QStringLiteral("/");
    }

    void aRememberedFolderThatIsGoneFallsBackToTheSystemDrive()
    {
        QFETCH(QString, startedIn);
        QDir::setCurrent(startedIn == QLatin1String("/") ? startedIn : m_root + QLatin1Char('/') + startedIn);
        MainWindowFixture window;
        const QString gone = m_root + QStringLiteral("/GONE/DEEPER");
        const frmMain &form = startIn(window, gone);

        QCOMPARE(navigationLog(form), gone + QStringLiteral("の準備が出来ていません。\n"));
        QCOMPARE(form.Drive1->drive(), QStringLiteral("/"));
        expectShown(form, window.state, QStringLiteral("/"));
        QVERIFY(!window.state.StartupFolderPending);
    }

    void aSingleClickOpensAFolder()
    {
        MainWindowFixture window;
        frmMain &form = startIn(window, m_root);
        QCOMPARE(form.Dir1->entry(0), m_root + QStringLiteral("/A"));

        clickEntry(form.Dir1, 0);
        QTRY_COMPARE(form.Dir1->path(), m_root + QStringLiteral("/A"));
        expectShown(form, window.state, m_root + QStringLiteral("/A"));
        QCOMPARE(listed(form), QStringList{QStringLiteral("A.MIN")});
        QCOMPARE(form.Dir1->listIndex(), -1);
        QCOMPARE(form.Dir1->entry(0), m_root + QStringLiteral("/A/A1"));
    }

    void aClickOnAnAncestorOpensIt()
    {
        MainWindowFixture window;
        frmMain &form = startIn(window, m_root + QStringLiteral("/A/A1"));
        QCOMPARE(listed(form), QStringList{QStringLiteral("DEEP.MIN")});
        clickEntry(form.Dir1, -3);
        QTRY_COMPARE(form.Dir1->path(), m_root);
        expectShown(form, window.state, m_root);
        QCOMPARE(listed(form), QStringList{QStringLiteral("TOP.MIN")});
        QCOMPARE(form.Dir1->listIndex(), -1);
    }

    void enterOpensTheHighlightedFolderAndHandsOverTheKeyboard()
    {
        MainWindowFixture window;
        frmMain &form = startIn(window, m_root);
        form.Dir1->setFocus();
        form.Dir1->setListIndex(1);
        QTest::keyPress(form.Dir1, Qt::Key_Return);
        expectShown(form, window.state, m_root + QStringLiteral("/B"));
        QCOMPARE(listed(form), QStringList{QStringLiteral("B.SUB")});
        QCOMPARE(QApplication::focusWidget(), form.lvListView);
    }

    void arrowKeysEmptyTheListAndOpenTheFolderAfterASecond()
    {
        MainWindowFixture window;
        frmMain &form = startIn(window, m_root);
        form.Dir1->setFocus();
        QCOMPARE(form.Dir1->listIndex(), -1);

        int rowsDuringTheWait = -1;
        QString folderDuringTheWait;
        QTimer::singleShot(400, this, [&] {
            rowsDuringTheWait = form.lvListView->rowCount();
            folderDuringTheWait = form.Dir1->path();
        });
        QElapsedTimer clock;
        clock.start();
        QTest::keyClick(form.Dir1, Qt::Key_Down);
        QVERIFY(clock.elapsed() >= 1000);

        QCOMPARE(rowsDuringTheWait, 0);
        QCOMPARE(folderDuringTheWait, m_root);
        expectShown(form, window.state, m_root + QStringLiteral("/A"));
        QCOMPARE(listed(form), QStringList{QStringLiteral("A.MIN")});

        // The keyboard's own highlight move does not swallow the next real click.
        clickEntry(form.Dir1, 0);
        QTRY_COMPARE(form.Dir1->path(), m_root + QStringLiteral("/A/A1"));
        QCOMPARE(listed(form), QStringList{QStringLiteral("DEEP.MIN")});
    }

    void upOntoTheOpenFolderListsItAgainAtOnce()
    {
        MainWindowFixture window;
        frmMain &form = startIn(window, m_root);
        form.Dir1->setFocus();
        form.Dir1->setListIndex(0);
        int rowsDuringTheWait = -1;
        QTimer::singleShot(400, this, [&] { rowsDuringTheWait = form.lvListView->rowCount(); });
        QTest::keyClick(form.Dir1, Qt::Key_Up);
        QCOMPARE(rowsDuringTheWait, 1);
        expectShown(form, window.state, m_root);
        QCOMPARE(listed(form), QStringList{QStringLiteral("TOP.MIN")});
    }

    void upOntoTheParentOpensItAtOnce()
    {
        MainWindowFixture window;
        frmMain &form = startIn(window, m_root + QStringLiteral("/A"));
        form.Dir1->setFocus();
        QString folderDuringTheWait;
        QTimer::singleShot(400, this, [&] { folderDuringTheWait = form.Dir1->path(); });
        QTest::keyClick(form.Dir1, Qt::Key_Up);
        QCOMPARE(folderDuringTheWait, m_root);
        expectShown(form, window.state, m_root);
        QCOMPARE(listed(form), QStringList{QStringLiteral("TOP.MIN")});
    }

    void rightHandsTheKeyboardToTheFileList()
    {
        MainWindowFixture window;
        frmMain &form = startIn(window, m_root);
        form.Dir1->setFocus();
        QTest::keyClick(form.Dir1, Qt::Key_Right);
        QCOMPARE(QApplication::focusWidget(), form.lvListView);
        expectShown(form, window.state, m_root);
    }

    void aClickOnAFolderRemovedMeanwhileShowsTheFolderAsItIs()
    {
        TestDir scratch;
        scratch.addFolder(QStringLiteral("KEEP"));
        scratch.addFolder(QStringLiteral("LOST"));
        const QString root = QDir(scratch.path()).canonicalPath();
        MainWindowFixture window;
        frmMain &form = startIn(window, root);
        QCOMPARE(form.Dir1->subfolderCount(), 2);
        QVERIFY(QDir(root).rmdir(QStringLiteral("LOST")));

        clickEntry(form.Dir1, 1);
        QTRY_COMPARE(form.Dir1->subfolderCount(), 1);
        expectShown(form, window.state, root);
        QVERIFY(navigationLog(form).isEmpty());
    }

    void theOpenFolderRemovedMeanwhileFallsBackToTheSystemDrive()
    {
        TestDir scratch;
        scratch.addFolder(QStringLiteral("WORK/INNER"));
        const QString work = QDir(scratch.path()).canonicalPath() + QStringLiteral("/WORK");
        MainWindowFixture window;
        frmMain &form = startIn(window, work);
        QVERIFY(QDir(work).removeRecursively());

        clickEntry(form.Dir1, 0);
        QTRY_VERIFY(form.Dir1->path() != work);
        QCOMPARE(navigationLog(form), work + QStringLiteral("の準備が出来ていません。\n"));
        QCOMPARE(form.Drive1->drive(), QStringLiteral("/"));
        expectShown(form, window.state, form.Dir1->path());
    }

    void aDriveThatIsGoneIsReportedAndTheSystemDriveComesBack()
    {
        TestDir stick;
        const QString stickRoot = QDir(stick.path()).canonicalPath();
        MainWindowFixture window;
        frmMain &form = startIn(window, m_root);
        form.Drive1->setRoots({QStringLiteral("/"), stickRoot}, false);

        form.Drive1->setDrive(stickRoot);
        expectShown(form, window.state, stickRoot);
        QVERIFY(navigationLog(form).isEmpty());

        QVERIFY(form.Drive1->setDrive(QStringLiteral("/")));
        QVERIFY(QDir(stickRoot).removeRecursively());
        form.Drive1->setDrive(stickRoot);
        QVERIFY(navigationLog(form).startsWith(stickRoot + QStringLiteral(" は")));
        QCOMPARE(navigationLog(form).count(QLatin1Char('\n')), 1);
        QCOMPARE(form.Drive1->drive(), QStringLiteral("/"));
        QCOMPARE(here(), form.Dir1->path());
    }

    void eachDriveKeepsItsOwnFolder()
    {
        TestDir stick;
        stick.addFolder(QStringLiteral("PROGS"));
        const QString stickRoot = QDir(stick.path()).canonicalPath();
        MainWindowFixture window;
        frmMain &form = startIn(window, m_root + QStringLiteral("/B"));
        form.Drive1->setRoots({QStringLiteral("/"), stickRoot}, false);

        form.Drive1->setDrive(stickRoot);
        clickEntry(form.Dir1, 0);
        QTRY_COMPARE(form.Dir1->path(), stickRoot + QStringLiteral("/PROGS"));
        form.Drive1->setDrive(QStringLiteral("/"));
        expectShown(form, window.state, m_root + QStringLiteral("/B"));
        form.Drive1->setDrive(stickRoot);
        expectShown(form, window.state, stickRoot + QStringLiteral("/PROGS"));
    }

    void aFolderChangeEmptiesTheDataPane()
    {
        MainWindowFixture window;
        frmMain &form = startIn(window, m_root);
        form.Text1->setPlainText(QStringLiteral("O1234"));
        form.Text1->hide();
        form.Image1->show();
        clickEntry(form.Dir1, 0);
        QTRY_COMPARE(form.Dir1->path(), m_root + QStringLiteral("/A"));
        QVERIFY(form.Text1->toPlainText().isEmpty());
        QVERIFY(form.Text1->isVisible());
        QVERIFY(!form.Image1->isVisible());
    }

    void thePaneWithTheFocusShowsTheWindowColour()
    {
        MainWindowFixture window;
        frmMain &form = startIn(window, m_root);
        const QColor grey(240, 240, 240);
        const QColor window_ = QApplication::palette().color(QPalette::Base);
        QVERIFY(window_ != grey);
        form.Dir1->setFocus();
        QTRY_COMPARE(form.Dir1->palette().color(QPalette::Base), window_);
        QCOMPARE(form.lvListView->palette().color(QPalette::Base), grey);
        QCOMPARE(form.Drive1->palette().color(QPalette::Base), grey);
        form.lvListView->setFocus();
        QTRY_COMPARE(form.lvListView->palette().color(QPalette::Base), window_);
        QCOMPARE(form.Dir1->palette().color(QPalette::Base), grey);
        form.Drive1->setFocus();
        QTRY_COMPARE(form.Drive1->palette().color(QPalette::Base), window_);
        QCOMPARE(form.lvListView->palette().color(QPalette::Base), grey);
    }

    void waitSecondsHandlesEventsAndEndsOnTime()
    {
        bool handled = false;
        QTimer::singleShot(100, this, [&] { handled = true; });
        QElapsedTimer clock;
        clock.start();
        WaitSeconds(1);
        QVERIFY(handled);
        QVERIFY(clock.elapsed() >= 1000);
        QVERIFY(clock.elapsed() < 5000);
    }
};

QTEST_MAIN(tst_FolderNavigation)
#include "tst_FolderNavigation.moc"
