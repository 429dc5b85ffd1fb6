// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/FileListView.h"
#include "browser/FolderList.h"
#include "machine/MachineSettingsFile.h"
#include "shell/MainMenus.h"
#include "shell/MainToolBar.h"
#include "support/MainWindowFixture.h"
#include "support/TestDir.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>

// Which commands the main window leaves to the user as the focus, the settings file, the controller,
// a running transfer and listening change.
class tst_CommandState : public QObject {
    Q_OBJECT

    TestDir m_folder;

    // Of the commands the rules switch, those the user cannot choose now: menu items by name (a path
    // through their menus), toolbar positions by key.
    static QStringList withdrawn(const frmMain &form)
    {
        static const char *const items[] = {"mnuFile/mnuFolder/mnuFolderNew",
                                            "mnuFile/mnuFileEdit/mnuEditorOpen",
                                            "mnuFile/mnuQuorrin/mnuCommenterNew",
                                            "mnuFile/mnuLaskar",
                                            "mnuFile/mnuFileProtect",
                                            "mnuFile/mnuFileUnprotect",
                                            "mnuFile/mnuFilePrinterSetup",
                                            "mnuFile/mnuFilePrint",
                                            "mnuFile/mnuFileExit",
                                            "mnuEdit/mnuEditCopy",
                                            "mnuMachine/mnuMachineSelect",
                                            "mnuMachine/mnuMachinePropaty",
                                            "mnuMachine/mnuMachineNew",
                                            "mnuTrans/mnuTransOutput",
                                            "mnuTrans/mnuTransInput",
                                            "mnuTrans/mnuTransInputCont",
                                            "mnuTrans/mnuTransListen",
                                            "mnuTrans/mnuTransDncA",
                                            "mnuPopupOutput",
                                            "mnuPopupInput",
                                            "mnuPopupInputCont",
                                            "mnuPopupCopy",
                                            "mnuPopupPrint"};
        QStringList names;
        for (const char *path : items) {
            const QStringList chain = QString::fromLatin1(path).split(u'/');
            if (!std::all_of(chain.begin(), chain.end(),
                             [&](const QString &name) { return form.menus()->item(name)->isEnabled(); }))
                names << chain.last();
        }
        for (int position = 1; position <= MainToolBar::ButtonCount; ++position) {
            QAction *button = form.tbToolBar->button(position);
            const QWidget *face = form.tbToolBar->widgetForAction(button); // none for a separator
            if (!button->isEnabled() || !(face ? face : form.tbToolBar)->isEnabled())
                names << button->data().toString();
        }
        names.sort();
        return names;
    }

    // Plays the user's steps; a transfer a step starts waits while the steps up to "end" (or all the
    // rest) are played. seen: what is withdrawn when the steps run out.
    void play(frmMain &form, QStringList steps, QStringList &seen)
    {
        while (!steps.isEmpty()) {
            const QString step = steps.takeFirst();
            if (step == u"list" || step == u"folder") {
                QWidget *pane = step == u"list" ? static_cast<QWidget *>(form.lvListView) : form.Dir1;
                form.activateWindow(); // as the click that moves the focus would
                QVERIFY(QTest::qWaitForWindowActive(&form));
                pane->setFocus(Qt::MouseFocusReason);
                QCOMPARE(QApplication::focusWidget(), pane);
            } else if (step == u"rename") { // the name editor opens inside the list
                form.lvListView->edit(form.lvListView->row(0));
                QTRY_VERIFY(qobject_cast<QLineEdit *>(QApplication::focusWidget()));
            } else if (step == u"alt") { // the menu bar takes the keyboard
                QTest::keyClick(form.lvListView, Qt::Key_Alt, Qt::AltModifier);
                QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(form.menuBar()));
            } else if (step.startsWith(u"listen")) { // from the button, or "listen-menu"; both show it
                QAction *const toggles[] = {form.tbToolBar->face(QStringLiteral("Listen")),
                                            form.menus()->item(QStringLiteral("mnuTransListen"))};
                const bool was = form.transfer()->listening();
                toggles[step == u"listen" ? 0 : 1]->trigger();
                QTRY_COMPARE(form.transfer()->listening(), !was);
                QVERIFY(toggles[0]->isChecked() == !was && toggles[1]->isChecked() == !was);
            } else { // "receive" or "send", held waiting until it is cancelled
                const qsizetype end = steps.indexOf(QStringLiteral("end"));
                const QStringList during = end < 0 ? steps : steps.mid(0, end);
                steps = end < 0 ? QStringList() : steps.mid(end + 1);
                QObject waiting;
                bool waited = false;
                connect(
                    form.transfer(), &TransferCommands::runningChanged, &waiting,
                    [&](bool running) {
                        if (!running)
                            return;
                        waited = true;
                        play(form, during, seen);
                        form.transfer()->dialog()->Command1->click();
                    },
                    Qt::QueuedConnection);
                form.lvListView->setCurrentIndex(form.lvListView->row(0));
                form.menus()->item(step == u"send" ? "mnuPopupOutput" : "mnuPopupInput")->trigger();
                QTRY_VERIFY(waited);
                QTRY_VERIFY(!form.transfer()->running());
                if (end < 0)
                    return;
            }
        }
        seen = withdrawn(form);
    }

private slots:
    void initTestCase()
    {
        m_folder.addFile(QStringLiteral("o1000.min"), QByteArray("O1000\n"));
        m_folder.addFile(QStringLiteral("B.SUB"), QByteArray("O2000\n"));
    }

    // Which commands the focus, the settings file, the controller and a running transfer leave to the
    // user, each rule keeping to its own commands.
    void commandState_data()
    {
        // The settings file remembered from the last run: OSP, FANUC, BAD (cannot be read) or none.
        QTest::addColumn<QString>("machine");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("expected");
        const QStringList never = {"mnuTransDncA"};
        const QStringList atStart = {"mnuEditCopy",      "bar",      "NewFolder",
                                     "チェックボックス", "FileCopy", "Bar2"};
        const QStringList away = {"mnuEditCopy",    "mnuEditorOpen",    "mnuCommenterNew",
                                  "mnuFileProtect", "mnuFileUnprotect", "mnuFilePrint",
                                  "NewFolder",      "チェックボックス", "FileCopy",
                                  "FilePaste",      "FileDelete",       "FileProtect",
                                  "Bar2",           "FileEdit"};
        const QStringList cont = {"mnuTransInputCont", "mnuPopupInputCont", "DownloadCont"};
        const QStringList transfer = {
            "mnuMachineSelect",  "mnuMachinePropaty", "mnuMachineNew", "mnuTransOutput",    "mnuTransInput",
            "mnuTransInputCont", "mnuPopupOutput",    "mnuPopupInput", "mnuPopupInputCont", "Upload",
            "Download",          "DownloadCont",      "ﾌﾟﾛﾊﾟﾃｨ",       "mnuTransListen",    "Listen"};
        const QStringList listening = {"mnuMachineSelect", "mnuMachinePropaty", "mnuMachineNew", "ﾌﾟﾛﾊﾟﾃｨ"};
        const QStringList noFile = {"mnuMachinePropaty", "mnuTransOutput",    "mnuTransInput",
                                    "mnuTransInputCont", "mnuTransListen",    "mnuPopupOutput",
                                    "mnuPopupInput",     "mnuPopupInputCont", "all of the toolbar"};
        const auto row = [](const char *name, const char *machine, const QString &steps,
                            const QStringList &expected) {
            QTest::newRow(name) << machine << steps.split(u' ', Qt::SkipEmptyParts) << expected;
        };
        row("OSP, start-up", "OSP", "", never + atStart);
        row("OSP, list", "OSP", "list", never);
        row("OSP, list left", "OSP", "list folder", never + away);
        row("OSP, menu bar by keyboard", "OSP", "list alt", never);
        row("OSP, name edited in the list", "OSP", "list rename", never);
        row("OSP, list entered during a reception", "OSP", "receive list", never + transfer);
        row("OSP, list left during a reception", "OSP", "list receive folder", never + transfer + away);
        row("OSP, reception ended", "OSP", "list receive end", never);
        row("OSP, listening from the menu", "OSP", "list listen-menu", never + listening);
        row("OSP, listening ended by the button", "OSP", "list listen-menu listen", never);
        row("FANUC, start-up", "FANUC", "", never + atStart + cont);
        row("FANUC, list entered during a send", "FANUC", "folder send list", never + transfer);
        row("FANUC, send ended", "FANUC", "list send end", never + cont);
        row("no settings file, start-up", "", "", never + atStart + noFile);
        row("no settings file, list", "", "list", never + noFile);
        row("unreadable settings file, list", "BAD", "list", never + noFile);
    }

    void commandState()
    {
        QFETCH(QString, machine);
        QFETCH(QStringList, steps);
        MainWindowFixture window;
        window.useScriptedPort = true;
        window.settingsFile(QStringLiteral("FANUC.MCH"),
                            MachineSettingsFile::dialogLayout({1, "9600", "E", "7", "2", 1, "OFF", 1}));
        window.settingsFile(QStringLiteral("BAD.MCH"), "FLOW=x");
        if (machine != u"OSP")
            window.preset(QStringLiteral("MchFileName"), machine.isEmpty() ? QString() : machine + ".MCH");
        frmMain &form = window.start(m_folder.path());
        QStringList seen = {QStringLiteral("never looked")};
        play(form, steps, seen);
        if (QTest::currentTestFailed())
            return;
        QFETCH(QStringList, expected);
        if (expected.removeAll(QStringLiteral("all of the toolbar"))) {
            for (int position = 1; position <= MainToolBar::ButtonCount; ++position)
                expected << form.tbToolBar->button(position)->data().toString();
        }
        expected.sort();
        expected.removeDuplicates();
        QCOMPARE(seen, expected);
    }
};

QTEST_MAIN(tst_CommandState)
#include "tst_CommandState.moc"
