// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// File names as the file system holds them: bytes. A name that is valid UTF-8 becomes its text; each
// byte of an invalid sequence becomes a lone surrogate U+DC80 + byte, so that toBytes gives back the
// very bytes a Windows machine wrote in Shift_JIS. Such a string is for file operations only, never
// for display; shown() gives the text a person reads.
class NativeName final {
public:
    static QString fromBytes(const QByteArray &bytes);
    static QByteArray toBytes(const QString &name);
    // True when the name holds bytes that are not UTF-8.
    static bool isEscaped(const QString &name);
    // The name as a person reads it: itself when UTF-8, else Shift_JIS where the bytes are valid
    // Shift_JIS, else UTF-8 with replacement characters.
    static QString shown(const QString &name);
};
