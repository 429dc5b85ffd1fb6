// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "BenchEvents.h"
#include "BenchJournal.h"
#include "browser/FileListView.h"
#include "core/AppState.h"
#include "platform/serial/SerialPort.h"
#include "shell/LogPane.h"
#include "support/ScriptedMessageBoxes.h"
#include "transfer/ui/TransferCommands.h"
#include "transfer/ui/frmCancelSend.h"

#include <QDir>
#include <QEventLoop>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

#include <functional>

// Talvern's window for a transfer benchmark: the transfer commands over the given port, with the line
// placed as given, beside a file list of the working folder, the echo pane and the log, shown.
struct BenchWindow {
    BenchWindow(SerialPort &port, LinePlacement placement, bool echo)
        : commands(state, port, messages, log, &echoPane, files, &window, placement)
    {
        state.Machine.Controller = MachineSettings::ControllerFamily::Osp;
        state.Machine.Flow = MachineSettings::FlowMode::DcPacing;
        state.Machine.Echo = echo ? QStringLiteral("ON") : QStringLiteral("OFF");
        state.CurrentFolder = QDir::currentPath(); // the benches enter their folder first
        port.setCommPort(1);
        auto *layout = new QVBoxLayout(&window);
        layout->addWidget(&files);
        layout->addWidget(&echoPane);
        layout->addWidget(&log);
        window.resize(1000, 700);
        window.show();
        if (journal.get())
            commands.setJournal(journal.get());
    }

    // Listens on folder, with its listening settings file written with the defaults in settingsFolder;
    // ready counts the answers the log says are ready from then on.
    void listen(const QString &folder, const QString &settingsFolder, int &ready)
    {
        state.CurrentFolder = folder;
        state.SettingsFolder = settingsFolder;
        countLines(log, QStringLiteral("を送ります。"), ready);
        commands.mnuTransListen_Click();
        runEventsFor(300);
    }

    // Lists the working folder and marks the file of that name, as the operator does before sending.
    void select(const QString &diskName)
    {
        QEventLoop listing;
        QObject::connect(&files, &FileListView::listed, &listing, &QEventLoop::quit);
        files.RefreshFileList();
        listing.exec();
        for (int i = 0; i < files.rowCount(); ++i) {
            if (FileListView::diskName(files.row(i)) == diskName) {
                files.setCurrentIndex(files.row(i));
                files.selectionModel()->select(files.row(i),
                                               QItemSelectionModel::Select | QItemSelectionModel::Rows);
            }
        }
    }

    // Runs the window's event loop until the transfer has ended; `look` is asked now and then
    // meanwhile (true: it has done all it wanted), and the abort button is pressed once it has
    // and `abortThen` holds.
    bool waitForEnd(int timeoutMs, const std::function<bool()> &look = {}, bool abortThen = false)
    {
        QEventLoop loop;
        QTimer poll, timeout;
        bool pressed = false;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (!commands.running())
                return loop.quit();
            if (look && look() && abortThen && !pressed) {
                pressed = true;
                commands.dialog()->Command1->click();
            }
        });
        QObject::connect(&timeout, &QTimer::timeout, &loop, [&] { loop.exit(1); });
        poll.start(20);
        timeout.start(timeoutMs);
        return loop.exec() == 0;
    }

    QString logText() const
    {
        return log.toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts).join(" / ");
    }

    AppState state;
    ScriptedMessageBoxes messages;
    QWidget window;
    LogPane log;
    QTextEdit echoPane;
    FileListView files{state};
    BenchJournal journal; // outlives the commands
    TransferCommands commands;
};
