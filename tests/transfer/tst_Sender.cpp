// SPDX-License-Identifier: GPL-2.0-or-later
#include "support/BindMount.h"
#include "support/TransferRig.h"
#include "support/UartLine.h"
#include "transfer/LineStopCheck.h"
#include "transfer/OutputPacer.h"
#include "transfer/SendJob.h"
#include "transfer/frmCancelSend.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <sys/resource.h>

namespace {

const QByteArray Dc1(1, 0x11), Dc3(1, 0x13);

// The machine asks for data as soon as the send waits.
void askAtOnce(TransferRig &rig)
{
    QTimer::singleShot(0, &rig.port, [&rig] { rig.port.feed(Dc1); });
}

// A drip feed: the machine asks once the port opens, and holds the sender every 252 characters for 200 ms.
void dripFeed(UartLine &line, const QString &settings)
{
    line.setSettings(settings);
    line.dc1OnOpen = true;
    line.dc3Every = 252;
    line.dc1AfterMs = 200;
}

qint64 peakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

Q_DECLARE_METATYPE(LineModel)
Q_DECLARE_METATYPE(LineHardware)
Q_DECLARE_METATYPE(LineHardware::Stopper)

// What goes on the line when files are sent, byte for byte, against a machine played by the test.
class tst_Sender : public QObject {
    Q_OBJECT

private slots:
    // The line as the controller family frames it. A name that is not UTF-8 still reaches its file; OSP
    // names it in Shift_JIS, the machine's code page.
    void framingFollowsTheControllerFamily_data()
    {
        QTest::addColumn<qint16>("controller");
        QTest::addColumn<QByteArray>("name"); // on the disk
        QTest::addColumn<QString>("row");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("line");
        const QByteArray o1000 = "o1000.min";
        const QString row = "O1000.MIN";
        QTest::newRow("osp, cr lf") << qint16(0) << o1000 << row << QByteArray("O1000\r\nG0 X0\r\nM30\r\n")
                                    << QByteArray("$O1000.MIN%\r\nO1000\nG0 X0\nM30\n%\r\n");
        QTest::newRow("fanuc, lone cr, %-lines kept")
            << qint16(1) << o1000 << row << QByteArray("%\rO1\rM30\r%")
            << QByteArray("%\r\n%\nO1\nM30\n%\n%\r\n");
        QTest::newRow("lf alone is no line end") << qint16(0) << o1000 << row << QByteArray("O1\nM30\n")
                                                 << QByteArray("$O1000.MIN%\r\nO1\nM30\n\n%\r\n");
        QTest::newRow("empty file") << qint16(1) << o1000 << row << QByteArray() << QByteArray("%\r\n%\r\n");
        QTest::newRow("blank lines and high bytes")
            << qint16(0) << o1000 << row << QByteArray("(\xb1\xd7)\r\n\r\nM30")
            << QByteArray("$O1000.MIN%\r\n(\xb1\xd7)\n\nM30\n%\r\n");
        // The file is read in pieces: a CR LF may fall across two of them.
        const QByteArray piece(64 * 1024 - 1, 'A');
        QTest::newRow("cr lf across a read") << qint16(1) << o1000 << row << piece + "\r\nB\r\r\n"
                                             << "%\r\n" + piece + "\nB\n\n%\r\n";
        QTest::newRow("lone lf at a read's end") << qint16(1) << o1000 << row << piece + "\n\nB"
                                                 << "%\r\n" + piece + "\n\nB\n%\r\n";
        QTest::newRow("osp, shift_jis name")
            << qint16(0) << QByteArray("\x89\xc1\x8dH.min") << "加工.MIN" << QByteArray("O1\r\n")
            << QByteArray("$\x89\xc1\x8dH.MIN%\r\nO1\n%\r\n");
        QTest::newRow("fanuc, stray byte in the name")
            << qint16(1) << QByteArray("BAD\xe9.min") << "BAD\uFFFD.MIN" << QByteArray("O1\r\n")
            << QByteArray("%\r\nO1\n%\r\n");
    }

    void framingFollowsTheControllerFamily()
    {
        QFETCH(qint16, controller);
        QFETCH(QByteArray, name);
        QFETCH(QString, row);
        QFETCH(QByteArray, content);
        TransferRig rig(controller, 0);
        rig.list({{NativeName::fromBytes(name), content}}, {row});
        rig.send();
        QTEST(rig.port.written, "line");
        QVERIFY(!rig.port.portOpen());
        QCOMPARE(rig.log(), (QStringList{row + "を送信中です...", "送信が完了しました。"}));
        QCOMPARE(rig.marked(), QStringList());
    }

    // In the pause after the first file the user may abort, or rebuild the list and mark other rows, or
    // open another folder: the batch goes on from the names and the folder it took at the start. A row
    // checked in check-box mode but not selected stays at home.
    void aBatchGoesOnFromWhatItTookAtTheStart_data()
    {
        QTest::addColumn<QString>("meanwhile");
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<QStringList>("marked");
        const QByteArray first = "$A.MIN%\r\nA\n%\r\n";
        const QByteArray all = first + "$B.SUB%\r\nB\n%\r\n$C.MIN%\r\nC\n%\r\n";
        const QString done = QStringLiteral("送信が完了しました。");
        const QStringList sentAll = {"A.MINを送信中です...",
                                     done,
                                     "B.SUBを送信中です...",
                                     done,
                                     "C.MINを送信中です...",
                                     done,
                                     "PLAN.XLSはテキストファイルでないので送信できません。"};
        QTest::newRow("nothing") << "" << all << sentAll << QStringList{"PLAN.XLS"};
        for (const char *abort : {"abort", "escape or close box"})
            QTest::newRow(abort) << abort << first
                                 << QStringList{"A.MINを送信中です...", done, "送信がキャンセルされました。"}
                                 << QStringList{"B.SUB", "C.MIN", "PLAN.XLS"};
        QTest::newRow("list rebuilt, C marked again") << "rebuilt" << all << sentAll << QStringList();
        QTest::newRow("other folder shown") << "other" << all << sentAll << QStringList{"B.SUB"};
    }

    void aBatchGoesOnFromWhatItTookAtTheStart()
    {
        QFETCH(QString, meanwhile);
        TransferRig rig(0, 0);
        rig.state.Machine.Echo = QStringLiteral("ON");
        rig.files.boxes = true;
        rig.list({{"C.MIN", "C\r\n"},
                  {"B.SUB", "B\r\n"},
                  {"A.MIN", "A\r\n"},
                  {"D.MIN", "D\r\n"},
                  {"PLAN.XLS", "x"}},
                 {"A.MIN", "B.SUB", "C.MIN", "PLAN.XLS"});
        rig.files.list[3].checked = true; // D.MIN
        TestDir other;
        other.addFile("B.SUB", "other\r\n");
        const qint64 start = rig.lineClock.nowUs();
        rig.commands.mnuTransOutput_Click();
        // A second into the pause after the first file.
        QVERIFY(rig.lineClock.runUntil([&] { return rig.port.written.endsWith("A\n%\r\n"); }));
        rig.lineClock.advance(1'000'000);
        if (meanwhile == "abort") {
            rig.commands.dialog()->Command1->click();
        } else if (meanwhile.startsWith("escape")) {
            static_cast<QDialog *>(rig.commands.dialog())->reject(); // what Escape and the close box do
        } else if (!meanwhile.isEmpty()) {
            if (meanwhile == "other")
                QDir::setCurrent(other.path());
            rig.files.RefreshFileList();
            rig.files.list[meanwhile == "other" ? 0 : 2].selected = true;
        }
        QVERIFY(rig.finish());
        QTEST(rig.port.written, "line");
        QTEST(rig.log(), "log");
        QTEST(rig.marked(), "marked");
        const bool aborted = meanwhile == "abort" || meanwhile.startsWith("escape");
        if (!aborted) // a pause after each file
            QVERIFY(rig.lineClock.nowUs() - start >= 3 * SendJob::PauseUs);
        QCOMPARE(rig.text.toPlainText(), aborted ? "A\n" : "C\n");
        QCOMPARE(rig.port.opened, 1);
    }

    // Flow 2 waits for DC1 before the OSP name and again after it; only a DC1 that comes alone counts.
    void flowTwoWaitsBeforeAndAfterTheOspName()
    {
        TransferRig rig(0, 2);
        rig.list({{"A.MIN", "O1\r\n"}}, {"A.MIN"});
        QByteArrayList seen; // on the line at each answer
        auto answer = [&](qint64 us, const QByteArray &bytes) {
            rig.after(us, [&, bytes] {
                seen << rig.port.written;
                rig.port.feed(bytes);
            });
        };
        answer(10'000, Dc1 + "X");
        answer(20'000, Dc1);
        rig.port.onOutput = [&](const QByteArray &) {
            if (rig.port.written == "$A.MIN%\r\n") // the name has come whole
                answer(10'000, Dc1);
        };
        rig.commands.mnuTransOutput_Click();
        const QString prompt = rig.commands.dialog()->Label1->text();
        QVERIFY(rig.finish());
        QCOMPARE(prompt,
                 QStringLiteral("   ファイルを送信します。\r\n    機械側で読込み(リード)してください。"));
        QCOMPARE(seen, (QByteArrayList{"", "", "$A.MIN%\r\n"}));
        QCOMPARE(rig.port.written, QByteArray("$A.MIN%\r\nO1\n%\r\n"));
    }

    // The port stops the line itself while a body goes, where that is sooner than the sender: from the
    // DC1 that lets the body go (for OSP flow 2 the one after the name, so the name goes at the sender's
    // own pace), until the sender must see a DC1 again or the port closes. A DC3 the sender reads all
    // the same came before the port took over: it holds, and lets the port pass the DC1 on.
    void thePortStopsTheLineWhileABodyGoes_data()
    {
        QTest::addColumn<qint16>("flow");
        QTest::addColumn<LineHardware::Stopper>("stopper");
        QTest::addColumn<bool>("earlyDc3");
        QTest::addColumn<QList<bool>>("switches");
        QTest::addColumn<QByteArray>("paced"); // what went while the port stopped the line
        using S = LineHardware::Stopper;
        const QByteArray a = "$A.MIN%\r\nN1\nN2\n%\r\n", b = "$B.MIN%\r\nN3\n%\r\n";
        const QList<bool> twoFiles = {true, false, true, false};
        QTest::newRow("flow 1") << qint16(1) << S::Kernel << false << twoFiles << a + b;
        QTest::newRow("flow 2") << qint16(2) << S::Kernel << false << twoFiles << a.mid(9) + b.mid(9);
        QTest::newRow("a chip, where the sender stops sooner")
            << qint16(1) << S::Device << false << QList<bool>() << QByteArray();
        QTest::newRow("a DC3 read all the same")
            << qint16(1) << S::Kernel << true << QList<bool>{true, false, true, false, true, false} << a + b;
    }

    void thePortStopsTheLineWhileABodyGoes()
    {
        QFETCH(qint16, flow);
        QFETCH(LineHardware::Stopper, stopper);
        QFETCH(bool, earlyDc3);
        TransferRig rig(0, flow);
        rig.port.pacesOutput = true;
        rig.port.reportedHardware.stopper = stopper;
        rig.list({{"A.MIN", "N1\r\nN2\r\n"}, {"B.MIN", "N3\r\n"}}, {"A.MIN", "B.MIN"});
        std::function<void()> ask = [&] { // a machine that asks again and again
            rig.port.feed(Dc1);
            rig.after(50'000, ask);
        };
        rig.after(10'000, ask);
        QByteArray paced;
        rig.port.onOutput = [&](const QByteArray &bytes) {
            if (!rig.port.flowControl.isEmpty() && rig.port.flowControl.last())
                paced += bytes;
            if (earlyDc3 && rig.port.written.endsWith("$A.MIN%\r\nN1\n"))
                rig.port.feed(Dc3);
        };
        rig.send();
        QCOMPARE(rig.port.written, "$A.MIN%\r\nN1\nN2\n%\r\n$B.MIN%\r\nN3\n%\r\n");
        QTEST(rig.port.flowControl, "switches");
        QTEST(paced, "paced");
    }

    // Where the port can tell its hardware and that lets more reach the machine after its DC3 than a
    // FANUC control takes, the log says so at the start of the send.
    void aLineThatStopsLateIsNamed_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<LineHardware>("hardware");
        QTest::addColumn<bool>("warned");
        using S = LineHardware::Stopper;
        const auto uart = [](double characterUs) {
            return LineHardware{S::Kernel, 16, qint64(4 * characterUs), "16550A"};
        };
        QTest::newRow("16550A, 9600") << "9600,E,7,2" << uart(11e6 / 9600) << false;
        QTest::newRow("16550A, 19200") << "19200,N,8,1" << uart(10e6 / 19200) << false;
        QTest::newRow("16550A, 38400") << "38400,N,8,1" << uart(10e6 / 38400) << true;
        QTest::newRow("FTDI, 115200")
            << "115200,N,8,1" << LineHardware{S::Device, 0, 1000, "ftdi_sio"} << false;
        QTest::newRow("ch341, 19200") << "19200,N,8,1" << LineHardware{S::Program, 0, 1000, "ch341"} << false;
        QTest::newRow("ch341, 115200")
            << "115200,N,8,1" << LineHardware{S::Program, 0, 1000, "ch341"} << true;
        QTest::newRow("unknown, 115200") << "115200,N,8,1" << LineHardware{S::Program, 0, 0, ""} << false;
    }

    void aLineThatStopsLateIsNamed()
    {
        QFETCH(QString, settings);
        QFETCH(LineHardware, hardware);
        QFETCH(bool, warned);
        TransferRig rig(1, 1);
        rig.port.setSettings(settings);
        rig.port.reportedHardware = hardware;
        rig.list({{"A.NC", "N1\r\n"}}, {"A.NC"});
        askAtOnce(rig);
        rig.send();
        const QString first = rig.log().first();
        QCOMPARE(first.startsWith(QStringLiteral("ポート COM1 (scripted COM1) の") + hardware.name), warned);
        if (warned) {
            static const QRegularExpression most(QStringLiteral("最大(\\d+)文字"));
            QVERIFY2(most.match(first).captured(1).toInt() > LineStopCheck::MachineLimit, qPrintable(first));
        }
    }

    // The abort dialog names the file, its bar follows the file as the line takes it and stands full at
    // the end; while it is up, the data pane is the echo's and no preview's. It leaves the window usable
    // and is kept above it only, so that a question opened meanwhile comes in front; it takes no keys as
    // it comes up (a window manager does the stacking and the focus: what Qt is told is checked).
    void progressFollowsTheLine()
    {
        TransferRig rig(1, 0);
        rig.list({{"LONG.MIN", QByteArray(4000, 'X') + "\r\n"}}, {"LONG.MIN"});
        rig.commands.mnuTransOutput_Click();
        const frmCancelSend *dialog = rig.commands.dialog();
        const QProgressBar *bar = dialog->Progress;
        QVERIFY(
            rig.lineClock.runUntil([bar] { return bar->value() > 0 && bar->value() < 1000; }, 10'000'000));
        const int part = bar->value();
        QCOMPARE(dialog->Label1->text(), QStringLiteral("LONG.MINを送信中です。"));
        QVERIFY(rig.state.Transfer.DialogShown);
        QVERIFY(!dialog->isModal());
        QCOMPARE(dialog->parentWidget(), &rig.window);
        QVERIFY(!(dialog->windowFlags() & Qt::WindowStaysOnTopHint));
        QVERIFY(dialog->testAttribute(Qt::WA_ShowWithoutActivating));
        QVERIFY(rig.lineClock.runUntil([bar, part] { return bar->value() > part; }, 10'000'000));
        QVERIFY(rig.finish());
        QCOMPARE(bar->value(), 1000);
        QVERIFY(!rig.state.Transfer.DialogShown);
    }

    // The share under a file goes away in the middle of its send: the send fails, names the file and
    // ends, and what did not go stays away from the line.
    void aShareThatGoesAwayMidSendEndsIt()
    {
        TransferRig rig(1, 0);
        const QByteArray content(8 << 20, 'X'); // more than the kernel reads ahead
        rig.folder.addFile("BIG.MIN", content);
        BindMount share(rig.folder.path());
        QVERIFY2(share.failure().isEmpty(), qPrintable(share.failure()));
        QDir::setCurrent(share.path());
        rig.select({"BIG.MIN"});
        QVERIFY(rig.port.setSettings(QStringLiteral("115200,N,8,1")));
        rig.commands.mnuTransOutput_Click();
        QVERIFY(rig.lineClock.runUntil([&] { return rig.port.written.size() > 1000; }));
        ::kill(pid_t(share.processId()), SIGKILL);
        const bool ended = rig.finish();
        QDir::setCurrent(rig.folder.path());
        QVERIFY(ended);
        QCOMPARE(rig.log(), (QStringList{"BIG.MINを送信中です...", "BIG.MINの送信が出来ませんでした。",
                                         "接続が切れています。"}));
        QVERIFY(rig.port.written.size() < content.size());
        QVERIFY(!rig.port.portOpen());
    }

    // The batch ends early; a failure before the first file is taken up names the first marked file,
    // not an older one, and every row not sent keeps its mark.
    void endsEarly_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QStringList>("marked");
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("opened");
        QTest::addColumn<QStringList>("log");
        const QStringList bc = {"B.MIN", "C.MIN"};
        const QString failed = QStringLiteral("B.MINの送信が出来ませんでした。");
        QTest::newRow("abort while waiting for DC1")
            << "abort" << bc << QByteArray() << 1 << QStringList{"送信がキャンセルされました。"};
        QTest::newRow("port refused")
            << "refused" << bc << QByteArray() << 0 << QStringList{failed, "The port is in use."};
        QTest::newRow("current row not selected") << "unselected" << bc << QByteArray() << 0 << QStringList();
        QTest::newRow("file gone before its turn")
            << "deleted" << bc << QByteArray() << 1
            << QStringList{failed, "ファイルまたはフォルダーが見つかりません。"};
        QTest::newRow("device unplugged before the end")
            << "unplugged" << bc << QByteArray("$B.MIN%\r\nO2\n") << 1
            << QStringList{"B.MINを送信中です...", failed, "The device was unplugged."};
        const QString name = QString::fromUtf8("É.MIN");
        QTest::newRow("name outside Shift_JIS")
            << "" << QStringList{name} << QByteArray() << 1
            << QStringList{name + "を送信中です...", name + "の送信が出来ませんでした。",
                           name + "の名前にShift_JISで送れない文字があります。"};
    }

    void endsEarly()
    {
        QFETCH(QString, how);
        QFETCH(QStringList, marked);
        TransferRig rig(0, 1);
        rig.state.CurrentFileName = QStringLiteral("OLD.MIN");
        rig.list({{"A.MIN", "O1\r\n"},
                  {"B.MIN", "O2\r\n"},
                  {"C.MIN", "O3\r\n"},
                  {QString::fromUtf8("é.min"), "O4\r\n"}},
                 marked);
        rig.port.refuseOpen = how == "refused";
        if (how == "unselected")
            rig.files.current = 0;
        if (how == "deleted")
            QFile::remove(rig.folder.filePath("B.MIN"));
        if (how == "abort")
            QTimer::singleShot(0, rig.commands.dialog()->Command1, &QPushButton::click);
        else
            askAtOnce(rig);
        rig.port.onOutput = [&](const QByteArray &) {
            if (how == "unplugged" && rig.port.written.endsWith("O2\n")) {
                rig.state.CurrentFileName = QStringLiteral("DELETED.MIN"); // a file command meanwhile
                rig.port.feed(Dc3);
                rig.port.vanish("The device was unplugged.");
            }
        };
        rig.send();
        QTEST(rig.port.written, "line");
        QTEST(rig.port.opened, "opened");
        QTEST(rig.log(), "log");
        QVERIFY(!rig.port.portOpen());
        QVERIFY(!rig.commands.dialog()->isVisible());
        // Whatever stops the batch on an open port throws its queue away first.
        QCOMPARE(rig.port.discarded, rig.port.opened == 1 && how != "unplugged" ? 1 : 0);
        QCOMPARE(rig.marked(), marked);
    }

    // On the lines a workshop has, the line stays busy between the machine's pauses although the PC's
    // timers fire late, and after each DC3 no more reaches the machine than a FANUC control takes,
    // wherever the DC3 falls between two top-ups and however long the file's lines are: the port stops
    // the line itself where it can, and the sender keeps what it cannot take back small enough where it
    // cannot. A control that ends its reading with a DC3 at the "%" still gets the line end behind it.
    void theLineKeepsItsPaceAndStopsAtDc3_data()
    {
        QTest::addColumn<LineModel>("model");
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("stopsAtTheEnd");
        QTest::addColumn<qint64>("latenessUs"); // of the PC's timers
        const QByteArray crLf = QByteArray("N10 G01 X12.5 Y-3.25 F200\r\n").repeated(300);
        const QString slow = "9600,E,7,2";
        QTest::newRow("16550A 9600 7E2") << LineModel::uart16550() << slow << crLf << false << qint64(1500);
        // 5 characters, all a 16550's FIFO may hold at 19 200 baud, are 2.6 ms of line time: a timer that
        // fires more than a millisecond late lets the line rest.
        QTest::newRow("16550A 19200 8N1")
            << LineModel::uart16550() << "19200,N,8,1" << crLf << false << qint64(500);
        QTest::newRow("usb chip 9600 7E2") << LineModel::usbChip() << slow << crLf << false << qint64(1500);
        QTest::newRow("usb chip 115200 8N1, one long line")
            << LineModel::usbChip() << "115200,N,8,1" << QByteArray(65'000, 'X') << false << qint64(1500);
        QTest::newRow("pty 9600 7E2") << LineModel::pty() << slow << crLf << false << qint64(1500);
        QTest::newRow("usb, no chip flow control, 1 ms latency, 9600 7E2")
            << LineModel::usbWithoutFlow(1000) << slow << crLf << false << qint64(1500);
        QTest::newRow("usb chip 9600 7E2, DC3 at the trailer's %")
            << LineModel::usbChip() << slow << crLf << true << qint64(1500);
    }

    void theLineKeepsItsPaceAndStopsAtDc3()
    {
        QFETCH(LineModel, model);
        QFETCH(QString, settings);
        QFETCH(QByteArray, content);
        QFETCH(bool, stopsAtTheEnd);
        QFETCH(qint64, latenessUs);
        QByteArray sent = "%\r\n" + QByteArray(content).replace("\r\n", "\n");
        if (!content.endsWith("\r\n"))
            sent += '\n';
        sent += "%\r\n";
        for (int every = 229; every <= 252; every += 3) {
            const QByteArray at = "DC3 every " + QByteArray::number(every);
            VirtualClock clock;
            UartLine line(clock, model);
            dripFeed(line, settings);
            line.dc3Every = every;
            clock.setLatenessUs(latenessUs); // the line double's own timing stays exact
            TransferRig rig(1, 1, &line, &clock);
            rig.list({{"A.NC", content}}, {"A.NC"});
            qint64 lastArrivedUs = 0;
            line.onCharacter = [&](char) {
                lastArrivedUs = clock.nowUs();
                if (stopsAtTheEnd && line.received().size() == sent.size() - 2)
                    line.machineStops();
            };
            rig.send();
            const qint64 endedUs = clock.nowUs();
            clock.advance(1'000'000); // a line end held back goes once the port has let go
            QCOMPARE(line.received(), sent);
            QVERIFY(line.afterDc3().size() > 10);
            QVERIFY2(line.maxAfterDc3() <= LineStopCheck::MachineLimit,
                     at + ": " + QByteArray::number(line.maxAfterDc3()));
            QVERIFY2(line.utilisation() >= 0.99, at + ": " + QByteArray::number(line.utilisation()));
            // No warning; told once the trailer has reached the machine and the pause after it has run.
            QCOMPARE(rig.log(), (QStringList{"A.NCを送信中です...", "送信が完了しました。"}));
            if (!stopsAtTheEnd)
                QVERIFY2(endedUs - lastArrivedUs >= SendJob::PauseUs,
                         at + ": " + QByteArray::number(endedUs - lastArrivedUs) + " us");
        }
    }

    // "中止" throws away what the port still holds: what the hardware below it already had still
    // reaches the machine, never more than the sender keeps on its way, also when the abort comes
    // during a hold; nothing goes once the port is closed. (An FTDI adapter with low latency at 9600
    // baud is stopped by the sender, so its chip takes nothing unseen while the machine holds it.)
    void anAbortStopsTheLineAtOnce_data()
    {
        QTest::addColumn<LineModel>("model");
        QTest::addColumn<bool>("held");
        const QList<std::pair<const char *, LineModel>> models = {{"uart", LineModel::idealUart()},
                                                                  {"16550A", LineModel::uart16550()},
                                                                  {"usb chip", LineModel::usbChip(1000)},
                                                                  {"pty", LineModel::pty()}};
        for (const auto &[name, model] : models) {
            QTest::addRow("%s, while sending", name) << model << false;
            QTest::addRow("%s, while held", name) << model << true;
        }
    }

    void anAbortStopsTheLineAtOnce()
    {
        QFETCH(LineModel, model);
        QFETCH(bool, held);
        VirtualClock clock;
        UartLine line(clock, model);
        dripFeed(line, QStringLiteral("9600,E,7,2"));
        line.dc1AfterMs = 1000;
        TransferRig rig(1, 1, &line, &clock);
        rig.list({{"A.NC", QByteArray("N10 G01 X12.5\n").repeated(100)}}, {"A.NC"});
        rig.commands.mnuTransOutput_Click();
        if (held) {
            QVERIFY(clock.runUntil([&] { return !line.afterDc3().isEmpty(); }));
            clock.advance(200'000);
        } else {
            QVERIFY(clock.runUntil([&] { return line.received().size() >= 100; }));
        }
        rig.commands.dialog()->Command1->click();
        QVERIFY(rig.finish());
        clock.advance(2'000'000);
        QCOMPARE(rig.log().last(), QStringLiteral("送信がキャンセルされました。"));
        // Only the character shifting out, where nothing lies below the driver's count.
        OutputPacer pacer;
        pacer.start(line.line().charactersPerSecond(), 0);
        const int bound = model.buffer == 0 ? 1 : int(pacer.maxInFlight());
        QVERIFY2(line.sentAfterDiscard() <= bound, QByteArray::number(line.sentAfterDiscard()));
        QCOMPARE(line.sentAfterClose(), 0);
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
        QVERIFY2(peakKilobytes() - before < 16 * 1024, qPrintable(QString::number(peakKilobytes() - before)));
    }
};

QTEST_MAIN(tst_Sender)
#include "tst_Sender.moc"
