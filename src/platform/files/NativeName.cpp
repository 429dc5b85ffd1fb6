// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/files/NativeName.h"

#include "platform/text/ShiftJis.h"

#include <algorithm>

namespace {

constexpr char16_t EscapeBase = 0xDC00; // bytes 0x80 to 0xFF land on U+DC80 to U+DCFF

bool isEscape(QChar c)
{
    return c.unicode() >= EscapeBase + 0x80 && c.unicode() <= EscapeBase + 0xFF;
}

// The length of the well-formed UTF-8 sequence at bytes[i], or 0 when there is none.
int sequenceAt(const QByteArray &bytes, qsizetype i, char32_t &codePoint)
{
    const auto byte = [&](qsizetype k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = byte(i);
    int length = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, minimum = 0x80, codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, minimum = 0x800, codePoint = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, minimum = 0x10000, codePoint = lead & 0x07;
    } else {
        return 0;
    }
    if (i + length > bytes.size())
        return 0;
    for (int k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (byte(i + k) & 0x3F);
    }
    // Overlong forms, encoded surrogates and values above U+10FFFF are not UTF-8 either.
    if (codePoint < minimum || (codePoint >= 0xD800 && codePoint <= 0xDFFF) || codePoint > 0x10FFFF)
        return 0;
    return length;
}

} // namespace

QString NativeName::fromBytes(const QByteArray &bytes)
{
    // Most names are ASCII alone, which needs no care.
    if (std::all_of(bytes.cbegin(), bytes.cend(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return QString::fromLatin1(bytes);
    QString name;
    name.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size();) {
        char32_t codePoint = 0;
        const int length = sequenceAt(bytes, i, codePoint);
        if (length == 0) {
            name.append(QChar(char16_t(EscapeBase + static_cast<unsigned char>(bytes[i]))));
            ++i;
            continue;
        }
        const char32_t one[] = {codePoint};
        name.append(QString::fromUcs4(one, 1));
        i += length;
    }
    return name;
}

QByteArray NativeName::toBytes(const QString &name)
{
    QByteArray bytes;
    bytes.reserve(name.size());
    qsizetype start = 0; // the run of ordinary text not yet written
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (!isEscape(name[i]) || (i > 0 && name[i - 1].isHighSurrogate()))
            continue;
        bytes += QStringView(name).mid(start, i - start).toUtf8();
        bytes += char(name[i].unicode() - EscapeBase);
        start = i + 1;
    }
    bytes += QStringView(name).mid(start).toUtf8();
    return bytes;
}

bool NativeName::isEscaped(const QString &name)
{
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (isEscape(name[i]) && !(i > 0 && name[i - 1].isHighSurrogate()))
            return true;
    }
    return false;
}

QString NativeName::shown(const QString &name)
{
    if (!isEscaped(name))
        return name;
    const QByteArray bytes = toBytes(name);
    bool valid = false;
    const QString text = ShiftJis::decodeWhole(bytes, &valid);
    return valid ? text : QString::fromUtf8(bytes);
}
