// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/FileListView.h"
#include "fileops/FileOpsRig.h"
#include "shell/CommandNames.h"
#include "shell/LogPane.h"
#include "shell/MainMenus.h"
#include "support/MainWindowFixture.h"
#include "support/ScriptedSerialPort.h"
#include "support/VirtualClock.h"
#include "transfer/TransferCommands.h"
#include "transfer/frmCancelSend.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>

using Answer = MessageBoxes::Answer;

// Commands of the file list used while a reception goes on: the reception and its file come first.
class tst_CommandsDuringTransfer : public QObject {
    Q_OBJECT

private slots:
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
        TransferCommands reception(rig.state, port, rig.boxes, rig, &echo, rig, &window, {&clock, false});
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
        TestDir folder;
        folder.addFile(QStringLiteral("o1.min"), "G00 X0\r\nM30\r\n");
        MainWindowFixture window;
        window.useScriptedPort = true;
        window.preset(QStringLiteral("OpenPathName"), folder.path());
        frmMain &form = window.start();
        form.lvListView->setCurrentItem(form.lvListView->topLevelItem(0));
        form.lvListView->topLevelItem(0)->setSelected(true);
        window.punchOnceListening("$NEW.MIN%\r\nG0 X1\r\n", [&] {
            QVERIFY(QTest::qWaitFor(
                [&] { return form.Text2->toPlainText().contains(QStringLiteral("読込中")); }));
            form.menus()->item(CommandNames::mnuFilePrint)->trigger();
            window.scriptedPort.feed("M30\r\n%");
        });
        form.menus()->item(CommandNames::mnuTransInput)->trigger();
        QTRY_VERIFY(!form.transfer()->running());
        QCOMPARE(window.recordingPrinter.documents, QStringList{"O1.MIN"});
        QVERIFY(form.Text2->toPlainText().indexOf(QStringLiteral("O1.MINを印刷中です...")) > 0);
        QFile received(folder.filePath(QStringLiteral("NEW.MIN")));
        QVERIFY(received.open(QIODevice::ReadOnly));
        QCOMPARE(received.readAll(), QByteArray("G0 X1\r\nM30\r\n"));
    }
};

QTEST_MAIN(tst_CommandsDuringTransfer)
#include "tst_CommandsDuringTransfer.moc"
