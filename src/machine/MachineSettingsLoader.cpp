// SPDX-License-Identifier: GPL-2.0-or-later
#include "machine/MachineSettingsLoader.h"

#include "core/AppState.h"
#include "core/FolderListing.h"
#include "core/Log.h"
#include "core/StatusLine.h"
#include "core/TextLines.h"
#include "machine/MachineSettingsFile.h"
#include "platform/files/NativeFile.h"
#include "platform/serial/PortInForce.h"

#include <QFile>
#include <QFileInfo>

bool MachineSettingsLoader::LoadMachineSettings(const QString &fileName)
{
    // The port belongs to the line while a transfer runs, and the job works with the machine it started on.
    if (m_state.Transfer.Running)
        return fail(fileName, QStringLiteral("通信中のため実行できません。"));
    // Through NativeFile: a pipe named like a settings file must not hold the window.
    QFile file;
    const auto opened = NativeFile::open(file, pathIn(m_state.SettingsFolder, fileName), QIODevice::ReadOnly);
    if (!opened)
        return fail(fileName, opened.reason());
    const QStringList lines = TextLines::split(QString::fromLatin1(file.readAll()));
    file.close();

    // A file describes its machine whole: what it leaves out is not inherited from the previous one.
    // It is read aside and put in force only whole: a file refused leaves the machine in force as it was.
    MachineSettings machine;
    machine.MchFileName = fileName;
    QString pieces[4]; // baud rate, parity, data bits, stop bits
    const QStringList &keys = MachineSettingsFile::keys();
    for (const QString &line : lines) {
        for (int k = 0; k < keys.size(); ++k) {
            if (!line.contains(keys[k]))
                continue;
            const QString value = MachineSettingsFile::valueOf(line);
            switch (k) {
            case 0:
                machine.PortText = value;
                break;
            case 5:
            case 7: {
                qint16 number = 0;
                if (!MachineSettingsFile::toShort(value, &number))
                    return fail(fileName,
                                QStringLiteral("%1の値'%2'は数値ではありません。").arg(keys[k], value));
                if (k == 5)
                    machine.Flow = MachineSettings::FlowMode(number);
                else
                    machine.Controller = MachineSettings::ControllerFamily(number);
                break;
            }
            case 6:
                machine.Echo = value;
                break;
            default:
                pieces[k - 1] = value;
            }
        }
    }

    const int oldPort = m_port.commPort();
    const Outcome taken =
        m_port.setCommPort(MachineSettingsFile::leadingNumber(machine.PortText))
            ? applyLine(m_port, QStringList(std::begin(pieces), std::end(pieces)).join(QLatin1Char(',')))
            : Outcome::failed(m_port.errorString());
    if (!taken) {
        m_port.setCommPort(oldPort);
        return fail(fileName, taken.reason());
    }

    m_state.Machine = machine;
    m_status.setSettingsText(statusText(machine, QStringLiteral("COM") + machine.PortText, m_port.line()));
    m_log.addLine(QStringLiteral("設定ファイル'") + fileName + QStringLiteral("'を読み込みました。"));
    return true;
}

bool MachineSettingsLoader::fail(const QString &fileName, const QString &description)
{
    m_log.addLine(QStringLiteral("設定ファイル'") + fileName + QStringLiteral("'の読み込みに失敗しました。"));
    m_log.addLine(description);
    return false;
}

Outcome MachineSettingsLoader::applyLine(PortInForce &port, const QString &settings)
{
    QString why;
    const std::optional<SerialSettings> parsed = SerialSettings::parse(settings, &why);
    if (!parsed)
        return Outcome::failed(why);
    // The settings text allows 4 data bits, but no port here opens with fewer than 5.
    if (parsed->dataBits() < 5) {
        return Outcome::failed(QStringLiteral("データビット'%1'は使用できません。5から8にしてください。")
                                   .arg(parsed->dataBits()));
    }
    port.setLine(*parsed);
    port.setHandshaking(false);
    return {};
}

QString MachineSettingsLoader::statusText(const MachineSettings &machine, const QString &comPart,
                                          const SerialSettings &line)
{
    return QStringLiteral("現在の設定:") +
           (machine.isOsp() ? QStringLiteral("OSP,") : QStringLiteral("FANUC,")) + comPart +
           QLatin1Char(':') + line.toString();
}

QString MachineSettingsLoader::pathIn(const QString &folder, const QString &fileName)
{
    // Only a bare name is ever stored; a path smuggled into the setting stays in the folder.
    const QString bare = QFileInfo(fileName).fileName();
    const QString onDisk = FolderListing::findName(folder, bare);
    return NativeFile::join(folder, onDisk.isEmpty() ? bare : onDisk);
}
