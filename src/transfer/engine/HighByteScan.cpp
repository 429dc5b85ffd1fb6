// SPDX-License-Identifier: GPL-2.0-or-later
#include "transfer/engine/HighByteScan.h"

#include <cstring>

namespace {

constexpr quint64 HighBits = 0x8080'8080'8080'8080ull;
// Tested together a block at a time: a whole program is scanned while the operator walks to the
// control, so the common case (no such byte) runs at the speed of memory.
constexpr qsizetype BlockBytes = 256;

bool blockIsLow(const char *block)
{
    quint64 any = 0;
    for (qsizetype at = 0; at < BlockBytes; at += qsizetype(sizeof(quint64))) {
        quint64 word;
        std::memcpy(&word, block + at, sizeof word);
        any |= word;
    }
    return (any & HighBits) == 0;
}

} // namespace

qsizetype HighByteScan::find(QByteArrayView bytes)
{
    const char *data = bytes.data();
    qsizetype at = 0;
    while (at + BlockBytes <= bytes.size() && blockIsLow(data + at))
        at += BlockBytes;
    for (; at < bytes.size(); ++at) {
        if (quint8(data[at]) >= 0x80)
            return at;
    }
    return -1;
}

void HighByteScan::count(QByteArrayView piece)
{
    for (const char byte : piece) {
        if (byte == '\r') {
            ++m_lineEnds;
            m_afterCr = true;
            continue;
        }
        if (byte == '\n' && !m_afterCr)
            ++m_lineEnds;
        m_afterCr = false;
    }
}
