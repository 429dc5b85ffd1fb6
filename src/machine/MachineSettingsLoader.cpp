#include "machine/MachineSettingsLoader.h"

#include "core/AppState.h"
#include "core/FolderListing.h"
#include "core/Log.h"
#include "core/StatusLine.h"
#include "machine/MachineSettingsFile.h"
#include "platform/SerialPort.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

bool MachineSettingsLoader::LoadMachineSettings(const QString &fileName)
{
    QFile file(pathIn(m_state.ProgramFolder, fileName));
    if (!file.open(QIODevice::ReadOnly))
        return fail(fileName, file.errorString());
    const QList<QByteArray> lines = file.readAll().split('\n');
    file.close();

    MachineSettings &machine = m_state.Machine;
    QString pieces[4]; // baud rate, parity, data bits, stop bits
    for (QByteArray bytes : lines) {
        if (bytes.endsWith('\r'))
            bytes.chop(1);
        const QString line = QString::fromLatin1(bytes);
        const QStringList &keys = MachineSettingsFile::keys();
        for (int k = 0; k < keys.size(); ++k) {
            if (!line.contains(keys[k]))
                continue;
            const QString value = MachineSettingsFile::valueOf(line);
            switch (k) {
            case 0:
                machine.PortText = value;
                break;
            case 5:
            case 7:
                if (!MachineSettingsFile::toShort(value, k == 5 ? &machine.Flow : &machine.Controller))
                    return fail(fileName, QStringLiteral("%1: '%2' is not a number").arg(keys[k], value));
                break;
            case 6:
                machine.Echo = value;
                break;
            default:
                pieces[k - 1] = value;
            }
        }
    }

    if (!m_port.setCommPort(MachineSettingsFile::leadingNumber(machine.PortText)) ||
        !m_port.setSettings(QStringList(std::begin(pieces), std::end(pieces)).join(QLatin1Char(','))) ||
        !m_port.setHandshaking(false))
        return fail(fileName, m_port.errorString());

    m_status.setSettingsText(
        statusText(machine.Controller, QStringLiteral("COM") + machine.PortText, m_port.settings()));
    m_log.addLine(QStringLiteral("設定ファイル'") + fileName + QStringLiteral("'を読み込みました。"));
    return true;
}

bool MachineSettingsLoader::fail(const QString &fileName, const QString &description)
{
    m_log.addLine(QStringLiteral("設定ファイル'") + fileName + QStringLiteral("'の読み込みに失敗しました。"));
    m_log.addLine(description);
    return false;
}

QString MachineSettingsLoader::statusText(qint16 controller, const QString &comPart, const QString &settings)
{
    return QStringLiteral("現在の設定:") +
           (controller != 0 ? QStringLiteral("FANUC,") : QStringLiteral("OSP,")) + comPart +
           QLatin1Char(':') + settings;
}

QString MachineSettingsLoader::pathIn(const QString &folder, const QString &fileName)
{
    // Only a bare name is ever stored; a path smuggled into the setting stays in the folder.
    const QString bare = QFileInfo(fileName).fileName();
    const QString onDisk = FolderListing::findName(folder, bare);
    return QDir(folder).filePath(onDisk.isEmpty() ? bare : onDisk);
}
