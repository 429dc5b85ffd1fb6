// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "machine/MachineSettingsLoader.h"
#include "machine/PropertiesApplier.h"
#include "platform/serial/PortInForce.h"

#include <QObject>

struct AppState;
class FileDialogs;
class Log;
class MessageBoxes;
class SerialPort;
class StatusLine;
class QWidget;

// The machine menu's commands: select a settings file, create one, change the one in force.
class MachineCommands final : public QObject {
    Q_OBJECT
public:
    MachineCommands(AppState &state, SerialPort &port, FileDialogs &dialogs, MessageBoxes &messages, Log &log,
                    StatusLine &status, QWidget *window);

    // Start-up's last step: the file given for this window (--machine) or else the remembered one, or no
    // machine in force.
    void LoadStartupSettingsFile(const QString &given = {});
    void mnuMachineSelect_Click();
    void mnuMachineNew_Click();
    void mnuMachinePropaty_Click();

    static const QString Filter;

signals:
    // Whether a machine is in force: without one the communication commands rest.
    void communicationOffered(bool offered);
    // The controller family may have changed.
    void controllerChosen();

private:
    bool inSettingsFolder(const QString &chosen, const QString &title);
    bool writeNewFile(const QString &name);
    void load(const QString &name);

    AppState &m_state;
    PortInForce m_port; // the port itself is on the line's thread
    FileDialogs &m_dialogs;
    MessageBoxes &m_messages;
    Log &m_log;
    StatusLine &m_status;
    QWidget *m_window;
    MachineSettingsLoader m_loader;
    PropertiesApplier m_properties;
};
