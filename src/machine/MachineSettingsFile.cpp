// SPDX-License-Identifier: GPL-2.0-or-later
#include "machine/MachineSettingsFile.h"

#include "platform/files/FileProtection.h"
#include "platform/text/SystemReason.h"

#include <QFileInfo>
#include <QSaveFile>

#include <cmath>
#include <limits>

namespace {

const char *const Banner = "Fennet Ver.1.0 Talvern";

// In file order. The reader looks for the key, which its label holds.
struct Setting {
    const char *key;
    const char *label;
};
constexpr Setting Settings[] = {
    {"PROT NUMBER", "RS232C PROT NUMBER"},
    {"BAUD RATE", "BAUD RATE"},
    {"PARITY", "PARITY  (N:None,E:Even,O:Odd,M:Mark,S:Space)"},
    {"DATA BIT", "DATA BIT(7, 8)"},
    {"STOP BIT", "STOP BIT(1, 1.5, 2)"},
    {"FLOW", "FLOW    (0:None,1:DC-CODE,2:WAIT DC1)"},
    {"ECHO", "ECHO    (ON, OFF)"},
    {"CONTROLLER", "CONTROLLER (0:OSP,1:FANUC)"},
};
constexpr qsizetype FlowLine = 5;
// A new file offers the flow modes under their older names.
const char *const NewFileFlowLabel = "FLOW    (0:None,1:XonXoff,2:RTS,3:XonXoffRTS)";

// The first values.size() settings, each label padded so that "=" stands in column 48.
QByteArray layout(const QStringList &values, const char *flowLabel)
{
    QByteArray text = QByteArray(Banner) + "\r\n\r\n";
    for (qsizetype i = 0; i < values.size(); ++i) {
        const char *label = i == FlowLine ? flowLabel : Settings[i].label;
        text += QByteArray(label).leftJustified(47, ' ') + '=' + values[i].toLatin1() + "\r\n";
    }
    return text;
}

} // namespace

Outcome MachineSettingsFile::save(const QString &path, const QByteArray &content)
{
    const QFileInfo info(path);
    if (info.exists() && FileProtection::isProtected(info))
        return Outcome::failed(QStringLiteral("ファイルは保護されています。"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit())
        return Outcome::failed(SystemReason::of(file));
    return {};
}

QByteArray MachineSettingsFile::newLayout()
{
    // No controller line.
    return layout({QStringLiteral("1"), QStringLiteral("4800"), QStringLiteral("E"), QStringLiteral("7"),
                   QStringLiteral("2"), QStringLiteral("1"), QStringLiteral("ON")},
                  NewFileFlowLabel);
}

QByteArray MachineSettingsFile::dialogLayout(const Values &values)
{
    return layout({signedText(values.port), values.baud, values.parity, values.dataBits, values.stopBits,
                   signedText(values.flow), values.echo, signedText(values.controller)},
                  Settings[FlowLine].label);
}

const QStringList &MachineSettingsFile::keys()
{
    static const QStringList all = [] {
        QStringList keys;
        for (const Setting &setting : Settings)
            keys << QString::fromLatin1(setting.key);
        return keys;
    }();
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
