// SPDX-License-Identifier: GPL-2.0-or-later
#include "ControllerSimulator.h"
#include "LineCredit.h"
#include "NoiseInjector.h"
#include "OperatorScript.h"
#include "ProgramReader.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>

namespace {

const char Dc1 = 0x11;
const char Dc3 = 0x13;

// Talvern's end of the cable, opened on the simulator's pty slave.
std::unique_ptr<QSerialPort> openFarEnd(const QString &path)
{
    auto port = std::make_unique<QSerialPort>(path);
    port->setBaudRate(9600);
    port->setFlowControl(QSerialPort::NoFlowControl);
    return port->open(QIODevice::ReadWrite) ? std::move(port) : nullptr;
}

QByteArray numberedLines(int count)
{
    QByteArray lines;
    for (int n = 1; n <= count; ++n)
        lines += "N" + QByteArray::number(n * 10) + " G01 X" + QByteArray::number(n) + ".5 Y-2.25 F300\n";
    return lines;
}

} // namespace

class tst_ControllerSimulator : public QObject {
    Q_OBJECT

private slots:
    // Reading, it asks with DC1 and every 252 bytes holds the sender off with DC3 and lets it go on with
    // DC1 after a pause. A 7-bit line loses bit 7.
    void readsAProgram_data()
    {
        QTest::addColumn<bool>("osp");
        QTest::addColumn<bool>("mask7");
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("expectedBody");
        const QByteArray osp = numberedLines(40), fanuc = "O0001 (\xB1\xB2)\nM30\n";
        // clang-format off
        QTest::newRow("OSP") << true << false << QByteArray("O1000.MIN") << osp << osp;
        QTest::newRow("FANUC, 7-bit line") << false << true << QByteArray() << fanuc << QByteArray("O0001 (12)\nM30\n");
        // clang-format on
    }

    void readsAProgram()
    {
        QFETCH(bool, osp);
        QFETCH(bool, mask7);
        QFETCH(QByteArray, header);
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, expectedBody);
        ControllerSimulator simulator(osp ? ControllerSimulator::Family::Osp
                                          : ControllerSimulator::Family::Fanuc);
        QVERIFY2(simulator.openPseudoTerminal(), qPrintable(simulator.errorString()));
        simulator.setDc3PauseMs(5);
        simulator.setDc1RepeatMs(0);
        simulator.setMask7(mask7);
        const auto port = openFarEnd(simulator.slavePath());
        QVERIFY(port);
        const QByteArray start = osp ? "$" + header + "%\r\n" : "%\r\n";
        QSignalSpy programs(&simulator, &ControllerSimulator::programReceived);

        simulator.startReading();
        port->write(start + body + "%\r\n");

        QVERIFY(programs.wait(10000));
        const ReceivedProgram program = simulator.programs().value(0);
        QCOMPARE(program.name, header);
        QCOMPARE(program.body, expectedBody);
        QVERIFY2(program.framingOk(), qPrintable(program.framingProblem));
        QCOMPARE(simulator.received(), start + expectedBody + "%\r\n");
        QCOMPARE(simulator.dc3Sent() >= 1, osp); // only the OSP program is longer than 252 bytes
        QByteArray arrived;
        QTRY_COMPARE((arrived += port->readAll()),
                     Dc1 + QByteArray("\x13\x11").repeated(simulator.dc3Sent()));
        QTRY_COMPARE(simulator.holds(), simulator.dc3Sent()); // each DC3 ends with its DC1
    }

    // Every character that comes after a DC3 has left counts, until its DC1 has left: those the sender
    // still had on the line and those it sent after reading the DC3. The far end sends 100 characters
    // and the queued ones at each DC1, and the rest at each DC3, for three holds. Unpaced, the
    // simulator has read everything before its DC3 leaves; at 9600 baud the queued characters still
    // come, but for those the line carries while the DC3 goes out.
    void countsWhatArrivesWhileHeld_data()
    {
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("queued");
        QTest::addColumn<int>("afterDc3");
        QTest::addColumn<int>("atLeast");
        QTest::addColumn<int>("atMost");
        // clang-format off
        QTest::newRow("unpaced, stops at DC3, 8 more read before it leaves") << 0 << 8 << 0 << 0 << 0;
        QTest::newRow("unpaced, goes on for 12") << 0 << 0 << 12 << 12 << 12;
        QTest::newRow("9600 baud, goes on for 7") << 9600 << 0 << 7 << 7 << 7;
        QTest::newRow("9600 baud, stops at DC3, 8 on the line") << 9600 << 8 << 0 << 1 << 8;
        // clang-format on
    }

    void countsWhatArrivesWhileHeld()
    {
        QFETCH(int, baud);
        QFETCH(int, queued);
        QFETCH(int, afterDc3);
        QFETCH(int, atLeast);
        QFETCH(int, atMost);
        const int alarmAfter = 10;
        ControllerSimulator simulator;
        QVERIFY2(simulator.openPseudoTerminal(), qPrintable(simulator.errorString()));
        simulator.setLineSpeed(baud, 10);
        simulator.setDc3Every(100);
        simulator.setDc3PauseMs(100);
        simulator.setDc1RepeatMs(0);
        simulator.setAlarmAfter(alarmAfter);
        QSignalSpy holds(&simulator, &ControllerSimulator::holdEnded);
        QSignalSpy alarms(&simulator, &ControllerSimulator::alarmRaised);
        const auto port = openFarEnd(simulator.slavePath());
        QVERIFY(port);
        int dc1Read = 0;
        connect(port.get(), &QSerialPort::readyRead, this, [&] {
            for (const char byte : port->readAll()) {
                if (byte == Dc3)
                    port->write(QByteArray(afterDc3, 'G'));
                else if (byte == Dc1 && ++dc1Read <= 3)
                    port->write(QByteArray(100 + queued, 'N'));
            }
        });

        simulator.startReading();

        // Not QTRY: its waits sleep between looks, and the simulator's reads would come in bursts.
        while (holds.size() < 3)
            QVERIFY(holds.wait(10000));
        for (const QList<QVariant> &hold : std::as_const(holds)) {
            const qint64 count = hold.at(0).toLongLong();
            QVERIFY2(count >= atLeast && count <= atMost, qPrintable(QString::number(count)));
        }
        QCOMPARE(alarms.size(), std::ranges::count_if(holds, [&](const QList<QVariant> &hold) {
                     return hold.at(0).toLongLong() > alarmAfter;
                 }));
    }

    // While no program comes in, DC1 again, as the operator presses READ for the next program.
    void asksAgainForTheNextProgram()
    {
        ControllerSimulator simulator(ControllerSimulator::Family::Osp);
        QVERIFY2(simulator.openPseudoTerminal(), qPrintable(simulator.errorString()));
        simulator.setDc1RepeatMs(20);
        const auto port = openFarEnd(simulator.slavePath());
        QVERIFY(port);
        QByteArrayList queued = {"$A.MIN%\r\nG0\n%\r\n", "$B.MIN%\r\nG1\n%\r\n"};
        connect(port.get(), &QSerialPort::readyRead, this, [&] {
            if (port->readAll().contains(Dc1) && !queued.isEmpty())
                port->write(queued.takeFirst());
        });

        simulator.startReading();

        QTRY_COMPARE_WITH_TIMEOUT(simulator.programs().size(), 2, 10000);
        QCOMPARE(simulator.programs().at(0).name, QByteArray("A.MIN"));
        QCOMPARE(simulator.programs().at(1).name, QByteArray("B.MIN"));
        QCOMPARE(simulator.received(), QByteArray("$A.MIN%\r\nG0\n%\r\n$B.MIN%\r\nG1\n%\r\n"));
    }

    void checksTheFraming_data()
    {
        QTest::addColumn<bool>("osp");
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<bool>("framingOk");
        QTest::addColumn<QByteArray>("body");
        // clang-format off
        QTest::newRow("a % line of the file stays in the body") << false << QByteArray("%\r\n%\nO1\n%\n%\r\n") << true << QByteArray("%\nO1\n%\n");
        QTest::newRow("empty program") << true << QByteArray("$A%\r\n%\r\n") << true << QByteArray();
        QTest::newRow("header without CR") << true << QByteArray("$A%\nG0\n%\r\n") << false << QByteArray("G0\n");
        QTest::newRow("no name") << true << QByteArray("$%\r\nG0\n%\r\n") << false << QByteArray("G0\n");
        QTest::newRow("stray bytes before") << true << QByteArray("\0\0$A%\r\nG0\n%\r\n", 13) << false << QByteArray("G0\n");
        QTest::newRow("last line without LF") << true << QByteArray("$A%\r\nG0%\r\n") << false << QByteArray("G0");
        QTest::newRow("CR LF lines") << false << QByteArray("%\r\nG0\r\n%\r\n") << false << QByteArray("G0\r\n");
        QTest::newRow("FANUC header with LF alone") << false << QByteArray("%\nG0\n%\r\n") << false << QByteArray("G0\n");
        // clang-format on
    }

    void checksTheFraming()
    {
        QFETCH(bool, osp);
        QFETCH(QByteArray, stream);
        ProgramReader reader(osp ? ControllerFamily::Osp : ControllerFamily::Fanuc);
        int completed = 0;
        for (const char byte : stream)
            completed += reader.take(byte) == ProgramReader::Event::ProgramRead;
        QCOMPARE(completed, 1);
        QTEST(reader.lastProgram().body, "body");
        QTEST(reader.lastProgram().framingOk(), "framingOk");
        QCOMPARE(reader.lastProgram().raw, stream);
    }

    void punchesTheFamilysFraming_data()
    {
        using LineEnd = ControllerSimulator::LineEnd;
        QTest::addColumn<bool>("osp");
        QTest::addColumn<LineEnd>("lineEnd");
        QTest::addColumn<int>("leader");
        QTest::addColumn<bool>("dc2Dc4");
        QTest::addColumn<QByteArrayList>("namesAndBodies");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<int>("baud"); // 0: unpaced
        const QByteArray tape(230, 'N');
        // clang-format off
        QTest::newRow("OSP, CR LF, leader, DC2/DC4") << true << LineEnd::CrLf << 4 << true << QByteArrayList{"O1000.MIN", "G00 X1\nM30\n"}
            << QByteArrayLiteral("\x12\0\0\0\0$O1000.MIN%\r\nG00 X1\r\nM30\r\n%\x14") << 0;
        QTest::newRow("OSP, LF, two programs") << true << LineEnd::Lf << 0 << false << QByteArrayList{"A.MIN", "N1\r\nN2\r\n", "B.MIN", "N3"}
            << QByteArrayLiteral("$A.MIN%\nN1\nN2\n%$B.MIN%\nN3\n%") << 0;
        QTest::newRow("FANUC, CR CR LF, leader, DC2/DC4") << false << LineEnd::CrCrLf << 3 << true << QByteArrayList{"", "O0001\nG01\n"}
            << QByteArrayLiteral("\x12\0\0\0%\r\r\nO0001\r\r\nG01\r\r\n%\x14") << 0;
        // 9600 baud at 10 bits a character carries 960 characters a second: 240 take a quarter second.
        QTest::newRow("OSP at 9600 baud") << true << LineEnd::Lf << 0 << false << QByteArrayList{"P.MIN", tape}
            << "$P.MIN%\n" + tape + "\n%" << 9600;
        // clang-format on
    }

    void punchesTheFamilysFraming()
    {
        QFETCH(bool, osp);
        QFETCH(ControllerSimulator::LineEnd, lineEnd);
        QFETCH(int, leader);
        QFETCH(bool, dc2Dc4);
        QFETCH(QByteArrayList, namesAndBodies);
        QFETCH(QByteArray, expected);
        QFETCH(int, baud);
        ControllerSimulator simulator(osp ? ControllerSimulator::Family::Osp
                                          : ControllerSimulator::Family::Fanuc);
        QVERIFY2(simulator.openPseudoTerminal(), qPrintable(simulator.errorString()));
        simulator.setLineEnd(lineEnd);
        simulator.setLeader(leader);
        simulator.setDc2Dc4(dc2Dc4);
        simulator.setProgramPauseMs(10);
        simulator.setLineSpeed(baud, 10);
        const auto port = openFarEnd(simulator.slavePath());
        QVERIFY(port);
        QSignalSpy punched(&simulator, &ControllerSimulator::programPunched);
        QSignalSpy finished(&simulator, &ControllerSimulator::punchFinished);
        QElapsedTimer clock;
        clock.start();

        for (qsizetype i = 0; i + 1 < namesAndBodies.size(); i += 2)
            simulator.punch(namesAndBodies.at(i), namesAndBodies.at(i + 1));

        QVERIFY(finished.wait(5000));
        QByteArray arrived;
        QTRY_COMPARE((arrived += port->readAll()), expected);
        QVERIFY2(baud == 0 || clock.elapsed() >= 0.9 * expected.size() * 10'000 / baud,
                 qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(punched.size(), namesAndBodies.size() / 2);
        QCOMPARE(punched.last().at(0).toByteArray(), namesAndBodies.at(namesAndBodies.size() - 2));
        QCOMPARE(finished.size(), 1);
    }

    // Looks at the line come at whatever moments the event loop allows; what has been carried
    // still adds up to the rate exactly, as the fractions carry over.
    void lineCreditKeepsTheRate_data()
    {
        QTest::addColumn<double>("rate");
        QTest::addColumn<QList<qint64>>("gapsNs"); // repeated until a second has passed
        QTest::addColumn<qint64>("carried");
        // clang-format off
        QTest::newRow("9600 7E2, every millisecond") << 9600.0 / 11 << QList<qint64>{1'000'000} << qint64(872);
        QTest::newRow("9600 7E2, uneven looks") << 9600.0 / 11 << QList<qint64>{300'000, 1'700'000, 999'999, 1} << qint64(872);
        QTest::newRow("115200 8N1, every 0.7 ms") << 11520.0 << QList<qint64>{700'000} << qint64(11520);
        QTest::newRow("looks shorter than a character") << 300.0 << QList<qint64>{100'000} << qint64(300);
        // clang-format on
    }

    void lineCreditKeepsTheRate()
    {
        QFETCH(double, rate);
        QFETCH(QList<qint64>, gapsNs);
        LineCredit line;
        line.setRate(rate);
        const qint64 start = 5'000'000'000;
        qint64 carried = line.available(start);
        for (qint64 now = start, i = 0; now - start < 1'000'000'000; ++i) {
            now = std::min(now + gapsNs.at(i % gapsNs.size()), start + 1'000'000'000);
            const qint64 due = line.available(now);
            line.take(due);
            carried += due;
        }
        QTEST(carried, "carried");
    }

    void lineCreditStartsQuietAndForgetsStalls()
    {
        LineCredit line;
        line.setRate(1000.0);
        QCOMPARE(line.available(7'000'000), 0); // the first character takes its whole time
        QCOMPARE(line.nanosecondsToNext(), 1'000'000);
        QCOMPARE(line.available(7'400'000), 0);
        QCOMPARE(line.nanosecondsToNext(), 600'000);
        QCOMPARE(line.timerMilliseconds(), 1);
        QCOMPARE(line.available(8'000'000), 1);
        line.take(1);
        // Ten seconds without a look make up no more than the longest stall worth making up.
        QCOMPARE(line.available(10'008'000'000), LineCredit::MaxStallNs / 1'000'000);
        line.take(3);
        QCOMPARE(line.available(10'008'000'000), LineCredit::MaxStallNs / 1'000'000 - 3);
        line.quiet();
        QCOMPARE(line.available(20'000'000'000), 0);
    }

    // The link names the pty from run to run: made where nothing is, over a link an earlier run left,
    // never over anything else, and gone when the simulator is ended.
    void linksItsPty_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<bool>("byDefault"); // without --link: in XDG_RUNTIME_DIR
        QTest::newRow("by default, in the runtime folder") << QString() << true;
        QTest::newRow("over a stale link") << QStringLiteral("stale link") << false;
        QTest::newRow("never over a file") << QStringLiteral("file") << false;
    }

    void linksItsPty()
    {
        QFETCH(QString, before);
        QFETCH(bool, byDefault);
        QTemporaryDir folder;
        const QString link = folder.filePath(QStringLiteral("talvern-sim"));
        QFile file(link);
        if (before == QLatin1String("stale link"))
            QVERIFY(QFile::link(QStringLiteral("/dev/pts/999999"), link));
        else if (before == QLatin1String("file"))
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("mine") == 4);
        file.close();
        QProcess simulator;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder.path());
        simulator.setProcessEnvironment(environment);
        QStringList arguments = {QStringLiteral("--read"), folder.filePath(QStringLiteral("read.bin"))};
        if (!byDefault)
            arguments << QStringLiteral("--link") << link;

        simulator.start(QCoreApplication::applicationDirPath() + QStringLiteral("/talvern-controller-sim"),
                        arguments);
        QVERIFY2(simulator.waitForStarted(), "build the target talvern-controller-sim");

        const QRegularExpression ready(QStringLiteral("Simulator ready on (\\S+) \\(link: (\\S+)\\)"));
        QByteArray output;
        while (!ready.match(QString::fromLocal8Bit(output)).hasMatch() && simulator.waitForReadyRead(10000))
            output += simulator.readAllStandardOutput();
        if (before == QLatin1String("file")) {
            QTRY_COMPARE_WITH_TIMEOUT(simulator.state(), QProcess::NotRunning, 10000);
            QCOMPARE(simulator.exitCode(), 1);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), QByteArray("mine"));
            return;
        }
        const QRegularExpressionMatch match = ready.match(QString::fromLocal8Bit(output));
        QVERIFY2(match.hasMatch(), output.constData());
        QCOMPARE(match.captured(2), link);
        QCOMPARE(QFileInfo(link).symLinkTarget(), match.captured(1));
        simulator.terminate();
        QVERIFY(simulator.waitForFinished(10000));
        QCOMPARE(simulator.exitCode(), 0);
        QVERIFY(!QFileInfo(link).isSymLink());
    }

    // A request goes out framed as the family frames a program, after what was punched before it;
    // the control then reads, and the program that comes is the answer, reported and stored.
    void asksForAProgramAndReadsTheAnswer_data()
    {
        QTest::addColumn<bool>("osp");
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("answerHeader");
        QTest::addColumn<QByteArray>("stored");
        // clang-format off
        QTest::newRow("OSP, after a punch") << true
            << QByteArray("$O2000.MIN%\r\nG01\r\n%$REQUEST.MIN%\r\n(SEND O1000.MIN)\r\nM02\r\n%")
            << QByteArray("$O1000.MIN%\r\n") << QByteArray("O1000.MIN");
        QTest::newRow("FANUC") << false << QByteArray("%\r\nO9999(SEND O1000.MIN)\r\nM30\r\n%")
            << QByteArray("%\r\n") << QByteArray("ANSWER1.NC");
        // clang-format on
    }

    void asksForAProgramAndReadsTheAnswer()
    {
        QFETCH(bool, osp);
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, answerHeader);
        QFETCH(QByteArray, stored);
        const QByteArray body = "O1000(PART A)\nG00 X0\nM30\n";
        ControllerSimulator simulator(osp ? ControllerSimulator::Family::Osp
                                          : ControllerSimulator::Family::Fanuc);
        QVERIFY2(simulator.openPseudoTerminal(), qPrintable(simulator.errorString()));
        simulator.setDc1RepeatMs(0);
        const auto port = openFarEnd(simulator.slavePath());
        QVERIFY(port);
        QTemporaryDir folder;
        OperatorScript script(simulator);
        script.setReadAfterMs(10);
        script.setAnswerFolder(folder.path());
        if (osp)
            script.addPunch("O2000.MIN", "G01\n");
        script.addRequest("SEND O1000.MIN");
        QSignalSpy answered(&script, &OperatorScript::answered);
        QSignalSpy finished(&script, &OperatorScript::finished);
        QByteArray arrived;
        connect(port.get(), &QSerialPort::readyRead, this, [&] {
            arrived += port->readAll();
            if (arrived.endsWith(Dc1))
                port->write(answerHeader + body + "%\r\n");
        });

        script.start();

        QVERIFY(finished.wait(10000));
        QCOMPARE(arrived, request + Dc1);
        QCOMPARE(answered, QList<QVariantList>({{stored, body}}));
        QFile file(folder.filePath(QString::fromLatin1(stored)));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), body);
    }

    void noiseIsRepeatableFromItsSeed()
    {
        const QByteArray clean = numberedLines(50);
        NoiseInjector first(0.05, 42), second(0.05, 42), quiet(0.0, 42);
        const QByteArray noisy = first.apply(clean);
        QCOMPARE(second.apply(clean), noisy);
        QVERIFY(noisy != clean && first.hits() > 0);
        QVERIFY(noisy.size() - clean.size() <= first.hits());
        QCOMPARE(quiet.apply(clean), clean);
    }
};

QTEST_GUILESS_MAIN(tst_ControllerSimulator)
#include "tst_ControllerSimulator.moc"
