// SPDX-License-Identifier: GPL-2.0-or-later
#include "machine/MachineSettingsFile.h"

#include "platform/FileProtection.h"
#include "platform/SystemReason.h"

#include <QFileInfo>
#include <QSaveFile>

#include <cmath>
#include <limits>

namespace {

const char *const Banner = "Fennet Ver.1.0 Talvern";

QByteArray line(const char *label, const QString &value)
{
    // The label is padded so that "=" stands in column 48.
    return QByteArray(label).leftJustified(47, ' ') + '=' + value.toLatin1() + "\r\n";
}

QByteArray head()
{
    return QByteArray(Banner) + "\r\n\r\n";
}

} // namespace

QString MachineSettingsFile::save(const QString &path, const QByteArray &content)
{
    const QFileInfo info(path);
    if (info.exists() && FileProtection::isProtected(info))
        return QStringLiteral("ファイルは保護されています。");
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit())
        return SystemReason::of(file);
    return {};
}

QByteArray MachineSettingsFile::newLayout()
{
    return head() + line("RS232C PROT NUMBER", QStringLiteral("1")) +
           line("BAUD RATE", QStringLiteral("4800")) +
           line("PARITY  (N:None,E:Even,O:Odd,M:Mark,S:Space)", QStringLiteral("E")) +
           line("DATA BIT(7, 8)", QStringLiteral("7")) + line("STOP BIT(1, 1.5, 2)", QStringLiteral("2")) +
           line("FLOW    (0:None,1:XonXoff,2:RTS,3:XonXoffRTS)", QStringLiteral("1")) +
           line("ECHO    (ON, OFF)", QStringLiteral("ON"));
}

QByteArray MachineSettingsFile::dialogLayout(const Values &values)
{
    return head() + line("RS232C PROT NUMBER", signedText(values.port)) + line("BAUD RATE", values.baud) +
           line("PARITY  (N:None,E:Even,O:Odd,M:Mark,S:Space)", values.parity) +
           line("DATA BIT(7, 8)", values.dataBits) + line("STOP BIT(1, 1.5, 2)", values.stopBits) +
           line("FLOW    (0:None,1:DC-CODE,2:WAIT DC1)", signedText(values.flow)) +
           line("ECHO    (ON, OFF)", values.echo) +
           line("CONTROLLER (0:OSP,1:FANUC)", signedText(values.controller));
}

const QStringList &MachineSettingsFile::keys()
{
    static const QStringList all = {QStringLiteral("PROT NUMBER"), QStringLiteral("BAUD RATE"),
                                    QStringLiteral("PARITY"),      QStringLiteral("DATA BIT"),
                                    QStringLiteral("STOP BIT"),    QStringLiteral("FLOW"),
                                    QStringLiteral("ECHO"),        QStringLiteral("CONTROLLER")};
    return all;
}

QString MachineSettingsFile::valueOf(const QString &line)
{
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    return equals < 0 ? line : line.mid(equals + 1);
}

bool MachineSettingsFile::toShort(const QString &text, qint16 *value)
{
    bool ok = false;
    const double number = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(number))
        return false;
    const double rounded = std::nearbyint(number); // halves to the even neighbour
    if (rounded < std::numeric_limits<qint16>::min() || rounded > std::numeric_limits<qint16>::max())
        return false;
    *value = qint16(rounded);
    return true;
}

int MachineSettingsFile::leadingNumber(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && (text.at(i) == QLatin1Char(' ') || text.at(i) == QLatin1Char('\t')))
        ++i;
    const qsizetype start = i;
    if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+')))
        ++i;
    while (i < text.size() && text.at(i).isDigit() && text.at(i).unicode() < 128 && i - start < 9)
        ++i;
    bool ok = false;
    const int number = text.mid(start, i - start).toInt(&ok);
    return ok ? number : 0;
}

QString MachineSettingsFile::signedText(int value)
{
    return value < 0 ? QString::number(value) : QLatin1Char(' ') + QString::number(value);
}
