// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/files/FileProtection.h"

#include "platform/files/NativeFile.h"
#include "platform/text/SystemReason.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>

#if defined(Q_OS_UNIX)
#include <sys/stat.h>
#endif

namespace {

// The "user" flags say what this process may do (anything, for root); Qt would set them as the
// owner's bits, so they never go back.
constexpr QFile::Permissions NotBits = QFile::ReadUser | QFile::WriteUser | QFile::ExeUser;
constexpr QFile::Permissions AnyWrite = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;

// The write bits a file the user creates now would get.
QFile::Permissions writeForNewFiles()
{
    QFile::Permissions bits = QFile::WriteOwner;
#if defined(Q_OS_UNIX)
    const mode_t mask = ::umask(0); // reading the mask means setting it: put it straight back
    ::umask(mask);
    if (!(mask & S_IWGRP))
        bits |= QFile::WriteGroup;
    if (!(mask & S_IWOTH))
        bits |= QFile::WriteOther;
#endif
    return bits;
}

Outcome setWriteBits(const QString &path, QFile::Permissions bits)
{
    const std::optional<NativeFile::Status> status = NativeFile::status(path);
    if (!status)
        return Outcome::failed(SystemReason::of(ENOENT));
    return NativeFile::setPermissions(path, (status->permissions & ~AnyWrite) | bits);
}

} // namespace

bool FileProtection::isProtected(const QFileInfo &info)
{
    // The mode bits, not "writable by me": root may write anything, yet the file is protected.
    // On Windows Qt reports the read-only attribute as the absence of these bits.
    return isProtected(info.permissions());
}

bool FileProtection::isProtected(QFileDevice::Permissions modeBits)
{
    return (modeBits & AnyWrite) == 0;
}

QFile::Permissions FileProtection::modeBits(const QFileInfo &info)
{
    return info.permissions() & ~NotBits;
}

Outcome FileProtection::protect(const QString &path)
{
    return setWriteBits(path, {});
}

Outcome FileProtection::unprotect(const QString &path)
{
    return setWriteBits(path, writeForNewFiles());
}
