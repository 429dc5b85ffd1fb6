// SPDX-License-Identifier: GPL-2.0-or-later
#include "support/TransferRig.h"
#include "transfer/engine/SendJob.h"
#include "transfer/ui/frmCancelSend.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

const QByteArray Dc1(1, 0x11), Dc3(1, 0x13);

// The machine asks for data as soon as the send waits.
void askAtOnce(TransferRig &rig)
{
    QTimer::singleShot(0, &rig.port, [&rig] { rig.port.feed(Dc1); });
}

} // namespace

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
        QVERIFY(rig.port.setSettings(QStringLiteral("9600,N,8,1"))); // high bytes go as they are
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
                rig.show(other.path());
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
};

QTEST_MAIN(tst_Sender)
#include "tst_Sender.moc"
