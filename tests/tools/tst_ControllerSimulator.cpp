#include "ControllerSimulator.h"
#include "NoiseInjector.h"
#include "ProgramReader.h"

#include <QElapsedTimer>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTest>

#include <memory>

#if defined(Q_OS_UNIX)
#include <pty.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace {

const char Dc1 = 0x11;
const char Dc3 = 0x13;

// Talvern's end of the cable, opened on the simulator's pty slave.
std::unique_ptr<QSerialPort> openFarEnd(const QString &path)
{
    auto port = std::make_unique<QSerialPort>(path);
    port->setBaudRate(9600);
    port->setFlowControl(QSerialPort::NoFlowControl);
    if (!port->open(QIODevice::ReadWrite))
        return nullptr;
    return port;
}

// Plays the sender: nothing before DC1, one line at a time, no new line after DC3 until DC1.
class FlowSender final {
public:
    FlowSender(QSerialPort *port, QByteArray stream, bool holdAfterHeader)
        : m_port(port), m_stream(std::move(stream)), m_holdAfterHeader(holdAfterHeader)
    {
        QObject::connect(port, &QSerialPort::readyRead, port, [this] {
            for (const char byte : m_port->readAll()) {
                if (byte == Dc1)
                    m_go = true;
                if (byte == Dc3) {
                    m_go = false;
                    ++m_dc3Seen;
                }
            }
            pump();
        });
        QObject::connect(port, &QSerialPort::bytesWritten, port, [this] { pump(); });
    }

    int dc3Seen() const { return m_dc3Seen; }

private:
    void pump()
    {
        if (!m_go || m_port->bytesToWrite() > 0 || m_sent >= m_stream.size())
            return;
        const qsizetype end = m_stream.indexOf('\n', m_sent);
        const qsizetype next = end < 0 ? m_stream.size() : end + 1;
        const QByteArray line = m_stream.mid(m_sent, next - m_sent);
        m_port->write(line);
        // Each OSP program starts with a wait for DC1, and flow mode 2 waits again after the name.
        if (line == "%\r\n" || (line.startsWith('$') && m_holdAfterHeader))
            m_go = false;
        m_sent = next;
    }

    QSerialPort *m_port;
    QByteArray m_stream;
    qsizetype m_sent = 0;
    int m_dc3Seen = 0;
    bool m_go = false;
    bool m_holdAfterHeader;
};

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
    void readsAnOspProgramPacedByDc1AndDc3_data()
    {
        QTest::addColumn<bool>("dc1AfterHeader");
        QTest::newRow("DC1 once") << false;
        QTest::newRow("DC1 again after the name") << true;
    }

    void readsAnOspProgramPacedByDc1AndDc3()
    {
        QFETCH(bool, dc1AfterHeader);
        ControllerSimulator simulator(ControllerSimulator::Family::Osp);
        QVERIFY2(simulator.openPseudoTerminal(), qPrintable(simulator.errorString()));
        simulator.setDc3PauseMs(30);
        simulator.setDc1AfterHeader(dc1AfterHeader);
        const auto port = openFarEnd(simulator.slavePath());
        QVERIFY(port);
        const QByteArray body = numberedLines(40); // well over 252 bytes
        const QByteArray stream = "$O1000.MIN%\r\n" + body + "%\r\n";
        FlowSender sender(port.get(), stream, dc1AfterHeader);
        QSignalSpy programs(&simulator, &ControllerSimulator::programReceived);

        simulator.startReading();

        QVERIFY(programs.wait(10000));
        const ReceivedProgram program = simulator.programs().value(0);
        QCOMPARE(program.name, QByteArray("O1000.MIN"));
        QCOMPARE(program.body, body);
        QVERIFY2(program.framingOk(), qPrintable(program.framingProblem));
        QCOMPARE(simulator.received(), stream);
        QVERIFY(sender.dc3Seen() >= 1);
    }

    // The next program is asked for again with DC1, as the operator presses READ for it.
    void readsProgramsOneAfterAnother()
    {
        ControllerSimulator simulator(ControllerSimulator::Family::Osp);
        QVERIFY2(simulator.openPseudoTerminal(), qPrintable(simulator.errorString()));
        simulator.setDc1RepeatMs(100);
        const auto port = openFarEnd(simulator.slavePath());
        QVERIFY(port);
        const QByteArray stream = "$A.MIN%\r\nG0\n%\r\n$B.MIN%\r\nG1\n%\r\n";
        FlowSender sender(port.get(), stream, false);

        simulator.startReading();

        QTRY_COMPARE_WITH_TIMEOUT(simulator.programs().size(), 2, 10000);
        QCOMPARE(simulator.programs().at(0).name, QByteArray("A.MIN"));
        QCOMPARE(simulator.programs().at(1).name, QByteArray("B.MIN"));
        QCOMPARE(simulator.programs().at(1).body, QByteArray("G1\n"));
        QCOMPARE(simulator.received(), stream);
    }

    // FANUC on a master handed over by the caller; a 7-bit line loses bit 7 of what it carries.
    void readsAFanucProgram_data()
    {
        QTest::addColumn<bool>("mask7");
        QTest::addColumn<QByteArray>("expectedBody");
        QTest::newRow("8 bits") << false << QByteArray("O0001 (\xB1\xB2)\nM30\n");
        QTest::newRow("7-bit line") << true << QByteArray("O0001 (12)\nM30\n");
    }

    void readsAFanucProgram()
    {
#if defined(Q_OS_UNIX)
        QFETCH(bool, mask7);
        QFETCH(QByteArray, expectedBody);
        int master = -1;
        int slave = -1;
        char name[256] = {};
        termios raw{};
        ::cfmakeraw(&raw);
        QVERIFY(::openpty(&master, &slave, name, &raw, nullptr) == 0);
        ControllerSimulator simulator(ControllerSimulator::Family::Fanuc);
        QVERIFY(simulator.attachMaster(master));
        simulator.setMask7(mask7);
        const auto port = openFarEnd(QString::fromLocal8Bit(name));
        ::close(slave);
        QVERIFY(port);
        QSignalSpy programs(&simulator, &ControllerSimulator::programReceived);

        port->write("%\r\nO0001 (\xB1\xB2)\nM30\n%\r\n");

        QVERIFY(programs.wait(5000));
        const ReceivedProgram program = simulator.programs().value(0);
        QCOMPARE(program.body, expectedBody);
        QVERIFY(program.name.isEmpty());
        QVERIFY2(program.framingOk(), qPrintable(program.framingProblem));
        QCOMPARE(simulator.received(), "%\r\n" + expectedBody + "%\r\n");
#else
        QSKIP("no pseudo-terminals here");
#endif
    }

    void checksTheFraming_data()
    {
        QTest::addColumn<bool>("osp");
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<bool>("framingOk");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("a % line of the file stays in the body")
            << false << QByteArray("%\r\n%\nO1\n%\n%\r\n") << true << QByteArray("%\nO1\n%\n");
        QTest::newRow("empty program") << true << QByteArray("$A%\r\n%\r\n") << true << QByteArray();
        QTest::newRow("header without CR")
            << true << QByteArray("$A%\nG0\n%\r\n") << false << QByteArray("G0\n");
        QTest::newRow("no name") << true << QByteArray("$%\r\nG0\n%\r\n") << false << QByteArray("G0\n");
        QTest::newRow("stray bytes before")
            << true << QByteArray("\0\0$A%\r\nG0\n%\r\n", 13) << false << QByteArray("G0\n");
        QTest::newRow("last line without LF")
            << true << QByteArray("$A%\r\nG0%\r\n") << false << QByteArray("G0");
        QTest::newRow("CR LF lines") << false << QByteArray("%\r\nG0\r\n%\r\n") << false
                                     << QByteArray("G0\r\n");
        QTest::newRow("FANUC header with LF alone")
            << false << QByteArray("%\nG0\n%\r\n") << false << QByteArray("G0\n");
    }

    void checksTheFraming()
    {
        QFETCH(bool, osp);
        QFETCH(QByteArray, stream);
        QFETCH(bool, framingOk);
        QFETCH(QByteArray, body);
        ProgramReader reader(osp ? ControllerFamily::Osp : ControllerFamily::Fanuc);
        int completed = 0;
        for (const char byte : stream)
            completed += reader.take(byte) == ProgramReader::Event::ProgramRead;
        QCOMPARE(completed, 1);
        QCOMPARE(reader.lastProgram().body, body);
        QCOMPARE(reader.lastProgram().framingOk(), framingOk);
        QCOMPARE(reader.lastProgram().raw, stream);
    }

    void punchesTheFamilysFraming_data()
    {
        using LineEnd = ControllerSimulator::LineEnd;
        QTest::addColumn<bool>("osp");
        QTest::addColumn<LineEnd>("lineEnd");
        QTest::addColumn<int>("leader");
        QTest::addColumn<bool>("dc2Dc4");
        QTest::addColumn<QList<QByteArray>>("namesAndBodies");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("OSP, CR LF, leader, DC2/DC4")
            << true << LineEnd::CrLf << 4 << true << QList<QByteArray>{"O1000.MIN", "G00 X1\nM30\n"}
            << QByteArrayLiteral("\x12\0\0\0\0$O1000.MIN%\r\nG00 X1\r\nM30\r\n%\x14");
        QTest::newRow("OSP, LF, two programs")
            << true << LineEnd::Lf << 0 << false << QList<QByteArray>{"A.MIN", "N1\r\nN2\r\n", "B.MIN", "N3"}
            << QByteArrayLiteral("$A.MIN%\nN1\nN2\n%$B.MIN%\nN3\n%");
        QTest::newRow("FANUC, CR CR LF, leader, DC2/DC4")
            << false << LineEnd::CrCrLf << 3 << true << QList<QByteArray>{"", "O0001\nG01\n"}
            << QByteArrayLiteral("\x12\0\0\0%\r\r\nO0001\r\r\nG01\r\r\n%\x14");
    }

    void punchesTheFamilysFraming()
    {
        QFETCH(bool, osp);
        QFETCH(ControllerSimulator::LineEnd, lineEnd);
        QFETCH(int, leader);
        QFETCH(bool, dc2Dc4);
        QFETCH(QList<QByteArray>, namesAndBodies);
        QFETCH(QByteArray, expected);
        ControllerSimulator simulator(osp ? ControllerSimulator::Family::Osp
                                          : ControllerSimulator::Family::Fanuc);
        QVERIFY2(simulator.openPseudoTerminal(), qPrintable(simulator.errorString()));
        simulator.setLineEnd(lineEnd);
        simulator.setLeader(leader);
        simulator.setDc2Dc4(dc2Dc4);
        simulator.setProgramPauseMs(50);
        const auto port = openFarEnd(simulator.slavePath());
        QVERIFY(port);
        QSignalSpy punched(&simulator, &ControllerSimulator::programPunched);
        QSignalSpy finished(&simulator, &ControllerSimulator::punchFinished);

        for (qsizetype i = 0; i + 1 < namesAndBodies.size(); i += 2)
            simulator.punch(namesAndBodies.at(i), namesAndBodies.at(i + 1));

        QVERIFY(finished.wait(5000));
        QByteArray arrived;
        QTRY_COMPARE((arrived += port->readAll()), expected);
        QCOMPARE(punched.size(), namesAndBodies.size() / 2);
        QCOMPARE(punched.last().at(0).toByteArray(), namesAndBodies.at(namesAndBodies.size() - 2));
        QCOMPARE(finished.size(), 1);
    }

    // 9600 baud at 10 bits a character carries 960 characters a second: 2000 take over two seconds.
    void punchesAtTheLineSpeed()
    {
        ControllerSimulator simulator;
        QVERIFY2(simulator.openPseudoTerminal(), qPrintable(simulator.errorString()));
        simulator.setLineSpeed(9600, 10);
        const auto port = openFarEnd(simulator.slavePath());
        QVERIFY(port);
        const QByteArray tape(2000, 'N');
        QElapsedTimer clock;
        clock.start();

        simulator.sendRaw(tape);

        QByteArray arrived;
        QTRY_COMPARE_WITH_TIMEOUT((arrived += port->readAll()).size(), tape.size(), 20000);
        QVERIFY2(clock.elapsed() >= 1800, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(arrived, tape);
    }

    void noiseIsRepeatableFromItsSeed()
    {
        const QByteArray clean = numberedLines(50);
        NoiseInjector first(0.05, 42);
        NoiseInjector second(0.05, 42);
        const QByteArray noisy = first.apply(clean);
        QCOMPARE(second.apply(clean), noisy);
        QVERIFY(noisy != clean);
        QCOMPARE(noisy.size() - clean.size() <= first.hits(), true);
        QVERIFY(first.hits() > 0);
        NoiseInjector quiet(0.0, 42);
        QCOMPARE(quiet.apply(clean), clean);
    }
};

QTEST_GUILESS_MAIN(tst_ControllerSimulator)
#include "tst_ControllerSimulator.moc"
