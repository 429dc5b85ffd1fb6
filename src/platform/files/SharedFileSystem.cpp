// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/files/SharedFileSystem.h"

#include "platform/files/NativeName.h"

#include <algorithm>
#include <iterator>

#if defined(Q_OS_LINUX)
#include <sys/vfs.h>
#endif

bool SharedFileSystem::holds(const QString &folder)
{
#if defined(Q_OS_LINUX)
    // The kernel's magic numbers (linux/magic.h and the file systems' own headers).
    static constexpr unsigned long Shared[] = {
        0x6969,     // NFS
        0x517B,     // SMB (smbfs)
        0xFF534D42, // CIFS
        0xFE534D42, // SMB2 and SMB3
        0x65735546, // FUSE, fuseblk and virtiofs: sshfs, bindfs, rclone, gvfs and the like
        0x01021997, // 9p
        0x00C36400, // Ceph
        0x6B414653, // AFS (kafs)
        0x5346414F, // AFS (OpenAFS)
        0x73757245, // Coda
        0x564C,     // NCP
        0x7461636F, // OCFS2: a disk that other nodes write too
        0x01161970, // GFS2: the same
        0x0BD00BD0, // Lustre
        0x47504653, // GPFS
        0x20030528, // OrangeFS
        0x786F4256, // VirtualBox shared folders
    };
    struct statfs info {};
    if (::statfs(NativeName::toBytes(folder).constData(), &info) != 0)
        return false;
    const auto type = static_cast<unsigned long>(static_cast<unsigned int>(info.f_type));
    return std::find(std::begin(Shared), std::end(Shared), type) != std::end(Shared);
#else
    // Windows' own change notices cover its shares.
    Q_UNUSED(folder);
    return false;
#endif
}
