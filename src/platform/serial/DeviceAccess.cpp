// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/serial/DeviceAccess.h"

#include <QFile>

#if defined(Q_OS_LINUX)
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace {

bool processIsIn(gid_t group)
{
    if (::getegid() == group)
        return true;
    std::vector<gid_t> groups(static_cast<std::size_t>(qMax(0, ::getgroups(0, nullptr))));
    groups.resize(std::size_t(qMax(0, ::getgroups(int(groups.size()), groups.data()))));
    return std::find(groups.begin(), groups.end(), group) != groups.end();
}

// The group database, which a new login reads: what a session of this user would be in.
bool userIsIn(gid_t group)
{
    const passwd *user = ::getpwuid(::geteuid());
    if (!user)
        return false;
    int count = 64;
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    if (::getgrouplist(user->pw_name, user->pw_gid, groups.data(), &count) < 0) {
        groups.resize(std::size_t(count));
        if (::getgrouplist(user->pw_name, user->pw_gid, groups.data(), &count) < 0)
            return false;
    }
    groups.resize(std::size_t(count));
    return std::find(groups.begin(), groups.end(), group) != groups.end();
}

} // namespace
#endif

DeviceAccess DeviceAccess::of(const QString &device)
{
    DeviceAccess access;
#if defined(Q_OS_LINUX)
    const QByteArray path = QFile::encodeName(device);
    struct stat status {};
    // The effective rights, as open() meets them (ACLs and capabilities included).
    if (::stat(path.constData(), &status) != 0 ||
        ::faccessat(AT_FDCWD, path.constData(), R_OK | W_OK, AT_EACCESS) == 0)
        return access;
    const struct group *owners = ::getgrgid(status.st_gid);
    access.group = owners ? QString::fromLocal8Bit(owners->gr_name) : QString::number(status.st_gid);
    const bool groupMayUse = (status.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
    // The owner's bits bind the owner, whatever the group's say.
    if (!groupMayUse || status.st_uid == ::geteuid() || processIsIn(status.st_gid))
        access.verdict = Verdict::Refused;
    else
        access.verdict = userIsIn(status.st_gid) ? Verdict::LogInAgain : Verdict::JoinGroup;
#else
    Q_UNUSED(device);
#endif
    return access;
}
