// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/FileRenamer.h"
#include "core/ReceivingPath.h"
#include "platform/FileProtection.h"
#include "support/FileSizeLimit.h"
#include "support/PermissionsEnforced.h"
#include "support/TransferRig.h"
#include "transfer/EchoLine.h"
#include "transfer/ProgramNo.h"
#include "transfer/ReceiveWriter.h"
#include "transfer/ReceivedName.h"
#include "transfer/frmCancelSend.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStringDecoder>
#include <QTest>
#include <QTextDocument>
#include <QTimer>

#include <optional>

namespace {

// "テスト.MIN" as a Windows machine names it on a share.
const QByteArray SjisName("\x83\x65\x83\x58\x83\x67.MIN");

// The reception starts; once it has taken every byte the machine punched, then runs (while it is
// still receiving), and the reception is run to its end, which waits for its disk's thread too.
void receive(TransferRig &rig, bool continuous, const std::function<void()> &then = {})
{
    continuous ? rig.commands.mnuTransInputCont_Click() : rig.commands.mnuTransInput_Click();
    rig.lineClock.runUntil([&rig] { return rig.port.waiting() == 0; });
    if (then && rig.commands.running())
        then();
    QTRY_VERIFY(rig.finish());
}

void abort(TransferRig &rig)
{
    rig.commands.dialog()->Command1->click();
}

// Files given as "name=content".
void put(TransferRig &rig, const QStringList &files)
{
    for (const QString &file : files)
        rig.folder.addFile(file.section('=', 0, 0), file.section('=', 1).toUtf8());
}

// Every file of the folder, hidden or not, as "name=content", sorted.
QStringList filesIn(TransferRig &rig)
{
    QStringList files;
    for (const QString &name : QDir(rig.folder.path()).entryList(QDir::Files | QDir::Hidden))
        files << name + '=' + rig.fileContent(name);
    files.sort();
    return files;
}

// The stream in reads of the given size, each its own event.
void punchInReads(TransferRig &rig, const QByteArray &stream, qsizetype size)
{
    for (qsizetype at = 0; at < stream.size(); at += size)
        rig.port.feed(stream.mid(at, size));
}

} // namespace

// Programs punched out at the machine, as they arrive in reads of any size, into the folder shown.
class tst_Receiver : public QObject {
    Q_OBJECT

private slots:
    // OSP programs are stored under their own names, whether the line cuts the stream into reads of
    // one byte each, of any size, or hands it over all at once.
    void ospProgramsAreStoredUnderTheirOwnNames_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<bool>("continuous");
        QTest::addColumn<QByteArrayList>("stored"); // name, then content, for each file
        QTest::addColumn<QString>("echo");          // one line break for each line end, whichever it is
        QTest::newRow("leader and flow control")
            << QByteArrayLiteral("\0\0\x12$A.MIN\x13%\r\nG0\x13\r\n\x11G1\x14\r\n%\x14") << false
            << QByteArrayList{"A.MIN", "G0\r\nG1\r\n"} << "G0\nG1\n";
        QTest::newRow("more after the end of a single program")
            << QByteArray("$A.MIN%\r\nG0\r\n%$B.MIN%\r\nG1\r\n%") << false
            << QByteArrayList{"A.MIN", "G0\r\n"} << "G0\n";
        QTest::newRow("programs back to back, lf header")
            << QByteArray("$A.MIN%\r\nG0\r\n%\r\n$B.MIN%\nG1\r\r\n%") << true
            << QByteArrayList{"A.MIN", "G0\r\n", "B.MIN", "G1\r\r\n"} << "G0\nG1\n\n";
        QTest::newRow("two-byte characters and lone line ends")
            << QByteArray("$A.MIN%\r\n(\x82\xa0)\n\r\x82\xa2\r\n%") << false
            << QByteArrayList{"A.MIN", "(\x82\xa0)\n\r\x82\xa2\r\n"} << QString::fromUtf8("(あ)\n\nい\n");
        QTest::newRow("program right after the header")
            << QByteArray("$O1000.MIN%G0\r\n%") << false << QByteArrayList{"O1000.MIN", "G0\r\n"} << "G0\n";
        QTest::newRow("half-width katakana name in lower case")
            << QByteArray("$\xb1\xb2.min%\r\n(\xb1)\r\n%") << false
            << QByteArrayList{"\xb1\xb2.MIN", "(\xb1)\r\n"} << QString::fromUtf8("(ｱ)\n");
    }

    void ospProgramsAreStoredUnderTheirOwnNames()
    {
        QFETCH(QByteArray, stream);
        QFETCH(bool, continuous);
        QFETCH(QByteArrayList, stored);
        QStringList names, log;
        qsizetype bytes = 0;
        for (qsizetype i = 0; i < stored.size(); i += 2) {
            names << QStringDecoder("Shift_JIS").decode(stored.at(i));
            log << names.last() + "を読込中です..."
                << "読込が完了しました。";
            bytes += stored.at(i + 1).size();
        }
        log << "受信を終了しました。";
        for (qsizetype size = 1; size <= stream.size(); ++size) {
            TransferRig rig(0, 1);
            rig.state.Machine.Echo = QStringLiteral("ON");
            punchInReads(rig, stream, size);
            receive(rig, continuous, [&rig] { abort(rig); });
            QCOMPARE(rig.fileNames(), names);
            for (qsizetype i = 0; i < names.size(); ++i)
                QCOMPARE(rig.fileContent(names.at(i)), stored.at(2 * i + 1));
            QTEST(rig.text.toPlainText(), "echo");
            QCOMPARE(rig.log(), log);
            QCOMPARE(rig.commands.dialog()->Detail->text(), QStringLiteral("%1 バイト受信").arg(bytes));
            QVERIFY(!rig.port.portOpen());
            QCOMPARE(rig.files.rowCount(), names.size()); // the list shows the new files
        }
    }

    // A long drip feed keeps only the end of its echo in view, and the file whole; the next preview
    // in the pane is not cut short.
    void theEchoOfALongReceptionStaysBounded()
    {
        TransferRig rig(0, 1);
        rig.state.Machine.Echo = QStringLiteral("ON");
        QByteArray body, lines;
        for (int i = 0; i < TransferCommands::EchoLines * 2; ++i)
            body += "N" + QByteArray::number(i) + " G01 X1.\r\n";
        punchInReads(rig, "$A.MIN%\r\n" + body + "%", 4096);
        receive(rig, false);
        QCOMPARE(rig.fileContent("A.MIN"), body);
        const QStringList shown = rig.text.toPlainText().split('\n');
        QVERIFY(shown.size() <= TransferCommands::EchoLines);
        QCOMPARE(shown.at(shown.size() - 2),
                 QStringLiteral("N%1 G01 X1.").arg(TransferCommands::EchoLines * 2 - 1));

        for (int i = 0; i < TransferCommands::EchoLines * 2; ++i)
            lines += "line\n";
        rig.text.setPlainText(QString::fromLatin1(lines));
        QCOMPARE(rig.text.document()->blockCount(), TransferCommands::EchoLines * 2 + 1);
    }

    // The echo shows of a line its first 4 KB, never half a character, and of a backlog the lines the
    // pane keeps, whatever the reads; no redraw takes in much more than that, and the file holds all.
    void theEchoShowsOnlyWhatThePaneKeeps_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("echo");
        const QByteArray a("\x82\xa0"); // あ
        const QString x(EchoLine::Cap, QLatin1Char('X'));
        QTest::newRow("one-byte characters") << QByteArray(3 * EchoLine::Cap, 'X') + "\r\nG1\r\n"
                                             << x + "\nG1\n";
        QTest::newRow("the cut splits a two-byte character")
            << "G" + a.repeated(EchoLine::Cap) + "\r(\x82\xa2)\r\n"
            << "G" + QString(EchoLine::Cap / 2 - 1, QChar(u'あ')) + QString::fromUtf8("\n(い)\n");
        QTest::newRow("the cut ends a two-byte character")
            << a.repeated(EchoLine::Cap) + "\r\n\x82\xa2\r\n"
            << QString(EchoLine::Cap / 2, QChar(u'あ')) + QString::fromUtf8("\nい\n");
        QTest::newRow("no line end before the program's") << QByteArray(3 * EchoLine::Cap, 'X') << x;
        QByteArray backlog;
        QString kept;
        for (int i = 0, count = 20 * TransferCommands::EchoLines; i < count; ++i) {
            backlog += "N" + QByteArray::number(i).rightJustified(6, '0') + " G01 X1.\r\n";
            if (i > count - TransferCommands::EchoLines)
                kept += QString::fromLatin1(backlog.last(17).first(15)) + '\n';
        }
        QTest::newRow("a backlog of lines") << backlog << kept;
    }

    void theEchoShowsOnlyWhatThePaneKeeps()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, echo);
        for (const qsizetype size : {qsizetype(1000), EchoLine::Cap + 7, body.size() + 20}) {
            TransferRig rig(0, 1);
            rig.state.Machine.Echo = QStringLiteral("ON");
            qsizetype largestDraw = 0;
            connect(rig.text.document(), &QTextDocument::contentsChange, this,
                    [&largestDraw](int, int, int added) {
                        largestDraw = std::max<qsizetype>(largestDraw, added);
                    });
            punchInReads(rig, "$A.MIN%\r\n" + body + "%", size);
            receive(rig, false);
            QCOMPARE(rig.fileContent("A.MIN"), body);
            QCOMPARE(rig.text.toPlainText(), echo);
            QVERIFY2(largestDraw <= echo.size() + 100, qPrintable(QString::number(largestDraw)));
        }
    }

    // A fast device server hands over more in one read than the disk's buffer holds: the program is
    // stored whole all the same.
    void aReadLargerThanTheDiskBufferIsStored()
    {
        TransferRig rig(0, 1);
        QByteArray body;
        qint64 number = 0;
        while (body.size() < ReceiveWriter::Capacity + 256 * 1024)
            body += "N" + QByteArray::number(number++) + " G01 X1.\r\n";
        rig.port.feed("$A.MIN%\r\n" + body + "%");
        receive(rig, false);
        QCOMPARE(rig.log(),
                 (QStringList{"A.MINを読込中です...", "読込が完了しました。", "受信を終了しました。"}));
        QVERIFY(rig.fileContent("A.MIN") == body);
    }

    // An aborted reception leaves its state behind; none of it reaches a later send or reception. The
    // program received goes back with its name in the code page it came in.
    void anAbortedReceptionLeavesNothingBehind()
    {
        TransferRig rig(0, 1);
        const QString name = QString::fromUtf8("ｱｲ.MIN");
        rig.port.feed("$\xb1\xb2.min%\r\nG0");
        receive(rig, false, [&rig] { abort(rig); });
        QCOMPARE(rig.fileContent(name), QByteArray("G0"));

        rig.select({name});
        rig.port.setSettings("4800,n,8,1"); // a line that carries the name's bytes
        rig.port.onOutput = [&rig](const QByteArray &bytes) {
            if (bytes.startsWith('$'))
                rig.port.feed("\r\n"); // the machine's stray line end
        };
        QTimer::singleShot(0, &rig.port, [&rig] { rig.port.feed(QByteArray(1, 0x11)); });
        rig.send();
        QCOMPARE(rig.port.written, QByteArray("$\xb1\xb2.MIN%\r\nG0\n%\r\n"));
        QCOMPARE(rig.fileContent(name), QByteArray("G0"));
        QCOMPARE(rig.log().last(), QStringLiteral("送信が完了しました。"));

        rig.port.refuseOpen = true;
        receive(rig, false);
        QCOMPARE(rig.log(), (QStringList{"COM 1からの受信が出来ませんでした。", "The port is in use."}));
    }

    // The programs come one after another until the abort; a transfer command given meanwhile is
    // refused with a line in the log and changes nothing.
    void continuousReceptionStoresProgramsUntilAborted()
    {
        TransferRig rig(0, 1);
        rig.state.Machine.Echo = QStringLiteral("ON");
        rig.folder.addFile("a.min", "old");
        QSignalSpy running(&rig.commands, &TransferCommands::runningChanged);
        rig.port.feed("$A.MIN%\r\nA1\r\n%$B.SUB%\r\nB1\r\n%");
        receive(rig, true, [&rig] {
            QTRY_COMPARE(rig.log().size(), 4); // both programs on disk
            rig.commands.mnuTransOutput_Click();
            rig.commands.mnuTransInput_Click();
            abort(rig);
        });
        QCOMPARE(rig.fileNames(), (QStringList{"a.min", "B.SUB"}));
        QCOMPARE(rig.fileContent("a.min"), QByteArray("A1\r\n"));
        QCOMPARE(rig.fileContent("B.SUB"), QByteArray("B1\r\n"));
        QCOMPARE(rig.text.toPlainText(), QStringLiteral("A1\nB1\n"));
        const QString done = QStringLiteral("読込が完了しました。"),
                      busy = QStringLiteral("通信中のため実行できません。");
        QCOMPARE(rig.log(), (QStringList{"A.MINを読込中です...", done, "B.SUBを読込中です...", done, busy,
                                         busy, "受信を終了しました。"}));
        QCOMPARE(rig.port.opened, 1);
        QVERIFY(rig.commands.receiveMode());
        QCOMPARE(running.size(), 2);
    }

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
        ProgramNo dialog(name, rig.messages);
        QVERIFY(!dialog.OKButton->isEnabled());
        dialog.Text1->setText(QString::fromUtf8("テスト"));
        QVERIFY(dialog.OKButton->isEnabled());
        rig.messages.answers = {MessageBoxes::Answer::No};
        dialog.OKButton->click();
        QCOMPARE(rig.messages.shown.last().text,
                 QStringLiteral("テスト.NCはすでにあります。重ね書きをしますか？"));
        QCOMPARE(rig.messages.shown.last().title, QStringLiteral("ファイル名確認"));
        QCOMPARE(dialog.result(), 0);
        QVERIFY(FileProtection::protect(onDisk).isEmpty());
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
        QVERIFY(FileProtection::protect(rig.folder.addRawFile(SjisName, "kept")).isEmpty());
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

    // A program cut short by an abort, or hit by a line error, takes its name, and the program it
    // replaces stays beside it under the first backup name free. Line errors, which a port tells ahead
    // of the bytes they came with, are logged after the program those bytes begin. A program that the
    // device going away or a full disk cuts short leaves the old program as it was, and nothing else.
    void aProgramCutShort_data()
    {
        QTest::addColumn<QString>("end");
        QTest::addColumn<QStringList>("before"); // name=content
        QTest::addColumn<QStringList>("after");  // every file, hidden or not
        QTest::addColumn<QStringList>("last");   // the log after the line errors
        const QString failed = "A.MINの受信が出来ませんでした。",
                      short_ = "A.MINは途中までしか受信していません。";
        const QString backup = "元のa.minはa.min.BAKに残しました。", ended = "受信を終了しました。";
        // clang-format off
        QTest::newRow("aborted") << "abort" << QStringList{"a.min=old"} << QStringList{"a.min=G01", "a.min.BAK=old"} << QStringList{short_ + backup, ended};
        QTest::newRow("aborted, a backup there") << "abort" << QStringList{"a.min=old", "A.MIN.bak=first"}
            << QStringList{"A.MIN.bak=first", "a.min=G01", "a.min.BAK2=old"} << QStringList{short_ + "元のa.minはa.min.BAK2に残しました。", ended};
        QTest::newRow("aborted, nothing replaced") << "abort" << QStringList() << QStringList{"A.MIN=G01"} << QStringList{short_, ended};
        QTest::newRow("line error, then the end") << "%" << QStringList{"a.min=old"} << QStringList{"a.min=G01\r\n", "a.min.BAK=old"}
            << QStringList{"A.MINの受信中に回線エラーがありました。" + backup, ended};
        QTest::newRow("device gone") << "vanish" << QStringList{"a.min=old"} << QStringList{"a.min=old"} << QStringList{failed, "The device was unplugged."};
#if defined(Q_OS_UNIX)
        QTest::newRow("disk full") << "full" << QStringList{"a.min=old"} << QStringList{"a.min=old"} << QStringList{failed, "ファイルが大きすぎます。"};
#endif
        // clang-format on
    }

    void aProgramCutShort()
    {
        QFETCH(QString, end);
        QFETCH(QStringList, before);
        QFETCH(QStringList, after);
        TransferRig rig(0, 1);
        put(rig, before);
        std::optional<FileSizeLimit> limit;
        rig.commands.mnuTransInput_Click();
        rig.port.feed("$A.MIN%\r\nG0");
        emit rig.port.OnComm(SerialPort::Parity); // ahead of the bytes above, as ports tell them
        emit rig.port.OnComm(SerialPort::Overrun);
        emit rig.port.OnComm(3); // a modem-line change means nothing here
        rig.port.feed(end == "%" ? "1\r\n%" : "1");
        rig.lineClock.runUntil([&rig] { return rig.port.waiting() == 0; });
        if (end == "abort") {
            abort(rig);
        } else if (end == "vanish") {
            rig.port.vanish("The device was unplugged.");
        } else if (end == "full") {
            limit.emplace(100'000);
            rig.port.feed(QByteArray(200'000, 'G'));
        }
        QTRY_VERIFY(rig.finish());
        QVERIFY(rig.state.Transfer.Receiving.isEmpty()); // ended only once the writer let go of it
        limit.reset();

        after.sort();
        QCOMPARE(filesIn(rig), after);
        const QStringList log = rig.log();
        QCOMPARE(log.mid(0, 3), (QStringList{"A.MINを読込中です...", "ﾊﾟﾘﾃｨ ｴﾗｰが発生しました。",
                                             "ｵｰﾊﾞｰﾗﾝ ｴﾗｰが発生しました。"}));
        QTEST(log.mid(3), "last");
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
            QVERIFY(NativeFile::rename(rig.folder.addFile("X.TMP", "other"), target).isEmpty());
        else if (meanwhile == "rename")
            QVERIFY(QFile::rename(rig.folder.path() + "/FOO.MIN", target));
        else if (meanwhile == "protect")
            QVERIFY(FileProtection::protect(target).isEmpty());
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

QTEST_MAIN(tst_Receiver)
#include "tst_Receiver.moc"
