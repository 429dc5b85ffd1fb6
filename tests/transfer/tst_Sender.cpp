#include "support/TransferRig.h"
#include "transfer/frmCancelSend.h"

#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

const QByteArray Dc1(1, 0x11), Dc3(1, 0x13);

// A rig with the files written and the named ones selected.
void prepare(TransferRig &rig, const QList<std::pair<QString, QByteArray>> &files,
             const QStringList &selected)
{
    for (const auto &[name, content] : files)
        rig.folder.addFile(name, content);
    rig.select(selected);
}

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
    void framingFollowsTheControllerFamily_data()
    {
        QTest::addColumn<qint16>("controller");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("osp, cr lf") << qint16(0) << QByteArray("O1000\r\nG0 X0\r\nM30\r\n")
                                    << QByteArray("$O1000.MIN%\r\nO1000\nG0 X0\nM30\n%\r\n");
        QTest::newRow("fanuc, lone cr, %-lines kept")
            << qint16(1) << QByteArray("%\rO1\rM30\r%") << QByteArray("%\r\n%\nO1\nM30\n%\n%\r\n");
        QTest::newRow("lf alone is no line end")
            << qint16(0) << QByteArray("O1\nM30\n") << QByteArray("$O1000.MIN%\r\nO1\nM30\n\n%\r\n");
        QTest::newRow("empty file") << qint16(1) << QByteArray() << QByteArray("%\r\n%\r\n");
        QTest::newRow("blank lines and high bytes") << qint16(0) << QByteArray("(\xb1\xd7)\r\n\r\nM30")
                                                    << QByteArray("$O1000.MIN%\r\n(\xb1\xd7)\n\nM30\n%\r\n");
    }

    void framingFollowsTheControllerFamily()
    {
        QFETCH(qint16, controller);
        QFETCH(QByteArray, content);
        TransferRig rig(controller, 0);
        prepare(rig, {{"o1000.min", content}}, {"O1000.MIN"});
        rig.commands.mnuTransOutput_Click();
        QTEST(rig.port.written, "line");
        QVERIFY(!rig.port.portOpen());
        QCOMPARE(rig.log(), (QStringList{"O1000.MINを送信中です...", "送信が完了しました。"}));
        QVERIFY(rig.files.selectedItems().isEmpty());
    }

    void severalFilesGoInListOrderAndOthersAreSkipped()
    {
        TransferRig rig(0, 0);
        rig.state.Machine.Echo = QStringLiteral("ON");
        prepare(rig, {{"B.SUB", "B\r\n"}, {"A.MIN", "A\r\n"}, {"PLAN.XLS", "x"}},
                {"A.MIN", "B.SUB", "PLAN.XLS"});
        rig.commands.mnuTransOutput_Click();
        QCOMPARE(rig.port.written, QByteArray("$A.MIN%\r\nA\n%\r\n$B.SUB%\r\nB\n%\r\n"));
        QCOMPARE(rig.log(), (QStringList{"A.MINを送信中です...", "送信が完了しました。",
                                         "B.SUBを送信中です...", "送信が完了しました。",
                                         "PLAN.XLSはテキストファイルでないので送信できません。"}));
        QCOMPARE(rig.text.toPlainText(), QStringLiteral("B\n"));
        QCOMPARE(rig.port.opened, 1);
    }

    // Flow 2 waits for DC1 before the OSP name and again after it; only a DC1 that comes alone counts.
    void flowTwoWaitsBeforeAndAfterTheOspName()
    {
        TransferRig rig(0, 2);
        prepare(rig, {{"A.MIN", "O1\r\n"}}, {"A.MIN"});
        QByteArrayList seen; // on the line at each answer
        auto answer = [&](int ms, const QByteArray &bytes) {
            QTimer::singleShot(ms, &rig.port, [&, bytes] {
                seen << rig.port.written;
                rig.port.feed(bytes);
            });
        };
        answer(50, Dc1 + "X");
        answer(100, Dc1);
        rig.port.onOutput = [&](const QByteArray &bytes) {
            if (bytes.startsWith('$'))
                answer(50, Dc1);
        };
        QString prompt;
        QTimer::singleShot(10, &rig.port, [&] { prompt = rig.commands.dialog()->Label1->text(); });
        rig.commands.mnuTransOutput_Click();
        QVERIFY(prompt.contains("機械側で読込み(リード)してください。"));
        QCOMPARE(seen, (QByteArrayList{"", "", "$A.MIN%\r\n"}));
        QCOMPARE(rig.port.written, QByteArray("$A.MIN%\r\nO1\n%\r\n"));
    }

    void aDc3HoldsTheSenderUntilDc1_data()
    {
        QTest::addColumn<bool>("betweenLines");
        QTest::newRow("during a line") << false;
        QTest::newRow("between two lines") << true;
    }

    // The machine's buffer is full with the first line: it says so while the line is on its way, or
    // only once it has gone out.
    void aDc3HoldsTheSenderUntilDc1()
    {
        QFETCH(bool, betweenLines);
        TransferRig rig(1, 1);
        prepare(rig, {{"A.NC", "L1\r\nL2\r\nL3\r\n"}}, {"A.NC"});
        rig.port.drainMilliseconds = 5;
        QByteArray whileHeld;
        (betweenLines ? rig.port.onDrained : rig.port.onOutput) = [&](const QByteArray &bytes) {
            if (bytes != "L1\n")
                return;
            rig.port.feed(Dc3);
            QTimer::singleShot(100, &rig.port, [&] {
                whileHeld = rig.port.written;
                rig.port.feed(Dc1);
            });
        };
        askAtOnce(rig);
        rig.commands.mnuTransOutput_Click();
        QCOMPARE(whileHeld, QByteArray("%\r\nL1\n"));
        QCOMPARE(rig.port.written, QByteArray("%\r\nL1\nL2\nL3\n%\r\n"));
    }

    void aPortThatFailsEndsTheBatchWithItsReason()
    {
        TransferRig rig(0, 1);
        prepare(rig, {{"A.MIN", "L1\r\nL2\r\n"}, {"B.MIN", "O2\r\n"}}, {"A.MIN", "B.MIN"});
        rig.port.onOutput = [&](const QByteArray &bytes) {
            if (bytes == "L1\n") {
                rig.port.feed(Dc3);
                rig.port.vanish("The device was unplugged.");
            }
        };
        askAtOnce(rig);
        rig.commands.mnuTransOutput_Click();
        QCOMPARE(rig.log().mid(1),
                 (QStringList{"A.MINの送信が出来ませんでした。", "The device was unplugged."}));
        QVERIFY(!rig.port.written.contains("L2"));
        QCOMPARE(rig.files.selectedItems().size(), 2);
        QVERIFY(!rig.state.Transfer.TransferFile.isOpen());
    }

    // A failure before the first file is taken up names the first marked file, not an older one.
    void endsBeforeTheFirstLine_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("opened");
        QTest::addColumn<QStringList>("log");
        QTest::newRow("abort while waiting for DC1")
            << "abort" << 1 << QStringList{"送信がキャンセルされました。"};
        QTest::newRow("port refused")
            << "refused" << 0 << QStringList{"B.MINの送信が出来ませんでした。", "The port is in use."};
        QTest::newRow("current row not selected") << "unselected" << 0 << QStringList();
    }

    void endsBeforeTheFirstLine()
    {
        QFETCH(QString, how);
        TransferRig rig(0, 1);
        rig.state.CurrentFileName = QStringLiteral("OLD.MIN");
        prepare(rig, {{"A.MIN", "O1\r\n"}, {"B.MIN", "O2\r\n"}, {"C.MIN", "O3\r\n"}}, {"B.MIN", "C.MIN"});
        rig.port.refuseOpen = how == "refused";
        if (how == "unselected")
            rig.files.setCurrentItem(rig.files.row(0), 0, QItemSelectionModel::NoUpdate);
        QTimer::singleShot(50, rig.commands.dialog()->Command1, &QPushButton::click);
        rig.commands.mnuTransOutput_Click();
        QCOMPARE(rig.port.written, QByteArray());
        QTEST(rig.port.opened, "opened");
        QTEST(rig.log(), "log");
        QVERIFY(!rig.port.portOpen());
        QVERIFY(!rig.commands.dialog()->isVisible());
        QCOMPARE(rig.files.selectedItems().size(), 2);
    }
};

QTEST_MAIN(tst_Sender)
#include "tst_Sender.moc"
