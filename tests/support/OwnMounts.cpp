// SPDX-License-Identifier: GPL-2.0-or-later
#include "support/OwnMounts.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {

const char *why = "not made";

bool write(const char *file, const char *text)
{
    const int fd = ::open(file, O_WRONLY);
    if (fd < 0)
        return false;
    const bool done = ::write(fd, text, std::strlen(text)) == ssize_t(std::strlen(text));
    ::close(fd);
    return done;
}

bool sharesMounts()
{
    FILE *table = std::fopen("/proc/self/mountinfo", "r");
    if (!table)
        return true;
    char line[4096];
    bool shared = false;
    while (!shared && std::fgets(line, sizeof line, table))
        shared = std::strstr(line, " shared:") != nullptr;
    std::fclose(table);
    return shared;
}

// Runs as the program is loaded: unshare() refuses a process that has threads already.
__attribute__((constructor)) void enterOwnMounts()
{
    const uid_t uid = ::geteuid();
    const gid_t gid = ::getegid();
    if (::unshare(CLONE_NEWNS) != 0) {
        // Not root: a user namespace of its own, with this user as its root.
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
            why = std::strerror(errno);
            return;
        }
        char map[64];
        std::snprintf(map, sizeof map, "0 %u 1", unsigned(uid));
        write("/proc/self/setgroups", "deny");
        if (!write("/proc/self/uid_map", map)) {
            why = "no uid map";
            return;
        }
        std::snprintf(map, sizeof map, "0 %u 1", unsigned(gid));
        write("/proc/self/gid_map", map);
    }
    // Nothing mounted here reaches the machine's namespace, nor the other way round. In a chroot "/" is
    // no mount to change: there it is enough that no mount shares its events with another.
    if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 && sharesMounts()) {
        why = std::strerror(errno);
        return;
    }
    why = "";
}

} // namespace

QString OwnMounts::failure()
{
    return QString::fromLocal8Bit(why);
}
