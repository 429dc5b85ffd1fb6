// SPDX-License-Identifier: GPL-2.0-or-later
#include "support/CommEvents.h"
#include "support/TransferRig.h"
#include "transfer/engine/ListenJob.h"
#include "transfer/engine/SendJob.h"
#include "transfer/engine/TransferLine.h"
#include "transfer/ui/frmCancelSend.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

using Files = QList<std::pair<QString, QByteArray>>;

// A window that listens on a scripted line, on the test's clock, to a machine whose listening
// settings file holds what a row gives.
struct ListenRig : TransferRig {
    explicit ListenRig(qint16 controller = 0, const QVariantMap &listen = {}) : TransferRig(controller, 1)
    {
        state.SettingsFolder = settings.path();
        QSettings file(settings.filePath(QStringLiteral("OSP-E100.LSN")), QSettings::IniFormat);
        for (auto value = listen.begin(); value != listen.end(); ++value)
            file.setValue(QStringLiteral("Listen/") + value.key(), value.value());
        file.sync();
        commands.mnuTransListen_Click();
        lineClock.advance(0);
    }
    SendJob &answer() const { return *commands.line()->sendJob(); }
    // The machine punches; FANUC programs carry no name of their own.
    void punch(const QByteArray &name, const QByteArray &body)
    {
        port.feed(state.Machine.isOsp() ? "$" + name + "%\r\n" + body + "%" : "%\n" + body + "%");
        lineClock.advance(0);
    }
    // The machine switches to read once the answer is ready, and reads it to its end.
    bool read()
    {
        if (!QTest::qWaitFor([this] { return answer().awaitingStart(); }, 5000))
            return false;
        port.feed("\x11");
        return lineClock.runUntil([this] { return !answer().running(); });
    }
    QTemporaryDir settings;
};

} // namespace

// A listening window: the machine punches requests and programs, and reads what answers them.
class tst_Listening : public QObject {
    Q_OBJECT

private slots:
    // Whatever a request program is called, it is never stored: what goes back is the program it names,
    // a list, or a refusal the control shows.
    void requestsAreAnswered_data()
    {
        QTest::addColumn<qint16>("controller");
        QTest::addColumn<Files>("files");
        QTest::addColumn<QByteArray>("request"); // the request program's body
        QTest::addColumn<QByteArray>("written");
        const Files programs{
            {"O1234.MIN", "G0X1\r\nM02\r\n"}, {"o1234.nc", "O1234\r\nG0\r\n"}, {"PIC.BMP", "BM"}};
        // clang-format off
        QTest::newRow("osp, by its whole name") << qint16(0) << programs
            << QByteArray("(SEND O1234.MIN)\r\nM02\r\n") << QByteArray("$O1234.MIN%\r\nG0X1\nM02\n%\r\n");
        QTest::newRow("fanuc, by name without extension, word in lower case") << qint16(1) << Files{programs[1]}
            << QByteArray("O9999(send O1234)\nM30\n") << QByteArray("%\r\nO1234\nG0\n%\r\n");
        QTest::newRow("two programs answer to the name") << qint16(0) << programs
            << QByteArray("(SEND O1234)\n") << QByteArray("$REFUSED.MIN%\r\n(O1234 MORE THAN ONE)\n%\r\n");
        QTest::newRow("no such program") << qint16(0) << programs
            << QByteArray("(SEND O7777)\n") << QByteArray("$REFUSED.MIN%\r\n(O7777 NOT FOUND)\n%\r\n");
        QTest::newRow("a path is no name") << qint16(0) << programs
            << QByteArray("(SEND ../O1234.MIN)\n") << QByteArray("$REFUSED.MIN%\r\n(../O1234.MIN NAME REFUSED)\n%\r\n");
        QTest::newRow("not a program") << qint16(0) << programs
            << QByteArray("(SEND PIC.BMP)\n") << QByteArray("$REFUSED.MIN%\r\n(PIC.BMP NOT TEXT)\n%\r\n");
        QTest::newRow("list") << qint16(0) << programs
            << QByteArray("(LIST)\n") << QByteArray("$LIST.MIN%\r\n(PROGRAMS 2)\n(O1234.MIN)\n(O1234.NC)\n%\r\n");
        // clang-format on
    }

    void requestsAreAnswered()
    {
        QFETCH(qint16, controller);
        QFETCH(Files, files);
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, written);
        ListenRig rig(controller);
        for (const auto &[name, content] : files)
            rig.folder.addFile(name, content);
        const QStringList before = rig.fileNames();

        rig.punch("REQ.MIN", request);
        QVERIFY(rig.read());

        QCOMPARE(rig.port.written, written);
        QCOMPARE(rig.fileNames(), before);
        QVERIFY(rig.commands.listening());
        QVERIFY(rig.port.portOpen());
        // Listening again: the next punch is stored, a FANUC program under its number.
        rig.punch("NEXT.MIN", "O0001\r\nG1\r\n");
        QTRY_COMPARE(rig.fileContent(controller == 0 ? "NEXT.MIN" : "O0001.NC"),
                     QByteArray("O0001\r\nG1\r\n"));
    }

    // A name garbled on the line could name another program: nothing but a refusal goes back.
    void aRequestHitByALineErrorIsRefused()
    {
        ListenRig rig;
        rig.folder.addFile("O1234.MIN", "G0\r\n");
        rig.port.feed("$REQ.MIN%\r\n(SEND O12");
        rig.lineClock.advance(0);
        emit rig.port.OnComm(SerialPort::Parity);
        rig.port.feed("34.MIN)\n%");
        QVERIFY(rig.read());
        QCOMPARE(rig.port.written, QByteArray("$REFUSED.MIN%\r\n(LINE ERROR)\n%\r\n"));
        QVERIFY(rig.log().contains("ﾊﾟﾘﾃｨ ｴﾗｰが発生しました。"));
    }

    // The answer waits for the machine to read only so long, and gives way to a punch: either way the
    // line listens again and nothing of the answer went.
    void anAnswerTheMachineDoesNotReadGoesNowhere_data()
    {
        QTest::addColumn<bool>("punches"); // else the machine never reads
        QTest::newRow("never read") << false;
        QTest::newRow("the machine punches instead") << true;
    }

    void anAnswerTheMachineDoesNotReadGoesNowhere()
    {
        QFETCH(bool, punches);
        ListenRig rig(0, {{"Dc1WaitSeconds", 60}});
        rig.folder.addFile("O1234.MIN", "G0\r\n");
        rig.punch("REQ.MIN", "(SEND O1234.MIN)\n");
        QTRY_VERIFY(rig.answer().awaitingStart());
        if (punches) {
            rig.punch("P.MIN", "G1\r\n");
        } else {
            rig.lineClock.advance(59'000'000);
            QVERIFY(rig.answer().awaitingStart());
            rig.lineClock.advance(1'000'000);
        }
        QTRY_VERIFY(!rig.answer().running());
        if (!punches)
            QVERIFY(rig.log().contains("機械が読込み(リード)を始めませんでした。"));
        rig.punch("Q.MIN", "G2\r\n");
        QTRY_COMPARE(rig.fileContent("Q.MIN"), QByteArray("G2\r\n"));
        QCOMPARE(rig.port.written, QByteArray());
        QCOMPARE(rig.fileContent("P.MIN"), punches ? QByteArray("G1\r\n") : QByteArray());
    }

    // A control that punches the moment the answer's "%" has reached it loses nothing.
    void aPunchRightAfterAnAnswerIsStored()
    {
        ListenRig rig;
        rig.folder.addFile("O1234.MIN", "G0\r\n");
        rig.port.onOutput = [&rig](const QByteArray &bytes) {
            if (bytes == "%")
                rig.port.feed("$P.MIN%\r\nG1\r\n%");
        };
        rig.punch("REQ.MIN", "(SEND O1234.MIN)\n");
        QVERIFY(rig.read());
        QTRY_COMPARE(rig.fileContent("P.MIN"), QByteArray("G1\r\n"));
    }

    // Every program punched is stored; the one it replaces stays as the newest of the backups the
    // machine keeps. A FANUC program takes its program number as its name.
    void programsReplacedAreKept_data()
    {
        QTest::addColumn<qint16>("controller");
        QTest::addColumn<int>("backups");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("fanuc") << qint16(1) << 5 << QStringList{"O0042.NC", "O0042.NC.BAK", "O0042.NC.BAK2"};
        QTest::newRow("osp, no backups") << qint16(0) << 0 << QStringList{"O0042.NC"};
    }

    void programsReplacedAreKept()
    {
        QFETCH(qint16, controller);
        QFETCH(int, backups);
        QFETCH(QStringList, names);
        ListenRig rig(controller, {{"Backups", backups}});
        for (const QByteArray version : {"G1\n", "G2\n", "G3\n"}) {
            rig.punch("O0042.NC", "O0042(PART)\n" + version);
            QTRY_COMPARE(rig.fileContent("O0042.NC"), "O0042(PART)\n" + version);
        }
        QTRY_COMPARE(rig.fileNames(), names);
        if (backups > 0)
            QCOMPARE(rig.fileContent("O0042.NC.BAK"), QByteArray("O0042(PART)\nG2\n"));
        QCOMPARE(rig.commands.dialog()->isVisible(), false);
    }

    // An adapter pulled out ends nothing: one line says so, and listening goes on once it is back.
    void thePortComesBack()
    {
        ListenRig rig;
        rig.port.refuseOpen = true;
        rig.port.vanish(QStringLiteral("デバイスが接続されていません。"));
        rig.lineClock.advance(0);
        QTRY_VERIFY(!rig.port.portOpen());
        rig.lineClock.advance(10 * ListenJob::RetryUs);
        const QStringList whileAway = rig.log();
        QCOMPARE(whileAway.count("デバイスが接続されていません。"), 1);
        rig.port.refuseOpen = false;
        rig.lineClock.advance(ListenJob::RetryUs);
        QVERIFY(rig.port.portOpen());
        QCOMPARE(rig.log().size(), whileAway.size() + 1);
        rig.punch("P.MIN", "G1\r\n");
        QTRY_COMPARE(rig.fileContent("P.MIN"), QByteArray("G1\r\n"));
        QVERIFY(rig.commands.listening());
    }

    // A folder that fails loses the programs it was to hold, never the listening: the next program
    // that arrives opens it afresh, and nothing stays published as being received.
    void aFailingFolderEndsNothing()
    {
        ListenRig rig;
        const QString path = rig.folder.path();
        QVERIFY(QDir(path).removeRecursively());
        rig.punch("A.MIN", "G1\r\n");
        QTRY_VERIFY(rig.log().contains(QStringLiteral("A.MINの受信が出来ませんでした。")));
        rig.punch("B.MIN", "G2\r\n");
        QTRY_VERIFY(rig.log().contains(QStringLiteral("B.MINの受信が出来ませんでした。")));
        QVERIFY(rig.commands.listening());
        QVERIFY(rig.port.portOpen());
        QVERIFY(QDir().mkpath(path));
        rig.punch("C.MIN", "G3\r\n");
        QTRY_COMPARE(rig.fileContent("C.MIN"), QByteArray("G3\r\n"));
        QTRY_VERIFY(rig.state.Transfer.Receiving.isEmpty());
        QCOMPARE(rig.fileNames(), QStringList{"C.MIN"});
        QCOMPARE(rig.log().last(), QStringLiteral("読込が完了しました。"));
        QVERIFY(rig.commands.listening());
    }

    // The window's own transfers would share the port: refused, as during any transfer. The command
    // given again ends listening and frees the port.
    void theWindowWhileListening()
    {
        ListenRig rig;
        rig.folder.addFile("O1234.MIN", "G0\r\n");
        rig.select({"O1234.MIN"});
        rig.commands.mnuTransOutput_Click();
        rig.commands.mnuTransInput_Click();
        QCOMPARE(rig.log().count("通信中のため実行できません。"), 2);
        QVERIFY(!rig.commands.running());
        QVERIFY(rig.commands.mayClose()); // nobody waits on listening alone
        rig.punch("REQ.MIN", "(SEND O1234.MIN)\n");
        QTRY_VERIFY(rig.answer().awaitingStart());
        rig.messages.answers = {MessageBoxes::Answer::No};
        QVERIFY(!rig.commands.mayClose()); // but an answer on its way would be cut short
        QCOMPARE(rig.messages.shown.size(), 1);

        rig.commands.mnuTransListen_Click();
        QTRY_VERIFY(!rig.commands.listening());
        QVERIFY(!rig.port.portOpen());
        QCOMPARE(rig.log().last(), QStringLiteral("待ち受けを終了しました。"));
        QCOMPARE(rig.port.written, QByteArray());
    }
};

QTEST_MAIN(tst_Listening)
#include "tst_Listening.moc"
