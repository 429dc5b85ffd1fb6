#include "support/TransferRig.h"
#include "transfer/Sender.h"
#include "transfer/frmCancelSend.h"

#include <QPushButton>
#include <QTest>
#include <QTimer>

// What goes on the line when files are sent, byte for byte, against a machine played by the test.
class tst_Sender : public QObject {
    Q_OBJECT

private:
    static constexpr char Dc1 = 0x11;
    static constexpr char Dc3 = 0x13;

    // A machine that asks for data at once and again after every DC1 wait.
    static void answerEveryWaitWithDc1(TransferRig &rig)
    {
        QTimer::singleShot(0, &rig.port, [&rig] { rig.port.feed(QByteArray(1, Dc1)); });
    }

private slots:
    void framingFollowsTheControllerFamily_data()
    {
        QTest::addColumn<qint16>("controller");
        QTest::addColumn<qint16>("flow");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("osp, crlf") << qint16(0) << qint16(0) << QByteArray("O1000\r\nG0 X0\r\nM30\r\n")
                                   << QByteArray("$O1000.MIN%\r\nO1000\nG0 X0\nM30\n%\r\n");
        QTest::newRow("fanuc, lone cr, %-lines kept") << qint16(1) << qint16(0) << QByteArray("%\rO1\rM30\r%")
                                                      << QByteArray("%\r\n%\nO1\nM30\n%\n%\r\n");
        QTest::newRow("lf only is one long line") << qint16(0) << qint16(0) << QByteArray("O1\nM30\n")
                                                  << QByteArray("$O1000.MIN%\r\nO1\nM30\n\n%\r\n");
        QTest::newRow("empty file") << qint16(1) << qint16(0) << QByteArray() << QByteArray("%\r\n%\r\n");
        QTest::newRow("blank lines and high bytes")
            << qint16(0) << qint16(0) << QByteArray("(\xb1\xd7)\r\n\r\nM30")
            << QByteArray("$O1000.MIN%\r\n(\xb1\xd7)\n\nM30\n%\r\n");
    }

    void framingFollowsTheControllerFamily()
    {
        QFETCH(qint16, controller);
        QFETCH(qint16, flow);
        QFETCH(QByteArray, content);
        TransferRig rig(controller, flow);
        rig.folder.addFile(QStringLiteral("o1000.min"), content);
        rig.select({QStringLiteral("O1000.MIN")});
        rig.commands.mnuTransOutput_Click();
        QTEST(rig.port.written, "line");
        QVERIFY(!rig.port.portOpen());
        QCOMPARE(rig.log(), (QStringList{"O1000.MINを送信中です...", "送信が完了しました。"}));
        QVERIFY(rig.files.selectedItems().isEmpty());
    }

    void nothingIsSentBeforeTheMachineAsks()
    {
        TransferRig rig(0, 1);
        rig.folder.addFile(QStringLiteral("A.MIN"), "O1\r\n");
        rig.select({QStringLiteral("A.MIN")});
        QByteArray beforeDc1 = "unset";
        QTimer::singleShot(50, &rig.port, [&] {
            beforeDc1 = rig.port.written;
            QVERIFY(rig.commands.dialog()->isVisible());
            QVERIFY(rig.commands.dialog()->Label1->text().contains(
                QStringLiteral("機械側で読込み(リード)してください。")));
            rig.port.feed(QByteArray("\x11"
                                     "X")); // a DC1 among other characters is no request
            QTimer::singleShot(50, &rig.port, [&] {
                beforeDc1 += rig.port.written;
                rig.port.feed(QByteArray(1, Dc1));
            });
        });
        rig.commands.mnuTransOutput_Click();
        QCOMPARE(beforeDc1, QByteArray());
        QCOMPARE(rig.port.written, QByteArray("$A.MIN%\r\nO1\n%\r\n"));
    }

    void flowTwoWaitsAgainAfterTheOspFileName()
    {
        TransferRig rig(0, 2);
        rig.folder.addFile(QStringLiteral("A.MIN"), "O1\r\n");
        rig.select({QStringLiteral("A.MIN")});
        int dc1Sent = 0;
        QByteArray atSecondDc1;
        rig.port.onOutput = [&](const QByteArray &bytes) {
            if (bytes.startsWith('$'))
                QTimer::singleShot(50, &rig.port, [&] {
                    atSecondDc1 = rig.port.written;
                    ++dc1Sent;
                    rig.port.feed(QByteArray(1, Dc1));
                });
        };
        answerEveryWaitWithDc1(rig);
        rig.commands.mnuTransOutput_Click();
        QCOMPARE(dc1Sent, 1);
        QCOMPARE(atSecondDc1, QByteArray("$A.MIN%\r\n"));
        QCOMPARE(rig.port.written, QByteArray("$A.MIN%\r\nO1\n%\r\n"));
    }

    void aDc3HoldsTheSenderUntilDc1_data()
    {
        QTest::addColumn<bool>("betweenLines");
        QTest::newRow("during a line") << false;
        QTest::newRow("between two lines") << true;
    }

    void aDc3HoldsTheSenderUntilDc1()
    {
        QFETCH(bool, betweenLines);
        TransferRig rig(1, 1);
        rig.folder.addFile(QStringLiteral("A.NC"), "L1\r\nL2\r\nL3\r\n");
        rig.select({QStringLiteral("A.NC")});
        QByteArray whileHeld;
        rig.port.drainMilliseconds = 5;
        // The machine's buffer is full with the first line: it says so while the line is on its way,
        // or only once it has gone out.
        auto full = [&](const QByteArray &bytes) {
            if (bytes != "L1\n")
                return;
            rig.port.feed(QByteArray(1, Dc3));
            QTimer::singleShot(100, &rig.port, [&] {
                whileHeld = rig.port.written;
                rig.port.feed(QByteArray(1, Dc1));
            });
        };
        (betweenLines ? rig.port.onDrained : rig.port.onOutput) = full;
        answerEveryWaitWithDc1(rig);
        rig.commands.mnuTransOutput_Click();
        QCOMPARE(whileHeld, QByteArray("%\r\nL1\n"));
        QCOMPARE(rig.port.written, QByteArray("%\r\nL1\nL2\nL3\n%\r\n"));
    }

    void severalFilesGoInListOrderAndOthersAreSkipped()
    {
        TransferRig rig(0, 0);
        rig.folder.addFile(QStringLiteral("B.SUB"), "B\r\n");
        rig.folder.addFile(QStringLiteral("A.MIN"), "A\r\n");
        rig.folder.addFile(QStringLiteral("PLAN.XLS"), "x");
        rig.state.Machine.Echo = QStringLiteral("ON");
        rig.select({QStringLiteral("A.MIN"), QStringLiteral("B.SUB"), QStringLiteral("PLAN.XLS")});
        rig.commands.mnuTransOutput_Click();
        QCOMPARE(rig.port.written, QByteArray("$A.MIN%\r\nA\n%\r\n$B.SUB%\r\nB\n%\r\n"));
        QCOMPARE(rig.log(), (QStringList{"A.MINを送信中です...", "送信が完了しました。",
                                         "B.SUBを送信中です...", "送信が完了しました。",
                                         "PLAN.XLSはテキストファイルでないので送信できません。"}));
        QCOMPARE(rig.text.toPlainText(), QStringLiteral("B\n"));
        QCOMPARE(rig.port.opened, 1);
    }

    void abortWhileWaitingForTheMachineSendsNothing()
    {
        TransferRig rig(0, 1);
        rig.folder.addFile(QStringLiteral("A.MIN"), "O1\r\n");
        rig.folder.addFile(QStringLiteral("B.MIN"), "O2\r\n");
        rig.select({QStringLiteral("A.MIN"), QStringLiteral("B.MIN")});
        QTimer::singleShot(50, rig.commands.dialog()->Command1, &QPushButton::click);
        rig.commands.mnuTransOutput_Click();
        QCOMPARE(rig.port.written, QByteArray());
        QCOMPARE(rig.log(), QStringList{QStringLiteral("送信がキャンセルされました。")});
        QVERIFY(!rig.port.portOpen());
        QVERIFY(!rig.commands.dialog()->isVisible());
        QCOMPARE(rig.files.selectedItems().size(), 2);
    }

    void aPortThatFailsEndsTheBatchWithItsReason()
    {
        TransferRig rig(0, 1);
        rig.folder.addFile(QStringLiteral("A.MIN"), "L1\r\nL2\r\n");
        rig.folder.addFile(QStringLiteral("B.MIN"), "O2\r\n");
        rig.select({QStringLiteral("A.MIN"), QStringLiteral("B.MIN")});
        rig.port.onOutput = [&](const QByteArray &bytes) {
            if (bytes == "L1\n") {
                rig.port.feed(QByteArray(1, Dc3));
                rig.port.vanish(QStringLiteral("The device was unplugged."));
            }
        };
        answerEveryWaitWithDc1(rig);
        rig.commands.mnuTransOutput_Click();
        QCOMPARE(rig.log().mid(1),
                 (QStringList{"A.MINの送信が出来ませんでした。", "The device was unplugged."}));
        QVERIFY(!rig.port.written.contains("L2"));
        QCOMPARE(rig.files.selectedItems().size(), 2);
        QVERIFY(!rig.state.Transfer.TransferFile.isOpen());
    }

    void aPortThatCannotOpenNamesTheFirstMarkedFile()
    {
        TransferRig rig(0, 1);
        rig.folder.addFile(QStringLiteral("A.MIN"), "O1\r\n");
        rig.folder.addFile(QStringLiteral("B.MIN"), "O2\r\n");
        rig.state.CurrentFileName = QStringLiteral("OLD.MIN");
        rig.select({QStringLiteral("B.MIN")});
        rig.port.refuseOpen = true;
        rig.commands.mnuTransOutput_Click();
        QCOMPARE(rig.log(), (QStringList{"B.MINの送信が出来ませんでした。", "The port is in use."}));
    }

    void anUnselectedCurrentRowSendsNothing()
    {
        TransferRig rig(0, 0);
        rig.folder.addFile(QStringLiteral("A.MIN"), "O1\r\n");
        rig.folder.addFile(QStringLiteral("B.MIN"), "O2\r\n");
        rig.select({QStringLiteral("B.MIN")});
        rig.files.setCurrentItem(rig.files.row(0), 0, QItemSelectionModel::NoUpdate);
        rig.commands.mnuTransOutput_Click();
        QCOMPARE(rig.port.opened, 0);
    }

    void linesAreCutAtCrAndCrLfOnly()
    {
        QCOMPARE(Sender::lines("A\r\nB\rC\nD"), (QList<QByteArray>{"A", "B", "C\nD"}));
        QCOMPARE(Sender::lines("A\r\n\r\n"), (QList<QByteArray>{"A", ""}));
        QCOMPARE(Sender::lines(""), QList<QByteArray>());
    }
};

QTEST_MAIN(tst_Sender)
#include "tst_Sender.moc"
