// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "platform/text/Outcome.h"

#include <QFileDevice>
#include <QString>

class QFileInfo;

// "Protected" (read-only) means that no one may write the file.
class FileProtection final {
public:
    static bool isProtected(const QFileInfo &info);
    static bool isProtected(QFileDevice::Permissions modeBits);
    // The file's own permission bits, without Qt's word on what this process may do.
    static QFileDevice::Permissions modeBits(const QFileInfo &info);
    // Both take names that may not be UTF-8 (NativeName). Takes every write permission away.
    static Outcome protect(const QString &path);
    // Gives the owner write permission back, and group and others what the user's umask allows them.
    static Outcome unprotect(const QString &path);
};
