// SPDX-License-Identifier: GPL-2.0-or-later
// A hostile device server: Talvern's window starts a reception from rfc2217://127.0.0.1 where a
// server of this bench's own, in a process of its own, greets as ser2net does and then sends one thing
// for ever, reading nothing and answering nothing:
//   repeats  the same option request, which Talvern turns down (once; the time-out then ends it)
//   toggles  binary mode off and on again: each is a change, so each is answered, and never read
//   data     a machine's data, before the line's settings are answered
// Each runs in a process of its own so that its peak resident memory (VmHWM) is its own. Printed per
// flood: the peak before the reception and after it (the goal is under 100 MB), seconds until the
// reception ended, the megabytes the server got into the connection meanwhile, and the log's last line.
//
//   QT_QPA_PLATFORM=offscreen build/bin/bench_network_flood [repeats|toggles|data...]
#include "BenchMeasures.h"
#include "BenchWindow.h"
#include "QuietOffscreen.h"
#include "platform/serial/NetworkSerialPort.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>
#include <cstdio>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const QStringList Floods = {QStringLiteral("repeats"), QStringLiteral("toggles"), QStringLiteral("data")};

// What ser2net says first: it asks for the COM port option, binary mode and no go-ahead.
const QByteArray Greeting = QByteArrayLiteral("\xff\xfb\x03\xff\xfd\x03\xff\xfb\x00\xff\xfd\x00\xff\xfd\x2c");

QByteArray floodOf(const QString &flood)
{
    if (flood == QLatin1String("repeats"))
        return QByteArrayLiteral("\xff\xfd\x18").repeated(21'846); // terminal type, turned down
    if (flood == QLatin1String("toggles"))
        return QByteArrayLiteral("\xff\xfe\x00\xff\xfd\x00").repeated(10'923);
    QByteArray data;
    qint64 number = 1;
    appendProgramLines(data, number, 65'536, "\r\n");
    return data;
}

// The server: prints its port, takes one connection and floods it until it is cut; then prints how
// many bytes the connection took.
int serve(const QString &flood)
{
    std::signal(SIGPIPE, SIG_IGN);
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr *>(&address), length) != 0 ||
        ::listen(listener, 1) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
        std::perror("listen");
        return 1;
    }
    std::printf("%d\n", ntohs(address.sin_port));
    std::fflush(stdout);
    const int connection = ::accept(listener, nullptr, nullptr);
    if (connection < 0) {
        std::perror("accept");
        return 1;
    }
    const QByteArray bytes = floodOf(flood);
    qint64 sent = ::write(connection, Greeting.constData(), size_t(Greeting.size()));
    for (ssize_t written = 0; written >= 0;) {
        written = ::write(connection, bytes.constData(), size_t(bytes.size()));
        sent += qMax<ssize_t>(0, written);
    }
    std::printf("%lld\n", qlonglong(sent));
    return 0;
}

int receiveOne(const QString &flood)
{
    QProcess server;
    server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--serve"), flood});
    if (!server.waitForReadyRead(10'000)) {
        std::printf("%-8s the server did not start\n", qPrintable(flood));
        return 1;
    }
    const int serverPort = server.readLine().trimmed().toInt();
    qputenv("TALVERN_COM1", QStringLiteral("rfc2217://127.0.0.1:%1").arg(serverPort).toLocal8Bit());

    QTemporaryDir folder;
    QDir::setCurrent(folder.path());
    NetworkSerialPort port;
    port.setSettings(QStringLiteral("9600,E,7,2"));
    BenchWindow window(port, LinePlacement{}, true);
    const qint64 residentBefore = statusKb("VmHWM:");
    QElapsedTimer wall;
    wall.start();
    window.commands.mnuTransInput_Click();
    const bool ended = window.waitForEnd(60'000);
    const double seconds = wall.elapsed() / 1000.0;
    const qint64 residentPeak = statusKb("VmHWM:");
    if (!ended)
        window.commands.dialog()->Command1->click();
    server.waitForFinished(10'000);
    if (server.state() != QProcess::NotRunning)
        server.kill();
    const qint64 sent = server.readAll().trimmed().toLongLong();
    std::printf("%-8s %8.1f %8.1f %8.2f %9.1f  %s\n", qPrintable(flood), residentBefore / 1024.0,
                residentPeak / 1024.0, seconds, sent / 1048576.0,
                ended ? qPrintable(window.logText().split(QStringLiteral(" / ")).constLast())
                      : "NOT ENDED within 60 s");
    std::fflush(stdout);
    return ended && residentPeak < 100 * 1024 ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (arguments.value(0) == QLatin1String("--serve"))
        return serve(arguments.value(1));
    quietOffscreenRemarks();
    QApplication app(argc, argv);
    if (arguments.value(0) == QLatin1String("--one"))
        return receiveOne(arguments.value(1));

    if (arguments.isEmpty())
        arguments = Floods;
    for (const QString &flood : arguments) {
        if (!Floods.contains(flood)) {
            std::fprintf(stderr, "usage: bench_network_flood [repeats|toggles|data...]\n");
            return 2;
        }
    }
    std::printf("a server on 127.0.0.1 floods a reception, echo on; goal: peak under 100 MB\n");
    std::printf("%-8s %8s %8s %8s %9s  %s\n", "flood", "RSS0 MB", "peak MB", "ended s", "sent MB", "log");
    std::fflush(stdout);
    int failures = 0;
    for (const QString &flood : arguments) {
        QProcess one;
        one.setProcessChannelMode(QProcess::ForwardedChannels);
        one.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--one"), flood});
        if (!one.waitForFinished(-1) || one.exitCode() != 0)
            ++failures;
    }
    return failures == 0 ? 0 : 1;
}
