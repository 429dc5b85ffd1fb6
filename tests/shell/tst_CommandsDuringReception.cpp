// SPDX-License-Identifier: GPL-2.0-or-later
#include "fileops/FileOpsRig.h"
#include "support/ScriptedSerialPort.h"
#include "support/VirtualClock.h"
#include "transfer/ui/TransferCommands.h"
#include "transfer/ui/frmCancelSend.h"

#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>

using Answer = MessageBoxes::Answer;

namespace {

// A continuous reception into the folder the rig shows, on the scripted port and a virtual clock.
struct Reception {
    explicit Reception(FileOpsRig &rig)
        : commands(rig.state, port, rig.boxes, rig, &echo, rig.list, &window, {&clock, false})
    {
        commands.mnuTransInputCont_Click();
    }
    // Once the line has taken all that was fed: 中止, then until the line and the disk's thread are done.
    void end()
    {
        clock.runUntil([this] { return port.waiting() == 0; });
        commands.dialog()->Command1->click();
        QTRY_VERIFY(clock.runUntil([this] { return !commands.running(); }));
    }

    ScriptedSerialPort port;
    VirtualClock clock;
    QWidget window;
    QTextEdit echo;
    TransferCommands commands;
};

} // namespace

// The file and folder commands while a program arrives in the folder they work on.
class tst_CommandsDuringReception : public QObject {
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
        rig.copy("other", {"O2000.MIN"}, "src");
        Reception reception(rig);
        ScriptedSerialPort &port = reception.port;
        VirtualClock &clock = reception.clock;
        // Until the disk's thread has what was punched: a begun program in its hidden file, a whole one
        // under its name, each with its log line.
        const auto punch = [&port, &clock, &rig](const QByteArray &bytes) {
            const qsizetype lines = rig.log.size() + bytes.count('$') + bytes.count("\r\n%");
            port.feed(bytes);
            QTRY_VERIFY(clock.runUntil([&] { return port.waiting() == 0 && rig.log.size() == lines; }));
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
        port.feed("\r\n%$O3000.MIN%\r\nX\r\n%");
        reception.end();

        QTEST(rig.shown(), "shown");
        const QString done = "読込が完了しました。";
        QCOMPARE(rig.log, (QStringList{"O2000.MINを読込中です...", done, "O3000.MINを読込中です...", done,
                                       "受信を終了しました。"}));
        QCOMPARE(rig.contents(), (QStringList{"O3000.MIN=X\r\n", "a.min=a", "o2000.min=NEW\r\n"}));
    }

    // A new folder, or a folder renamed, may not take the name of a program being received, in any case:
    // the reception's last step would fail on it. The program lands whole.
    void aFolderIsNotNamedLikeAProgramBeingReceived_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("title");
        // clang-format off
        QTest::newRow("new folder") << "new" << "o2000.min" << "フォルダーの作成";
        QTest::newRow("folder renamed") << "rename" << "O2000.MIN" << "フォルダー名の変更";
        // clang-format on
    }

    void aFolderIsNotNamedLikeAProgramBeingReceived()
    {
        QFETCH(QString, command);
        QFETCH(QString, typed);
        FileOpsRig rig;
        rig.put("src", {"job/"});
        rig.showFolder(rig.folder.filePath("src"));
        Reception reception(rig);
        ScriptedSerialPort &port = reception.port;
        VirtualClock &clock = reception.clock;
        port.feed("$O2000.MIN%\r\nNEW");
        QTRY_VERIFY(clock.runUntil([&] { return port.waiting() == 0 && rig.log.size() == 1; }));

        whenShown([&typed](FolderNameDialog &dialog) {
            dialog.Text1->setText(typed);
            dialog.Command1->click();
        });
        if (command == "new") {
            rig.folders().mnuFolderNew_Click();
        } else {
            rig.showFolder(rig.folder.filePath("src/job"));
            rig.folders().mnuFolderRename_Click();
        }
        port.feed("\r\n%");
        reception.end();

        QCOMPARE(rig.shown(), QStringList{"'" + typed + "'は受信中のファイルの名前なので使えません。"});
        QTEST(rig.boxes.shown[0].title, "title");
        QCOMPARE(rig.log,
                 (QStringList{"O2000.MINを読込中です...", "読込が完了しました。", "受信を終了しました。"}));
        QVERIFY(QFileInfo(rig.folder.filePath("src/job")).isDir());
        QFile received(rig.folder.filePath("src/O2000.MIN"));
        QVERIFY(received.open(QIODevice::ReadOnly));
        QCOMPARE(received.readAll(), QByteArray("NEW\r\n"));
    }
};

QTEST_MAIN(tst_CommandsDuringReception)
#include "tst_CommandsDuringReception.moc"
