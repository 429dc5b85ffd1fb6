// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/files/FileIdentity.h"

#include "platform/files/NativeName.h"

#include <QFileInfo>

#if defined(Q_OS_UNIX)
#include <sys/stat.h>

namespace {

QByteArray keyOf(const struct stat &info)
{
    return QByteArray::number(quint64(info.st_dev)) + ':' + QByteArray::number(quint64(info.st_ino));
}

} // namespace

FileIdentity FileIdentity::of(const QString &path)
{
    struct stat info {};
    if (::stat(NativeName::toBytes(path).constData(), &info) != 0)
        return {};
    return FileIdentity(keyOf(info));
}

FileIdentity FileIdentity::ofDescriptor(int fd)
{
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return {};
    return FileIdentity(keyOf(info));
}

#else

FileIdentity FileIdentity::of(const QString &path)
{
    return FileIdentity(QFileInfo(path).canonicalFilePath().toCaseFolded().toUtf8());
}

#endif
