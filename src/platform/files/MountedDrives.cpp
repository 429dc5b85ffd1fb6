// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/files/MountedDrives.h"

#include "platform/files/NativeFile.h"
#include "platform/files/NativeName.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include <algorithm>

#if !defined(Q_OS_WIN)
#include <sys/statvfs.h>
#endif

namespace {

bool isPseudoFileSystem(const QByteArray &type)
{
    static const QList<QByteArray> pseudo =
        QByteArrayLiteral(
            "proc sysfs devpts devtmpfs tmpfs cgroup cgroup2 mqueue securityfs debugfs tracefs pstore "
            "bpf hugetlbfs configfs fusectl autofs binfmt_misc nsfs rpc_pipefs ramfs efivarfs "
            "selinuxfs squashfs fuse.gvfsd-fuse fuse.portal overlayfs-internal")
            .split(' ');
    return pseudo.contains(type);
}

// System areas hold nothing an operator stores programs in.
bool isSystemArea(const QString &root)
{
    static const QStringList areas = {"/proc", "/sys", "/dev", "/run", "/boot", "/snap", "/var/lib", "/etc"};
    if (root.startsWith(QLatin1String("/run/media/")))
        return false;
    for (const QString &area : areas) {
        if (root == area || root.startsWith(area + QLatin1Char('/')))
            return true;
    }
    return false;
}

bool lies(const QString &path, const QString &root)
{
    if (root.endsWith(QLatin1Char('/')))
        return path.startsWith(root, Qt::CaseSensitive) || path + QLatin1Char('/') == root;
    return path == root || path.startsWith(root + QLatin1Char('/'));
}

// The table writes a blank, tab, newline and backslash as \ooo.
QByteArray unescaped(const QByteArray &field)
{
    QByteArray bytes;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            bool ok = false;
            const int code = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok) {
                bytes += char(code);
                i += 3;
                continue;
            }
        }
        bytes += field[i];
    }
    return bytes;
}

} // namespace

QList<MountedDrives::Mount> MountedDrives::table()
{
    QList<Mount> mounts;
#if defined(Q_OS_WIN)
    for (const QFileInfo &drive : QDir::drives())
        mounts.append({drive.absoluteFilePath(), QByteArray()});
#else
    // The kernel's own table, read without a word to any mount: a share's server may not answer.
    QFile file(QStringLiteral("/proc/self/mountinfo"));
    if (!file.open(QIODevice::ReadOnly))
        return {{systemRoot(), QByteArray()}};
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        const qsizetype dash = fields.indexOf("-");
        if (fields.size() < 5 || dash < 0 || dash + 1 >= fields.size())
            continue;
        mounts.append({NativeName::fromBytes(unescaped(fields[4])), fields[dash + 1]});
    }
#endif
    return mounts;
}

QStringList MountedDrives::roots()
{
    QStringList result;
    for (const Mount &mount : table()) {
        if (isPseudoFileSystem(mount.type) || result.contains(mount.root))
            continue;
        if (mount.root != systemRoot() && isSystemArea(mount.root))
            continue;
        result << mount.root;
    }
    if (!result.contains(systemRoot()))
        result.prepend(systemRoot());
    std::sort(result.begin(), result.end());
    return result;
}

QString MountedDrives::mountOf(const QString &path)
{
    QStringList all;
    for (const Mount &mount : table())
        all << mount.root;
    return rootOf(QDir::cleanPath(path), all);
}

QString MountedDrives::rootOf(const QString &path, const QStringList &roots)
{
    QString best;
    for (const QString &root : roots) {
#if defined(Q_OS_WIN)
        const bool match = path.startsWith(root.left(2), Qt::CaseInsensitive);
#else
        const bool match = lies(path, root);
#endif
        if (match && root.size() > best.size())
            best = root;
    }
    return best;
}

QString MountedDrives::systemRoot()
{
#if defined(Q_OS_WIN)
    return QStringLiteral("C:/");
#else
    return QStringLiteral("/");
#endif
}

bool MountedDrives::isMounted(const QString &root)
{
    const QString wanted = QDir::cleanPath(root);
    return wanted == QDir::cleanPath(systemRoot()) || QDir::cleanPath(mountOf(wanted)) == wanted;
}

bool MountedDrives::answers(const QString &root)
{
#if defined(Q_OS_WIN)
    const QStorageInfo volume(root);
    if (!volume.isValid() || !volume.isReady())
        return false;
#else
    // Asked of the file system itself: Qt's answer needs the mount in the table, and in a chroot "/" is
    // in none.
    struct statvfs volume {};
    if (::statvfs(NativeName::toBytes(root).constData(), &volume) != 0)
        return false;
#endif
    const std::optional<NativeFile::Status> status = NativeFile::status(root);
    return status && status->isFolder;
}
