// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/serial/SerialSettings.h"

#include <QStringList>

#include <algorithm>

namespace {

// Letters in the order of SerialSettings::Parity.
const QString ParityLetters = QStringLiteral("neoms");

bool isWholeNumber(const QString &text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    });
}

QString wrongPiece(const QString &piece, const QString &value, const QString &expected)
{
    if (value.isEmpty())
        return QStringLiteral("設定に%1がありません。").arg(piece);
    return QStringLiteral("%1'%2'は使用できません。%3").arg(piece, value, expected);
}

} // namespace

std::optional<SerialSettings> SerialSettings::parse(const QString &text, QString *error)
{
    const auto fail = [error](const QString &description) {
        if (error)
            *error = description;
        return std::optional<SerialSettings>();
    };

    const QStringList pieces = text.split(QLatin1Char(','));
    if (pieces.size() != 4) {
        return fail(
            QStringLiteral("設定'%1'は使用できません。ボーレート、パリティ、データビット、ストップビットの"
                           "4つをカンマで区切ってください。")
                .arg(text));
    }
    const QString baud = pieces[0].trimmed();
    const QString parity = pieces[1].trimmed().toLower();
    const QString dataBits = pieces[2].trimmed();
    const QString stopBits = pieces[3].trimmed();

    SerialSettings settings;
    bool fits = false;
    settings.m_baudRate = isWholeNumber(baud) ? baud.toInt(&fits) : 0;
    if (!fits || settings.m_baudRate <= 0)
        return fail(
            wrongPiece(QStringLiteral("ボーレート"), baud, QStringLiteral("正の整数にしてください。")));

    const qsizetype parityIndex = parity.size() == 1 ? ParityLetters.indexOf(parity) : -1;
    if (parityIndex < 0)
        return fail(wrongPiece(QStringLiteral("パリティ"), pieces[1].trimmed(),
                               QStringLiteral("E、O、N、M、Sのいずれかにしてください。")));
    settings.m_parity = Parity(parityIndex);

    if (dataBits.size() != 1 || dataBits[0] < QLatin1Char('4') || dataBits[0] > QLatin1Char('8'))
        return fail(
            wrongPiece(QStringLiteral("データビット"), dataBits, QStringLiteral("4から8にしてください。")));
    settings.m_dataBits = dataBits.toInt();

    if (stopBits == QLatin1String("1"))
        settings.m_stopBits = StopBits::One;
    else if (stopBits == QLatin1String("1.5"))
        settings.m_stopBits = StopBits::OneAndHalf;
    else if (stopBits == QLatin1String("2"))
        settings.m_stopBits = StopBits::Two;
    else
        return fail(wrongPiece(QStringLiteral("ストップビット"), stopBits,
                               QStringLiteral("1、1.5、2のいずれかにしてください。")));
    return settings;
}

QChar SerialSettings::parityLetter() const
{
    return ParityLetters.at(qsizetype(m_parity));
}

QString SerialSettings::stopBitsText() const
{
    static const QString stopTexts[] = {QStringLiteral("1"), QStringLiteral("1.5"), QStringLiteral("2")};
    return stopTexts[int(m_stopBits)];
}

QString SerialSettings::toString() const
{
    return QStringLiteral("%1,%2,%3,%4")
        .arg(m_baudRate)
        .arg(parityLetter())
        .arg(m_dataBits)
        .arg(stopBitsText());
}

double SerialSettings::bitsPerCharacter() const
{
    static constexpr double stopBits[] = {1.0, 1.5, 2.0};
    return 1 + m_dataBits + (m_parity == Parity::None ? 0 : 1) + stopBits[int(m_stopBits)];
}
