// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/files/NativeFile.h"

#include "platform/files/NativeName.h"
#include "platform/text/SystemReason.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

#if defined(Q_OS_UNIX)
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

#if defined(Q_OS_UNIX)
Outcome failure(bool done)
{
    return done ? Outcome() : Outcome::failed(SystemReason::of(errno));
}

constexpr struct {
    mode_t bit;
    QFileDevice::Permission permission;
} ModeBits[] = {
    {S_IRUSR, QFileDevice::ReadOwner}, {S_IWUSR, QFileDevice::WriteOwner}, {S_IXUSR, QFileDevice::ExeOwner},
    {S_IRGRP, QFileDevice::ReadGroup}, {S_IWGRP, QFileDevice::WriteGroup}, {S_IXGRP, QFileDevice::ExeGroup},
    {S_IROTH, QFileDevice::ReadOther}, {S_IWOTH, QFileDevice::WriteOther}, {S_IXOTH, QFileDevice::ExeOther},
};

// The names of folder's entries of one kind (DT_REG or DT_DIR; links followed), without a look at each
// entry where the file system tells the kind as it lists them.
QStringList namesOf(const QString &folder, unsigned char kind, bool visibleOnly)
{
    QStringList names;
    DIR *dir = ::opendir(NativeName::toBytes(folder).constData());
    if (!dir)
        return names;
    while (const dirent *entry = ::readdir(dir)) {
        if ((visibleOnly && entry->d_name[0] == '.') ||
            (entry->d_type != kind && entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN))
            continue;
        struct stat info {};
        if (entry->d_type != kind && (::fstatat(::dirfd(dir), entry->d_name, &info, 0) != 0 ||
                                      (kind == DT_DIR ? !S_ISDIR(info.st_mode) : !S_ISREG(info.st_mode))))
            continue;
        names.append(NativeName::fromBytes(QByteArray(entry->d_name)));
    }
    ::closedir(dir);
    return names;
}
#endif

} // namespace

QString NativeFile::join(const QString &folder, const QString &name)
{
    if (folder.isEmpty())
        return name;
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

QString NativeFile::shownPath(const QString &path)
{
    if (!NativeName::isEscaped(path))
        return path;
    QStringList names = path.split(QLatin1Char('/'));
    for (QString &name : names)
        name = NativeName::shown(name);
    return names.join(QLatin1Char('/'));
}

#if defined(Q_OS_UNIX)

QStringList NativeFile::entries(const QString &folder)
{
    QStringList names;
    DIR *dir = ::opendir(NativeName::toBytes(folder).constData());
    if (!dir)
        return names;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names.append(NativeName::fromBytes(name));
    }
    ::closedir(dir);
    return names;
}

QStringList NativeFile::fileNames(const QString &folder)
{
    return namesOf(folder, DT_REG, false);
}

QStringList NativeFile::folderNames(const QString &folder)
{
    return namesOf(folder, DT_DIR, true);
}

bool NativeFile::mayEnter(const QString &folder)
{
    // With the effective rights, as entering uses them: access() asks with the real ones, which for
    // root means all its capabilities.
    return ::faccessat(AT_FDCWD, NativeName::toBytes(folder).constData(), X_OK, AT_EACCESS) == 0;
}

std::optional<NativeFile::Status> NativeFile::status(const QString &path)
{
    struct stat info {};
    if (::stat(NativeName::toBytes(path).constData(), &info) != 0)
        return std::nullopt;
    Status status;
    status.isFile = S_ISREG(info.st_mode);
    status.isFolder = S_ISDIR(info.st_mode);
    status.size = info.st_size;
    // In UTC: a local time reads the time zone again for every file. Shown in local time.
    status.modified = QDateTime::fromMSecsSinceEpoch(
        qint64(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000, Qt::UTC);
    for (const auto &bit : ModeBits) {
        if (info.st_mode & bit.bit)
            status.permissions |= bit.permission;
    }
    return status;
}

Outcome NativeFile::open(QFile &file, const QString &path, QIODevice::OpenMode mode)
{
    // The same reading of the mode as QFile's: writing truncates unless reading, appending or new.
    int flags = O_CLOEXEC;
    if (mode & QIODevice::WriteOnly) {
        flags |= (mode & QIODevice::ReadOnly) ? O_RDWR : O_WRONLY;
        if (!(mode & QIODevice::ExistingOnly))
            flags |= O_CREAT;
        if (mode & QIODevice::NewOnly)
            flags |= O_EXCL;
        if ((mode & QIODevice::Truncate) ||
            !(mode & (QIODevice::ReadOnly | QIODevice::Append | QIODevice::NewOnly)))
            flags |= O_TRUNC;
        if (mode & QIODevice::Append)
            flags |= O_APPEND;
    } else {
        flags |= O_RDONLY;
    }
    // Without O_NONBLOCK a FIFO, however many links lead to it, holds open() until a writer comes.
    const int fd = ::open(NativeName::toBytes(path).constData(), flags | O_NONBLOCK, 0666);
    if (fd < 0)
        return failure(false);
    struct stat info {};
    const bool known = ::fstat(fd, &info) == 0;
    const int error = errno;
    if (!known || !S_ISREG(info.st_mode)) {
        ::close(fd);
        if (!known)
            return Outcome::failed(SystemReason::of(error));
        return Outcome::failed(S_ISDIR(info.st_mode) ? SystemReason::of(EISDIR)
                                                     : QStringLiteral("通常のファイルではありません。"));
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, mode, QFileDevice::AutoCloseHandle)) {
        const QString why = SystemReason::of(file);
        ::close(fd);
        return Outcome::failed(why);
    }
    return {};
}

Outcome NativeFile::rename(const QString &from, const QString &to)
{
    return failure(::rename(NativeName::toBytes(from).constData(), NativeName::toBytes(to).constData()) == 0);
}

Outcome NativeFile::remove(const QString &path)
{
    return failure(::unlink(NativeName::toBytes(path).constData()) == 0);
}

Outcome NativeFile::makeFolder(const QString &path)
{
    return failure(::mkdir(NativeName::toBytes(path).constData(), 0777) == 0);
}

Outcome NativeFile::removeFolder(const QString &path)
{
    return failure(::rmdir(NativeName::toBytes(path).constData()) == 0);
}

Outcome NativeFile::renameFolder(const QString &from, const QString &to)
{
    const QByteArray source = NativeName::toBytes(from);
    const QByteArray target = NativeName::toBytes(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return {};
    if (errno != EINVAL && errno != ENOSYS)
        return failure(false);
    // A file system without the flag (some shares): look first, as near to the rename as can be.
    struct stat info {};
    if (::lstat(target.constData(), &info) == 0)
        return Outcome::failed(SystemReason::of(EEXIST));
    return failure(::rename(source.constData(), target.constData()) == 0);
}

Outcome NativeFile::setPermissions(const QString &path, QFileDevice::Permissions permissions)
{
    mode_t mode = 0;
    for (const auto &bit : ModeBits) {
        if (permissions & bit.permission)
            mode |= bit.bit;
    }
    return failure(::chmod(NativeName::toBytes(path).constData(), mode) == 0);
}

#else // Windows names are UTF-16 already: Qt reaches every one.

QStringList NativeFile::entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Unsorted);
}

QStringList NativeFile::fileNames(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted);
}

QStringList NativeFile::folderNames(const QString &folder)
{
    return QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Unsorted);
}

bool NativeFile::mayEnter(const QString &folder)
{
    return QFileInfo(folder).isExecutable();
}

std::optional<NativeFile::Status> NativeFile::status(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return std::nullopt;
    constexpr QFileDevice::Permissions NotBits =
        QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser;
    return Status{info.isFile(), info.isDir(), info.size(), info.lastModified(),
                  info.permissions() & ~NotBits};
}

Outcome NativeFile::open(QFile &file, const QString &path, QIODevice::OpenMode mode)
{
    file.setFileName(path);
    return file.open(mode) ? Outcome() : Outcome::failed(SystemReason::of(file));
}

Outcome NativeFile::rename(const QString &from, const QString &to)
{
    QFile file(from);
    // Replaces another file as rename() does, never the file itself under another case.
    if (QFileInfo::exists(to) && QFileInfo(from) != QFileInfo(to) && !QFile::remove(to))
        return Outcome::failed(QStringLiteral("%1を置き換えられません。").arg(QFileInfo(to).fileName()));
    return file.rename(to) ? Outcome() : Outcome::failed(SystemReason::of(file));
}

Outcome NativeFile::remove(const QString &path)
{
    QFile file(path);
    return file.remove() ? Outcome() : Outcome::failed(SystemReason::of(file));
}

Outcome NativeFile::makeFolder(const QString &path)
{
    return QDir().mkdir(path) ? Outcome() : Outcome::failed(SystemReason::of(errno));
}

Outcome NativeFile::removeFolder(const QString &path)
{
    return QDir().rmdir(path) ? Outcome() : Outcome::failed(SystemReason::of(errno));
}

Outcome NativeFile::renameFolder(const QString &from, const QString &to)
{
    if (QFileInfo::exists(to) && QFileInfo(from) != QFileInfo(to))
        return Outcome::failed(QStringLiteral("%1を置き換えられません。").arg(QFileInfo(to).fileName()));
    return QDir().rename(from, to) ? Outcome() : Outcome::failed(SystemReason::of(errno));
}

Outcome NativeFile::setPermissions(const QString &path, QFileDevice::Permissions permissions)
{
    QFile file(path);
    return file.setPermissions(permissions) ? Outcome() : Outcome::failed(SystemReason::of(file));
}

#endif
