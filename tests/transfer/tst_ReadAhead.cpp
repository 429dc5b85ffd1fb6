// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/files/NativeFile.h"
#include "support/BindMount.h"
#include "support/OwnMounts.h"
#include "support/TransferRig.h"
#include "transfer/ui/frmCancelSend.h"

#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

namespace {

const QByteArray Dc1(1, 0x11);

// The machine asks for data as soon as the send waits.
void askAtOnce(TransferRig &rig)
{
    QTimer::singleShot(0, &rig.port, [&rig] { rig.port.feed(Dc1); });
}

qint64 peakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// How far this process has read the file at path through a descriptor open on it; -1 when none is.
// Never a look at the file itself, which may stand on a stopped share.
qint64 readPosition(const QString &path)
{
    for (const QString &fd : NativeFile::entries(QStringLiteral("/proc/self/fd"))) {
        char target[4096];
        const ssize_t length = ::readlink(qPrintable("/proc/self/fd/" + fd), target, sizeof target);
        if (length <= 0 || QByteArray(target, length) != path.toLocal8Bit())
            continue;
        QFile info(QStringLiteral("/proc/self/fdinfo/") + fd);
        if (info.open(QIODevice::ReadOnly))
            return info.readLine().mid(4).trimmed().toLongLong(); // "pos:\t<offset>"
    }
    return -1;
}

// An editor's save, which comes later than the tick of the file system's clock that wrote the file.
bool rewrite(const QString &path, const QByteArray &content, QIODevice::OpenMode mode)
{
    QFile file(path);
    return file.open(mode) && file.write(content) == content.size() &&
           file.setFileTime(QDateTime::currentDateTimeUtc().addSecs(10), QFileDevice::FileModificationTime);
}

} // namespace

// What a send takes from the disk: the file as it stands when the machine reads, read ahead on a
// thread of its own, never a file changed meanwhile, never a byte the line cannot carry.
class tst_ReadAhead : public QObject {
    Q_OBJECT

private slots:
    // The share under a file goes away in the middle of its send: the send fails, names the file and
    // ends, and what did not go stays away from the line.
    void aShareThatGoesAwayMidSendEndsIt()
    {
        TransferRig rig(1, 0);
        const QByteArray content(8 << 20, 'X'); // more than the kernel reads ahead
        rig.folder.addFile("BIG.MIN", content);
        BindMount share(rig.folder.path());
        QSKIP_WITHOUT_OWN_MOUNTS();
        QVERIFY2(share.failure().isEmpty(), qPrintable(share.failure()));
        rig.show(share.path());
        rig.select({"BIG.MIN"});
        QVERIFY(rig.port.setSettings(QStringLiteral("115200,N,8,1")));
        rig.commands.mnuTransOutput_Click();
        QVERIFY(rig.lineClock.runUntil([&] { return rig.port.written.size() > 1000; }));
        ::kill(pid_t(share.processId()), SIGKILL);
        const bool ended = rig.finish();
        rig.show(rig.folder.path());
        QVERIFY(ended);
        QCOMPARE(rig.log(), (QStringList{"BIG.MINを送信中です...", "BIG.MINの送信が出来ませんでした。",
                                         "接続が切れています。"}));
        QVERIFY(rig.port.written.size() < content.size());
        QVERIFY(!rig.port.portOpen());
    }

    // The program changes on disk while it goes: the machine never gets two versions mixed nor one cut
    // short as a whole program. The send stops without the "%" that would end the program (a control
    // refuses a program without it), says why, and the row keeps its mark. A program replaced under its
    // name goes whole: the old one was open.
    void aProgramChangedWhileItGoesIsCutOff_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("lines"); // of 15 bytes
        QTest::addColumn<QString>("settings");
        QTest::addColumn<bool>("whole");
        // More than is read ahead: the reader comes to the change as it goes on.
        const QString fast = QStringLiteral("10000000,N,8,1");
        QTest::newRow("written over in place") << "over" << 60'000 << fast << false;
        QTest::newRow("cut short in place") << "short" << 60'000 << fast << false;
        QTest::newRow("still being written") << "grows" << 60'000 << fast << false;
        QTest::newRow("replaced") << "replaced" << 60'000 << fast << true;
        // All of it read before the change, seconds of line before its end: the last look finds it.
        QTest::newRow("written over once read") << "over" << 1500 << "115200,N,8,1" << false;
    }

    void aProgramChangedWhileItGoesIsCutOff()
    {
        QFETCH(QString, change);
        QFETCH(int, lines);
        QFETCH(QString, settings);
        QFETCH(bool, whole);
        ScriptedSerialPort line; // on the line's own thread: the file changes as time goes
        QVERIFY(line.setSettings(settings));
        TransferRig rig(1, 0, &line);
        const QByteArray old = QByteArray("N10 G01 X12.5\r\n").repeated(lines);
        rig.list({{"A.NC", old}}, {"A.NC"});
        const QString path = rig.folder.filePath("A.NC");
        const QString replacement = rig.folder.addFile("A.NEW", "M30\r\n");
        std::optional<bool> changed;
        line.onOutput = [&](const QByteArray &) {
            if (line.written.size() < 2000 || changed)
                return;
            if (change == "over")
                changed =
                    rewrite(path, QByteArray("N20 G00 Z50.0\r\n").repeated(lines), QIODevice::ReadWrite);
            else if (change == "short")
                changed = QFile::resize(path, old.size() / 3);
            else if (change == "grows")
                changed = rewrite(path, "M30\r\n", QIODevice::Append);
            else
                changed = NativeFile::rename(replacement, path).ok();
        };
        rig.send();
        QVERIFY(changed.value_or(false));
        const QByteArray sent = "%\r\n" + QByteArray(old).replace("\r\n", "\n") + "%\r\n";
        if (whole) {
            QCOMPARE(line.written, sent);
            QCOMPARE(rig.log(), (QStringList{"A.NCを送信中です...", "送信が完了しました。"}));
            return;
        }
        QVERIFY(sent.startsWith(line.written));
        QVERIFY(line.written.size() < sent.size() - 3); // the "%" never went
        QCOMPARE(rig.log(), (QStringList{"A.NCを送信中です...", "A.NCの送信が出来ませんでした。",
                                         "送信中にファイルが変更されました。"}));
        QCOMPARE(rig.marked(), QStringList{"A.NC"});
    }

    // A line of seven data bits drops the top bit of every byte (0xA5 arrives as "%", 0x8D as CR): a
    // program with such a byte, in its text or in the name OSP sends, is refused before anything goes,
    // naming the line of the first one as an editor counts them; with or without a DC1 to wait for.
    void aSevenBitLineRefusesHighBytes_data()
    {
        QTest::addColumn<qint16>("flow");
        QTest::addColumn<QString>("row");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("reason");
        const QString at = QStringLiteral("A.MINの%1行目に7ビットの回線では送れない文字があります。");
        const QByteArray a = "a.min";
        QTest::newRow("cr") << qint16(1) << "A.MIN" << a << QByteArray("O1\rN1\r(\xb1)\r") << at.arg(3);
        QTest::newRow("lf") << qint16(1) << "A.MIN" << a << QByteArray("O1\nN1\nN2\n(\xb1)\n") << at.arg(4);
        QTest::newRow("cr lf, blank line")
            << qint16(1) << "A.MIN" << a << QByteArray("O1\r\n\r\nN1 (\x8d)\r\n") << at.arg(3);
        QTest::newRow("cr lf, lf, cr")
            << qint16(1) << "A.MIN" << a << QByteArray("O1\r\n\n\r\xa5") << at.arg(4);
        QTest::newRow("no DC1 to wait for")
            << qint16(0) << "A.MIN" << a << QByteArray("\xb1\r\n") << at.arg(1);
        // A CR LF falls across the megabyte the scan reads at a time.
        const int lines = 262'153;
        QTest::newRow("far in") << qint16(1) << "A.MIN" << a
                                << "O  \r\n" + QByteArray("N1\r\n").repeated(lines) + "(\xb1)\r\n"
                                << at.arg(lines + 2);
        QTest::newRow("osp name in shift_jis")
            << qint16(1) << "加工.MIN" << QByteArray("\x89\xc1\x8dH.min") << QByteArray("O1\r\n")
            << QStringLiteral("加工.MINの名前に7ビットの回線では送れない文字があります。");
    }

    void aSevenBitLineRefusesHighBytes()
    {
        QFETCH(qint16, flow);
        QFETCH(QString, row);
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, content);
        TransferRig rig(0, flow); // 4800,E,7,2
        rig.list({{NativeName::fromBytes(name), content}}, {row});
        rig.send();
        QCOMPARE(rig.port.written, QByteArray());
        QCOMPARE(rig.log().value(0), row + QStringLiteral("の送信が出来ませんでした。"));
        QTEST(rig.log().value(1), "reason");
        QCOMPARE(rig.marked(), QStringList{row});
    }

    // The operator may save a fix on the way to the control: the file goes as it is when the machine
    // asks for it, and is refused if the fix brought a byte the line cannot carry.
    void theFileGoesAsItIsWhenTheMachineAsks_data()
    {
        QTest::addColumn<bool>("inPlace");
        QTest::addColumn<QByteArray>("fix");
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("last");
        const QByteArray fix = "O1\r\nG0 X10\r\nM30\r\n";
        const QByteArray sent = "$A.MIN%\r\nO1\nG0 X10\nM30\n%\r\n";
        QTest::newRow("saved in place") << true << fix << sent << "送信が完了しました。";
        QTest::newRow("replaced") << false << fix << sent << "送信が完了しました。";
        QTest::newRow("replaced, a high byte brought in")
            << false << QByteArray("O1\r\n(\xb1)\r\n") << QByteArray()
            << "A.MINの2行目に7ビットの回線では送れない文字があります。";
    }

    void theFileGoesAsItIsWhenTheMachineAsks()
    {
        QFETCH(bool, inPlace);
        QFETCH(QByteArray, fix);
        TransferRig rig(0, 1);
        rig.list({{"A.MIN", "O1\r\nM30\r\n"}}, {"A.MIN"});
        const QString path = rig.folder.filePath("A.MIN");
        rig.commands.mnuTransOutput_Click();
        QTRY_VERIFY(readPosition(path) >= 0); // its reader has it
        if (inPlace)
            QVERIFY(rewrite(path, fix, QIODevice::WriteOnly | QIODevice::Truncate));
        else
            QCOMPARE(NativeFile::rename(rig.folder.addFile("A.NEW", fix), path).reason(), QString());
        rig.port.feed(Dc1);
        QVERIFY(rig.finish());
        QTEST(rig.port.written, "line");
        QTEST(rig.log().constLast(), "last");
    }

    // A share that stops answering holds up the reader, never the line, which runs on a thread of its
    // own as in the program: "中止" ends the send and closes the port while the share still stands,
    // and a share that goes on again lets the machine have the program byte for byte.
    void aStoppedShareHoldsUpOnlyTheReader_data()
    {
        QTest::addColumn<bool>("abort");
        QTest::newRow("中止 while it stands") << true;
        QTest::newRow("it goes on") << false;
    }

    void aStoppedShareHoldsUpOnlyTheReader()
    {
        QFETCH(bool, abort);
        ScriptedSerialPort line;
        QVERIFY(line.setSettings(QStringLiteral("10000000,N,8,1")));
        TransferRig rig(1, 0, &line);
        const QByteArray content = QByteArray("N10 G01 X12.5\n").repeated(150'000); // goes as it is
        rig.folder.addFile("BIG.NC", content);
        BindMount share(rig.folder.path());
        QSKIP_WITHOUT_OWN_MOUNTS();
        QVERIFY2(share.failure().isEmpty(), qPrintable(share.failure()));
        rig.show(share.path());
        rig.select({"BIG.NC"});
        std::atomic<qint64> sent = 0;
        line.onOutput = [&sent](const QByteArray &bytes) { sent += bytes.size(); };
        rig.commands.mnuTransOutput_Click();
        QTRY_VERIFY(sent > 1000);
        const StoppedShare stopped(share);
        // Stuck in the share: in a read, the line having sent all read before; or in a request.
        const QString path = share.path() + QStringLiteral("/BIG.NC");
        QTRY_VERIFY(sent - 3 == readPosition(path) || BindMount::holdsUpAThread());
        if (abort) {
            rig.commands.dialog()->Command1->click();
            QTRY_VERIFY(!rig.commands.running());
            QVERIFY(!line.portOpen());
            QCOMPARE(rig.log().constLast(), QStringLiteral("送信がキャンセルされました。"));
        } else {
            share.goOn();
            QVERIFY(rig.finish());
            QCOMPARE(line.written, "%\r\n" + content + "\n%\r\n"); // a lone LF ends no line
            QCOMPARE(rig.log().constLast(), QStringLiteral("送信が完了しました。"));
        }
        rig.show(rig.folder.path());
    }

    // A program is read as the line takes it: memory does not grow with the file.
    void aLongProgramIsReadAsTheLineTakesIt()
    {
        TransferRig rig(1, 1);
        QFile file(rig.folder.filePath("BIG.NC"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        const QByteArray lines = QByteArray("N10 G01 X12.5\r\n").repeated(64 * 1024);
        for (int i = 0; i < 64; ++i) // 64 MB
            file.write(lines);
        file.close();
        rig.select({"BIG.NC"});
        const qint64 before = peakKilobytes();
        askAtOnce(rig);
        rig.commands.mnuTransOutput_Click();
        QVERIFY(rig.lineClock.runUntil([&] { return rig.port.written.size() > 4096; }));
        rig.commands.dialog()->Command1->click();
        QVERIFY(rig.finish());
        // Half the file: a reader thread's stack (with a sanitizer's shadow of it) is no read of the whole.
        QVERIFY2(peakKilobytes() - before < 32 * 1024, qPrintable(QString::number(peakKilobytes() - before)));
    }
};

QTEST_MAIN(tst_ReadAhead)
#include "tst_ReadAhead.moc"
