// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/files/FolderHandle.h"

#include "platform/files/NativeFile.h"
#include "platform/files/NativeName.h"
#include "platform/text/SystemReason.h"

#include <QFile>
#include <QFileInfo>

#if defined(Q_OS_UNIX)
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

Outcome failure(bool done)
{
    return done ? Outcome() : Outcome::failed(SystemReason::of(errno));
}

} // namespace

Outcome FolderHandle::open(const QString &path)
{
    close();
    m_fd = ::open(NativeName::toBytes(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_fd < 0)
        return failure(false);
    m_path = path;
    m_identity = FileIdentity::ofDescriptor(m_fd);
    return {};
}

void FolderHandle::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_identity = {};
}

QString FolderHandle::path() const
{
#if defined(Q_OS_LINUX)
    // The kernel's name for the open folder follows renames; it is trusted only while it still
    // leads to this very folder (not once the folder is gone).
    char target[4096];
    const QByteArray link = "/proc/self/fd/" + QByteArray::number(m_fd);
    const ssize_t length = ::readlink(link.constData(), target, sizeof target);
    if (length > 0 && length < ssize_t(sizeof target)) {
        const QString now = NativeName::fromBytes(QByteArray(target, length));
        if (FileIdentity::of(now) == m_identity)
            return now;
    }
#endif
    return m_path;
}

Outcome FolderHandle::create(QFile &file, const QString &name) const
{
    const int fd =
        ::openat(m_fd, NativeName::toBytes(name).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return failure(false);
    if (!file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        const QString why = SystemReason::of(file);
        ::close(fd);
        return Outcome::failed(why);
    }
    return {};
}

Outcome FolderHandle::replace(const QString &from, const QString &to) const
{
    const QByteArray source = NativeName::toBytes(from), target = NativeName::toBytes(to);
    struct stat replaced {};
    if (::fstatat(m_fd, target.constData(), &replaced, 0) == 0 && S_ISREG(replaced.st_mode) &&
        ::fchmodat(m_fd, source.constData(), replaced.st_mode & 07777, 0) != 0)
        return failure(false);
    return failure(::renameat(m_fd, source.constData(), m_fd, target.constData()) == 0);
}

Outcome FolderHandle::keepAside(const QString &name, const QString &aside, int *error) const
{
    const QByteArray source = NativeName::toBytes(name), target = NativeName::toBytes(aside);
    bool done = ::linkat(m_fd, source.constData(), m_fd, target.constData(), 0) == 0;
    if (!done && (errno == EPERM || errno == EOPNOTSUPP || errno == ENOSYS || errno == EMLINK)) {
#if defined(Q_OS_LINUX)
        done = ::renameat2(m_fd, source.constData(), m_fd, target.constData(), RENAME_NOREPLACE) == 0;
        if (!done && (errno == EINVAL || errno == ENOSYS)) // a share that cannot promise it: looked at first
#endif
        {
            struct stat existing {};
            if (::fstatat(m_fd, target.constData(), &existing, AT_SYMLINK_NOFOLLOW) == 0)
                errno = EEXIST;
            else
                done = ::renameat(m_fd, source.constData(), m_fd, target.constData()) == 0;
        }
    }
    *error = done ? 0 : errno;
    return failure(done);
}

Outcome FolderHandle::remove(const QString &name) const
{
    return failure(::unlinkat(m_fd, NativeName::toBytes(name).constData(), 0) == 0);
}

qint64 FolderHandle::changed() const
{
    struct stat info {};
    if (m_fd < 0 || ::fstat(m_fd, &info) != 0)
        return 0;
    return qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

#else // A folder that holds an open file cannot be renamed here: its path stays good.

#include <qt_windows.h>

#include <cerrno>

Outcome FolderHandle::open(const QString &path)
{
    m_path = path;
    m_identity = FileIdentity::of(path);
    return m_identity.isValid() ? Outcome() : Outcome::failed(qt_error_string(ERROR_PATH_NOT_FOUND));
}

void FolderHandle::close()
{
    m_identity = {};
}

QString FolderHandle::path() const
{
    return m_path;
}

Outcome FolderHandle::create(QFile &file, const QString &name) const
{
    return NativeFile::open(file, NativeFile::join(m_path, name), QIODevice::WriteOnly | QIODevice::NewOnly);
}

Outcome FolderHandle::replace(const QString &from, const QString &to) const
{
    const QString source = NativeFile::join(m_path, from), target = NativeFile::join(m_path, to);
    const bool replacing = QFile::exists(target);
    const QFile::Permissions kept = QFile::permissions(target);
    if (replacing) // a read-only file is not replaced otherwise
        QFile::setPermissions(target, kept | QFile::WriteOwner | QFile::WriteUser);
    const Outcome renamed = NativeFile::rename(source, target);
    if (replacing)
        QFile::setPermissions(target, kept);
    return renamed;
}

Outcome FolderHandle::keepAside(const QString &name, const QString &aside, int *error) const
{
    const QString source = NativeFile::join(m_path, name), target = NativeFile::join(m_path, aside);
    *error = !QFile::exists(source) ? ENOENT : QFile::exists(target) ? EEXIST : 0;
    if (*error)
        return Outcome::failed(SystemReason::of(*error));
    QFile file(source);
    if (file.copy(target))
        return {};
    *error = EIO;
    return Outcome::failed(SystemReason::of(file));
}

Outcome FolderHandle::remove(const QString &name) const
{
    return NativeFile::remove(NativeFile::join(m_path, name));
}

qint64 FolderHandle::changed() const
{
    return QFileInfo(m_path).lastModified().toMSecsSinceEpoch() * 1000000;
}

#endif
