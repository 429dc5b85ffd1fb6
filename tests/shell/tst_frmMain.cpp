#include "browser/FileListView.h"
#include "platform/Twips.h"
#include "shell/LogPane.h"
#include "shell/MainMenus.h"
#include "shell/MainStatusBar.h"
#include "shell/MainToolBar.h"
#include "support/MainWindowFixture.h"
#include "support/TestDir.h"

#include <QAction>
#include <QDate>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>

// The main window as a whole: its commands, its toolbar, and what it remembers between runs.
class tst_frmMain : public QObject {
    Q_OBJECT

private:
    TestDir m_folder;

    frmMain &startInFolder(MainWindowFixture &window)
    {
        window.preset(QStringLiteral("OpenPathName"), m_folder.path());
        return window.start();
    }

    static QStringList captions(const QMenu *menu)
    {
        QStringList result;
        for (const QAction *action : menu->actions())
            result << (action->isSeparator() ? QStringLiteral("—") : action->text());
        return result;
    }

private slots:
    void initTestCase()
    {
        m_folder.addFile(QStringLiteral("o1000.min"), QByteArray("O1000\n"));
        m_folder.addFile(QStringLiteral("B.SUB"), QByteArray("O2000\n"));
    }

    void showsItsCaptionPanelsAndStatus()
    {
        MainWindowFixture window;
        const frmMain &form = startInFolder(window);
        QCOMPARE(form.windowTitle(), QStringLiteral("Talvern Ver.1.40"));
        QCOMPARE(form.lblTitle[0]->text(), QStringLiteral(" ログ"));
        QCOMPARE(form.lblTitle[1]->text(), QStringLiteral(" データ"));
        QCOMPARE(form.sbStatusBar->settingsText(), QStringLiteral("現在の設定:OSP,COM1:4800,e,7,2"));
        QCOMPARE(form.sbStatusBar->dateText(),
                 QLocale().toString(QDate::currentDate(), QLocale::ShortFormat));
        QVERIFY(!form.sbStatusBar->timeText().isEmpty());
        QStringList headers;
        for (int i = 0; i < form.lvListView->columnCount(); ++i)
            headers << form.lvListView->headerItem()->text(i);
        QCOMPARE(headers, (QStringList{"ファイル名", "サイズ", "更新日時", "種類", "保護"}));
        QCOMPARE(form.lvListView->columnWidth(0), Twips::toPixels(2600));
        QCOMPARE(form.lvListView->columnWidth(4), Twips::toPixels(600));
        QCOMPARE(form.lvListView->rowCount(), 2);
        QVERIFY(form.Text1->isVisible());
    }

    void theMenuBarHoldsTheWholeTree()
    {
        MainWindowFixture window;
        const frmMain &form = startInFolder(window);
        QStringList bar;
        for (const QAction *action : form.menuBar()->actions()) {
            if (action->isVisible())
                bar << action->text();
        }
        QCOMPARE(bar, (QStringList{"ﾌｧｲﾙ(&F)", "編集(&E)", "パラメータ設定(&S)", "通信(&T)", "ﾍﾙﾌﾟ(&H)"}));
        const MainMenus *menus = form.menus();
        QCOMPARE(captions(menus->menu(QStringLiteral("mnuFile"))),
                 (QStringList{"フォルダー", "—", "Ombrel", "Quorrin", "Laskar", "—", "保護(&P)",
                              "保護解除(&U)", "—", "印刷の設定", "印刷(&P)", "—", "終了(&X)"}));
        QCOMPARE(captions(menus->menu(QStringLiteral("mnuFolder"))),
                 (QStringList{"新規作成(&N)", "名前の変更(&R)", "—", "削除(&D)"}));
        QCOMPARE(captions(menus->menu(QStringLiteral("mnuTrans"))),
                 (QStringList{"送信(&O)", "受信(&I)", "連続受信", "—", "DNC-A"}));
        QCOMPARE(captions(menus->popup()),
                 (QStringList{"送信", "受信", "連続受信", "—", "すべて選択", "コピー(&C)", "貼り付け(&P)",
                              "削除(&D)", "—", "保護", "保護解除", "—", "印刷"}));
        QVERIFY(!menus->item(QStringLiteral("mnuTransDncA"))->isEnabled());
    }

    void shortcutsBelongToTheirItems_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("keys");
        QTest::newRow("delete files") << "mnuFileDelete"
                                      << "Ctrl+D";
        QTest::newRow("delete folder has none") << "mnuFolderDelete"
                                                << "";
        QTest::newRow("new folder") << "mnuFolderNew"
                                    << "Ctrl+N";
        QTest::newRow("rename folder") << "mnuFolderRename"
                                       << "Ctrl+R";
        QTest::newRow("print") << "mnuFilePrint"
                               << "Ctrl+P";
        QTest::newRow("select all") << "mnuEditAllSelect"
                                    << "Ctrl+A";
        QTest::newRow("copy") << "mnuEditCopy"
                              << "Ctrl+C";
        QTest::newRow("paste") << "mnuEditPaste"
                               << "Ctrl+V";
        QTest::newRow("send") << "mnuTransOutput"
                              << "Ctrl+O";
        QTest::newRow("receive") << "mnuTransInput"
                                 << "Ctrl+I";
        QTest::newRow("continuous receive") << "mnuTransInputCont"
                                            << "";
    }

    void shortcutsBelongToTheirItems()
    {
        QFETCH(QString, item);
        QFETCH(QString, keys);
        MainWindowFixture window;
        const frmMain &form = startInFolder(window);
        QCOMPARE(form.menus()->item(item)->shortcut(), QKeySequence(keys));
    }

    void theToolbarHasSixteenPositions()
    {
        MainWindowFixture window;
        const frmMain &form = startInFolder(window);
        QStringList keys;
        for (int position = 1; position <= MainToolBar::ButtonCount; ++position)
            keys << form.tbToolBar->button(position)->data().toString();
        QCOMPARE(keys, (QStringList{"Upload", "Download", "DownloadCont", "ﾌﾟﾛﾊﾟﾃｨ", "bar", "NewFolder",
                                    "チェックボックス", "FileCopy", "FilePaste", "FileDelete", "FileProtect",
                                    "Bar2", "FileEdit", "Quorrin", "Laskar", "Print"}));
        QVERIFY(form.tbToolBar->button(5)->isSeparator());
        QVERIFY(form.tbToolBar->button(12)->isSeparator());
        QCOMPARE(form.tbToolBar->button(1)->toolTip(),
                 QStringLiteral("PC→機械　指定したファイル数分送信します。"));
        QCOMPARE(form.tbToolBar->button(7)->text(), QStringLiteral("チェック"));
        QCOMPARE(form.tbToolBar->button(11)->toolTip(), QStringLiteral("複数ファイルの保護/解除します。"));
        for (int position : {1, 4, 7, 16})
            QVERIFY(!form.tbToolBar->button(position)->icon().isNull());

        const QStringList dropDowns[] = {{"NewFolder", "FolderRename", "FolderDelete"},
                                         {"FileProtect", "FileUnprotect"},
                                         {"EditorOpen", "EditorNew"},
                                         {"CommenterOpen", "CommenterNew"}};
        const int positions[] = {6, 11, 13, 14};
        for (int i = 0; i < 4; ++i) {
            const QAction *face = form.tbToolBar->button(positions[i]);
            const QList<QToolButton *> buttons = form.tbToolBar->findChildren<QToolButton *>();
            const auto button = std::find_if(buttons.begin(), buttons.end(), [face](const QToolButton *b) {
                return b->defaultAction() == face;
            });
            QVERIFY(button != buttons.end() && (*button)->menu());
            QCOMPARE((*button)->popupMode(), QToolButton::MenuButtonPopup);
            QStringList itemKeys;
            for (const QAction *item : (*button)->menu()->actions()) {
                if (!item->isSeparator())
                    itemKeys << item->data().toString();
            }
            QCOMPARE(itemKeys, dropDowns[i]);
        }
    }

    void onlyCommandsWithAHandlerCanBeChosen()
    {
        MainWindowFixture window;
        const frmMain &form = startInFolder(window);
        QVERIFY(form.menus()->item(QStringLiteral("mnuFileExit"))->isEnabled());
        QVERIFY(form.menus()->item(QStringLiteral("mnuPopupOutput"))->isEnabled());
        QVERIFY(!form.menus()->item(QStringLiteral("mnuFileDelete"))->isEnabled());
        QVERIFY(!form.menus()->item(QStringLiteral("mnuPopupDelete"))->isEnabled());
        const QList<int> wired = {1, 2, 3, 4, 7, 13, 14, 15};
        for (int position = 1; position <= MainToolBar::ButtonCount; ++position) {
            if (!form.tbToolBar->button(position)->isSeparator())
                QCOMPARE(form.tbToolBar->button(position)->isEnabled(), wired.contains(position));
        }
        QVERIFY(!form.tbToolBar->menuItem(QStringLiteral("FolderRename"))->isEnabled());
        QVERIFY(form.tbToolBar->menuItem(QStringLiteral("EditorNew"))->isEnabled());
    }

    void theCheckButtonSwitchesCheckBoxesAndRefreshes()
    {
        MainWindowFixture window;
        frmMain &form = startInFolder(window);
        QVERIFY(!form.lvListView->checkBoxes());
        m_folder.addFile(QStringLiteral("LATE.TXT"));
        form.tbToolBar->button(7)->trigger();
        QVERIFY(form.lvListView->checkBoxes());
        QCOMPARE(form.lvListView->rowCount(), 3);
        QVERIFY(form.lvListView->row(0)->flags() & Qt::ItemIsUserCheckable);
        QVERIFY(QFile::remove(m_folder.filePath(QStringLiteral("LATE.TXT"))));
        form.tbToolBar->button(7)->trigger();
        QVERIFY(!form.lvListView->checkBoxes());
        QCOMPARE(form.lvListView->rowCount(), 2);
        QVERIFY(!(form.lvListView->row(0)->flags() & Qt::ItemIsUserCheckable));
        form.tbToolBar_ButtonClick(QStringLiteral("NoSuchKey"));
        QVERIFY(!form.lvListView->checkBoxes());
    }

    void toolbarAndMenusReachTheSameCompanionCommands()
    {
        MainWindowFixture window;
        frmMain &form = startInFolder(window);
        form.lvListView->setCurrentItem(form.lvListView->row(0));
        const int started = window.launcher.started.size();
        form.tbToolBar->button(15)->trigger();
        form.menus()->item(QStringLiteral("mnuLaskar"))->trigger();
        form.tbToolBar->menuItem(QStringLiteral("CommenterOpen"))->trigger();
        // Each reached its handler once: a start, or the handler's own failure message when no tool is there.
        QCOMPARE(window.launcher.started.size() - started + window.messages.shown.size(), 3);
    }

    void placesTheWindowFromTheRememberedTwips()
    {
        MainWindowFixture window;
        window.preset(QStringLiteral("MainLeft"), QStringLiteral("1500"));
        window.preset(QStringLiteral("MainTop"), QStringLiteral("900"));
        window.preset(QStringLiteral("MainWidth"), QStringLiteral("13500"));
        window.preset(QStringLiteral("MainHeight"), QStringLiteral("9000"));
        const frmMain &form = startInFolder(window);
        QCOMPARE(form.frameGeometry(), QRect(100, 60, 900, 600));
    }

    void closingWritesTheSettingsTheSameWayFromMenuAndCloseBox_data()
    {
        QTest::addColumn<bool>("fromMenu");
        QTest::newRow("exit command") << true;
        QTest::newRow("close box") << false;
    }

    void closingWritesTheSettingsTheSameWayFromMenuAndCloseBox()
    {
        QFETCH(bool, fromMenu);
        MainWindowFixture window;
        frmMain &form = startInFolder(window);
        form.move(120, 80);
        form.resize(840, 630);
        QTRY_COMPARE(form.frameGeometry().topLeft(), QPoint(120, 80));
        const QSize outer = form.frameGeometry().size();
        window.state.Machine.MchFileName = QStringLiteral("FANUC-0.MCH");
        window.state.Print.PrintFontName = QStringLiteral("ＭＳ ゴシック");
        QSignalSpy unloaded(&form, &frmMain::unloaded);
        if (fromMenu)
            form.menus()->item(QStringLiteral("mnuFileExit"))->trigger();
        else
            form.close();
        QCOMPARE(unloaded.count(), 1);
        QVERIFY(!form.isVisible());

        const auto written = window.written();
        QCOMPARE(written->value(QStringLiteral("MainLeft")).toString(), QStringLiteral("1800"));
        QCOMPARE(written->value(QStringLiteral("MainTop")).toString(), QStringLiteral("1200"));
        QCOMPARE(written->value(QStringLiteral("MainWidth")).toString(), QString::number(outer.width() * 15));
        QCOMPARE(written->value(QStringLiteral("MainHeight")).toString(),
                 QString::number(outer.height() * 15));
        QCOMPARE(written->value(QStringLiteral("OpenPathName")).toString(),
                 QDir::toNativeSeparators(m_folder.path()));
        QCOMPARE(written->value(QStringLiteral("MchFileName")).toString(), QStringLiteral("FANUC-0.MCH"));
        QCOMPARE(written->value(QStringLiteral("PrintFontName")).toString(), QStringLiteral("ＭＳ ゴシック"));
        QCOMPARE(written->value(QStringLiteral("PrintDate")).toString(), QStringLiteral("2"));
    }

    void closingWhileMinimisedWritesNothing()
    {
        MainWindowFixture window;
        frmMain &form = startInFolder(window);
        form.showMinimized();
        QTRY_VERIFY(form.isMinimized());
        window.state.Machine.MchFileName = QStringLiteral("CHANGED.MCH");
        form.close();
        const auto written = window.written();
        QVERIFY(!written->contains(QStringLiteral("MchFileName")));
        QVERIFY(!written->contains(QStringLiteral("MainLeft")));
        QCOMPARE(written->value(QStringLiteral("OpenPathName")).toString(), m_folder.path());
    }

    void closingWhileMaximisedWritesTheMaximisedBounds()
    {
        MainWindowFixture window;
        frmMain &form = startInFolder(window);
        form.showMaximized();
        QTRY_VERIFY(form.isMaximized());
        const QRect bounds = form.frameGeometry();
        form.close();
        const auto written = window.written();
        QCOMPARE(written->value(QStringLiteral("MainWidth")).toString(),
                 QString::number(Twips::fromPixels(bounds.width())));
        QCOMPARE(written->value(QStringLiteral("MainHeight")).toString(),
                 QString::number(Twips::fromPixels(bounds.height())));
    }

    void aWindowTooLowFallsBackToTheMinimumHeight()
    {
        MainWindowFixture window;
        frmMain &form = startInFolder(window);
        const QRect logBefore = form.Text2->geometry();
        form.resize(form.width(), Twips::toPixels(5000));
        QTRY_COMPARE(form.frameGeometry().height(), Twips::toPixels(6170));
        QCOMPARE(form.Text2->geometry().height(), logBefore.height());
    }

    void renamingARowInPlaceRenamesTheFileAndRefreshes()
    {
        TestDir folder;
        folder.addFile(QStringLiteral("old.min"), QByteArray("O1\n"));
        MainWindowFixture window;
        window.preset(QStringLiteral("OpenPathName"), folder.path());
        frmMain &form = window.start();
        form.lvListView->editItem(form.lvListView->row(0), 0);
        auto *editor = form.lvListView->viewport()->findChild<QLineEdit *>();
        QVERIFY(editor);
        editor->setText(QStringLiteral("new.min"));
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(form.lvListView->row(0)->text(0), QStringLiteral("NEW.MIN"));
        QVERIFY(QFile::exists(folder.filePath(QStringLiteral("new.min"))));
        QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("old.min"))));
        QCOMPARE(window.state.CurrentFileName, QStringLiteral("OLD.MIN"));
    }
};

QTEST_MAIN(tst_frmMain)
#include "tst_frmMain.moc"
