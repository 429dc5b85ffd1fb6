// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringDecoder>

#include <optional>

// The code page of the shop-floor PCs and of the controllers' program names.
class ShiftJis final {
public:
    // For text that arrives in pieces: a character cut between two pieces is held back for its rest.
    // Undecodable bytes become replacement characters.
    static QStringDecoder streamDecoder();
    // Bytes that are all there: a cut last character is undecodable too. Undecodable bytes become
    // replacement characters and make *valid false, as does a platform without the codec.
    static QString decodeWhole(QByteArrayView bytes, bool *valid);
    // None when a character has no Shift_JIS code.
    static std::optional<QByteArray> encodeExact(QStringView text);
};
