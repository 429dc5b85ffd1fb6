// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/AppState.h"
#include "core/FolderListing.h"
#include "platform/files/NativeFile.h"
#include "platform/files/NativeName.h"
#include "support/FolderRows.h"
#include "support/ListedRows.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/ScriptedSerialPort.h"
#include "support/TestDir.h"
#include "support/VirtualClock.h"
#include "transfer/ui/TransferCommands.h"

#include <QDir>
#include <QTest>
#include <QTextEdit>

#include <memory>
#include <vector>

// The transfer commands over a scripted port on the test's thread and clock, or over the real line
// given on a thread of its own, as the program runs it; on a real file list of a temporary folder
// that is the current folder unless a test shows another.
struct TransferRig {
    // A line given with a clock runs on the test's thread on that clock, as the scripted port does.
    explicit TransferRig(qint16 controller = 0, qint16 flow = 1, SerialPort *line = nullptr,
                         VirtualClock *clock = nullptr)
        : lineClock(clock ? *clock : ownClock),
          commands(state, line ? *line : port, messages, logLines, &text, files, &window,
                   line && !clock ? LinePlacement{} : LinePlacement{&lineClock, false}),
          realLine(line && !clock)
    {
        state.Machine.Controller = MachineSettings::ControllerFamily(controller);
        state.Machine.Flow = MachineSettings::FlowMode(flow);
        state.Machine.Echo = QStringLiteral("OFF");
        show(folder.path());
        logLines.lines.clear();
    }
    // The folder the window shows: the commands work there and the list reads it.
    void show(const QString &path) { state.CurrentFolder = files.folder = path; }

    // Writes the files (names as NativeName gives them), lists the folder and marks the named rows.
    void list(const QList<std::pair<QString, QByteArray>> &contents, const QStringList &marked)
    {
        for (const auto &[name, content] : contents)
            folder.addRawFile(NativeName::toBytes(name), content);
        select(marked);
    }
    // Lists the folder and selects the named rows; the first of them becomes the current row.
    void select(const QStringList &names)
    {
        files.RefreshFileList();
        files.current = -1;
        for (int i = 0; i < files.rowCount(); ++i) {
            FileRow &row = files.list[i];
            row.selected = names.contains(row.text);
            if (row.selected && (files.current < 0 || !files.list[files.current].selected))
                files.current = i;
        }
        if (files.current < 0 && files.rowCount() > 0)
            files.current = 0;
    }
    // Runs the line until the transfer has ended: on the test's clock, or for a real line, up to a minute.
    bool finish()
    {
        const auto ended = [this] { return !commands.running(); };
        return realLine ? QTest::qWaitFor(ended, 60'000) : lineClock.runUntil(ended);
    }
    void send()
    {
        commands.mnuTransOutput_Click();
        QVERIFY(finish());
    }
    void receive()
    {
        commands.mnuTransInput_Click();
        QVERIFY(finish());
    }

    // Something the machine does that much later on the line's clock.
    void after(qint64 us, std::function<void()> then)
    {
        scripted.push_back(lineClock.alarm(&port, std::move(then)));
        scripted.back()->start(us);
    }

    QStringList marked() const
    {
        QStringList names;
        for (const FileRow &row : files.rows()) {
            if (row.selected)
                names << row.text;
        }
        return names;
    }
    QStringList log() const { return logLines.lines; }
    // Names as NativeName gives them: a Shift_JIS name on disk is reached by its bytes.
    QByteArray fileContent(const QString &name) const
    {
        QFile file;
        return NativeFile::open(file, NativeFile::join(folder.path(), name), QIODevice::ReadOnly).ok()
                   ? file.readAll()
                   : QByteArray();
    }
    QStringList fileNames() const
    {
        QStringList names = NativeFile::entries(folder.path());
        names.sort(Qt::CaseInsensitive);
        return names;
    }

    TestDir folder;
    VirtualClock ownClock;
    VirtualClock &lineClock; // unless the line is real
    std::vector<std::unique_ptr<LineClock::Alarm>> scripted;
    AppState state;
    ScriptedSerialPort port;
    ScriptedMessageBoxes messages;
    QWidget window;
    LinesLog logLines;
    QTextEdit text; // the echo pane
    FolderRows files;
    TransferCommands commands;
    const bool realLine;
};
