// SPDX-License-Identifier: GPL-2.0-or-later
#include "support/OwnMounts.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <unistd.h>

namespace {

const char *why = "not made";

bool write(const char *file, const std::string &text)
{
    std::ofstream out(file);
    return bool(out << text << std::flush);
}

// An unreadable table counts as shared.
bool sharesMounts()
{
    std::ifstream table("/proc/self/mountinfo");
    std::string line;
    while (std::getline(table, line)) {
        if (line.find(" shared:") != std::string::npos)
            return true;
    }
    return !table.eof();
}

// Runs as the program is loaded: unshare() refuses a process that has threads already. The program is
// then started again inside: the running one was found through the old namespace's mounts, which in a
// chroot turns the path of its own file (where helpers beside it are looked for) into one outside.
__attribute__((constructor)) void enterOwnMounts(int, char **argv, char **)
{
    if (const char *made = std::getenv("TALVERN_OWN_MOUNTS")) {
        why = made[0] ? "" : "not made";
        ::unsetenv("TALVERN_OWN_MOUNTS");
        return;
    }
    char exe[4096];
    const ssize_t length = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (length <= 0) {
        why = std::strerror(errno);
        return;
    }
    exe[length] = '\0';
    // Read before a user namespace of its own maps them to nobody.
    const std::string uid = std::to_string(::geteuid());
    const std::string gid = std::to_string(::getegid());
    if (::unshare(CLONE_NEWNS) != 0) {
        // Not root: a user namespace of its own, with this user as its root.
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
            why = std::strerror(errno);
            return;
        }
        write("/proc/self/setgroups", "deny");
        if (!write("/proc/self/uid_map", "0 " + uid + " 1")) {
            why = "no uid map";
            return;
        }
        write("/proc/self/gid_map", "0 " + gid + " 1");
    }
    // Nothing mounted here reaches the machine's namespace, nor the other way round. In a chroot "/" is
    // no mount to change: there it is enough that no mount shares its events with another.
    if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 && sharesMounts()) {
        why = std::strerror(errno);
        return;
    }
    ::setenv("TALVERN_OWN_MOUNTS", "made", 1);
    ::execv(exe, argv);
    why = std::strerror(errno); // still the old program, in the new namespace
    ::unsetenv("TALVERN_OWN_MOUNTS");
}

} // namespace

QString OwnMounts::failure()
{
    return QString::fromLocal8Bit(why);
}
