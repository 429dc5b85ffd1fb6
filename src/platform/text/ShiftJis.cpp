// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/text/ShiftJis.h"

#include <QStringEncoder>

namespace {
const char *const Name = "Shift_JIS";
}

QStringDecoder ShiftJis::streamDecoder()
{
    return QStringDecoder(Name);
}

QString ShiftJis::decodeWhole(QByteArrayView bytes, bool *valid)
{
    QStringDecoder decoder(Name, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    *valid = !decoder.hasError();
    return text;
}

std::optional<QByteArray> ShiftJis::encodeExact(QStringView text)
{
    QStringEncoder encoder(Name);
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        return std::nullopt;
    return bytes;
}
