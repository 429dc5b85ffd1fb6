#pragma once

#include <QObject>

struct AppState;
class FileDialogs;
class Log;
class MachineSettingsLoader;
class MessageBoxes;

// The machine menu's commands: select a settings file, create one, change the one in force.
class MachineCommands final : public QObject {
    Q_OBJECT
public:
    MachineCommands(AppState &state, MachineSettingsLoader &loader, FileDialogs &dialogs,
                    MessageBoxes &messages, Log &log, QObject *parent = nullptr);

    void mnuMachineSelect_Click();
    void mnuMachineNew_Click();

    static const QString Filter;

signals:
    // A new settings file exists: the communication commands can be offered again.
    void communicationAvailable();
    // The controller family may have changed.
    void controllerChosen();

private:
    bool writeNewFile(const QString &name);

    AppState &m_state;
    MachineSettingsLoader &m_loader;
    FileDialogs &m_dialogs;
    MessageBoxes &m_messages;
    Log &m_log;
};
