// SPDX-License-Identifier: GPL-2.0-or-later
#include "machine/MachineCommands.h"

#include "core/AppState.h"
#include "core/FolderListing.h"
#include "core/Log.h"
#include "core/StatusLine.h"
#include "machine/MachineSettingsFile.h"
#include "machine/frmProperties.h"
#include "platform/ui/BusyCursor.h"
#include "platform/ui/FileDialogs.h"
#include "platform/ui/MessageBoxes.h"

#include <QDir>
#include <QFileInfo>

const QString MachineCommands::Filter = QStringLiteral("Mch Files(*.mch);;All Files(*.*)");

namespace {

const QString SelectTitle = QStringLiteral("設定ファイル選択");
const QString NewTitle = QStringLiteral("設定ファイル作成");
// The status bar while no machine is in force.
const QString NoSettingsText = QStringLiteral("設定ファイルが読み込まれていません");

QString canonicalFolder(const QString &folder)
{
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(QFileInfo(folder).absoluteFilePath()) : canonical;
}

bool sameFolder(const QString &one, const QString &other)
{
#if defined(Q_OS_WIN)
    const Qt::CaseSensitivity names = Qt::CaseInsensitive;
#else
    const Qt::CaseSensitivity names = Qt::CaseSensitive;
#endif
    return canonicalFolder(one).compare(canonicalFolder(other), names) == 0;
}

// The selection dialog lists *.mch only: a name typed without that extension gets it, so that the
// new file can be chosen later and no other kind of file is overwritten by a settings file.
QString withSettingsExtension(const QString &name)
{
    if (name.endsWith(QLatin1String(".mch"), Qt::CaseInsensitive))
        return name;
    return name + QStringLiteral(".MCH");
}

} // namespace

MachineCommands::MachineCommands(AppState &state, SerialPort &port, FileDialogs &dialogs,
                                 MessageBoxes &messages, Log &log, StatusLine &status, QWidget *window)
    : QObject(window), m_state(state), m_port(port), m_dialogs(dialogs), m_messages(messages), m_log(log),
      m_status(status), m_window(window), m_loader(state, m_port, log, status),
      m_properties(state, m_port, log, status)
{
    connect(&m_port, &PortInForce::refused, this, [this](const QString &why) { m_log.addLine(why); });
}

// Without a machine in force a transfer would go out with whatever the port was left with.
void MachineCommands::LoadStartupSettingsFile(const QString &given)
{
    // A window started for one machine keeps it whatever the last window closed remembered.
    if (!given.isEmpty() &&
        inSettingsFolder(QDir(m_state.SettingsFolder).absoluteFilePath(given), SelectTitle))
        m_state.Machine.MchFileName = m_state.StartupMchFileName = QFileInfo(given).fileName();
    const QString &name = m_state.Machine.MchFileName;
    if (!name.isEmpty() && m_loader.LoadMachineSettings(name))
        return;
    m_status.setSettingsText(NoSettingsText);
    emit communicationOffered(false);
}

// A file put in force offers what a start with it offers; a file refused leaves things as they were.
void MachineCommands::load(const QString &name)
{
    if (!m_loader.LoadMachineSettings(name))
        return;
    emit communicationOffered(true);
    emit controllerChosen();
}

void MachineCommands::mnuMachineSelect_Click()
{
    const QString chosen = m_dialogs.openFile(SelectTitle, Filter, m_state.SettingsFolder);
    const BusyCursor busy;
    if (chosen.isEmpty() || !inSettingsFolder(chosen, SelectTitle))
        return;
    load(QFileInfo(chosen).fileName());
}

void MachineCommands::mnuMachineNew_Click()
{
    const BusyCursor busy;
    const QString chosen = m_dialogs.openFile(NewTitle, Filter, m_state.SettingsFolder);
    if (chosen.isEmpty() || !inSettingsFolder(chosen, NewTitle))
        return;
    // The same name in any case is the same machine's file: it is asked about, then overwritten.
    QString name = withSettingsExtension(QFileInfo(chosen).fileName());
    const QString existing = FolderListing::findName(m_state.SettingsFolder, name);
    if (!existing.isEmpty()) {
        const auto answer = m_messages.show(
            name + QStringLiteral("は既にファイルが存在します。\nファイルを重ね書きしますか？"), NewTitle,
            MessageBoxes::Icon::Exclamation, MessageBoxes::Buttons::YesNo);
        if (answer != MessageBoxes::Answer::Yes)
            return;
        name = existing;
    }
    if (!writeNewFile(name))
        return;
    m_log.addLine(QStringLiteral("設定ファイル'") + name + QStringLiteral("'を作成しました。"));
    load(name);
}

// Cancel leaves the machine as it was, also after an OK whose values the port refused: a port number it
// took before the refusal is set back with the rest.
void MachineCommands::mnuMachinePropaty_Click()
{
    const MachineSettings oldMachine = m_state.Machine;
    const int oldPort = m_port.commPort();
    const SerialSettings oldLine = m_port.line();
    frmProperties dialog(
        m_state.Machine.MchFileName, PortProperties::inForce(m_port, m_state.Machine),
        [this](const PortProperties &chosen) { return m_properties.apply(chosen); },
        [this](int port) { return m_port.deviceName(port); }, m_messages, m_window);
    if (dialog.exec() == QDialog::Accepted) {
        emit controllerChosen();
        return;
    }
    m_state.Machine = oldMachine;
    if (m_port.commPort() != oldPort)
        m_port.setCommPort(oldPort);
    m_port.setLine(oldLine);
}

// Only the bare name is remembered and read from the settings folder: a file elsewhere would fail at
// every later start.
bool MachineCommands::inSettingsFolder(const QString &chosen, const QString &title)
{
    if (sameFolder(QFileInfo(chosen).absolutePath(), m_state.SettingsFolder))
        return true;
    const QString folder = QDir::toNativeSeparators(m_state.SettingsFolder);
    m_messages.show(title == NewTitle
                        ? QStringLiteral("設定ファイルは設定フォルダー'%1'に作成してください。").arg(folder)
                        : QStringLiteral("設定ファイルは設定フォルダー'%1'から選んでください。").arg(folder),
                    title, MessageBoxes::Icon::Exclamation);
    return false;
}

bool MachineCommands::writeNewFile(const QString &name)
{
    const Outcome made = MachineSettingsFile::save(
        MachineSettingsLoader::pathIn(m_state.SettingsFolder, name), MachineSettingsFile::newLayout());
    if (made)
        return true;
    m_log.addLine(QStringLiteral("設定ファイル'") + name + QStringLiteral("'を作成出来ませんでした。"));
    m_log.addLine(made.reason());
    return false;
}
