// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/files/FileStamp.h"

#include <QFile>

#include <cerrno>

#if defined(Q_OS_UNIX)
#include "platform/files/NativeName.h"

#include <sys/stat.h>
#else
#include <QFileInfo>
#include <QTimeZone>
#endif

#if defined(Q_OS_UNIX)

std::optional<FileStamp> FileStamp::from(int result, const struct stat &info, int *error)
{
    if (result != 0) {
        *error = errno;
        return std::nullopt;
    }
    FileStamp stamp;
    stamp.m_device = quint64(info.st_dev);
    stamp.m_inode = quint64(info.st_ino);
    stamp.m_size = info.st_size;
    stamp.m_modifiedS = info.st_mtim.tv_sec;
    stamp.m_modifiedNs = info.st_mtim.tv_nsec;
    return stamp;
}

std::optional<FileStamp> FileStamp::of(const QString &path, int *error)
{
    struct stat info {};
    return from(::stat(NativeName::toBytes(path).constData(), &info), info, error);
}

std::optional<FileStamp> FileStamp::of(const QFile &file, int *error)
{
    struct stat info {};
    return from(::fstat(file.handle(), &info), info, error);
}

#else // An open file's own state is not at hand: its path stands for it.

std::optional<FileStamp> FileStamp::of(const QString &path, int *error)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        *error = ENOENT;
        return std::nullopt;
    }
    FileStamp stamp;
    stamp.m_size = info.size();
    const qint64 ms = info.lastModified(QTimeZone::UTC).toMSecsSinceEpoch();
    stamp.m_modifiedS = ms / 1000;
    stamp.m_modifiedNs = ms % 1000 * 1000000;
    return stamp;
}

std::optional<FileStamp> FileStamp::of(const QFile &file, int *error)
{
    return of(file.fileName(), error);
}

#endif
