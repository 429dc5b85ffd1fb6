// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/DataPane.h"
#include "browser/DriveList.h"
#include "browser/FileListView.h"
#include "browser/FolderList.h"
#include "fileops/NewFolder.h"
#include "machine/DeviceLabel.h"
#include "machine/frmProperties.h"
#include "platform/ui/Twips.h"
#include "print/PrintSetting.h"
#include "shell/CommandRouter.h"
#include "shell/LogPane.h"
#include "shell/MainMenus.h"
#include "shell/MainStatusBar.h"
#include "shell/MainToolBar.h"
#include "shell/frmAbout.h"
#include "support/FakeTools.h"
#include "support/MainWindowFixture.h"
#include "support/TestDir.h"
#include "transfer/ui/ProgramNo.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTextEdit>
#include <QToolButton>

// The main window as a whole: its commands, its toolbar, what it remembers between runs and what a
// screen reader can tell of it and its dialogs. Which commands it leaves to the user: tst_CommandState.
class tst_frmMain : public QObject {
    Q_OBJECT

    TestDir m_folder;

    // What a screen reader says a widget is. A drop-down list may be called by its value, as on Linux: then
    // the label that stands for it names it, or its description when it has none.
    static QString spokenName(QWidget *widget)
    {
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(widget);
        const auto labels = accessible->relations(QAccessible::Label);
        if (!labels.isEmpty())
            return labels.first().first->text(QAccessible::Name);
        const bool calledByValue =
            accessible->role() == QAccessible::ComboBox &&
            accessible->text(QAccessible::Name) == accessible->text(QAccessible::Value);
        return accessible->text(calledByValue ? QAccessible::Description : QAccessible::Name);
    }

private slots:
    void initTestCase()
    {
        m_folder.addFile(QStringLiteral("o1000.min"), QByteArray("O1000\n"));
        m_folder.addFile(QStringLiteral("B.SUB"), QByteArray("O2000\n"));
    }

    // What the window shows at start, and every command's face: a menu item is a separator or has a
    // caption and the name it is found by; a toolbar position is a separator or has an icon and a tip,
    // and a drop-down's items can be chosen.
    void startsWithItsTextsAndCommands()
    {
        MainWindowFixture window;
        const frmMain &form = window.start(m_folder.path());
        QCOMPARE(form.windowTitle(), QStringLiteral("Talvern Ver.1.40"));
        QCOMPARE(form.sbStatusBar->settingsText(), QStringLiteral("現在の設定:OSP,COM1:4800,e,7,2"));
        QCOMPARE(form.sbStatusBar->dateText(),
                 QLocale().toString(QDate::currentDate(), QLocale::ShortFormat));
        QStringList shortcuts;
        for (const QString &name : form.menus()->itemNames()) {
            const QAction *item = form.menus()->item(name);
            QVERIFY2(item->isSeparator() || (!item->text().isEmpty() && item->objectName() == name),
                     qPrintable(name));
            if (!item->shortcut().isEmpty())
                shortcuts << name + u' ' + item->shortcut().toString();
        }
        shortcuts.sort();
        QCOMPARE(shortcuts.join(u','),
                 QStringLiteral("mnuEditAllSelect Ctrl+A,mnuEditCopy Ctrl+C,mnuEditPaste "
                                "Ctrl+V,mnuFileDelete Ctrl+D,mnuFilePrint Ctrl+P,"
                                "mnuFolderNew Ctrl+N,mnuFolderRename Ctrl+R,"
                                "mnuTransInput Ctrl+I,mnuTransOutput Ctrl+O"));
        for (int position = 1; position <= MainToolBar::ButtonCount; ++position) {
            const QAction *button = form.tbToolBar->button(position);
            QVERIFY(button->isSeparator() || (!button->icon().isNull() && !button->toolTip().isEmpty()));
        }
        int dropDowns = 0;
        for (const QToolButton *button : form.tbToolBar->findChildren<QToolButton *>()) {
            if (!button->menu())
                continue;
            ++dropDowns;
            QCOMPARE(button->popupMode(), QToolButton::MenuButtonPopup);
            for (const QAction *item : button->menu()->actions())
                QVERIFY(item->isSeparator() || item->isEnabled());
        }
        QCOMPARE(dropDowns, 4);
    }

    // A screen reader can name every pane of the window and every field of the dialogs.
    void accessibleNames()
    {
        MainWindowFixture window;
        frmMain &form = window.start(m_folder.path());
        frmProperties properties(
            QStringLiteral("OSP-E100.MCH"), PortProperties{},
            [](const PortProperties &) { return Outcome(); },
            [](int) { return QStringLiteral("/dev/ttyUSB0"); }, window.messages);
        NewFolder folderName(window.state, m_folder.path(), window.messages);
        PrintSetting printSetting(window.state.Print, window.printDialogs);
        QString receiveName;
        ProgramNo programNo(receiveName, m_folder.path(), window.messages);
        // Each window's panes and fields; a name says what a widget is and tells it from its neighbours.
        const QList<QList<QWidget *>> windows = {
            {form.Drive1, form.Dir1, form.lvListView, form.Text2, form.Text1, form.Image1, form.tbToolBar},
            {properties.cboPort, properties.lblDevice, properties.cboSpeed, properties.cboDataBits,
             properties.cboParity, properties.cboStopBits},
            {folderName.Text1},
            {printSetting.Text1, printSetting.Text2},
            {programNo.Text1}};
        for (const QList<QWidget *> &widgets : windows) {
            QStringList names;
            for (QWidget *widget : widgets)
                names << spokenName(widget);
            QVERIFY2(!names.contains(QString()) && names.removeDuplicates() == 0,
                     qPrintable(names.join(u',')));
        }
    }

    // The window starts in the folder pane. A click on a toolbar button leaves the focus in the list and
    // reaches its command: the check button switches check boxes, refreshes, and tells whether they are
    // shown, also when they are switched from elsewhere. Toolbar, menu and drop-down reach the same
    // companion commands; an unknown key does nothing.
    void toolbarRouting()
    {
        MainWindowFixture window;
        frmMain &form = window.start(m_folder.path());
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(form.Dir1));
        for (const QToolButton *button : form.tbToolBar->findChildren<QToolButton *>())
            QCOMPARE(button->focusPolicy(), Qt::NoFocus);

        m_folder.addFile(QStringLiteral("LATE.TXT"));
        QTest::mouseClick(form.lvListView->viewport(), Qt::LeftButton, {},
                          form.lvListView->visualRect(form.lvListView->row(1)).center());
        QWidget *check = form.tbToolBar->widgetForAction(form.tbToolBar->button(8));
        QAccessibleInterface *checkState = QAccessible::queryAccessibleInterface(check);
        QVERIFY(checkState->state().checkable && !checkState->state().checked);
        QTest::mouseClick(check, Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(form.lvListView));
        QTRY_COMPARE(form.lvListView->rowCount(), 3); // the refresh reads the folder on its own thread
        QVERIFY(checkState->state().checked);
        QVERIFY(QFile::remove(m_folder.filePath(QStringLiteral("LATE.TXT"))));
        QTest::mouseClick(check, Qt::LeftButton);
        QVERIFY(!checkState->state().checked);
        form.lvListView->toggleCheckBoxes();
        QVERIFY(checkState->state().checked);
        emit form.tbToolBar->ButtonClick(QStringLiteral("NoSuchKey"));
        QVERIFY(form.lvListView->checkBoxes());

        form.lvListView->setCurrentIndex(form.lvListView->row(0));
        form.tbToolBar->button(16)->trigger();
        form.menus()->item(QStringLiteral("mnuLaskar"))->trigger();
        form.tbToolBar->menuItem(QStringLiteral("CommenterOpen"))->trigger();
        // Each reached its handler once: a start, or the handler's own failure message when no tool is there.
        QCOMPARE(window.launcher.started.size() + window.messages.shown.size(), 3);
        // The menu item, the pop-up item and the button of printing reach the print command once each.
        form.lvListView->selectionModel()->select(form.lvListView->row(0),
                                                  QItemSelectionModel::Select | QItemSelectionModel::Rows);
        form.menus()->item(QStringLiteral("mnuFilePrint"))->trigger();
        form.menus()->item(QStringLiteral("mnuPopupPrint"))->trigger();
        emit form.tbToolBar->ButtonClick(QStringLiteral("Print"));
        QCOMPARE(window.recordingPrinter.documents, QStringList(3, QStringLiteral("B.SUB")));
        // The help menu opens the about dialog modally over the window.
        QWidget *aboutOwner = nullptr;
        QTimer::singleShot(0, this, [&aboutOwner] {
            if (auto *about = qobject_cast<frmAbout *>(QApplication::activeModalWidget())) {
                aboutOwner = about->parentWidget();
                about->cmdOK->click();
            }
        });
        form.menus()->item(QStringLiteral("mnuHelpAbout"))->trigger();
        QCOMPARE(aboutOwner, &form);
    }

    // The remembered twips place the window; a window made too low comes back to the minimum height.
    // Closing writes where the window stands, unless it is minimised.
    void placementIsRemembered_data()
    {
        QTest::addColumn<bool>("minimised");
        QTest::newRow("exit command") << false;
        QTest::newRow("close box, minimised") << true;
    }

    void placementIsRemembered()
    {
        QFETCH(bool, minimised);
        const QStringList keys = {"MainLeft", "MainTop", "MainWidth", "MainHeight"};
        const QStringList before = {"1500", "900", "13500", "9000"};
        MainWindowFixture window;
        for (qsizetype i = 0; i < keys.size(); ++i)
            window.preset(keys[i], before[i]);
        frmMain &form = window.start(m_folder.path());
        QCOMPARE(form.frameGeometry(), QRect(100, 60, 900, 600));
        const int logHeight = form.Text2->height();
        form.resize(form.width(), Twips::toPixels(5000));
        QTRY_COMPARE(form.frameGeometry().height(), Twips::toPixels(6170));
        QCOMPARE(form.Text2->height(), logHeight);

        form.move(120, 80);
        QTRY_COMPARE(form.frameGeometry().topLeft(), QPoint(120, 80));
        const QRect outer = form.frameGeometry();
        window.state.Machine.MchFileName = QStringLiteral("FANUC-0.MCH");
        QSignalSpy unloaded(&form, &frmMain::unloaded);
        if (minimised) {
            form.setWindowState(Qt::WindowMinimized);
            QTRY_VERIFY(form.isMinimized());
            form.close();
        } else {
            form.menus()->item(QStringLiteral("mnuFileExit"))->trigger();
        }
        QCOMPARE(unloaded.count(), 1);
        const auto written = window.written();
        const QStringList after = {QString::number(outer.left() * 15), QString::number(outer.top() * 15),
                                   QString::number(outer.width() * 15), QString::number(outer.height() * 15)};
        for (qsizetype i = 0; i < keys.size(); ++i)
            QCOMPARE(written->value(keys[i]).toString(), minimised ? before[i] : after[i]);
        QCOMPARE(written->value(QStringLiteral("MchFileName")).toString(),
                 minimised ? QString() : QStringLiteral("FANUC-0.MCH"));
        QCOMPARE(written->value(QStringLiteral("OpenPathName")).toString(),
                 QDir::toNativeSeparators(m_folder.path()));
    }

    // The list's clicks and keys reach the preview, the companion editor, the folder pane and the pop-up
    // menu; a picture is fitted again when the window changes size.
    void theListReachesThePreviewAndItsCommands()
    {
        TestDir dir;
        dir.addFile(QStringLiteral("a.min"), "O1\n");
        dir.addFile(QStringLiteral("b 2.min"), "O2\n");
        QImage picture(QSize(2400, 300), QImage::Format_RGB32);
        picture.fill(Qt::blue);
        QVERIFY(picture.save(dir.filePath(QStringLiteral("WIDE.BMP"))));
        FakeTools tools; // an editor whatever this machine has
        tools.install({QStringLiteral("mousepad")});
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", tools.environment().value(QStringLiteral("PATH")).toLocal8Bit());
        const auto restore = qScopeGuard([&path] { qputenv("PATH", path); });
        MainWindowFixture window;
        frmMain &form = window.start(dir.path());
        QCOMPARE(form.Text1->toPlainText(), QStringLiteral("O1\n")); // start-up shows the current row
        QWidget *viewport = form.lvListView->viewport();
        const auto at = [&](int row) {
            return form.lvListView->visualRect(form.lvListView->row(row)).center();
        };
        QTest::mouseClick(viewport, Qt::LeftButton, {}, at(1));
        QCOMPARE(form.Text1->toPlainText(), QStringLiteral("O2\n"));
        form.lvListView->setFocus();
        QTest::keyClick(form.lvListView, Qt::Key_Up);
        QCOMPARE(form.Text1->toPlainText(), QStringLiteral("O1\n"));

        QTest::mouseDClick(viewport, Qt::LeftButton, {}, at(0));
        QTest::keyClick(form.lvListView, Qt::Key_Down);
        QTest::keyClick(form.lvListView, Qt::Key_Return);
        QCOMPARE(window.launcher.started.size(), 2);
        QCOMPARE(window.launcher.started[0].arguments.last(), dir.filePath(QStringLiteral("a.min")));
        QCOMPARE(window.launcher.started[1].arguments.last(), dir.filePath(QStringLiteral("b 2.min")));
        QTest::keyClick(form.lvListView, Qt::Key_Left);
        QCOMPARE(form.focusWidget(), form.Dir1);

        QMenu *popup = form.menus()->popup();
        QTest::mousePress(viewport, Qt::RightButton, {}, at(0));
        QTRY_VERIFY(popup->isVisible());
        QCOMPARE(popup->pos(), viewport->mapToGlobal(at(0)));
        popup->close();
        QTest::mouseRelease(viewport, Qt::RightButton, {}, at(0));

        QTest::mouseClick(viewport, Qt::LeftButton, {}, at(2));
        QVERIFY(form.Image1->isVisible());
        const QSize pane = form.Text1->size();
        form.resize(form.width() + 300, form.height() + 200);
        QTRY_VERIFY(form.Text1->size() != pane);
        QTRY_COMPARE(form.Image1->size(), DataPane::fitted(picture.size(), form.Text1->size()));
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
