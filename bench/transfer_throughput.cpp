// Measures how fast programs move through a real serial port on a pseudo-terminal against the
// simulated controller, compared with the line rate the simulator emulates.
//   QT_QPA_PLATFORM=offscreen build/bin/bench_transfer_throughput [kilobytes] [baud]
#include "ControllerSimulator.h"
#include "browser/FileListView.h"
#include "core/AppState.h"
#include "core/FolderListing.h"
#include "platform/QtSerialPort.h"
#include "shell/LogPane.h"
#include "support/ScriptedMessageBoxes.h"
#include "transfer/TransferCommands.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>

#include <cstdio>

namespace {

QByteArray program(int kilobytes)
{
    QByteArray text = "O1000\r\n";
    for (int i = 1; text.size() < kilobytes * 1024; ++i)
        text += "N" + QByteArray::number(i) + " G01 X" + QByteArray::number(i % 97) + ".125 Y-12.5 F200\r\n";
    return text + "M30\r\n";
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int kilobytes = argc > 1 ? QByteArray(argv[1]).toInt() : 32;
    const int baud = argc > 2 ? QByteArray(argv[2]).toInt() : 9600;
    QTemporaryDir folder;
    QDir::setCurrent(folder.path());

    AppState state;
    state.Machine.Flow = 1;
    state.Machine.Echo = QStringLiteral("OFF");
    ControllerSimulator machine;
    machine.setLineSpeed(baud, 10);
    machine.setDc3PauseMs(50);
    if (!machine.openPseudoTerminal())
        return 1;
    qputenv("TALVERN_COM1", machine.slavePath().toLocal8Bit());
    QtSerialPort port;
    port.setCommPort(1);
    port.setSettings(QStringLiteral("%1,N,8,1").arg(baud));
    ScriptedMessageBoxes messages;
    QWidget window;
    LogPane log;
    QTextEdit echo;
    FileListView files;
    TransferCommands commands(state, port, messages, log, &echo, files, &window);

    const QByteArray content = program(kilobytes);
    QElapsedTimer clock;
    QTimer::singleShot(50, &machine, [&] {
        clock.start();
        machine.punch("BENCH.MIN", content);
    });
    commands.mnuTransInput_Click();
    const double receiveSeconds = clock.elapsed() / 1000.0;

    QFile file(QStringLiteral("BENCH.MIN"));
    file.open(QIODevice::ReadOnly);
    const bool intact = file.readAll() == content;
    files.fill(FolderListing::read(folder.path()));
    files.row(0)->setSelected(true);
    files.setCurrentItem(files.row(0), 0, QItemSelectionModel::NoUpdate);
    machine.startReading();
    clock.restart();
    commands.mnuTransOutput_Click();
    const double sendSeconds = clock.elapsed() / 1000.0 - 3.0; // less the pause after each file

    std::printf("line: %d baud, 10 bits a character = %.0f characters/s emulated\n", baud,
                machine.charactersPerSecond());
    std::printf("receive: %lld bytes in %.2f s = %.0f characters/s, stored %s\n", qlonglong(content.size()),
                receiveSeconds, content.size() / receiveSeconds, intact ? "intact" : "DIFFERENT");
    std::printf("send:    %lld bytes in %.2f s = %.0f characters/s (DC3 every 252, 50 ms pause)\n",
                qlonglong(content.size()), sendSeconds, content.size() / sendSeconds);
    return intact ? 0 : 1;
}
