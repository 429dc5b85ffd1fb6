// SPDX-License-Identifier: GPL-2.0-or-later
// A machine-tool controller on a pseudo-terminal or serial device, for trying the transfers by hand.
#include "ControllerSimulator.h"
#include "DeviceLink.h"
#include "OperatorScript.h"
#include "SimulatorLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>
#include <memory>

#if defined(Q_OS_UNIX)
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

void say(const QString &line, FILE *stream = stdout)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stream);
    std::fflush(stream);
}

int usageError(const QString &message)
{
    say(QStringLiteral("talvern-controller-sim: %1").arg(message), stderr);
    return 2;
}

bool stdinIsTerminal()
{
#if defined(Q_OS_UNIX)
    return ::isatty(STDIN_FILENO) == 1;
#else
    return false;
#endif
}

// For scripts that measure the line: the monotonic clock is the same in every process.
QString lineSummary(const LineRun &run)
{
    return QStringLiteral("line: %1 bytes, first at %2 ns, last at %3 ns")
        .arg(run.bytes)
        .arg(run.firstNs)
        .arg(run.lastNs);
}

struct Item {
    bool request;
    QString value; // a file, or a request's text
};

// The files to punch and the requests in the order given: the parser keeps the order of one
// option's values, not the order across options and the positional files.
QList<Item> sequenceOf(const QStringList &arguments, const QList<QCommandLineOption> &options)
{
    QStringList valued;
    for (const QCommandLineOption &option : options) {
        if (!option.valueName().isEmpty())
            valued += option.names();
    }
    QList<Item> items;
    bool optionsEnded = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (optionsEnded || !argument.startsWith(QLatin1String("--"))) {
            items.append({false, argument});
            continue;
        }
        optionsEnded = argument.size() == 2;
        const qsizetype equals = argument.indexOf(QLatin1Char('='));
        const QString name = argument.mid(2, equals < 0 ? -1 : equals - 2);
        if (!valued.contains(name))
            continue;
        const QString value = equals < 0 ? arguments.value(++i) : argument.mid(equals + 1);
        if (name == QLatin1String("punch") || name == QLatin1String("request"))
            items.append({name == QLatin1String("request"), value});
    }
    return items;
}

QString plural(qsizetype count, const QString &noun)
{
    return QStringLiteral("%1 %2%3").arg(count).arg(noun, count == 1 ? "" : "s");
}

#if defined(Q_OS_UNIX)
int quitPipe[2] = {-1, -1};

void onQuitSignal(int)
{
    const char byte = 0;
    [[maybe_unused]] const ssize_t written = ::write(quitPipe[1], &byte, 1);
}

// Ctrl+C, kill and a closed terminal end the event loop, so that the link goes with the simulator.
void quitOnSignals(QCoreApplication *app)
{
    if (::pipe2(quitPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto *notifier = new QSocketNotifier(quitPipe[0], QSocketNotifier::Read, app);
    QObject::connect(notifier, &QSocketNotifier::activated, app, &QCoreApplication::quit);
    struct sigaction action {};
    action.sa_handler = onQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction before {};
        // One ignored from the start stays so, as nohup and a background job of a script want.
        if (::sigaction(number, nullptr, &before) == 0 && before.sa_handler != SIG_IGN)
            ::sigaction(number, &action, nullptr);
    }
}
#endif

// Quits once the far end has read everything: closing a pty master throws away what it holds.
void quitWhenRead(ControllerSimulator *simulator)
{
    auto *poll = new QTimer(simulator);
    QObject::connect(poll, &QTimer::timeout, simulator, [simulator] {
        if (simulator->unreadByFarEnd() <= 0)
            QCoreApplication::quit();
    });
    poll->start(200);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("talvern-controller-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Plays an OSP or FANUC controller at the far end of Talvern's serial line: --read stores "
        "what Talvern sends, pacing it with DC1/DC3 and counting every character that still comes "
        "after each DC3 has left; --punch sends files as programs; --request plays an operator who "
        "asks Talvern for a program and reads the answer."));
    parser.addHelpOption();
    const QCommandLineOption family({QStringLiteral("family")}, QStringLiteral("osp or fanuc (osp)."),
                                    QStringLiteral("family"), QStringLiteral("osp"));
    const QCommandLineOption device({QStringLiteral("device")},
                                    QStringLiteral("Serial device to use; without it a pty is opened."),
                                    QStringLiteral("path"));
    const QCommandLineOption frame({QStringLiteral("frame")},
                                   QStringLiteral("Data bits, parity, stop bits of a device (8N1)."),
                                   QStringLiteral("frame"), QStringLiteral("8N1"));
    const QCommandLineOption read({QStringLiteral("read")},
                                  QStringLiteral("Take what Talvern sends and store every byte in file."),
                                  QStringLiteral("file"));
    const QCommandLineOption count({QStringLiteral("count")},
                                   QStringLiteral("With --read: end after this many programs."),
                                   QStringLiteral("n"));
    const QCommandLineOption punch({QStringLiteral("punch")},
                                   QStringLiteral("Punch this file (more files may follow as arguments)."),
                                   QStringLiteral("file"));
    const QCommandLineOption request(
        {QStringLiteral("request")},
        QStringLiteral("Punch a request program whose comment is text, such as \"SEND O1000.MIN\" or "
                       "LIST, then read the answer; in order with the files of --punch."),
        QStringLiteral("text"));
    const QCommandLineOption readAfter(
        {QStringLiteral("read-after")},
        QStringLiteral("With --request: start reading the answer after ms (1000)."), QStringLiteral("ms"),
        QStringLiteral("1000"));
    const QCommandLineOption answers({QStringLiteral("answers")},
                                     QStringLiteral("With --request: store answers in this folder (.)."),
                                     QStringLiteral("folder"), QStringLiteral("."));
    const QCommandLineOption delay(
        {QStringLiteral("delay")},
        QStringLiteral("With --punch or --request: go on after ms and end after the last, instead of on "
                       "Enter."),
        QStringLiteral("ms"));
    const QCommandLineOption link(
        {QStringLiteral("link")},
        QStringLiteral("Link at path to the line while running, \"\" none ($XDG_RUNTIME_DIR/talvern-sim, "
                       "else /tmp/talvern-sim-UID; none with --device)."),
        QStringLiteral("path"));
    const QCommandLineOption stay(
        {QStringLiteral("stay")},
        QStringLiteral("With --delay: stay on the line after punching until ended, "
                       "for a reader that is slow to take what it has been given."));
    const QCommandLineOption baud(
        {QStringLiteral("baud")},
        QStringLiteral("Line speed to emulate, both ways; 0 is unpaced (0, or 9600 on a device)."),
        QStringLiteral("rate"));
    const QCommandLineOption bits({QStringLiteral("bits")},
                                  QStringLiteral("Bits per character on the line (from --frame: 8N1 is 10)."),
                                  QStringLiteral("n"));
    const QCommandLineOption dc3Every({QStringLiteral("dc3-every")},
                                      QStringLiteral("Send DC3 after this many bytes, 0 never (252)."),
                                      QStringLiteral("n"), QStringLiteral("252"));
    const QCommandLineOption dc3Pause({QStringLiteral("dc3-pause-ms")},
                                      QStringLiteral("Pause between DC3 and the next DC1 (200)."),
                                      QStringLiteral("ms"), QStringLiteral("200"));
    const QCommandLineOption alarmAfter(
        {QStringLiteral("alarm-after")},
        QStringLiteral("Report an alarm when more than n characters come after one DC3, as a FANUC "
                       "control does past 10; 0 never (0)."),
        QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption dc1Repeat(
        {QStringLiteral("dc1-repeat-ms")},
        QStringLiteral("Repeat DC1 while no program comes in, 0 never (1000)."), QStringLiteral("ms"),
        QStringLiteral("1000"));
    const QCommandLineOption dc1AfterHeader({QStringLiteral("wait-dc1-after-header")},
                                            QStringLiteral("OSP: send another DC1 after the program name."));
    const QCommandLineOption leader({QStringLiteral("leader")},
                                    QStringLiteral("Punch n NUL feed characters before each program."),
                                    QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption dc2Dc4({QStringLiteral("dc2-dc4")},
                                    QStringLiteral("Send DC2 before and DC4 after each program."));
    const QCommandLineOption lineEnd({QStringLiteral("line-end")},
                                     QStringLiteral("Punched line ends: crlf, lf or crcrlf (crlf)."),
                                     QStringLiteral("style"), QStringLiteral("crlf"));
    const QCommandLineOption programPause({QStringLiteral("program-pause-ms")},
                                          QStringLiteral("Pause between punched programs (0)."),
                                          QStringLiteral("ms"), QStringLiteral("0"));
    const QCommandLineOption mask7({QStringLiteral("mask7")},
                                   QStringLiteral("Emulate a 7-bit line: bit 7 is dropped both ways."));
    const QCommandLineOption noise({QStringLiteral("noise")},
                                   QStringLiteral("Corrupt this fraction of punched bytes (0 to 1)."),
                                   QStringLiteral("rate"), QStringLiteral("0"));
    const QCommandLineOption seed({QStringLiteral("seed")}, QStringLiteral("Seed of the noise (1)."),
                                  QStringLiteral("n"), QStringLiteral("1"));
    const QList<QCommandLineOption> options = {
        family, device, frame,   read,         count,    punch,    request,    readAfter, answers,
        delay,  link,   baud,    bits,         dc3Every, dc3Pause, alarmAfter, dc1Repeat, dc1AfterHeader,
        leader, dc2Dc4, lineEnd, programPause, mask7,    noise,    seed,       stay};
    parser.addOptions(options);
    parser.addPositionalArgument(QStringLiteral("files"), QStringLiteral("More files to punch."),
                                 QStringLiteral("[file...]"));
    parser.process(app);

    const QString familyName = parser.value(family).toLower();
    if (familyName != QLatin1String("osp") && familyName != QLatin1String("fanuc"))
        return usageError(QStringLiteral("--family is osp or fanuc"));
    const bool isOsp = familyName == QLatin1String("osp");
    const QList<Item> sequence = sequenceOf(app.arguments(), options);
    if (parser.isSet(read) == !sequence.isEmpty())
        return usageError(QStringLiteral("give either --read FILE or --punch FILE... and --request TEXT..."));
    const int frameBits = SimulatorLine::frameBits(parser.value(frame));
    if (frameBits < 0)
        return usageError(QStringLiteral("--frame is like 8N1 or 7E2"));
    static const QStringList lineEnds = {QStringLiteral("crlf"), QStringLiteral("lf"),
                                         QStringLiteral("crcrlf")};
    const qsizetype lineEndIndex = lineEnds.indexOf(parser.value(lineEnd).toLower());
    if (lineEndIndex < 0)
        return usageError(QStringLiteral("--line-end is crlf, lf or crcrlf"));

    for (const QCommandLineOption *option : {&count, &delay, &baud, &bits, &dc3Every, &dc3Pause, &alarmAfter,
                                             &dc1Repeat, &leader, &programPause, &seed, &readAfter}) {
        bool ok = false;
        if (parser.isSet(*option) && (parser.value(*option).toInt(&ok) < 0 || !ok))
            return usageError(QStringLiteral("--%1 takes a whole number").arg(option->names().constFirst()));
    }
    bool noiseOk = false;
    const double noiseRate = parser.value(noise).toDouble(&noiseOk);
    if (!noiseOk || noiseRate < 0.0 || noiseRate > 1.0)
        return usageError(QStringLiteral("--noise takes a rate from 0 to 1"));

    ControllerSimulator simulator(isOsp ? ControllerFamily::Osp : ControllerFamily::Fanuc);
    const int baudRate = parser.isSet(baud) ? parser.value(baud).toInt() : parser.isSet(device) ? 9600 : 0;
    simulator.setLineSpeed(baudRate, parser.isSet(bits) ? parser.value(bits).toInt() : frameBits);
    simulator.setMask7(parser.isSet(mask7));
    simulator.setNoise(noiseRate, parser.value(seed).toUInt());
    simulator.setDc3Every(parser.value(dc3Every).toInt());
    simulator.setDc3PauseMs(parser.value(dc3Pause).toInt());
    simulator.setAlarmAfter(parser.value(alarmAfter).toInt());
    simulator.setDc1RepeatMs(parser.value(dc1Repeat).toInt());
    simulator.setDc1AfterHeader(parser.isSet(dc1AfterHeader));
    simulator.setLeader(parser.value(leader).toInt());
    simulator.setDc2Dc4(parser.isSet(dc2Dc4));
    simulator.setLineEnd(ControllerSimulator::LineEnd(lineEndIndex));
    simulator.setProgramPauseMs(parser.value(programPause).toInt());

    // Files first: a typo should not leave a port open.
    OperatorScript script(simulator);
    qsizetype requests = 0;
    for (const Item &item : sequence) {
        if (item.request) {
            static const QRegularExpression plain(QStringLiteral("^[ -$&'*-~]+$")); // ASCII but ( ) %
            if (!plain.match(item.value).hasMatch())
                return usageError(QStringLiteral("--request takes plain ASCII text without (, ) or %"));
            script.addRequest(item.value.toLatin1());
            ++requests;
            continue;
        }
        QFile file(item.value);
        if (!file.open(QIODevice::ReadOnly))
            return usageError(QStringLiteral("cannot read %1: %2").arg(item.value, file.errorString()));
        const QByteArray body = file.readAll();
        if (body.contains('%'))
            say(QStringLiteral("warning: %1 holds a %, where the receiver will end the program")
                    .arg(item.value));
        script.addPunch(QFileInfo(item.value).fileName().toUpper().toLocal8Bit(), body);
    }
    const qsizetype punches = sequence.size() - requests;
    if (requests > 0 && !QFileInfo(parser.value(answers)).isDir())
        return usageError(QStringLiteral("--answers: %1 is not a folder").arg(parser.value(answers)));
    std::unique_ptr<QFile> store;
    if (parser.isSet(read)) {
        store = std::make_unique<QFile>(parser.value(read));
        if (!store->open(QIODevice::WriteOnly | QIODevice::Truncate))
            return usageError(
                QStringLiteral("cannot write %1: %2").arg(store->fileName(), store->errorString()));
    }

    const bool opened = parser.isSet(device) ? simulator.openDevice(parser.value(device), parser.value(frame))
                                             : simulator.openPseudoTerminal();
    if (!opened) {
        say(QStringLiteral("talvern-controller-sim: %1").arg(simulator.errorString()), stderr);
        return 1;
    }
    const QString lineDevice = parser.isSet(device) ? parser.value(device) : simulator.slavePath();
    const QString linkPath = parser.isSet(link)     ? parser.value(link)
                             : parser.isSet(device) ? QString()
                                                    : DeviceLink::defaultPath();
    DeviceLink deviceLink;
    if (!linkPath.isEmpty() && !deviceLink.make(linkPath, lineDevice)) {
        say(QStringLiteral("talvern-controller-sim: %1").arg(deviceLink.errorString()), stderr);
        return 1;
    }
#if defined(Q_OS_UNIX)
    quitOnSignals(&app);
#endif
    say(QStringLiteral("Simulator ready on %1").arg(lineDevice) +
        (linkPath.isEmpty() ? QString() : QStringLiteral(" (link: %1)").arg(deviceLink.path())));
    QObject::connect(&simulator, &ControllerSimulator::lineFailed, &app, [&](const QString &message) {
        say(QStringLiteral("line: %1").arg(message), stderr);
        if (!simulator.isOpen())
            QCoreApplication::exit(1);
    });

    if (store) {
        const int wanted = parser.value(count).toInt();
        QObject::connect(&simulator, &ControllerSimulator::dataArrived, &app, [&](const QByteArray &bytes) {
            store->write(bytes);
            store->flush();
        });
        QObject::connect(&simulator, &ControllerSimulator::headerReceived, &app, [&](const QByteArray &name) {
            say(isOsp ? QStringLiteral("receiving %1...").arg(QString::fromLocal8Bit(name))
                      : QStringLiteral("receiving a program..."));
        });
        QObject::connect(
            &simulator, &ControllerSimulator::programReceived, &app, [&](const ReceivedProgram &program) {
                const QString framing = program.framingOk()
                                            ? QStringLiteral("framing ok")
                                            : QStringLiteral("framing wrong: ") + program.framingProblem;
                const QString name =
                    isOsp ? QString::fromLocal8Bit(program.name) : QStringLiteral("a program");
                const double rate = simulator.receivedRate();
                say(QStringLiteral("received %1, %2 bytes, %3")
                        .arg(name)
                        .arg(program.body.size())
                        .arg(framing) +
                    (rate > 0.0 ? QStringLiteral(" (%1 chars/s so far)").arg(qRound(rate)) : QString()));
                say(lineSummary(simulator.arrived()) +
                    QStringLiteral(", held %1 times for %2 s; %3 characters still came while it held "
                                   "Talvern off, at most %4 after one DC3")
                        .arg(simulator.holds())
                        .arg(simulator.heldSeconds(), 0, 'f', 4)
                        .arg(simulator.receivedWhileHeld())
                        .arg(simulator.maxAfterDc3()));
                if (wanted > 0 && simulator.programs().size() >= wanted)
                    QCoreApplication::quit();
            });
        QObject::connect(&simulator, &ControllerSimulator::alarmRaised, &app, [&](qint64 afterDc3) {
            say(QStringLiteral("alarm: %1 characters came after DC3, more than the %2 a control takes")
                    .arg(afterDc3)
                    .arg(parser.value(alarmAfter)),
                stderr);
        });
        simulator.startReading();
        say(QStringLiteral("Reading %1 programs into %2 (DC3 every %3 bytes); Ctrl+C ends")
                .arg(isOsp ? QStringLiteral("OSP") : QStringLiteral("FANUC"), store->fileName())
                .arg(parser.value(dc3Every)));
        return app.exec();
    }

    const bool onEnter = !parser.isSet(delay) && stdinIsTerminal();
    script.setReadAfterMs(parser.value(readAfter).toInt());
    script.setAnswerFolder(QDir(parser.value(answers)).absolutePath());
    script.setStepByStep(onEnter);
    script.setStepPauseMs(parser.value(delay).toInt());
    QObject::connect(&simulator, &ControllerSimulator::programPunched, &app, [&](const QByteArray &name) {
        say(QStringLiteral("punched %1").arg(QString::fromLocal8Bit(name)));
    });
    QObject::connect(&script, &OperatorScript::answered, &app,
                     [&](const QByteArray &name, const QByteArray &bytes) {
                         say(QStringLiteral("answer %1, %2 bytes: %3")
                                 .arg(QString::fromLatin1(name))
                                 .arg(bytes.size())
                                 .arg(QString::fromLatin1(OperatorScript::gist(bytes))));
                     });
    QObject::connect(&script, &OperatorScript::problem, &app, [&](const QString &message) {
        say(QStringLiteral("problem: %1").arg(message), stderr);
    });
    QObject::connect(&script, &OperatorScript::waiting, &app,
                     [&] { say(QStringLiteral("Enter goes on with the next; Ctrl+C ends")); });
    QObject::connect(&script, &OperatorScript::finished, &app, [&] {
        if (requests == 0) {
            say(QStringLiteral("punched %1").arg(plural(punches, QStringLiteral("program"))));
            say(lineSummary(simulator.punched()));
        } else {
            say(QStringLiteral("punched %1 and %2; %3")
                    .arg(plural(punches, QStringLiteral("program")),
                         plural(requests, QStringLiteral("request")),
                         plural(script.answers().size(), QStringLiteral("answer"))));
        }
        if (onEnter)
            say(QStringLiteral("Enter punches again; Ctrl+C ends"));
        else if (!parser.isSet(stay))
            quitWhenRead(&simulator);
    });
    if (noiseRate > 0.0)
        say(QStringLiteral("noise on: rate %1, seed %2").arg(parser.value(noise), parser.value(seed)));
    if (requests > 0)
        say(QStringLiteral("Answers are stored in %1").arg(QDir(parser.value(answers)).absolutePath()));
#if defined(Q_OS_UNIX)
    if (onEnter) {
        auto *keyboard = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, &app);
        QObject::connect(keyboard, &QSocketNotifier::activated, &app, [&] {
            char line[256];
            if (::read(STDIN_FILENO, line, sizeof line) <= 0)
                QCoreApplication::quit(); // end of input
            else
                script.start();
        });
        say(QStringLiteral("Start receiving or listening in Talvern, then press Enter to punch"));
        return app.exec();
    }
#endif
    QTimer::singleShot(parser.value(delay).toInt(), &script, &OperatorScript::start);
    return app.exec();
}
