#pragma once

#include "browser/DataPane.h"
#include "browser/FileListView.h"
#include "shell/AppState.h"
#include "shell/LogPane.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/ScriptedSerialPort.h"
#include "support/TestDir.h"
#include "transfer/TransferCommands.h"

#include <QLabel>
#include <QTextEdit>
#include <QWidget>
#include <memory>

// The transfer commands over a scripted port, on a real file list of a temporary folder that is
// the working directory for the rig's lifetime.
class TransferRig {
public:
    // line: the port the transfers use; the scripted one unless the test brings a real one.
    explicit TransferRig(qint16 controller = 0, qint16 flow = 1, SerialPort *line = nullptr);
    ~TransferRig();

    // Lists the folder and selects the named rows (by their text).
    void select(const QStringList &texts);
    QStringList log() const;
    QByteArray fileContent(const QString &name) const;

    TestDir folder;
    AppState state;
    ScriptedSerialPort port;
    ScriptedMessageBoxes messages;
    QWidget window;
    LogPane logPane;
    QTextEdit text;
    QLabel image;
    DataPane data{&text, &image};
    FileListView files;
    std::unique_ptr<TransferCommands> owned;
    TransferCommands &commands;

private:
    QString m_workingDirectory;
};
