// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/ReceivingPath.h"
#include "support/FileSizeLimit.h"
#include "support/TransferRig.h"
#include "transfer/Reception.h"
#include "transfer/engine/EchoLine.h"
#include "transfer/engine/ReceiveWriter.h"
#include "transfer/ui/frmCancelSend.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStringDecoder>
#include <QTest>
#include <QTextDocument>
#include <QTimer>

#include <optional>

namespace {

void abort(TransferRig &rig)
{
    rig.commands.dialog()->Command1->click();
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

    // Each program of A.MIN received ("P1", "P2", ...) keeps the one it replaces as the newest backup
    // of a rotation; what the rotation may not move or remove ("!": protected) stays, and the old program
    // goes past it.
    void backupsRotate_data()
    {
        QTest::addColumn<int>("rotate");
        QTest::addColumn<int>("receptions");
        QTest::addColumn<QStringList>("before"); // name=content
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QString>("backup"); // the last program's
        // clang-format off
        QTest::newRow("3 over 5") << 3 << 5 << QStringList{"A.MIN=P0"} << QStringList{"A.MIN=P5", "A.MIN.BAK=P4", "A.MIN.BAK2=P3", "A.MIN.BAK3=P2"} << "A.MIN.BAK";
        QTest::newRow("a gap closes") << 3 << 1 << QStringList{"A.MIN=P0", "A.MIN.BAK=b1", "A.MIN.BAK3=b3"} << QStringList{"A.MIN=P1", "A.MIN.BAK=P0", "A.MIN.BAK2=b1", "A.MIN.BAK3=b3"} << "A.MIN.BAK";
        QTest::newRow("other case") << 2 << 1 << QStringList{"a.min=P0", "A.MIN.bak=b1", "a.min.Bak2=b2"} << QStringList{"a.min=P1", "a.min.BAK=P0", "a.min.BAK2=b1"} << "a.min.BAK";
        QTest::newRow("protected") << 2 << 2 << QStringList{"A.MIN=P0", "A.MIN.BAK=!b1"} << QStringList{"A.MIN=P2", "A.MIN.BAK=P0", "A.MIN.BAK2=!b1", "A.MIN.BAK3=P1"} << "A.MIN.BAK3";
        QTest::newRow("nothing replaced") << 3 << 1 << QStringList{"A.MIN.BAK=b1"} << QStringList{"A.MIN=P1", "A.MIN.BAK=b1"} << "";
        QTest::newRow("no rotation") << 0 << 1 << QStringList{"A.MIN=P0", "A.MIN.BAK=b1"} << QStringList{"A.MIN=P1", "A.MIN.BAK=b1"} << "";
        // clang-format on
    }

    void backupsRotate()
    {
        QFETCH(int, rotate);
        QFETCH(int, receptions);
        QFETCH(QStringList, before);
        QFETCH(QStringList, after);
        TransferRig rig(0, 1);
        put(rig, before);
        for (const QString &file : before.filter("=!"))
            rig.folder.protect(file.section('=', 0, 0));
        QList<ReceiveWriter::Report> reports;
        ReceiveWriter writer(rig.state.Transfer.Receiving, this,
                             [&](const auto &report) { reports << report; });
        writer.open(rig.folder.path());
        for (int i = 1; i <= receptions; ++i) {
            writer.begin("A.MIN", ReceivingPath::hiddenName());
            QVERIFY(writer.append("P" + QByteArray::number(i)));
            writer.keep(false, rotate);
        }
        writer.close();
        QTRY_VERIFY(!reports.isEmpty() && reports.last().kind == ReceiveWriter::Report::Kind::Finished);
        QTEST(reports.at(reports.size() - 2).backup, "backup");
        after.sort();
        QCOMPARE(filesIn(rig), after);
    }
};

QTEST_MAIN(tst_Receiver)
#include "tst_Receiver.moc"
