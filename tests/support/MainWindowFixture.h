// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/AppState.h"
#include "platform/serial/QtSerialPort.h"
#include "shell/frmMain.h"
#include "support/RecordingLauncher.h"
#include "support/RecordingPrintSurface.h"
#include "support/ScriptedFileDialogs.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/ScriptedPrintDialogs.h"
#include "support/ScriptedSerialPort.h"
#include "transfer/ui/TransferCommands.h"
#include "transfer/ui/frmCancelSend.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

// A real main window on a settings file of its own, started as the program starts it.
class MainWindowFixture {
    QTemporaryDir m_config; // first: the port reads its devices from the settings file there

public:
    MainWindowFixture();
    ~MainWindowFixture();

    // Stores a value under Settings (or the group the key names) before the window is created.
    void preset(const QString &key, const QString &value);
    // Starts as the program does, with no settings file unless the test gave one, in the folder given
    // (remembered as the last run's), and waits until the window is active.
    frmMain &start(const QString &folder = {});
    // A settings file's path in the program's folder, after writing the content given, if any.
    QString settingsFile(const QString &name, const QByteArray &content = {}) const;
    // A fresh reader of what the window has written.
    std::unique_ptr<QSettings> written() const;

    AppState state;
    ScriptedMessageBoxes messages;
    RecordingLauncher launcher;
    ScriptedFileDialogs fileDialogs;
    QtSerialPort port;
    ScriptedSerialPort scriptedPort; // the line's far end played by the test
    // The machine punches once the reception listens: bytes that reach a closed port are lost.
    void punchOnceListening(const QByteArray &bytes, const std::function<void()> &then = {})
    {
        QTimer::singleShot(0, form.get(), [this, bytes, then] {
            if (!QTest::qWaitFor([this] { return form->transfer()->dialog()->isVisible(); }))
                return;
            scriptedPort.feed(bytes);
            if (then)
                then();
        });
    }
    bool useScriptedPort = false;
    QString machine; // the settings file the window is started for (--machine), if any
    RecordingPrintSurface recordingPrinter;
    PrintSurface *printer = &recordingPrinter; // another before start() prints for real
    ScriptedPrintDialogs printDialogs;
    std::unique_ptr<frmMain> form;

private:
    QTemporaryDir m_settingsFolder;
    QString m_workingDirectory;
    std::unique_ptr<QSettings> m_store;
};
