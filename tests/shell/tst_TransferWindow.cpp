// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/FileListView.h"
#include "fileops/FileOpsRig.h"
#include "shell/CommandNames.h"
#include "shell/LogPane.h"
#include "shell/MainMenus.h"
#include "shell/MainToolBar.h"
#include "support/MainWindowFixture.h"
#include "support/ScriptedSerialPort.h"
#include "support/TestDir.h"
#include "support/VirtualClock.h"
#include "transfer/TransferCommands.h"
#include "transfer/frmCancelSend.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QStyleHints>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

using Answer = MessageBoxes::Answer;

// Transfers as the main window runs them: from its toolbar and menus, beside its other panes and the
// commands of its file list, and at its close.
class tst_TransferWindow : public QObject {
    Q_OBJECT

    TestDir m_folder;

    frmMain &start(MainWindowFixture &window)
    {
        window.useScriptedPort = true;
        window.preset(QStringLiteral("OpenPathName"), m_folder.path());
        return window.start();
    }

    static QStringList marked(const FileListView *list)
    {
        QStringList names;
        for (const QTreeWidgetItem *row : list->selectedItems())
            names << row->text(FileListView::NameColumn);
        names.sort();
        return names;
    }

private slots:
    void initTestCase()
    {
        m_folder.addFile(QStringLiteral("A.MIN"), "O1\r\n");
        m_folder.addFile(QStringLiteral("B.MIN"), "O2\r\n");
        // A click on a marked name opens its rename editor after this time: the test need not wait long.
        QGuiApplication::styleHints()->setMouseDoubleClickInterval(50);
    }

    // The user marks A and B, clicks A's name once more (which opens the list's rename editor on it),
    // sends from the toolbar and aborts with the mouse before the machine asks: nothing was sent, and
    // the abort dialog taking the focus from the editor must not rebuild the list and drop the marks.
    void anAbortByMouseKeepsTheMarksOfFilesNotSent()
    {
        MainWindowFixture window;
        frmMain &form = start(window);
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        FileListView *list = form.lvListView;
        auto nameOf = [list](int row) { return list->visualRect(list->model()->index(row, 0)).center(); };
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, nameOf(1));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, nameOf(0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, nameOf(0));
        QTRY_VERIFY(list->findChild<QLineEdit *>());
        QCOMPARE(marked(list), (QStringList{"A.MIN", "B.MIN"}));
        bool dialogActive = false;
        QTimer::singleShot(0, this, [&] {
            frmCancelSend *dialog = form.transfer()->dialog();
            dialog->activateWindow(); // what a press on a window does first
            dialogActive = QTest::qWaitFor([dialog] { return QApplication::activeWindow() == dialog; });
            QTest::mouseClick(dialog->Command1, Qt::LeftButton);
        });
        QTest::mouseClick(form.tbToolBar->widgetForAction(form.tbToolBar->button(1)), Qt::LeftButton);
        QTRY_VERIFY(!form.transfer()->running());
        QVERIFY(dialogActive);
        QVERIFY(form.Text2->toPlainText().endsWith(QStringLiteral("送信がキャンセルされました。\n")));
        QCOMPARE(marked(list), (QStringList{"A.MIN", "B.MIN"}));
    }

    // A program arriving in the shown folder is listed once it is whole, with all its bytes: the list
    // refreshed meanwhile (for a file someone else adds) keeps its marks and shows nothing of it, not
    // even the hidden file it arrives in, while the echo shows what came.
    void aProgramArrivingIsListedWhenWhole()
    {
        MainWindowFixture window;
        frmMain &form = start(window);
        form.lvListView->row(1)->setSelected(true);
        const auto listed = [&form](const QString &name) {
            return form.lvListView->findItems(name, Qt::MatchExactly);
        };
        QStringList rowsMeanwhile, marksMeanwhile;
        QString paneMeanwhile;
        window.punchOnceListening("$NEW.MIN%\r\nG0 X1\r\n", [&] {
            const auto drawn = [&form] { return !form.Text1->toPlainText().isEmpty(); }; // a little later
            paneMeanwhile = QTest::qWaitFor(drawn) ? form.Text1->toPlainText() : QString();
            m_folder.addFile(QStringLiteral("OTHER.MIN"), "");
            if (QTest::qWaitFor([&] { return listed(QStringLiteral("OTHER.MIN")).size() == 1; })) {
                for (const FileRow &row : form.lvListView->rows())
                    rowsMeanwhile << row.text;
            }
            marksMeanwhile = marked(form.lvListView);
            window.scriptedPort.feed("M30\r\n%");
        });
        form.menus()->item(QStringLiteral("mnuTransInput"))->trigger();
        QTRY_VERIFY(!form.transfer()->running());
        QCOMPARE(rowsMeanwhile, (QStringList{"A.MIN", "B.MIN", "OTHER.MIN"}));
        QCOMPARE(marksMeanwhile, QStringList{QStringLiteral("B.MIN")});
        QCOMPARE(paneMeanwhile, QStringLiteral("G0 X1\n"));
        QCOMPARE(listed(QStringLiteral("NEW.MIN")).size(), 1);
        QCOMPARE(listed(QStringLiteral("NEW.MIN")).first()->text(FileListView::SizeColumn),
                 QStringLiteral("12"));
        QVERIFY(QFile::remove(m_folder.filePath(QStringLiteral("NEW.MIN"))));
        QVERIFY(QFile::remove(m_folder.filePath(QStringLiteral("OTHER.MIN"))));
    }

    // The process ends at once, also in the middle of a reception: what arrived is on the disk first.
    void closingMidReceptionKeepsWhatArrived()
    {
        MainWindowFixture window;
        frmMain &form = start(window);
        QByteArray onDisk;
        bool portOpenAfterClose = true;
        window.punchOnceListening("$KEEP.MIN%\r\nG0 X1\r\nG1 Y");
        connect(form.Text1, &QTextEdit::textChanged, this, [&] { // the echo is on in the default settings
            if (!form.Text1->toPlainText().endsWith("G1 Y") || !portOpenAfterClose)
                return;
            QTimer::singleShot(0, this, [&] { // once the last byte has been written too
                form.close();
                QFile file(m_folder.filePath(QStringLiteral("KEEP.MIN")));
                if (file.open(QIODevice::ReadOnly))
                    onDisk = file.readAll();
                portOpenAfterClose = window.scriptedPort.portOpen();
            });
        });
        form.menus()->item(QStringLiteral("mnuTransInput"))->trigger();
        QTRY_VERIFY(!form.transfer()->running());
        QCOMPARE(onDisk, QByteArray("G0 X1\r\nG1 Y"));
        QCOMPARE(QDir(m_folder.path()).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{"A.MIN", "B.MIN", "KEEP.MIN"})); // nothing else, hidden or not, is left behind
        QVERIFY(!portOpenAfterClose);
        QCOMPARE(window.written()->value(QStringLiteral("OpenPathName")).toString(), m_folder.path());
        QFile::remove(m_folder.filePath(QStringLiteral("KEEP.MIN")));
    }

    // A program that begins to arrive while a command's question is open, or arrives whole meanwhile,
    // or arrives into a folder renamed since it began, is neither deleted nor pasted over, and its
    // folder stays: it lands whole where its folder is now, and so does the next program.
    void aReceptionIsNeverLost_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QByteArray>("punched"); // under the command's first question, or before a rename
        QTest::addColumn<QStringList>("shown");
        // clang-format off
        const QString askDelete = "O2000.MINを削除してもいいですか？", busyDelete = "O2000.MINは受信中なので削除できません。";
        const QByteArray begun = "$O2000.MIN%\r\nNEW", whole = begun + "\r\n%";
        QTest::newRow("file delete") << "delete" << begun << QStringList{askDelete, busyDelete};
        QTest::newRow("file delete, whole program") << "delete" << whole << QStringList{askDelete, askDelete};
        QTest::newRow("paste over") << "paste" << begun << QStringList{"O2000.MINは既にファイルが存在します。\nファイルを重ね書きしますか？", "O2000.MINは受信中なので貼り付けが出来ません。"};
        QTest::newRow("folder delete") << "folder delete" << begun << QStringList{"フォルダー'src'とフォルダー内のすべてのファイルを削除してもいいですか？", "フォルダー'src'には受信中のファイルがあるので削除できません。"};
        QTest::newRow("folder renamed, file delete") << "rename" << begun << QStringList{busyDelete};
        // clang-format on
    }

    void aReceptionIsNeverLost()
    {
        QFETCH(QString, command);
        QFETCH(QByteArray, punched);
        FileOpsRig rig;
        rig.put("other", {"o2000.min=copy"});
        rig.put("src", {"o2000.min=old", "a.min=a"});
        rig.showFolder(rig.folder.filePath("other"));
        rig.mark({"O2000.MIN"});
        rig.files().mnuEditCopy_Click();
        rig.showFolder(rig.folder.filePath("src"));
        ScriptedSerialPort port;
        VirtualClock clock;
        QWidget window;
        QTextEdit echo;
        TransferCommands reception(rig.state, port, rig.boxes, rig, &echo, rig.list, &window, {&clock, false});
        reception.mnuTransInputCont_Click();
        const auto punch = [&port, &clock](const QByteArray &bytes) {
            port.feed(bytes);
            clock.runUntil([&port] { return port.waiting() == 0; });
        };
        int questions = 0;
        rig.boxes.whileAsking = [&] {
            if (questions++ == 0)
                punch(punched);
        };
        rig.boxes.answers = {Answer::Yes, Answer::No};
        if (command == "rename") {
            punch(punched);
            whenShown([](FolderNameDialog &dialog) {
                dialog.Text1->setText("dst");
                dialog.Command1->click();
            });
            rig.folders().mnuFolderRename_Click();
            QCOMPARE(rig.state.CurrentFolder, rig.folder.filePath("dst"));
        }
        rig.mark({"O2000.MIN"});
        if (command == "paste")
            rig.files().mnuEditPaste_Click();
        else if (command == "folder delete")
            rig.folders().mnuFolderDelete_Click();
        else
            rig.files().mnuFileDelete_Click();
        punch("\r\n%$O3000.MIN%\r\nX\r\n%");
        reception.dialog()->Command1->click();
        QVERIFY(clock.runUntil([&reception] { return !reception.running(); }));

        QTEST(rig.shown(), "shown");
        const QString done = "読込が完了しました。";
        QCOMPARE(rig.log, (QStringList{"O2000.MINを読込中です...", done, "O3000.MINを読込中です...", done,
                                       "受信を終了しました。"}));
        QCOMPARE(FileOpsRig::contents(), (QStringList{"O3000.MIN=X\r\n", "a.min=a", "o2000.min=NEW\r\n"}));
    }

    // The window stays live while a reception waits: a print then leaves the reception's log lines and
    // its file alone, and the reception goes on.
    void printingWhileAReceptionWaits()
    {
        MainWindowFixture window;
        frmMain &form = start(window);
        form.lvListView->setCurrentItem(form.lvListView->row(0));
        form.lvListView->row(0)->setSelected(true);
        window.punchOnceListening("$NEW.MIN%\r\nG0 X1\r\n", [&] {
            QVERIFY(QTest::qWaitFor(
                [&] { return form.Text2->toPlainText().contains(QStringLiteral("読込中")); }));
            form.menus()->item(CommandNames::mnuFilePrint)->trigger();
            window.scriptedPort.feed("M30\r\n%");
        });
        form.menus()->item(CommandNames::mnuTransInput)->trigger();
        QTRY_VERIFY(!form.transfer()->running());
        QCOMPARE(window.recordingPrinter.documents, QStringList{"A.MIN"});
        QVERIFY(form.Text2->toPlainText().indexOf(QStringLiteral("A.MINを印刷中です...")) > 0);
        QFile received(m_folder.filePath(QStringLiteral("NEW.MIN")));
        QVERIFY(received.open(QIODevice::ReadOnly));
        QCOMPARE(received.readAll(), QByteArray("G0 X1\r\nM30\r\n"));
        QVERIFY(received.remove());
    }
};

QTEST_MAIN(tst_TransferWindow)
#include "tst_TransferWindow.moc"
