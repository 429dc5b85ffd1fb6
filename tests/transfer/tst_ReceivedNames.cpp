// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/FileRenamer.h"
#include "core/ReceivingPath.h"
#include "platform/files/FileProtection.h"
#include "support/PermissionsEnforced.h"
#include "transfer/Reception.h"
#include "transfer/engine/ReceivedName.h"
#include "transfer/ui/ProgramNo.h"
#include "transfer/ui/frmCancelSend.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>

namespace {

// "テスト.MIN" as a Windows machine names it on a share.
const QByteArray SjisName("\x83\x65\x83\x58\x83\x67.MIN");

} // namespace

// Where a received program is stored: under which name, beside what, and what it leaves behind.
class tst_ReceivedNames : public QObject {
    Q_OBJECT

private slots:
    // FANUC stops after one program in either mode; the user's answer names it.
    void aFanucProgramIsNamedByTheUser_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("stored");
        const QStringList o1234{"O1234.NC"};
        QTest::newRow("percent, lf") << QByteArrayLiteral("\0\0%\nO1234\nM30\n%") << "o1234" << o1234;
        QTest::newRow("percent, cr lf") << QByteArray("%\r\nO1234\nM30\n%") << "o1234" << o1234;
        QTest::newRow("program right after %") << QByteArray("%O1234\nM30\n%") << "o1234" << o1234;
        QTest::newRow("name cancelled") << QByteArray("%\nO1234\nM30\n%") << "" << QStringList();
    }

    void aFanucProgramIsNamedByTheUser()
    {
        QFETCH(QByteArray, stream);
        QFETCH(QString, typed);
        QFETCH(QStringList, stored);
        TransferRig rig(1, 1);
        bool openWhileAsking = true;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<ProgramNo *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            openWhileAsking = rig.port.portOpen();
            rig.port.feed("%\nEARLY\n%"); // punched before anyone listens: lost, as on the line
            QCoreApplication::processEvents();
            dialog->Text1->setText(typed);
            (typed.isEmpty() ? dialog->CancelButton : dialog->OKButton)->click();
            rig.port.feed(stream);
        });
        receive(rig, true);
        QVERIFY(!openWhileAsking);
        QCOMPARE(rig.fileNames(), stored);
        QCOMPARE(rig.fileContent("O1234.NC"), QByteArray(stored.isEmpty() ? "" : "O1234\nM30\n"));
        QCOMPARE(rig.log().size(), stored.isEmpty() ? 0 : 3);
        QCOMPARE(rig.port.opened, stored.isEmpty() ? 0 : 1);
        QVERIFY(!rig.port.portOpen());
    }

    void theNameDialogAsksBeforeOverwriting()
    {
        TransferRig rig(1, 1);
        // On disk in Shift_JIS, as a Windows machine wrote it: still the name the operator types.
        const QString onDisk = rig.folder.addRawFile("\x83\x65\x83\x58\x83\x67.NC", "old");
        QString name;
        ProgramNo dialog(name, rig.folder.path(), rig.messages);
        QVERIFY(!dialog.OKButton->isEnabled());
        dialog.Text1->setText(QString::fromUtf8("テスト"));
        QVERIFY(dialog.OKButton->isEnabled());
        rig.messages.answers = {MessageBoxes::Answer::No};
        dialog.OKButton->click();
        QCOMPARE(rig.messages.shown.last().text,
                 QStringLiteral("テスト.NCはすでにあります。重ね書きをしますか？"));
        QCOMPARE(rig.messages.shown.last().title, QStringLiteral("ファイル名確認"));
        QCOMPARE(dialog.result(), 0);
        QVERIFY(FileProtection::protect(onDisk).ok());
        rig.messages.answers = {MessageBoxes::Answer::Yes};
        dialog.OKButton->click();
        QCOMPARE(rig.messages.shown.last().text, QStringLiteral("テスト.NCは保護されています。"));
        QCOMPARE(rig.messages.shown.last().icon, MessageBoxes::Icon::Critical);
        QCOMPARE(dialog.result(), 0);
        dialog.Text1->setText("O2");
        QTest::keyClick(dialog.Text1, Qt::Key_Return); // Enter moves on to OK, a second one presses it
        QCOMPARE(dialog.focusWidget(), dialog.OKButton);
        QCOMPARE(dialog.result(), 0);
        QTest::keyClick(dialog.focusWidget(), Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(name, QStringLiteral("O2.NC"));
    }

    // Nothing is written outside the folder or over the protected A.MIN, and the reception ends with
    // the reason in the operator's language (a full disk: aProgramCutShort). A name too long is refused
    // at once, not at the "%" that may never come.
    void refusedNamesStoreNothing_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("obstacle"); // "folder": a folder of the name; "read-only": the folder
        QTest::addColumn<QString>("reason");   // null: not checked
        const QString none;
        // clang-format off
        QTest::newRow("parent") << QByteArray("../ESCAPE.MIN") << none << none;
        QTest::newRow("absolute") << QByteArray("/TMP/X.MIN") << none << none;
        QTest::newRow("backslash") << QByteArray("..\\X.MIN") << none << none;
        QTest::newRow("empty") << QByteArray("") << none << none;
        QTest::newRow("control character") << QByteArray("A\x01" "B.MIN") << none << none;
        QTest::newRow("too long") << QByteArray(ReceivedName::MaxNameBytes + 1, 'A') << none << "プログラム名が255バイトを超えています。";
        QTest::newRow("not shift_jis") << QByteArray("\x81.MIN") << none << none;
        QTest::newRow("protected file") << QByteArray("a.min") << none << none;
        QTest::newRow("protected file under its Shift_JIS name") << QByteArray("\x83\x65\x83\x58\x83\x67.min") << none << none;
        QTest::newRow("a folder of the name") << QByteArray("B.MIN") << "folder" << "同じ名前のフォルダー'B.MIN'があります。";
        QTest::newRow("a read-only folder") << QByteArray("B.MIN") << "read-only" << "アクセスが拒否されました。";
        // clang-format on
    }

    void refusedNamesStoreNothing()
    {
        QFETCH(QByteArray, name);
        QFETCH(QString, obstacle);
        QFETCH(QString, reason);
        TransferRig rig(0, 1);
        rig.folder.addFile("a.min", "kept");
        rig.folder.protect("a.min");
        QVERIFY(FileProtection::protect(rig.folder.addRawFile(SjisName, "kept")).ok());
        if (obstacle == "folder")
            rig.folder.addFolder("B.MIN");
        const QStringList before = rig.fileNames();
        std::optional<PermissionsEnforced> enforced;
        if (obstacle == "read-only") {
            enforced.emplace();
            QFile::setPermissions(rig.folder.path(), QFile::ReadOwner | QFile::ExeOwner);
        }
        rig.port.feed("$" + name);
        receive(rig, false, [&rig, &name] {
            QVERIFY(name.size() <= ReceivedName::MaxNameBytes);
            rig.port.feed("%\r\nG0\r\n%");
        });
        QFile::setPermissions(rig.folder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(rig.fileNames(), before);
        QCOMPARE(rig.fileContent("a.min"), QByteArray("kept"));
        QCOMPARE(rig.fileContent(NativeName::fromBytes(SjisName)), QByteArray("kept"));
        QVERIFY(!QFile::exists(rig.folder.filePath("../ESCAPE.MIN")));
        QCOMPARE(rig.log().size(), 2);
        QVERIFY(rig.log().at(0).endsWith("の受信が出来ませんでした。"));
        if (!reason.isNull())
            QCOMPARE(rig.log().at(1), reason);
        QVERIFY(!rig.port.portOpen());
        QVERIFY(rig.state.Transfer.Receiving.isEmpty()); // no file command is refused for it later
        QVERIFY(!rig.commands.dialog()->isVisible());
    }

    // What another hand puts under a program's name while it arrives stays, and the program is kept
    // beside it; nothing is asked during a transfer. The list refuses to rename a file onto that name.
    void whatCameUnderTheNameMeanwhileStays_data()
    {
        QTest::addColumn<QStringList>("before"); // name=content
        QTest::addColumn<QString>("meanwhile");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QStringList>("last"); // the log after "読込中"
        const QString failed = "A.MINの受信が出来ませんでした。",
                      kept = "受信したプログラムは受信A.MINに残しました。", ended = "受信を終了しました。",
                      body = "G01\r\n";
        // clang-format off
        QTest::newRow("a file made") << QStringList() << "make" << QStringList{"A.MIN=other", "受信A.MIN=" + body}
            << QStringList{failed, "受信中にA.MINが作られました。" + kept, ended};
        QTest::newRow("a file renamed onto it by another window") << QStringList{"FOO.MIN=foo"} << "rename"
            << QStringList{"A.MIN=foo", "受信A.MIN=" + body} << QStringList{failed, "受信中にA.MINが作られました。" + kept, ended};
        QTest::newRow("replaced") << QStringList{"A.MIN=old"} << "replace" << QStringList{"A.MIN=other", "受信A.MIN=" + body}
            << QStringList{failed, "受信中にA.MINが別のファイルに置き換えられました。" + kept, ended};
        QTest::newRow("protected") << QStringList{"A.MIN=old"} << "protect" << QStringList{"A.MIN=old", "受信A.MIN=" + body}
            << QStringList{failed, "受信中にA.MINが保護されました。" + kept, ended};
        QTest::newRow("a folder made") << QStringList() << "folder" << QStringList{"受信A.MIN=" + body}
            << QStringList{failed, "受信中に同じ名前のフォルダー'A.MIN'が作られました。" + kept, ended};
        QTest::newRow("the fallback name taken") << QStringList{"受信A.MIN=first"} << "make"
            << QStringList{"A.MIN=other", "受信A.MIN=first", "受信2A.MIN=" + body}
            << QStringList{failed, "受信中にA.MINが作られました。受信したプログラムは受信2A.MINに残しました。", ended};
        QTest::newRow("removed") << QStringList{"A.MIN=old"} << "remove" << QStringList{"A.MIN=" + body}
            << QStringList{"読込が完了しました。", ended};
        // clang-format on
    }

    void whatCameUnderTheNameMeanwhileStays()
    {
        QFETCH(QStringList, before);
        QFETCH(QString, meanwhile);
        QFETCH(QStringList, after);
        TransferRig rig(0, 1);
        put(rig, before);
        rig.commands.mnuTransInput_Click();
        rig.port.feed("$A.MIN%\r\nG0");
        rig.lineClock.runUntil([&rig] { return rig.port.waiting() == 0; });
        QTRY_COMPARE(rig.log().value(0), QStringLiteral("A.MINを読込中です..."));

        if (meanwhile == "rename") { // refused in the list, done in another window
            FileRenamer(rig.state, rig.messages).renameRow(rig.folder.path(), "FOO.MIN", "FOO.MIN", "a.min");
            QCOMPARE(rig.messages.shown.size(), 1);
            QCOMPARE(rig.messages.shown.first().text,
                     QStringLiteral("a.minは受信中なので名前を変更できません。"));
            QCOMPARE(rig.fileContent("FOO.MIN"), QByteArray("foo"));
        }
        const QString target = rig.folder.path() + "/A.MIN";
        if (meanwhile == "make" || meanwhile == "replace")
            QVERIFY(NativeFile::rename(rig.folder.addFile("X.TMP", "other"), target).ok());
        else if (meanwhile == "rename")
            QVERIFY(QFile::rename(rig.folder.path() + "/FOO.MIN", target));
        else if (meanwhile == "protect")
            QVERIFY(FileProtection::protect(target).ok());
        else if (meanwhile == "folder")
            QVERIFY(QDir(rig.folder.path()).mkdir("A.MIN"));
        else if (meanwhile == "remove")
            QVERIFY(QFile::remove(target));
        rig.port.feed("1\r\n%");
        QTRY_VERIFY(rig.finish());

        after.sort();
        QCOMPARE(filesIn(rig), after);
        QTEST(rig.log().mid(1), "last");
    }

    // Of two files whose names differ only in case, a program goes to the one of its own spelling,
    // whichever of them the folder lists first.
    void aProgramGoesToTheFileOfItsOwnSpelling()
    {
        for (int pair = 0; pair < 20; ++pair) {
            TransferRig rig(0, 1);
            const QString upper = QStringLiteral("O%1.MIN").arg(1000 + pair);
            rig.folder.addFile(upper.toLower(), "lower");
            rig.folder.addFile(upper, "upper");
            rig.port.feed("$" + upper.toLatin1() + "%\r\nG1\r\n%");
            receive(rig, false);
            QCOMPARE(rig.fileContent(upper), QByteArray("G1\r\n"));
            QCOMPARE(rig.fileContent(upper.toLower()), QByteArray("lower"));
        }
    }

    // Hidden files that receptions left when their process ended first go when the next reception
    // opens the folder: only this computer's, and only those of a process that is no Talvern now.
    void leftoversOfEndedReceptionsGo_data()
    {
        QTest::addColumn<QString>("owner");
        QTest::addColumn<bool>("kept");
        QTest::newRow("ended") << "ended" << false;
        QTest::newRow("another program now") << "sleep" << false;
        QTest::newRow("this running Talvern") << "self" << true;
        QTest::newRow("another computer's") << "elsewhere" << true;
    }

    void leftoversOfEndedReceptionsGo()
    {
        QFETCH(QString, owner);
        QProcess process;
        process.start("sh", {"-c", owner == "sleep" ? "echo; exec sleep 30" : "echo"});
        QVERIFY(process.waitForStarted());
        const qint64 pid = owner == "self" ? QCoreApplication::applicationPid() : process.processId();
        // once it says so, it runs a program of its own, no copy of this one
        QVERIFY(owner == "sleep" ? process.waitForReadyRead() : process.waitForFinished());
        // ".talvern-receive..<host>.<pid>.<random>", as this process names its own
        QStringList name = ReceivingPath::hiddenName().split('.');
        name[3] = owner == "elsewhere" ? "other-pc" : name[3];
        name[4] = QString::number(pid);
        TransferRig rig(0, 1);
        const QString leftover = rig.folder.addFile(name.join('.'), "G0");
        rig.port.feed("$A.MIN%\r\nG0\r\n%"); // reported once on disk: the folder was looked at first
        receive(rig, false);
        QTEST(QFile::exists(leftover), "kept");
    }
};

QTEST_MAIN(tst_ReceivedNames)
#include "tst_ReceivedNames.moc"
