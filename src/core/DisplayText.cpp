// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/DisplayText.h"

#include "platform/text/ShiftJis.h"

#include <algorithm>

namespace {

QString decodeShiftJis(const QByteArray &bytes)
{
    QStringDecoder shiftJis = ShiftJis::streamDecoder();
    if (shiftJis.isValid())
        return shiftJis.decode(bytes);
    return QString::fromLatin1(bytes);
}

bool isShiftJisLead(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

} // namespace

QString DisplayText::decode(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return decodeShiftJis(bytes);
}

QString DisplayText::decodeBeginning(const QByteArray &beginning)
{
    // Neither encoding uses CR or LF inside a character.
    const qsizetype lineEnd = std::max(beginning.lastIndexOf('\n'), beginning.lastIndexOf('\r'));
    if (lineEnd >= 0)
        return decode(beginning.first(lineEnd + 1));
    // A decoder that keeps state holds back a UTF-8 character the cut left unfinished.
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(beginning);
    if (!utf8.hasError())
        return text;
    qsizetype whole = 0;
    while (whole < beginning.size()) {
        const qsizetype next = whole + (isShiftJisLead(static_cast<unsigned char>(beginning[whole])) ? 2 : 1);
        if (next > beginning.size())
            break;
        whole = next;
    }
    return decodeShiftJis(beginning.first(whole));
}
