// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/MountedDrives.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QStorageInfo>

namespace {

bool isPseudoFileSystem(const QByteArray &type)
{
    static const QSet<QByteArray> pseudo = {"proc",
                                            "sysfs",
                                            "devpts",
                                            "devtmpfs",
                                            "tmpfs",
                                            "cgroup",
                                            "cgroup2",
                                            "mqueue",
                                            "securityfs",
                                            "debugfs",
                                            "tracefs",
                                            "pstore",
                                            "bpf",
                                            "hugetlbfs",
                                            "configfs",
                                            "fusectl",
                                            "autofs",
                                            "binfmt_misc",
                                            "nsfs",
                                            "rpc_pipefs",
                                            "ramfs",
                                            "efivarfs",
                                            "selinuxfs",
                                            "squashfs",
                                            "fuse.gvfsd-fuse",
                                            "fuse.portal",
                                            "overlayfs-internal"};
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

} // namespace

QStringList MountedDrives::roots()
{
#if defined(Q_OS_WIN)
    QStringList result;
    for (const QFileInfo &drive : QDir::drives())
        result << drive.absoluteFilePath();
    return result;
#else
    QStringList result;
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        const QString root = volume.rootPath();
        if (!volume.isValid() || !volume.isReady() || isPseudoFileSystem(volume.fileSystemType()))
            continue;
        if (root != QLatin1String("/") && isSystemArea(root))
            continue;
        if (!QFileInfo(root).isDir() || result.contains(root))
            continue;
        result << root;
    }
    if (!result.contains(systemRoot()))
        result.prepend(systemRoot());
    std::sort(result.begin(), result.end());
    return result;
#endif
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
    if (root == systemRoot())
        return QFileInfo(root).isDir();
    const QStorageInfo volume(root);
    return volume.isValid() && volume.isReady() &&
           QDir::cleanPath(volume.rootPath()) == QDir::cleanPath(root);
}
