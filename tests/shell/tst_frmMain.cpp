#include "browser/FileListView.h"
#include "machine/MachineSettingsFile.h"
#include "platform/Twips.h"
#include "shell/CommandRouter.h"
#include "shell/LogPane.h"
#include "shell/MainMenus.h"
#include "shell/MainStatusBar.h"
#include "shell/MainToolBar.h"
#include "support/MainWindowFixture.h"
#include "support/TestDir.h"
#include "transfer/TransferCommands.h"
#include "transfer/frmCancelSend.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>

// The main window as a whole: its commands, its toolbar, and what it remembers between runs.
class tst_frmMain : public QObject {
    Q_OBJECT

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

    // Where a user could choose a command that would disturb a transfer, as far as it can be chosen now.
    static QStringList reachable(const frmMain &form)
    {
        // Each item with the menu it is in; the pop-up menu, hidden from the menu bar, opens on the list.
        static const std::pair<const char *, const char *> entries[] = {
            {"mnuMachineSelect", "mnuMachine"},  {"mnuMachineNew", "mnuMachine"},
            {"mnuMachinePropaty", "mnuMachine"}, {"mnuTransOutput", "mnuTrans"},
            {"mnuTransInput", "mnuTrans"},       {"mnuTransInputCont", "mnuTrans"},
            {"mnuPopupOutput", nullptr},         {"mnuPopupInput", nullptr},
            {"mnuPopupInputCont", nullptr}};
        QStringList names;
        for (const auto &[item, menu] : entries) {
            if (form.menus()->item(item)->isEnabled() && (!menu || form.menus()->item(menu)->isEnabled()))
                names << item;
        }
        for (int position = 1; position <= 4; ++position) {
            QAction *button = form.tbToolBar->button(position);
            if (form.tbToolBar->widgetForAction(button)->isEnabled())
                names << button->data().toString();
        }
        return names;
    }

private slots:
    void initTestCase()
    {
        m_folder.addFile(QStringLiteral("o1000.min"), QByteArray("O1000\n"));
        m_folder.addFile(QStringLiteral("B.SUB"), QByteArray("O2000\n"));
    }

    void captionsMenusToolbarAndStatus()
    {
        MainWindowFixture window;
        const frmMain &form = startInFolder(window);
        QCOMPARE(form.windowTitle(), QStringLiteral("Talvern Ver.1.40"));
        QCOMPARE(form.lblTitle[0]->text(), QStringLiteral(" ログ"));
        QCOMPARE(form.lblTitle[1]->text(), QStringLiteral(" データ"));
        QCOMPARE(form.sbStatusBar->settingsText(), QStringLiteral("現在の設定:OSP,COM1:4800,e,7,2"));
        QCOMPARE(form.sbStatusBar->dateText(),
                 QLocale().toString(QDate::currentDate(), QLocale::ShortFormat));
        QStringList headers;
        for (int i = 0; i < form.lvListView->columnCount(); ++i)
            headers << form.lvListView->headerItem()->text(i);
        QCOMPARE(headers, (QStringList{"ファイル名", "サイズ", "更新日時", "種類", "保護"}));
        QCOMPARE(form.lvListView->columnWidth(0), Twips::toPixels(2600));
        QCOMPARE(form.lvListView->columnWidth(4), Twips::toPixels(600));
        QCOMPARE(form.lvListView->rowCount(), 2);

        QStringList titles;
        for (const QAction *action : form.menuBar()->actions()) {
            if (action->isVisible())
                titles << action->text();
        }
        QCOMPARE(titles, (QStringList{"ﾌｧｲﾙ(&F)", "編集(&E)", "パラメータ設定(&S)", "通信(&T)", "ﾍﾙﾌﾟ(&H)"}));
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
        // Only commands with a handler can be chosen.
        QVERIFY(!menus->item(QStringLiteral("mnuTransDncA"))->isEnabled());
        QVERIFY(menus->item(QStringLiteral("mnuFileExit"))->isEnabled());
        QVERIFY(menus->item(QStringLiteral("mnuPopupOutput"))->isEnabled());
        QVERIFY(!menus->item(QStringLiteral("mnuHelpAbout"))->isEnabled());

        // Exactly these items have shortcuts.
        QStringList shortcuts;
        for (const QString &name : menus->itemNames()) {
            if (!menus->item(name)->shortcut().isEmpty())
                shortcuts << name + u' ' + menus->item(name)->shortcut().toString();
        }
        shortcuts.sort();
        QCOMPARE(shortcuts,
                 (QStringList{"mnuEditAllSelect Ctrl+A", "mnuEditCopy Ctrl+C", "mnuEditPaste Ctrl+V",
                              "mnuFileDelete Ctrl+D", "mnuFilePrint Ctrl+P", "mnuFolderNew Ctrl+N",
                              "mnuFolderRename Ctrl+R", "mnuTransInput Ctrl+I", "mnuTransOutput Ctrl+O"}));

        // The toolbar's sixteen positions; those with a handler are enabled.
        const MainToolBar *bar = form.tbToolBar;
        const QList<int> wired = {1, 2, 3, 4, 6, 7, 8, 9, 10, 11, 13, 14, 15, 16};
        QStringList keys;
        for (int position = 1; position <= MainToolBar::ButtonCount; ++position) {
            const QAction *button = bar->button(position);
            keys << button->data().toString();
            QCOMPARE(button->isSeparator(), position == 5 || position == 12);
            QVERIFY(button->isSeparator() || !button->icon().isNull());
            QVERIFY(button->isSeparator() || button->isEnabled() == wired.contains(position));
        }
        QVERIFY(bar->menuItem(QStringLiteral("FolderRename"))->isEnabled());
        QVERIFY(bar->menuItem(QStringLiteral("EditorNew"))->isEnabled());
        QCOMPARE(keys, (QStringList{"Upload", "Download", "DownloadCont", "ﾌﾟﾛﾊﾟﾃｨ", "bar", "NewFolder",
                                    "チェックボックス", "FileCopy", "FilePaste", "FileDelete", "FileProtect",
                                    "Bar2", "FileEdit", "Quorrin", "Laskar", "Print"}));
        QCOMPARE(bar->button(1)->toolTip(), QStringLiteral("PC→機械　指定したファイル数分送信します。"));
        QCOMPARE(bar->button(7)->text(), QStringLiteral("チェック"));
        QCOMPARE(bar->button(11)->toolTip(), QStringLiteral("複数ファイルの保護/解除します。"));

        // Four faces carry a drop-down, each listed as face: items.
        QStringList dropDowns;
        for (const QToolButton *button : bar->findChildren<QToolButton *>()) {
            if (!button->menu())
                continue;
            QCOMPARE(button->popupMode(), QToolButton::MenuButtonPopup);
            QString line = button->defaultAction()->data().toString() + u':';
            for (const QAction *item : button->menu()->actions())
                line += item->isSeparator() ? QString() : u' ' + item->data().toString();
            dropDowns << line;
        }
        dropDowns.sort();
        QCOMPARE(dropDowns,
                 (QStringList{"FileEdit: EditorOpen EditorNew", "FileProtect: FileProtect FileUnprotect",
                              "NewFolder: NewFolder FolderRename FolderDelete",
                              "Quorrin: CommenterOpen CommenterNew"}));
    }

    // The check button switches check boxes and refreshes; toolbar, menu and drop-down reach the same
    // companion commands; an unknown key does nothing.
    void toolbarRouting()
    {
        MainWindowFixture window;
        frmMain &form = startInFolder(window);
        m_folder.addFile(QStringLiteral("LATE.TXT"));
        form.tbToolBar->button(7)->trigger();
        QCOMPARE(form.lvListView->rowCount(), 3);
        QVERIFY(form.lvListView->row(0)->flags() & Qt::ItemIsUserCheckable);
        QVERIFY(QFile::remove(m_folder.filePath(QStringLiteral("LATE.TXT"))));
        form.tbToolBar->button(7)->trigger();
        QCOMPARE(form.lvListView->rowCount(), 2);
        QVERIFY(!(form.lvListView->row(0)->flags() & Qt::ItemIsUserCheckable));
        form.tbToolBar_ButtonClick(QStringLiteral("NoSuchKey"));
        QVERIFY(!form.lvListView->checkBoxes());

        form.lvListView->setCurrentItem(form.lvListView->row(0));
        form.tbToolBar->button(15)->trigger();
        form.menus()->item(QStringLiteral("mnuLaskar"))->trigger();
        form.tbToolBar->menuItem(QStringLiteral("CommenterOpen"))->trigger();
        // Each reached its handler once: a start, or the handler's own failure message when no tool is there.
        QCOMPARE(window.launcher.started.size() + window.messages.shown.size(), 3);
    }

    // The remembered twips place the window; a window made too low comes back to the minimum height.
    void placementAndMinimumHeight()
    {
        MainWindowFixture window;
        window.preset(QStringLiteral("MainLeft"), QStringLiteral("1500"));
        window.preset(QStringLiteral("MainTop"), QStringLiteral("900"));
        window.preset(QStringLiteral("MainWidth"), QStringLiteral("13500"));
        window.preset(QStringLiteral("MainHeight"), QStringLiteral("9000"));
        frmMain &form = startInFolder(window);
        QCOMPARE(form.frameGeometry(), QRect(100, 60, 900, 600));
        const int logHeight = form.Text2->height();
        form.resize(form.width(), Twips::toPixels(5000));
        QTRY_COMPARE(form.frameGeometry().height(), Twips::toPixels(6170));
        QCOMPARE(form.Text2->height(), logHeight);
    }

    void closingWritesTheSettings_data()
    {
        QTest::addColumn<bool>("fromMenu");
        QTest::addColumn<int>("windowState");
        QTest::newRow("exit command") << true << int(Qt::WindowNoState);
        QTest::newRow("close box") << false << int(Qt::WindowNoState);
        QTest::newRow("minimised") << false << int(Qt::WindowMinimized);
        QTest::newRow("maximised") << true << int(Qt::WindowMaximized);
    }

    void closingWritesTheSettings()
    {
        QFETCH(bool, fromMenu);
        QFETCH(int, windowState);
        MainWindowFixture window;
        frmMain &form = startInFolder(window);
        form.move(120, 80);
        form.resize(840, 630);
        QTRY_COMPARE(form.frameGeometry().topLeft(), QPoint(120, 80));
        form.setWindowState(Qt::WindowState(windowState));
        QTRY_COMPARE(int(form.windowState()), windowState);
        const QRect outer = form.frameGeometry();
        window.state.Machine.MchFileName = QStringLiteral("FANUC-0.MCH");
        window.state.Print.PrintFontName = QStringLiteral("ＭＳ ゴシック");
        QSignalSpy unloaded(&form, &frmMain::unloaded);
        if (fromMenu)
            form.menus()->item(QStringLiteral("mnuFileExit"))->trigger();
        else
            form.close();
        QCOMPARE(unloaded.count(), 1);

        const auto written = window.written();
        const bool saved = windowState != Qt::WindowMinimized;
        const auto expect = [&](const char *key, const QString &value) {
            QCOMPARE(written->value(QLatin1String(key)).toString(), saved ? value : QString());
        };
        expect("MainLeft", QString::number(outer.left() * 15));
        expect("MainTop", QString::number(outer.top() * 15));
        expect("MainWidth", QString::number(outer.width() * 15));
        expect("MainHeight", QString::number(outer.height() * 15));
        expect("MchFileName", QStringLiteral("FANUC-0.MCH"));
        expect("PrintFontName", QStringLiteral("ＭＳ ゴシック"));
        expect("PrintDate", QStringLiteral("2"));
        QCOMPARE(written->value(QStringLiteral("OpenPathName")).toString(),
                 QDir::toNativeSeparators(m_folder.path()));
    }

    // Nothing may change the port or the machine under a waiting transfer, nor start a second one; what
    // the other rules offer comes back when it ends.
    void aRunningTransferWithdrawsWhatWouldDisturbIt_data()
    {
        QTest::addColumn<QString>("machine");
        QTest::addColumn<QString>("start"); // a pop-up item: it reaches the transfer in every case
        QTest::addColumn<QStringList>("offered");
        const QStringList all = {"mnuMachineSelect", "mnuMachineNew", "mnuMachinePropaty",
                                 "mnuTransOutput",   "mnuTransInput", "mnuTransInputCont",
                                 "mnuPopupOutput",   "mnuPopupInput", "mnuPopupInputCont",
                                 "Upload",           "Download",      "DownloadCont",
                                 "ﾌﾟﾛﾊﾟﾃｨ"};
        QStringList fanuc = all;
        fanuc.removeAll("mnuTransInputCont");
        fanuc.removeAll("mnuPopupInputCont");
        fanuc.removeAll("DownloadCont");
        QTest::newRow("OSP, reception") << "OSP"
                                        << "mnuPopupInput" << all;
        QTest::newRow("FANUC, send waiting for DC1") << "FANUC"
                                                     << "mnuPopupOutput" << fanuc;
        QTest::newRow("no settings file, reception")
            << ""
            << "mnuPopupInput"
            << QStringList{"mnuMachineSelect", "mnuMachineNew", "mnuPopupOutput", "mnuPopupInput",
                           "mnuPopupInputCont"};
    }

    void aRunningTransferWithdrawsWhatWouldDisturbIt()
    {
        QFETCH(QString, machine);
        QFETCH(QString, start);
        MainWindowFixture window;
        window.useScriptedPort = true;
        if (machine.isEmpty())
            window.preset(QStringLiteral("MchFileName"), QString());
        frmMain &form = startInFolder(window);
        if (machine == QLatin1String("FANUC")) {
            window.fileDialogs.answers = {window.settingsFile(
                QStringLiteral("FANUC.MCH"),
                MachineSettingsFile::dialogLayout({1, "9600", "E", "7", "2", 1, "OFF", 1}))};
            form.menus()->item(QStringLiteral("mnuMachineSelect"))->trigger();
        }
        form.lvListView->setCurrentItem(form.lvListView->row(0));
        QStringList during = {QStringLiteral("never ran")};
        connect(
            form.transfer(), &TransferCommands::runningChanged, &form,
            [&](bool running) {
                if (!running)
                    return;
                during = reachable(form);
                form.transfer()->dialog()->Command1->click();
            },
            Qt::QueuedConnection); // once the transfer waits
        form.menus()->item(start)->trigger();
        QCOMPARE(during, QStringList());
        QTEST(reachable(form), "offered");
    }

    // A misspelt command name ends the program and names itself, in every build.
    void anUnknownCommandNameEndsTheProgram()
    {
        if (qEnvironmentVariableIsSet("TALVERN_UNKNOWN_COMMAND")) {
            QMenuBar bar;
            MainMenus menus(&bar);
            MainToolBar toolBar;
            CommandRouter router(menus, toolBar);
            router.route(QStringLiteral("mnuNoSuchItem"), [] {});
            QFAIL("the unknown name was taken");
        }
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TALVERN_UNKNOWN_COMMAND"), QStringLiteral("1"));
        environment.insert(QStringLiteral("QTEST_DISABLE_STACK_DUMP"), QStringLiteral("1"));
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QString::fromLatin1(QTest::currentTestFunction())});
        QVERIFY(child.waitForFinished());
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        QVERIFY(child.readAll().contains("mnuNoSuchItem"));
    }
};

QTEST_MAIN(tst_frmMain)
#include "tst_frmMain.moc"
